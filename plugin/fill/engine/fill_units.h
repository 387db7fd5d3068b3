// Time arithmetic of the fill: fill length and punch points are kept in fill
// units (240 to the quarter) and turned into host ticks when they are used.
// Everything goes through 64 bits and is clamped, so a huge measure number or
// a strange host resolution can neither overflow nor divide by zero.
#pragma once

#include "plugin/framework/midi/tick_math.h"

#include <cstdint>

namespace Quorvane {

constexpr int32_t kFillUnitsPerQuarter = 240;
// Fill lengths are whole 4/4 bars.
constexpr int32_t kFillUnitsPerBar = 4 * kFillUnitsPerQuarter;

// value x resolution / 240; a zero or a resolution of exactly 240 stays.
constexpr int64_t fillUnitsToTicks64(int32_t value, int32_t ticksPerQuarter)
{
    const int32_t resolution = usableResolution(ticksPerQuarter);
    if (value == 0 || resolution == kFillUnitsPerQuarter)
        return value;
    return static_cast<int64_t>(value) * resolution / kFillUnitsPerQuarter;
}

constexpr int32_t fillUnitsToTicks(int32_t value, int32_t ticksPerQuarter)
{
    return clampToInt32(fillUnitsToTicks64(value, ticksPerQuarter));
}

// ticks x 240 / resolution.
constexpr int32_t ticksToFillUnits(int64_t ticks, int32_t ticksPerQuarter)
{
    return clampToInt32(ticks * kFillUnitsPerQuarter / usableResolution(ticksPerQuarter));
}

// The host tick of beat 1 of a 1-based measure in plain 4/4.
constexpr int32_t plainMeasureStart(int32_t measure, int32_t ticksPerQuarter)
{
    return clampToInt32((static_cast<int64_t>(measure) - 1) * 4 * usableResolution(ticksPerQuarter));
}

} // namespace Quorvane
