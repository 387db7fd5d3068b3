// The tracks window's edits: values the host's editors and dialogs hand
// back, adding and deleting tracks, and the properties dialog.
#include "gui/windows/tracks_window.h"

#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/strings.h"
#include "data/track.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/song_tract_window.h"
#include "gui/windows/tracks_layout.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace Quorvane {

using namespace tracks_layout;

namespace {

// Every window of the track is asked to close until none is left; one that
// its host keeps open is not asked again.
void closeTrackWindows(CLiason *liason, long id)
{
    CLiasonElem *passed = nullptr;
    for (CLiasonElem *e = liason->Find(id, kAnyKey, passed); e; e = liason->Find(id, kAnyKey, passed)) {
        CAbstWindow *window = e->window;
        if (CGUIClient *windowClient = e->GetGUIClient())
            windowClient->GUICLCloseWindow();
        if (liason->Find(window) == e)
            passed = e;
    }
}

// Track ids from fromId on moved by delta: the windows of those tracks
// keep their registration with the new ids.
void shiftTrackKeys(CLiason *liason, long fromId, long delta)
{
    for (CLiasonElem *e = liason->First(); e; e = e->Next())
        if (e->key1 >= fromId && e->key1 < kFirstSongWindowKey)
            e->key1 += delta;
}

} // namespace

void CTracksWindow::OnNameChanged(CTrack *track, const char *text)
{
    if (track && CompareStringA(track->name, text) != 0) {
        char *copy = CreateString(text);
        if (copy || LengthString(text) == 0) {
            std::free(track->name);
            track->name = copy;
            MarkModified(song, client);
        }
    }
    OnCancelEditItem(track);
}

void CTracksWindow::OnCancelEditItem(CTrack *track)
{
    SetEditItem(kNoEditItem, kNoEditItem);
    if (track)
        UpdateTrack(static_cast<long>(track->GetID()), -1, 0);
    if (client)
        client->GUICLClearStatusText(0);
}

int CTracksWindow::ChangeSetting(CTrack *track, long column, long value, int force)
{
    if (!track)
        return 0;
    long &field = track->*SettingOf(column);
    if (!force && field == value)
        return 0;
    field = column == TRCOL_KEY || column == TRCOL_TIME ? ClampShift(track, column, value) : value;
    if (column == TRCOL_BANK || column == TRCOL_PROGRAM) {
        int accepted;
        {
            // The events at tick 0 follow the fields; playback reads them.
            CLock lock(song->GetSyncObj());
            accepted = track->CheckBankProgChanged(0);
        }
        if (accepted) {
            track->UpdateEdition();
            track->SendInitialToPort(column == TRCOL_BANK ? SEND_BANK : SEND_PROGRAM);
            if (liason)
                liason->CallUpdateTrack(track, UPDATE_TRACKS_ROW | UPDATE_TRACK_WINDOWS);
        }
    } else if (column == TRCOL_VOLUME || column == TRCOL_PAN) {
        int accepted;
        {
            CLock lock(song->GetSyncObj());
            accepted = track->CheckVolPanChanged(0);
        }
        if (accepted) {
            track->UpdateEdition();
            if (CLiasonElem *own =
                    liason ? liason->Find(static_cast<long>(track->GetID()), kAnyKey, nullptr) : nullptr)
                own->window->UpdateTime(0, kTimeMax, 1, 0);
        }
        track->SendInitialToPort(column == TRCOL_VOLUME ? SEND_VOLUME : SEND_PAN);
    }
    UpdateTrack(static_cast<long>(track->GetID()), column, 0);
    MarkModified(song, client);
    return 1;
}

int CTracksWindow::OnBankChanged(CTrack *track, long value, int force)
{
    return ChangeSetting(track, TRCOL_BANK, value, force);
}

int CTracksWindow::OnProgChanged(CTrack *track, long value, int force)
{
    return ChangeSetting(track, TRCOL_PROGRAM, value, force);
}

int CTracksWindow::OnVolChanged(CTrack *track, long value, int force)
{
    return ChangeSetting(track, TRCOL_VOLUME, value, force);
}

int CTracksWindow::OnPanChanged(CTrack *track, long value, int force)
{
    return ChangeSetting(track, TRCOL_PAN, value, force);
}

int CTracksWindow::OnKeyPlChanged(CTrack *track, long value, int force)
{
    return ChangeSetting(track, TRCOL_KEY, value, force);
}

