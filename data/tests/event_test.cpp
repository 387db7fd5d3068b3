#include "data/event.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using namespace Quorvane;

namespace {

std::string payloadOf(const EVENT &e)
{
    return e.payload ? std::string(reinterpret_cast<const char *>(e.payload), e.length) : std::string();
}

EVENT longEvent(uint8_t status, const std::string &bytes)
{
    EVENT e;
    EXPECT_EQ(e.setLong(status, bytes.data(), static_cast<long>(bytes.size())), 1);
    return e;
}

TEST(Event, TypesByKindAndStatus)
{
    EVENT e;
    struct ShortCase {
        uint8_t status;
        long type;
    } shorts[] = {{0x93, 0}, {0xA0, 1}, {0xB5, 2}, {0xC0, 3}, {0xD1, 4}, {0xEF, 5}, {0x80, -1}, {0xF8, 6}};
    for (const ShortCase &c : shorts) {
        e.setNote(0, 60, 100);
        e.status = c.status;
        EXPECT_EQ(e.GetType(), c.type) << int(c.status);
    }
    struct LongCase {
        uint8_t status;
        long type;
    } longs[] = {{1, LONG_TEXT},     {7, LONG_TEXT},     {0x21, LONG_PORT},  {0x51, LONG_TEMPO},
                 {0x58, LONG_TSIGN}, {0x59, LONG_KSIGN}, {0xF0, LONG_SYSEX}, {0xF7, LONG_SYSEX},
                 {0, LONG_META},     {0x7F, LONG_META}};
    for (const LongCase &c : longs)
        EXPECT_EQ(longEvent(c.status, "").GetType(), c.type) << int(c.status);
    e.setChord(3, 7);
    EXPECT_EQ(e.GetType(), SPEC_CHORD);
    e.flags = EVENT_INVALID;
    EXPECT_EQ(e.GetType(), -1);
}

TEST(Event, BuildersAndGetters)
{
    EVENT e;
    e.setNote(9, 38, 127);
    EXPECT_TRUE(e.IsNote() && e.IsChannel());
    EXPECT_EQ(e.getChan(), 9);
    EXPECT_EQ(e.getNoteVel(), 127);
    e.setChan(3);
    EXPECT_EQ(e.status, 0x93);

    for (short v : {-8192, -1, 0, 1, 8191}) {
        e.setWheel(1, v);
        EXPECT_EQ(e.getWheelVal(), v);
    }
    e.setChord(11, 36);
    EXPECT_EQ(e.value, (36 << 16) | 12);
    EXPECT_EQ(e.getChordNote(), 11);
    EXPECT_EQ(e.getChordType(), 36);
    e.setChord(0L); // a pause
    EXPECT_EQ(e.getChordNote(), -1);
    e.setMelody(64);
    EXPECT_TRUE(e.IsMelody());
    EXPECT_EQ(e.getMelodyNote(), 64);

    ASSERT_EQ(e.setTSign(6, 3), 1);
    EXPECT_EQ(payloadOf(e), std::string("\x06\x03\x18\x08", 4));
    EXPECT_EQ(e.getTSignVal1(), 6);
    EXPECT_EQ(e.getTSignVal2(), 3);
    ASSERT_EQ(e.setPort(5), 1);
    EXPECT_EQ(e.getPortVal(), 5);

    ASSERT_EQ(e.setText(3, "Intro"), 1);
    char *text = nullptr;
    ASSERT_EQ(e.getText(&text), 1);
    EXPECT_STREQ(text, "Intro");
    std::free(text);

    EVENT bare;
    bare.flags = EVENT_LONG;
    bare.status = 0x58;
    EXPECT_EQ(bare.getTSignVal1(), 4);
    EXPECT_EQ(bare.getTSignVal2(), 2);
    EXPECT_EQ(bare.getText(&text), 1);
    EXPECT_EQ(text, nullptr);
}

// Key index to payload: 14 is A minor (0 sharps, minor), 16 F major (one
// flat), 0 A-flat minor (7 flats), 29 C-sharp major (7 sharps).
TEST(Event, KeySignaturePayloads)
{
    struct Case {
        long index;
        int sharps, minor;
    } cases[] = {{14, 0, 1}, {15, 0, 0}, {16, -1, 0}, {17, 1, 0},  {0, -7, 1},
                 {1, 7, 1},  {13, 1, 1}, {12, -1, 1}, {28, -7, 0}, {29, 7, 0}};
    for (const Case &c : cases) {
        EVENT e;
        ASSERT_EQ(e.setKSign(c.index), 1);
        EXPECT_EQ(static_cast<int8_t>(e.payload[0]), c.sharps) << c.index;
        EXPECT_EQ(e.payload[1], c.minor) << c.index;
        EXPECT_EQ(e.getKSignVal(), c.index);
    }
    EVENT e;
    e.setKSign(15);
    e.setKSignVal(14);
    EXPECT_EQ(payloadOf(e), std::string("\x00\x01", 2));
    e.setKSignVal(16);
    EXPECT_EQ(payloadOf(e), std::string("\xFF\x00", 2));
}

// Stored key signatures outside -7..7 sharps or with a minor flag other
// than 0 or 1 still give a key index 0..29.
TEST(Event, DamagedKeySignaturesAreClamped)
{
    struct Case {
        std::string payload;
        long index;
    } cases[] = {
        {std::string("\x14\x00", 2), 29},
        {std::string("\x80\x01", 2), 0},
        {std::string("\x02\x05", 2), 11},
        {std::string("\xF9\xFF", 2), 0},
        {std::string("\x7F\x00", 2), 29},
        {std::string("\x01", 1), 15},
        {std::string(), 15},
    };
    for (const Case &c : cases)
        EXPECT_EQ(longEvent(0x59, c.payload).getKSignVal(), c.index);
    for (int sharps = -128; sharps < 128; ++sharps) {
        for (int minor : {0, 1, 2, 255}) {
            const std::string bytes{static_cast<char>(sharps), static_cast<char>(minor)};
            const long index = longEvent(0x59, bytes).getKSignVal();
            ASSERT_GE(index, 0);
            ASSERT_LE(index, 29);
        }
    }
}

TEST(Event, TempoPayloadsStayInTheirThreeBytes)
{
    EVENT e;
    ASSERT_EQ(e.setTempo(120.0f), 1);
    EXPECT_EQ(payloadOf(e), std::string("\x07\xA1\x20", 3));
    EXPECT_FLOAT_EQ(e.getTempoVal(), 120.0f);
    ASSERT_EQ(e.setTempo(100.0f), 1);
    EXPECT_EQ(e.getTempoMicros(), 600000);

    // 1 quarter per minute is 60,000,000 microseconds, beyond 24 bits.
    ASSERT_EQ(e.setTempo(1.0f), 1);
    EXPECT_EQ(payloadOf(e), std::string("\xFF\xFF\xFF", 3));
    ASSERT_EQ(e.setTempo(1e9f), 1);
    EXPECT_EQ(payloadOf(e), std::string("\x00\x00\x01", 3));

    for (float bad : {0.0f, -5.0f, NAN, INFINITY}) {
        EVENT t;
        EXPECT_EQ(t.setTempo(bad), 0);
    }
    EXPECT_EQ(e.setTempoVal(-1.0f), 0);
    EXPECT_EQ(payloadOf(e), std::string("\x00\x00\x01", 3));
}

TEST(Event, TempoWithoutAUsableValueReadsAsTheDefault)
{
    for (const std::string &payload :
         {std::string("\x00\x00\x00", 3), std::string("\x07\xA1", 2), std::string()}) {
        const EVENT e = longEvent(0x51, payload);
        EXPECT_EQ(e.getTempoMicros(), kDefaultMicrosPerQuarter);
        EXPECT_FLOAT_EQ(e.getTempoVal(), 120.0f);
    }
}

TEST(Event, CopiesDuplicateAndMovesHandOverThePayload)
{
    EVENT a = longEvent(0xF0, "\x7E\x7F\x09\x01\xF7");
    a.time = 480;
    EVENT b(a);
    EXPECT_NE(b.payload, a.payload);
    EXPECT_EQ(payloadOf(b), payloadOf(a));
    EXPECT_EQ(b.time, 480);

    uint8_t *owned = a.payload;
    EVENT c(std::move(a));
    EXPECT_EQ(c.payload, owned);
    EXPECT_EQ(a.payload, nullptr);
    EXPECT_EQ(a.length, 0);

    EVENT d;
    d.Pump(c);
    EXPECT_EQ(d.payload, owned);
    EXPECT_EQ(c.payload, nullptr);

    // Assigning a short event over a long one frees the payload and copies
    // the value.
    EVENT note;
    note.setNote(0, 60, 90);
    note.value = 960;
    d = note;
    EXPECT_TRUE(d.IsNote());
    EXPECT_EQ(d.value, 960);
    d.Clear();
    EXPECT_EQ(d.value, 960); // only long events own anything
}

TEST(Event, MarksLeaveTheKindAlone)
{
    EVENT e;
    e.setCtrl(0, 7, 100);
    e.SetSlct(1);
    e.SetDelt();
    EXPECT_TRUE(e.IsSlct() && e.IsDelt() && e.IsCtrl(7));
    e.SetSlct(0);
    EXPECT_FALSE(e.IsSlct());
    EXPECT_EQ(e.flags, EVENT_DELETED);
}

} // namespace
