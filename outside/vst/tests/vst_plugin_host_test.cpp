#include "outside/vst/vst_plugin_host.h"

#include "base/message_box.h"
#include "data/tembri_song.h"
#include "outside/vst/tests/test_plugins.h"
#include "sound/module_state.h"
#include "testing/realtime_counters.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;
using vst_test::HeldPlugin;

namespace {

struct Hosted {
    explicit Hosted(const std::string &name, float rate = 44100.0f, int block = 256) : plugin(name)
    {
        host.SetFormat(rate, block);
        frames = block;
    }
    static void changed(void *owner) { ++*static_cast<int *>(owner); }
    // Renders blocks replacing until out holds count frames; the note-on
    // (note, velocity 127) at frame on and its note-off at frame off.
    std::vector<float> play(long count, long on, long off = -1, uint8_t note = 60, bool add = false)
    {
        std::vector<float> out;
        for (long start = 0; start < count; start += frames) {
            for (long frame : {on, off}) {
                if (frame >= start && frame < start + frames) {
                    const uint8_t message[4] = {static_cast<uint8_t>(frame == on ? 0x90 : 0x80), note, 127,
                                                0};
                    host.QueueMidi(message, static_cast<int>(frame - start));
                }
            }
            std::vector<float> block(2 * static_cast<size_t>(frames), add ? 0.125f : -1.0f);
            sounded.push_back(host.Render(block.data(), frames, add, nullptr));
            out.insert(out.end(), block.begin(), block.end());
        }
        return out;
    }

