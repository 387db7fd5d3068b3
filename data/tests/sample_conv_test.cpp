#include "data/sample_conv.h"

#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using namespace Quorvane;

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();

class SampleConvTest : public ::testing::TestWithParam<SampleConvVariant> {
protected:
    const SAMPLECONVTABLE &table() const { return SampleConvertersOf(GetParam()); }

    // Long enough for the vector steps and a tail: the cases are repeated.
    template <typename Out> std::vector<Out> toInt(SAMPLECONVFN fn, float scale, const std::vector<float> &in)
    {
        std::vector<float> source;
        for (int r = 0; r < 3; ++r)
            source.insert(source.end(), in.begin(), in.end());
        std::vector<Out> out(source.size());
        conv.Run(fn, scale, source.data(), out.data(), static_cast<unsigned long>(source.size()));
        for (size_t i = 0; i < out.size(); ++i)
            EXPECT_EQ(out[i], out[i % in.size()]) << "sample " << i;
        out.resize(in.size());
        return out;
    }

    CSampleConv conv;
};

TEST_P(SampleConvTest, FloatToInt16ClampsScalesAndRoundsToEven)
{
    const std::vector<int16_t> out = toInt<int16_t>(
        table().floatToInt16, kScale16, {1.0f, -1.0f, 2.0f, -2.0f, 0.5f, -0.5f, 0.25f, nan, inf, -inf, 0.0f});
    EXPECT_EQ(out,
              (std::vector<int16_t>{32767, -32767, 32767, -32767, 16384, -16384, 8192, 0, 32767, -32767, 0}));
}

TEST_P(SampleConvTest, RoundingTiesGoToEvenAndTheWidthHoldsTheResult)
{
    for (int i = 0; i < 4; ++i) {
        conv.params->maxima[i] = 1e6f;
        conv.params->minima[i] = -1e6f;
    }
    const std::vector<float> in = {2.5f, 3.5f,     -2.5f,     -3.5f,    0.5f,
                                   1.5f, 40000.0f, -40000.0f, 32767.5f, -32768.5f};
    EXPECT_EQ(toInt<int16_t>(table().floatToInt16, 1.0f, in),
              (std::vector<int16_t>{2, 4, -2, -4, 0, 2, 32767, -32768, 32767, -32768}));
    // Four samples take the vector step, three the one-by-one tail.
    const std::vector<float> wide = {1e6f, -1e6f, 8388606.5f, 2.5f};
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 40, 0, 0};
    for (unsigned long n : {4ul, 3ul}) {
        std::vector<uint8_t> bytes(3 * n);
        conv.Run(table().floatToInt24, 16.0f, wide.data(), bytes.data(), n);
        EXPECT_EQ(bytes, std::vector<uint8_t>(expected.begin(), expected.begin() + 3 * n));
    }
}

TEST_P(SampleConvTest, FloatToInt32UsesTheFullRange)
{
    const std::vector<int32_t> out =
        toInt<int32_t>(table().floatToInt32, kScale32, {1.0f, -1.0f, 0.5f, 2.0f, -2.0f, nan, 0.99999994f});
    EXPECT_EQ(
        out, (std::vector<int32_t>{2147483647, INT32_MIN, 1073741824, 2147483647, INT32_MIN, 0, 2147483520}));
}

TEST_P(SampleConvTest, FloatToInt24StoresThreeBytesLowFirst)
{
    const std::vector<float> in = {1.0f, -1.0f, 0.5f, 0.0f, 2.0f};
    std::vector<uint8_t> out(3 * in.size(), 0xAA);
    conv.Run(table().floatToInt24, kScale24, in.data(), out.data(), static_cast<unsigned long>(in.size()));
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x80, 0x00, 0x00, 0x40, 0, 0, 0, 0xFF,
                                         0xFF, 0x7F}));
}

TEST_P(SampleConvTest, IntegersBecomeScaledFloats)
{
    const std::vector<uint8_t> b24 = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0x01, 0x00, 0x80, 0x00, 0x01,
                                      0x00, 0xFF, 0xFF, 0xFF, 0x10, 0x20, 0x30, 0x00, 0x00, 0x00};
    std::vector<float> out(7);
    conv.Run(table().int24ToFloat, 1.0f, b24.data(), out.data(), 7);
    EXPECT_EQ(out,
              (std::vector<float>{8388607.0f, -8388608.0f, -8388607.0f, 256.0f, -1.0f, 3153936.0f, 0.0f}));
    conv.Run(table().int24ToFloat, 1.0f / kScale24, b24.data(), out.data(), 1);
    EXPECT_FLOAT_EQ(out[0], 1.0f);

    const std::vector<int16_t> i16 = {32767, -32768, -1, 0, 1, 100, -100, 12345, -12345};
    std::vector<float> f16(i16.size());
    conv.Run(table().int16ToFloat, 2.0f, i16.data(), f16.data(), static_cast<unsigned long>(i16.size()));
    EXPECT_EQ(f16, (std::vector<float>{65534.0f, -65536.0f, -2.0f, 0.0f, 2.0f, 200.0f, -200.0f, 24690.0f,
                                       -24690.0f}));

    const std::vector<int32_t> i32 = {INT32_MIN, 1073741824, -1073741824, 0, 16777216};
    std::vector<float> f32(i32.size());
    conv.Run(table().int32ToFloat, 1.0f / kScale32, i32.data(), f32.data(),
             static_cast<unsigned long>(i32.size()));
    EXPECT_EQ(f32, (std::vector<float>{-1.0f, 0.5f, -0.5f, 0.0f, 1.0f / 128.0f}));
}

