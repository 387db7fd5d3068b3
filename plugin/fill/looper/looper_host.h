// What a looper needs of the fill engine that owns it. The engine implements
// this; tests implement it with fakes.
#pragma once

#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/process_context.h"

#include <cstdint>
#include <string>

class DrumMap;

namespace Quorvane {

class Looper;
class LooperView;

class LooperHost {
public:
    virtual ~LooperHost() = default;

    // ---- Read by Looper::play on the host's real-time thread: plain reads,
    // no locks, no allocation.

    // The engine as a process context. Loop passes count from the fill start
    // when play runs against it, from 0 against any other context.
    virtual const ProcessContext *engineContext() const = 0;
    // Host ticks of the fill bar's first tick.
    virtual int32_t fillStart() const = 0;
    // Fill length, punch-in and punch-out in fill units (240 ticks per
    // quarter); punch-in -1 = none.
    virtual int32_t fillLength() const = 0;
    virtual int32_t punchIn() const = 0;
    virtual int32_t punchOut() const = 0;
    // Swing amount 0..100 and grid index 0..4 (the grid is 2^index per
    // quarter).
    virtual int32_t swingPercent() const = 0;
    virtual int32_t swingGridIndex() const = 0;
    // Humanize range 0..127: each note's velocity moves by up to this much.
    virtual int32_t humanizeVelocity() const = 0;
    // The engine's output drum map, applied before the looper's own.
    virtual const DrumMap &drumMap() const = 0;

    // ---- Window thread.

    // Velocity settings the looper's velocity map is built from.
    virtual int32_t velocityDynamics() const = 0;      // -100..200
    virtual int32_t velocityCentrePercent() const = 0; // -100..100
    virtual int32_t minOutputVelocity() const = 0;
    virtual int32_t maxOutputVelocity() const = 0;
    // The softest velocity the event pictures tell apart.
    virtual int32_t displayMinVelocity() const = 0;

    // The engine's region at a host time: 0 outside the fill bar's zones.
    virtual int region(int32_t time) = 0;

    // The engine's something-changed operation, with a diagnostic label.
    virtual void somethingChanged(const char *label) = 0;
    virtual void wantPlaySolo(Looper &looper) = 0;
    virtual void wantNotesOffSolo(Looper &looper) = 0;
    virtual void updateInputMask() = 0;
    virtual void refreshViews() = 0;
    // Rebuilds the fill from the source track (LoadAndRearrange).
    virtual void loadAndRearrange(bool notify) = 0;
    // A looper's pattern was edited by hand: the source track is from now on
    // loaded, modified and embedded in the engine state.
    virtual void markSourceEdited() = 0;
    // The engine's preview-event operation.
    virtual void previewEvent(const CMidiTrack::Event &event) = 0;
    // Status line of the engine's views.
    virtual void showStatus(const std::string &text) = 0;

    // Makes the view of a looper on its first request; the looper owns and
    // deletes it. Without a user interface there is none.
    virtual LooperView *createLooperView(Looper &, int /*index*/) { return nullptr; }
};

} // namespace Quorvane
