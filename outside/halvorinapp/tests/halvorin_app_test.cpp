// The launch library as the program uses it: the bridge's switch on the
// command line, a second process handing its channel to the running one,
// the bridge letting go through its "<title>_DCNT" event, and the I/O
// parameters pointed at the bridge's provider (a stand-in module registered
// under a private HKEY_LOCAL_MACHINE). Each test names its own program, so
// the named objects of one test never meet another's.
#include "outside/halvorinapp/halvorin_app.h"

#include "data/io_params.h"
#include "sound/module_keys.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using namespace Quorvane;

std::string testsFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

// What the program's callbacks saw.
struct Heard {
    std::vector<long> channels;
    int releases = 0;
};

void onChanged(ULONG_PTR user, long channel)
{
    reinterpret_cast<Heard *>(user)->channels.push_back(channel);
}

void onReleased(ULONG_PTR user)
{
    ++reinterpret_cast<Heard *>(user)->releases;
}

// Runs this thread's messages for a while, or until done says so.
template <typename Done> bool pumpUntil(Done done, DWORD timeout = 3000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        if (done())
            return true;
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(5);
    }
}

// The bridge asks the program that streams under this name to let go: the
// event is made, set, and closed 100 ms later.
void bridgeLetsGo(const std::string &title)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, (title + "_DCNT").c_str());
    ASSERT_NE(event, nullptr);
    SetEvent(event);
    Sleep(100);
    CloseHandle(event);
}

struct SwitchCase {
    const char *commandLine;
    long channel;
};

class BridgeSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(BridgeSwitch, NamesTheChannelBehindTheSwitch)
{
    CHalvorinApp app(testing_support::uniqueName("Switch").c_str());
    EXPECT_EQ(app.LaunchApp(GetParam().commandLine), 1);
    EXPECT_EQ(app.GetChannel(), GetParam().channel);
    EXPECT_EQ(app.IsAttached(), GetParam().channel >= 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BridgeSwitch,
    ::testing::Values(SwitchCase{"", -1}, SwitchCase{"style.qns", -1}, SwitchCase{"-halvorin:channel:1", 0},
                      SwitchCase{"\"C:\\Program\\Rallimoth.exe\" -halvorin:channel:4", 3},
                      SwitchCase{"style.qns -halvorin:channel:2", 1}, SwitchCase{"-halvorin:channel:2 -n", 1},
                      SwitchCase{"-halvorin:channel:0", -1}, SwitchCase{"-halvorin:channel:5", -1},
                      SwitchCase{"-halvorin:channel:12", -1}, SwitchCase{"-halvorin:channel:1x", -1},
                      SwitchCase{"-halvorin:channel:", -1}, SwitchCase{"-halvorin:channel:x", -1},
                      SwitchCase{"-HALVORIN:channel:1", -1}));

TEST(HalvorinApp, ASecondProcessHandsItsChannelToTheRunningOne)
{
    const std::string title = testing_support::uniqueName("HandOver");
    CHalvorinApp running(title.c_str());
    ASSERT_EQ(running.LaunchApp(""), 1);
    EXPECT_EQ(running.IsAttached(), 0);
    Heard heard;
    running.SetCallback(onChanged, onReleased, reinterpret_cast<ULONG_PTR>(&heard));

    CHalvorinApp started(title.c_str());
    EXPECT_EQ(started.LaunchApp("-halvorin:channel:3"), 0) << "the running instance takes the channel";
    ASSERT_TRUE(pumpUntil([&] { return !heard.channels.empty(); }));
    EXPECT_EQ(heard.channels, std::vector<long>{2});
    EXPECT_EQ(running.IsAttached(), 1);
    EXPECT_EQ(running.GetChannel(), 2);
    running.SetCallback(nullptr, nullptr, 0);
}

TEST(HalvorinApp, APlainSecondStartRunsItself)
{
    const std::string title = testing_support::uniqueName("Plain");
    CHalvorinApp running(title.c_str());
    ASSERT_EQ(running.LaunchApp(""), 1);
    CHalvorinApp second(title.c_str());
    EXPECT_EQ(second.LaunchApp("song.qns"), 1);
    EXPECT_EQ(second.IsAttached(), 0);
    EXPECT_EQ(running.IsAttached(), 0);
}

TEST(HalvorinApp, ARunningInstanceThatStreamsForAHostKeepsItsChannel)
{
    const std::string title = testing_support::uniqueName("Busy");
    CHalvorinApp running(title.c_str());
    ASSERT_EQ(running.LaunchApp("-halvorin:channel:1"), 1);
    Heard heard;
    running.SetCallback(onChanged, onReleased, reinterpret_cast<ULONG_PTR>(&heard));
    CHalvorinApp second(title.c_str());
    EXPECT_EQ(second.LaunchApp("-halvorin:channel:2"), 1);
    EXPECT_EQ(second.GetChannel(), 1);
    EXPECT_EQ(running.GetChannel(), 0);
    pumpUntil([] { return false; }, 200);
    EXPECT_TRUE(heard.channels.empty());
    running.SetCallback(nullptr, nullptr, 0);
}

TEST(HalvorinApp, NewsBeforeTheCallbacksArriveWithThem)
{
    const std::string title = testing_support::uniqueName("Early");
    CHalvorinApp running(title.c_str());
    ASSERT_EQ(running.LaunchApp(""), 1);
    CHalvorinApp started(title.c_str());
    ASSERT_EQ(started.LaunchApp("-halvorin:channel:2"), 0);
    Heard heard;
    running.SetCallback(onChanged, onReleased, reinterpret_cast<ULONG_PTR>(&heard));
    ASSERT_TRUE(pumpUntil([&] { return !heard.channels.empty(); }));
    EXPECT_EQ(heard.channels, std::vector<long>{1});
    running.SetCallback(nullptr, nullptr, 0);
}

TEST(HalvorinApp, AClosingProgramTakesNoChannel)
{
    const std::string title = testing_support::uniqueName("Closing");
    CHalvorinApp running(title.c_str());
    ASSERT_EQ(running.LaunchApp(""), 1);
    Heard heard;
    running.SetCallback(onChanged, onReleased, reinterpret_cast<ULONG_PTR>(&heard));
    running.SetCallback(nullptr, nullptr, 0);
    CHalvorinApp started(title.c_str());
    EXPECT_EQ(started.LaunchApp("-halvorin:channel:1"), 1) << "it runs itself";
    EXPECT_EQ(started.GetChannel(), 0);
    EXPECT_EQ(running.IsAttached(), 0);
    pumpUntil([] { return false; }, 200);
    EXPECT_TRUE(heard.channels.empty());
}

TEST(HalvorinApp, TheBridgeLettingGoReachesOnlyAnAttachedProgram)
{
    const std::string title = testing_support::uniqueName("LetGo");
    CHalvorinApp attached(title.c_str());
    ASSERT_EQ(attached.LaunchApp("-halvorin:channel:2"), 1);
    Heard heard;
    attached.SetCallback(onChanged, onReleased, reinterpret_cast<ULONG_PTR>(&heard));
    bridgeLetsGo(title);
    ASSERT_TRUE(pumpUntil([&] { return heard.releases == 1; }));
    EXPECT_EQ(attached.IsAttached(), 0);
    EXPECT_EQ(attached.GetChannel(), -1);

    // Not attached any more: a second call has nothing to let go of.
    bridgeLetsGo(title);
    pumpUntil([] { return false; }, 300);
    EXPECT_EQ(heard.releases, 1);
    attached.SetCallback(nullptr, nullptr, 0);
}

class IOParamsCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine_.active());
        standIn_ = LoadLibraryA((testsFolder() + "\\halvorinapp_stand_in.dll").c_str());
        ASSERT_NE(standIn_, nullptr);
        lastChannel_ = reinterpret_cast<int (*)()>(
            reinterpret_cast<void (*)()>(GetProcAddress(standIn_, "HalvorinStandInLastChannel")));
        ASSERT_NE(lastChannel_, nullptr);
    }
    void TearDown() override
    {
        if (standIn_)
            FreeLibrary(standIn_);
    }
    void registerBridge()
    {
        // Another provider first, so the bridge's index is not 0.
        ASSERT_EQ(RegisterModulePath(kStreamProviderKey, "DirectSound", "C:\\nowhere\\ds.dll"), S_OK);
        ASSERT_EQ(RegisterModulePath(kStreamProviderKey, "Halvorin",
                                     (testsFolder() + "\\halvorinapp_stand_in.dll").c_str()),
                  S_OK);
    }
    static IOPARAMS cardParams()
    {
        IOPARAMS params;
        params.asp = 0;
        params.aspPort = 0;
        params.sampleRate = 44100;
        params.bitsPerSample = 16;
        params.bufferFrames = 512;
        return params;
    }

    testing_support::LocalMachineOverride machine_;
    HMODULE standIn_ = nullptr;
    int (*lastChannel_)() = nullptr;
};

