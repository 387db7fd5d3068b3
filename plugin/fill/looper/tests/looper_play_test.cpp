#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/tests/fake_looper_host.h"
#include "plugin/framework/drums/velocity_envelope.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <new>
#include <thread>

using namespace Quorvane;
using namespace looper_test;

// Counts allocations of the thread that asks for it, to show that play
// allocates nothing.
namespace {
thread_local bool countAllocations = false;
std::atomic<int> allocations{0};
} // namespace

void *operator new(size_t size)
{
    if (countAllocations)
        ++allocations;
    if (void *p = HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    if (p != nullptr)
        HeapFree(GetProcessHeap(), 0, p);
}
void operator delete(void *p, size_t) noexcept
{
    operator delete(p);
}

namespace {

struct Played {
    int32_t time;
    int note;
    int velocity;
    int32_t duration;
    bool operator==(const Played &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Played &p)
{
    return out << "{" << p.time << ", " << p.note << ", " << p.velocity << ", " << p.duration << "}";
}

std::vector<Played> played(const std::vector<Event> &events)
{
    std::vector<Played> result;
    for (const Event &e : events)
        result.push_back({e.time, e.data1, e.data2, e.duration});
    return result;
}

// Kick on 1, snare on 2, hi-hat on the "and" of 2, at 240 ticks per quarter.
const std::vector<Event> kGroove = {note(0, 36, 100, 60), note(240, 38, 90, 30), note(360, 42, 70, 30)};

class LooperPlay : public ::testing::Test {
protected:
    FakeHost host;
    Looper looper{host, 1};

    std::vector<Played> play(int32_t from, int32_t thru, int32_t block)
    {
        host.events.clear();
        playBlocks(looper, host, from, thru, block);
        return played(host.events);
    }
};

const int32_t kBlocks[] = {1, 7, 480, 1920, 3840, 100000};

TEST_F(LooperPlay, BlocksOfAnySizeGiveTheSameLoop)
{
    load(looper, 240, kGroove);
    // One bar at 480 ticks per quarter from tick 1920; two passes.
    const std::vector<Played> expected = {{1920, 36, 100, 120}, {2400, 38, 90, 60}, {2640, 42, 70, 60},
                                          {3840, 36, 100, 120}, {4320, 38, 90, 60}, {4560, 42, 70, 60}};
    for (int32_t block : kBlocks) {
        SCOPED_TRACE(block);
        EXPECT_EQ(play(1920, 5759, block), expected);
        // A range that starts before the fill counts its passes from the fill start.
        EXPECT_EQ(play(1000, 5759, block), expected);
    }
}

TEST_F(LooperPlay, ShortPatternRepeatsAfterTheFillLength)
{
    host.fillUnits = 1920; // two bars
    load(looper, 240, kGroove);
    const std::vector<Played> expected = {{1920, 36, 100, 120}, {2400, 38, 90, 60}, {2640, 42, 70, 60},
                                          {5760, 36, 100, 120}, {6240, 38, 90, 60}, {6480, 42, 70, 60}};
    for (int32_t block : kBlocks) {
        SCOPED_TRACE(block);
        EXPECT_EQ(play(1920, 1920 + 7679, block), expected);
    }
}

TEST_F(LooperPlay, AJumpBackPlaysTheRangeAgain)
{
    load(looper, 240, kGroove);
    EXPECT_EQ(play(1920, 2500, 100), (std::vector<Played>{{1920, 36, 100, 120}, {2400, 38, 90, 60}}));
    EXPECT_EQ(play(1920, 2500, 100), (std::vector<Played>{{1920, 36, 100, 120}, {2400, 38, 90, 60}}));
    // A jump into the middle of the next pass.
    EXPECT_EQ(play(4000, 4400, 50), (std::vector<Played>{{4320, 38, 90, 60}}));
}

TEST_F(LooperPlay, MutedLooperIsSilentAndResumesAtTheRightPlace)
{
    load(looper, 240, kGroove);
    EXPECT_TRUE(looper.setMute(true));
    EXPECT_TRUE(play(1920, 5759, 480).empty());
    EXPECT_TRUE(looper.setMute(false));
    EXPECT_EQ(play(2500, 3900, 480), (std::vector<Played>{{2640, 42, 70, 60}, {3840, 36, 100, 120}}));
}

TEST_F(LooperPlay, NotesOffAndExcludeDoNotSilenceThePatternItHolds)
{
    // Notes-off takes the part out of the arrangement when the engine
    // rebuilds the fill; what the looper still holds plays.
    load(looper, 240, kGroove);
    looper.setNotesOff(true);
    looper.setExclude(true);
    EXPECT_EQ(play(1920, 3839, 480).size(), 3u);
}

TEST_F(LooperPlay, EmptyPatternPlaysNothing)
{
    EXPECT_TRUE(play(0, 10000, 480).empty());
}

TEST_F(LooperPlay, TimeOffsetMovesEventsAndDropsThoseBeforeTheRange)
{
    load(looper, 240, kGroove);
    // -240 in 480 ticks per quarter: the kick of the first pass falls before
    // the range, the kick of the second pass moves into it.
    looper.setParam(Looper::TimeOffset, -240);
    for (int32_t block : kBlocks) {
        SCOPED_TRACE(block);
        EXPECT_EQ(play(1920, 3839, block),
                  (std::vector<Played>{{2160, 38, 90, 60}, {2400, 42, 70, 60}, {3600, 36, 100, 120}}));
    }
    looper.setParam(Looper::TimeOffset, 240);
    EXPECT_EQ(play(1920, 3839, 7),
              (std::vector<Played>{{2160, 36, 100, 120}, {2640, 38, 90, 60}, {2880, 42, 70, 60}}));

    // The offset scales with the context's resolution.
    host.setResolution(960);
    host.events.clear();
    looper.play(1920, 1920 + 3839, host);
    ASSERT_EQ(host.events.size(), 3u);
    EXPECT_EQ(host.events[0].time, 1920 + 480);
}

TEST_F(LooperPlay, HugeTimeOffsetDoesNotStallTheRealTimeThread)
{
    load(looper, 240, kGroove);
    looper.setParam(Looper::TimeOffset, INT32_MIN);
    const auto start = std::chrono::steady_clock::now();
    // Any window of one loop length holds each event once.
    EXPECT_EQ(play(1920, 3839, 1920).size(), 3u);
    EXPECT_EQ(play(3840, 5759, 480).size(), 3u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(LooperPlay, SwingWorkedValues)
{
    // 100 % on a sixteenth grid at 480: unit 120, amount 60.
    host.swing = 100;
    host.swingGrid = 2;
    for (int32_t resolution : {480, 240}) {
        SCOPED_TRACE(resolution);
        const int32_t sixteenth = resolution / 4;
        load(looper, resolution, {note(0, 36, 100, sixteenth), note(sixteenth, 38, 100, sixteenth)});
        for (int32_t block : kBlocks) {
            SCOPED_TRACE(block);
            EXPECT_EQ(play(1920, 3839, block),
                      (std::vector<Played>{{1920, 36, 100, 180}, {2100, 38, 100, 60}}));
        }
    }
    host.swing = 50;
    EXPECT_EQ(play(1920, 3839, 100), (std::vector<Played>{{1920, 36, 100, 150}, {2070, 38, 100, 90}}));
}

TEST_F(LooperPlay, ChangedSwingGridTakesEffectInARunningPlay)
{
    host.swing = 100;
    load(looper, 480, {note(0, 36, 100, 120), note(120, 38, 100, 120)});
    EXPECT_EQ(play(1920, 2879, 480), (std::vector<Played>{{1920, 36, 100, 180}, {2100, 38, 100, 60}}));
    host.swingGrid = 3; // thirty-seconds: 120 is an even unit and stays
    EXPECT_EQ(play(2880, 4799, 480), (std::vector<Played>{{3840, 36, 100, 120}, {3960, 38, 100, 120}}));
}

TEST_F(LooperPlay, NoteMappingAndKeyOffset)
{
    struct Case {
        const char *name;
        int engineFrom, engineTo; // engine map entry
        int instrument;           // setInstrument value (high * 128 + low), -1 none
        bool fixed;
        int key;
        int expected;
    };
    const Case cases[] = {
        {"plain", 0, 0, -1, false, 0, 36},
        {"key +127 clamps", 0, 0, -1, false, 127, 127},
        {"key -127 clamps", 0, 0, -1, false, -127, 0},
        {"engine map", 36, 35, -1, false, 0, 35},
        {"engine then looper map", 36, 35, 35 * 128 + 40, false, 0, 40},
        {"looper map sees the engine's note", 36, 35, 36 * 128 + 50, false, 0, 35},
        {"fixed note", 36, 35, 60, true, 2, 62},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost h;
        Looper l(h, 1);
        load(l, 240, {note(0, 36, 100)});
        h.map.setNote(c.engineFrom, c.engineTo);
        l.setFixedNote(c.fixed, 54);
        if (c.instrument >= 0)
            l.setInstrument(c.instrument);
        l.setParam(Looper::KeyOffset, c.key);
        l.play(1920, 3839, h);
        ASSERT_EQ(h.events.size(), 1u);
        EXPECT_EQ(h.events[0].data1, c.expected);
    }
}

TEST_F(LooperPlay, OnlyNotesAndPressuresLeaveTheLooper)
{
    Looper extra(host, 0);
    load(extra, 240,
         {note(0, 36, 100), other(10, Event::KeyPressure, 36, 20), other(20, Event::Controller, 4, 90),
          other(30, Event::ProgramChange, 5), other(40, Event::ChannelPressure, 0, 30),
          other(50, Event::PitchBend, 0, 64)});
    extra.play(1920, 3839, host);
    std::vector<int32_t> kinds;
    for (const Event &e : host.events)
        kinds.push_back(e.kind);
    EXPECT_EQ(kinds, (std::vector<int32_t>{Event::Note, Event::KeyPressure, Event::ChannelPressure}));
}

TEST_F(LooperPlay, VelocityOffsetClampsBeforeTheMap)
{
    load(looper, 240, {note(0, 36, 100), note(240, 38, 20)});
    looper.setParam(Looper::VelocityOffset, 40);
    EXPECT_EQ(play(1920, 3839, 480), (std::vector<Played>{{1920, 36, 127, 60}, {2400, 38, 60, 60}}));
    looper.setParam(Looper::VelocityOffset, -127);
    EXPECT_EQ(play(1920, 3839, 480), (std::vector<Played>{{1920, 36, 1, 60}, {2400, 38, 1, 60}}));
}

// The velocity map's points come from the pattern's velocity statistics and
// the engine's settings.
TEST_F(LooperPlay, VelocityShapingFollowsThePatternAndTheEngine)
{
    // Lowest 40, average 80, highest 120.
    struct Case {
        int32_t centrePercent;
        int32_t dynamics;
        int32_t percent;
        int32_t middle; // worked by hand
        int32_t curve;
    };
    const Case cases[] = {
        {50, 100, 100, 80 + (120 - 80 - 1) * 50 / 100, 100}, // 99
        {-100, 60, 50, 80 - (40 - 80 + 1) * -100 / 100, 30}, // 41
        {0, -100, 100, 80, -100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.centrePercent);
        FakeHost h;
        h.centre = c.centrePercent;
        h.dynamics = c.dynamics;
        h.minVelocity = 20;
        h.maxVelocity = 125;
        Looper l(h, 1);
        load(l, 240, {note(0, 36, 40), note(240, 38, 80), note(480, 40, 120)});
        l.setParam(Looper::DynamicsPercent, c.percent);
        EXPECT_EQ(l.lowestVelocity(), 40);
        EXPECT_EQ(l.averageVelocity(), 80);
        EXPECT_EQ(l.highestVelocity(), 120);

        VeloTransformer expected;
        expected.setParamRaw(VeloTransformer::LowerLimit, 20, false);
        expected.setParamRaw(VeloTransformer::UpperLimit, 125, false);
        expected.setParamRaw(VeloTransformer::Low, 40, false);
        expected.setParamRaw(VeloTransformer::High, 120, false);
        expected.setParamRaw(VeloTransformer::Curve, c.curve, false);
        expected.setParamRaw(VeloTransformer::Middle, c.middle, false);
        expected.reapplyParams();
        expected.rebuild();
        for (int v = 1; v <= 127; ++v)
            ASSERT_EQ(l.mapVelocity(v), expected.apply(v)) << v;
        l.play(1920, 3839, h);
        ASSERT_EQ(h.events.size(), 3u);
        EXPECT_EQ(h.events[1].data2, expected.apply(80));
    }
    // The curve really bends: with dynamics the middle of a flat map moves.
    FakeHost h;
    h.dynamics = -100;
    Looper l(h, 1);
    load(l, 240, {note(0, 36, 40), note(240, 38, 80), note(480, 40, 120)});
    EXPECT_EQ(l.mapVelocity(40), 80);
}

TEST_F(LooperPlay, HumanizeWithAFixedSeedIsTheSameForAnyBlockSize)
{
    std::vector<Event> notes;
    for (int i = 0; i < 16; ++i)
        notes.push_back(note(i * 60, 36 + i % 4, i % 2 ? 125 : 64));
    load(looper, 240, notes);
    host.humanize = 10;

    std::vector<int> expected;
    HumanizeRandom random(1234);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < 16; ++i)
            expected.push_back(std::clamp((i % 2 ? 125 : 64) + random.spread(10), 1, 127));

    bool moved = false;
    for (int32_t block : kBlocks) {
        SCOPED_TRACE(block);
        looper.seedRandom(1234);
        std::vector<int> velocities;
        for (const Played &p : play(1920, 5759, block))
            velocities.push_back(p.velocity);
        EXPECT_EQ(velocities, expected);
        for (size_t i = 0; i < velocities.size(); ++i)
            moved = moved || velocities[i] != (i % 2 ? 125 : 64);
    }
    EXPECT_TRUE(moved);
}

TEST_F(LooperPlay, VelocityEnvelopeSeesTheHostTime)
{
    VelocityEnvelope envelope;
    envelope.setStartBar(2); // the fill bar
    envelope.setAbsolute(1);
    envelope.setPoint(0, 0, 20);
    envelope.setPoint(1, 479, 60);
    envelope.setPoint(2, 959, 100);
    looper.setVelocityEnvelope(&envelope);
    load(looper, 240, kGroove);
    // Steps 0, 240 and 360 of the 960-step bar: 20, 20 + 240 x 40 / 479,
    // 20 + 360 x 40 / 479.
    EXPECT_EQ(play(1920, 3839, 480),
              (std::vector<Played>{{1920, 36, 20, 120}, {2400, 38, 40, 60}, {2640, 42, 50, 60}}));
    looper.setVelocityEnvelope(nullptr);
    EXPECT_EQ(play(1920, 3839, 480)[0].velocity, 100);
}

TEST_F(LooperPlay, OtherContextsCountPassesFromZero)
{
    load(looper, 240, kGroove);
    Collector offline(480);
    playBlocks(looper, offline, 0, 3839, 333);
    EXPECT_EQ(played(offline.events), (std::vector<Played>{{0, 36, 100, 120},
                                                           {480, 38, 90, 60},
                                                           {720, 42, 70, 60},
                                                           {1920, 36, 100, 120},
                                                           {2400, 38, 90, 60},
                                                           {2640, 42, 70, 60}}));
}

TEST_F(LooperPlay, ResolutionOfZeroOrLessCountsAs480)
{
    load(looper, 240, kGroove);
    for (int32_t resolution : {0, -5}) {
        Collector offline(resolution);
        playBlocks(looper, offline, 0, 1919, 100);
        EXPECT_EQ(played(offline.events),
                  (std::vector<Played>{{0, 36, 100, 120}, {480, 38, 90, 60}, {720, 42, 70, 60}}));
    }
}

TEST_F(LooperPlay, LargeResolutionsComputeIn64Bits)
{
    load(looper, 240, kGroove);
    // Loop length 4 x 2^30 ticks is beyond 32 bits; times above INT32_MAX
    // are not reached in the range and nothing wraps around.
    Collector offline(1 << 30);
    looper.play(0, INT32_MAX, offline);
    EXPECT_EQ(played(offline.events), (std::vector<Played>{{0, 36, 100, 1 << 28},
                                                           {1 << 30, 38, 90, 1 << 27},
                                                           {(1 << 30) + (1 << 29), 42, 70, 1 << 27}}));
    // A fill at the end of the time line: the next pass lies beyond 32 bits
    // and is not reached.
    const int32_t start = INT32_MAX - 1000;
    host.fillStartTicks = start;
    EXPECT_EQ(
        play(start, INT32_MAX, 100),
        (std::vector<Played>{{start, 36, 100, 120}, {start + 480, 38, 90, 60}, {start + 720, 42, 70, 60}}));
}

TEST_F(LooperPlay, PlayAllocatesNothing)
{
    load(looper, 240, kGroove);
    host.swing = 60;
    host.humanize = 5;
    looper.setParam(Looper::TimeOffset, 17);
    VelocityEnvelope envelope;
    looper.setVelocityEnvelope(&envelope);
    host.events.reserve(1000);
    // The counter sees allocations at all.
    allocations = 0;
    countAllocations = true;
    delete new int(1);
    countAllocations = false;
    ASSERT_EQ(allocations.load(), 1);

    allocations = 0;
    countAllocations = true;
    for (int32_t t = 0; t < 20000; t += 64)
        looper.play(t, t + 63, host);
    countAllocations = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_GT(host.events.size(), 20u);
}

TEST_F(LooperPlay, EditsOnTheWindowThreadWhilePlaying)
{
    load(looper, 240, kGroove);
    std::atomic<bool> stop{false};
    std::atomic<int> emitted{0};
    std::thread player([&] {
        Collector ctx(480);
        ctx.events.reserve(64);
        int32_t t = 0;
        while (!stop) {
            looper.play(t, t + 99, ctx);
            emitted += static_cast<int>(ctx.events.size());
            ctx.events.clear();
            t = (t + 100) % 100000;
        }
    });
    // Edits go on until the player has really played alongside them (bounded,
    // in case it never gets to run).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (int i = 0; i < 100 || (emitted.load() == 0 && std::chrono::steady_clock::now() < deadline); ++i) {
        load(looper, 240, kGroove);
        auto added = looper.insertNote(i % 960, 40, 90);
        looper.setEventVelocity(added, 50);
        looper.moveEvent(added, (i * 7) % 960);
        looper.setParam(Looper::TimeOffset, i % 50);
        if (i % 3 == 0)
            looper.deleteEvent(added);
    }
    stop = true;
    player.join();
    EXPECT_GT(emitted.load(), 0);
}

} // namespace
