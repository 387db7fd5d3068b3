#include "plugin/fill/engine/fill_units.h"
#include "plugin/fill/engine/host_window.h"

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

TEST(HostWindow, TurnsHostWindowsIntoClosedRanges)
{
    HostWindow window;
    window.restart(0);
    auto r = window.next(0, 100);
    EXPECT_EQ(r.from, 0);
    EXPECT_EQ(r.thru, 100);
    r = window.next(100, 200);
    EXPECT_EQ(r.from, 101);
    EXPECT_EQ(r.thru, 199);
    r = window.next(200, 300);
    EXPECT_EQ(r.from, 200);
    EXPECT_EQ(r.thru, 299);
    EXPECT_FALSE(r.empty);
}

TEST(HostWindow, OneTickWindowsAreProcessed)
{
    HostWindow window;
    window.restart(0);
    int32_t next = 0;
    for (int32_t from = 0; from < 50; ++from) {
        const auto r = window.next(from, from + 1);
        if (r.empty)
            continue;
        EXPECT_EQ(r.from, next);
        next = r.thru + 1;
    }
    EXPECT_EQ(next, 50); // every tick once, none twice
}

TEST(HostWindow, StartsNoEarlierThanTheLastStart)
{
    HostWindow window;
    window.restart(500);
    const auto r = window.next(0, 600);
    EXPECT_EQ(r.from, 500);
    EXPECT_EQ(r.thru, 600);
    HostWindow gapless;
    gapless.restart(0);
    gapless.next(0, 100);
    const auto g = gapless.next(101, 200); // from = thru + 1: no offset
    EXPECT_EQ(g.from, 101);
    EXPECT_EQ(g.thru, 200);
}

} // namespace
