// QN3_HalvorinVSTi.dll as shipped, in a test VST host, driving the program
// stand-in through the shipped stream provider.
#include "bridge/asp/halvorin_request.h"
#include "bridge/asp/tests/stand_in.h"
#include "bridge/common/tests/recorder_fixture.h"
#include "bridge/vst/tests/test_vst_host.h"
#include "platform/vst2/vst2.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Halvorin;
using namespace vst_test;

namespace {

constexpr int kFrames = 512;

class VstModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.active());
        const std::string folder = halvorin_test::programFolder();
        const std::string provider = folder + "ASPHalvorin.dll";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", "Halvorin", REG_SZ,
                        provider.c_str(), static_cast<DWORD>(provider.size() + 1));
        std::string command(1, '"');
        command += folder + "halvorin_stand_in.exe\" -serve";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\HalvorinApp", kProgramName, REG_SZ,
                        command.c_str(), static_cast<DWORD>(command.size() + 1));
        module = LoadLibraryA((folder + "QN3_HalvorinVSTi.dll").c_str());
        ASSERT_NE(module, nullptr);
        entry =
            reinterpret_cast<vst2::EntryProc>(reinterpret_cast<void (*)()>(GetProcAddress(module, "main")));
        ASSERT_NE(entry, nullptr);
        window = CreateWindowExA(0, "#32770", "VST host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 80, 80,
                                 300, 120, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        FreeLibrary(module);
    }
    vst2::Effect *open()
    {
        vst2::Effect *effect = entry(TestVstHost::Callback);
        if (effect) {
            Dispatch(effect, vst2::effOpen);
            Dispatch(effect, vst2::effSetSampleRate, 0, nullptr, 44100.0f);
            Dispatch(effect, vst2::effSetBlockSize, kFrames);
            Dispatch(effect, vst2::effMainsChanged, 1);
        }
        return effect;
    }
    void render(vst2::Effect *effect)
    {
        float *outputs[] = {left.data(), right.data()};
        effect->processReplacing(effect, nullptr, outputs, kFrames);
    }
    void clickConnect()
    {
        HWND editor = FindWindowExA(window, nullptr, "#32770", nullptr);
        SendMessageA(GetDlgItem(editor, 1001), BM_CLICK, 0, 0);
    }

    testing_support::LocalMachineOverride machine;
    TestVstHost host;
    HMODULE module = nullptr;
    vst2::EntryProc entry = nullptr;
    HWND window = nullptr;
    std::vector<float> left = std::vector<float>(kFrames), right = std::vector<float>(kFrames);
};

// 64-bit hosts look for "VSTPluginMain" first: the same entry as "main".
TEST_F(VstModuleTest, TheModuleExportsItsEntryUnderBothNames)
{
    const FARPROC main = GetProcAddress(module, vst2::kEntryName);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetProcAddress(module, "VSTPluginMain"), main);
    EXPECT_STREQ(vst2::kEntryName64, "VSTPluginMain");
}

