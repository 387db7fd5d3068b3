#include "plugin/fill/engine/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace Quorvane;
using namespace engine_test;

// A fill at measure 2 (host ticks 1920..3839 at 480 per quarter), one note
// per quarter on the kick: 1920, 2400, 2880, 3360.
class RegionWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writePattern(sandbox, "", "Kick_1.mid",
                     {{0, 36, 100}, {480, 36, 100}, {960, 36, 100}, {1440, 36, 100}});
        engine.attachHostMaps(host.tempoMap(), host.meterMap());
        engine.setupTimeBase(nullptr);
        engine.selectPattern("", "Kick_1.mid");
        engine.setPunchRange(-1, 960);
        engine.setZones(1, 0, 1, false);
    }

    static std::vector<int32_t> times(const std::vector<MfxEvent> &events)
    {
        std::vector<int32_t> t;
        for (const MfxEvent &e : events)
            t.push_back(e.time);
        return t;
    }

    EngineSandbox sandbox;
    FakeHostMaps host;
    TestEngine engine;
};

TEST_F(RegionWalkTest, WindowBeforeTheFillBarPassesInputOnly)
{
    const std::vector<MfxEvent> input = {noteEvent(100, 38, 90), controllerEvent(500, 7, 64)};
    const auto out = processOnce(engine, 0, 1919, input);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].time, 100);
    EXPECT_EQ(out[1].kind, MfxController);
}

TEST_F(RegionWalkTest, EmptyWindowGivesOneMarkerAtItsStart)
{
    const auto out = processOnce(engine, 100, 200);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(isMarker(out[0]));
    EXPECT_EQ(out[0].time, 100);
    FakeQueue failing;
    failing.countFails = true;
    FakeQueue output;
    engine.processRange(300, 400, &failing, &output);
    ASSERT_EQ(output.events.size(), 1u) << "a queue that cannot count counts as empty";
}

TEST_F(RegionWalkTest, LoopersPlayTheFillZoneOnly)
{
    engine.setPunchRange(240, 720); // host 2400..3359
    const auto out = processOnce(engine, 0, 10000);
    EXPECT_EQ(times(out), (std::vector<int32_t>{2400, 2880}));
    EXPECT_EQ(engine.lastProcessStart(), 0);
}

TEST_F(RegionWalkTest, FillFollowsTheHostMeterMap)
{
    host.setMeterChange(1, 3, 2); // 3/4 throughout: measure 2 starts at 1440
    const auto out = processOnce(engine, 0, 10000);
    EXPECT_EQ(times(out), (std::vector<int32_t>{1440, 1920, 2400, 2880}));
}

TEST_F(RegionWalkTest, SwingCountsFromTheLoopPassNotFromTimeZero)
{
    // Measure 1 in 7/16: the fill bar starts at 840, an odd number of
    // sixteenths, off the swing grid of the song.
    host.setMeterChange(1, 7, 4);
    host.setMeterChange(2, 4, 2);
    writePattern(sandbox, "", "Sixteenths_1.mid", {{0, 38, 100}, {120, 38, 100}, {240, 38, 100}});
    engine.selectPattern("", "Sixteenths_1.mid");
    engine.setPunchRange(-1, 960);
    engine.setSwingDurIdx(2, false); // sixteenths: unit 120, amount 60 at 100 %
    engine.setSwingPc(100, false);
    const auto out = processOnce(engine, 0, 2000);
    // From the pass start: 0 stays, 120 moves to 180, 240 stays. From time
    // 0 they would land on 900, 960 and 1140.
    EXPECT_EQ(times(out), (std::vector<int32_t>{840, 840 + 180, 840 + 240}));
}

TEST_F(RegionWalkTest, InputIsMaskedByZone)
{
    engine.setPunchRange(240, 720);
    engine.setZones(0, 3, 1, false);
    const std::vector<MfxEvent> input = {
        noteEvent(2000, 38, 90),     // pre zone, closed
        noteEvent(2500, 38, 91),     // fill zone, through
        controllerEvent(2600, 7, 1), // fill zone: no controllers
        noteEvent(3500, 38, 92),     // after zone, open
        noteEvent(4000, 38, 93),     // outside
    };
    const auto out = processOnce(engine, 0, 10000, input);
    std::vector<int> velocities;
    for (const MfxEvent &e : out)
        if (e.note == 38)
            velocities.push_back(e.velocity);
    EXPECT_EQ(velocities, (std::vector<int>{91, 92, 93}));
    EXPECT_EQ(
        std::count_if(out.begin(), out.end(), [](const MfxEvent &e) { return e.kind == MfxController; }), 0);
    engine.setMixerMode(1);
    EXPECT_EQ(withoutMarkers(processOnce(engine, 0, 1000, input)).size(), 0u);
}

TEST_F(RegionWalkTest, MixerModeTwoSilencesTheLoopers)
{
    engine.setMixerMode(2);
    EXPECT_EQ(withoutMarkers(processOnce(engine, 0, 10000)).size(), 0u);
}

