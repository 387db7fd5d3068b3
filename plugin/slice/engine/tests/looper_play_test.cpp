// A slice's real-time walk: what each event becomes (resolution, offsets,
// maps, fixed note, quantize, swing, humanize), where cycles start and wrap,
// and how a jump of the host's position resyncs.
#include "plugin/slice/engine/tests/fake_slice_host.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_test;

using Played = std::tuple<int32_t, int, int, int32_t>; // time, note, velocity, duration

std::vector<Played> played(const RecordingContext &context)
{
    std::vector<Played> out;
    for (const CMidiTrack::Event &e : context.events)
        out.emplace_back(e.time, e.data1, e.data2, e.duration);
    return out;
}

struct SliceTest : ::testing::Test {
    FakeSliceHost host;
    Looper looper{host, 4};
};

TEST_F(SliceTest, EventsRepeatEveryMeasureFromTheCycleStart)
{
    givePattern(looper, 480, {note(0, 36, 100), note(960, 38, 90, 120)});
    RecordingContext context(480);
    looper.play(0, 3839, context);
    const int v100 = looper.mapVelocity(100);
    const int v90 = looper.mapVelocity(90);
    EXPECT_EQ(played(context),
              (std::vector<Played>{
                  {0, 36, v100, 60}, {960, 38, v90, 120}, {1920, 36, v100, 60}, {2880, 38, v90, 120}}));
    EXPECT_EQ(looper.loopLength(context), 1920) << "a loop ends on the measure line after its last note";
    EXPECT_EQ(looper.nextCycleStart(100, context), 3840);
}

TEST_F(SliceTest, BlocksDownToOneTickPlayWhatOneBlockPlays)
{
    host.humanize = 20;
    givePattern(looper, 240, {note(0, 36, 100), note(120, 42, 60), note(470, 38, 110, 30)});
    RecordingContext whole(960);
    looper.seedRandom(77);
    looper.play(0, 9999, whole);

    Looper again(host, 4);
    givePattern(again, 240, {note(0, 36, 100), note(120, 42, 60), note(470, 38, 110, 30)});
    again.seedRandom(77);
    RecordingContext pieces(960);
    for (int32_t at = 0, size = 1; at <= 9999; at += size, size = size % 7 + 1)
        again.play(at, std::min(9999, at + size - 1), pieces);
    EXPECT_EQ(played(pieces), played(whole));
    EXPECT_EQ(whole.events.size(), 3u * 3);
}

