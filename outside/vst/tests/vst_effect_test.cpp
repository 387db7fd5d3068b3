#include "outside/vst/vst_effect.h"

#include "outside/vst/tests/test_plugins.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Quorvane;
using vst_test::HeldPlugin;

namespace {

struct Effect {
    Effect() { effect->SetBlockSize(128); }
    ~Effect() { effect->Destroy(); }
    IZQAEExTembri *host() { return static_cast<IZQAEExTembri *>(effect->GetSubInterface(SSEX_TEMBRI)); }
    CVstEffect *effect = new CVstEffect;
};

// The effect works in place on the bus's buffer: twice its parameter (0.5
// as it starts) times what the bus holds.
TEST(TembriVst, RunsTheEffectInPlaceOnTheBus)
{
    HeldPlugin plugin("effect");
    Effect e;
    ASSERT_NE(e.host(), nullptr);
    EXPECT_STREQ(e.effect->GetName(), "Tembri VST");
    EXPECT_FALSE(e.host()->Select(0, vst_test::pluginPath("stereo").c_str())) << "an instrument";
    ASSERT_TRUE(e.host()->Select(0, plugin.path.c_str()));
    EXPECT_STREQ(e.effect->GetName(), "Test VST");
    char selected[MAX_PATH + 1] = {};
    ASSERT_TRUE(e.host()->GetSelection(0, selected));
    EXPECT_EQ(plugin.path, selected);

    std::vector<float> bus(2 * 128);
    for (size_t i = 0; i < bus.size(); ++i)
        bus[i] = i % 2 ? -0.25f : 0.5f;
    float *target[1] = {bus.data()};
    EXPECT_TRUE(e.effect->Process(target, 128));
    EXPECT_EQ(bus[0], 0.5f);
    EXPECT_EQ(bus[1], -0.25f);
    EXPECT_EQ(plugin.probe().block, 128);
    EXPECT_FALSE(e.effect->ProcessSilence(target, 128)) << "silence stays silence";
    EXPECT_EQ(bus[0], 0.0f);
}

// Without a plug-in, or after a refusal, the bus passes unchanged.
TEST(TembriVst, PassesTheBusWithoutAPlugin)
{
    Effect e;
    EXPECT_FALSE(e.host()->Select(0, vst_test::scanFixture("crash").c_str()));
    std::vector<float> bus(2 * 128, 0.3f);
    float *target[1] = {bus.data()};
    EXPECT_TRUE(e.effect->Process(target, 128));
    EXPECT_EQ(bus[0], 0.3f);
    EXPECT_EQ(bus[255], 0.3f);
}

} // namespace