    HeldPlugin plugin;
    int changes = 0;
    VstPluginHost host{&Hosted::changed, &changes};
    int frames;
    std::vector<bool> sounded;
};

long firstSound(const std::vector<float> &out)
{
    for (size_t i = 0; i < out.size(); ++i)
        if (out[i] != 0.0f)
            return static_cast<long>(i / 2);
    return -1;
}

// The window thread inside the plug-in with the host's lock held: a state
// load whose parameter setting the plug-in holds up until this ends.
class StateLoadHoldsThePlugin {
public:
    StateLoadHoldsThePlugin(HeldPlugin &plugin, VstPluginHost &host)
    {
        plugin.holdUpParameters(entered_, release_);
        loading_ = std::thread([&host] {
            // Parameter 0 at 0.5, as it is.
            const uint8_t state[] = {2, 0, 0, 0, 1, 0, 0, 0, 0x00, 0x00, 0x00, 0x3F};
            PORTDESCR descriptor(4);
            descriptor.SetParams(state, sizeof state);
            LoadModuleState(&host, &descriptor);
        });
        held_ = WaitForSingleObject(entered_, 10000) == WAIT_OBJECT_0;
    }
    ~StateLoadHoldsThePlugin()
    {
        SetEvent(release_);
        loading_.join();
        CloseHandle(entered_);
        CloseHandle(release_);
    }
    bool held() const { return held_; }

private:
    HANDLE entered_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread loading_;
    bool held_ = false;
};

struct Format {
    float rate;
    int block;
};

class FormatTest : public ::testing::TestWithParam<Format> {};

// The plug-in is opened with the engine's rate and block size and hears
// each note at its frame, whatever the block it falls in.
TEST_P(FormatTest, ANoteSoundsFromItsFrame)
{
    const Format format = GetParam();
    Hosted hosted("stereo", format.rate, format.block);
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    const TEST_VST_PROBE &probe = hosted.plugin.probe();
    EXPECT_EQ(probe.rate, format.rate);
    EXPECT_EQ(probe.block, format.block);
    EXPECT_EQ(probe.hostRate, static_cast<int32_t>(format.rate));
    EXPECT_EQ(probe.hostBlock, format.block);
    const long on = 1500, off = 2900;
    const std::vector<float> out = hosted.play(4000, on, off);
    EXPECT_EQ(firstSound(out), on);
    EXPECT_EQ(out[2 * on], 0.5f);
    EXPECT_EQ(out[2 * on + 1], 0.25f);
    EXPECT_EQ(out[2 * (off - 1)], 0.5f);
    EXPECT_EQ(out[2 * off], 0.0f) << "the note-off at its frame";
    EXPECT_FALSE(hosted.sounded.front()) << "a silent block is no sound";
    EXPECT_TRUE(hosted.sounded[static_cast<size_t>(on / format.block)]);
    EXPECT_EQ(probe.lastFrames, format.block);
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, FormatTest,
                         ::testing::Values(Format{44100.0f, 64}, Format{44100.0f, 256},
                                           Format{44100.0f, 1000}, Format{48000.0f, 64},
                                           Format{48000.0f, 512}, Format{48000.0f, 997}));

// A change of rate or block size reaches the open plug-in, which renders
// in the new blocks from then on.
TEST(VstPluginHost, GivesTheOpenPluginANewFormat)
{
    Hosted hosted("stereo", 44100.0f, 256);
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    hosted.host.SetFormat(48000.0f, 512);
    hosted.frames = 512;
    const TEST_VST_PROBE &probe = hosted.plugin.probe();
    EXPECT_EQ(probe.rate, 48000.0f);
    EXPECT_EQ(probe.block, 512);
    const std::vector<float> out = hosted.play(1024, 700);
    EXPECT_EQ(firstSound(out), 700);
    EXPECT_EQ(probe.lastFrames, 512);
    // Frames beyond the block size are not rendered.
    std::vector<float> longer(2 * 600, -1.0f);
    hosted.host.Render(longer.data(), 600, false, nullptr);
    EXPECT_EQ(longer[2 * 511], 0.5f);
    EXPECT_EQ(longer[2 * 512], -1.0f);
}

struct Mix {
    const char *plugin;
    float left;
    float right;
};

class MixTest : public ::testing::TestWithParam<Mix> {};

// One output sounds on both sides; more than two are mixed, even ones to
// the left and odd ones to the right; adding keeps what the buffer held.
TEST_P(MixTest, OutputsAreMixedToTwo)
{
    const Mix mix = GetParam();
    Hosted hosted(mix.plugin);
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    const std::vector<float> out = hosted.play(512, 10);
    EXPECT_EQ(out[20], mix.left);
    EXPECT_EQ(out[21], mix.right);
    Hosted adding(mix.plugin);
    ASSERT_TRUE(adding.host.Open(adding.plugin.path, true));
    const std::vector<float> added = adding.play(512, 10, -1, 60, true);
    EXPECT_EQ(added[18], 0.125f);
    EXPECT_EQ(added[20], 0.125f + mix.left);
    EXPECT_EQ(added[21], 0.125f + mix.right);
}

INSTANTIATE_TEST_SUITE_P(Outputs, MixTest,
                         ::testing::Values(Mix{"stereo", 0.5f, 0.25f}, Mix{"mono", 0.5f, 0.5f},
                                           Mix{"quad", 0.5f + 0.125f, 0.25f + 0.0625f}));

// What the plug-in learns of its host: a version 2 host named "Quorvane
// Tembri" that sends events and time, takes none, and tells its real-time
// thread; without a song the time runs in frames at 120 quarters per minute.
TEST(VstPluginHost, AnswersThePluginsQuestions)
{
    Hosted hosted("stereo", 48000.0f, 480);
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    const TEST_VST_PROBE &probe = hosted.plugin.probe();
    EXPECT_EQ(probe.hostVersion, 2);
    EXPECT_EQ(probe.vendorAnswer, 1);
    EXPECT_STREQ(probe.hostVendor, "Quorvane Tembri");
    EXPECT_EQ(probe.productAnswer, 1);
    EXPECT_STREQ(probe.hostProduct, "Quorvane Tembri");
    const int32_t canDo[7] = {1, 1, 1, 0, 0, 0, 1};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(probe.canDo[i], canDo[i]) << i;
    hosted.play(960, 0);
    EXPECT_EQ(probe.processLevel, 2);
    EXPECT_EQ(probe.lastTime.sampleRate, 48000.0);
    EXPECT_EQ(probe.lastTime.samplePos, 480.0) << "the second block";
    EXPECT_EQ(probe.lastTime.tempo, 120.0);
    EXPECT_EQ(probe.lastTime.flags & vst2::kTimeTransportPlaying, 0);
    hosted.host.Transport(0, 0);
    hosted.play(480, 0);
    EXPECT_NE(probe.lastTime.flags & vst2::kTimeTransportPlaying, 0);
    EXPECT_EQ(probe.lastTime.samplePos, 0.0) << "from the transport's start";
}

// Plug-ins that crash or throw while they are opened, libraries that are no
// plug-in and plug-ins of the other kind are refused; the host goes on and
// opens a good one.
TEST(VstPluginHost, RefusesWhatCannotBeOpened)
{
    Hosted hosted("stereo");
    for (const std::string &bad :
         {vst_test::scanFixture("crash"), vst_test::scanFixture("throw"), vst_test::scanFixture("no_main"),
          vst_test::pluginPath("effect"), vst_test::testsFolder() + "no such plug-in.dll"}) {
        EXPECT_FALSE(hosted.host.Open(bad, true)) << bad;
        EXPECT_FALSE(hosted.host.IsOpen());
        EXPECT_FALSE(hosted.host.Faulted());
    }
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    EXPECT_STREQ(hosted.host.Name(), "Test VSTi");
    EXPECT_EQ(firstSound(hosted.play(512, 100)), 100);
    EXPECT_FALSE(hosted.host.Open(vst_test::pluginPath("stereo"), false)) << "an instrument is no effect";
}

// A plug-in that crashes while it renders is never called again: no more
// rendering, no state, no close.
TEST(VstPluginHost, NeverCallsAPluginAgainAfterAFault)
{
    Hosted hosted("crash");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    const TEST_VST_PROBE &probe = hosted.plugin.probe();
    hosted.play(512, 10);
    EXPECT_FALSE(hosted.host.Faulted());
    const int32_t calls = probe.processCalls;
    const std::vector<float> out = hosted.play(1024, 300, -1, 13);
    EXPECT_TRUE(hosted.host.Faulted());
    EXPECT_EQ(probe.processCalls, calls + 2) << "up to the block of the fault";
    EXPECT_FALSE(hosted.sounded.back());
    EXPECT_EQ(out.back(), -1.0f) << "a faulted plug-in writes nothing";
    PORTDESCR descriptor(4);
    EXPECT_TRUE(SaveModuleState(&hosted.host, &descriptor));
    EXPECT_EQ(descriptor.params, nullptr);
    hosted.host.Close();
    EXPECT_EQ(probe.processCalls, calls + 2);
    EXPECT_EQ(probe.closes, 0);
}

// While the window thread holds the plug-in (here loading its state), a
// block renders nothing, and its events sound from the start of the next
// block the plug-in renders, before that block's own.
TEST(VstPluginHost, AHeldBlocksEventsSoundFromTheNextBlocksStart)
{
    Hosted hosted("stereo");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    std::vector<float> block(2 * 256, -1.0f);
    const uint8_t on[4] = {0x90, 60, 127, 0}, off[4] = {0x80, 60, 0, 0};
    {
        StateLoadHoldsThePlugin holding(hosted.plugin, hosted.host);
        ASSERT_TRUE(holding.held());
        hosted.host.QueueMidi(on, 100);
        EXPECT_FALSE(hosted.host.Render(block.data(), 256, false, nullptr));
        EXPECT_EQ(block[0], -1.0f) << "nothing written";
    }
    hosted.host.QueueMidi(off, 50);
    EXPECT_TRUE(hosted.host.Render(block.data(), 256, false, nullptr));
    EXPECT_EQ(block[0], 0.5f) << "the held note-on from the block's start";
    EXPECT_EQ(block[2 * 49], 0.5f);
    EXPECT_EQ(block[2 * 50], 0.0f) << "the block's own note-off at its frame";
}

// However many events pile up while the plug-in is held, the note-off of
// a note it plays gets through, and the note ends.
TEST(VstPluginHost, NoNoteOffOfASoundingNoteIsDropped)
{
    Hosted hosted("stereo");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    const TEST_VST_PROBE &probe = hosted.plugin.probe();
    std::vector<float> block(2 * 256);
    const uint8_t on[4] = {0x90, 60, 127, 0}, off[4] = {0x80, 60, 0, 0};
    hosted.host.QueueMidi(on, 0);
    ASSERT_TRUE(hosted.host.Render(block.data(), 256, false, nullptr));
    const int32_t before = probe.events;
    {
        StateLoadHoldsThePlugin holding(hosted.plugin, hosted.host);
        ASSERT_TRUE(holding.held());
        for (int held = 0; held < 3; ++held) {
            for (int i = 0; i < 250; ++i) {
                const uint8_t bend[4] = {0xE0, 0, static_cast<uint8_t>(i % 128), 0};
                hosted.host.QueueMidi(bend, i);
            }
            if (held == 2)
                hosted.host.QueueMidi(off, 200);
            EXPECT_FALSE(hosted.host.Render(block.data(), 256, false, nullptr));
        }
    }
    EXPECT_FALSE(hosted.host.Render(block.data(), 256, false, nullptr)) << "the note ended";
    EXPECT_EQ(block[0], 0.0f);
    EXPECT_LE(probe.events - before, VstPluginHost::kMaxEvents);
}

// A held plug-in never makes the render thread wait, transport news
// included, nor allocate or open a file.
TEST(VstPluginHost, TheRenderThreadNeverWaitsForAHeldPlugin)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks());
    Hosted hosted("stereo");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    StateLoadHoldsThePlugin holding(hosted.plugin, hosted.host);
    ASSERT_TRUE(holding.held());
    std::vector<float> block(2 * 256);
    testing_support::RealTimeCounter counter;
    for (int held = 0; held < 50; ++held) {
        hosted.host.Transport(held % 2 ? 1 : 2, 0);
        const uint8_t on[4] = {0x90, 60, 127, 0}, off[4] = {0x80, 60, 0, 0};
        hosted.host.QueueMidi(on, 10);
        hosted.host.QueueMidi(off, 200);
        EXPECT_FALSE(hosted.host.Render(block.data(), 256, held % 2 == 0, nullptr));
    }
    EXPECT_EQ(counter.kernelWaits(), 0);
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
}

