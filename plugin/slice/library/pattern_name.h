// What a pattern file's name tells about it. After the last backslash a
// name that holds '#' carries fields separated by '_': the first number, the
// second number (the pattern's strokes), a step signature of up to 16
// characters ('1' a stroke, '2' its second sound, such as an open hat) and
// the level number; a field ends at '_', at '#' or at the end of the name.
#pragma once

#include "plugin/framework/midi/midi_track.h"

#include <cstdint>
#include <string>

namespace Quorvane::LoopSlice {

constexpr int kStepCount = 16;
// Second and level numbers index 32-bit masks.
constexpr int32_t kMaxPatternNumber = 31;

// Step i of the measure is bit 15 - i of a step mask.
constexpr uint16_t stepBit(int step)
{
    return static_cast<uint16_t>(1u << (kStepCount - 1 - step));
}

struct PatternName {
    int32_t first = 0;
    int32_t second = 0;      // 0..31
    uint16_t firstMask = 0;  // steps written "1"
    uint16_t secondMask = 0; // steps written "2"
    int32_t secondSteps = 0; // the count of "2" steps
    int32_t level = 0;       // 0..31

    bool operator==(const PatternName &) const = default;
};

// The properties of a pattern's name; all zero for a name without '#'.
PatternName parsePatternName(const std::string &path);

// The field after skipping n fields of the name after the last backslash;
// empty when the name has fewer fields.
std::string nameField(const std::string &path, int n);

// The number of whole or started measures of a track: its last event's end
// over the measure its time signature makes (a zero numerator or
// denominator counts as 4/4, a resolution of 0 or less as 480).
int32_t measureCount(const CMidiTrack &track);

} // namespace Quorvane::LoopSlice
