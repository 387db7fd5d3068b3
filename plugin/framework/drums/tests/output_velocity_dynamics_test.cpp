#include "plugin/framework/drums/output_velocity_dynamics.h"

#include <gtest/gtest.h>

namespace {

// The engines' limits.
class Dynamics : public ::testing::Test {
protected:
    OutputVelocityDynamics dynamics{30, 127};
};

TEST_F(Dynamics, WithoutLevelOrGainOnlyTheLimitsApply)
{
    EXPECT_EQ(dynamics.centre(), 100);
    EXPECT_EQ(dynamics.factor(), 1024);
    EXPECT_EQ(dynamics.apply(10), 30);
    EXPECT_EQ(dynamics.apply(100), 100);
    EXPECT_EQ(dynamics.apply(127), 127);
    EXPECT_EQ(dynamics.apply(300), 127);
}

// Level 80 lies below the centre 100: it is squeezed to
// (100 - 64) * 80 / 100 + 64 = 92, and the factor is 92 * 1024 / 100 = 942.
TEST_F(Dynamics, ALevelBelowTheCentreRescalesAroundIt)
{
    dynamics.setLevel(80);
    EXPECT_EQ(dynamics.level(), 92);
    EXPECT_EQ(dynamics.userLevel(), 80);
    EXPECT_EQ(dynamics.factor(), 942);
    EXPECT_EQ(dynamics.apply(100), 92);
    EXPECT_EQ(dynamics.apply(120), 110); // 20 * 942 / 1024 = 18
    EXPECT_EQ(dynamics.apply(60), 56);   // -40 * 942 / 1024 = -36
    EXPECT_EQ(dynamics.apply(1), 30);
}

TEST_F(Dynamics, ALevelAboveTheCentreIsKept)
{
    dynamics.setLevel(120);
    EXPECT_EQ(dynamics.level(), 120);
    EXPECT_EQ(dynamics.factor(), 1228);
    EXPECT_EQ(dynamics.apply(100), 120);
    EXPECT_EQ(dynamics.apply(110), 127);
}

TEST_F(Dynamics, PercentMovesTheLevelTowardsTheCentre)
{
    dynamics.setLevel(80);
    dynamics.setPercent(50);
    EXPECT_EQ(dynamics.level(), 96); // 100 + (92 - 100) * 50 / 100
    EXPECT_EQ(dynamics.factor(), 983);
    dynamics.setPercent(0);
    EXPECT_EQ(dynamics.level(), 100);
    EXPECT_EQ(dynamics.apply(77), 77);
    dynamics.setPercent(500);
    EXPECT_EQ(dynamics.percent(), 100);
    EXPECT_EQ(dynamics.level(), 92);
}

// Each recompute starts from the user's level, so repeating a setting, or
// changing another one and back, ends where a single setting does.
TEST_F(Dynamics, RepeatedSettingsDoNotDrift)
{
    dynamics.setLevel(80);
    for (int i = 0; i < 5; ++i)
        dynamics.setPercent(50);
    EXPECT_EQ(dynamics.level(), 96);
    dynamics.setMin(30);
    dynamics.setMax(127);
    EXPECT_EQ(dynamics.level(), 96);
    dynamics.setPercent(100);
    EXPECT_EQ(dynamics.level(), 92);
    dynamics.setLevel(80);
    dynamics.setLevel(80);
    EXPECT_EQ(dynamics.level(), 92);
    EXPECT_EQ(dynamics.userLevel(), 80);
    dynamics.setLevel(0);
    EXPECT_EQ(dynamics.level(), 0);
    EXPECT_EQ(dynamics.apply(100), 100);
}

TEST_F(Dynamics, LevelIsClamped)
{
    dynamics.setLevel(500);
    EXPECT_EQ(dynamics.userLevel(), 127);
    dynamics.setLevel(-3);
    EXPECT_EQ(dynamics.userLevel(), 0);
    EXPECT_EQ(dynamics.level(), 0);
}

TEST_F(Dynamics, GainScalesAfterTheLevel)
{
    EXPECT_EQ(dynamics.gain(), 0) << "off until set";
    dynamics.setGain(0);
    EXPECT_EQ(dynamics.gain(), 8192);
    EXPECT_EQ(dynamics.apply(90), 90);
    dynamics.setGain(8191);
    EXPECT_EQ(dynamics.gain(), 16383);
    EXPECT_EQ(dynamics.apply(64), 127);
    EXPECT_EQ(dynamics.apply(40), 79); // 16383 * 40 / 8192 = 79.99
    dynamics.setGain(9000);
    EXPECT_EQ(dynamics.gain(), 16383);
    dynamics.setGain(-4096);
    EXPECT_EQ(dynamics.apply(100), 50);
    dynamics.setGain(-9000);
    EXPECT_EQ(dynamics.gain(), 1);
    EXPECT_EQ(dynamics.apply(127), 30) << "drops to 0, then to the minimum";
}

TEST(DynamicsLimits, LimitsKeepTwoApartWhereTheyCan)
{
    OutputVelocityDynamics dynamics(30, 127);
    dynamics.setMin(127);
    EXPECT_EQ(dynamics.min(), 127);
    EXPECT_EQ(dynamics.max(), 127);

    dynamics.setMax(1);
    EXPECT_EQ(dynamics.max(), 1);
    EXPECT_EQ(dynamics.min(), 1);

    // The options dialog hands the upper limit first: "to" 100, "from" 100.
    OutputVelocityDynamics dialog(30, 127);
    dialog.setMax(100);
    dialog.setMin(100);
    EXPECT_EQ(dialog.min(), 100);
    EXPECT_EQ(dialog.max(), 102);

    OutputVelocityDynamics lower(30, 127);
    lower.setMax(50);
    EXPECT_EQ(lower.min(), 30);
    lower.setMax(20);
    EXPECT_EQ(lower.min(), 18);
    lower.setMin(-5);
    EXPECT_EQ(lower.min(), 1);
}

TEST(DynamicsLimits, CentreFallsBetweenTheLimitsWhenTheMinimumIsHigh)
{
    OutputVelocityDynamics dynamics(110, 127);
    EXPECT_EQ(dynamics.centre(), 118);
    EXPECT_EQ(dynamics.apply(115), 115);
    EXPECT_EQ(dynamics.apply(60), 110);
}

} // namespace
