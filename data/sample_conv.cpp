#include "data/sample_conv.h"
#include "data/sample_conv_variants.h"

#include <cpuid.h>
#include <malloc.h>

#include <cstring>

namespace Quorvane {

namespace {

void Int16ToFloat(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const int16_t *>(p->source);
    auto *out = static_cast<float *>(p->destination);
    const float scale = p->scale[0];
    for (unsigned long i = 0; i < count; ++i)
        out[i] = scale * static_cast<float>(in[i]);
}

void Int24ToFloat(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const unsigned char *>(p->source);
    auto *out = static_cast<float *>(p->destination);
    const float scale = p->scale[0];
    for (unsigned long i = 0; i < count; ++i)
        out[i] = scale * static_cast<float>(Load24(in + 3 * i));
}

void Int32ToFloat(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const int32_t *>(p->source);
    auto *out = static_cast<float *>(p->destination);
    const float scale = p->scale[0];
    for (unsigned long i = 0; i < count; ++i)
        out[i] = scale * static_cast<float>(in[i]);
}

template <typename Store>
void FloatToInt(CONVPARAMS *p, unsigned long count, int32_t low, int32_t high, Store store)
{
    const auto *in = static_cast<const float *>(p->source);
    for (unsigned long i = 0; i < count; ++i)
        store(i, FloatSampleToInt(p, in[i], low, high));
}

void FloatToInt16(CONVPARAMS *p, unsigned long count)
{
    auto *out = static_cast<int16_t *>(p->destination);
    FloatToInt(p, count, -32768, 32767,
               [out](unsigned long i, int32_t v) { out[i] = static_cast<int16_t>(v); });
}

void FloatToInt24(CONVPARAMS *p, unsigned long count)
{
    auto *out = static_cast<unsigned char *>(p->destination);
    FloatToInt(p, count, -8388608, 8388607, [out](unsigned long i, int32_t v) { Store24(out + 3 * i, v); });
}

void FloatToInt32(CONVPARAMS *p, unsigned long count)
{
    auto *out = static_cast<int32_t *>(p->destination);
    FloatToInt(p, count, INT32_MIN, INT32_MAX, [out](unsigned long i, int32_t v) { out[i] = v; });
}

unsigned long CpuidFeatures()
{
    unsigned int a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) ? d : 0;
}

// Chosen once, when the library loads.
const SAMPLECONVTABLE &chosen = SampleConvertersOf(ChooseSampleConv(CpuidFeatures()));

} // namespace

const SAMPLECONVTABLE sampleConvPlain = {Int16ToFloat, Int24ToFloat, Int32ToFloat,
                                         FloatToInt16, FloatToInt24, FloatToInt32};

const SAMPLECONVTABLE &SampleConverters()
{
    return chosen;
}

const SAMPLECONVTABLE &SampleConvertersOf(SampleConvVariant variant)
{
    return variant == SampleConvSse2 ? sampleConvSse2 : sampleConvPlain;
}

SampleConvVariant ChooseSampleConv(unsigned long cpuidFeatures)
{
    return (cpuidFeatures & (1ul << 26)) ? SampleConvSse2 : SampleConvPlain;
}

CSampleConv::CSampleConv() : params(static_cast<CONVPARAMS *>(_aligned_malloc(sizeof(CONVPARAMS), 16)))
{
    if (!params)
        return;
    std::memset(params, 0, sizeof(CONVPARAMS));
    for (int i = 0; i < 4; ++i) {
        params->maxima[i] = 1.0f;
        params->minima[i] = -1.0f;
    }
}

CSampleConv::~CSampleConv()
{
    _aligned_free(params);
}

void CSampleConv::SetScale(float scale)
{
    if (!params)
        return;
    for (float &word : params->scale)
        word = scale;
}

void CSampleConv::Run(SAMPLECONVFN converter, float scale, const void *source, void *destination,
                      unsigned long count)
{
    if (!params)
        return;
    SetScale(scale);
    params->source = source;
    params->destination = destination;
    converter(params, count);
}

} // namespace Quorvane