// Each thread is handed a time record of its own: what the window thread
// or a plug-in's own thread asks for never changes the record the render
// thread was handed.
TEST(VstPluginHost, EachThreadIsHandedATimeRecordOfItsOwn)
{
    Hosted hosted("stereo", 48000.0f, 480);
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    hosted.play(960, 0);
    const vst2::TimeInfo *rendering = hosted.plugin.probe().lastTimeRecord;
    ASSERT_NE(rendering, nullptr);
    EXPECT_EQ(rendering->samplePos, 480.0);
    hosted.host.Transport(0, 0);
    const vst2::TimeInfo *window = hosted.plugin.askTime();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(window, rendering);
    EXPECT_EQ(window->samplePos, 0.0) << "the transport's start";
    EXPECT_NE(window->flags & vst2::kTimeTransportPlaying, 0);
    const vst2::TimeInfo *own = nullptr;
    double ownPosition = -1.0;
    std::thread([&] {
        own = hosted.plugin.askTime();
        ownPosition = own ? own->samplePos : -1.0;
    }).join();
    EXPECT_NE(own, window);
    EXPECT_NE(own, rendering);
    EXPECT_EQ(ownPosition, 0.0);
    EXPECT_EQ(rendering->samplePos, 480.0) << "the render thread's record untouched";
    EXPECT_EQ(window->samplePos, 0.0);
}

