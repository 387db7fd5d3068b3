// Integer arithmetic shared by the plug-ins.
#pragma once

#include <cstdint>

namespace Quorvane {

// a * b / c in 64 bits, truncated toward zero. The caller guarantees c != 0
// and a quotient that fits in 32 bits.
int32_t mulDiv64(int32_t a, int32_t b, int32_t c);

// Nearest integer, ties to even, whatever the rounding mode in force (which
// is left as it was).
int64_t roundToNearest(double value);

} // namespace Quorvane