INSTANTIATE_TEST_SUITE_P(Variants, SampleConvTest, ::testing::Values(SampleConvPlain, SampleConvSse2),
                         [](const auto &info) { return info.param == SampleConvSse2 ? "Sse2" : "Plain"; });

// Noise, out-of-range and special values at odd offsets and lengths: the
// vector variant must agree with the plain one sample for sample.
TEST(SampleConv, VariantsAgreeOnEverySample)
{
    std::vector<float> floats(1000);
    uint32_t x = 7;
    for (size_t i = 0; i < floats.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        floats[i] = (static_cast<int32_t>(x) / 2147483648.0f) * 1.5f;
    }
    floats[3] = nan;
    floats[10] = inf;
    floats[11] = -inf;
    floats[20] = 1.0f;
    floats[21] = -1.0f;
    std::vector<uint8_t> bytes(4 * floats.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + (i >> 3));

    const SAMPLECONVTABLE &plain = SampleConvertersOf(SampleConvPlain);
    const SAMPLECONVTABLE &sse2 = SampleConvertersOf(SampleConvSse2);
    const float scales[] = {kScale16, kScale24, kScale32};
    CSampleConv conv;
    for (int width = 0; width < 3; ++width) {
        const SAMPLECONVFN toInt[2] = {(&plain.floatToInt16)[width], (&sse2.floatToInt16)[width]};
        const SAMPLECONVFN toFloat[2] = {(&plain.int16ToFloat)[width], (&sse2.int16ToFloat)[width]};
        for (unsigned long offset : {0ul, 1ul, 3ul}) {
            for (unsigned long count : {0ul, 1ul, 7ul, 8ul, 9ul, 17ul, 990ul}) {
                std::vector<uint8_t> ints[2] = {std::vector<uint8_t>(4 * 1001 + 16),
                                                std::vector<uint8_t>(4 * 1001 + 16)};
                std::vector<float> back[2] = {std::vector<float>(1001), std::vector<float>(1001)};
                for (int v = 0; v < 2; ++v) {
                    conv.Run(toInt[v], scales[width], floats.data() + offset, ints[v].data() + offset, count);
                    conv.Run(toFloat[v], 1.0f / scales[width], bytes.data() + offset, back[v].data() + offset,
                             count);
                }
                EXPECT_EQ(ints[0], ints[1])
                    << "width " << width << " offset " << offset << " count " << count;
                EXPECT_EQ(std::memcmp(back[0].data(), back[1].data(), back[0].size() * sizeof(float)), 0)
                    << "width " << width << " offset " << offset << " count " << count;
            }
        }
    }
}

TEST(SampleConv, TheVectorVariantIsChosenWhenTheProcessorHasSse2)
{
    EXPECT_EQ(ChooseSampleConv(1ul << 26), SampleConvSse2);
    EXPECT_EQ(ChooseSampleConv((1ul << 25) | (1ul << 23)), SampleConvPlain);
    EXPECT_EQ(ChooseSampleConv(0), SampleConvPlain);
    // Every 64-bit processor has it.
    EXPECT_EQ(&SampleConverters(), &SampleConvertersOf(SampleConvSse2));
}

TEST(SampleConv, TheParameterBlockIsAlignedWithItsBoundsSet)
{
    CSampleConv conv;
    ASSERT_TRUE(conv.IsOk());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(conv.params) % 16, 0u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(conv.params->maxima[i], 1.0f);
        EXPECT_EQ(conv.params->minima[i], -1.0f);
    }
    conv.SetScale(3.0f);
    EXPECT_EQ(conv.params->scale[3], 3.0f);
}

// The render thread converts every buffer: no heap, no files.
TEST(SampleConv, ConvertingAllocatesNothing)
{
    std::vector<float> floats(4096, 0.25f);
    std::vector<int32_t> ints(4096);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    testing_support::RealTimeCounter counter;
    CSampleConv conv; // the counter sees the block's allocation
    ASSERT_EQ(counter.allocations(), 1);
    counter.reset();
    const SAMPLECONVTABLE &t = SampleConverters();
    for (SAMPLECONVFN fn : {t.floatToInt16, t.floatToInt24, t.floatToInt32})
        conv.Run(fn, kScale16, floats.data(), ints.data(), 4096);
    for (SAMPLECONVFN fn : {t.int16ToFloat, t.int24ToFloat, t.int32ToFloat})
        conv.Run(fn, 1.0f, ints.data(), floats.data(), 4096);
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
    EXPECT_EQ(counter.fileAccesses(), 0);
}

} // namespace
