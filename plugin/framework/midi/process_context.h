// What a drummer engine plays into: the real-time plug-in object, or an
// off-line process that collects the events for a file. It also converts
// between ticks and bar, beat and tick.
#pragma once

#include "plugin/framework/midi/midi_track.h"

#include <cstdint>

namespace Quorvane {

class ProcessContext {
public:
    virtual ~ProcessContext() = default;

    virtual void emitEvent(const CMidiTrack::Event &event) = 0;
    // Bars and beats count from 1.
    virtual int32_t toTime(int32_t bar, int32_t beat, int32_t tick) = 0;
    // Returns the bar; each out pointer may be null.
    virtual int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) = 0;
    // The next beat start at or after ticks; a beat past beatLimit moves to
    // beat 1 of the next bar (with a limit of 1: the next bar line).
    virtual int32_t roundUpToBeat(int32_t ticks, int32_t beatLimit);

    int32_t getResolution() const { return resolution_; }
    void setResolution(int32_t ticksPerQuarter) { resolution_ = ticksPerQuarter; }

protected:
    int32_t resolution_ = 240; // ticks per quarter
};

} // namespace Quorvane
