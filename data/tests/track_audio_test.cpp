#include "data/track_audio.h"

#include "data/smf.h"
#include "data/song.h"
#include "data/storage.h"

#include "data/tests/fake_sound.h"
#include "data/tests/wave_support.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace Quorvane;
using namespace wave_test;
using testing_support::TempFolder;

namespace {

// A song whose audio tracks keep their samples in a folder of the test.
class AudioTracks : public ::testing::Test {
protected:
    void SetUp() override
    {
        IOPARAMS params;
        ASSERT_EQ(params.SetString(IOSTR_WAVEDIR, folder.path().c_str()), 1);
        song = std::make_unique<CSong>(&params, &sound);
        ASSERT_EQ(song->SetDefault(), 1);
    }

    CTrackAudio *addAudio()
    {
        auto *t = static_cast<CTrackAudio *>(song->InsertNewTrack(TRACK_AUDIO, -1, 0));
        EXPECT_NE(t, nullptr);
        return t;
    }
    static std::string describe(const CTrack *t)
    {
        std::string out;
        for (long i = 0; i < t->GetNumb(); ++i) {
            const EVENT *e = t->GetEvent(i);
            out += std::to_string(e->time) + ":" + std::to_string(e->status) + "/" +
                   std::to_string(e->data1) + "/" + std::to_string(e->data2) + " ";
        }
        return out;
    }
    int importWave(const std::string &bytes)
    {
        CMemStorage storage;
        storage.PutBuffer(bytes.data(), static_cast<long>(bytes.size()));
        storage.SetPos(0);
        return song->ImportWave(&storage);
    }

    TempFolder folder;
    FakeSoundMngr sound;
    std::unique_ptr<CSong> song;
};

TEST_F(AudioTracks, DefaultsAndAnOutputOfTheirOwn)
{
    CTrackAudio *t = addAudio();
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->name, "Audio");
    EXPECT_EQ(t->flags, TRACK_SELECTED);
    EXPECT_EQ(t->channel, -1);
    EXPECT_EQ(t->volume, 100);
    EXPECT_EQ(t->pan, 64);
    EXPECT_EQ(describe(t), "0:176/7/100 0:176/10/64 ");
    EXPECT_EQ(t->output, &sound.tract.other);
    EXPECT_EQ(sound.tract.addedKinds, std::vector<long>{2}) << "an output that plays audio";
    EXPECT_EQ(t->HaveData(), 0);
    EXPECT_EQ(t->startOffset, 0);
    EXPECT_EQ(t->synchro[0], 0);
    EXPECT_EQ(t->synchro[1], 0);
    EXPECT_EQ(t->hostExtension, nullptr);
    EXPECT_EQ(t->wavePlaying, 0);

    // The wave: for playback, at the song's rate, in the song's wave folder.
    EXPECT_EQ(t->wave.IsStateOk(), 1);
    EXPECT_EQ(t->wave.playback, 1);
    EXPECT_EQ(t->wave.sampleRate, 44100);
    EXPECT_EQ(t->wave.length, 0);
    EXPECT_EQ(filesIn(folder.path(), "AT_").size(), 1u);
    EXPECT_EQ(filesIn(folder.path(), "AG_").size(), 1u);

    // SetDefault again empties the wave and the offset.
    ASSERT_TRUE(append(t->wave, {0.5f, 0.5f}));
    t->startOffset = 7;
    t->SetMute(1);
    ASSERT_EQ(t->SetDefault(), 1);
    EXPECT_EQ(t->wave.length, 0);
    EXPECT_EQ(t->startOffset, 0);
    EXPECT_EQ(t->flags, 0u);
    EXPECT_EQ(describe(t), "0:176/7/100 0:176/10/64 ");

    song->DeleteTrack(t, 0);
    EXPECT_TRUE(filesIn(folder.path(), "A").empty()) << "the wave's files go with the track";
}