// A song at 90 quarters per minute in 3/4, 480 ticks per quarter, that
// counts the questions it is asked on threads other than one.
class CountingSong : public ITembriSong {
public:
    explicit CountingSong(DWORD renderThread) : renderThread_(renderThread) {}
    long asked = 0;

    int SongActivate() override { return 1; }
    long SongGetTimeBase() override { return note(480); }
    long SongGetSPS() override { return note(48000); }
    void SongGetMBTFromTime(long, long &bar, long &beat, long &tick) override { bar = beat = tick = note(0); }
    long SongGetTimeFromMBT(long, long, long) override { return note(0); }
    long SongGetNumMeters() override { return note(1); }
    long SongGetMeterIndexAtTime(long) override { return note(0); }
    int SongGetMeterByIndex(long, QUICKMETER &meter) override
    {
        meter.startTick = 0;
        meter.numerator = 3;
        meter.power = 2;
        meter.ticksPerBar = 3 * 480;
        return note(1);
    }
    long SongGetNumTonals() override { return note(0); }
    long SongGetTonalIndexAtTime(long) override { return note(-1); }
    int SongGetTonalByIndex(long, QUICKTONAL &) override { return note(0); }
    // Two samples a tick, as it would be at other rates.
    int64_t SongGetSampleFromTime(long tick) override { return note(int64_t(tick) * 2); }
    long SongGetTimeFromSample(int64_t sample) override { return note(static_cast<long>(sample / 2)); }
    long SongGetNumTempos() override { return note(1); }
    long SongGetTempoIndexAtTime(long) override { return note(0); }
    int SongGetTempoByIndex(long, QUICKTIMER &) override { return note(0); }
    float SongGetTempoNow() override { return static_cast<float>(note(90)); }
    void SongSetModified() override { note(0); }
    void SongPlayMMsg(unsigned long, unsigned long) override { note(0); }

private:
    template <typename T> T note(T value)
    {
        asked += GetCurrentThreadId() != renderThread_ ? 1 : 0;
        return value;
    }
    const DWORD renderThread_;
};

