#include "data/wave.h"

#include "data/tests/wave_support.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Quorvane;
using namespace wave_test;
using testing_support::TempFolder;

namespace {

// A stereo wave whose frame i holds (i + 1, -(i + 1)).
class WavePlaybackTest : public ::testing::Test {
protected:
    static constexpr int kFrames = 5000;

    void SetUp() override
    {
        ASSERT_TRUE(wave.IsStateOk());
        std::vector<float> s;
        for (int i = 0; i < kFrames; ++i) {
            s.push_back(float(i + 1));
            s.push_back(-float(i + 1));
        }
        ASSERT_TRUE(append(wave, s));
    }

    // Frames from..from+count of the wave, silence outside it.
    static std::vector<float> frames(int from, int count)
    {
        std::vector<float> s;
        for (int i = from; i < from + count; ++i) {
            const float v = i >= 0 && i < kFrames ? float(i + 1) : 0.0f;
            s.push_back(v);
            s.push_back(v == 0.0f ? 0.0f : -v);
        }
        return s;
    }

    // Asks for one block and follows a switch.
    std::vector<float> next(long asked, int *switched = nullptr)
    {
        long frames = asked;
        int switchNow = 0;
        const float *data = wave.GetPlaybackData(frames, switchNow);
        if (switched)
            *switched = switchNow;
        if (switchNow)
            wave.ChangePlaybackBuffer();
        return data ? std::vector<float>(data, data + 2 * frames) : std::vector<float>();
    }

    TempFolder folder;
    CWave wave{1, 44100, folder.path().c_str()};
};

TEST_F(WavePlaybackTest, BlocksFollowEachOtherAcrossBothHalvesToTheEnd)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    EXPECT_EQ(wave.halves[0].capacity, 3200);
    std::vector<float> played;
    for (int block = 0; block < 60; ++block) {
        int switched = 0;
        const std::vector<float> got = next(100, &switched);
        EXPECT_EQ(switched, block == 31) << block;
        played.insert(played.end(), got.begin(), got.end());
    }
    EXPECT_EQ(played, frames(0, kFrames));
}

TEST_F(WavePlaybackTest, TheSpeedSetsTheBlockAndTheStartMayLieBeforeTheWave)
{
    ASSERT_EQ(wave.InitPlayback(-50, 100, 1.5f), 1);
    EXPECT_EQ(wave.blockFrames, 150);
    EXPECT_EQ(next(150), frames(-50, 150));
    EXPECT_EQ(next(150), frames(100, 150));
    // A request beyond a block gets a block.
    EXPECT_EQ(next(1000), frames(250, 150));

    EXPECT_EQ(wave.InitPlayback(0, 0, 1.0f), 0);
    EXPECT_EQ(wave.InitPlayback(0, 100, NAN), 0);
    EXPECT_EQ(wave.InitPlayback(0, 100, 1e9f), 0);
}

TEST_F(WavePlaybackTest, TheLastFrameReadIsRepeatedIntoTwoGuardFrames)
{
    ASSERT_EQ(wave.InitPlayback(4990, 100, 1.0f), 1);
    ASSERT_EQ(wave.WaitForReady(&wave.halves[1]), 1);
    const CWave::PLAYHDR &first = wave.halves[0], &second = wave.halves[1];
    EXPECT_EQ(first.framesRead, 10);
    EXPECT_EQ(std::vector<float>(first.buffer + 18, first.buffer + 24),
              (std::vector<float>{5000, -5000, 5000, -5000, 5000, -5000}));
    EXPECT_EQ(second.framesRead, 0);
    EXPECT_EQ(std::vector<float>(second.buffer, second.buffer + 4), std::vector<float>(4, 0.0f));
    long asked = 100;
    int switchNow = 0;
    wave.GetPlaybackData(asked, switchNow);
    EXPECT_EQ(asked, 10);
}