TEST_F(AudioTracks, DataMeansSamplesOrOtherThanTheDefaultControllers)
{
    CTrackAudio *t = addAudio();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->HaveData(), 0);

    t->GetEvent(0)->setCtrlVal(99);
    EXPECT_EQ(t->HaveData(), 1) << "volume 99";
    t->GetEvent(0)->setCtrlVal(100);
    t->GetEvent(1)->setCtrlVal(63);
    EXPECT_EQ(t->HaveData(), 1) << "pan 63";
    t->GetEvent(1)->setCtrlVal(64);
    t->GetEvent(1)->time = 1;
    EXPECT_EQ(t->HaveData(), 1) << "pan 64 at tick 1";
    t->GetEvent(1)->time = 0;
    std::swap(*t->GetEvent(0), *t->GetEvent(1));
    EXPECT_EQ(t->HaveData(), 0) << "in either order";
    *t->GetEvent(0) = *t->GetEvent(1);
    EXPECT_EQ(t->HaveData(), 1) << "volume twice";
    t->GetEvent(0)->setCtrl(0, 10, 64);

    EVENT wheel;
    wheel.setWheel(0, 0);
    wheel.time = 960;
    t->AddToTail(&wheel, 1);
    EXPECT_EQ(t->HaveData(), 1) << "three events";
    t->GetEvent(2)->SetDelt();
    t->Erase();
    ASSERT_EQ(t->HaveData(), 0);

    ASSERT_TRUE(append(t->wave, {0.0f, 0.0f}));
    EXPECT_EQ(t->HaveData(), 1) << "a frame";
    t->wave.Clear();
    t->DeleteByTime(-1, 0, 0);
    EXPECT_EQ(t->GetNumb(), 0);
    EXPECT_EQ(t->HaveData(), 1) << "only the two default controllers make no data";
}

// 300 stereo frames (f, -f) from song sample 100 on.
TEST_F(AudioTracks, ReadGivesTheSongsSamplesFromTheStartOffset)
{
    CTrackAudio *t = addAudio();
    ASSERT_NE(t, nullptr);
    std::vector<float> frames;
    for (int f = 0; f < 300; ++f) {
        frames.push_back(float(f));
        frames.push_back(-float(f));
    }
    ASSERT_TRUE(append(t->wave, frames));
    t->startOffset = 100;
    EXPECT_EQ(t->IsStereo(), 1);

    unsigned long count = 20;
    float *block = t->Read(90, count);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(count, 20u);
    std::vector<float> expected(20, 0.0f);
    for (int f = 0; f < 10; ++f) {
        expected.push_back(float(f));
        expected.push_back(-float(f));
    }
    EXPECT_EQ(std::vector<float>(block, block + 40), expected);
    std::free(block);

    count = 4; // the last two frames and two past the end
    block = t->Read(398, count);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::vector<float>(block, block + 8),
              (std::vector<float>{298.0f, -298.0f, 299.0f, -299.0f, 0, 0, 0, 0}));
    std::free(block);

    count = 0;
    EXPECT_EQ(t->Read(100, count), nullptr);

    CTrackAudio *mono = addAudio();
    ASSERT_NE(mono, nullptr);
    mono->wave.channels = 1;
    mono->wave.bytesPerFrame = 4;
    ASSERT_TRUE(append(mono->wave, {0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(mono->IsStereo(), 0);
    count = 3;
    block = mono->Read(1, count);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::vector<float>(block, block + 3), (std::vector<float>{0.5f, 0.75f, 0.0f}));
    std::free(block);
}

// Block k of 128 frames swings between -(k + 1) / 20 and (k + 1) / 10.
TEST_F(AudioTracks, GraphicsArePairsPer128SamplesOfTheSong)
{
    CTrackAudio *t = addAudio();
    ASSERT_NE(t, nullptr);
    t->wave.channels = 1;
    t->wave.bytesPerFrame = 4;
    std::vector<float> samples;
    for (int f = 0; f < 3 * 128; ++f) {
        const float k = float(f / 128 + 1);
        samples.push_back(f % 2 ? -k / 20 : k / 10);
    }
    ASSERT_TRUE(append(t->wave, samples));
    ASSERT_EQ(t->wave.CreateGraphics(), 1);
    t->startOffset = 200;

    // Samples 0, 128, ..., 640: frames -200, -72, 56, 184, 312, 440.
    EXPECT_EQ(CTrackAudio::GraphicsPairs(0, 641), 6);
    float *pairs = t->ReadGraphics(0, 641);
    ASSERT_NE(pairs, nullptr);
    const std::vector<float> expected = {0, 0, 0, 0, -0.05f, 0.1f, -0.1f, 0.2f, -0.15f, 0.3f, 0, 0};
    const std::vector<float> got(pairs, pairs + 12);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_FLOAT_EQ(got[i], expected[i]) << i;
    std::free(pairs);

    // From inside the wave, not on a pair's border.
    pairs = t->ReadGraphics(200 + 130, 200 + 131);
    ASSERT_NE(pairs, nullptr);
    EXPECT_FLOAT_EQ(pairs[0], -0.1f);
    EXPECT_FLOAT_EQ(pairs[1], 0.2f);
    std::free(pairs);

    EXPECT_EQ(CTrackAudio::GraphicsPairs(5, 5), 0);
    EXPECT_EQ(t->ReadGraphics(5, 5), nullptr);
    EXPECT_EQ(t->ReadGraphics(9, 1), nullptr);
}

// The default master: 4/4, 100 quarters per minute at 960 ticks per
// quarter and 44100 samples a second, so one second is 1600 ticks.
TEST_F(AudioTracks, TheEndIsTheLaterOfTheEventsAndTheWave)
{
    CTrackAudio *t = addAudio();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->UpdateLastTime(), 0) << "controllers at 0 and no samples";
    EXPECT_EQ(t->lastTime, 0);

    ASSERT_TRUE(append(t->wave, std::vector<float>(2 * 44100, 0.1f)));
    t->startOffset = 44100;
    EXPECT_EQ(t->UpdateLastTime(), 1);
    EXPECT_EQ(t->lastTime, 3200);
    song->Update();
    EXPECT_EQ(song->songEnd, 3840) << "rounded up to the bar";

    EVENT late;
    late.setCtrl(0, 7, 90);
    late.time = 5000;
    t->AddToTail(&late, 1);
    EXPECT_EQ(t->UpdateLastTime(), 1);
    EXPECT_EQ(t->lastTime, 5000);
}

