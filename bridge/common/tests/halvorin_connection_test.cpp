#include "bridge/common/halvorin_connection.h"

#include "bridge/common/tests/recorder_fixture.h"

#include <gtest/gtest.h>

using namespace Halvorin;
using namespace halvorin_test;

namespace {

bool recorderLoaded()
{
    return GetModuleHandleA((programFolder() + "halvorin_recorder.dll").c_str()) != nullptr;
}

TEST(HalvorinConnection, ClaimsAChannelAndLetsItGo)
{
    Recorder recorder;
    ASSERT_TRUE(recorder.Ready());
    recorder.SetUp(2, nullptr);
    {
        HalvorinConnection provider;
        ASSERT_TRUE(provider.Connect());
        EXPECT_EQ(provider.Channel(), 2);
        int rate = 48000;
        EXPECT_EQ(provider.Request(kOpSampleRate, &rate), 1);
    }
    const std::vector<RecordedCall> calls = recorder.Take();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].op, kOpClaim);
    EXPECT_EQ(calls[0].channel, -1);
    EXPECT_EQ(calls[1].op, kOpSampleRate);
    EXPECT_EQ(calls[1].channel, 2);
    EXPECT_EQ(calls[2].op, kOpRelease);
    EXPECT_EQ(calls[2].channel, 2);
}

TEST(HalvorinConnection, NothingIsKeptWithoutAProviderOrAChannel)
{
    {
        Recorder recorder;
        recorder.SetUp(-1, nullptr);
        HalvorinConnection provider;
        EXPECT_FALSE(provider.Connect()) << "no free channel";
        EXPECT_FALSE(provider.Connected());
        EXPECT_EQ(provider.Request(kOpSampleRate, nullptr), 0);
        EXPECT_EQ(recorder.Take().size(), 1u) << "only the claim";
    }
    EXPECT_FALSE(recorderLoaded()) << "the module was freed";
    testing_support::LocalMachineOverride machine;
    HalvorinConnection provider;
    EXPECT_FALSE(provider.Connect()) << "not registered";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", "Halvorin", REG_SZ,
                    "Z:\\no\\such.dll", 16);
    EXPECT_FALSE(provider.Connect()) << "not loadable";
}

} // namespace
