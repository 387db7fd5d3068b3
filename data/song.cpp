#include "data/song.h"

#include "data/sound_interfaces.h"
#include "data/track.h"
#include "data/track_audio.h"
#include "data/track_chords.h"
#include "data/track_master.h"
#include "data/track_meltext.h"

#include <algorithm>
#include <new>

namespace Quorvane {

CSong::CSong(const IOPARAMS *newParams, IQuorvaneSoundMngr *manager)
    : soundManager(manager), templateTimeBase(0), templateSampleRate(0)
{
    if (newParams)
        params = *newParams;
    templateTimeBase = params.timeBase;
    templateSampleRate = params.sampleRate;
    syncObject = CLock::PrepareSyncObject();
}

CSong::~CSong()
{
    Clear();
    CLock::UnprepareSyncObject(syncObject);
}

int CSong::SetDefault()
{
    Clear();
    songTract = soundManager ? soundManager->CreateSongTract(this) : nullptr;
    if (!songTract)
        return 0;
    CTrackMaster *track = new (std::nothrow) CTrackMaster(this);
    if (!track || !track->SetDefault() || !InsertTrack(track, 0)) {
        delete track;
        Clear(); // the tract goes back too
        return 0;
    }
    Update();
    return 1;
}

void CSong::Clear()
{
    if (soundManager && songTract)
        soundManager->InactiveSongTract(songTract);
    CChain::Clear(nullptr);
    master = nullptr;
    UpdateEdition();
    CUndo::Clear();
    numTracks = numSelected = 0;
    if (soundManager && songTract)
        soundManager->ReleaseSongTract(songTract);
    songTract = nullptr;
}

void CSong::ZeroSong()
{
    // The tracks leave under the song's lock and are destroyed after it:
    // their drummers and modules go without the lock the render thread
    // plays under.
    CChain leaving;
    {
        CLock lock(syncObject);
        CTrackMaster *track = GetTrackMaster();
        leaving.first = DetachAfter(track);
        if (track) {
            track->CStructArray::Clear();
            track->UpdateParams(0);
        }
        UpdateEdition();
        Update();
    }
}

// --- tracks -------------------------------------------------------------------

int CSong::CanInsert(const CTrack *track) const
{
    if (!track)
        return 0;
    if (track->kind == TRACK_MASTER)
        return track->id == 0 && !GetTrackMaster();
    if (track->id == 0)
        return 0;
    return track->kind != TRACK_CHORDS || !GetTrackChords();
}

int CSong::InsertTrack(CTrack *track, int shiftIds)
{
    if (!CanInsert(track))
        return 0;
    track->song = this;
    InsertSort(track, nullptr);
    auto *following = static_cast<CTrack *>(track->next);
    if (shiftIds || (following && following->id == track->id)) {
        for (CTrack *t = following; t; t = static_cast<CTrack *>(t->next))
            ++t->id;
    }
    UpdateEdition();
    return 1;
}

CTrack *CSong::MakeNewTrack(long kind, long id)
{
    if (kind < TRACK_CHORDS || kind > TRACK_PATTSR)
        return nullptr;
    if (kind == TRACK_CHORDS && GetTrackChords())
        return nullptr;
    if (id < 0) {
        const CChainElem *last = GetLast();
        id = last ? static_cast<long>(static_cast<const CTrack *>(last)->id) + 1 : 1;
    }
    CTrack *track = CreateTrack(kind, static_cast<unsigned long>(id), this);
    if (track && !track->SetDefault()) {
        DestroyTrack(track);
        return nullptr;
    }
    return track;
}

int CSong::LinkNewTrack(CTrack *track)
{
    CLock lock(syncObject);
    if (!InsertTrack(track, 0))
        return 0;
    track->SetSlct(1);
    Update();
    return 1;
}

CTrack *CSong::InsertNewTrack(long kind, long id, int)
{
    CTrack *track = MakeNewTrack(kind, id);
    if (track && !LinkNewTrack(track)) {
        DestroyTrack(track);
        return nullptr;
    }
    return track;
}

CTrack *CSong::DetachTrack(CTrack *track, int shiftIds)
{
    if (!track)
        return nullptr;
    CLock lock(syncObject);
    if (shiftIds) {
        for (auto *t = static_cast<CTrack *>(track->next); t; t = static_cast<CTrack *>(t->next))
            --t->id;
    }
    if (track == master)
        master = nullptr;
    UpdateEdition();
    auto *following = static_cast<CTrack *>(track->next);
    Unlink(track);
    return following;
}

void CSong::DestroyTrack(CTrack *track)
{
    if (!track)
        return;
    // An audio track's output is made for it: it goes with the last track
    // that plays on it.
    void *audioOut = track->kind == TRACK_AUDIO ? track->output : nullptr;
    delete track;
    if (audioOut && songTract && audioOut != songTract->GetOutPreview() && !TrackOn(audioOut))
        DeleteOutPort(audioOut);
}

CTrack *CSong::DeleteTrack(CTrack *track, int shiftIds)
{
    CTrack *following = DetachTrack(track, shiftIds);
    DestroyTrack(track);
    return following;
}

CTrack *CSong::TrackOn(void *out) const
{
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        if (t->output == out)
            return t;
    }
    return nullptr;
}