TEST_F(SliceTest, WhatAnEventBecomes)
{
    DrumMap engineMap;
    engineMap.setNote(36, 35);
    struct Case {
        const char *what;
        int32_t hostRate;
        std::function<void(FakeSliceHost &)> engine;
        std::function<void(SliceContent &)> slice;
        CMidiTrack::Event in;
        Played out;
    };
    const auto none = [](FakeSliceHost &) {};
    const auto plain = [](SliceContent &) {};
    const Case cases[] = {
        {"pattern ticks become host ticks", 960, none, plain, note(240, 38, 100, 60), {480, 38, 100, 120}},
        {"a host resolution of 0 counts as 480", 0, none, plain, note(240, 38, 100, 60), {240, 38, 100, 60}},
        {"the time offset counts 480 to the quarter",
         960,
         none,
         [](SliceContent &c) { c.timeOffset = 30; },
         note(240, 38, 100, 60),
         {540, 38, 100, 120}},
        {"velocity offset, clamped before the table",
         480,
         none,
         [](SliceContent &c) { c.velocityOffset = 100; },
         note(0, 38, 90),
         {0, 38, 127, 60}},
        {"key offset, clamped",
         480,
         none,
         [](SliceContent &c) { c.keyOffset = 100; },
         note(0, 38, 100),
         {0, 127, 100, 60}},
        {"the engine's map, then the slice's",
         480,
         [&](FakeSliceHost &h) { h.map = engineMap; },
         [](SliceContent &c) { c.drumMap.setNote(35, 41); },
         note(0, 36, 100),
         {0, 41, 100, 60}},
        {"a fixed note replaces the slice's map, then the key offset",
         480,
         [&](FakeSliceHost &h) { h.map = engineMap; },
         [](SliceContent &c) {
             c.fixedNoteOn = true;
             c.fixedNote = 67;
             c.drumMap.setNote(35, 41);
             c.keyOffset = -2;
         },
         note(0, 36, 100),
         {0, 65, 100, 60}},
        {"quantize: late by up to three quarters of a cell moves back",
         480,
         [](FakeSliceHost &h) { h.quantize = true; },
         plain,
         note(209, 38, 100),
         {120, 38, 100, 60}},
        {"quantize: the last quarter before a line moves forward",
         480,
         [](FakeSliceHost &h) { h.quantize = true; },
         plain,
         note(210, 38, 100),
         {240, 38, 100, 60}},
        {"swing stretches the even cells",
         480,
         [](FakeSliceHost &h) {
             h.swing = 100;
             h.swingIndex = 2;
         },
         plain,
         note(0, 38, 100, 60),
         {0, 38, 100, 90}},
        {"swing moves the odd cells late",
         480,
         [](FakeSliceHost &h) {
             h.swing = 100;
             h.swingIndex = 2;
         },
         plain,
         note(120, 38, 100, 60),
         {180, 38, 100, 30}},
        {"a note over two cells changes by the difference of their shifts",
         480,
         [](FakeSliceHost &h) {
             h.swing = 50;
             h.swingIndex = 2;
         },
         plain,
         note(60, 38, 100, 120),
         {75, 38, 100, 120}},
        {"swing cells of eighths",
         480,
         [](FakeSliceHost &h) {
             h.swing = 100;
             h.swingIndex = 1;
         },
         plain,
         note(240, 38, 100, 60),
         {360, 38, 100, 30}},
        {"swing percent 0 leaves times and lengths",
         480,
         [](FakeSliceHost &h) { h.swingIndex = 2; },
         plain,
         note(130, 38, 100, 70),
         {130, 38, 100, 70}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FakeSliceHost h;
        c.engine(h);
        Looper slice(h, 4);
        // A second note keeps the velocity table's points apart.
        givePattern(slice, 480, {c.in, note(1800, 50, 1)}, c.slice);
        RecordingContext context(c.hostRate);
        slice.play(0, 959 * (c.hostRate > 480 ? 2 : 1), context);
        ASSERT_FALSE(context.events.empty());
        const Played out = played(context).front();
        EXPECT_EQ(std::get<0>(out), std::get<0>(c.out));
        EXPECT_EQ(std::get<1>(out), std::get<1>(c.out));
        const int velocity = std::get<2>(c.out);
        EXPECT_EQ(std::get<2>(out), slice.mapVelocity(velocity))
            << "velocity " << velocity << " through the table";
        EXPECT_EQ(std::get<3>(out), std::get<3>(c.out));
    }
}

TEST_F(SliceTest, HumanizeMovesEachNoteByUpToTheRange)
{
    host.humanize = 9;
    givePattern(looper, 480, {note(0, 36, 64), note(480, 36, 64), note(960, 36, 64), note(1440, 36, 64)});
    looper.seedRandom(1234);
    RecordingContext context(480);
    looper.play(0, 1919, context);
    HumanizeRandom random(1234);
    ASSERT_EQ(context.events.size(), 4u);
    const int base = looper.mapVelocity(64);
    for (const CMidiTrack::Event &e : context.events) {
        const int32_t expected = random.next() % 19 - 9;
        EXPECT_EQ(e.data2, base + expected);
    }
}

TEST_F(SliceTest, AJumpOfTheHostsPositionResyncsToItsCycle)
{
    givePattern(looper, 480, {note(0, 36, 100), note(960, 38, 100)},
                [](SliceContent &c) { c.timeOffset = 480; });
    RecordingContext context(480);
    looper.play(0, 959, context);
    context.events.clear();
    // From 4000 the cycle started at 1920 + 480: its second half-measure
    // has passed, the next cycle brings both notes.
    looper.play(4000, 5000, context);
    EXPECT_EQ(played(context), (std::vector<Played>{{4320, 36, looper.mapVelocity(100), 60}}));
    context.events.clear();
    // A jump back the same way.
    looper.play(100, 1500, context);
    EXPECT_EQ(std::get<0>(played(context).front()), 480);
    EXPECT_EQ(std::get<0>(played(context).back()), 1440);
}

TEST_F(SliceTest, MutedSlicesAreSilentUnlessSoloedAndOnlyNotesAndPressuresPlay)
{
    givePattern(looper, 480,
                {note(0, 36, 100), note(10, 7, 100, 0, CMidiTrack::Event::Controller),
                 note(20, 1, 0, 0, CMidiTrack::Event::ProgramChange),
                 note(30, 0, 64, 0, CMidiTrack::Event::PitchBend),
                 note(40, 36, 50, 0, CMidiTrack::Event::KeyPressure),
                 note(50, 0, 70, 0, CMidiTrack::Event::ChannelPressure)});
    RecordingContext context(480);
    looper.play(0, 1919, context);
    std::vector<int32_t> kinds;
    for (const auto &e : context.events)
        kinds.push_back(e.kind);
    EXPECT_EQ(kinds, (std::vector<int32_t>{0, 1, 4}));

    looper.setMute(true, false);
    context.events.clear();
    looper.play(1920, 3839, context);
    EXPECT_TRUE(context.events.empty());
    looper.setSolo(true);
    looper.play(3840, 5759, context);
    EXPECT_EQ(context.events.size(), 3u);
    // While another slice is soloed, an unmuted one rests.
    looper.setSolo(false);
    looper.setMute(false, false);
    host.solo = true;
    context.events.clear();
    looper.play(5760, 7679, context);
    EXPECT_TRUE(context.events.empty());
}

TEST_F(SliceTest, APreviewPlaysTheNoteAsTheSliceMapsIt)
{
    host.map.setNote(36, 35);
    givePattern(looper, 480, {note(0, 36, 100)}, [](SliceContent &c) {
        c.drumMap.setNote(35, 40);
        c.keyOffset = 2;
    });
    looper.preview(36);
    ASSERT_EQ(host.previews.size(), 1u);
    EXPECT_EQ(host.previews[0].data1, 42);
    EXPECT_EQ(host.previews[0].data2, 110);
    EXPECT_EQ(host.previews[0].duration, 960);
}

// A context whose measures have no length: every time rounds to 0.
class FlatContext : public RecordingContext {
public:
    FlatContext() : RecordingContext(4) {}
    int32_t toTime(int32_t, int32_t, int32_t) override { return 0; }
};

TEST_F(SliceTest, LoopsAndSwingCellsAreAtLeastOneTick)
{
    host.swing = 100;
    host.swingIndex = 4;
    host.quantize = true;
    givePattern(looper, 4, {note(0, 36, 100, 1)});
    FlatContext context;
    EXPECT_EQ(looper.loopLength(context), 1);
    looper.play(0, 10, context);
    EXPECT_EQ(context.events.size(), 11u) << "one note on every tick, and the walk ends";
}

TEST_F(SliceTest, HugeOffsetsAndTimesStayIn32Bits)
{
    givePattern(looper, 480, {note(0, 36, 100, 2000000000)},
                [](SliceContent &c) { c.timeOffset = INT32_MAX; });
    RecordingContext context(960);
    looper.play(INT32_MAX - 5000, INT32_MAX - 1, context);
    for (const auto &e : context.events) {
        EXPECT_GE(e.time, INT32_MAX - 5000);
        EXPECT_GT(e.duration, 0);
    }
}

} // namespace
