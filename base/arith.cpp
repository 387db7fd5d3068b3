#include "base/arith.h"

#include <cmath>

namespace Quorvane {

int32_t mulDiv64(int32_t a, int32_t b, int32_t c)
{
    return static_cast<int32_t>(static_cast<int64_t>(a) * b / c);
}

int64_t roundToNearest(double value)
{
    // Rounds the magnitude by hand: floor and the subtraction of a number's
    // own integer part are exact in every rounding mode, so the mode in force
    // neither matters nor needs switching (switching it is slow).
    const double magnitude = std::fabs(value);
    double whole = std::floor(magnitude);
    const double fraction = magnitude - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    const int64_t rounded = static_cast<int64_t>(whole);
    return value < 0 ? -rounded : rounded;
}

} // namespace Quorvane
