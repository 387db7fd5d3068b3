// The audio window in the tests' host: samples against pixels and ticks,
// the wave's picture, beats lined up with the recording, the wave shifted,
// and the controller lanes; and the wave's overview in the measures window.
#include "gui/windows/tests/editor_host.h"

#include "data/event.h"
#include "data/storage.h"
#include "data/tests/wave_support.h"
#include "data/text_widths.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/audio_window.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Quorvane;
using namespace windows_test;

namespace {

// A second of 44.1 kHz 16-bit sound: on the left a square wave of +-0.5
// (100 samples a period), silence on the right; or mono.
std::string squareWave(int channels)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 44100; ++i) {
        samples.push_back(i % 100 < 50 ? 16384 : -16384);
        if (channels == 2)
            samples.push_back(0);
    }
    using namespace wave_test;
    return riff(chunk("fmt ", fmtBody(1, static_cast<uint16_t>(channels), 44100, 16)) +
                chunk("data", pcm16(samples)));
}

CTrackAudio *importWave(Host &host, int channels)
{
    const std::string bytes = squareWave(channels);
    CMemStorage storage;
    storage.PutBuffer(bytes.data(), static_cast<long>(bytes.size()), 1);
    storage.SetPos(0);
    EXPECT_EQ(host.song.ImportWave(&storage), 1);
    CTrackAudio *last = nullptr;
    for (CTrack *t = host.song.GetNextTrack(nullptr); t; t = host.song.GetNextTrack(t))
        if (t->GetKind() == TRACK_AUDIO)
            last = static_cast<CTrackAudio *>(t);
    return last;
}

// 100 samples a pixel beside a 40-pixel band; at 120 quarters a minute a
// beat is 22050 samples, 220.5 pixels: the beat lines of ticks 960 and 1920
// lie at x 260 and 481. The window is 300 high: 278 rows of data, each
// channel half 139 high.
struct AudioTest : ::testing::Test {
    KeepGlobal<long> keepZoom{ZoomAudioHorz};
    KeepGlobal<long> keepBand{wAudioLeftBand};
    Host host;
    CTrackAudio *track = importWave(host, 2);
    Editor *editor = nullptr;
    CAudioWindow *window = nullptr;

    void SetUp() override
    {
        ASSERT_NE(track, nullptr);
        ZoomAudioHorz = 100;
        wAudioLeftBand = 40;
        host.song.playStartTick = 10000000;
        CTrackMaster *master = host.song.GetTrackMaster();
        for (long i = 0; i < master->GetNumb(); ++i)
            if (master->GetEvent(i)->IsTempo())
                master->GetEvent(i)->setTempo(120.0f);
        master->UpdateParams(0);
        host.song.Update();
        editor = &host.open<CAudioWindow>(static_cast<long>(track->GetID()), 0, 800, 300);
        window = editor->as<CAudioWindow>();
        window->ScrollToPosition(0, 0);
        editor->paintAll();
        host.song.steps.clear();
    }
    long count(long controller) const
    {
        long n = 0;
        for (long i = 0; i < track->GetNumb(); ++i)
            n += track->GetEvent(i)->IsCtrl(controller);
        return n;
    }
};

} // namespace

TEST(AudioBinding, ANewWindowStartsInSynchroWithTheDrawTool)
{
    Host host;
    host.song.params.sampleRate = 48000;
    CTrack *audio = host.addTrack(TRACK_AUDIO);
    host.addTrack(TRACK_MIDI);
    KeepGlobal keep(ZoomAudioHorz);
    ZoomAudioHorz = 100;
    EXPECT_EQ(host.tryOpen(new CAudioWindow, static_cast<long>(audio->GetID()) + 1, 0), nullptr);
    Editor *editor = host.tryOpen(new CAudioWindow, static_cast<long>(audio->GetID()), 0);
    ASSERT_NE(editor, nullptr);
    auto *window = editor->as<CAudioWindow>();
    EXPECT_EQ(window->edit, AUDIO_SYNCHRO);
    EXPECT_EQ(editor->status[2], " Synchro");
    EXPECT_EQ(editor->tool, TOOL_DRAW);
    EXPECT_EQ(editor->toolFlag, 1);
    EXPECT_EQ(window->zoom, 108) << "100 samples a pixel at 44.1 kHz, at 48 kHz";
}

