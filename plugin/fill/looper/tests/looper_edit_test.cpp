#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/tests/fake_looper_host.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace looper_test;

namespace {

using Calls = std::vector<std::string>;
const Calls kEdited = {"source edited", "input mask", "refresh views"};

class LooperEdit : public ::testing::Test {
protected:
    FakeHost host;
    Looper looper{host, 1};

    void SetUp() override
    {
        load(looper, 240, {note(0, 36, 100), note(240, 38, 90), note(480, 42, 70)});
        host.calls.clear();
    }

    std::vector<std::pair<int32_t, int>> times() const
    {
        std::vector<std::pair<int32_t, int>> result;
        for (const Event &e : looper.pattern().events())
            result.push_back({e.time, e.data1});
        return result;
    }
};

TEST_F(LooperEdit, InsertNoteKeepsTimeOrderAndTellsTheEngine)
{
    const uint32_t generation = looper.patternGeneration();
    auto added = looper.insertNote(240, 40, 100);
    EXPECT_EQ(added->time, 240);
    EXPECT_EQ(added->data1, 40);
    EXPECT_EQ(added->data2, 100);
    EXPECT_EQ(added->channel, 9);
    EXPECT_EQ(added->flags2, 64);
    EXPECT_EQ(added->duration, 60); // a sixteenth at 240
    // After every event at the same time.
    EXPECT_EQ(times(), (std::vector<std::pair<int32_t, int>>{{0, 36}, {240, 38}, {240, 40}, {480, 42}}));
    EXPECT_EQ(host.calls, kEdited);
    EXPECT_EQ(looper.patternGeneration(), generation); // positions stay good
    EXPECT_TRUE(looper.usesNote(40));

    auto limited = looper.insertNote(-5, 200, 0);
    EXPECT_EQ(limited, std::next(looper.pattern().events().begin())); // after the kick at 0
    EXPECT_EQ(limited->time, 0);
    EXPECT_EQ(limited->data1, 127);
    EXPECT_EQ(limited->data2, 1);
}

TEST_F(LooperEdit, MoveEventReordersAndShowsThePosition)
{
    auto kick = looper.pattern().events().begin();
    looper.moveEvent(kick, 500);
    EXPECT_EQ(times(), (std::vector<std::pair<int32_t, int>>{{240, 38}, {480, 42}, {500, 36}}));
    EXPECT_EQ(kick->time, 500); // the position follows the event
    looper.moveEvent(kick, 270);
    EXPECT_EQ(times(), (std::vector<std::pair<int32_t, int>>{{240, 38}, {270, 36}, {480, 42}}));
    // Beat counted from 1; the tick in engine ticks (480 here, 240 in the
    // pattern).
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"Position: 3:40", "Position: 2:60"}));
    EXPECT_EQ(host.calls.size(), 2 * kEdited.size());
}

TEST_F(LooperEdit, SetVelocityClampsAndShowsIt)
{
    auto snare = std::next(looper.pattern().events().begin());
    looper.setEventVelocity(snare, 200);
    EXPECT_EQ(snare->data2, 127);
    looper.setEventVelocity(snare, 0);
    EXPECT_EQ(snare->data2, 1);
    looper.setEventVelocity(snare, 64);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"Velocity: 127", "Velocity: 1", "Velocity: 64"}));
    EXPECT_EQ(looper.lowestVelocity(), 64);
}

TEST_F(LooperEdit, DeleteAndEraseAll)
{
    looper.deleteEvent(std::next(looper.pattern().events().begin()));
    EXPECT_EQ(times(), (std::vector<std::pair<int32_t, int>>{{0, 36}, {480, 42}}));
    EXPECT_FALSE(looper.usesNote(38));
    looper.deleteEvent(looper.pattern().events().end()); // the list's end: nothing
    EXPECT_EQ(looper.pattern().getEventCount(), 2u);
    looper.eraseAllEvents();
    EXPECT_FALSE(looper.hasEvents());
    EXPECT_EQ(host.calls, (Calls{"source edited", "input mask", "refresh views", "source edited",
                                 "input mask", "refresh views"}));
}

TEST_F(LooperEdit, PlayPicksUpEditsAtOnce)
{
    looper.play(1920, 2000, host);
    ASSERT_EQ(host.events.size(), 1u);
    looper.insertNote(60, 40, 100);                                 // just ahead of where play stands
    looper.deleteEvent(std::prev(looper.pattern().events().end())); // the hi-hat
    host.events.clear();
    looper.play(2001, 3839, host);
    std::vector<std::pair<int32_t, int>> played;
    for (const Event &e : host.events)
        played.push_back({e.time, e.data1});
    EXPECT_EQ(played, (std::vector<std::pair<int32_t, int>>{{2040, 40}, {2400, 38}}));
}

TEST_F(LooperEdit, DisplayTransformUsesPatternTicks)
{
    host.swing = 100;                        // sixteenth grid: unit 60 at 240, amount 30
    looper.setParam(Looper::TimeOffset, 48); // 24 pattern ticks
    EXPECT_EQ(looper.displayTime(0), 24);
    EXPECT_EQ(looper.displayTime(60), 90 + 24);
    looper.setParam(Looper::VelocityOffset, 10);
    EXPECT_EQ(looper.displayVelocity(80), looper.mapVelocity(90));
    EXPECT_EQ(looper.displayVelocity(125), looper.mapVelocity(127));
}

} // namespace
