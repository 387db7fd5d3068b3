#include "data/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

using namespace Quorvane;

namespace {

std::vector<int16_t> resample16(double ratio, const std::vector<int16_t> &in, int channels, int mode)
{
    const long frames = static_cast<long>(in.size()) / channels;
    std::vector<int16_t> out(ResampledFrames(ratio, frames) * channels + 1, 0x5A5A);
    long written = -2;
    Resample(ratio, in.data(), frames, out.data(), 2 * channels, mode, written);
    EXPECT_EQ(written, ResampledFrames(ratio, frames));
    EXPECT_EQ(out.back(), 0x5A5A) << "wrote past the announced size";
    out.resize(written > 0 ? written * channels : 0);
    return out;
}

std::vector<uint8_t> bytes24(const std::vector<int32_t> &samples)
{
    std::vector<uint8_t> b;
    for (int32_t v : samples)
        for (int k = 0; k < 3; ++k)
            b.push_back(static_cast<uint8_t>(v >> (8 * k)));
    return b;
}

std::vector<int32_t> samples24(const std::vector<uint8_t> &b)
{
    std::vector<int32_t> s;
    for (size_t i = 0; i + 3 <= b.size(); i += 3)
        s.push_back(
            static_cast<int32_t>(uint32_t(b[i]) << 8 | uint32_t(b[i + 1]) << 16 | uint32_t(b[i + 2]) << 24) >>
            8);
    return s;
}

TEST(Resample, LinearInterpolatesBetweenFrames)
{
    EXPECT_EQ(resample16(0.5, {0, 1000, 2000, 3000}, 1, 0),
              (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2500, 3000, 3000}));
    EXPECT_EQ(resample16(2.0, {0, 1000, 2000, 3000, 4000}, 1, 0), (std::vector<int16_t>{0, 2000, 4000}));
    EXPECT_EQ(resample16(1.0, {5, -7, 9, 32767, -32768}, 1, 0),
              (std::vector<int16_t>{5, -7, 9, 32767, -32768}));
    // Stereo keeps its channels apart.
    EXPECT_EQ(resample16(0.5, {100, -100, 300, -300}, 2, 0),
              (std::vector<int16_t>{100, -100, 200, -200, 300, -300, 300, -300}));
}

TEST(Resample, TwentyFourBitFramesAreSignExtendedAndInterleaved)
{
    const std::vector<uint8_t> in = bytes24({-8388608, 100, 8388607, -100});
    std::vector<uint8_t> out(6 * ResampledFrames(0.5, 2));
    long written = 0;
    Resample(0.5, in.data(), 2, out.data(), 6, 0, written);
    ASSERT_EQ(written, 4);
    EXPECT_EQ(samples24(out), (std::vector<int32_t>{-8388608, 100, -1, 0, 8388607, -100, 8388607, -100}));
}

TEST(Resample, CubicFollowsTheCurveThroughFourFrames)
{
    // Between 0 and 8000, with 0 on both sides: a curve, not a line.
    const std::vector<int16_t> out = resample16(0.5, {0, 0, 8000, 0, 0}, 1, 2);
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 4500);
    EXPECT_EQ(out[4], 8000);
    EXPECT_EQ(out[5], 4500);
    // A straight line stays straight.
    EXPECT_EQ(resample16(0.5, {0, 1000, 2000, 3000, 4000}, 1, 2)[5], 2500);
}

TEST(Resample, OutputCountFollowsTheStep)
{
    EXPECT_EQ(ResampledFrames(0.5, 4096), 8192);
    EXPECT_EQ(ResampledFrames(0.25, 4096), 16384);
    EXPECT_EQ(ResampledFrames(4.0, 4096), 1024);
    EXPECT_EQ(ResampledFrames(2.0, 5), 3);
    EXPECT_EQ(ResampledFrames(48000.0 / 44100.0, 4096), 3764); // step 35665
    EXPECT_EQ(ResampledFrames(22050.0 / 44100.0, 0), 0);
}

