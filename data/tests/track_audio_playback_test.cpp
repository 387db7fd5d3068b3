// An audio track played by the song buffer by buffer, as the render thread
// asks: its wave's frames reach the output's host extension in time order,
// across the loop's jump back without a gap, and a reader that is late
// (held up on the wave's lock) never holds up the song's render call.
#include "data/song.h"
#include "data/tests/fake_sound.h"
#include "data/tests/wave_support.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "sound/soft_synth.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

constexpr long kBuffer = 256;
// A bar at 100 quarters per minute, 960 ticks per quarter, 44.1 kHz.
constexpr long kBarFrames = 105840;
constexpr int kWaveFrames = 120000;

// The blocks an audio track hands its output, one stereo frame after the
// other; silence (a block without data) as zero frames.
struct BlockSink : IZQSSExTembri {
    void Nothing() override {}
    void SetSong(ITembriSong *) override {}
    void Transport(long, long, long, float) override {}
    int AudioBlock(long, const float *data, long frames) override
    {
        for (long i = 0; i < frames; ++i) {
            left.push_back(data ? data[2 * i] : 0.0f);
            right.push_back(data ? data[2 * i + 1] : 0.0f);
        }
        return 1;
    }
    bool GetInstrument(long, void *) override { return false; }
    bool SelectInstrument(long, const void *) override { return false; }
    std::vector<float> left, right;
};

class AudioTrackPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        params.sampleRate = 44100;
        params.bufferFrames = kBuffer;
        ASSERT_EQ(params.SetString(IOSTR_WAVEDIR, folder.path().c_str()), 1);
        ASSERT_EQ(song.UpdateIOParams(&params), 1);
        sound.tract.otherHost = &sink;
        ASSERT_EQ(song.SetDefault(), 1);
        track = static_cast<CTrackAudio *>(song.InsertNewTrack(TRACK_AUDIO, -1, 0));
        ASSERT_NE(track, nullptr);
        // Frame i holds (i + 1, -(i + 1)).
        std::vector<float> samples;
        for (int i = 0; i < kWaveFrames; ++i) {
            samples.push_back(float(i + 1));
            samples.push_back(-float(i + 1));
        }
        ASSERT_TRUE(wave_test::append(track->wave, samples));
        track->UpdateLastTime();
        song.Update();
        sink.left.reserve(2 * kWaveFrames);
        sink.right.reserve(2 * kWaveFrames);
    }

    testing_support::TempFolder folder;
    FakeSoundMngr sound;
    IOPARAMS params;
    CSong song{nullptr, &sound};
    CTrackAudio *track = nullptr;
    BlockSink sink;
};

// Looping over the first bar: the loop start is read ahead, so the buffers
// around the jump play while the reader can read nothing, and the wave goes
// on from its first frame right after the loop end.
TEST_F(AudioTrackPlayback, TheLoopPlaysOnWithoutWaitingForTheReader)
{
    song.loop = 1;
    ASSERT_EQ(song.SetTimeSelection(0, 3840), 1);
    ASSERT_EQ(song.GetTrackMaster()->GetSampleFromTime(3840), kBarFrames);
    ASSERT_EQ(song.OnStartPlayback(), 1);
    wave_test::readerDone(track->wave);
    const long before = kBarFrames / kBuffer - 4;
    for (long i = 0; i < before; ++i) {
        song.AskPlayback(kBuffer);
        wave_test::readerDone(track->wave); // a reader on time
    }
    EXPECT_TRUE(wave_test::playsWithoutTheReader(track->wave, [&] {
        for (int i = 0; i < 12; ++i)
            song.AskPlayback(kBuffer);
    })) << "the render call waited for the reader";
    song.OnStopPlayback();

    const size_t heard = sink.left.size();
    ASSERT_EQ(heard, size_t(before + 12) * kBuffer);
    EXPECT_EQ(track->wave.lateBlocks, 0);
    // The bar up to its last 64 frames (which fade out), then the wave from
    // its start again after the 64 frames that fade in.
    for (long i = 0; i < kBarFrames - 64; ++i)
        ASSERT_EQ(sink.left[i], float(i + 1)) << i;
    for (size_t i = kBarFrames + 64; i < heard; ++i)
        ASSERT_EQ(sink.left[i], float(i - kBarFrames + 1)) << i;
    EXPECT_GT(sink.left[kBarFrames + 63], 0.0f);
}

// The loop's start moves while the song loops: the new start is read ahead
// before the loop end comes, so the jump back plays it at once while the
// reader can read nothing.
TEST_F(AudioTrackPlayback, AMovedLoopStartIsReadAheadBeforeTheLoopEnd)
{
    song.loop = 1;
    ASSERT_EQ(song.SetTimeSelection(0, 3840), 1);
    ASSERT_EQ(song.OnStartPlayback(), 1);
    wave_test::readerDone(track->wave);
    const long before = kBarFrames / kBuffer - 4;
    for (long i = 0; i < before; ++i) {
        if (i == 100) {
            ASSERT_EQ(song.SetTimeSelection(960, 3840), 1); // the second beat
        }
        song.AskPlayback(kBuffer);
        wave_test::readerDone(track->wave);
    }
    EXPECT_TRUE(wave_test::playsWithoutTheReader(track->wave, [&] {
        for (int i = 0; i < 12; ++i)
            song.AskPlayback(kBuffer);
    })) << "the render call waited for the reader";
    song.OnStopPlayback();

    const size_t heard = sink.left.size();
    ASSERT_EQ(heard, size_t(before + 12) * kBuffer);
    EXPECT_EQ(track->wave.lateBlocks, 0);
    // After the 64 frames that fade in, the wave from the second beat on.
    const long beat = 26460;
    ASSERT_EQ(song.GetTrackMaster()->GetSampleFromTime(960), beat);
    for (size_t i = kBarFrames + 64; i < heard; ++i)
        ASSERT_EQ(sink.left[i], float(i - kBarFrames + beat + 1)) << i;
    EXPECT_GT(sink.left[kBarFrames + 63], 0.0f);
}

// The reader is late from the start on: every render call comes back all
// the same, the track's blocks are silence (counted), and once the reader
// has caught up the wave plays on at the place the song has reached.
TEST_F(AudioTrackPlayback, ALateReaderNeverHoldsUpTheRenderCall)
{
    ASSERT_EQ(song.OnStartPlayback(), 1);
    wave_test::readerDone(track->wave);
    const int calls = 100; // beyond the frames read ahead
    EXPECT_TRUE(wave_test::playsWithoutTheReader(track->wave, [&] {
        for (int i = 0; i < calls; ++i)
            song.AskPlayback(kBuffer);
    })) << "the render call waited for the reader";
    ASSERT_EQ(sink.left.size(), size_t(calls) * kBuffer);
    EXPECT_GT(track->wave.lateBlocks, 0);
    for (long i = 0; i < 2 * 32 * kBuffer; ++i)
        ASSERT_EQ(sink.left[i], float(i + 1)) << i; // read ahead before
    for (size_t i = 2 * 32 * kBuffer; i < sink.left.size(); ++i)
        ASSERT_EQ(sink.left[i], 0.0f) << i;

    wave_test::readerDone(track->wave);
    song.AskPlayback(kBuffer);
    song.OnStopPlayback();
    const size_t from = size_t(calls) * kBuffer;
    ASSERT_EQ(sink.left.size(), from + kBuffer);
    for (size_t i = from; i < from + kBuffer; ++i)
        ASSERT_EQ(sink.left[i], float(i + 1)) << i;
    EXPECT_EQ(sink.right[from], -float(from + 1));
}

} // namespace
