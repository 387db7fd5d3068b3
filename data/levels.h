// Levels of float audio (full scale 1.0): decibels and peak searches.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

// 20 * log10(|x|).
CORVADEL_API float DBFromVal(float x);
// 10 ^ (x / 20).
CORVADEL_API float ValFromDB(float x);
// "-inf" below 0.01, else "%.1f db" of the level in decibels.
CORVADEL_API char *StringDB(float x, char *buffer);
// Minimum and maximum of count samples, starting from 1 and -1; returns the
// pointer past them.
CORVADEL_API const float *GetMinMax1(const float *samples, unsigned long count, float &min, float &max);
// The same over one channel of count interleaved stereo frames.
CORVADEL_API const float *GetMinMax2(const float *samples, unsigned long count, float &min, float &max);
// Peak absolute value of each channel of interleaved stereo frames.
CORVADEL_API void GetAbsMax(const float *samples, unsigned long frames, float &left, float &right);

} // namespace Quorvane