TEST(Resample, UnusableArgumentsGiveMinusOne)
{
    const int16_t in[8] = {};
    int16_t out[64];
    for (int bytes : {0, 1, 5, 8, 12}) {
        long written = 0;
        Resample(0.5, in, 4, out, bytes, 0, written);
        EXPECT_EQ(written, -1) << bytes << " bytes per frame";
    }
    for (double ratio : {0.0, -1.0, std::nan(""), HUGE_VAL, 1e-9}) {
        long written = 0;
        Resample(ratio, in, 4, out, 2, 0, written);
        EXPECT_EQ(written, -1) << "ratio " << ratio;
        EXPECT_EQ(ResampledFrames(ratio, 4), -1);
    }
}

// The block lies between sentinels: whatever the mode, ratio and format,
// its results must not change when the sentinels do.
TEST(Resample, NothingOutsideTheBlockIsRead)
{
    const int modes[] = {0, 1, 2, 3, 4, 5, 6, 7};
    const double ratios[] = {0.25, 0.5, 0.9, 1.0, 1.1, 2.0, 4.0};
    for (int bytes : {2, 4, 3, 6}) {
        const long frames = 37, pad = 200;
        for (int mode : modes) {
            for (double ratio : ratios) {
                std::vector<uint8_t> outs[2];
                for (int s = 0; s < 2; ++s) {
                    std::vector<uint8_t> buffer((frames + 2 * pad) * bytes, s ? 0x80 : 0x7F);
                    for (long i = 0; i < frames * bytes; ++i)
                        buffer[pad * bytes + i] = static_cast<uint8_t>(i * 29 + 3);
                    outs[s].assign(ResampledFrames(ratio, frames) * bytes, 0);
                    long written = 0;
                    Resample(ratio, buffer.data() + pad * bytes, frames, outs[s].data(), bytes, mode,
                             written);
                    ASSERT_EQ(written, ResampledFrames(ratio, frames));
                }
                EXPECT_EQ(outs[0], outs[1]) << "mode " << mode << " ratio " << ratio << " bytes " << bytes;
            }
        }
    }
}

// A constant block stays constant up to its last frame: the neighbours past
// the end are the block's own last frame.
TEST(Resample, ConstantBlocksStayConstantToTheEdges)
{
    const std::vector<int16_t> level(50, 12000);
    for (double ratio : {0.3, 0.5, 1.7})
        for (int mode : {0, 2})
            for (int16_t v : resample16(ratio, level, 1, mode))
                ASSERT_EQ(v, 12000) << "mode " << mode << " ratio " << ratio;
}

double rms(const std::vector<int16_t> &v, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(to - from));
}

std::vector<int16_t> sine(size_t frames, double period, double amplitude)
{
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i)
        s[i] = static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * double(i) / period)));
    return s;
}

// The kernel modes pass low frequencies at their gain (14732 or 14746 of
// 16384) and, when downsampling, stop what the lower rate cannot carry.
TEST(Resample, KernelsPassTheBandAtTheirGainAndStopAliases)
{
    for (int mode : {1, 3, 4, 5, 6, 7}) {
        const double gain = (mode & 4 ? 14746.0 : 14732.0) / 16384.0;
        for (double ratio : {0.5, 0.8, 1.0, 2.0}) {
            const std::vector<int16_t> low = sine(2000, 100.0, 20000.0);
            const std::vector<int16_t> out = resample16(ratio, low, 1, mode);
            const size_t margin = static_cast<size_t>(200 / ratio);
            EXPECT_NEAR(rms(out, margin, out.size() - margin) / rms(low, 200, 1800), gain, 0.01)
                << "mode " << mode << " ratio " << ratio;
        }
        // A period of 3 frames is above what half the rate can hold.
        const std::vector<int16_t> high = sine(3000, 3.0, 20000.0);
        const std::vector<int16_t> out = resample16(2.0, high, 1, mode);
        EXPECT_LT(rms(out, 200, out.size() - 200), 0.05 * rms(high, 0, high.size())) << "mode " << mode;
    }
}

} // namespace
