// The whole path, as the program will play a song: a MIDI track whose chain
// holds the fill drummer (created by class id through "Tembri MFX"), output
// to the preview synthesizer, played by the sound manager's render thread
// into the "DirectSound" provider's capture. The captured audio is checked
// against what a fill engine of this program plays over the same song: it
// is silent between the hits and sounds where the notes fall. The WAVE
// files go to the folder named by TEMBRI_CAPTURE_DIR (when set), with a
// line "capture <file> <frames>" each for the check against sox.
#include "sound/tests/drummer_song.h"

#include "data/track_audio.h"
#include "data/track_master.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace drummer_song;

namespace {

drummer_song::PlaybackEnvironment *environment = nullptr;

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        environment = new PlaybackEnvironment();
        ASSERT_TRUE(environment->ok());
    }
    void TearDown() override
    {
        delete environment;
        OleUninitialize();
    }
};

[[maybe_unused]] ::testing::Environment *const registered =
    ::testing::AddGlobalTestEnvironment(new Environment);

constexpr long kFrames = 256;
constexpr long kSongEnd = kBars * kBarTicks;

// The left channel of every captured buffer, as floats.
struct Captured {
    int32_t format = 16;
    std::vector<float> left;
};

void onBuffer(void *user, const void *bytes, int32_t frames, int32_t bytesPerFrame)
{
    auto *c = static_cast<Captured *>(user);
    const auto *at = static_cast<const uint8_t *>(bytes);
    const int sampleBytes = bytesPerFrame / 2;
    for (int32_t i = 0; i < frames; ++i, at += bytesPerFrame) {
        int32_t value = 0;
        float sample = 0.0f;
        if (c->format == kAspFloat) {
            std::memcpy(&sample, at, 4);
        } else {
            std::memcpy(&value, at, sampleBytes);
            value = (value << (32 - 8 * sampleBytes)) >> (32 - 8 * sampleBytes);
            sample = static_cast<float>(value) / (c->format == 16   ? 32767.0f
                                                  : c->format == 24 ? 8388607.0f
                                                                    : 2147483648.0f);
        }
        c->left.push_back(sample);
    }
}

// Plays the song into a capture of buffers buffers (into a WAVE file too
// when a path is given); where its tick 0 landed goes into startFrame.
void play(CSoundMngr *manager, CSong *song, int32_t buffers, const char *wavePath, Captured &captured,
          int64_t &startFrame)
{
    DSCAPTURE capture = {};
    capture.maxBuffers = buffers;
    capture.wavePath = wavePath;
    capture.onBuffer = onBuffer;
    capture.user = &captured;
    const Playback playback = playIntoCapture(*environment, manager, song, capture);
    startFrame = playback.startFrame;
    EXPECT_TRUE(playback.stoppedByItself) << "playback stops by itself at the song's end";
    ASSERT_GE(startFrame, 0);
    ASSERT_EQ(captured.left.size(), static_cast<size_t>(buffers) * kFrames);
}

// The first sample from..to that sounds, or -1.
int64_t firstSounding(const std::vector<float> &left, int64_t from, int64_t to)
{
    for (int64_t i = std::max<int64_t>(from, 0); i < to && i < static_cast<int64_t>(left.size()); ++i)
        if (std::fabs(left[i]) > 1e-4f)
            return i;
    return -1;
}

class EndToEnd : public ::testing::TestWithParam<std::pair<long, long>> {};