TEST_F(VstModuleTest, TheHostDrivesTheProgramThroughTheBridge)
{
    vst2::Effect *effect = open();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(Dispatch(effect, vst2::effCanDo, 0, const_cast<char *>("isQuorvaneHalvorin")), 0x71764856);
    const std::string channel = Text(effect, vst2::effGetProgramName);
    EXPECT_EQ(channel, "1");

    // Without the program the instrument is silent.
    render(effect);
    EXPECT_EQ(left[0], 0.0f);

    ASSERT_EQ(Dispatch(effect, vst2::effEditOpen, 0, window), 1);
    clickConnect();
    const DWORD start = GetTickCount();
    do {
        render(effect);
        ASSERT_LT(GetTickCount() - start, 15000u) << "the program never streamed";
    } while (right[0] == 0.0f);

    // Two notes in one block: the program hears each from its own frame.
    // The host's audio thread takes nothing from the heap and touches no
    // file for it, in the plug-in or the provider.
    EventList list;
    list.Add(100, 0x90, 38, 100);
    list.Add(300, 0x90, 40, 90);
    vst2::Events *events = list.Get();
    const float first = left[kFrames - 1] + 1.0f;
    ASSERT_TRUE(testing_support::installRealTimeHooks(module));
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("ASPHalvorin.dll")));
    {
        testing_support::RealTimeCounter counter;
        Dispatch(effect, vst2::effProcessEvents, 0, events);
        render(effect);
        EXPECT_EQ(counter.allocations(), 0);
        EXPECT_EQ(counter.fileOpens(), 0);
        EXPECT_EQ(counter.fileAccesses(), 0);
    }
    for (int f = 0; f < kFrames; ++f) {
        ASSERT_EQ(left[f], first + f) << "frames follow each other";
        const float heard = f < 100   ? static_cast<float>(kNoteNone)
                            : f < 300 ? static_cast<float>(38 | 100 << 16)
                                      : static_cast<float>(40 | 90 << 16);
        ASSERT_EQ(right[f], heard) << f;
    }

    // The editor shows the program attached once the host idles.
    HWND editor = FindWindowExA(window, nullptr, "#32770", nullptr);
    for (const DWORD begin = GetTickCount();
         SendDlgItemMessageA(editor, 1001, BM_GETCHECK, 0, 0) != BST_CHECKED;) {
        ASSERT_LT(GetTickCount() - begin, 5000u) << "the button never showed the program";
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Dispatch(effect, vst2::effEditIdle);
        Sleep(20);
    }

    // Letting go: the program leaves and the instrument is silent again.
    clickConnect();
    for (const DWORD begin = GetTickCount(); right[0] != 0.0f;) {
        ASSERT_LT(GetTickCount() - begin, 10000u) << "the program did not let go";
        render(effect);
    }
    Dispatch(effect, vst2::effEditClose);
    Dispatch(effect, vst2::effClose);

    // The channel was let go: a new instance gets it again.
    vst2::Effect *again = open();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Text(again, vst2::effGetProgramName), channel);
    Dispatch(again, vst2::effClose);
}

// A host that scans its plug-ins makes an instance and closes it again.
// The program already on the channel (started before any instance) is not
// asked to leave: only the instance that started it lets it go.
TEST_F(VstModuleTest, AScannedInstanceLeavesTheProgramOnItsChannel)
{
    HANDLE letGo = CreateEventA(nullptr, TRUE, FALSE, "Rallimoth Omvel_DCNT");
    ASSERT_NE(letGo, nullptr);
    ResetEvent(letGo);
    halvorin_test::StandInProcess program("-serve -halvorin:channel:1");
    ASSERT_TRUE(program.Started());
    // An instance on the program's channel hears it.
    const auto hears = [this](vst2::Effect *effect) {
        for (const DWORD begin = GetTickCount(); GetTickCount() - begin < 15000;) {
            render(effect);
            if (right[0] != 0.0f)
                return true;
        }
        return false;
    };
    vst2::Effect *effect = open();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(Text(effect, vst2::effGetProgramName), "1");
    ASSERT_TRUE(hears(effect)) << "the program never streamed";
    Dispatch(effect, vst2::effClose);
    EXPECT_EQ(WaitForSingleObject(letGo, 0), WAIT_TIMEOUT) << "an instance that did not start it";

    // The scan: made and closed at once, on the program's channel.
    vst2::Effect *scanned = entry(TestVstHost::Callback);
    ASSERT_NE(scanned, nullptr);
    EXPECT_EQ(Text(scanned, vst2::effGetProgramName), "1");
    Dispatch(scanned, vst2::effClose);
    EXPECT_EQ(WaitForSingleObject(letGo, 0), WAIT_TIMEOUT) << "the scan";

    effect = open();
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(hears(effect)) << "the program plays on for the next instance";
    EXPECT_EQ(WaitForSingleObject(program.Handle(), 0), WAIT_TIMEOUT) << "the program runs on";
    Dispatch(effect, vst2::effClose);
    CloseHandle(letGo);
}

} // namespace