CTrack *CSong::GetTrack(long id) const
{
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        if (t->id == static_cast<unsigned long>(id))
            return t;
    }
    return nullptr;
}

CTrack *CSong::GetNextTrack(CTrack *after) const
{
    return static_cast<CTrack *>(after ? after->next : first);
}

CTrack *CSong::GetNextTrack(unsigned long kind, CTrack *after) const
{
    for (CTrack *t = GetNextTrack(after); t; t = GetNextTrack(t)) {
        if (t->kind == static_cast<long>(kind))
            return t;
    }
    return nullptr;
}

CTrack *CSong::GetPrevTrack(CTrack *before) const
{
    return static_cast<CTrack *>(before ? before->prev : GetLast());
}

CTrack *CSong::GetNextSelectedTrack(CTrack *after) const
{
    for (CTrack *t = GetNextTrack(after); t; t = GetNextTrack(t)) {
        if (t->IsSlct())
            return t;
    }
    return nullptr;
}

CTrackMaster *CSong::GetTrackMaster() const
{
    return static_cast<CTrackMaster *>(GetNextTrack(TRACK_MASTER, nullptr));
}

CTrack *CSong::GetTrackChords() const
{
    return GetNextTrack(TRACK_CHORDS, nullptr);
}

int CSong::NeedChords() const
{
    return GetNextTrack(TRACK_PATTMIDI, nullptr) || GetNextTrack(TRACK_PATTSR, nullptr);
}

CTrack *CSong::GetTrackForImport(long kind)
{
    for (CTrack *t = GetNextTrack(static_cast<unsigned long>(kind), nullptr); t;
         t = GetNextTrack(static_cast<unsigned long>(kind), t)) {
        // Samples and lyrics count as content too: an import never adds to them.
        const bool content = (kind == TRACK_AUDIO && static_cast<CTrackAudio *>(t)->wave.length) ||
                             (kind == TRACK_MELTEXT && static_cast<CTrackMelText *>(t)->text.GetNumLines());
        if (t->GetNumb() == 0 && !content) {
            t->SetSlct(1);
            return t;
        }
    }
    return InsertNewTrack(kind, numTracks, 0);
}

int CSong::ImportWave(CStorage *storage)
{
    ResetSelection(1, 0);
    Update();
    const long tracksBefore = numTracks;
    auto *track = static_cast<CTrackAudio *>(GetTrackForImport(TRACK_AUDIO));
    if (!track)
        return 0;
    const int ok = track->wave.ImportWave(storage);
    if (!ok && numTracks > tracksBefore && track->wave.length == 0) {
        // A track made for a file that gave nothing is not left behind (nor,
        // with it, the output it was given).
        DeleteTrack(track, 0);
    } else {
        track->UpdateEdition();
        track->UpdateLastTime();
    }
    Update();
    return ok;
}

int CSong::ImportText(CStorage *storage)
{
    ResetSelection(1, 0);
    Update();
    const long tracksBefore = numTracks;
    auto *track = static_cast<CTrackMelText *>(GetTrackForImport(TRACK_MELTEXT));
    if (!track)
        return 0;
    int ok = track->text.CreateFromText(storage);
    if (!ok && numTracks > tracksBefore) {
        DeleteTrack(track, 0); // its output is the shared preview output
    } else {
        ok = track->CheckForSongInfo() && ok;
        track->UpdateEdition();
    }
    Update();
    return ok;
}

void CSong::SelectTrack(CTrack *track, int select, int withEvents)
{
    if (!track)
        return;
    track->SetSlct(select);
    if (!withEvents)
        return;
    for (long i = 0; i < track->GetNumb(); ++i) {
        EVENT *e = track->GetEvent(i);
        e->SetSlct(select && e->time >= selectionStart && e->time < selectionEnd);
    }
    track->UpdateEdition();
}