TEST_P(EndToEnd, TheDrummersHitsSoundWhereTheyFall)
{
    const auto [rate, format] = GetParam();
    IOPARAMS params = engineParams(rate, format, kFrames);
    auto *manager = new CSoundMngr("end to end");
    ASSERT_EQ(manager->Init(&params), 1);
    auto song = std::make_unique<CSong>(&params, manager);
    ASSERT_EQ(song->SetDefault(), 1);
    std::vector<int32_t> hits;
    ASSERT_NE(addDrummerTrack(song.get(), kBars, &hits), nullptr) << "the drummer through Tembri MFX";
    song->Update();
    song->songEnd = kSongEnd;
    ASSERT_GT(std::count_if(hits.begin(), hits.end(), [](int32_t t) { return t >= 7680 && t < 11520; }), 3)
        << "a fill in bar 3";

    // The capture: the whole song and what comes before it.
    CTrackMaster *master = song->GetTrackMaster();
    const int64_t songFrames = master->GetSampleFromTime(kSongEnd);
    const int32_t buffers = static_cast<int32_t>(songFrames / kFrames + 400);
    Captured captured;
    captured.format = format;
    const char *folder = std::getenv("TEMBRI_CAPTURE_DIR");
    if (folder && !*folder)
        folder = nullptr;
    const std::string wave = folder ? std::string(folder) + "\\capture_" + std::to_string(rate) + "_" +
                                          std::to_string(format) + ".wav"
                                    : std::string();
    int64_t startFrame = -1;
    play(manager, song.get(), buffers, folder ? wave.c_str() : nullptr, captured, startFrame);
    if (folder)
        std::printf("capture %s %ld\n", wave.c_str(), static_cast<long>(buffers) * kFrames);

    // Each hit sounds within a buffer of its place; a hit a beat or more
    // after the one before comes out of silence.
    auto sounding = [&](int64_t from, int64_t to) { return firstSounding(captured.left, from, to); };
    const int64_t beat = master->GetSampleFromTime(960);
    int isolated = 0;
    for (size_t h = 0; h < hits.size(); ++h) {
        const int64_t at = startFrame + master->GetSampleFromTime(hits[h]);
        EXPECT_GE(sounding(at - kFrames, at + kFrames), at - kFrames) << "hit at tick " << hits[h];
        const int64_t before = h ? startFrame + master->GetSampleFromTime(hits[h - 1]) : 0;
        if (at - before >= beat) {
            ++isolated;
            // The longest drum sound has died out half a second on.
            const int64_t quiet = h ? before + rate / 2 : 0;
            EXPECT_EQ(sounding(quiet, at - kFrames), -1) << "silence before the hit at tick " << hits[h];
        }
    }
    EXPECT_GE(isolated, 4);
    // After the song, silence.
    const int64_t end = startFrame + songFrames;
    EXPECT_EQ(sounding(end + rate / 2, static_cast<int64_t>(captured.left.size())), -1);

    song.reset();
    manager->Release();
}

INSTANTIATE_TEST_SUITE_P(RatesAndFormats, EndToEnd,
                         ::testing::Values(std::pair{44100L, 16L}, std::pair{44100L, 24L},
                                           std::pair{44100L, 32L}, std::pair{44100L, long{kAspFloat}},
                                           std::pair{48000L, 16L}, std::pair{48000L, 24L},
                                           std::pair{48000L, 32L}, std::pair{48000L, long{kAspFloat}}),
                         [](const ::testing::TestParamInfo<std::pair<long, long>> &info) {
                             return std::to_string(info.param.first) + "Hz_" +
                                    (info.param.second == kAspFloat
                                         ? std::string("float")
                                         : std::to_string(info.param.second) + "bit");
                         });

// While the song plays, the render thread takes nothing from the heap and
// touches no file, in any module it runs: the engine, the song, the chain,
// "Tembri MFX", the drummer and the preview synthesizer.
TEST(RealTime, TheRenderThreadNeitherAllocatesNorTouchesFiles)
{
    IOPARAMS params = engineParams(44100, 16, kFrames);
    auto *manager = new CSoundMngr("real time");
    ASSERT_EQ(manager->Init(&params), 1);
    auto song = std::make_unique<CSong>(&params, manager);
    ASSERT_EQ(song->SetDefault(), 1);
    for (int t = 0; t < 2; ++t)
        ASSERT_NE(addDrummerTrack(song.get(), kBars, nullptr), nullptr);
    song->Update();
    song->songEnd = kSongEnd;
    // The counter goes on the render thread with the first buffer it mixes.
    ASSERT_TRUE(hookPlaybackModules());
    struct Counting {
        testing_support::RealTimeCounter *counter = nullptr;
        long buffers = 0;
    } counting;
    song->GetSongTract()->SetMonitor(
        1,
        [](ULONG_PTR user) {
            auto *c = reinterpret_cast<Counting *>(user);
            ++c->buffers;
            if (!c->counter)
                c->counter = new testing_support::RealTimeCounter;
        },
        reinterpret_cast<ULONG_PTR>(&counting));
    Captured captured;
    int64_t startFrame = -1;
    const int64_t songFrames = song->GetTrackMaster()->GetSampleFromTime(kSongEnd);
    play(manager, song.get(), static_cast<int32_t>(songFrames / kFrames + 100), nullptr, captured,
         startFrame);
    ASSERT_NE(counting.counter, nullptr);
    EXPECT_GT(counting.buffers, songFrames / kFrames);
    EXPECT_EQ(counting.counter->allocations(), 0);
    EXPECT_EQ(counting.counter->fileOpens(), 0);
    EXPECT_EQ(counting.counter->fileAccesses(), 0);
    EXPECT_EQ(counting.counter->messageBoxes(), 0);
    delete counting.counter;
    song.reset();
    manager->Release();
}