TEST_F(IOParamsCheck, AnAttachedProgramStreamsThroughTheBridgeAtTheHostsRate)
{
    registerBridge();
    CHalvorinApp app(testing_support::uniqueName("Check").c_str());
    ASSERT_EQ(app.LaunchApp("-halvorin:channel:3"), 1);
    IOPARAMS params = cardParams();
    EXPECT_EQ(app.CheckIOParams(&params, -1), 1);
    EXPECT_EQ(params.asp, 1);
    EXPECT_EQ(params.aspPort, 2);
    EXPECT_EQ(params.sampleRate, 48000);
    EXPECT_EQ(params.bufferFrames, 128);
    EXPECT_EQ(params.bitsPerSample, kFloatSamples);
    EXPECT_EQ(lastChannel_(), 2);
}

TEST_F(IOParamsCheck, AChannelGivenByACallbackIsUsed)
{
    registerBridge();
    CHalvorinApp app(testing_support::uniqueName("Given").c_str());
    ASSERT_EQ(app.LaunchApp(""), 1);
    IOPARAMS params = cardParams();
    EXPECT_EQ(app.CheckIOParams(&params, 1), 1);
    EXPECT_EQ(params.aspPort, 1);
    EXPECT_EQ(lastChannel_(), 1);
    EXPECT_EQ(params.sampleRate, 48000);
}

TEST_F(IOParamsCheck, ARefusedConnectKeepsTheRateAndBlock)
{
    registerBridge();
    CHalvorinApp app(testing_support::uniqueName("Refused").c_str());
    ASSERT_EQ(app.LaunchApp("-halvorin:channel:4"), 1);
    IOPARAMS params = cardParams();
    EXPECT_EQ(app.CheckIOParams(&params, -1), 1);
    EXPECT_EQ(params.aspPort, 3);
    EXPECT_EQ(params.sampleRate, 44100);
    EXPECT_EQ(params.bufferFrames, 512);
}

TEST_F(IOParamsCheck, WithoutABridgeChannelOrProviderTheRecordStays)
{
    CHalvorinApp app(testing_support::uniqueName("Alone").c_str());
    ASSERT_EQ(app.LaunchApp("-halvorin:channel:1"), 1);
    IOPARAMS params = cardParams();
    EXPECT_EQ(app.CheckIOParams(&params, -1), 0) << "no provider named Halvorin";
    EXPECT_EQ(params.asp, 0);
    EXPECT_EQ(params.bitsPerSample, 16);

    registerBridge();
    CHalvorinApp plain(testing_support::uniqueName("Plain").c_str());
    ASSERT_EQ(plain.LaunchApp(""), 1);
    EXPECT_EQ(plain.CheckIOParams(&params, -1), 0) << "not attached";
    EXPECT_EQ(plain.CheckIOParams(&params, 4), 0) << "no such channel";
    EXPECT_EQ(plain.CheckIOParams(nullptr, 1), 0);
    EXPECT_EQ(params.asp, 0);
    EXPECT_EQ(params.aspPort, 0);
    EXPECT_EQ(params.sampleRate, 44100);
    EXPECT_EQ(lastChannel_(), -1);
}

} // namespace