TEST_F(RegionWalkTest, TriggerNoteSplitsTheWindowBetweenPads)
{
    // Pad 1 holds a snare fill; pad 0 the kick fill.
    writePattern(sandbox, "", "Snare_1.mid", {{0, 38, 100}, {480, 38, 100}, {960, 38, 100}, {1440, 38, 100}});
    engine.selectPad(1);
    engine.selectPattern("", "Snare_1.mid");
    engine.setPunchRange(-1, 960);
    engine.selectPad(0);
    engine.setTriggerEnabled(true);

    const std::vector<MfxEvent> input = {noteEvent(2600, 37, 100)}; // pad 1
    const auto out = processOnce(engine, 0, 10000, input);
    std::vector<std::pair<int32_t, int>> played;
    for (const MfxEvent &e : out)
        played.emplace_back(e.time, e.note);
    EXPECT_EQ(played, (std::vector<std::pair<int32_t, int>>{{1920, 36}, {2400, 36}, {2880, 38}, {3360, 38}}))
        << "the trigger note itself is not passed on";
    EXPECT_EQ(engine.currentPad(), 1);
}

TEST_F(RegionWalkTest, EarlyTriggerNeverReplays)
{
    engine.setTriggerEnabled(true);
    // Inside one window: the kick at 1920 is played before the trigger is
    // read; a trigger stamped earlier than the position must not move it
    // back.
    const std::vector<MfxEvent> input = {noteEvent(2500, 36, 1), noteEvent(2100, 36, 1)};
    const auto out = processOnce(engine, 1900, 3000, input);
    EXPECT_EQ(times(out), (std::vector<int32_t>{1920, 2400, 2880}));
}

TEST_F(RegionWalkTest, OutputChannelPortAndVelocityShaping)
{
    const std::vector<MfxEvent> input = {controllerEvent(100, 7, 64, 3)};
    auto out = processOnce(engine, 0, 2000, input);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].channel, 3) << "input passes unchanged";
    EXPECT_EQ(out[1].channel, 9) << "channel -1 keeps the event's own";

    engine.setOutputChannel(5);
    engine.setOutputPort(2);
    engine.outputDynamics().setMax(90);
    out = processOnce(engine, 1900, 2000);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].channel, 5);
    EXPECT_EQ(out[0].port, 2);
    EXPECT_EQ(out[0].velocity, 90) << "the output stage limits velocities";
    // The marker is not a note: it is stamped but keeps its data.
    out = processOnce(engine, 0, 10);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].channel, 5);
}

TEST_F(RegionWalkTest, UnreadableInputIsSkipped)
{
    FakeQueue in;
    in.events = {noteEvent(10, 38, 1), noteEvent(20, 38, 2)};
    in.unreadable = {0};
    FakeQueue out;
    engine.processRange(0, 100, &in, &out);
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(out.events[0].velocity, 2);
}

TEST_F(RegionWalkTest, PassStartCountsFromTheFillStart)
{
    engine.setupTimeBase(nullptr);
    EXPECT_EQ(engine.passStart(1920, &engine), 1920);
    EXPECT_EQ(engine.passStart(3839, &engine), 1920);
    EXPECT_EQ(engine.passStart(3840, &engine), 3840);
    EXPECT_EQ(engine.passStart(100, &engine), 100 - ((100 - 1920) % 1920));
}

} // namespace

namespace {

TEST(HostTimeBase, ResolutionOfZeroStandsForFourEighty)
{
    EngineSandbox sandbox;
    writePattern(sandbox, "", "Kick_1.mid", {{0, 36, 100}, {480, 36, 100}});
    FakeHostMaps host(0);
    TestEngine engine;
    engine.attachHostMaps(host.tempoMap(), host.meterMap());
    engine.setupTimeBase(nullptr);
    EXPECT_EQ(engine.getResolution(), 480);
    engine.selectPattern("", "Kick_1.mid");
    engine.setPunchRange(-1, 960);
    const auto out = processOnce(engine, 0, 5000);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].time, 1920);
    EXPECT_EQ(out[1].time, 2400);
}

TEST(HostTimeBase, MeasureCountLengthAndTempo)
{
    EngineSandbox sandbox;
    TestEngine engine;
    EXPECT_EQ(engine.measureCountLength(0), 4 * 1920) << "no host: 4/4 at 480";
    int32_t tempo = 0, tpq = 0, numerator = 0, power = 0;
    engine.tempoAndMeter(&tempo, &tpq, &numerator, &power);
    EXPECT_EQ(tempo, 12000);
    EXPECT_EQ(tpq, 480);
    EXPECT_EQ(numerator, 4);
    EXPECT_EQ(power, 2);
    FakeHostMaps host(960);
    engine.attachHostMaps(host.tempoMap(), host.meterMap());
    engine.setMeasureCount(2);
    EXPECT_EQ(engine.measureCountLength(0), 2 * 4 * 960);
    engine.tempoAndMeter(&tempo, &tpq, &numerator, &power);
    EXPECT_EQ(tpq, 960);
    EXPECT_EQ(engine.toTime(3, 2, 5), 2 * 3840 + 960 + 5);
    int32_t bar = 0, beat = 0, tick = 0;
    EXPECT_EQ(engine.toBarBeatTick(2 * 3840 + 960 + 5, &bar, &beat, &tick), 3);
    EXPECT_EQ(beat, 2);
    EXPECT_EQ(tick, 5);
    EXPECT_EQ(engine.roundUpToBar(3841), 2 * 3840);
    engine.detachHostMaps();
    EXPECT_EQ(engine.toBarBeatTick(99999, nullptr, nullptr, nullptr), 1);
}

} // namespace