// Time asked on a thread of a plug-in's own is answered from what the render
// thread read of the song at the last block: the song's maps, which the
// window thread edits under the song's lock, are not read there. Each
// plug-in hands that thread a record of its own.
TEST(VstPluginHost, TimeOffTheRenderThreadReadsNothingOfTheSong)
{
    Hosted first("stereo", 48000.0f, 480);
    Hosted second("quad", 48000.0f, 480);
    CountingSong song(GetCurrentThreadId());
    for (Hosted *hosted : {&first, &second}) {
        hosted->host.SetSong(&song);
        ASSERT_TRUE(hosted->host.Open(hosted->plugin.path, true));
        hosted->host.Transport(0, 0);
        hosted->play(960, 0);
    }
    const vst2::TimeInfo *firstRecord = nullptr, *secondRecord = nullptr;
    vst2::TimeInfo firstTime = {};
    std::thread([&] {
        firstRecord = first.plugin.askTime();
        secondRecord = second.plugin.askTime();
        if (firstRecord)
            firstTime = *firstRecord;
    }).join();
    ASSERT_NE(firstRecord, nullptr);
    ASSERT_NE(secondRecord, nullptr);
    EXPECT_NE(firstRecord, secondRecord) << "each plug-in its own record";
    EXPECT_EQ(song.asked, 0);
    EXPECT_EQ(firstTime.samplePos, 960.0);
    EXPECT_EQ(firstTime.tempo, 90.0);
    EXPECT_EQ(firstTime.timeSigNumerator, 3);
    EXPECT_EQ(firstTime.timeSigDenominator, 4);
    EXPECT_EQ(firstTime.ppqPos, 0.5) << "at the last block's start, sample 480";
}

struct Stop {
    uint8_t note;
    const char *why;
    // A thrown exception is caught through the C++ runtime, which takes
    // memory of its own for it.
    bool allocates;
};

class PluginStopTest : public ::testing::TestWithParam<Stop> {};

// A plug-in that faults while rendering is stopped, and the user is told
// once, on the window thread, which plug-in stopped and why; the render
// thread only posts the news, without allocating.
TEST_P(PluginStopTest, TheUserIsToldOnceWhichPluginStoppedAndWhy)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks());
    std::vector<std::string> shown;
    DWORD shownOn = 0;
    const MessageBoxHook old = setMessageBoxHook([&](HWND, const char *text, const char *caption, UINT type) {
        shown.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
        shownOn = GetCurrentThreadId();
        return IDOK;
    });
    {
        Hosted hosted("crash");
        ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
        std::thread([&] {
            std::vector<float> buffer(2 * 256);
            testing_support::RealTimeCounter counter;
            for (int block = 0; block < 3; ++block) {
                const uint8_t on[4] = {0x90, GetParam().note, 127, 0};
                hosted.host.QueueMidi(on, 10);
                hosted.host.Render(buffer.data(), 256, false, nullptr);
            }
            EXPECT_TRUE(hosted.host.Faulted());
            EXPECT_EQ(counter.messageBoxes(), 0);
            if (!GetParam().allocates) {
                EXPECT_EQ(counter.allocations(), 0);
            }
            EXPECT_EQ(counter.fileOpens(), 0);
        }).join();
        EXPECT_TRUE(shown.empty()) << "not before the window thread takes its messages";
        vst_test::takeMessagesUntil([&] { return !shown.empty(); });
        vst_test::takeMessagesFor(200);
    }
    setMessageBoxHook(old);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::string("Tembri VSTi|The VST instrument \"Test VSTi\" ") + GetParam().why +
                            " while rendering and was stopped.\n\nIts output stays silent until the "
                            "instrument is chosen again.|" +
                            std::to_string(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(shownOn, GetCurrentThreadId());
}