int CSong::ResetSelection(int tracks, int timeSelection)
{
    int changed = 0;
    int clearedTime = 0;
    if (timeSelection && IsTimeSelection()) {
        SetTimeSelection(-1, -1);
        changed = clearedTime = 1;
    }
    if (tracks) {
        for (CTrack *t = GetNextSelectedTrack(nullptr); t; t = GetNextSelectedTrack(t)) {
            SelectTrack(t, 0, clearedTime);
            changed = 1;
        }
    }
    return changed;
}

int CSong::CheckSolo()
{
    soloMode = 0;
    for (CTrack *t = GetNextTrack(nullptr); t && !soloMode; t = GetNextTrack(t))
        soloMode = t->IsSolo();
    return soloMode;
}

int CSong::DeleteOutPort(void *out)
{
    if (!songTract || !out)
        return 0;
    int used = 0;
    {
        // Playback reads the tracks' outputs under the song's lock; the
        // output itself goes after it, its module freed without it.
        CLock lock(syncObject);
        for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
            if (t->output == out) {
                t->output = songTract->GetOutPreview();
                used = 1;
            }
        }
        for (long i = 0; i < sysEx.GetNumb(); ++i) {
            if (sysEx.GetAt(i)->port == out)
                sysEx.GetAt(i)->port = nullptr;
        }
    }
    songTract->DeleteOut(out);
    return used;
}

int CSong::UpdateNodes()
{
    auto *chords = static_cast<CTrackChords *>(GetTrackChords());
    int ok = 1;
    for (CTrack *t = GetNextTrack(TRACK_MELTEXT, nullptr); t; t = GetNextTrack(TRACK_MELTEXT, t))
        ok &= static_cast<CTrackMelText *>(t)->UpdateNodes(chords);
    return ok;
}

int CSong::GetDefMIDIOut(PORTDESCR *)
{
    return 0;
}

int CSong::Update()
{
    long tracks = 0, selected = 0, end = 0;
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        ++tracks;
        selected += t->IsSlct();
        end = std::max(end, t->lastTime);
    }
    long rangeEnd;
    if (CTrackMaster *m = GetTrackMaster()) {
        long bar, beat, tick;
        m->GetMBTFromTime(end, bar, beat, tick);
        if (beat || tick)
            end = m->GetTimeFromMBT(++bar, 0, 0);
        rangeEnd = m->GetTimeFromMBT(bar + kPlayRangeBars, 0, 0);
    } else {
        end = (end + kBarWithoutMaster - 1) / kBarWithoutMaster * kBarWithoutMaster;
        rangeEnd = end + kPlayRangeBars * kBarWithoutMaster;
    }
    const int changed = tracks != numTracks || end != songEnd || rangeEnd != playRangeEnd;
    numTracks = tracks;
    numSelected = selected;
    songEnd = end;
    playRangeEnd = rangeEnd;
    return changed;
}

int CSong::UpdateIOParams(const IOPARAMS *newParams)
{
    if (!newParams)
        return 0;
    const long oldBase = params.timeBase, oldRate = params.sampleRate;
    params = *newParams;
    templateTimeBase = params.timeBase;
    templateSampleRate = params.sampleRate;
    CTrackMaster *m = GetTrackMaster();
    if (m && !m->UpdateParams(0))
        return 0;
    if (oldBase == params.timeBase && oldRate == params.sampleRate)
        return 1;
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        if (!t->ChangeTimebase(UsableTimeBase(oldBase), UsableTimeBase(params.timeBase)) ||
            !t->ChangeSPS(UsableSampleRate(oldRate), UsableSampleRate(params.sampleRate)))
            return 0;
    }
    // The master's events moved with the new time base: its maps follow.
    return !m || m->UpdateParams(0);
}

int CSong::SetTimeSelection(long start, long end)
{
    if (start == selectionStart && end == selectionEnd)
        return 0;
    CLock lock(syncObject);
    selectionStart = start;
    selectionEnd = end;
    return 1;
}

void CSong::SetUpdateModifiedFn(UpdateModifiedFn fn, ULONG_PTR user)
{
    updateModifiedFn = fn;
    updateModifiedUser = user;
}

void CSong::SetLoopFlipFn(LoopFlipFn fn, ULONG_PTR user)
{
    loopFlipFn = fn;
    loopFlipUser = user;
}

void CSong::SetPlaySPtrCallback(PlayPositionFn fn, void *user)
{
    playPositionFn = fn;
    playPositionUser = user;
}

int CSong::StoreTempUndo(char *, long what)
{
    if (what == UNDO_SONG || what == UNDO_ROUTING)
        return 1;
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        if (what == UNDO_ALL_TRACKS || t->id == static_cast<unsigned long>(what))
            t->UpdateEdition();
    }
    return 1;
}

} // namespace Quorvane
