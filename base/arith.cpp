#include "base/arith.h"

#include <cfenv>
#include <cmath>

namespace Quorvane {

int32_t mulDiv64(int32_t a, int32_t b, int32_t c)
{
    return static_cast<int32_t>(static_cast<int64_t>(a) * b / c);
}

int64_t roundToNearest(double value)
{
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const int64_t result = std::llrint(value);
    std::fesetround(previous);
    return result;
}

} // namespace Quorvane