INSTANTIATE_TEST_SUITE_P(Faults, PluginStopTest,
                         ::testing::Values(Stop{13, "crashed", false}, Stop{14, "threw an exception", true}));

// The state of a plug-in without a block of its own: its parameters, as
// form 2, their count and each as a float.
TEST(VstPluginHost, KeepsTheParametersAsTheState)
{
    const uint8_t saved[] = {2, 0, 0, 0, 2, 0, 0, 0, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0x3E};
    const uint8_t louder[] = {2, 0, 0, 0, 2, 0, 0, 0, 0x00, 0x00, 0x40, 0x3F, 0x00, 0x00, 0x80, 0x3E};
    Hosted hosted("stereo");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    PORTDESCR descriptor(4);
    ASSERT_TRUE(SaveModuleState(&hosted.host, &descriptor));
    ASSERT_EQ(descriptor.paramsSize, static_cast<long>(sizeof saved));
    EXPECT_EQ(std::memcmp(descriptor.params, saved, sizeof saved), 0);

    PORTDESCR loud(4);
    loud.SetParams(louder, sizeof louder);
    ASSERT_TRUE(LoadModuleState(&hosted.host, &loud));
    const std::vector<float> out = hosted.play(256, 0);
    EXPECT_EQ(out[0], 0.75f);
    // Too short, of another form, or claiming more than it holds: ignored.
    for (const std::vector<uint8_t> &bad :
         std::vector<std::vector<uint8_t>>{{2, 0, 0},
                                           {1, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0x80, 0x3E},
                                           {2, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0x80, 0x3E}}) {
        PORTDESCR d(4);
        d.SetParams(bad.data(), static_cast<long>(bad.size()));
        EXPECT_TRUE(LoadModuleState(&hosted.host, &d));
    }
    ASSERT_TRUE(SaveModuleState(&hosted.host, &descriptor));
    ASSERT_EQ(descriptor.paramsSize, static_cast<long>(sizeof louder));
    EXPECT_EQ(std::memcmp(descriptor.params, louder, sizeof louder), 0);
}

// A plug-in with a block of its own keeps it: form 1, its size, its bytes.
TEST(VstPluginHost, KeepsThePluginsBlockAsTheState)
{
    const uint8_t saved[] = {1, 0, 0, 0, 4, 0, 0, 0, 0x00, 0x00, 0x00, 0x3F};
    const uint8_t stronger[] = {1, 0, 0, 0, 4, 0, 0, 0, 0x00, 0x00, 0x40, 0x3F};
    Hosted hosted("effect");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, false));
    PORTDESCR descriptor(1);
    ASSERT_TRUE(SaveModuleState(&hosted.host, &descriptor));
    ASSERT_EQ(descriptor.paramsSize, static_cast<long>(sizeof saved));
    EXPECT_EQ(std::memcmp(descriptor.params, saved, sizeof saved), 0);
    PORTDESCR block(1);
    block.SetParams(stronger, sizeof stronger);
    ASSERT_TRUE(LoadModuleState(&hosted.host, &block));
    std::vector<float> buffer(2 * 256, 0.5f);
    EXPECT_TRUE(hosted.host.Render(buffer.data(), 256, false, buffer.data()));
    EXPECT_EQ(buffer[0], 0.75f) << "twice 0.75 times 0.5";
}

// Events, rendering and the host's time questions on the render thread
// neither allocate nor open files.
TEST(VstPluginHost, RendersWithoutAllocatingOrOpeningFiles)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks());
    Hosted hosted("quad", 44100.0f, 128);
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    hosted.host.Transport(0, 0);
    std::vector<float> buffer(2 * 128);
    long sounding = 0;
    testing_support::RealTimeCounter counter;
    for (int block = 0; block < 200; ++block) {
        for (int i = 0; i < 8; ++i) {
            const uint8_t message[4] = {static_cast<uint8_t>(i % 2 ? 0x80 : 0x90), 60, 100, 0};
            hosted.host.QueueMidi(message, 16 * i);
        }
        const uint8_t tempo[4] = {0xF9, 0, 120, 0};
        hosted.host.QueueMidi(tempo, 0);
        sounding += hosted.host.Render(buffer.data(), 128, block % 2 == 0, nullptr) ? 1 : 0;
    }
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
    EXPECT_EQ(sounding, 200);
    EXPECT_EQ(hosted.plugin.probe().events, 200 * 8) << "the song's own codes are not passed on";
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeParent(int width, int height)
{
    WNDCLASSA type = {};
    type.lpfnWndProc = ParentProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "VstEditorParent";
    RegisterClassA(&type);
    return CreateWindowA("VstEditorParent", "editor", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                         nullptr, type.hInstance, nullptr);
}

