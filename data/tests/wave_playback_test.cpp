#include "data/wave.h"

#include "data/tests/wave_support.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>
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
        int switchNow = 0;
        std::vector<float> got = wave_test::playBlock(wave, asked, switchNow);
        if (switched)
            *switched = switchNow;
        return got;
    }

    TempFolder folder;
    CWave wave{1, 44100, folder.path().c_str()};
};

TEST_F(WavePlaybackTest, BlocksFollowEachOtherAcrossBothHalvesToTheEnd)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    wave_test::readerDone(wave);
    EXPECT_EQ(wave.buffers[0].capacity, 3200);
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
    wave_test::readerDone(wave);
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
    wave_test::readerDone(wave);
    const CWave::PLAYHDR &first = wave.buffers[0], &second = wave.buffers[1];
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
    wave_test::readerDone(wave);
    next(100);
    next(100);
    // The loop end: 70 frames, the last 64 faded out.
    std::vector<float> end = frames(200, 70);
    for (int i = 0; i < 128; ++i)
        end[12 + i] *= float(127 - i) / 128.0f;
    EXPECT_EQ(next(70), end);

    wave.LoopPlayback(40);
    std::vector<float> in = frames(40, 30);
    for (int i = 0; i < 60; ++i)
        in[i] *= float(i) / 60.0f;
    EXPECT_EQ(next(30), in);
    EXPECT_EQ(next(100), frames(70, 100));

    // Again: the buffer still holds the loop start and is played as it is,
    // not faded a second time.
    wave.LoopPlayback(40);
    EXPECT_EQ(next(30), in);
    EXPECT_EQ(next(100), frames(70, 100));

    // A loop on a block boundary fades in the first 64 frames of a block.
    wave.LoopPlayback(4000);
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
    wave_test::readerDone(wave);
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
            wave.LoopPlayback(1000); // the first buffer still holds the loop start
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

// A stereo wave of 40000 frames, frame i holding (i + 1, -(i + 1)), and a
// player that can be held up: the reader waits for the wave's lock, which
// a test may hold.
class LongWaveTest : public ::testing::Test {
protected:
    static constexpr int kFrames = 40000;

    void SetUp() override
    {
        ASSERT_TRUE(wave.IsStateOk());
        ASSERT_TRUE(append(wave, frames(0, kFrames)));
    }
    static std::vector<float> frames(int from, int count)
    {
        std::vector<float> s;
        for (int i = from; i < from + count; ++i) {
            const float v = i >= 0 && i < kFrames ? float(i + 1) : 0.0f;
            s.push_back(v);
            s.push_back(-v);
        }
        return s;
    }
    std::vector<float> next(long asked)
    {
        int switched = 0;
        return wave_test::playBlock(wave, asked, switched);
    }

    TempFolder folder;
    CWave wave{1, 44100, folder.path().c_str()};
};

// The reader is late: the player does not wait for it. The blocks it has
// not read are silence, counted, and the play position goes on, so the
// wave plays on in place once the reader has caught up.
TEST_F(LongWaveTest, ALateReaderGivesSilenceAndThePlayerGoesOn)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    wave_test::readerDone(wave); // frames 0 .. 6399
    const long late = wave.lateBlocks;
    std::vector<std::vector<float>> played;
    EXPECT_TRUE(wave_test::playsWithoutTheReader(wave, [&] {
        for (int block = 0; block < 80; ++block)
            played.push_back(next(100));
    })) << "the player waited for the reader";
    ASSERT_EQ(played.size(), 80u);
    for (int block = 0; block < 64; ++block)
        EXPECT_EQ(played[block], frames(100 * block, 100)) << block;
    for (int block = 64; block < 80; ++block)
        EXPECT_TRUE(played[block].empty()) << block;
    EXPECT_EQ(wave.lateBlocks - late, 16);

    wave_test::readerDone(wave);
    EXPECT_EQ(next(100), frames(8000, 100));
    EXPECT_EQ(next(100), frames(8100, 100));
    EXPECT_EQ(wave.lateBlocks - late, 16);
}

// While looping the loop start is read ahead: the jump back plays it at
// once (faded in), even when the reader cannot read a frame just then; the
// player's side allocates and reads nothing meanwhile.
TEST_F(LongWaveTest, AKeptLoopStartPlaysAtTheJumpWithoutTheReader)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    wave.KeepLoopReady(1000, 1);
    for (int block = 0; block < 200; ++block) {
        ASSERT_EQ(next(100), frames(100 * block, 100)) << block;
        wave_test::readerDone(wave); // a reader on time
    }
    const long late = wave.lateBlocks;
    std::vector<float> end = frames(20000, 70);
    for (int i = 0; i < 128; ++i)
        end[12 + i] *= float(127 - i) / 128.0f;
    std::vector<float> in = frames(1000, 30);
    for (int i = 0; i < 60; ++i)
        in[i] *= float(i) / 60.0f;
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    // Taken into room made beforehand, so that the counts are the player's.
    std::vector<std::vector<float>> played(32, std::vector<float>(200));
    long allocations = -1, fileAccesses = -1;
    EXPECT_TRUE(wave_test::playsWithoutTheReader(wave, [&] {
        testing_support::RealTimeCounter counter;
        auto take = [&](int index, long asked) {
            long frames = asked;
            int switchNow = 0;
            const float *data = wave.GetPlaybackData(frames, switchNow);
            played[index].assign(data, data + (data ? 2 * frames : 0));
            if (switchNow)
                wave.ChangePlaybackBuffer();
        };
        take(0, 70); // the loop end
        wave.LoopPlayback(1000);
        wave.KeepLoopReady(1000, 1);
        take(1, 30);
        for (int block = 0; block < 30; ++block)
            take(2 + block, 100);
        allocations = counter.allocations();
        fileAccesses = counter.fileAccesses() + counter.fileOpens();
    })) << "the player waited for the reader";
    EXPECT_EQ(played[0], end);
    EXPECT_EQ(played[1], in);
    for (int block = 0; block < 30; ++block)
        EXPECT_EQ(played[2 + block], frames(1030 + 100 * block, 100)) << block;
    EXPECT_EQ(wave.lateBlocks, late);
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(fileAccesses, 0);
}