// An audio track: its wave sounds from its start offset on, sample for
// sample, through "Tembri Audio".
TEST(AudioTrack, ItsWaveSoundsFromItsStart)
{
    IOPARAMS params = engineParams(44100, kAspFloat, kFrames);
    auto *manager = new CSoundMngr("audio track");
    ASSERT_EQ(manager->Init(&params), 1);
    auto song = std::make_unique<CSong>(&params, manager);
    ASSERT_EQ(song->SetDefault(), 1);
    auto *track = static_cast<CTrackAudio *>(song->InsertNewTrack(TRACK_AUDIO, -1, 0));
    ASSERT_NE(track, nullptr) << "its output is Tembri Audio";
    // Half a second of a 1 kHz sine, left, and its negative, right.
    const long frames = 22050;
    std::vector<float> sine(2 * frames);
    for (long i = 0; i < frames; ++i) {
        sine[2 * i] = 0.5f * static_cast<float>(std::sin(2 * 3.14159265358979 * 1000.0 * i / 44100.0));
        sine[2 * i + 1] = -sine[2 * i];
    }
    ASSERT_EQ(track->wave.Write(sine.data(), 0, frames), 1);
    track->wave.length = frames;
    track->startOffset = 44100;
    track->UpdateLastTime();
    song->Update();
    const int64_t songFrames = song->GetTrackMaster()->GetSampleFromTime(song->songEnd);
    ASSERT_GT(songFrames, 44100 + frames);
    Captured captured;
    captured.format = kAspFloat;
    int64_t startFrame = -1;
    play(manager, song.get(), static_cast<int32_t>(songFrames / kFrames + 100), nullptr, captured,
         startFrame);
    const int64_t at = startFrame + 44100;
    EXPECT_EQ(firstSounding(captured.left, 0, at), -1) << "silence before the start offset";
    for (long i = 0; i < frames; i += 7)
        ASSERT_EQ(captured.left[at + i], sine[2 * i]) << i;
    EXPECT_EQ(firstSounding(captured.left, at + frames, static_cast<int64_t>(captured.left.size())), -1);
    song.reset();
    manager->Release();
}

// The metronome alone: a click on each beat's first sample, the bars'
// first beats accented, nothing between them.
TEST(Metronome, ClicksOnTheBeatsOfTheCapture)
{
    IOPARAMS params = engineParams(44100, 16, kFrames);
    auto *manager = new CSoundMngr("metronome");
    ASSERT_EQ(manager->Init(&params), 1);
    auto song = std::make_unique<CSong>(&params, manager);
    ASSERT_EQ(song->SetDefault(), 1);
    song->metronome = 1;
    song->songEnd = 2 * kBarTicks;
    const int64_t beat = song->GetTrackMaster()->GetSampleFromTime(960);
    Captured captured;
    int64_t startFrame = -1;
    play(manager, song.get(), static_cast<int32_t>(8 * beat / kFrames + 200), nullptr, captured, startFrame);
    float peaks[8] = {};
    for (int b = 0; b < 8; ++b) {
        const int64_t at = startFrame + b * beat;
        // A click starts with a sine at phase 0: its second sample sounds.
        EXPECT_EQ(firstSounding(captured.left, at - beat / 2, at + beat / 2), at + 1) << "beat " << b;
        for (int64_t i = at; i < at + 2000; ++i)
            peaks[b] = std::max(peaks[b], std::fabs(captured.left[i]));
    }
    EXPECT_NE(peaks[0], peaks[1]) << "the bar's first beat has its own click";
    EXPECT_EQ(peaks[0], peaks[4]);
    EXPECT_EQ(peaks[1], peaks[2]);
    // The buffer that reaches the song's end may still hold the next bar's
    // first beat; nothing comes after it.
    EXPECT_EQ(firstSounding(captured.left, startFrame + 8 * beat + beat / 2, captured.left.size()), -1)
        << "no click after the song";
    song.reset();
    manager->Release();
}

} // namespace
