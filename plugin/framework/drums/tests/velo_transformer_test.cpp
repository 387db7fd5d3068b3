#include "plugin/framework/drums/velo_transformer.h"

#include <gtest/gtest.h>

namespace {

using V = VeloTransformer;

void expectMonotone(const VeloTransformer &t)
{
    for (int v = 2; v <= 127; ++v)
        EXPECT_GE(t.apply(v), t.apply(v - 1)) << v;
}

TEST(VeloTransformer, FreshMapIsTheIdentity)
{
    VeloTransformer t;
    for (int v = 1; v <= 127; ++v)
        EXPECT_EQ(t.apply(v), v);
    const int defaults[] = {1, 64, 127, 0, 1, 127};
    for (int i = 0; i < V::ParamCount; ++i)
        EXPECT_EQ(t.param(i), defaults[i]);
    t.rebuild();
    for (int v = 1; v <= 127; ++v)
        EXPECT_EQ(t.apply(v), v) << "curve 0 rebuilds the identity";
}

TEST(VeloTransformer, RawSetsClampAndReportChanges)
{
    VeloTransformer t;
    EXPECT_FALSE(t.setParamRaw(V::Middle, 64, true));
    EXPECT_TRUE(t.setParamRaw(V::Curve, 500, false));
    EXPECT_EQ(t.param(V::Curve), 150);
    EXPECT_FALSE(t.setParamRaw(V::Curve, 200, false)) << "clamped to what is stored already";
    EXPECT_TRUE(t.setParamRaw(V::Curve, -500, false));
    EXPECT_EQ(t.param(V::Curve), -100);
    EXPECT_FALSE(t.setParamRaw(6, 1, true));
    EXPECT_FALSE(t.setParamRaw(-1, 1, true));
}

TEST(VeloTransformer, ConstrainedMovesPushTheNeighbours)
{
    VeloTransformer t;
    t.setParam(V::Low, 20, true);
    EXPECT_TRUE(t.setParam(V::Middle, 10, true));
    EXPECT_EQ(t.param(V::Low), 9) << "low drops below the middle";
    EXPECT_EQ(t.param(V::Middle), 10);

    t.setParam(V::High, 2, true);
    EXPECT_EQ(t.param(V::High), 3);
    EXPECT_EQ(t.param(V::Middle), 2);
    EXPECT_EQ(t.param(V::Low), 1);

    t.setParam(V::LowerLimit, 50, true);
    EXPECT_EQ(t.param(V::Low), 50);
    EXPECT_EQ(t.param(V::Middle), 51);
    EXPECT_EQ(t.param(V::High), 52);

    t.setParam(V::LowerLimit, 1, true);
    t.setParam(V::UpperLimit, 40, true);
    EXPECT_EQ(t.param(V::UpperLimit), 40);
    EXPECT_EQ(t.param(V::High), 40);
    EXPECT_EQ(t.param(V::Middle), 39);
    EXPECT_EQ(t.param(V::Low), 38);

    EXPECT_FALSE(t.setParam(V::Curve, 0, true)) << "nothing changed";
}

// Curve -100 flattens every velocity between low and high to the middle.
TEST(VeloTransformer, CurveMinus100FlattensToTheMiddle)
{
    VeloTransformer t;
    t.setParam(V::Curve, -100, true);
    for (int v = 1; v <= 127; ++v)
        EXPECT_EQ(t.apply(v), 64) << v;
}

// Curve 0 is the identity between low and high; outside, the end values.
TEST(VeloTransformer, CurveZeroClampsOutsideLowAndHigh)
{
    VeloTransformer t;
    t.setParam(V::Low, 20, true);
    t.setParam(V::High, 100, true);
    t.setParam(V::Middle, 60, true);
    for (int v = 1; v <= 127; ++v)
        EXPECT_EQ(t.apply(v), v < 20 ? 20 : v > 100 ? 100 : v) << v;
}

// Curve -50: the ends move half way to the middle.
TEST(VeloTransformer, NegativeCurvesPullTheEndsIn)
{
    VeloTransformer t;
    t.setParam(V::Curve, -50, true);
    EXPECT_EQ(t.apply(1), 33);   // 1 + [63 * 50 * 0.01] = 1 + [31.5] = 33
    EXPECT_EQ(t.apply(127), 95); // 127 - [31.5] = 127 - 32
    EXPECT_EQ(t.apply(64), 64);
    expectMonotone(t);
}

// Positive curves bend the lower half below and the upper half above the
// diagonal.
TEST(VeloTransformer, PositiveCurvesBendAwayFromTheDiagonal)
{
    VeloTransformer t;
    t.setParam(V::Curve, 100, true);
    EXPECT_EQ(t.apply(1), 1);
    EXPECT_EQ(t.apply(64), 64);
    EXPECT_EQ(t.apply(127), 127);
    for (int v = 2; v < 64; ++v)
        EXPECT_LT(t.apply(v), v) << v;
    for (int v = 65; v < 127; ++v)
        EXPECT_GT(t.apply(v), v) << v;
    expectMonotone(t);
}

// Beyond 100 the ends reach out to the limits: low 20 plays
// 20 - [(20 - 10) * 50 * 0.02] = 10, high 100 plays 100 + [(120 - 100) * 1] = 120.
TEST(VeloTransformer, CurvesAbove100ReachTheLimits)
{
    VeloTransformer t;
    t.setParam(V::LowerLimit, 10, true);
    t.setParam(V::UpperLimit, 120, true);
    t.setParam(V::Low, 20, true);
    t.setParam(V::High, 100, true);
    t.setParam(V::Curve, 150, true);
    EXPECT_EQ(t.apply(1), 10);
    EXPECT_EQ(t.apply(20), 10);
    EXPECT_EQ(t.apply(64), 64);
    EXPECT_EQ(t.apply(100), 120);
    EXPECT_EQ(t.apply(127), 120);
    expectMonotone(t);
}

// Limits that lie closer than the points need (an output range of one
// velocity) used to make the neighbours chase each other without end.
TEST(VeloTransformer, LimitsTooCloseDoNotChaseForever)
{
    VeloTransformer t;
    t.setParamRaw(V::LowerLimit, 127, false);
    t.setParamRaw(V::UpperLimit, 127, false);
    t.setParamRaw(V::Low, 127, false);
    t.setParamRaw(V::High, 127, false);
    t.reapplyParams();
    t.rebuild();
    for (int v = 1; v <= 127; ++v) {
        EXPECT_GE(t.apply(v), 1);
        EXPECT_LE(t.apply(v), 127);
    }

    VeloTransformer u;
    u.setParamRaw(V::LowerLimit, 60, false);
    u.setParamRaw(V::UpperLimit, 61, false);
    u.reapplyParams();
    u.setParam(V::Middle, 10, true);
    u.rebuild();
}

TEST(VeloTransformer, ApplyClampsItsInput)
{
    VeloTransformer t;
    EXPECT_EQ(t.apply(0), 1);
    EXPECT_EQ(t.apply(-20), 1);
    EXPECT_EQ(t.apply(300), 127);
}

} // namespace
