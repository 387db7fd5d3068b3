#include "gui/windows/liaison.h"

#include "data/track.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/song_tract_window.h"
#include "gui/windows/tracks_window.h"

namespace Quorvane {

namespace {

bool keyMatches(long wanted, long key)
{
    return wanted == kAnyKey || wanted == key;
}

} // namespace

long CLiasonElem::Compare(CChainElem *other)
{
    const auto *o = static_cast<CLiasonElem *>(other);
    if (key1 != o->key1)
        return key1 < o->key1 ? -1 : 1;
    if (key2 != o->key2)
        return key2 < o->key2 ? -1 : 1;
    return 0;
}

CGUIClient *CLiasonElem::GetGUIClient() const
{
    return window ? window->GetGUIClient() : nullptr;
}

CLiasonElem *CLiason::Find(CAbstWindow *window) const
{
    for (CLiasonElem *e = First(); e; e = e->Next())
        if (e->window == window)
            return e;
    return nullptr;
}

CLiasonElem *CLiason::Find(long key1, long key2, CLiasonElem *after) const
{
    for (CLiasonElem *e = after ? after->Next() : First(); e; e = e->Next())
        if (keyMatches(key1, e->key1) && keyMatches(key2, e->key2))
            return e;
    return nullptr;
}

// A window registered under a song-wide key but of another class is not
// taken for the song-wide one.
CTracksWindow *CLiason::GetMainTracks() const
{
    for (CLiasonElem *e = Find(KEY_TRACKS, kAnyKey, nullptr); e; e = Find(KEY_TRACKS, kAnyKey, e))
        if (auto *w = dynamic_cast<CTracksWindow *>(e->window))
            return w;
    return nullptr;
}

CMeasWindow *CLiason::GetMainMeas() const
{
    for (CLiasonElem *e = Find(KEY_MEASURES, kAnyKey, nullptr); e; e = Find(KEY_MEASURES, kAnyKey, e))
        if (auto *w = dynamic_cast<CMeasWindow *>(e->window))
            return w;
    return nullptr;
}

CSongTractWindow *CLiason::GetSongTract() const
{
    for (CLiasonElem *e = Find(KEY_SONG_TRACT, kAnyKey, nullptr); e; e = Find(KEY_SONG_TRACT, kAnyKey, e))
        if (auto *w = dynamic_cast<CSongTractWindow *>(e->window))
            return w;
    return nullptr;
}

void CLiason::CallUpdate(int update, int resize, long key1, long key2)
{
    for (CLiasonElem *e = Find(key1, key2, nullptr); e;) {
        CLiasonElem *next = Find(key1, key2, e);
        if (resize)
            e->window->OnSize(kTimeMax, kTimeMax);
        if (update)
            e->window->Update(nullptr, 0);
        e = next;
    }
}

void CLiason::CallUpdateSongPtr(int ensureVisible)
{
    for (CLiasonElem *e = First(); e;) {
        CLiasonElem *next = e->Next();
        e->window->UpdateSongPtr(ensureVisible);
        e = next;
    }
}

void CLiason::CallUpdateChords(long time)
{
    for (CLiasonElem *e = First(); e;) {
        CLiasonElem *next = e->Next();
        e->window->UpdateChords(time);
        e = next;
    }
}

void CLiason::CallUpdateSongTract()
{
    if (CSongTractWindow *tract = GetSongTract())
        tract->UpdateInfo(-1, nullptr);
}

void CLiason::CallUpdateTrack(CTrack *track, unsigned long flags)
{
    if (!track)
        return;
    const long id = static_cast<long>(track->GetID());
    if ((flags & UPDATE_TRACKS_ROW) && track->GetKind() != TRACK_MASTER)
        if (CTracksWindow *tracks = GetMainTracks())
            tracks->UpdateTrack(id, -1, 0);
    if (flags & UPDATE_MEASURES_ROW)
        if (CMeasWindow *measures = GetMainMeas())
            measures->UpdateTrack(id, 0, kTimeMax);
    if (flags & UPDATE_TRACK_WINDOWS)
        CallUpdate(1, 0, id, kAnyKey);
}

void CLiason::CallUpdateTrackOnPortChanging(CTrack *track)
{
    CallUpdateTrack(track, UPDATE_TRACKS_ROW | UPDATE_TRACK_WINDOWS);
}

void CLiason::OnTimer()
{
    for (CLiasonElem *e = First(); e;) {
        CLiasonElem *next = e->Next();
        e->window->OnTimer();
        e = next;
    }
}

} // namespace Quorvane
