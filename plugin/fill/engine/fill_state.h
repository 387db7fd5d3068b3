// One fill as the engine plays it: what a LoopSnapshot stores (the pattern
// names, punch points, zones, swing, quantize and velocity settings, the
// envelope, the source track) and what is made from it when the fill is
// prepared (fill length, input mask, the ten parts).
//
// The live fill is the engine's own; its parts are in the loopers. A quick
// pad keeps its fill prepared aside, so that switching to it on the host's
// thread only swaps: nothing is read, nothing is allocated.
#pragma once

#include "plugin/fill/looper/looper_part.h"
#include "plugin/framework/drums/velocity_envelope.h"
#include "plugin/framework/midi/midi_track.h"

#include <array>
#include <cstdint>
#include <string>

namespace Quorvane {

constexpr int kFillParts = 10;

struct FillSettings {
    FillSettings();

    // The pattern file: folder relative to the Fills folder (in the one form
    // canonicalPatternFolder gives) and file name.
    std::string patternFolder;
    std::string patternFile;
    // Fill units (240 ticks per quarter) from the fill start; -1 = none.
    int32_t punchIn = -1;
    int32_t punchOut = 960;
    int32_t preZone = 1;
    int32_t maskMode = 0;
    int32_t afterZone = 1;
    int32_t swingPc = 0;
    int32_t swingDurIdx = 2;
    int32_t quantizeDur = 32;
    int32_t veloDyn = 0;
    int32_t veloCenterPc = 0;
    bool quantizeOn = false;
    uint8_t remap[128];
    VelocityEnvelope envelope;
    // The pattern as read from its file, or embedded in the state.
    CMidiTrack source;
    bool trackLoaded = false;
    bool sourceModified = false;
    bool embedded = false;

    // Made from the parts.
    int32_t fillLength = 960; // fill units, whole 4/4 bars
    uint8_t inputMask[128];
};

// A fill held aside with its ten parts.
struct Fill {
    FillSettings settings;
    std::array<LooperPart, kFillParts> parts;
};

} // namespace Quorvane
