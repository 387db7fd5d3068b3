// The chord track: chord events (special type 14; value 0 a pause) that the
// song's chord-following instruments play, muted by default.
#pragma once

#include "data/corvadel_api.h"
#include "data/track.h"

namespace Quorvane {

// The walk that finds the chord or melody event sounding in a range: from
// the index found last time, the first such event that starts inside
// tick..endTick when no other event after tick comes before it, else the
// last one at or before tick; -1 when none.
using SpecialEventFn = int (EVENT::*)() const;
CORVADEL_API long FindSpecialAtTime(const CEventArray &events, SpecialEventFn isKind, long &cache, long tick,
                                    long endTick);
// The tick where the bar after the one holding tick starts.
CORVADEL_API long NextBarStart(CSong *song, long tick);

class CORVADEL_API CTrackChords : public CTrack {
public:
    CTrackChords(unsigned long id, CSong *song) : CTrack(id, TRACK_CHORDS, song) {}

    // "Chords", muted and use-S, volume, pan and a pause at tick 0, the
    // tract's preview output.
    int SetDefault() override;
    // 0 when only the defaults are there.
    int HaveData() override;
    // The last event, or the next bar after a last chord that sounds.
    int UpdateLastTime() override;
    // A chord event at tick 0 and no pause right after another.
    int CheckInitial(int adjustChannel) override;

    long GetChordAtTime(long tick, long endTick);
    // The index of the next chord event after index (-1: from the start);
    // -1 when none.
    long GetNextChord(long index) const;
    // The chord GetChordAtTime (from, to) finds becomes a pause when its root
    // lies in low..high; 1 when it did.
    int SetPauseByRange(long from, long to, long low, long high);
    // Playback: chords and the wrapped channel messages.
    int OnStartPlayback() override;
    void AskPlayback(ASKPLAYBACK *cell) override;

    long chordNow = -1;
    void *output2 = nullptr;
    long cache = 0;
};

} // namespace Quorvane