TEST_F(AudioTest, PixelsCountSamplesAndMeetTicksThroughTheTempo)
{
    EXPECT_EQ(window->GetSmplFromX(40), 0);
    EXPECT_EQ(window->GetSmplFromX(10), 0) << "never before the start";
    EXPECT_EQ(window->GetXFromSmpl(22050), 260);
    EXPECT_EQ(window->GetXFromSmpl(-1), 0);
    EXPECT_EQ(window->GetXFromTime(960), 260);
    EXPECT_EQ(window->GetXFromTime(kTimeMax), kTimeMax);
    EXPECT_EQ(window->GetTimeFromX(481), 1920);
    window->SetZoomHorz(50);
    EXPECT_EQ(ZoomAudioHorz, 50);
    EXPECT_EQ(window->GetXFromSmpl(22050), 40 + 441);
    char text[32];
    EXPECT_STREQ(window->StringShift(44100 * 61 + 4410, text), "+1.01.100");
    EXPECT_STREQ(window->StringShift(-441, text), "-0.00.010");
}

// A stereo track shows two centre lines and two label sets; a mono track
// one.
TEST_F(AudioTest, TheWaveIsDrawnPerChannel)
{
    // the left channel's square wave fills its half between +-0.5
    EXPECT_EQ(window->GetYFromValF(0.5f, 1), 56);
    EXPECT_EQ(window->GetYFromValF(-0.5f, 1), 126);
    EXPECT_EQ(editor->pixel(100, 90), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(100, 60), RGB(0, 0, 0));
    EXPECT_NE(editor->pixel(100, 50), RGB(0, 0, 0)) << "above +0.5";
    EXPECT_NE(editor->pixel(600, 60), RGB(0, 0, 0)) << "after the wave's second";
    // the right channel is silent: only its centre line
    EXPECT_EQ(editor->pixel(100, 231), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(600, 231), RGB(0, 0, 0));
    EXPECT_NE(editor->pixel(100, 200), RGB(0, 0, 0));
    // both channels' labels, and their ticks at the centre lines
    EXPECT_EQ(editor->pixel(37, 91), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(37, 231), RGB(0, 0, 0));
    long channel = 0;
    EXPECT_NEAR(window->GetValFFromY(56, channel), 0.5f, 0.02f);
    EXPECT_EQ(channel, 1);
    window->GetValFFromY(250, channel);
    EXPECT_EQ(channel, 2);
    editor->screenshot("pannikel_audio_window");

    CTrackAudio *mono = importWave(host, 1);
    ASSERT_NE(mono, nullptr);
    ASSERT_NE(mono, track);
    Editor &one = host.open<CAudioWindow>(static_cast<long>(mono->GetID()), 0, 800, 300);
    EXPECT_EQ(one.pixel(100, 22 + 139 - 139 / 2), RGB(0, 0, 0))
        << "+0.5 of one channel over the whole height";
    EXPECT_EQ(one.pixel(600, 161), RGB(0, 0, 0)) << "the one centre line";
    EXPECT_NE(one.pixel(600, 231), RGB(0, 0, 0));
    EXPECT_EQ(one.pixel(37, 161), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(37, 56), RGB(0, 0, 0)) << "the left channel's -6 dB";
    EXPECT_NE(one.pixel(37, 56), RGB(0, 0, 0));
    one.screenshot("pannikel_audio_window_mono");
}

