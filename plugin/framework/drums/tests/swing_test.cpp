#include "plugin/framework/drums/swing.h"

#include <gtest/gtest.h>

using namespace Quorvane;

TEST(Swing, WorkedValuesOfASixteenthGrid)
{
    // 100 % at 480 ticks per quarter on sixteenths: unit 120, amount 60.
    ASSERT_EQ(swingAmount(100, 120), 60);
    EXPECT_EQ(swingTime(0, 120, 60), 0);
    EXPECT_EQ(swingTime(120, 120, 60), 180);
    // Inside the stretched unit and the squeezed one.
    EXPECT_EQ(swingTime(60, 120, 60), 90);
    EXPECT_EQ(swingTime(180, 120, 60), 210);
    // Every pair of units ends where it began.
    EXPECT_EQ(swingTime(240, 120, 60), 240);
    EXPECT_EQ(swingTime(1000 * 240 + 120, 120, 60), 1000 * 240 + 180);
}

TEST(Swing, AmountIsIntegerArithmeticOnHalfTheUnit)
{
    EXPECT_EQ(swingAmount(50, 120), 30);
    EXPECT_EQ(swingAmount(33, 120), 19);
    EXPECT_EQ(swingAmount(100, 7), 3);
    // Percent outside 0..100 is limited.
    EXPECT_EQ(swingAmount(250, 120), 60);
    EXPECT_EQ(swingAmount(-5, 120), 0);
}

TEST(Swing, NoUnitOrNoAmountLeavesTimes)
{
    for (int64_t p : {0, 1, 119, 120, 12345})
        EXPECT_EQ(swingTime(p, 0, 60), p);
    for (int64_t p : {0, 1, 119, 120, 12345})
        EXPECT_EQ(swingTime(p, 120, 0), p);
}

TEST(Swing, KeepsTheOrderOfTimes)
{
    for (int64_t unit : {1, 2, 3, 30, 120, 121})
        for (int32_t percent : {0, 1, 50, 99, 100}) {
            const int64_t amount = swingAmount(percent, unit);
            for (int64_t p = 0; p < 4 * unit + 3; ++p)
                ASSERT_LE(swingTime(p, unit, amount), swingTime(p + 1, unit, amount))
                    << unit << " " << percent << " " << p;
        }
}

TEST(Swing, LargeTimesDoNotOverflow)
{
    const int64_t unit = int64_t(1) << 30;
    EXPECT_EQ(swingTime(3 * unit, unit, unit / 2), 3 * unit + unit / 2);
}
