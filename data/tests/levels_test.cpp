#include "data/levels.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

TEST(Levels, Decibels)
{
    EXPECT_FLOAT_EQ(DBFromVal(1.0f), 0.0f);
    EXPECT_NEAR(DBFromVal(-0.5f), -6.0206f, 1e-3);
    EXPECT_NEAR(ValFromDB(-6.0206f), 0.5f, 1e-4);
    EXPECT_FLOAT_EQ(ValFromDB(0.0f), 1.0f);
    char buffer[32];
    EXPECT_STREQ(StringDB(0.005f, buffer), "-inf");
    EXPECT_STREQ(StringDB(1.0f, buffer), "0.0 db");
    EXPECT_STREQ(StringDB(0.5f, buffer), "-6.0 db");
}

TEST(Levels, Peaks)
{
    const float mono[] = {0.2f, -0.5f, 0.1f};
    float min = 0, max = 0;
    EXPECT_EQ(GetMinMax1(mono, 3, min, max), mono + 3);
    EXPECT_FLOAT_EQ(min, -0.5f);
    EXPECT_FLOAT_EQ(max, 0.2f);
    EXPECT_EQ(GetMinMax1(mono, 0, min, max), mono);
    EXPECT_FLOAT_EQ(min, 1.0f);
    EXPECT_FLOAT_EQ(max, -1.0f);

    const float stereo[] = {0.3f, -0.9f, -0.4f, 0.8f};
    EXPECT_EQ(GetMinMax2(stereo, 2, min, max), stereo + 4);
    EXPECT_FLOAT_EQ(min, -0.4f);
    EXPECT_FLOAT_EQ(max, 0.3f);
    float left = 0, right = 0;
    GetAbsMax(stereo, 2, left, right);
    EXPECT_FLOAT_EQ(left, 0.4f);
    EXPECT_FLOAT_EQ(right, 0.9f);
}

} // namespace
