#include "base/arith.h"

#include <gtest/gtest.h>

#include <cfenv>

using Quorvane::mulDiv64;
using Quorvane::roundToNearest;

TEST(MulDiv64, KeepsTheFullProductAndTruncatesTowardZero)
{
    struct Case {
        int32_t a, b, c, expected;
    };
    const Case cases[] = {
        {60000, 100000, 500000, 12000}, // product beyond 32 bits
        {-7, 1, 2, -3},
        {7, 1, 2, 3},
        {7, -1, 2, -3},
        {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
        {-480, 44100, 960, -22050},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mulDiv64(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

TEST(RoundToNearest, TiesGoToEvenInEveryRoundingMode)
{
    struct Case {
        double value;
        int64_t expected;
    };
    const Case cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {1.5, 2},
        {-1.5, -2},
        {0.49, 0},
        {-0.51, -1},
        {1e12 + 0.5, 1000000000000},
        {4503599627370497.0, 4503599627370497},
        {-0.3, 0},
    };
    for (int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        for (const Case &c : cases)
            EXPECT_EQ(roundToNearest(c.value), c.expected) << c.value << " in mode " << mode;
        EXPECT_EQ(std::fegetround(), mode) << "the mode in force is left as it was";
    }
    std::fesetround(FE_TONEAREST);
}
