#include "data/event_array.h"

#include "data/tests/recording_storage.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

struct Events : CEventArray {
    void add(EVENT e, int32_t time)
    {
        e.time = time;
        ASSERT_EQ(AddToTail(&e, 1), 1);
    }
    EVENT &at(long i) { return *GetEvent(i); }
};

EVENT note(long channel, long pitch)
{
    EVENT e;
    e.setNote(channel, pitch, 100);
    return e;
}

EVENT ctrl(long channel, long number, long value)
{
    EVENT e;
    e.setCtrl(channel, number, value);
    return e;
}

TEST(EventArray, SortPutsBankSelectBeforeProgramWhateverTheOrder)
{
    Events a;
    EVENT program;
    program.setProg(0, 5);
    a.add(program, 0);
    a.add(ctrl(0, 32, 1), 0);
    a.add(ctrl(0, 0, 2), 0);
    a.Sort();
    EXPECT_TRUE(a.at(0).IsCtrl(0));
    EXPECT_TRUE(a.at(1).IsCtrl(32));
    EXPECT_TRUE(a.at(2).IsProg());
}

TEST(EventArray, SortByTimeThenWeightThenChannel)
{
    Events a;
    EVENT tempo;
    ASSERT_TRUE(tempo.setTempo(90.0f));
    a.add(note(3, 60), 960);
    a.add(note(1, 62), 960);
    a.add(tempo, 960);
    a.add(ctrl(0, 121, 0), 960); // reset all controllers before the notes
    a.add(note(0, 64), 0);
    a.Sort();
    EXPECT_EQ(a.at(0).time, 0);
    EXPECT_TRUE(a.at(1).IsTempo());
    EXPECT_TRUE(a.at(2).IsCtrl(121));
    EXPECT_EQ(a.at(3).getChan(), 1);
    EXPECT_EQ(a.at(4).getChan(), 3);
}

TEST(EventArray, WeightsFollowTheTable)
{
    EVENT port, text, meta, sysex, sysexEnd, clock, rpn, data, off, noteOff, kat, cat, wheel, chord, pause,
        chordLong, melody, melodyLong, pattInv, pattern;
    port.setPort(1);
    text.setText(1, "x");
    meta.setLong(0x7F, "ab", 2);
    sysex.setLong(0xF0, "\x7E", 1);
    sysexEnd.setLong(0xF7, "\x7E", 1);
    clock.setNote(0, 0, 0);
    clock.status = 0xF8;
    rpn = ctrl(0, 101, 0);
    data = ctrl(0, 6, 2);
    off = note(0, 60);
    off.data2 = 0;
    noteOff = note(0, 60);
    noteOff.status = 0x80;
    kat.setKAT(0, 60, 3);
    cat.setCAT(0, 3);
    wheel.setWheel(0, 0);
    chord.setChord(0, 0);
    pause.setChord(0L);
    chordLong.setChord(0, 0);
    chordLong.length = 1;
    melody.setMelody(60);
    melodyLong.setMelody(60);
    melodyLong.length = 2;
    pattInv.setPattInv(1, 2);
    pattern.setPattern(nullptr, 4);
    struct Case {
        const EVENT *e;
        long weight;
    } cases[] = {{&port, 0},       {&text, 5},    {&meta, 6},        {&sysex, 10},   {&sysexEnd, 11},
                 {&clock, 12},     {&rpn, 13},    {&data, 17},       {&off, 26},     {&noteOff, 34},
                 {&kat, 28},       {&cat, 27},    {&wheel, 22},      {&chord, 29},   {&pause, 29},
                 {&chordLong, 24}, {&melody, 30}, {&melodyLong, 25}, {&pattInv, 32}, {&pattern, 33}};
    for (const Case &c : cases)
        EXPECT_EQ(c.e->GetWeight(), c.weight) << c.e->GetType();
}