// The audio kind, like the others, keeps its settings in step with its
// events, edits them by lane and sends its initial state.
TEST_F(AudioTracks, SettingsLanesAndTheInitialState)
{
    CTrackAudio *t = addAudio();
    ASSERT_NE(t, nullptr);
    t->volume = 80;
    t->pan = 20;
    EXPECT_EQ(t->CheckVolPanChanged(0), 1);
    EXPECT_EQ(describe(t), "0:176/7/80 0:176/10/20 ");
    t->volume = t->pan = -5;
    EXPECT_EQ(t->CheckVolPanChanged(1), 1);
    EXPECT_EQ(t->volume, 80);
    EXPECT_EQ(t->pan, 20);

    ASSERT_EQ(t->SendInitialToPort(SEND_ALL), 1);
    EXPECT_EQ(sound.tract.messages(), (std::vector<uint32_t>{0x5007B0, 0x140AB0}));
    for (const auto &s : sound.tract.sent)
        EXPECT_EQ(s.out, &sound.tract.other);

    EVENT later;
    later.setCtrl(0, 7, 50);
    later.time = 1920;
    t->AddToTail(&later, 1);
    t->Sort();
    EXPECT_EQ(t->SelectByRange(7, 0, 3840, 60, 127, 0), 1);
    EXPECT_TRUE(t->GetEvent(0)->IsSlct());
    EXPECT_FALSE(t->GetEvent(2)->IsSlct()) << "value 50 is outside";
    EXPECT_EQ(t->DeleteByRange(7, 0, 3840, 0, 60), 1);
    EXPECT_EQ(describe(t), "0:176/7/80 0:176/10/20 ");
    const uint64_t before = t->GetEdition();
    EXPECT_EQ(t->DeleteBySelection(), 1);
    EXPECT_EQ(describe(t), "0:176/10/20 ");
    EXPECT_GT(t->GetEdition(), before);
    EXPECT_EQ(t->CheckVolPanChanged(1), 1);
    EXPECT_EQ(t->volume, -1);

    // A song written as a MIDI file leaves audio tracks out.
    CSMFCoder coder(song.get(), 0, 0);
    CMemStorage file;
    ASSERT_EQ(coder.ExportSMF(&file), 1);
    EXPECT_EQ(file.GetData()[11], 1) << "the master track only";
}

