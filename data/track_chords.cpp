#include "data/track_chords.h"
#include "data/track_meltext.h"

#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"

#include <algorithm>

namespace Quorvane {

long FindSpecialAtTime(const CEventArray &events, SpecialEventFn isKind, long &cache, long tick, long endTick)
{
    const long n = events.GetNumb();
    if (n == 0)
        return -1;
    long i = std::clamp<long>(cache, 0, n - 1);
    while (i > 0 && !((events.GetEvent(i)->*isKind)() && events.GetEvent(i)->time <= tick))
        --i;
    long found = -1;
    for (; i < n; ++i) {
        const EVENT *e = events.GetEvent(i);
        if (e->time > endTick)
            break;
        if ((e->*isKind)()) {
            found = i;
            if (e->time >= tick)
                break;
        } else if (e->time > tick) {
            break;
        }
    }
    if (found >= 0)
        cache = found;
    return found;
}

long NextBarStart(CSong *song, long tick)
{
    CTrackMaster *master = song ? song->GetTrackMaster() : nullptr;
    if (!master)
        return (tick / kBarWithoutMaster + 1) * kBarWithoutMaster;
    long bar, beat, inBeat;
    master->GetMBTFromTime(tick, bar, beat, inBeat);
    return master->GetTimeFromMBT(bar + 1, 0, 0);
}

namespace {

// Sets the defaults of the chord and melody tracks: the base's, then the
// track's name, flags and the tract's preview output.
int setSpecialDefaults(CTrack &track, const char *name, unsigned long flags)
{
    track.CTrack::SetDefault();
    track.CStructArray::Clear();
    if (!track.SetName(name))
        return 0;
    track.flags = flags;
    IQuorvaneSongTract *tract = track.song ? track.song->GetSongTract() : nullptr;
    track.output = tract ? tract->GetOutPreview() : nullptr;
    return track.output != nullptr;
}

// Makes sure the first event of the kind lies at tick 0 (adding pause
// there) and drops every pause that follows another pause.
int checkPauses(CTrack &track, SpecialEventFn isKind, const EVENT &pause)
{
    bool atZero = false;
    for (long i = 0; i < track.GetNumb() && !atZero; ++i) {
        const EVENT *e = track.GetEvent(i);
        if ((e->*isKind)())
            atZero = e->time == 0;
    }
    int changed = 0;
    if (!atZero) {
        EVENT first = pause;
        first.time = 0;
        if (!track.AddToTail(&first, 1))
            return 0;
        track.Sort();
        changed = 1;
    }
    bool lastWasPause = false;
    bool marked = false;
    for (long i = 0; i < track.GetNumb(); ++i) {
        EVENT *e = track.GetEvent(i);
        if (!(e->*isKind)())
            continue;
        const bool isPause = e->value == 0;
        if (isPause && lastWasPause) {
            e->SetDelt();
            marked = true;
        }
        lastWasPause = isPause;
    }
    if (marked)
        track.Erase();
    if (changed || marked)
        track.UpdateEdition();
    return 1;
}

// The later of the last event's time and, when the last event of the kind
// sounds, the start of the bar after it.
int updateLastTimeToBar(CTrack &track, SpecialEventFn isKind, bool (*sounds)(const EVENT &))
{
    long end = track.GetNumb() ? track.GetEvent(track.GetNumb() - 1)->time : 0;
    for (long i = track.GetNumb() - 1; i >= 0; --i) {
        const EVENT *e = track.GetEvent(i);
        if (!(e->*isKind)())
            continue;
        if (sounds(*e))
            end = std::max(end, NextBarStart(track.song, e->time));
        break;
    }
    const int changed = end != track.lastTime;
    track.lastTime = end;
    return changed;
}

// The event at index becomes a pause when it sounds a note (or root) in
// low..high; 1 when it did.
int pauseInRange(CTrack &track, long index, long (EVENT::*noteOf)() const, long low, long high)
{
    if (index < 0)
        return 0;
    EVENT *e = track.GetEvent(index);
    const long note = (e->*noteOf)();
    if (e->value == 0 || note < low || note > high)
        return 0;
    e->value = 0;
    track.UpdateEdition();
    return 1;
}

} // namespace

int CTrackChords::SetDefault()
{
    if (!setSpecialDefaults(*this, "Chords", TRACK_MUTE | TRACK_USES))
        return 0;
    output2 = output;
    EVENT pause;
    pause.setChord(0);
    // Volume 100 and pan 64 go into controllers at tick 0, before the pause.
    return AddToTail(&pause, 1) && CheckVolPanChanged(0);
}

int CTrackChords::HaveData()
{
    const auto isPause = [](const EVENT *e) { return e->IsChord() && e->value == 0; };
    switch (count) {
    case 0:
        return 0;
    case 1:
        return !(GetEvent(0)->IsCtrl(7) || isPause(GetEvent(0)));
    case 2:
        return !(isPause(GetEvent(0)) || isPause(GetEvent(1)));
    default:
        return 1;
    }
}

int CTrackChords::UpdateLastTime()
{
    return updateLastTimeToBar(*this, &EVENT::IsChord, [](const EVENT &e) { return e.value != 0; });
}

int CTrackChords::CheckInitial(int)
{
    EVENT pause;
    pause.setChord(0);
    return checkPauses(*this, &EVENT::IsChord, pause);
}

long CTrackChords::GetChordAtTime(long tick, long endTick)
{
    return FindSpecialAtTime(*this, &EVENT::IsChord, cache, tick, endTick);
}

long CTrackChords::GetNextChord(long index) const
{
    for (long i = std::max<long>(index + 1, 0); i < count; ++i) {
        if (GetEvent(i)->IsChord())
            return i;
    }
    return -1;
}

int CTrackChords::SetPauseByRange(long from, long to, long low, long high)
{
    return pauseInRange(*this, GetChordAtTime(from, to), &EVENT::getChordNote, low, high);
}

// --- melody and lyrics ----------------------------------------------------------

int CTrackMelText::SetDefault()
{
    if (!setSpecialDefaults(*this, "Lyric", TRACK_USES))
        return 0;
    channel = 0;
    EVENT pause;
    pause.setMelody(-1);
    return AddToTail(&pause, 1);
}

int CTrackMelText::HaveData()
{
    if (count > 1 || text.GetNumLines() > 0)
        return 1;
    if (count == 0)
        return 0;
    return !(GetEvent(0)->IsMelody() && GetEvent(0)->value == 0);
}

int CTrackMelText::UpdateLastTime()
{
    return updateLastTimeToBar(*this, &EVENT::IsMelody,
                               [](const EVENT &e) { return (e.value & 0xFFFF) != 0; });
}

int CTrackMelText::CheckInitial(int)
{
    EVENT pause;
    pause.setMelody(-1);
    return checkPauses(*this, &EVENT::IsMelody, pause);
}

long CTrackMelText::GetMelodyAtTime(long tick, long endTick)
{
    return FindSpecialAtTime(*this, &EVENT::IsMelody, cache, tick, endTick);
}

int CTrackMelText::SetPauseByRange(long from, long to, long low, long high)
{
    return pauseInRange(*this, GetMelodyAtTime(from, to), &EVENT::getMelodyNote, low, high);
}

int CTrackMelText::UpdateNodes(CTrackChords *chords)
{
    if (!timeNodes.Build(chords, this))
        return 0;
    text.CheckNumNodes(timeNodes.GetNumb());
    return 1;
}

TIMENODE *CTrackMelText::GetTimeNode(long line, long index)
{
    return timeNodes.GetNode(text.GetTextNodeByDivider(line, index));
}

} // namespace Quorvane
