// Block converters between 32-bit float samples (full scale -1.0 .. 1.0, the
// engine's and the wave store's format) and the integer samples of WAVE files
// and sound devices. The render thread runs them once per buffer: they never
// allocate, and one parameter block serves every call.
//
// Integer to float: out = scale * sample (24-bit samples are 3 bytes, low
// byte first, sign-extended). Float to integer: the sample is clamped to the
// block's bounds (a not-a-number sample counts as 0), multiplied by the
// scale, rounded to the nearest integer (ties to even) and stored as 2, 3 or
// 4 bytes; a result beyond the width is stored as its largest or smallest
// value.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

// Scales of the integer widths: writing multiplies, reading divides.
constexpr float kScale16 = 32767.0f;
constexpr float kScale24 = 8388607.0f;
constexpr float kScale32 = 2147483648.0f;

// What a converter reads: scale and bounds four wide for vector loads (word
// 0 of the scale is the one used), then the two buffers. The block stays in
// its process, so the buffers are native pointers.
struct alignas(16) CONVPARAMS {
    float scale[4];
    float maxima[4];
    float minima[4];
    const void *source;
    void *destination;
};

// count is the number of samples (frames x channels).
using SAMPLECONVFN = void (*)(CONVPARAMS *params, unsigned long count);

struct SAMPLECONVTABLE {
    SAMPLECONVFN int16ToFloat;
    SAMPLECONVFN int24ToFloat;
    SAMPLECONVFN int32ToFloat;
    SAMPLECONVFN floatToInt16;
    SAMPLECONVFN floatToInt24;
    SAMPLECONVFN floatToInt32;
};

enum SampleConvVariant { SampleConvPlain = 0, SampleConvSse2 = 1 };

// The variant chosen for the processor when the library loaded.
CORVADEL_API const SAMPLECONVTABLE &SampleConverters();
// One variant by name (tests hold them side by side).
CORVADEL_API const SAMPLECONVTABLE &SampleConvertersOf(SampleConvVariant variant);
// The choice from the feature bits that CPUID leaf 1 reports in EDX: SSE2
// (bit 26) picks the vector variants. Every 64-bit processor has SSE2, so a
// variant for processors with SSE alone has no use here.
CORVADEL_API SampleConvVariant ChooseSampleConv(unsigned long cpuidFeatures);

// Owns one parameter block, 16-byte aligned, with the bounds at +-1.0. The
// caller sets the scale, the source and the destination before each call.
// Without a block (IsOk 0) SetScale and Run do nothing.
class CORVADEL_API CSampleConv {
public:
    CSampleConv();
    ~CSampleConv();
    CSampleConv(const CSampleConv &) = delete;
    CSampleConv &operator=(const CSampleConv &) = delete;

    int IsOk() const { return params != nullptr; }
    // Fills all four scale words.
    void SetScale(float scale);
    // Sets scale, source and destination, then runs the converter.
    void Run(SAMPLECONVFN converter, float scale, const void *source, void *destination, unsigned long count);

    CONVPARAMS *params;
};

} // namespace Quorvane
