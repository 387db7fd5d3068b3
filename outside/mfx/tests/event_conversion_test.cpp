#include "outside/mfx/event_conversion.h"

#include "data/event.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace tembri_mfx;

namespace {

TEST(EventConversion, ChannelMessagesBothWays)
{
    struct Row {
        EVENT event;
        int32_t kind;
    };
    EVENT note, poly, ctrl, prog, pressure, wheel;
    note.setNote(9, 36, 100);
    note.value = 240;
    poly.setKAT(1, 60, 30);
    ctrl.setCtrl(2, 7, 99);
    prog.setProg(3, 5);
    pressure.setCAT(4, 70);
    wheel.setWheel(5, -1000);
    const EVENT *events[] = {&note, &poly, &ctrl, &prog, &pressure, &wheel};
    for (int kind = 0; kind < 6; ++kind) {
        EVENT e(*events[kind]);
        e.time = 1000 + kind;
        MfxEvent mfx;
        ASSERT_TRUE(toMfxEvent(e, mfx)) << kind;
        EXPECT_EQ(mfx.kind, kind);
        EXPECT_EQ(mfx.time, 1000 + kind);
        EXPECT_EQ(mfx.channel, e.getChan());
        EXPECT_EQ(mfx.note, e.data1);
        EXPECT_EQ(mfx.velocity, e.data2);
        EXPECT_EQ(mfx.duration, kind == 0 ? 240 : 0);
        EVENT back;
        ASSERT_TRUE(fromMfxEvent(mfx, back));
        EXPECT_EQ(back.time, e.time);
        EXPECT_EQ(back.status, e.status);
        EXPECT_EQ(back.data1, e.data1);
        EXPECT_EQ(back.data2, e.data2);
        EXPECT_EQ(back.IsShort(), 1);
        if (kind == 0) {
            EXPECT_EQ(back.value, 240);
        }
    }
    EXPECT_EQ(wheel.getWheelVal(), -1000);
}

TEST(EventConversion, WhatAnMfxEventCannotCarryIsRefused)
{
    EVENT text, chord, system;
    text.setText(1, "words");
    chord.setChord(0, 1);
    system.status = 0xF8;
    MfxEvent mfx;
    EXPECT_FALSE(toMfxEvent(text, mfx));
    EXPECT_FALSE(toMfxEvent(chord, mfx));
    EXPECT_FALSE(toMfxEvent(system, mfx));
    mfx = MfxEvent{};
    mfx.kind = 6;
    EVENT e;
    EXPECT_FALSE(fromMfxEvent(mfx, e));
    mfx.kind = -1;
    EXPECT_FALSE(fromMfxEvent(mfx, e));
}

} // namespace
