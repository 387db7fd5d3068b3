#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/tests/fake_looper_host.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace looper_test;

namespace {

using Calls = std::vector<std::string>;

class LooperTest : public ::testing::Test {
protected:
    FakeHost host;
    Looper looper{host, 3};

    FakeView &view()
    {
        looper.view();
        return *host.lastView;
    }
};

TEST_F(LooperTest, FlagSettersAnswerWhetherTheyChangedAndTellTheView)
{
    FakeView &v = view();
    EXPECT_TRUE(looper.isActive());
    EXPECT_TRUE(looper.setMute(true));
    EXPECT_FALSE(looper.setMute(true));
    EXPECT_FALSE(looper.isActive());
    EXPECT_TRUE(looper.setNotesOff(true));
    EXPECT_FALSE(looper.setNotesOff(true));
    EXPECT_TRUE(looper.setMute(false));
    EXPECT_TRUE(looper.setExclude(true));
    EXPECT_FALSE(looper.setExclude(true));
    EXPECT_FALSE(looper.isActive());
    // The exclude flag has no display.
    EXPECT_EQ(v.calls, (Calls{"mute on", "notes-off on", "mute off"}));
}

TEST_F(LooperTest, ViewIsMadeOnceOnFirstRequest)
{
    EXPECT_EQ(looper.existingView(), nullptr);
    LooperView *first = looper.view();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(looper.view(), first);
    struct NoViews : FakeHost {
        LooperView *createLooperView(Looper &, int) override { return nullptr; }
    } none;
    Looper headless(none, 0);
    EXPECT_EQ(headless.view(), nullptr);
    headless.refreshView(); // nothing to tell
}

TEST_F(LooperTest, UserMuteAndNotesOff)
{
    looper.userMute(true, false);
    EXPECT_EQ(host.calls, (Calls{"changed Looper::setMute", "input mask", "refresh views"}));
    host.calls.clear();
    looper.userMute(true, false); // unchanged: no change reported
    EXPECT_EQ(host.calls, (Calls{"input mask", "refresh views"}));
    host.calls.clear();
    looper.userMute(false, true);
    EXPECT_EQ(host.calls, (Calls{"play solo 3", "input mask", "refresh views"}));
    EXPECT_TRUE(looper.isMuted()); // the solo is the engine's to do

    host.calls.clear();
    looper.userNotesOff(true, false);
    EXPECT_TRUE(looper.isNotesOff());
    EXPECT_EQ(host.calls, (Calls{"rearrange notify", "refresh views"}));
    host.calls.clear();
    looper.userNotesOff(false, true);
    EXPECT_EQ(host.calls, (Calls{"notes-off solo 3", "rearrange notify", "refresh views"}));
}

TEST_F(LooperTest, InstrumentNotesComeFromTheDrumSet)
{
    FakeView &v = view();
    DrumSet set; // the standard kit: 46 is instrument 4, 42 instrument 3
    set.setInstrument(44, 3);
    looper.setInstrumentNotes(set, 3);
    EXPECT_EQ(looper.instrumentNoteCount(), 2);
    EXPECT_TRUE(looper.isInstrumentNote(42));
    EXPECT_TRUE(looper.isInstrumentNote(44));
    EXPECT_FALSE(looper.isInstrumentNote(46));
    EXPECT_FALSE(looper.isInstrumentNote(-1));
    EXPECT_FALSE(looper.isInstrumentNote(128));
    EXPECT_EQ(looper.laneCount(), 2);
    EXPECT_EQ(looper.laneNote(0), 42);
    EXPECT_EQ(looper.laneNote(1), 44);
    EXPECT_EQ(looper.laneNote(2), -1);

    set.setInstrument(42, 0);
    set.setInstrument(44, 0);
    looper.setInstrumentNotes(set, 3);
    EXPECT_EQ(looper.instrumentNoteCount(), 0);
    EXPECT_EQ(v.calls, (Calls{"shown", "events", "hidden", "events"}));
}

// Loopers 1..9 take their instrument's notes; looper 0 the unclaimed ones and
// the events that have no note. Rebuilding the source from all ten parts
// gives each event back once.
TEST(LooperDistribute, PartsSplitTheSourceWithoutRepeats)
{
    FakeHost host;
    DrumSet set; // standard kit
    std::vector<std::unique_ptr<Looper>> loopers;
    for (int i = 0; i < 10; ++i) {
        loopers.push_back(std::make_unique<Looper>(host, i));
        loopers.back()->setInstrumentNotes(set, i);
    }
    const CMidiTrack source =
        track(96, {note(0, 36, 100), note(0, 42, 80), note(48, 38, 90), note(48, 42, 70), note(72, 75, 60),
                   other(10, Event::Controller, 4, 90), other(20, Event::KeyPressure, 42, 30),
                   other(30, Event::ChannelPressure, 0, 40)});
    for (auto &l : loopers)
        l->distribute(source);

    EXPECT_EQ(loopers[0]->pattern().getEventCount(), 3u); // 75 and the two without a note
    EXPECT_EQ(loopers[1]->pattern().getEventCount(), 1u); // 36
    EXPECT_EQ(loopers[2]->pattern().getEventCount(), 1u); // 38
    EXPECT_EQ(loopers[3]->pattern().getEventCount(), 3u); // 42 twice and its key pressure
    for (int i = 4; i < 10; ++i)
        EXPECT_FALSE(loopers[i]->hasEvents()) << i;
    EXPECT_EQ(loopers[3]->patternResolution(), 96);
    EXPECT_TRUE(loopers[3]->usesNote(42));
    EXPECT_FALSE(loopers[3]->usesNote(36));
    // Looper 0's lanes are the notes its pattern uses.
    EXPECT_EQ(loopers[0]->laneCount(), 1);
    EXPECT_EQ(loopers[0]->laneNote(0), 75);

    CMidiTrack rebuilt;
    for (auto &l : loopers)
        l->writeInto(rebuilt);
    ASSERT_EQ(rebuilt.getEventCount(), source.getEventCount());
    std::vector<std::pair<int32_t, int>> a, b;
    for (const Event &e : source.events())
        a.push_back({e.time, e.kind * 1000 + e.data1});
    for (const Event &e : rebuilt.events())
        b.push_back({e.time, e.kind * 1000 + e.data1});
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b);
}

