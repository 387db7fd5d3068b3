// Float samples (full scale -1.0 .. 1.0) to the integer sample formats of
// devices: clamped, scaled by 32767, 8388607 or 2147483648, rounded to the
// nearest integer (ties to even) and kept inside the width.
#pragma once

#include <cstdint>

namespace Quorvane {

void FloatToInt16(const float *in, void *out, long count);
// Three bytes a sample, low byte first.
void FloatToInt24(const float *in, void *out, long count);
void FloatToInt32(const float *in, void *out, long count);

} // namespace Quorvane
