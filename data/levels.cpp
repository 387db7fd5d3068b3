#include "data/levels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Quorvane {

float DBFromVal(float x)
{
    return 20.0f * std::log10(std::fabs(x));
}

float ValFromDB(float x)
{
    return std::pow(10.0f, x * 0.05f);
}

char *StringDB(float x, char *buffer)
{
    if (!buffer)
        return buffer;
    if (std::fabs(x) < 0.01f)
        std::sprintf(buffer, "-inf");
    else
        std::sprintf(buffer, "%.1f db", DBFromVal(x));
    return buffer;
}

namespace {

const float *minMax(const float *samples, unsigned long count, unsigned long stride, float &min, float &max)
{
    min = 1.0f;
    max = -1.0f;
    if (!samples)
        return samples;
    for (unsigned long i = 0; i < count; ++i, samples += stride) {
        min = std::min(min, *samples);
        max = std::max(max, *samples);
    }
    return samples;
}

} // namespace

const float *GetMinMax1(const float *samples, unsigned long count, float &min, float &max)
{
    return minMax(samples, count, 1, min, max);
}

const float *GetMinMax2(const float *samples, unsigned long count, float &min, float &max)
{
    return minMax(samples, count, 2, min, max);
}

void GetAbsMax(const float *samples, unsigned long frames, float &left, float &right)
{
    left = right = 0.0f;
    for (unsigned long i = 0; samples && i < frames; ++i) {
        left = std::max(left, std::fabs(samples[2 * i]));
        right = std::max(right, std::fabs(samples[2 * i + 1]));
    }
}

} // namespace Quorvane