// Whether, within 10 s, another thread comes to wait for the wave's lock,
// which the caller holds (the critical section counts its waiters).
bool anotherThreadWaitsForTheLock(CWave &wave)
{
    for (int i = 0; i < 10000 && wave.sync->section.LockCount < 1; ++i)
        Sleep(1);
    return wave.sync->section.LockCount >= 1;
}

// A buffer asked for another range while the reader reads it is not handed
// back with the frames of the range it was reading: the reader reads it
// again, and the jump to the new range plays the new range.
TEST_F(LongWaveTest, ABufferAskedAgainWhileItIsReadHoldsTheNewRange)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    wave_test::readerDone(wave);
    const long late = wave.lateBlocks;
    {
        CLock hold(wave.sync);
        wave.KeepLoopReady(20000, 1);
        // The reader has taken the request for 20000 and waits to read it.
        ASSERT_TRUE(anotherThreadWaitsForTheLock(wave));
        wave.KeepLoopReady(30000, 1); // the same buffer, asked again
    }
    wave_test::readerDone(wave);
    wave.LoopPlayback(30000);
    std::vector<float> in = frames(30000, 100);
    for (int i = 0; i < 128; ++i)
        in[i] *= float(i) / 128.0f;
    EXPECT_EQ(next(100), in);
    EXPECT_EQ(next(100), frames(30100, 100));
    EXPECT_EQ(wave.lateBlocks, late);
}

// A start from the transport (maybe on the stream provider's thread) waits
// for the reader only so long: then playback starts with late blocks, and
// the wave comes in place once the reader has caught up.
TEST_F(LongWaveTest, AStartWaitsForTheReaderOnlySoLong)
{
    int started = 0;
    std::vector<float> first;
    EXPECT_TRUE(wave_test::playsWithoutTheReader(wave, [&] {
        started = wave.InitPlayback(0, 100, 1.0f);
        first = next(100);
    })) << "the start waited for the reader";
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(wave.lateBlocks, 1);
    wave_test::readerDone(wave);
    EXPECT_EQ(next(100), frames(100, 100));
}

// A new tempo factor restarts the playback on the render thread at the
// place it has reached: without waiting, allocating or reading, on from the
// frames already read, in blocks of the new speed.
TEST_F(LongWaveTest, ARestartAtAnotherSpeedGoesOnFromWhatWasRead)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    wave_test::readerDone(wave);
    for (int block = 0; block < 10; ++block)
        next(100);
    const long late = wave.lateBlocks;
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    std::vector<std::vector<float>> played(20, std::vector<float>(400));
    int restarted = 0;
    long allocations = -1, fileAccesses = -1;
    EXPECT_TRUE(wave_test::playsWithoutTheReader(wave, [&] {
        testing_support::RealTimeCounter counter;
        restarted = wave.InitPlayback(1000, 100, 1.5f, 0);
        for (int block = 0; block < 20; ++block) {
            long frames = 150;
            int switchNow = 0;
            const float *data = wave.GetPlaybackData(frames, switchNow);
            played[block].assign(data, data + (data ? 2 * frames : 0));
            if (switchNow)
                wave.ChangePlaybackBuffer();
        }
        allocations = counter.allocations();
        fileAccesses = counter.fileAccesses() + counter.fileOpens();
    })) << "the restart waited for the reader";
    EXPECT_EQ(restarted, 1);
    EXPECT_EQ(wave.blockFrames, 150);
    for (int block = 0; block < 20; ++block)
        EXPECT_EQ(played[block], frames(1000 + 150 * block, 150)) << block;
    EXPECT_EQ(wave.lateBlocks, late);
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(fileAccesses, 0);
}

// Without the loop start kept ready, a jump to frames no buffer holds is
// silence until the reader has them, and goes on from there.
TEST_F(LongWaveTest, AJumpToFramesNotReadIsSilenceAndGoesOn)
{
    ASSERT_EQ(wave.InitPlayback(0, 100, 1.0f), 1);
    wave_test::readerDone(wave);
    for (int block = 0; block < 100; ++block)
        next(100);
    wave_test::readerDone(wave);
    const long late = wave.lateBlocks;
    std::vector<std::vector<float>> played;
    EXPECT_TRUE(wave_test::playsWithoutTheReader(wave, [&] {
        wave.LoopPlayback(30000);
        played.push_back(next(100));
        played.push_back(next(100));
    }));
    EXPECT_TRUE(played[0].empty());
    EXPECT_TRUE(played[1].empty());
    EXPECT_EQ(wave.lateBlocks - late, 2);
    wave_test::readerDone(wave);
    EXPECT_EQ(next(100), frames(30200, 100));
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
    playing->LoopPlayback(10000);
    playing->InitReading(&playing->buffers[1]);
    delete playing;
    EXPECT_EQ(filesIn(folder.path(), "AT_").size(), 1u); // the fixture's own
}

} // namespace
