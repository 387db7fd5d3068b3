// The converter variants inside Corvadel and the rounding rule they share.
#pragma once

#include "data/sample_conv.h"

#include <cmath>
#include <cstdint>

namespace Quorvane {

extern const SAMPLECONVTABLE sampleConvPlain;
extern const SAMPLECONVTABLE sampleConvSse2;

// Rounds a scaled sample to the nearest integer (ties to even, the
// processor's default mode) and holds it within [low, high].
inline int32_t RoundToWidth(float scaled, int32_t low, int32_t high)
{
    const double rounded = std::nearbyint(static_cast<double>(scaled));
    if (rounded >= static_cast<double>(high))
        return high;
    if (rounded <= static_cast<double>(low))
        return low;
    return static_cast<int32_t>(rounded);
}

// One float sample to an integer of [low, high]: clamped to the block's
// bounds (not-a-number counts as silence), scaled and rounded.
inline int32_t FloatSampleToInt(const CONVPARAMS *p, float sample, int32_t low, int32_t high)
{
    if (!(sample == sample))
        sample = 0.0f;
    sample = sample < p->minima[0] ? p->minima[0] : (sample > p->maxima[0] ? p->maxima[0] : sample);
    return RoundToWidth(sample * p->scale[0], low, high);
}

// Three bytes, low byte first, sign-extended.
inline int32_t Load24(const unsigned char *p)
{
    const uint32_t word = uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24;
    return static_cast<int32_t>(word) >> 8;
}

inline void Store24(unsigned char *p, int32_t value)
{
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
}

} // namespace Quorvane
