#include "bridge/asp/program_control.h"

#include "bridge/asp/channel_client.h"
#include "bridge/asp/shared_channels.h"
#include "bridge/asp/tests/stand_in.h"
#include "bridge/asp/tests/test_environment.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace Halvorin;
using namespace halvorin_test;

namespace {

using ProgramControlTest = ChannelTest;

TEST(NearestBlockSize, TakesTheNearestSizeOfTheTableAndTheSmallerOnATie)
{
    const struct {
        int frames, expected;
    } cases[] = {
        {96, 64},     {97, 128}, {192, 128}, {200, 256}, {700, 512},      {1536, 1024},
        {3000, 2048}, {64, 64},  {0, 64},    {-5, 64},   {INT_MAX, 2048}, {INT_MIN, 64},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NearestBlockSize(c.frames), c.expected) << c.frames;
}

TEST_F(ProgramControlTest, CanConnectGivesTheHostsRateAndTheNearestBlockSize)
{
    int rate = 48000, frames = 96;
    HalvorinRequest(1, kOpSampleRate, &rate);
    HalvorinRequest(1, kOpBlockSize, &frames);
    int gotRate = 0, gotFrames = 0;
    EXPECT_EQ(CanConnect(1, &gotRate, &gotFrames), 1);
    EXPECT_EQ(gotRate, 48000);
    EXPECT_EQ(gotFrames, 64);
    EXPECT_EQ(CanConnect(4, &gotRate, &gotFrames), 0);
    EXPECT_EQ(CanConnect(-1, &gotRate, &gotFrames), 0);
    FullReset(*SharedChannel(1));
}

// The program's launcher waits on "<program>_DCNT": the provider sets it
// when the host asks the program to leave.
TEST_F(ProgramControlTest, TheAttachedProgramIsAskedToLetGo)
{
    const std::string name = testing_support::uniqueName("hvn");
    HANDLE letGo = CreateEventA(nullptr, TRUE, FALSE, (name + "_DCNT").c_str());
    ASSERT_NE(letGo, nullptr);
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    Program program(0, 64, name.c_str());
    ASSERT_TRUE(program.Opened());
    struct Case {
        const char *what;
        int (*ask)();
    };
    const Case cases[] = {
        {"op 6 with an empty name", [] { return HalvorinRequest(0, kOpProgram, const_cast<char *>("")); }},
        {"op 6 without a name", [] { return HalvorinRequest(0, kOpProgram, nullptr); }},
        {"a program that wants to connect", [] { return CanConnect(0, nullptr, nullptr); }},
    };
    for (const Case &c : cases) {
        ResetEvent(letGo);
        const DWORD start = GetTickCount();
        EXPECT_EQ(c.ask(), 1) << c.what;
        EXPECT_GE(GetTickCount() - start, 90u) << c.what << ": the event stays set for 100 ms";
        EXPECT_EQ(WaitForSingleObject(letGo, 0), WAIT_OBJECT_0) << c.what;
    }
    CloseHandle(letGo);
}

TEST_F(ProgramControlTest, AProgramWhoseNameMakesNoEventCannotBeAskedToLetGo)
{
    Program program(2, 64, "bad\\name");
    ASSERT_TRUE(program.Opened());
    EXPECT_EQ(HalvorinRequest(2, kOpProgram, const_cast<char *>("")), 0);
    EXPECT_EQ(CanConnect(2, nullptr, nullptr), 0);
}

class LaunchTest : public ChannelTest {
protected:
    testing_support::LocalMachineOverride machine;
    testing_support::TempFolder folder;
};

TEST_F(LaunchTest, TheRegisteredProgramStartsWithTheChannelSwitch)
{
    ASSERT_TRUE(machine.active());
    registerLaunch(kProgramName, standInCommand() + " -record:" + folder.file("line.txt"));
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 1);
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 2);
    EXPECT_EQ(HalvorinRequest(2, kOpProgram, const_cast<char *>(kProgramName)), 1);
    const std::string line = awaitFile(folder.file("line.txt"));
    EXPECT_EQ(line, standInCommand() + " -record:" + folder.file("line.txt") + " -halvorin:channel:3");
}

// A host that scans its plug-ins makes an instance (which claims a channel)
// and closes it again: letting the claim go asks the program attached to
// the channel to leave only when this claim launched it, and has not asked
// it to leave since.
TEST_F(LaunchTest, OnlyTheClaimThatLaunchedTheProgramLetsItGo)
{
    ASSERT_TRUE(machine.active());
    registerLaunch(kProgramName, standInCommand() + " -record:" + folder.file("line.txt"));
    const std::string name = testing_support::uniqueName("hvn");
    HANDLE letGo = CreateEventA(nullptr, TRUE, FALSE, (name + "_DCNT").c_str());
    ASSERT_NE(letGo, nullptr);
    // The program came first: it opened the channel before any host.
    Program program(0, 64, name.c_str());
    ASSERT_TRUE(program.Opened());
    const struct {
        const char *what;
        const char *launch;  // op 6 after the claim, when not null
        const char *release; // op 6 before the release, when not null
        bool letsGo;
    } cases[] = {
        {"a claim made and let go", nullptr, nullptr, false},
        {"a claim that launched the program", kProgramName, nullptr, true},
        {"a claim that launched the program and asked it to leave", kProgramName, "", false},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0) << c.what;
        if (c.launch) {
            ASSERT_EQ(HalvorinRequest(0, kOpProgram, const_cast<char *>(c.launch)), 1) << c.what;
        }
        if (c.release) {
            ASSERT_EQ(HalvorinRequest(0, kOpProgram, const_cast<char *>(c.release)), 1) << c.what;
        }
        ResetEvent(letGo);
        EXPECT_EQ(HalvorinRequest(0, kOpRelease, nullptr), 0) << c.what;
        EXPECT_EQ(SharedChannel(0)->client, 0u) << c.what << ": the claim is free";
        EXPECT_EQ(WaitForSingleObject(letGo, 0), c.letsGo ? WAIT_OBJECT_0 : WAIT_TIMEOUT) << c.what;
    }
    CloseHandle(letGo);
}

TEST_F(LaunchTest, NothingStartsWithoutAUsableCommandLine)
{
    ASSERT_TRUE(machine.active());
    EXPECT_EQ(HalvorinRequest(0, kOpProgram, const_cast<char *>(kProgramName)), 0) << "no key";
    registerLaunch("Other", "x");
    EXPECT_EQ(HalvorinRequest(0, kOpProgram, const_cast<char *>(kProgramName)), 0) << "no value";
    registerLaunch(kProgramName, "");
    EXPECT_EQ(HalvorinRequest(0, kOpProgram, const_cast<char *>(kProgramName)), 0) << "an empty value";
    registerLaunch(kProgramName, standInCommand() + " -record:x", REG_EXPAND_SZ);
    EXPECT_EQ(HalvorinRequest(0, kOpProgram, const_cast<char *>(kProgramName)), 0) << "not a plain string";
    registerLaunch(kProgramName, folder.file("missing.exe"));
    EXPECT_EQ(HalvorinRequest(0, kOpProgram, const_cast<char *>(kProgramName)), 0) << "no such program";
    registerLaunch(kProgramName, standInCommand() + " -record:" + folder.file("line.txt"));
    EXPECT_EQ(HalvorinRequest(4, kOpProgram, const_cast<char *>(kProgramName)), 0) << "a bad channel";
}

} // namespace
