#include "data/event_array.h"
#include "data/quick_maps.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

using namespace Quorvane;

namespace {

struct Master : CEventArray {
    Master &meter(int32_t time, long numerator, long power)
    {
        EVENT e;
        e.setTSign(numerator, power);
        return add(e, time);
    }
    Master &key(int32_t time, long index)
    {
        EVENT e;
        e.setKSign(index);
        return add(e, time);
    }
    Master &tempo(int32_t time, float qpm)
    {
        EVENT e;
        e.setTempo(qpm);
        return add(e, time);
    }
    Master &raw(int32_t time, uint8_t status, const std::string &payload)
    {
        EVENT e;
        e.setLong(status, payload.data(), static_cast<long>(payload.size()));
        return add(e, time);
    }
    Master &add(EVENT &e, int32_t time)
    {
        e.time = time;
        AddToTail(&e, 1);
        Sort();
        return *this;
    }
};

struct Mbt {
    long bar, beat, tick;
    bool operator==(const Mbt &o) const { return bar == o.bar && beat == o.beat && tick == o.tick; }
};

Mbt mbt(CQuickMeter &meter, long tick)
{
    Mbt out{};
    meter.GetMBTFromTime(tick, out.bar, out.beat, out.tick);
    return out;
}

TEST(QuickMeter, BarsAndBeatsThroughAMeterChange)
{
    Master events;
    events.meter(0, 4, 2).meter(15360, 3, 2);
    CQuickMeter meter;
    ASSERT_EQ(meter.Update(&events, 960), 1);
    ASSERT_EQ(meter.GetNumb(), 2);
    EXPECT_EQ(mbt(meter, 15360 + 2880), (Mbt{5, 0, 0}));
    EXPECT_EQ(mbt(meter, 15360 + 1000), (Mbt{4, 1, 40}));
    EXPECT_EQ(mbt(meter, 3839), (Mbt{0, 3, 959}));
    EXPECT_EQ(mbt(meter, -100), (Mbt{0, 0, 0}));
    EXPECT_EQ(meter.GetTimeFromMBT(5, 0, 0), 18240);
    EXPECT_EQ(meter.GetTimeFromMBT(1, 2, 10), 3840 + 1920 + 10);
    long next = 0;
    QUICKMETER *seg = meter.GetPQMFromTime(100, next);
    EXPECT_EQ(seg->ticksPerBar, 3840);
    EXPECT_EQ(next, 15360);
    seg = meter.GetPQMFromTime(20000, next);
    EXPECT_EQ(seg->ticksPerBar, 2880);
    EXPECT_EQ(seg->ticksPerBeat, 960);
    EXPECT_EQ(next, INT_MAX);
}

TEST(QuickMeter, AChangeInsideABarLeavesThatBarIncomplete)
{
    Master events;
    events.meter(0, 4, 2).meter(5760, 6, 3); // one and a half bars of 4/4
    CQuickMeter meter;
    meter.Update(&events, 960);
    EXPECT_EQ(meter.GetAt(1)->startBar, 1);
    EXPECT_EQ(mbt(meter, 5760), (Mbt{1, 0, 0}));
    EXPECT_EQ(mbt(meter, 5760 + 2880), (Mbt{2, 0, 0}));
    EXPECT_EQ(meter.GetAt(1)->ticksPerBeat, 480);
}

TEST(QuickMeter, DefaultSegmentBeforeALateFirstMeterAndIndexes)
{
    Master events;
    events.meter(3840, 3, 2);
    CQuickMeter meter;
    meter.Update(&events, 960);
    ASSERT_EQ(meter.GetNumb(), 2);
    EXPECT_EQ(meter.GetAt(0)->ticksPerBar, 3840);
    EXPECT_EQ(mbt(meter, 3840 + 2880), (Mbt{2, 0, 0}));
    EXPECT_EQ(meter.GetIndexAtTime(-1), -1);
    EXPECT_EQ(meter.GetIndexAtTime(3839), 0);
    EXPECT_EQ(meter.GetIndexAtTime(1 << 30), 1);
    QUICKMETER copy;
    EXPECT_EQ(meter.GetByIndex(1, copy), 1);
    EXPECT_EQ(copy.numerator, 3);
    EXPECT_EQ(meter.GetByIndex(2, copy), 0);

    CQuickMeter empty;
    empty.Update(nullptr, 960);
    ASSERT_EQ(empty.GetNumb(), 1);
    EXPECT_EQ(empty.GetAt(0)->numerator, 4);
}

// Time signatures from a file that would give bars or beats shorter than a
// tick are read as 4/4, so no lookup divides by zero.
TEST(QuickMeter, DamagedTimeSignaturesReadAsFourFour)
{
    struct Case {
        std::string payload;
        long timeBase, numerator, power;
    } cases[] = {
        {std::string("\x00\x02\x18\x08", 4), 960, 4, 2},
        {std::string("\x03\x0C\x18\x08", 4), 960, 4, 2},
        {std::string("\x03\x0B\x18\x08", 4), 960, 3, 11},
        {std::string("\x07\xFF\x18\x08", 4), 960, 4, 2},
        {std::string("\x05\x1F", 2), 960, 4, 2},
        {std::string("\x02\x03", 2), 1, 4, 2},
        {std::string("\x02\x02", 2), 0, 2, 2},
        {std::string(), 960, 4, 2},
    };
    for (const Case &c : cases) {
        Master events;
        events.raw(0, 0x58, c.payload);
        CQuickMeter meter;
        ASSERT_EQ(meter.Update(&events, c.timeBase), 1);
        const QUICKMETER *seg = meter.GetAt(0);
        EXPECT_EQ(seg->numerator, c.numerator) << int(c.payload.size() > 1 ? c.payload[1] : 0);
        EXPECT_EQ(seg->power, c.power);
        EXPECT_GE(seg->ticksPerBeat, 1);
        EXPECT_GE(seg->ticksPerBar, 1);
        Mbt where = mbt(meter, 1000000);
        EXPECT_GT(where.bar, 0);
        EXPECT_GE(meter.GetTimeFromMBT(where.bar, where.beat, where.tick), 0);
    }
}

TEST(QuickTonal, KeysByTickAndBar)
{
    Master events;
    events.meter(0, 4, 2).key(0, 15).key(15360, 17);
    CQuickMeter meter;
    meter.Update(&events, 960);
    CQuickTonal keys;
    ASSERT_EQ(keys.Update(&events, meter), 1);
    ASSERT_EQ(keys.GetNumb(), 2);
    EXPECT_EQ(keys.GetAt(1)->bar, 4);
    EXPECT_EQ(keys.GetKSign(20000), 17);
    EXPECT_EQ(keys.GetKSign(100), 15);
    EXPECT_EQ(keys.GetIndexAtTime(-1), -1);
    EXPECT_EQ(keys.GetIndexAtTime(15360), 1);
    QUICKTONAL copy;
    EXPECT_EQ(keys.GetByIndex(1, copy), 1);
    EXPECT_EQ(copy.key, 17);
    EXPECT_EQ(keys.GetByIndex(2, copy), 0);

    Master late;
    late.key(7680, 4);
    CQuickTonal lateKeys;
    lateKeys.Update(&late, meter);
    ASSERT_EQ(lateKeys.GetNumb(), 2);
    EXPECT_EQ(lateKeys.GetAt(0)->key, 15);
    EXPECT_EQ(lateKeys.GetAt(1)->bar, 2);
}

TEST(QuickTonal, DamagedKeysGiveValidIndexes)
{
    Master events;
    events.raw(0, 0x59, std::string("\x20\x07", 2));
    CQuickMeter meter;
    meter.Update(&events, 960);
    CQuickTonal keys;
    keys.Update(&events, meter);
    EXPECT_EQ(keys.GetKSign(0), 1); // 7 sharps, minor: A-sharp minor
}

// A key change at bar 4 with no key at tick 0: after the first bars turn
// into 3/4 it stays at the start of bar 4 (pairing by index would take the
// default segment in front and move it to bar 0).
TEST(QuickTonal, KeyChangesKeepTheirBarsAfterAMeterChange)
{
    Master events;
    events.meter(0, 4, 2).key(15360, 17).key(23040, 19);
    CQuickMeter oldMeter;
    oldMeter.Update(&events, 960);
    CQuickTonal oldKeys;
    oldKeys.Update(&events, oldMeter);
    ASSERT_EQ(oldKeys.GetNumb(), 3);

    events.GetEvent(0)->setTSignVal(3, 2);
    CQuickMeter newMeter;
    newMeter.Update(&events, 960);
    EXPECT_EQ(oldKeys.CheckPlaces(&events, newMeter), 1);
    events.Sort();
    EXPECT_EQ(events.GetEvent(1)->time, 4 * 2880);
    EXPECT_EQ(events.GetEvent(2)->time, 6 * 2880);

    // Already on their bars: nothing moves.
    CQuickTonal keys;
    keys.Update(&events, newMeter);
    EXPECT_EQ(keys.CheckPlaces(&events, newMeter), 0);
}

TEST(QuickMaps, EveryRebuildCountsAChange)
{
    Master m;
    m.meter(0, 4, 2).key(0, 15);
    CQuickMeter meter;
    CQuickTonal tonal;
    EXPECT_EQ(meter.changes, 0);
    meter.Update(&m, 960);
    tonal.Update(&m, meter);
    meter.Update(&m, 960);
    EXPECT_EQ(meter.changes, 2);
    EXPECT_EQ(tonal.changes, 1);
}

TEST(QuickTimer, SamplesThroughTempoChanges)
{
    Master events;
    events.tempo(0, 100.0f).tempo(3840, 120.0f);
    CQuickTimer timer;
    ASSERT_EQ(timer.Update(&events, 44100, 960), 1);
    ASSERT_EQ(timer.GetNumb(), 2);
    EXPECT_EQ(timer.GetSampleFromTime(960), 26460);
    EXPECT_EQ(timer.GetSampleFromTime(3840), 105840);
    EXPECT_EQ(timer.GetSampleFromTime(4800), 105840 + 22050);
    EXPECT_EQ(timer.GetTimeFromSample(105840 + 22050), 4800);
    EXPECT_EQ(timer.GetTimeFromSample(26460), 960); // back across the change
    EXPECT_EQ(timer.GetSampleFromTime(0), 0);
    EXPECT_EQ(timer.GetSampleFromTime(-960), -26460);
    EXPECT_EQ(timer.GetSampleFromTime(INT_MAX), INT64_MAX);
    EXPECT_EQ(timer.GetTimeFromSample(INT64_MAX), INT_MAX);
    EXPECT_NEAR(timer.GetTempoAtTime(100), 100.0f, 1e-3);
    EXPECT_NEAR(timer.GetTempoAtTime(1 << 30), 120.0f, 1e-3);
    EXPECT_EQ(timer.GetIndexAtTime(3839), 0);
    EXPECT_EQ(timer.GetIndexAtTime(1 << 30), 1);
    QUICKTIMER seg;
    ASSERT_EQ(timer.GetByIndex(0, seg), 1);
    EXPECT_EQ(seg.endTick, 3840);
    EXPECT_EQ(seg.endSample, 105840);
    EXPECT_EQ(timer.GetByIndex(2, seg), 0);
}

// At 44100 samples per second and 960 ticks per quarter a tick at 100
// quarters per minute is 27.5625 samples: tempo changes one tick apart never
// fall on a whole sample. Each segment ends on its rounded sample (half up)
// and the next starts there, so nothing after a change moves by a sample.
TEST(QuickTimer, EachSegmentEndsOnItsRoundedSample)
{
    Master events;
    events.tempo(0, 100.0f).tempo(1, 100.0f).tempo(2, 100.0f).tempo(3, 120.0f);
    CQuickTimer timer;
    ASSERT_EQ(timer.Update(&events, 44100, 960), 1);
    ASSERT_EQ(timer.GetNumb(), 4);
    const int64_t ends[] = {28, 56, 84, INT64_MAX}; // 27.5625, 55.5625, 83.5625 rounded
    for (long i = 0; i < 4; ++i) {
        QUICKTIMER seg;
        ASSERT_EQ(timer.GetByIndex(i, seg), 1);
        EXPECT_EQ(seg.startSample, i == 0 ? 0 : ends[i - 1]) << i;
        EXPECT_EQ(seg.endSample, ends[i]) << i;
    }
    EXPECT_EQ(timer.GetSampleFromTime(2), 56);
    // A quarter at 120 is 22050 samples from the last change's own sample.
    EXPECT_EQ(timer.GetSampleFromTime(3 + 960), 84 + 22050);
    EXPECT_EQ(timer.GetTimeFromSample(84 + 22050), 3 + 960);
    EXPECT_EQ(timer.GetSampleFromTime(3 + 9600), 84 + 220500);
}

TEST(QuickTimer, WithoutTempoEventsItIsOneHundred)
{
    CQuickTimer timer;
    timer.Update(nullptr, 48000, 480);
    ASSERT_EQ(timer.GetNumb(), 1);
    EXPECT_EQ(timer.GetSampleFromTime(480), 28800);
    EXPECT_NEAR(timer.GetTempoAtTime(0), 100.0f, 1e-3);
}

// A zero tempo from a file reads as 120 quarters per minute; a time base or
// sample rate of 0 as the defaults. Positions stay finite.
TEST(QuickTimer, DamagedTemposDivideByNothing)
{
    Master events;
    events.tempo(0, 100.0f).raw(3840, 0x51, std::string(3, '\0'));
    CQuickTimer timer;
    timer.Update(&events, 44100, 960);
    EXPECT_EQ(timer.GetSampleFromTime(4800), 105840 + 22050);
    EXPECT_EQ(timer.GetTimeFromSample(105840 + 22050), 4800);
    EXPECT_NEAR(timer.GetTempoAtTime(5000), 120.0f, 1e-3);
    const long far = timer.GetTimeFromSample(int64_t(1) << 33);
    EXPECT_GT(far, 4800);
    EXPECT_LT(far, INT_MAX);

    CQuickTimer zeros;
    zeros.Update(&events, 0, 0);
    EXPECT_EQ(zeros.GetSampleFromTime(960), 26460);
}

} // namespace