// 9000 stereo frames at 44100 Hz: a rate of 22050 keeps every second one.
TEST_F(AudioTracks, ANewSampleRateResamplesTheWaveWithoutAMessageBox)
{
    CTrackAudio *t = addAudio();
    ASSERT_NE(t, nullptr);
    std::vector<float> frames;
    for (int f = 0; f < 9000; ++f) {
        frames.push_back(std::sin(f * 0.01f));
        frames.push_back(0.5f * std::cos(f * 0.02f));
    }
    ASSERT_TRUE(append(t->wave, frames));
    t->startOffset = 4410;
    const uint64_t edition = t->GetEdition();

    EXPECT_EQ(t->UpdateLastTime(), 1);
    EXPECT_EQ(t->lastTime, 486); // 13410 samples

    // A box the library showed would be counted and answered here.
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    testing_support::RealTimeCounter probe;
    IOPARAMS params = song->GetIOParams();
    params.sampleRate = 22050;
    EXPECT_EQ(song->UpdateIOParams(&params), 1);
    EXPECT_EQ(probe.messageBoxes(), 0);
    EXPECT_EQ(t->wave.sampleRate, 22050);
    ASSERT_EQ(t->wave.length, 4500);
    EXPECT_EQ(t->startOffset, 2205);
    EXPECT_GT(t->GetEdition(), edition);
    const std::vector<float> got = readAll(t->wave);
    for (int f = 0; f < 4500; ++f) {
        ASSERT_NEAR(got[2 * f], frames[4 * f], 2.0 / 8388607) << f;
        ASSERT_NEAR(got[2 * f + 1], frames[4 * f + 1], 2.0 / 8388607) << f;
    }
    // Still 2 s at 22050 Hz: the end stays where it was.
    EXPECT_EQ(t->UpdateLastTime(), 0);

    // A rate the wave cannot take is a failure that changes nothing.
    EXPECT_EQ(t->ChangeSPS(22050, 0), 0);
    EXPECT_EQ(t->ChangeSPS(0, 44100), 0);
    EXPECT_EQ(t->wave.sampleRate, 22050);
    EXPECT_EQ(t->wave.length, 4500);
    EXPECT_EQ(t->startOffset, 2205);
    EXPECT_EQ(probe.messageBoxes(), 0);
}

// A mono 16-bit file of four frames.
std::string smallWave()
{
    return riff(chunk("fmt ", fmtBody(1, 1, 44100, 16)) + chunk("data", pcm16({1000, -1000, 2000, -2000})));
}

TEST_F(AudioTracks, ImportingAWaveFillsAnEmptyAudioTrackOrANewOne)
{
    CTrackAudio *reused = addAudio();
    ASSERT_NE(reused, nullptr);
    reused->DeleteByTime(-1, 0, 0); // no events and no samples
    CTrack *midi = song->InsertNewTrack(TRACK_MIDI, -1, 0);
    ASSERT_NE(midi, nullptr);
    ASSERT_TRUE(midi->IsSlct());

    ASSERT_EQ(importWave(smallWave()), 1);
    EXPECT_FALSE(midi->IsSlct()) << "every track deselected first";
    EXPECT_TRUE(reused->IsSlct());
    EXPECT_EQ(reused->wave.length, 4);
    EXPECT_EQ(reused->wave.channels, 1);
    EXPECT_GT(reused->wave.peakLength, 0);
    EXPECT_EQ(reused->lastTime, 0) << "four samples end before tick 1";
    EXPECT_EQ(song->GetNumTracks(), 3);

    // The track now holds samples: the next file gets a new track even
    // though its events are gone.
    const uint64_t edition = reused->GetEdition();
    ASSERT_EQ(importWave(smallWave()), 1);
    EXPECT_EQ(reused->wave.length, 4) << "nothing appended";
    EXPECT_EQ(reused->GetEdition(), edition);
    ASSERT_EQ(song->GetNumTracks(), 4);
    auto *fresh = static_cast<CTrackAudio *>(song->GetTrack(3));
    ASSERT_EQ(fresh->kind, TRACK_AUDIO);
    EXPECT_EQ(fresh->wave.length, 4);
    EXPECT_EQ(describe(fresh), "0:176/7/100 0:176/10/64 ");
    EXPECT_FALSE(reused->IsSlct());
    EXPECT_EQ(song->GetNumSelected(), 1);
}

TEST_F(AudioTracks, AFileThatGivesNothingLeavesNoTrackBehind)
{
    EXPECT_EQ(importWave(riff(chunk("data", pcm16({1, 2})) + chunk("fmt ", fmtBody(1, 1, 44100, 16)))), 0);
    EXPECT_EQ(song->GetNumTracks(), 1) << "the master only";
    EXPECT_EQ(sound.tract.deleted, std::vector<void *>{&sound.tract.other}) << "its output went too";
    EXPECT_TRUE(filesIn(folder.path(), "A").empty());
    EXPECT_EQ(song->ImportWave(nullptr), 0);
    EXPECT_EQ(song->GetNumTracks(), 1);

    // An empty track that was there stays (with its output).
    CTrackAudio *kept = addAudio();
    ASSERT_NE(kept, nullptr);
    kept->DeleteByTime(-1, 0, 0);
    sound.tract.deleted.clear();
    EXPECT_EQ(importWave("RIFF"), 0);
    EXPECT_EQ(song->GetTrack(1), kept);
    EXPECT_TRUE(sound.tract.deleted.empty());
}

} // namespace
