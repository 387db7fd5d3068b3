// The loop edit tool's gestures, driven as the event bar drives them, on a
// looper of two lanes (kick 36 at the bottom, snare 38 at the top) over one
// bar at 480 ticks per quarter: a lane area of 192 x 20 pixels gives 10 ticks
// a pixel and lanes at y 10 (kick) and y 0 (snare); a grid of 16 divisions
// has a line every 120 ticks.
#include "plugin/fill/looper/loop_edit_tool.h"

#include "plugin/fill/looper/tests/fake_looper_host.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Quorvane;
using namespace looper_test;

namespace {

using Beat = std::tuple<int32_t, int, int>; // time, note, velocity
using Beats = std::vector<Beat>;

DrumSet kickAndSnare()
{
    DrumSet set;
    set.setInstrument(36, 1);
    set.setInstrument(38, 1);
    return set;
}

struct Step {
    enum Kind { Press, DoubleClick, Drag, Release } kind;
    int x;
    int y;
    unsigned state = MK_LBUTTON;
};

// A horizontal drag through every pixel from x0 to x1.
std::vector<Step> dragAcross(int x0, int x1, int y)
{
    std::vector<Step> steps;
    for (int x = x0; x <= x1; ++x)
        steps.push_back({Step::Drag, x, y});
    return steps;
}

struct GestureCase {
    const char *name;
    int grid;
    std::vector<Step> steps;
    Beats expected;
};

class LoopEditToolTest : public ::testing::Test {
protected:
    FakeHost host;
    Looper looper{host, 1};

    void SetUp() override
    {
        looper.setInstrumentNotes(kickAndSnare(), 1);
        looper.distribute(track(480, {note(480, 36, 100), note(960, 38, 90)}));
        host.calls.clear();
    }

    Beats beats() const
    {
        Beats result;
        for (const Event &e : looper.pattern().events())
            result.push_back({e.time, e.data1, e.data2});
        return result;
    }