TEST_F(LooperTest, DistributeRefreshesStatisticsAndInvalidatesThePosition)
{
    load(looper, 240, {note(0, 36, 100)});
    looper.play(1920, 2000, host);
    ASSERT_EQ(host.events.size(), 1u);
    const uint32_t generation = looper.patternGeneration();
    // A new pattern: play continues at the next tick with the new events.
    looper.distribute(track(240, {note(50, 38, 30), note(100, 40, 90)}));
    EXPECT_NE(looper.patternGeneration(), generation);
    EXPECT_EQ(looper.lowestVelocity(), 30);
    EXPECT_EQ(looper.averageVelocity(), 60);
    EXPECT_EQ(looper.highestVelocity(), 90);
    host.events.clear();
    looper.play(2001, 3839, host);
    ASSERT_EQ(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].time, 2020);

    looper.clear();
    EXPECT_FALSE(looper.hasEvents());
    EXPECT_EQ(looper.lowestVelocity(), 1);
    EXPECT_EQ(looper.averageVelocity(), 64);
    EXPECT_EQ(looper.highestVelocity(), 127);
}

TEST_F(LooperTest, ParametersClampExceptTheTimeOffset)
{
    struct Case {
        int index;
        int32_t value;
        int32_t stored;
    };
    const Case cases[] = {
        {Looper::VelocityOffset, 200, 127},     {Looper::VelocityOffset, -200, -127},
        {Looper::VelocityOffset, 5, 5},         {Looper::DynamicsPercent, 101, 100},
        {Looper::DynamicsPercent, -1, 0},       {Looper::DynamicsPercent, 80, 80},
        {Looper::TimeOffset, -100000, -100000}, {Looper::TimeOffset, 7, 7},
        {Looper::KeyOffset, 128, 127},          {Looper::KeyOffset, -5, -5},
    };
    for (const Case &c : cases) {
        looper.setParam(c.index, c.value);
        EXPECT_EQ(looper.getParam(c.index), c.stored) << c.index << " " << c.value;
    }
    EXPECT_EQ(looper.getParam(4), 0);
    looper.setParam(4, 9); // no such parameter: nothing
    EXPECT_EQ(looper.getParam(-1), 0);
}