// Equal events keep the order they had, so two exports of one song are
// the same file. Hundreds of events, so the sort really runs.
TEST(EventArray, SortIsStable)
{
    Events a;
    uint32_t x = 7;
    for (int i = 0; i < 600; ++i) {
        x = x * 1103515245u + 12345u;
        EVENT e = ctrl(0, 7, 0);
        e.value = i; // arrival number
        a.add(e, static_cast<int32_t>((x >> 16) % 5) * 480);
    }
    a.Sort();
    for (long i = 1; i < a.GetNumb(); ++i) {
        ASSERT_LE(a.at(i - 1).time, a.at(i).time);
        if (a.at(i - 1).time == a.at(i).time) {
            ASSERT_LT(a.at(i - 1).value, a.at(i).value) << "at " << i;
        }
    }
}

// The sort through a room of the caller's takes nothing from the heap and
// sorts as the plain one does: in order, stable, payloads kept. With too
// little room, or none (a cell denser than the room made for it), it sorts
// in place, without the heap too.
TEST(EventArray, SortThroughARoomNeedsNoHeap)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    CEventArray room;
    ASSERT_EQ(room.Reserve(600), 1);
    struct Case {
        long count;
        bool withRoom;
    };
    // As many events as the room holds, and one more; and without a room.
    for (const Case c : {Case{2, true}, Case{3, true}, Case{17, true}, Case{room.capacity, true},
                         Case{room.capacity + 1, true}, Case{17, false}, Case{1000, false}}) {
        const long count = c.count;
        Events a;
        std::vector<std::string> written;
        uint32_t x = 11;
        for (long i = 0; i < count; ++i) {
            x = x * 1103515245u + 12345u;
            EVENT e = (x >> 8) % 4 == 0 ? EVENT() : note((x >> 12) % 3, 60);
            if ((x >> 8) % 4 == 0) {
                written.push_back(std::to_string(i));
                ASSERT_EQ(e.setText(1, written.back().c_str()), 1);
            } else {
                e.value = i; // arrival number
            }
            a.add(e, static_cast<int32_t>(count - i) / 3 * 10);
        }
        long allocations = 0;
        {
            testing_support::RealTimeCounter counter;
            a.Sort(c.withRoom ? room.data : nullptr, c.withRoom ? room.capacity : 0);
            allocations = counter.allocations();
        }
        EXPECT_EQ(allocations, 0) << count;
        std::vector<std::string> texts;
        for (long i = 0; i < a.GetNumb(); ++i) {
            if (i > 0) {
                ASSERT_FALSE(EventBefore(a.at(i), a.at(i - 1))) << count << " at " << i;
                const bool equal = !EventBefore(a.at(i - 1), a.at(i));
                if (equal && a.at(i).IsNote()) {
                    ASSERT_LT(a.at(i - 1).value, a.at(i).value) << count << " at " << i;
                }
            }
            if (a.at(i).IsLong())
                texts.emplace_back(reinterpret_cast<const char *>(a.at(i).payload), a.at(i).length);
        }
        EXPECT_EQ(a.GetNumb(), count);
        std::sort(texts.begin(), texts.end());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(texts, written) << "every payload travels with its event";
    }
}

TEST(EventArray, EraseDropsMarkedEventsAndKeepsTheOrder)
{
    Events a;
    for (int i = 0; i < 6; ++i) {
        EVENT e;
        ASSERT_TRUE(e.setText(1, std::string(1, char('a' + i)).c_str()));
        a.add(e, i);
    }
    a.Erase(); // nothing marked: nothing changes
    ASSERT_EQ(a.GetNumb(), 6);
    a.at(0).SetDelt();
    a.at(3).SetDelt();
    a.at(4).SetDelt();
    a.Erase();
    ASSERT_EQ(a.GetNumb(), 3);
    EXPECT_EQ(a.at(0).payload[0], 'b');
    EXPECT_EQ(a.at(1).payload[0], 'c');
    EXPECT_EQ(a.at(2).payload[0], 'f');
}

