// What a slice needs of the engine that owns it. The engine implements it;
// tests implement it with fakes.
#pragma once

#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/velo_transformer.h"
#include "plugin/framework/midi/midi_track.h"

#include <cstdint>
#include <string>

namespace Quorvane {
class PatternTree;
class HumanizeRandom;
} // namespace Quorvane

namespace Quorvane::LoopSlice {

class Looper;

class SliceHost {
public:
    // ---- Read while slices play (any thread): plain reads, no locks.
    virtual int32_t swingPercent() const = 0;       // 0..100
    virtual int32_t swingDurationIndex() const = 0; // 0..4
    virtual bool quantizeOn() const = 0;
    virtual int32_t humanizeRange() const = 0; // 0..127
    // The engine's drum map, applied before a slice's own.
    virtual const DrumMap &drumMap() const = 0;
    virtual VelocityMapInputs velocityInputs() const = 0;
    // Whether some slice is soloed: then only soloed slices play.
    virtual bool soloActive() const = 0;

    // ---- Window thread.
    // The pattern library; null before the first engine attached.
    virtual const PatternTree *patternTree() const = 0;
    // The generator of pattern draws.
    virtual HumanizeRandom &drawRandom() = 0;
    // Whether the open editor panels let edited slices change.
    virtual bool mayChangePatterns() = 0;
    // Composes a new pattern for one slice.
    virtual void composeSlice(Looper &looper) = 0;
    // Whether the slice's pattern breaks a rule with the others.
    virtual bool violatesRules(const Looper &looper) = 0;
    // The engine's change notification, with its label.
    virtual void somethingChanged(const char *label) = 0;
    // Plays one event at once (a preview of a slice's sound).
    virtual void previewEvent(const CMidiTrack::Event &event) = 0;

protected:
    ~SliceHost() = default;
};

} // namespace Quorvane::LoopSlice