    void run(LooperEditor &tool, const std::vector<Step> &steps)
    {
        for (const Step &step : steps) {
            switch (step.kind) {
            case Step::Press:
                tool.press(step.state, step.x, step.y);
                break;
            case Step::DoubleClick:
                tool.doubleClick(step.state, step.x, step.y);
                break;
            case Step::Drag:
                tool.drag(step.state, step.x, step.y);
                break;
            case Step::Release:
                tool.release(0, step.x, step.y);
                break;
            }
        }
    }
};

TEST_F(LoopEditToolTest, Gestures)
{
    const Step release{Step::Release, 0, 0, 0};
    std::vector<Step> paint = {{Step::Press, 53, 6}};
    for (const Step &step : dragAcross(54, 90, 6))
        paint.push_back(step);
    const std::vector<GestureCase> cases = {
        {"a press within reach of a beat takes it: nothing is added",
         0,
         {{Step::Press, 51, 6}, release},
         {{480, 36, 100}, {960, 38, 90}}},
        {"within 6 pixels each way but 8 in all is no hit: a new beat",
         0,
         {{Step::Press, 52, 6}, release},
         {{480, 36, 100}, {520, 36, 100}, {960, 38, 90}}},
        {"without a grid a click inserts at the exact time",
         0,
         {{Step::Press, 77, 15}, release},
         {{480, 36, 100}, {770, 36, 100}, {960, 38, 90}}},
        {"with a grid a click inserts on the nearest line",
         16,
         {{Step::Press, 130, 5}, release},
         {{480, 36, 100}, {960, 38, 90}, {1320, 38, 100}}},
        {"20 pixels up on a beat of velocity 100 gives 120",
         16,
         {{Step::Press, 48, 10}, {Step::Drag, 48, 0}, {Step::Drag, 48, -10}, release},
         {{480, 36, 120}, {960, 38, 90}}},
        {"further up the velocity stops at 127",
         16,
         {{Step::Press, 48, 10}, {Step::Drag, 48, -10}, {Step::Drag, 48, -60}, release},
         {{480, 36, 127}, {960, 38, 90}}},
        {"downwards it stops at 1",
         16,
         {{Step::Press, 48, 10}, {Step::Drag, 48, 300}, release},
         {{480, 36, 1}, {960, 38, 90}}},
        {"a horizontal drag moves the beat to the grid",
         16,
         {{Step::Press, 48, 10}, {Step::Drag, 70, 12}, release},
         {{720, 36, 100}, {960, 38, 90}}},
        {"dragged left of the area the time stops at 0",
         16,
         {{Step::Press, 48, 10}, {Step::Drag, -40, 10}, release},
         {{0, 36, 100}, {960, 38, 90}}},
        {"a new beat dragged up gets louder",
         16,
         {{Step::Press, 130, 5}, {Step::Drag, 130, -15}, release},
         {{480, 36, 100}, {960, 38, 90}, {1320, 38, 120}}},
        {"a click on a line that holds a beat adds nothing; a drag paints every free line passed",
         16,
         paint,
         {{480, 36, 100}, {600, 36, 100}, {720, 36, 100}, {840, 36, 100}, {960, 38, 90}, {960, 36, 100}}},
        {"a new beat dragged sideways paints on",
         16,
         {{Step::Press, 12, 10}, {Step::Drag, 25, 10}, release},
         {{120, 36, 100}, {240, 36, 100}, {480, 36, 100}, {960, 38, 90}}},
        {"Ctrl on an empty spot changes nothing",
         16,
         {{Step::Press, 150, 5, MK_LBUTTON | MK_CONTROL}, release},
         {{480, 36, 100}, {960, 38, 90}}},
        {"Ctrl on a beat erases it, and the drag erases every beat passed",
         0,
         {{Step::Press, 48, 10, MK_LBUTTON | MK_CONTROL},
          {Step::Drag, 70, 5, MK_LBUTTON | MK_CONTROL},
          {Step::Drag, 96, 1, MK_LBUTTON | MK_CONTROL},
          release},
         {}},
        {"a double click erases",
         16,
         {{Step::Press, 96, 0}, release, {Step::DoubleClick, 96, 0}, release},
         {{480, 36, 100}}},
    };
    for (const GestureCase &c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        LoopEditTool tool(looper, 192, 20, c.grid);
        run(tool, c.steps);
        EXPECT_EQ(beats(), c.expected);
    }
}

TEST_F(LoopEditToolTest, MappingOfPixelsToTimesLanesAndGrid)
{
    LoopEditTool tool(looper, 192, 20, 16);
    EXPECT_EQ(tool.gridCells(), 16);
    EXPECT_EQ(tool.timeAt(96), 960);
    EXPECT_EQ(tool.laneAt(0), 1) << "the top row is the highest lane";
    EXPECT_EQ(tool.laneAt(5), 1) << "half way stays on the upper lane";
    EXPECT_EQ(tool.laneAt(6), 0);
    EXPECT_EQ(tool.laneAt(19), 0);
    EXPECT_EQ(tool.snap(0), 0);
    EXPECT_EQ(tool.snap(5), 0);
    EXPECT_EQ(tool.snap(7), 120);
    EXPECT_EQ(tool.snap(53), 480);
    EXPECT_EQ(tool.snap(54), 600);
    EXPECT_EQ(tool.snap(191), 1800) << "the last line, never the loop's end";
    EXPECT_EQ(tool.snap(-8), 0);
    EXPECT_EQ(LoopEditTool(looper, 192, 20, 0).snap(77), 770);
    EXPECT_EQ(LoopEditTool(looper, 192, 20, -4).gridCells(), 0);
}

TEST_F(LoopEditToolTest, NoGestureWithoutRoomOrLength)
{
    struct Room {
        const char *name;
        int width;
        int height;
        int32_t fillUnits;
    };
    for (const Room &room : {Room{"no width", 0, 20, 960}, Room{"lanes without a pixel each", 192, 1, 960},
                             Room{"no height for two lanes", 192, 0, 960}, Room{"no loop", 192, 20, 0}}) {
        SCOPED_TRACE(room.name);
        SetUp();
        host.fillUnits = room.fillUnits;
        LoopEditTool tool(looper, room.width, room.height, 16);
        EXPECT_FALSE(tool.isUsable());
        run(tool, {{Step::Press, 5, 0},
                   {Step::Drag, 5, -30},
                   {Step::DoubleClick, 48, 0},
                   {Step::Press, 48, 10, MK_LBUTTON | MK_CONTROL}});
        EXPECT_EQ(beats(), (Beats{{480, 36, 100}, {960, 38, 90}}));
        EXPECT_TRUE(host.calls.empty());
    }
}

TEST_F(LoopEditToolTest, OneLaneNeedsNoHeight)
{
    // A single lane lies on its line: the event bar gives it an area 0
    // pixels high, and every point of the area is on the lane.
    DrumSet kick;
    kick.setInstrument(36, 1);
    looper.setInstrumentNotes(kick, 1);
    ASSERT_EQ(looper.laneCount(), 1);
    LoopEditTool tool(looper, 192, 0, 16);
    EXPECT_TRUE(tool.isUsable());
    EXPECT_EQ(tool.laneAt(-3), 0);
    EXPECT_EQ(tool.laneAt(4), 0);
    tool.press(MK_LBUTTON, 24, 3); // 3 pixels below the line: a new beat at 240
    tool.drag(MK_LBUTTON, 24, -12);
    EXPECT_EQ(beats(), (Beats{{240, 36, 115}, {480, 36, 100}, {960, 38, 90}}));
    LoopEditTool again(looper, 192, 0, 16);
    again.press(MK_LBUTTON, 48, -4);
    again.drag(MK_LBUTTON, 48, -24);
    EXPECT_EQ(std::get<2>(beats()[1]), 120) << "the kick at 480 taken 4 pixels above its line";
}

TEST_F(LoopEditToolTest, AReplacedPatternEndsTheGesture)
{
    LoopEditTool tool(looper, 192, 20, 16);
    tool.press(MK_LBUTTON, 48, 10);
    // A pad switch on the host's thread puts another pattern in place.
    LooperPart other;
    other.takeFrom(track(480, {note(480, 36, 60)}), looper.instrumentNotes(), false);
    looper.swapPart(other);
    tool.drag(MK_LBUTTON, 48, -10);
    tool.drag(MK_LBUTTON, 80, -10);
    EXPECT_EQ(beats(), (Beats{{480, 36, 60}})) << "the new pattern is left alone";
    ASSERT_EQ(other.pattern->events().size(), 2u);
    EXPECT_EQ(other.pattern->events().front().data2, 100) << "and so is the old one";

    // Clearing the pattern by hand ends a gesture too.
    LoopEditTool next(looper, 192, 20, 16);
    next.press(MK_LBUTTON, 48, 10);
    looper.eraseAllEvents();
    next.drag(MK_LBUTTON, 48, -10);
    EXPECT_TRUE(beats().empty());
}

TEST_F(LoopEditToolTest, EditsTellTheEngineAndShowTheStatus)
{
    LoopEditTool tool(looper, 192, 20, 16);
    tool.press(MK_LBUTTON, 48, 10);
    tool.drag(MK_LBUTTON, 70, 10);
    tool.drag(MK_LBUTTON, 60, 10);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"Position: 2:240", "Position: 2:120"}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"source edited", "input mask", "refresh views",
                                                    "source edited", "input mask", "refresh views"}));
    host.statuses.clear();
    LoopEditTool louder(looper, 192, 20, 16);
    louder.press(MK_LBUTTON, 60, 10);
    louder.drag(MK_LBUTTON, 60, 3);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"Velocity: 107"}));
}

} // namespace