TEST_F(AudioTest, ADraggedBeatLineSetsTheTempoOfTheBeatBefore)
{
    long time = 0;
    EXPECT_EQ(window->IsCursorOnBeat(260, time), 1);
    EXPECT_EQ(time, 960);
    editor->press(260, 150);
    EXPECT_EQ(window->dragState, AUDIO_BEAT_LINE);
    editor->move(400, 150);
    editor->move(481, 150);
    EXPECT_FALSE(editor->status[1].empty()) << "the beat's time";
    editor->release(481, 150);
    CTrackMaster *master = host.song.GetTrackMaster();
    EXPECT_NEAR(master->GetTempoAtTime(0), 60.0f, 0.5f) << "the beat lasts the second up to x 481";
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Change tempo");
    EXPECT_EQ(host.song.steps[0].scope, 0);
    EXPECT_EQ(window->beatText, nullptr);
    EXPECT_EQ(editor->contextsOut, 0);
    editor->paint();
    editor->screenshot("pannikel_audio_window_synchro");
}

// A beat line dropped so that the beat would last less than 1/250 minute
// stays at the 250 beats-per-minute limit.
TEST_F(AudioTest, ABeatLineStopsAtTheFastestTempo)
{
    editor->press(260, 150);
    editor->move(100, 150);
    EXPECT_EQ(window->frame.left, 40 + 105) << "10584 samples after the beat's start";
    editor->release(100, 150);
    EXPECT_NEAR(host.song.GetTrackMaster()->GetTempoAtTime(0), 250.0f, 0.5f);
}

TEST_F(AudioTest, ADragInsideABeatShiftsTheWave)
{
    long time = 0;
    EXPECT_EQ(window->IsCursorOnBeat(150, time), 0) << "a track without synchro data";
    editor->drag(150, 150, 194, 150);
    EXPECT_EQ(track->startOffset, 0);
    EXPECT_TRUE(host.song.steps.empty());

    track->synchro[0] = 1;
    EXPECT_EQ(window->IsCursorOnBeat(150, time), 2);
    editor->press(150, 150);
    EXPECT_EQ(editor->status[1], " +0.00.000");
    editor->move(194, 150);
    EXPECT_EQ(editor->status[1], " +0.00.099");
    editor->release(194, 150);
    EXPECT_EQ(track->startOffset, 4400);
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Shift wave");
    EXPECT_TRUE(editor->lockHeldAtModified);

    // never while the song plays
    host.sound.playing = 1;
    editor->drag(150, 150, 194, 150);
    EXPECT_EQ(track->startOffset, 4400);
    host.sound.playing = 0;
}

TEST_F(AudioTest, TheVolumeLaneIsDrawnOverTheDimmedWave)
{
    window->snap = 0;
    window->SetEdit(7);
    EXPECT_EQ(editor->status[2], " Volume");
    editor->paintAll();
    EXPECT_EQ(editor->pixel(100, 100), colourOf(colLtGray)) << "the wave, dimmed";
    const long y = window->GetYFromVal(90);
    editor->press(40, y);
    for (long x = 40; x <= 300; x += 10)
        editor->move(x, y);
    editor->release(300, y);
    EXPECT_EQ(track->volume, 90);
    EXPECT_GE(count(7), 1);
    EXPECT_EQ(host.song.steps.back().caption, "Draw Volume");
    editor->paint();
    EXPECT_EQ(editor->pixel(200, y), colourOf(colDrawCtrl));
    editor->screenshot("pannikel_audio_window_volume");

    editor->tool = TOOL_ERASE;
    editor->drag(40, y - 10, 100, y + 10);
    EXPECT_EQ(host.song.steps.back().caption, "Delete Volume");
    EXPECT_EQ(count(7), 0);
}

TEST_F(AudioTest, TheMeasuresWindowShowsTheWavesOverview)
{
    Editor &measures = host.open<CMeasWindow>(KEY_MEASURES, 0, 600, 200);
    const long row = static_cast<long>(track->GetID());
    const long top = 22 + 26 * row;
    // 120 ticks a pixel: the second of sound is two beats, 16 pixels
    EXPECT_GT(measures.count(QUAD(1, top + 2, 15, top + 24), RGB(0, 0, 0)), 40);
    EXPECT_LT(measures.count(QUAD(20, top + 2, 30, top + 24), RGB(0, 0, 0)), 5);
    measures.screenshot("pannikel_measures_window_audio");
}
