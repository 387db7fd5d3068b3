#include "sound/sample_convert.h"

#include <cmath>
#include <cstring>

namespace Quorvane {

namespace {

// Not-a-number reads as silence.
inline double clamped(float sample)
{
    if (!(sample == sample))
        return 0.0;
    return sample > 1.0f ? 1.0 : sample < -1.0f ? -1.0 : sample;
}

template <typename T> inline T scaled(float sample, double scale, double largest)
{
    const double value = std::nearbyint(clamped(sample) * scale);
    return static_cast<T>(value > largest ? largest : value);
}

} // namespace

void FloatToInt16(const float *in, void *out, long count)
{
    auto *target = static_cast<int16_t *>(out);
    for (long i = 0; i < count; ++i)
        target[i] = scaled<int16_t>(in[i], 32767.0, 32767.0);
}

void FloatToInt24(const float *in, void *out, long count)
{
    auto *target = static_cast<uint8_t *>(out);
    for (long i = 0; i < count; ++i) {
        const int32_t value = scaled<int32_t>(in[i], 8388607.0, 8388607.0);
        target[3 * i] = static_cast<uint8_t>(value);
        target[3 * i + 1] = static_cast<uint8_t>(value >> 8);
        target[3 * i + 2] = static_cast<uint8_t>(value >> 16);
    }
}

void FloatToInt32(const float *in, void *out, long count)
{
    auto *target = static_cast<int32_t *>(out);
    for (long i = 0; i < count; ++i)
        target[i] = scaled<int32_t>(in[i], 2147483648.0, 2147483647.0);
}

} // namespace Quorvane
