#include "plugin/fill/engine/fill_units.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;

TEST(FillUnits, ConvertsThroughSixtyFourBitsAndClamps)
{
    struct Case {
        int32_t value;
        int32_t resolution;
        int32_t ticks;
    };
    const Case cases[] = {
        {960, 480, 1920},
        {960, 240, 960},
        {0, 7, 0},
        {-1, 480, -2},
        {960, 0, 1920},
        {960, -5, 1920}, // no resolution: 480 stands in
        {INT32_MAX, 960, INT32_MAX},
        {INT32_MIN, 960, INT32_MIN},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fillUnitsToTicks(c.value, c.resolution), c.ticks) << c.value << " at " << c.resolution;
    EXPECT_EQ(ticksToFillUnits(1920, 480), 960);
    EXPECT_EQ(ticksToFillUnits(1920, 0), 960);
    EXPECT_EQ(plainMeasureStart(2, 480), 1920);
    EXPECT_EQ(plainMeasureStart(1000, 0), 999 * 1920);
    EXPECT_EQ(plainMeasureStart(INT32_MAX, 960), INT32_MAX);
}

} // namespace