int CTracksWindow::OnTimePlChanged(CTrack *track, long value, int force)
{
    return ChangeSetting(track, TRCOL_TIME, value, force);
}

int CTracksWindow::OnAddNewTrack(long kind, long row)
{
    if (!song)
        return 0;
    if ((kind == TRACK_PATTMIDI || kind == TRACK_PATTSR) && !song->GetTrackChords() &&
        !OnAddNewTrack(TRACK_CHORDS, -1))
        return 0;
    if (CSongTractWindow *tract = liason ? liason->GetSongTract() : nullptr)
        tract->CloseMIDIEffects();
    const long countBefore = song->GetNumTracks();
    const bool rowTaken = row >= 0 && song->GetTrack(row);
    // The track is made (an audio track's output module loaded) before the
    // step takes the lock the render thread plays under; it is only
    // linked under it.
    CTrack *track = song->MakeNewTrack(kind, row);
    EditStep step(song, client, "New track", UNDO_ALL_TRACKS);
    for (CTrack *t = song->GetNextSelectedTrack(nullptr); t; t = song->GetNextSelectedTrack(t))
        song->SelectTrack(t, 0, 0);
    if (!track || !song->LinkNewTrack(track)) {
        song->Update();
        step.Unlock();
        song->DestroyTrack(track);
        return 0;
    }
    if (rowTaken && liason)
        shiftTrackKeys(liason, row, 1);
    step.Done();
    song->SetModified(1);
    song->UpdateEdition();
    song->Update();
    CMeasWindow *measures = liason ? liason->GetMainMeas() : nullptr;
    if (song->GetNumTracks() > countBefore) {
        OnSize(kTimeMax, kTimeMax);
        if (measures)
            measures->OnSize(kTimeMax, kTimeMax);
    }
    const long newRow = static_cast<long>(track->GetID());
    UpdateTrack(newRow, -2, 0);
    if (measures)
        measures->UpdateTrack(-2, 0, kTimeMax);
    if (song->GetNumSelected() == 0)
        if (CTrack *first = song->GetNextTrack(nullptr))
            song->SelectTrack(first, 1, 0);
    EnsureVisible(newRow);
    if (kind == TRACK_CHORDS) {
        song->UpdateNodes();
        if (liason)
            liason->CallUpdateChords(0);
    }
    if (liason)
        liason->CallUpdateSongTract();
    return 1;
}

int CTracksWindow::OnDeleteSelTracks()
{
    if (!song)
        return 0;
    if (CSongTractWindow *tract = liason ? liason->GetSongTract() : nullptr)
        tract->CloseMIDIEffects();
    // The master track never goes, nor a chord track that tracks staying
    // behind still need.
    bool patternStays = false;
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t))
        patternStays = patternStays ||
                       (!t->IsSlct() && (t->GetKind() == TRACK_PATTMIDI || t->GetKind() == TRACK_PATTSR));
    std::vector<CTrack *> doomed;
    for (CTrack *t = song->GetNextSelectedTrack(nullptr); t; t = song->GetNextSelectedTrack(t)) {
        if (t->GetKind() == TRACK_MASTER || (t->GetKind() == TRACK_CHORDS && patternStays))
            continue;
        doomed.push_back(t);
    }
    if (doomed.empty())
        return 0;
    const long scope =
        song->GetNumSelected() == 1 ? static_cast<long>(doomed.front()->GetID()) : UNDO_ALL_TRACKS;
    bool chordsGo = false;
    for (CTrack *t : doomed) {
        chordsGo = chordsGo || t->GetKind() == TRACK_CHORDS;
        if (t->GetKind() == TRACK_AUDIO && liason && song->GetSongTract())
            if (CSongTractWindow *tract = liason->GetSongTract())
                if (CGUIClient *tractClient = tract->GetGUIClient())
                    tractClient->GUICLRequest(
                        STREQ_CLOSE_SYNTH_EDITOR,
                        reinterpret_cast<LONG_PTR>(song->GetSongTract()->GetISoftSynth(t->output)), 0);
        if (liason)
            closeTrackWindows(liason, static_cast<long>(t->GetID()));
    }
    {
        EditStep step(song, client, "Delete track(s)", scope);
        // Deleting from the last keeps the ids of the others in place
        // until their turn.
        for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
            const long id = static_cast<long>((*it)->GetID());
            song->DetachTrack(*it, 1);
            if (liason)
                shiftTrackKeys(liason, id + 1, -1);
        }
        song->Update();
        step.Done();
        step.Unlock();
        // Their drummers and output modules go without the lock the render
        // thread plays under; what follows updates the song under it again.
        for (CTrack *t : doomed)
            song->DestroyTrack(t);
        CLock relock(song->GetSyncObj());
        song->SetModified(1);
        CMeasWindow *measures = liason ? liason->GetMainMeas() : nullptr;
        OnSize(kTimeMax, kTimeMax);
        if (measures)
            measures->OnSize(kTimeMax, kTimeMax);
        if (CTrack *first = song->GetNextTrack(nullptr))
            song->SelectTrack(first, 1, 0);
        song->Update();
        UpdateTrack(-2, 0, 0);
        if (measures)
            measures->UpdateTrack(-2, 0, kTimeMax);
        if (chordsGo) {
            song->UpdateNodes();
            if (liason)
                liason->CallUpdateChords(0);
        }
        if (liason)
            liason->CallUpdateSongTract();
    }
    return 1;
}

