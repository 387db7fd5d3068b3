#include "plugin/framework/midi/offline_process.h"
#include "plugin/framework/midi/process_context.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;

// A context with its own meter, to show that the rounding uses only the
// context's conversions.
class ThreeFourContext : public ProcessContext {
public:
    void emitEvent(const CMidiTrack::Event &) override {}
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override
    {
        return ((bar - 1) * 3 + beat - 1) * 100 + tick;
    }
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override
    {
        *bar = ticks / 300 + 1;
        *beat = ticks % 300 / 100 + 1;
        *tick = ticks % 100;
        return *bar;
    }
};

class Offline : public OfflineProcess {
public:
    using OfflineProcess::OfflineProcess;
    void render(int32_t, int32_t, int32_t) override {}
    bool write(OutputStream &) override { return false; }
};

TEST(ProcessContext, RoundUpToBeat)
{
    Offline common({12000, 240, 4, 2});
    const struct {
        int32_t ticks;
        int32_t limit;
        int32_t expected;
    } cases[] = {
        {250, 4, 480}, {250, 1, 960}, {0, 1, 0},      {0, 4, 0},       {240, 4, 240},
        {240, 1, 960}, {960, 1, 960}, {961, 1, 1920}, {730, 4, 960},   {719, 4, 720},
        {721, 3, 960}, {1, 2, 240},   {239, 1, 960},  {1919, 4, 1920}, {2880, 1, 2880},
    };
    for (const auto &c : cases)
        EXPECT_EQ(common.roundUpToBeat(c.ticks, c.limit), c.expected) << c.ticks << " limit " << c.limit;

    ThreeFourContext threeFour;
    EXPECT_EQ(threeFour.roundUpToBeat(150, 1), 300);
    EXPECT_EQ(threeFour.roundUpToBeat(150, 3), 200);
    EXPECT_EQ(threeFour.roundUpToBeat(250, 3), 300);
    EXPECT_EQ(threeFour.getResolution(), 240) << "until set";
}

} // namespace
