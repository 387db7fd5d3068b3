#include "data/event.h"
#include "data/event_lanes.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

TEST(EventLanes, EachCodeSelectsItsEventsAndValue)
{
    EVENT ctrl7, ctrl10, wheel, cat, tempo, note, chord, melody, text;
    ctrl7.setCtrl(0, 7, 90);
    ctrl10.setCtrl(0, 10, 33);
    wheel.setWheel(2, -300);
    cat.setCAT(1, 64);
    ASSERT_TRUE(tempo.setTempo(150.0f));
    note.setNote(0, 60, 101);
    chord.setChord(4, 36); // E minor
    melody.setMelody(67);
    ASSERT_TRUE(text.setText(1, "la"));

    struct Case {
        long code;
        const EVENT *matches;
        long value;
    } cases[] = {
        {7, &ctrl7, 90},
        {10, &ctrl10, 33},
        {LANE_WHEEL, &wheel, -300},
        {LANE_CAT, &cat, 64},
        {LANE_TEMPO, &tempo, 150},
        {LANE_NOTE, &note, 60},
        {LANE_VELOCITY, &note, 101},
        {LANE_CHORD, &chord, (36 << 16) | 5},
        {LANE_CHORD_ROOT, &chord, 4},
        {LANE_MELODY, &melody, 68},
    };
    const EVENT *all[] = {&ctrl7, &ctrl10, &wheel, &cat, &tempo, &note, &chord, &melody, &text};
    for (const Case &c : cases) {
        MonitorEventFn is = IsMonitorEventFn(c.code);
        for (const EVENT *e : all)
            EXPECT_EQ(is(e, c.code), e == c.matches ? 1 : 0) << "code " << c.code;
        EXPECT_EQ(ValMonitorEventFn(c.code)(c.matches), c.value) << "code " << c.code;
    }
    for (const EVENT *e : all) {
        EXPECT_EQ(IsMonitorEventFn(LANE_ALL)(e, LANE_ALL), 1);
        EXPECT_EQ(IsMonitorEventFn(-2)(e, -2), 0);
        EXPECT_EQ(IsMonitorEventFn(136)(e, 136), 0);
    }
    EXPECT_EQ(ValMonitorEventFn(LANE_ALL)(&note), 0);
}

} // namespace
