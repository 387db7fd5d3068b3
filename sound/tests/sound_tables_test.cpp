#include "sound/sound_tables.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Quorvane;

namespace {

TEST(SoundTables, NoteFrequenciesFollowTheSemitoneFromA440)
{
    EXPECT_EQ(pSndFreqTab[69], 440.0f);
    EXPECT_NEAR(pSndFreqTab[81], 880.0f, 0.001f);
    EXPECT_NEAR(pSndFreqTab[57], 220.0f, 0.001f);
    EXPECT_NEAR(pSndFreqTab[60], 261.6256f, 0.001f);
    // Made by repeated products rounded to floats, not by direct powers.
    const float up = static_cast<float>(std::pow(2.0, 1.0 / 12.0));
    EXPECT_EQ(pSndFreqTab[71], up * (up * 440.0f));
}

TEST(SoundTables, VolumeAndPanCurves)
{
    EXPECT_EQ(pSndVolTab[0], 0.0f);
    EXPECT_FLOAT_EQ(pSndVolTab[100], 1.0f);
    EXPECT_NEAR(pSndVolTab[127], 1.1269f, 0.0001f);
    EXPECT_EQ(pSndPanTab[0], 0.0f);
    EXPECT_EQ(pSndPanTab[64], 1.0f);
    EXPECT_FLOAT_EQ(pSndPanTab[128], std::sqrt(2.0f));
}

TEST(SoundTables, VolPanGains)
{
    struct Case {
        long volume, pan;
        float left, right;
    };
    const Case cases[] = {
        {100, 64, 1.0f, 1.0f},
        {100, 0, std::sqrt(2.0f), 0.0f},
        {100, 128, 0.0f, std::sqrt(2.0f)},
        {0, 64, 0.0f, 0.0f},
        // Out of range: clamped to the tables' ends.
        {1000, 64, pSndVolTab[127], pSndVolTab[127]},
        {-5, 64, 0.0f, 0.0f},
        {100, -40, std::sqrt(2.0f), 0.0f},
        {100, 500, 0.0f, std::sqrt(2.0f)},
    };
    for (const Case &c : cases) {
        float left = -1, right = -1;
        SndGetVolPan(c.volume, c.pan, left, right);
        EXPECT_FLOAT_EQ(left, c.left) << c.volume << " " << c.pan;
        EXPECT_FLOAT_EQ(right, c.right) << c.volume << " " << c.pan;
    }
}

TEST(SoundTables, VelocityScalesTheGains)
{
    float left, right, velLeft, velRight;
    SndGetVolPan(90, 30, left, right);
    SndGetVolPanVel(90, 30, 127, velLeft, velRight);
    EXPECT_FLOAT_EQ(velLeft, left);
    EXPECT_FLOAT_EQ(velRight, right);
    SndGetVolPanVel(100, 64, 64, velLeft, velRight);
    EXPECT_FLOAT_EQ(velLeft, 64.0f / 127.0f);
    SndGetVolPanVel(5000, -9, 300, velLeft, velRight);
    EXPECT_FLOAT_EQ(velLeft, pSndVolTab[127] * std::sqrt(2.0f));
    EXPECT_EQ(velRight, 0.0f);
}

TEST(SoundTables, WheelFactors)
{
    const float twoUp = static_cast<float>(std::pow(2.0, 2.0 / 12.0));
    const float wheel = SndGetWheelFactor(8191, 2, 0);
    EXPECT_LT(wheel, twoUp);
    EXPECT_GT(wheel, 0.999f * twoUp);
    EXPECT_NEAR(SndGetWheelFactor(-8192, 2, 0), std::pow(2.0, -2.0 / 12.0), 1e-5);
    EXPECT_NEAR(SndGetWheelFactor(0, 2, 12), 2.0, 1e-5);
    EXPECT_EQ(SndGetWheelFactor(0, 2, 0), 1.0f);
    EXPECT_EQ(SndGetWheelFactor(4000, 0, 0), 1.0f);
    EXPECT_NEAR(SndGetWheelFactor(4096, 2, 0), std::pow(2.0, 1.0 / 12.0), 1e-5);
}

TEST(SoundTables, WheelFactorsStayInsideTheTable)
{
    // Ranges and offsets beyond two octaves, and bends beyond 14 bits, read
    // the table's ends instead of memory beside it.
    const float top = static_cast<float>(std::pow(2.0, 24.0 / 12.0));
    const float bottom = static_cast<float>(std::pow(2.0, -24.0 / 12.0));
    EXPECT_NEAR(SndGetWheelFactor(8191, 100000, 0), top, 0.05f * top);
    EXPECT_NEAR(SndGetWheelFactor(-8192, 2, -60), bottom, 0.1f * bottom);
    EXPECT_NEAR(SndGetWheelFactor(0, 2, 60), top, 0.05f * top);
    EXPECT_NEAR(SndGetWheelFactor(1 << 20, 2, 0), SndGetWheelFactor(8191, 2, 0), 1e-6);
    EXPECT_EQ(SndGetWheelFactor(4000, -3, 0), 1.0f);
}

} // namespace
