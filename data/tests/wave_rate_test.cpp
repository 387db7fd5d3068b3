#include "data/wave.h"

#include "data/tests/wave_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Quorvane;
using namespace wave_test;
using testing_support::TempFolder;

namespace {

class WaveRateTest : public ::testing::Test {
protected:
    TempFolder folder;
};

// Halving the rate keeps every second frame (linear, phase 0), samples
// beyond full scale among them.
TEST_F(WaveRateTest, ANewRateResamplesTheWholeWave)
{
    CWave wave(1, 44100, folder.path().c_str());
    std::vector<float> s;
    for (int i = 0; i < 9000; ++i) {
        s.push_back(std::sin(i * 0.01f));
        s.push_back(i % 1000 == 0 ? 3.0f : -0.5f);
    }
    ASSERT_TRUE(append(wave, s));
    ASSERT_EQ(wave.ChangeSampleRate(22050), 1);
    EXPECT_EQ(wave.sampleRate, 22050);
    EXPECT_EQ(wave.channels, 2);
    // Two blocks of 4096 frames and one of 808: each gives half.
    EXPECT_EQ(wave.length, 4500);
    EXPECT_GT(wave.peakLength, 0);
    const std::vector<float> got = readAll(wave);
    for (int i = 0; i < 4500; ++i) {
        ASSERT_NEAR(got[2 * i], s[4 * i], 3.0 / 8388607) << i;
        ASSERT_NEAR(got[2 * i + 1], s[4 * i + 1], 3.0 / 8388607) << i;
    }
    EXPECT_EQ(filesIn(folder.path(), "AT_").size(), 1u);

    ASSERT_EQ(wave.ChangeSampleRate(48000), 1);
    EXPECT_EQ(wave.length, 9797); // ceil(4096 * 32768 / 15053) + ceil(404 * 32768 / 15053)
}

TEST_F(WaveRateTest, AFailedChangeLeavesTheWaveAsItWas)
{
    CWave wave(0, 44100, folder.path().c_str());
    ASSERT_TRUE(append(wave, {0.5f, -0.5f, 0.25f, -0.25f}));
    EXPECT_EQ(wave.ChangeSampleRate(0), 0);
    EXPECT_EQ(wave.ChangeSampleRate(-8000), 0);
    EXPECT_EQ(wave.sampleRate, 44100);
    EXPECT_EQ(wave.length, 2);
    EXPECT_EQ(wave.ChangeSampleRate(44100), 1);
    EXPECT_EQ(readAll(wave), (std::vector<float>{0.5f, -0.5f, 0.25f, -0.25f}));
}

} // namespace
