// The SSE2 converters: four or eight samples per step, the rest one by one
// with the plain rule. They give the plain variant's results sample for
// sample.
#include "data/sample_conv_variants.h"

#include <emmintrin.h>

namespace Quorvane {

namespace {

// Clamped to the block's bounds (not-a-number to 0) and scaled.
struct Scaler {
    explicit Scaler(const CONVPARAMS *p)
        : scale(_mm_set1_ps(p->scale[0])), low(_mm_load_ps(p->minima)), high(_mm_load_ps(p->maxima))
    {
    }
    __m128 operator()(__m128 x) const
    {
        x = _mm_and_ps(x, _mm_cmpord_ps(x, x));
        return _mm_mul_ps(_mm_min_ps(_mm_max_ps(x, low), high), scale);
    }
    __m128 scale, low, high;
};

// Rounded to nearest (ties to even) within [low, high]; both are whole
// numbers that a float holds exactly.
inline __m128i RoundWithin(__m128 x, __m128 low, __m128 high)
{
    return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(x, low), high));
}

void Int16ToFloat(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const int16_t *>(p->source);
    auto *out = static_cast<float *>(p->destination);
    const __m128 scale = _mm_set1_ps(p->scale[0]);
    unsigned long i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
        const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
        _mm_storeu_ps(out + i, _mm_mul_ps(scale, _mm_cvtepi32_ps(lo)));
        _mm_storeu_ps(out + i + 4, _mm_mul_ps(scale, _mm_cvtepi32_ps(hi)));
    }
    for (; i < count; ++i)
        out[i] = p->scale[0] * static_cast<float>(in[i]);
}

void Int24ToFloat(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const unsigned char *>(p->source);
    auto *out = static_cast<float *>(p->destination);
    const __m128 scale = _mm_set1_ps(p->scale[0]);
    unsigned long i = 0;
    for (; i + 4 <= count; i += 4) {
        const unsigned char *s = in + 3 * i;
        const __m128i v = _mm_setr_epi32(Load24(s), Load24(s + 3), Load24(s + 6), Load24(s + 9));
        _mm_storeu_ps(out + i, _mm_mul_ps(scale, _mm_cvtepi32_ps(v)));
    }
    for (; i < count; ++i)
        out[i] = p->scale[0] * static_cast<float>(Load24(in + 3 * i));
}

void Int32ToFloat(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const int32_t *>(p->source);
    auto *out = static_cast<float *>(p->destination);
    const __m128 scale = _mm_set1_ps(p->scale[0]);
    unsigned long i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        _mm_storeu_ps(out + i, _mm_mul_ps(scale, _mm_cvtepi32_ps(v)));
    }
    for (; i < count; ++i)
        out[i] = p->scale[0] * static_cast<float>(in[i]);
}

void FloatToInt16(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const float *>(p->source);
    auto *out = static_cast<int16_t *>(p->destination);
    const Scaler scaled(p);
    const __m128 low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
    unsigned long i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i a = RoundWithin(scaled(_mm_loadu_ps(in + i)), low, high);
        const __m128i b = RoundWithin(scaled(_mm_loadu_ps(in + i + 4)), low, high);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packs_epi32(a, b));
    }
    for (; i < count; ++i)
        out[i] = static_cast<int16_t>(FloatSampleToInt(p, in[i], -32768, 32767));
}

void FloatToInt24(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const float *>(p->source);
    auto *out = static_cast<unsigned char *>(p->destination);
    const Scaler scaled(p);
    const __m128 low = _mm_set1_ps(-8388608.0f), high = _mm_set1_ps(8388607.0f);
    unsigned long i = 0;
    alignas(16) int32_t words[4];
    for (; i + 4 <= count; i += 4) {
        _mm_store_si128(reinterpret_cast<__m128i *>(words),
                        RoundWithin(scaled(_mm_loadu_ps(in + i)), low, high));
        for (int k = 0; k < 4; ++k)
            Store24(out + 3 * (i + k), words[k]);
    }
    for (; i < count; ++i)
        Store24(out + 3 * i, FloatSampleToInt(p, in[i], -8388608, 8388607));
}

void FloatToInt32(CONVPARAMS *p, unsigned long count)
{
    const auto *in = static_cast<const float *>(p->source);
    auto *out = static_cast<int32_t *>(p->destination);
    const Scaler scaled(p);
    // The conversion answers 0x80000000 beyond the range; at the top that
    // is turned into 0x7FFFFFFF, at the bottom it is already the answer.
    const __m128 top = _mm_set1_ps(2147483648.0f);
    unsigned long i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 x = scaled(_mm_loadu_ps(in + i));
        const __m128i overflow = _mm_castps_si128(_mm_cmpge_ps(x, top));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_xor_si128(_mm_cvtps_epi32(x), overflow));
    }
    for (; i < count; ++i)
        out[i] = FloatSampleToInt(p, in[i], INT32_MIN, INT32_MAX);
}

} // namespace

const SAMPLECONVTABLE sampleConvSse2 = {Int16ToFloat, Int24ToFloat, Int32ToFloat,
                                        FloatToInt16, FloatToInt24, FloatToInt32};

} // namespace Quorvane
