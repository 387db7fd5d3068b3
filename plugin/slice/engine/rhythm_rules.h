// The rhythm composer's rules: 37 musical rules over the 16-step masks of
// the six slices, which tell whether a combination of loops sounds right.
// Each rule blames the slices it concerns; a rule none of whose slices is
// tested is skipped.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Quorvane::LoopSlice {

constexpr int kSliceCount = 6;
// Slices by index, and their bits (1 << index).
constexpr int kKick = 5;
constexpr int kSnare = 4;
constexpr int kCymbal = 3;
constexpr uint32_t kKickBit = 1u << kKick;
constexpr uint32_t kSnareBit = 1u << kSnare;
constexpr uint32_t kCymbalBit = 1u << kCymbal;
// Percussion 1, 2 and 3 are the slices 0, 1 and 2.
constexpr uint32_t kPercussion1Bit = 1;
constexpr uint32_t kPercussion2Bit = 2;
constexpr uint32_t kPercussion3Bit = 4;
constexpr uint32_t kAllSlices = (1u << kSliceCount) - 1;

struct RuleMasks {
    // Steps of each slice (bit 15 - step); a muted percussion layer is 0.
    std::array<uint16_t, kSliceCount> slices{};
    // The cymbal's second sound (open hat).
    uint16_t openHat = 0;
    // The percussion layer (0..2) that plays the hand clap, -1 for none.
    int clapLayer = -1;
    // The engine's swing duration index 0..4: 0 straight, 1 swung eighths,
    // 2 sixteenths.
    int grid = 0;
};

struct RuleVerdict {
    int count = 0;          // violated rules
    std::string text;       // their texts joined by '|', in rule order
    uint32_t offending = 0; // the tested slices the violated rules blame
};

// The rules over the tested slices (a set of slice bits).
RuleVerdict checkRules(const RuleMasks &masks, uint32_t tested);

// A 16-step mask rotated right by n steps within 16 bits.
constexpr uint16_t rotateStepMask(uint16_t mask, int n)
{
    return static_cast<uint16_t>(((mask << (16 - n)) & 0xFFFF) | (mask >> n));
}

} // namespace Quorvane::LoopSlice