// A loop back 30 frames into a block: the next block is the 30 frames from
// the loop start, faded in, and then whole blocks follow.
TEST_F(WavePlaybackTest, ALoopPlaysFromItsStartFadingInAndOut)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    next(100);
    next(100);
    // The loop end: 70 frames, the last 64 faded out.
    std::vector<float> end = frames(200, 70);
    for (int i = 0; i < 128; ++i)
        end[12 + i] *= float(127 - i) / 128.0f;
    EXPECT_EQ(next(70), end);

    wave.LoopPlayback(40, 30);
    std::vector<float> in = frames(40, 30);
    for (int i = 0; i < 60; ++i)
        in[i] *= float(i) / 60.0f;
    EXPECT_EQ(next(30), in);
    EXPECT_EQ(next(100), frames(70, 100));

    // Again: the half still starts where the loop does and is played as it
    // is, not faded a second time.
    wave.LoopPlayback(40, 30);
    EXPECT_EQ(next(30), in);
    EXPECT_EQ(next(100), frames(70, 100));

    // A loop on a block boundary fades in the first 64 frames of a block.
    wave.LoopPlayback(4000, 0);
    std::vector<float> boundary = frames(4000, 100);
    for (int i = 0; i < 128; ++i)
        boundary[i] *= float(i) / 128.0f;
    EXPECT_EQ(next(100), boundary);
    EXPECT_EQ(next(100), frames(4100, 100));
}

TEST_F(WavePlaybackTest, FadesAreLinearOverEverySample)
{
    std::vector<float> s(8, 1.0f);
    wave.FadeLoop(s.data(), 4, 1);
    EXPECT_EQ(s, (std::vector<float>{0, 0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f}));
    std::fill(s.begin(), s.end(), 1.0f);
    wave.FadeLoop(s.data(), 4, 0);
    EXPECT_EQ(s, (std::vector<float>{0.875f, 0.75f, 0.625f, 0.5f, 0.375f, 0.25f, 0.125f, 0}));
    std::fill(s.begin(), s.end(), 1.0f);
    wave.FadeLoop(s.data(), 3, 1);
    EXPECT_EQ(s, std::vector<float>(8, 1.0f));
}

// The player's side runs on the render thread: the reader thread reads, the
// player neither allocates nor touches a file.
TEST_F(WavePlaybackTest, HandingOutBlocksAllocatesAndReadsNothing)
{
    ASSERT_EQ(wave.InitPlayback(0, 128, 1.0f), 1);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    std::vector<float> played;
    played.reserve(2 * 128 * 46);
    testing_support::RealTimeCounter counter;
    for (int block = 0; block < 45; ++block) {
        long frames = 128;
        int switchNow = 0;
        const float *data = wave.GetPlaybackData(frames, switchNow);
        ASSERT_NE(data, nullptr);
        played.insert(played.end(), data, data + 2 * frames);
        if (switchNow)
            wave.ChangePlaybackBuffer();
        if (block == 20) {
            wave.LoopPlayback(1000, 50); // the halves refill from the loop start
            frames = 50;
            data = wave.GetPlaybackData(frames, switchNow);
            ASSERT_EQ(frames, 50);
        }
    }
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
    EXPECT_EQ(counter.fileAccesses(), 0);
    EXPECT_EQ(std::vector<float>(played.begin(), played.begin() + 2 * 128 * 21), frames(0, 128 * 21));
}

TEST_F(WavePlaybackTest, OnlyAPlaybackWavePlays)
{
    CWave plain(0, 44100, folder.path().c_str());
    EXPECT_EQ(plain.InitPlayback(0, 100, 1.0f), 0);
    long frames = 100;
    int switchNow = 1;
    EXPECT_EQ(plain.GetPlaybackData(frames, switchNow), nullptr);
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(switchNow, 0);
}

TEST_F(WavePlaybackTest, AWaveGoesWhilePlaying)
{
    auto *playing = new CWave(1, 44100, folder.path().c_str());
    ASSERT_TRUE(append(*playing, frames(0, 20000)));
    ASSERT_EQ(playing->InitPlayback(0, 512, 1.0f), 1);
    long frames = 512;
    int switchNow = 0;
    playing->GetPlaybackData(frames, switchNow);
    playing->LoopPlayback(10000, 0);
    playing->InitReading(&playing->halves[1]);
    delete playing;
    EXPECT_EQ(filesIn(folder.path(), "AT_").size(), 1u); // the fixture's own
}

} // namespace
