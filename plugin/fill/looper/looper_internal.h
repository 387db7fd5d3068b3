// Small helpers shared by the looper's source files.
#pragma once

#include "plugin/fill/looper/looper.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace Quorvane::looper_detail {

inline int32_t clampTo32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Ticks per quarter of 0 or less count as 480.
inline int32_t usableResolution(int32_t ticksPerQuarter)
{
    return ticksPerQuarter > 0 ? ticksPerQuarter : Looper::kFallbackResolution;
}

inline int32_t clampVelocity(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 1, 127));
}

} // namespace Quorvane::looper_detail
