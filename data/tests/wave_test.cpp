#include "data/wave.h"

#include "data/tests/wave_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

using namespace Quorvane;
using namespace wave_test;
using testing_support::TempFolder;

namespace {

// A copy would share the files, events and reader thread and free them
// twice: the compiler refuses one.
static_assert(!std::is_copy_constructible_v<CWave>);
static_assert(!std::is_copy_assignable_v<CWave>);

class WaveTest : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(WaveTest, KeepsItsSamplesInTemporaryFilesThatGoWithIt)
{
    {
        CWave wave(0, 44100, folder.path().c_str());
        ASSERT_TRUE(wave.IsStateOk());
        EXPECT_EQ(wave.channels, 2);
        EXPECT_EQ(wave.bytesPerFrame, 8);
        EXPECT_EQ(wave.length, 0);
        EXPECT_EQ(filesIn(folder.path(), "AT_").size(), 1u);
        EXPECT_TRUE(filesIn(folder.path(), "AG_").empty());

        CWave player(1, 44100, folder.path().c_str());
        ASSERT_TRUE(player.IsStateOk());
        EXPECT_EQ(filesIn(folder.path(), "AT_").size(), 2u);
        EXPECT_EQ(filesIn(folder.path(), "AG_").size(), 1u);
    }
    EXPECT_TRUE(filesIn(folder.path(), "A").empty());
}

TEST_F(WaveTest, AMissingFolderLeavesAWaveThatRefusesWork)
{
    CWave wave(1, 44100, folder.file("missing").c_str());
    EXPECT_FALSE(wave.IsStateOk());
    float frame[2] = {1, 1};
    EXPECT_EQ(wave.Write(frame, 0, 1), 0);
    EXPECT_EQ(wave.Read(frame, 0, 1), 0);
    EXPECT_EQ(wave.InitPlayback(0, 64, 1.0f), 0);
    EXPECT_EQ(wave.ImportWave(nullptr), 0);
}

TEST_F(WaveTest, ReadingBeforeTheStartAndPastTheEndGivesSilence)
{
    CWave wave(0, 44100, folder.path().c_str());
    wave.channels = 1;
    wave.bytesPerFrame = 4;
    std::vector<float> ramp;
    for (int i = 0; i < 8; ++i)
        ramp.push_back(float(i + 1));
    ASSERT_TRUE(append(wave, ramp));

    std::vector<float> out(10, -9.0f);
    ASSERT_EQ(wave.Read(out.data(), -4, 10), 1);
    EXPECT_EQ(out, (std::vector<float>{0, 0, 0, 0, 1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(wave.Read(out.data(), 5, 10), 1);
    EXPECT_EQ(out, (std::vector<float>{6, 7, 8, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(wave.Read(out.data(), -100, 10), 1);
    EXPECT_EQ(out, std::vector<float>(10, 0.0f));
    ASSERT_EQ(wave.Read(out.data(), 100, 3), 1);
    EXPECT_EQ(out[0], 0.0f);
}

TEST_F(WaveTest, WritesLandWhereAskedWhateverTheFileWasAt)
{
    CWave wave(0, 48000, folder.path().c_str());
    const float a[4] = {1, 2, 3, 4}, b[2] = {7, 8};
    ASSERT_EQ(wave.Write(a, 0, 2), 1);
    ASSERT_EQ(wave.Write(b, 5, 1), 1); // leaves a hole
    ASSERT_EQ(wave.Write(b, 1, 1), 1); // back over the first
    EXPECT_EQ(wave.Write(b, -1, 1), 0);
    wave.length = 6;
    EXPECT_EQ(readAll(wave), (std::vector<float>{1, 2, 7, 8, 0, 0, 0, 0, 0, 0, 7, 8}));
    wave.Clear();
    EXPECT_EQ(wave.length, 0);
    float after[2] = {5, 5};
    ASSERT_EQ(wave.Read(after, 0, 1), 1);
    EXPECT_EQ(after[0], 0.0f); // the file was emptied
}

TEST_F(WaveTest, DeltaWorksPerChannelAndTurnsBack)
{
    CWave wave(0, 44100, folder.path().c_str());
    std::vector<float> s = {1, 10, 3, 20, 6, 40, 10, 80};
    ASSERT_EQ(wave.Delta(s.data(), 4, 1), 1);
    EXPECT_EQ(s, (std::vector<float>{1, 10, 2, 10, 3, 20, 4, 40}));
    ASSERT_EQ(wave.Delta(s.data(), 4, 0), 1);
    EXPECT_EQ(s, (std::vector<float>{1, 10, 3, 20, 6, 40, 10, 80}));
    EXPECT_EQ(wave.Delta(nullptr, 3, 1), 0);
    EXPECT_EQ(wave.Delta(nullptr, 0, 1), 1);
}

// One pair per 128 frames over both channels, the last group shorter.
TEST_F(WaveTest, PeaksHoldMinimumAndMaximumPer128Frames)
{
    CWave wave(1, 44100, folder.path().c_str());
    std::vector<float> s(2 * 300, 0.25f);
    s[2 * 5 + 1] = -0.5f;   // group 0, right
    s[2 * 130] = 0.75f;     // group 1, left
    s[2 * 299 + 1] = -2.0f; // group 2 (44 frames)
    ASSERT_TRUE(append(wave, s));
    ASSERT_EQ(wave.CreateGraphics(), 1);
    EXPECT_EQ(wave.peakLength, 6);
    std::vector<float> pairs(8, 9.0f);
    ASSERT_EQ(wave.ReadGraphics(pairs.data(), 0, 4), 1);
    EXPECT_EQ(pairs, (std::vector<float>{-0.5f, 0.25f, 0.25f, 0.75f, -2.0f, 0.25f, 0, 0}));
    ASSERT_EQ(wave.ReadGraphics(pairs.data(), 2, 1), 1);
    EXPECT_EQ(pairs[0], -2.0f);

    // More pairs than one write takes: 1094 pairs, written as 1024 and 70.
    CWave longer(1, 44100, folder.path().c_str());
    longer.channels = 1;
    longer.bytesPerFrame = 4;
    auto level = [](int frame) { return float(frame) / 140000.0f; };
    std::vector<float> ramp(140000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = level(int(i));
    ASSERT_TRUE(append(longer, ramp));
    ASSERT_EQ(longer.CreateGraphics(), 1);
    EXPECT_EQ(longer.peakLength, 2 * 1094);
    ASSERT_EQ(longer.ReadGraphics(pairs.data(), 1023, 2), 1);
    EXPECT_EQ(std::vector<float>(pairs.begin(), pairs.begin() + 4),
              (std::vector<float>{level(1023 * 128), level(1024 * 128 - 1), level(1024 * 128),
                                  level(1025 * 128 - 1)}));
    ASSERT_EQ(longer.ReadGraphics(pairs.data(), 1093, 1), 1);
    EXPECT_EQ(pairs[0], level(1093 * 128));
    EXPECT_EQ(pairs[1], level(139999));

    CWave plain(0, 44100, folder.path().c_str());
    EXPECT_EQ(plain.CreateGraphics(), 1);
    EXPECT_EQ(plain.ReadGraphics(pairs.data(), 0, 1), 0);
}

// Where a copy is needed the samples are copied into a wave of its own.
TEST_F(WaveTest, CopyFromMakesAnIndependentWave)
{
    CWave source(1, 22050, folder.path().c_str());
    source.channels = 1;
    source.bytesPerFrame = 4;
    std::vector<float> s(10000);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = float(i) / 10000.0f;
    ASSERT_TRUE(append(source, s));
    {
        CWave copy(1, 44100, folder.path().c_str());
        ASSERT_EQ(copy.CopyFrom(source), 1);
        EXPECT_EQ(copy.sampleRate, 22050);
        EXPECT_EQ(copy.channels, 1);
        EXPECT_EQ(copy.length, 10000);
        EXPECT_GT(copy.peakLength, 0);
        EXPECT_NE(copy.sampleFile, source.sampleFile);

        const float changed = -1.0f;
        ASSERT_EQ(source.Write(&changed, 0, 1), 1);
        EXPECT_EQ(readAll(copy), s);
        EXPECT_EQ(copy.CopyFrom(copy), 0);
    }
    EXPECT_EQ(filesIn(folder.path(), "AT_").size(), 1u);
    EXPECT_EQ(readAll(source)[1], s[1]);
}

} // namespace