// A window thread of its own with the host's editor open in a window of
// its, taking its messages until it ends; it can be held up (taking none)
// and let go again.
class EditorThread {
public:
    EditorThread(VstPluginHost &host, const std::string &picture)
    {
        thread_ = std::thread([this, &host, picture] { run(host, picture); });
        WaitForSingleObject(ready_, 10000);
    }
    ~EditorThread()
    {
        letGo();
        PostThreadMessageA(id_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(ready_);
        CloseHandle(heldUp_);
        CloseHandle(letGo_);
    }
    bool opened() const { return opened_; }
    DWORD id() const { return id_; }
    // Returns once the thread takes no more messages.
    bool holdUp()
    {
        PostThreadMessageA(id_, kHoldUp, 0, 0);
        return WaitForSingleObject(heldUp_, 10000) == WAIT_OBJECT_0;
    }
    void letGo() { SetEvent(letGo_); }
    // Returns once the thread has answered what it was sent before.
    bool answered()
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(parent_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
    }

private:
    static constexpr UINT kHoldUp = WM_APP + 7;

    void run(VstPluginHost &host, const std::string &picture)
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        id_ = GetCurrentThreadId();
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue
        parent_ = MakeParent(160, 90);
        opened_ = parent_ && host.OpenEditor(parent_);
        if (opened_)
            testing_support::writeWindowPicture(parent_, picture);
        SetEvent(ready_);
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.message == kHoldUp) {
                SetEvent(heldUp_);
                WaitForSingleObject(letGo_, 30000);
                continue;
            }
            DispatchMessageA(&message);
        }
        DestroyWindow(parent_);
        CoUninitialize();
    }

    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE heldUp_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE letGo_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id_ = 0;
    HWND parent_ = nullptr;
    bool opened_ = false;
    std::thread thread_;
};

// An instrument hosted in storage of the test's, which the test fills once
// the host is gone: whatever still used it would find nothing but garbage.
struct StoredHost {
    StoredHost() : host(new (bytes) VstPluginHost(nullptr, nullptr)) {}
    ~StoredHost()
    {
        if (host)
            end();
    }
    void end()
    {
        host->~VstPluginHost();
        host = nullptr;
        std::memset(bytes, 0xFF, sizeof bytes);
    }
    HeldPlugin plugin{"stereo"};
    TEST_VST_PROBE &probe = plugin.probe();
    alignas(VstPluginHost) unsigned char bytes[sizeof(VstPluginHost)];
    VstPluginHost *host;
};

// Waits (bounded) while the editor's thread takes its messages.
void waitForIdles(const TEST_VST_PROBE &probe, int32_t count)
{
    for (int i = 0; i < 500 && probe.editorIdles < count; ++i)
        Sleep(10);
}

// An editor opened on a thread of its own is closed there from any other
// thread, the host's end too; its idle calls end with it.
TEST(VstEditorWindowTest, AnEditorIsClosedOnItsOwnThreadFromAnother)
{
    StoredHost stored;
    TEST_VST_PROBE &probe = stored.probe;
    VstPluginHost *host = stored.host;
    ASSERT_TRUE(host->Open(stored.plugin.path, true));
    {
        EditorThread editor(*host, "tembri_vsti_editor_own_thread");
        ASSERT_TRUE(editor.opened());
        EXPECT_EQ(probe.editorThread, editor.id());
        waitForIdles(probe, 2);
        EXPECT_GE(probe.editorIdles, 2);
        EXPECT_TRUE(host->CloseEditor());
        EXPECT_EQ(probe.editorCloseThread, editor.id());
        EXPECT_EQ(probe.editorWindow, nullptr);
        EXPECT_FALSE(host->CloseEditor()) << "closed already";
    }
    EditorThread editor(*host, "tembri_vsti_editor_own_thread");
    ASSERT_TRUE(editor.opened());
    ASSERT_NE(probe.editorWindow, nullptr);
    probe.editorCloseThread = 0;
    stored.end();
    EXPECT_EQ(probe.editorCloseThread, editor.id()) << "closed on its thread at the host's end";
    EXPECT_EQ(probe.editorWindow, nullptr);
    EXPECT_EQ(probe.closes, 1);
    const int32_t idles = probe.editorIdles;
    Sleep(300);
    EXPECT_TRUE(editor.answered());
    EXPECT_EQ(probe.editorIdles, idles) << "no idle calls once it is closed";
}

