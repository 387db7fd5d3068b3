// Converting tick values between two resolutions in 64 bits, so neither a
// long song nor a fine resolution overflows, with results held to 32 bits.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

namespace Quorvane {

inline int32_t ClampTicks(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// value * to / from, rounded half up (toward +infinity on a tie). from > 0.
inline int32_t ScaleTicks(int64_t value, int64_t to, int64_t from)
{
    const int64_t twice = 2 * value * to + from;
    const int64_t denominator = 2 * from;
    int64_t quotient = twice / denominator;
    if (twice % denominator != 0 && twice < 0)
        --quotient; // floor for negative values
    return ClampTicks(quotient);
}

// value * to / from, truncated. from > 0.
inline int32_t ScaleTicksDown(int64_t value, int64_t to, int64_t from)
{
    return ClampTicks(value * to / from);
}

} // namespace Quorvane
