#include "plugin/framework/drums/swing.h"

#include <algorithm>

namespace Quorvane {

int64_t swingAmount(int32_t percent, int64_t unit)
{
    return int64_t(std::clamp<int32_t>(percent, 0, 100)) * (unit / 2) / 100;
}

int64_t swingTime(int64_t p, int64_t unit, int64_t amount)
{
    if (unit < 1 || amount == 0)
        return p;
    const int64_t k = p / unit;
    const int64_t base = k * unit;
    const int64_t r = p - base;
    if (k % 2 == 0)
        return base + r * (unit + amount) / unit;
    return base + amount + r * (unit - amount) / unit;
}

} // namespace Quorvane
