#include "synth/preview/drum_map.h"

namespace Quorvane {

namespace {

constexpr int kFirstNote = 35;
constexpr int kLastNote = 81;

// Notes 35..81.
const unsigned char kDrumSounds[kLastNote - kFirstNote + 1] = {
    0, 0, 1, 1, 2, 1, 0, 2, 0, 2, // 35..44
    0, 2, 0, 0, 2, 1, 2, 2, 2, 1, // 45..54
    2, 1, 2, 2, 2, 1, 1, 1, 1, 1, // 55..64
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, // 65..74
    1, 1, 1, 1, 1, 1, 1,          // 75..81
};

} // namespace

int PreviewDrumSound(int note)
{
    return (note >= kFirstNote && note <= kLastNote) ? kDrumSounds[note - kFirstNote] : 0;
}

} // namespace Quorvane