void CTracksWindow::OnTrackProperties()
{
    if (!song || !client)
        return;
    client->GUICLSetStatusText(0, "Edit track's Properties");
    const auto mask = static_cast<unsigned long>(client->GUICLRequest(TRREQ_PROPERTIES, 0, 0));
    CTrack *first = song->GetNextSelectedTrack(nullptr);
    if (!mask || !first) {
        client->GUICLClearStatusText(0);
        return;
    }
    if (mask & (PROP_BANK | PROP_BANK_LSB))
        OnBankChanged(first, first->bank, 1);
    if (mask & PROP_PROGRAM)
        OnProgChanged(first, first->program, 1);
    if (mask & PROP_VOLUME)
        OnVolChanged(first, first->volume, 1);
    if (mask & PROP_PAN)
        OnPanChanged(first, first->pan, 1);
    if (mask & PROP_KEY)
        OnKeyPlChanged(first, first->transpose, 1);
    if (mask & PROP_TIME)
        OnTimePlChanged(first, first->timeOffset, 1);
    UpdateTrack(static_cast<long>(first->GetID()), -1, 0);
    if (song->GetNumSelected() > 1)
        for (CTrack *t = song->GetNextSelectedTrack(first); t; t = song->GetNextSelectedTrack(t))
            CopyProperties(first, t, mask);
    if (mask & PROP_SOLO)
        song->CheckSolo();
    MarkModified(song, client);
    client->GUICLClearStatusText(0);
}

void CTracksWindow::CopyProperties(CTrack *from, CTrack *to, unsigned long mask)
{
    const long kind = to->GetKind();
    if (mask & PROP_NAME)
        OnNameChanged(to, from->name);
    if (mask & PROP_MUTE)
        to->SetMute(from->IsMute());
    if (mask & PROP_SOLO)
        to->SetSolo(from->IsSolo());
    if (mask & PROP_USE)
        to->SetUseS(from->IsUseS());
    if ((mask & PROP_PORT) && kind != TRACK_AUDIO) {
        IQuorvaneSongTract *tract = song->GetSongTract();
        char name[256];
        long portKind = -1;
        OutPortText(song, from->output, name, sizeof name, portKind);
        const bool preview = tract && from->output == tract->GetOutPreview();
        const bool chordPort = portKind == 1;
        const bool allowed =
            kind == TRACK_CHORDS ? (portKind < 0 || chordPort || preview) : !(chordPort || portKind == 2);
        if (allowed && to->output != from->output) {
            to->output = from->output;
            if (liason)
                liason->CallUpdateTrackOnPortChanging(to);
        }
    }
    if ((mask & PROP_CHANNEL) && kind != TRACK_CHORDS)
        to->channel = from->channel;
    if (mask & PROP_BANK_MODE)
        to->bankMode = from->bankMode;
    if (mask & (PROP_BANK | PROP_BANK_MODE))
        OnBankChanged(to, from->bank, 0);
    if (mask & PROP_PROGRAM)
        OnProgChanged(to, from->program, 0);
    if (mask & PROP_VOLUME)
        OnVolChanged(to, from->volume, 0);
    if (mask & PROP_PAN)
        OnPanChanged(to, from->pan, 0);
    if (mask & PROP_KEY)
        OnKeyPlChanged(to, from->transpose, 0);
    if (mask & PROP_TIME)
        OnTimePlChanged(to, from->timeOffset, 0);
    UpdateTrack(static_cast<long>(to->GetID()), -1, 0);
}

} // namespace Quorvane
