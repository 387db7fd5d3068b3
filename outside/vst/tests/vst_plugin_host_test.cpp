#include "outside/vst/vst_plugin_host.h"

#include "outside/vst/tests/test_plugins.h"
#include "sound/module_state.h"
#include "testing/realtime_counters.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <cstring>
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

// The plug-in's editor opens in the window it is given and closes on the
// window thread only.
TEST(VstEditorWindowTest, OpensAndClosesOnTheWindowThread)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    Hosted hosted("stereo");
    ASSERT_TRUE(hosted.host.Open(hosted.plugin.path, true));
    int width = 0, height = 0;
    hosted.host.EditorSize(&width, &height);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 90);
    WNDCLASSA type = {};
    type.lpfnWndProc = ParentProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "VstEditorParent";
    RegisterClassA(&type);
    HWND parent = CreateWindowA("VstEditorParent", "editor", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                nullptr, nullptr, type.hInstance, nullptr);
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

    bool closedElsewhere = true;
    std::thread([&] { closedElsewhere = hosted.host.CloseEditor(); }).join();
    EXPECT_FALSE(closedElsewhere);
    EXPECT_NE(probe.editorWindow, nullptr);
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
