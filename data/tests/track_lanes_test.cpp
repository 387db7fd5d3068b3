#include "data/event_lanes.h"
#include "data/track.h"

#include "data/tests/song_fixture.h"

#include <string>

using namespace Quorvane;

namespace {

class Lanes : public SongFixture {
protected:
    void SetUp() override
    {
        SongFixture::SetUp();
        t = add(TRACK_MIDI);
        put(t, note(0, 60, 100, 10), 0);
        put(t, ctrl(0, 7, 50), 0);
        put(t, note(0, 64, 90, 10), 480);
        put(t, ctrl(0, 7, 80), 480);
        put(t, ctrl(0, 10, 80), 480);
        put(t, note(0, 67, 20, 10), 960);
    }
    std::string times() const
    {
        std::string out;
        for (long i = 0; i < t->GetNumb(); ++i)
            out += std::to_string(t->GetEvent(i)->time) + (t->GetEvent(i)->IsSlct() ? "* " : " ");
        return out;
    }
    CTrack *t = nullptr;
};

TEST_F(Lanes, DeleteByTimeWithAnEmptySpanTakesTheEventsAtItsStart)
{
    const uint64_t edition = t->GetEdition();
    EXPECT_EQ(t->DeleteByTime(LANE_NOTE, 480, 480), 1);
    EXPECT_EQ(times(), "0 0 480 480 960 ");
    EXPECT_GT(t->GetEdition(), edition);
    EXPECT_EQ(t->DeleteByTime(7, 0, 960), 1);
    EXPECT_EQ(times(), "0 480 960 ");
    EXPECT_EQ(t->DeleteByTime(7, 0, 960), 0);
}

TEST_F(Lanes, DeleteByRangeLooksAtTheLaneValue)
{
    EXPECT_EQ(t->DeleteByRange(LANE_VELOCITY, 0, 2000, 50, 95), 1);
    EXPECT_EQ(times(), "0 0 480 480 960 ");
}

TEST_F(Lanes, SelectionByRangeAndItsUse)
{
    EXPECT_EQ(t->SelectByRange(LANE_NOTE, 0, 960, 0, 127, 0), 1);
    // At one tick controllers come before notes.
    EXPECT_EQ(times(), "0 0* 480 480 480* 960 ");
    EXPECT_EQ(t->SelectByRange(LANE_NOTE, 960, 2000, 0, 127, 1), 1);
    EXPECT_EQ(times(), "0 0* 480 480 480* 960* ");
    EXPECT_EQ(t->SelectByRange(LANE_NOTE, 960, 2000, 0, 127, 0), 1);
    EXPECT_EQ(times(), "0 0 480 480 480 960* ");
    EXPECT_EQ(t->SelectByRange(LANE_NOTE, 960, 2000, 0, 127, 0), 0);
    t->GetEvent(0)->SetSlct(1); // a controller: another lane
    t->GetEvent(1)->SetSlct(1);
    EXPECT_EQ(t->ResetSelection(LANE_NOTE, t->GetEvent(5)), 1);
    EXPECT_EQ(times(), "0* 0 480 480 480 960* ");
    EXPECT_EQ(t->DeleteBySelection(), 1);
    EXPECT_EQ(times(), "0 480 480 480 ");
    EXPECT_EQ(t->DeleteBySelection(), 0);
}

} // namespace