// An editor whose thread takes no messages is not closed from another
// thread: the close gives up after its bound and never runs later. The
// host's end leaves the editor and the plug-in as they are, cut from the
// host, which its thread never reaches again.
TEST(VstEditorWindowTest, AnEditorWhoseThreadDoesNotAnswerIsLeftCutFromTheHost)
{
    StoredHost stored;
    TEST_VST_PROBE &probe = stored.probe;
    VstPluginHost *host = stored.host;
    ASSERT_TRUE(host->Open(stored.plugin.path, true));
    EditorThread editor(*host, "tembri_vsti_editor_cut");
    ASSERT_TRUE(editor.opened());
    waitForIdles(probe, 1);
    ASSERT_TRUE(editor.holdUp());
    EXPECT_FALSE(host->CloseEditor());
    stored.end();
    const int32_t idles = probe.editorIdles;
    editor.letGo();
    EXPECT_TRUE(editor.answered());
    Sleep(300);
    EXPECT_TRUE(editor.answered());
    EXPECT_EQ(probe.editorIdles, idles) << "no idle calls into the host that went";
    EXPECT_EQ(probe.editorCloseThread, 0u) << "a close that gave up never runs";
    EXPECT_NE(probe.editorWindow, nullptr) << "its windows stay";
    EXPECT_EQ(probe.closes, 0) << "never closed under its open editor";
}

// The plug-in's editor opens in the window it is given, has idle calls
// while it is open and none once it is closed.
TEST(VstEditorWindowTest, OpensAndClosesOnTheWindowThread)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    Hosted hosted("stereo");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    int width = 0, height = 0;
    hosted.host.EditorSize(&width, &height);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 90);
    HWND parent = MakeParent(width, height);
    ASSERT_NE(parent, nullptr);
    const TEST_VST_PROBE &probe = hosted.plugin.probe();
    ASSERT_TRUE(hosted.host.OpenEditor(parent));
    EXPECT_TRUE(hosted.host.OpenEditor(parent)) << "open already";
    ASSERT_NE(probe.editorWindow, nullptr);
    EXPECT_EQ(GetParent(probe.editorWindow), parent);
    EXPECT_EQ(probe.editorThread, GetCurrentThreadId());
    const testing_support::WindowPicture picture = testing_support::printWindow(parent);
    EXPECT_EQ(picture.at(width - 5, height - 5), RGB(40, 90, 160));
    EXPECT_EQ(picture.at(20, 67), RGB(240, 200, 60)) << "the level bar";
    EXPECT_FALSE(testing_support::writePicture(picture, "tembri_vsti_editor").empty());
    // The open editor has idle calls while its thread takes messages.
    const DWORD until = GetTickCount() + 3000;
    while (probe.editorIdles < 2 && GetTickCount() < until) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(10);
    }
    EXPECT_GE(probe.editorIdles, 2);
    // A change in the editor marks the song modified.
    EXPECT_EQ(hosted.changes, 0);
    SendMessageA(probe.editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 67));
    EXPECT_EQ(hosted.changes, 1);
    EXPECT_EQ(hosted.play(256, 0)[0], 1.0f) << "the level the click set";

    EXPECT_TRUE(hosted.host.CloseEditor());
    EXPECT_EQ(probe.editorWindow, nullptr);
    EXPECT_EQ(probe.editorCloseThread, GetCurrentThreadId());
    EXPECT_FALSE(hosted.host.CloseEditor());
    const int32_t idles = probe.editorIdles;
    for (int i = 0; i < 10; ++i) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(10);
    }
    EXPECT_EQ(probe.editorIdles, idles) << "no idle calls once it is closed";
    DestroyWindow(parent);
    CoUninitialize();
}

} // namespace