// The event block written for one event of each kind, by hand.
const std::string kBlock = std::string("\x04\x00\x00\x00", 4) +
                           // note at 960, selected, duration 240
                           std::string("\xC0\x03\x00\x00\x80\x92\x3C\x64\xF0\x00\x00\x00", 12) +
                           // chord at 0: root 2, type 36
                           std::string("\x00\x00\x00\x00\x01\x0E\x03\x00\x24\x00\x07\x00\x00\x00", 14) +
                           // tempo at 0: 500000 microseconds
                           std::string("\x00\x00\x00\x00\x02\x51\x03\x00\x00\x00\x07\xA1\x20", 13) +
                           // a long event without payload
                           std::string("\x10\x00\x00\x00\x02\x7F\x00\x00\x00\x00", 10);

TEST(EventArray, SavesTheEventBlockByteForByte)
{
    Events a;
    EVENT n = note(2, 60);
    n.value = 240;
    n.SetSlct(1);
    a.add(n, 960);
    EVENT c;
    c.setChord(2, 36);
    c.length = 7;
    a.add(c, 0);
    EVENT t;
    ASSERT_TRUE(t.setTempo(120.0f));
    a.add(t, 0);
    EVENT bare;
    bare.setLong(0x7F, nullptr, 0);
    a.add(bare, 16);

    RecordingStorage out("");
    ASSERT_EQ(a.Save(&out), 1);
    EXPECT_EQ(out.content(), kBlock);

    a.at(0).flags = EVENT_INVALID;
    RecordingStorage refused("");
    EXPECT_EQ(a.Save(&refused), 0);
}

TEST(EventArray, LoadsTheEventBlockAfterWhatIsThere)
{
    Events a;
    a.add(note(0, 1), 5);
    RecordingStorage in(kBlock);
    ASSERT_EQ(a.Load(&in), 1);
    ASSERT_EQ(a.GetNumb(), 5);
    EXPECT_EQ(a.at(0).time, 5);
    EXPECT_TRUE(a.at(1).IsNote() && a.at(1).IsSlct());
    EXPECT_EQ(a.at(1).value, 240);
    EXPECT_EQ(a.at(2).getChordNote(), 2);
    EXPECT_EQ(a.at(2).length, 7);
    EXPECT_EQ(a.at(3).getTempoMicros(), 500000);
    EXPECT_TRUE(a.at(4).IsLong());
    EXPECT_EQ(a.at(4).payload, nullptr);

    Events none;
    RecordingStorage empty(std::string("\xFF\xFF\xFF\xFF", 4)); // count below 1
    EXPECT_EQ(none.Load(&empty), 1);
    EXPECT_EQ(none.GetNumb(), 0);
}

TEST(EventArray, DamagedBlocksFailAndKeepWhatWasRead)
{
    const std::string oneNote = kBlock.substr(4, 12);
    struct Case {
        const char *what;
        std::string block;
        long kept;
    } cases[] = {
        {"no count", "", 0},
        {"count beyond the events", std::string("\x03\x00\x00\x00", 4) + oneNote, 1},
        {"truncated event", std::string("\x02\x00\x00\x00", 4) + oneNote + oneNote.substr(0, 7), 1},
        {"invalid kind", std::string("\x02\x00\x00\x00", 4) + oneNote + std::string("\0\0\0\0\x03", 5), 1},
        {"negative payload length", std::string("\x01\x00\x00\x00\0\0\0\0\x02\x7F\xFF\xFF\xFF\xFF", 14), 0},
        {"payload longer than the block",
         std::string("\x01\x00\x00\x00\0\0\0\0\x02\x7F\xFF\xFF\xFF\x7F", 14) + "ab", 0},
        {"payload one byte short", kBlock.substr(0, 4 + 12 + 14 + 12), 2},
    };
    for (const Case &c : cases) {
        Events a;
        RecordingStorage in(c.block);
        EXPECT_EQ(a.Load(&in), 0) << c.what;
        EXPECT_EQ(a.GetNumb(), c.kept) << c.what;
        // A length found in the block never asks for more than the block
        // holds (fixed fields are up to 4 bytes).
        EXPECT_LE(in.largestRead, std::max<long>(c.block.size(), 4)) << c.what;
    }
}

} // namespace