TEST_F(LooperTest, SettingAParameterRefreshesTheView)
{
    FakeView &v = view();
    looper.setParam(Looper::KeyOffset, 2);
    EXPECT_EQ(v.calls, (Calls{"mute off", "notes-off off", "parameter", "events"}));
}

TEST_F(LooperTest, ResetRestoresThePartDefaults)
{
    looper.setParam(Looper::VelocityOffset, 9);
    looper.setParam(Looper::DynamicsPercent, 30);
    looper.setParam(Looper::TimeOffset, -40);
    looper.setParam(Looper::KeyOffset, 3);
    looper.setInstrument(36 * 128 + 40);
    EXPECT_EQ(looper.drumMap().getNote(36), 40);
    looper.reset();
    EXPECT_EQ(looper.getParam(Looper::VelocityOffset), 0);
    EXPECT_EQ(looper.getParam(Looper::DynamicsPercent), 100);
    EXPECT_EQ(looper.getParam(Looper::TimeOffset), 0);
    EXPECT_EQ(looper.getParam(Looper::KeyOffset), 0);
    EXPECT_EQ(looper.drumMap().getNote(36), 36);
}

TEST_F(LooperTest, SetInstrumentMapsOrSetsTheFixedNote)
{
    looper.setInstrument(38 * 128 + 40);
    EXPECT_EQ(looper.drumMap().getNote(38), 40);
    EXPECT_EQ(host.calls, (Calls{"changed Looper::setInstrument"}));
    looper.setFixedNote(true, 54);
    looper.setInstrument(38 * 128 + 41);
    EXPECT_EQ(looper.fixedNote(), 41);
    EXPECT_EQ(looper.drumMap().getNote(38), 40);
    // Bits above the two fields are ignored.
    looper.setInstrument((1 << 14) | 42);
    EXPECT_EQ(looper.fixedNote(), 42);
}

TEST_F(LooperTest, PreviewMapsThroughTheEngineMap)
{
    host.map.setNote(38, 40);
    looper.preview(38);
    looper.preview(128 * 5 + 38); // only the low 7 bits are the note
    ASSERT_EQ(host.previews.size(), 2u);
    for (const Event &e : host.previews) {
        EXPECT_EQ(e.time, 0);
        EXPECT_EQ(e.kind, Event::Note);
        EXPECT_EQ(e.data1, 40);
        EXPECT_EQ(e.channel, 9);
        EXPECT_EQ(e.data2, 110);
        EXPECT_EQ(e.duration, 960);
    }
}

TEST_F(LooperTest, TimesAndTimingInEngineAndPatternTicks)
{
    EXPECT_EQ(looper.firstEventTime(), -1);
    EXPECT_EQ(looper.lastEventTime(), -1);
    EXPECT_EQ(looper.patternLength(), -1);
    load(looper, 240, {note(30, 36, 100, 20), note(500, 38, 100, 100)});
    // The engine runs at 480.
    EXPECT_EQ(looper.firstEventTime(), 60);
    EXPECT_EQ(looper.lastEventTime(), 1000);
    EXPECT_EQ(looper.patternLength(), 600);
    host.setResolution(0); // counts as 480
    EXPECT_EQ(looper.lastEventTime(), 1000);

    host.fillUnits = 1920;
    host.punchInUnits = 30;
    host.punchOutUnits = 1000;
    const Looper::LoopTiming timing = looper.loopTiming();
    EXPECT_EQ(timing.length, 1920);
    EXPECT_EQ(timing.punchIn, 30);
    EXPECT_EQ(timing.punchOut, 1000);
    EXPECT_EQ(looper.bars(), 2);
    host.punchInUnits = -1;
    EXPECT_EQ(looper.loopTiming().punchIn, -1);
}

TEST_F(LooperTest, ShowPositionGivesTheTimeInThePass)
{
    FakeView &v = view();
    looper.showPosition(1920 + 100);
    looper.showPosition(1920 + 1920 + 100); // the next pass lies past the fill bar
    host.fillUnits = 1920;
    looper.showPosition(1000); // before the fill
    EXPECT_EQ(v.calls, (Calls{"locate 100 1920 in", "locate 100 1920 out", "locate -920 3840 out"}));
}

} // namespace
