// Tick arithmetic the drummers share: a host resolution they can count
// with, and 64-bit results brought back into 32 bits without wrapping.
#pragma once

#include <cstdint>
#include <limits>

namespace Quorvane {

// What a resolution of 0 or less stands for.
constexpr int32_t kFallbackResolution = 480;

constexpr int32_t usableResolution(int32_t ticksPerQuarter)
{
    return ticksPerQuarter > 0 ? ticksPerQuarter : kFallbackResolution;
}

constexpr int32_t clampToInt32(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// ticks at one resolution in another (both made usable), in 64 bits;
// rounds toward zero.
constexpr int64_t convertTicks(int64_t ticks, int32_t from, int32_t to)
{
    const int32_t source = usableResolution(from);
    const int32_t target = usableResolution(to);
    return source == target ? ticks : ticks * target / source;
}

} // namespace Quorvane
