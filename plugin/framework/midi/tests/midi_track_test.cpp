#include "plugin/framework/midi/midi_track.h"

#include "plugin/framework/midi/tests/midi_test_support.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using Quorvane::CMidiTrack;
using Event = CMidiTrack::Event;
using midi_test::note;

Event controller(int32_t time, uint8_t number, uint8_t value)
{
    Event e;
    e.time = time;
    e.kind = Event::Controller;
    e.data1 = number;
    e.data2 = value;
    return e;
}

CMidiTrack trackOf(const std::vector<Event> &events, int32_t resolution = 240)
{
    CMidiTrack track;
    track.setResolution(resolution);
    for (const Event &e : events)
        track.insertEvent(e);
    return track;
}

// (time, note) of the note events, in list order.
std::vector<std::pair<int32_t, int>> notesOf(const CMidiTrack &track)
{
    std::vector<std::pair<int32_t, int>> notes;
    for (const Event &e : track.events())
        if (e.kind == Event::Note)
            notes.emplace_back(e.time, e.data1);
    return notes;
}

bool inTimeOrder(const CMidiTrack &track)
{
    int32_t last = INT32_MIN;
    for (const Event &e : track.events()) {
        if (e.time < last)
            return false;
        last = e.time;
    }
    return true;
}

using Notes = std::vector<std::pair<int32_t, int>>;

TEST(MidiTrack, DefaultsAndEmptyQueries)
{
    CMidiTrack track;
    EXPECT_EQ(track.getResolution(), 240);
    EXPECT_EQ(track.getTimeSigNumerator(), 4);
    EXPECT_EQ(track.getTimeSigDenominator(), 4);
    EXPECT_EQ(track.getTempo(), 500000);
    EXPECT_EQ(track.getLowestNote(), 127);
    EXPECT_EQ(track.getHighestNote(), 0);
    EXPECT_EQ(track.getLastEnd(), -1);
    EXPECT_EQ(track.getFirstNoteTime(), -1);
    EXPECT_EQ(track.getLastNoteTime(), -1);
    EXPECT_EQ(track.getUsedNote(0), CMidiTrack::NoNote);
    const uint8_t map[128] = {};
    EXPECT_EQ(track.getInstrumentMask(map), 0u);
    uint32_t packed = 1;
    EXPECT_EQ(track.getDensityScore(&packed), 0);
    EXPECT_EQ(packed, 0u);
}

TEST(MidiTrack, StatisticsFollowInsertEraseAndClear)
{
    CMidiTrack track =
        trackOf({note(0, 38, 10), note(240, 36, 100), note(480, 38, 500), controller(600, 1, 64)});
    EXPECT_EQ(track.getLowestNote(), 36);
    EXPECT_EQ(track.getHighestNote(), 38);
    EXPECT_EQ(track.getUsedNoteCount(), 2);
    // Only the first event of a note counts its length.
    EXPECT_EQ(track.getLastEnd(), 600);
    EXPECT_EQ(track.getUsedNote(0), 36);
    EXPECT_EQ(track.getUsedNote(1), 38);
    EXPECT_EQ(track.getUsedNote(2), CMidiTrack::NoNote);
    EXPECT_EQ(track.getUsedNote(-1), CMidiTrack::NoNote);
    EXPECT_EQ(track.getFirstNoteTime(), 0);
    EXPECT_EQ(track.getLastNoteTime(), 480);
    EXPECT_EQ(track.getNoteEventCount(), 3);
    EXPECT_EQ(track.getDistinctNoteCount(), 2);

    track.insertEvent(note(700, 42, 1000));
    EXPECT_EQ(track.getLastEnd(), 1700);
    EXPECT_EQ(track.getHighestNote(), 42);

    track.eraseEvent(std::prev(track.events().end()));
    EXPECT_EQ(track.getLastEnd(), 600);
    EXPECT_FALSE(track.isNoteUsed(42));

    track.setTexts("a", "b");
    track.clear();
    EXPECT_EQ(track.getEventCount(), 0u);
    EXPECT_EQ(track.getUsedNoteCount(), 0);
    EXPECT_EQ(track.getFirstText(), "");
    EXPECT_EQ(track.getResolution(), 240) << "header values stay";
}

TEST(MidiTrack, VelocityStatisticsOfTheNotes)
{
    int lowest = 0, average = 0, highest = 0;
    CMidiTrack().getVelocityStatistics(lowest, average, highest);
    EXPECT_EQ(std::make_tuple(lowest, average, highest), std::make_tuple(1, 64, 127));

    // Controllers do not count; the average rounds down.
    const CMidiTrack track =
        trackOf({note(0, 36, 10, 30), controller(10, 7, 127), note(240, 38, 10, 41), note(480, 42, 10, 100)});
    track.getVelocityStatistics(lowest, average, highest);
    EXPECT_EQ(std::make_tuple(lowest, average, highest), std::make_tuple(30, 57, 100));
}

TEST(MidiTrack, InsertGoesAfterEventsOfTheSameTime)
{
    CMidiTrack track = trackOf({note(100, 1), note(300, 2)});
    track.insertEvent(note(100, 3));
    track.insertEvent(note(0, 4));
    track.insertEvent(note(200, 5));
    track.insertEvent(note(400, 6));
    EXPECT_EQ(notesOf(track), (Notes{{0, 4}, {100, 1}, {100, 3}, {200, 5}, {300, 2}, {400, 6}}));
}

TEST(MidiTrack, CopyTakesEverything)
{
    CMidiTrack track = trackOf({note(0, 36), note(120, 38)}, 480);
    track.setTexts("Rock", "Intro");
    track.setTempo(400000);
    track.setTimeSignature(6, 8);
    track.setHeaderWord(2, 77);
    const CMidiTrack copy(track);
    EXPECT_EQ(notesOf(copy), notesOf(track));
    EXPECT_EQ(copy.getResolution(), 480);
    EXPECT_EQ(copy.getFirstText(), "Rock");
    EXPECT_EQ(copy.getSecondText(), "Intro");
    EXPECT_EQ(copy.getTempo(), 400000);
    EXPECT_EQ(copy.getBeatUnit(), 8);
    EXPECT_EQ(copy.getHeaderWord(2), 77);
    EXPECT_EQ(copy.getUsedNoteCount(), 2);
}

TEST(MidiTrack, RhythmMask)
{
    const struct {
        const char *what;
        int32_t resolution;
        std::vector<int32_t> times;
        int stepsPerWhole;
        int steps;
        uint32_t mask;
        int count;
    } cases[] = {
        {"first step is the highest bit", 240, {0}, 16, 16, 0x8000, 1},
        {"a quarter of a step early counts", 240, {60, 45}, 16, 16, 0x4000 | 0x4000, 1},
        {"just before the quarter rounds down", 240, {44}, 16, 16, 0x8000, 1},
        {"eighths in a bar", 240, {0, 480, 600}, 8, 8, 0x80 | 0x08 | 0x04, 3},
        {"stops at the first note past the steps", 240, {0, 960, 60}, 16, 16, 0x8000, 1},
        {"count looks at the low 16 bits", 240, {0, 60}, 32, 32, 0x80000000u | 0x20000000u, 0},
        {"coarse resolution", 24, {0, 6, 12}, 16, 16, 0x8000 | 0x4000 | 0x2000, 3},
    };
    for (const auto &c : cases) {
        CMidiTrack track;
        track.setResolution(c.resolution);
        for (int32_t t : c.times)
            track.events().push_back(note(t, 36)); // deliberately in the given order
        int count = -1;
        EXPECT_EQ(track.getRhythmMask(c.stepsPerWhole, c.steps, &count), c.mask) << c.what;
        EXPECT_EQ(count, c.count) << c.what;
    }
    CMidiTrack track = trackOf({note(0, 36)});
    EXPECT_EQ(track.getRhythmMask(0, 16), 0u) << "no steps per whole";
    EXPECT_EQ(track.getRhythmMask(10000, 16), 0x8000u) << "steps finer than a tick";
}

TEST(MidiTrack, InstrumentMaskAndGroupCounts)
{
    uint8_t map[128] = {};
    map[36] = 1;
    map[38] = 2;
    map[42] = 33; // wraps to bit 1
    CMidiTrack track =
        trackOf({note(0, 36), note(10, 38), note(20, 42), note(30, 36), controller(40, 38, 1)});
    EXPECT_EQ(track.getInstrumentMask(map), 0b110u);

    track.insertEvent(note(50, 49));
    track.insertEvent(note(60, 51));
    const CMidiTrack::CountingGroup groups[3] = {
        {{0, 0, 0, 0}, {35, 36, 0}},
        {{0, 0, 0, 0}, {38, 40, 36, 0}},
        {{0, 0, 0, 0}, {42, 44, 46, 49, 51, 52, 53, 55}}, // full, without terminator
    };
    int counts[4] = {-1, -1, -1, -1};
    track.countNotesPerGroup(groups, 3, counts);
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[1], 2);
    EXPECT_EQ(counts[2], 3);
    EXPECT_EQ(counts[3], 0);
    track.insertEvent(note(70, 60));
    track.countNotesPerGroup(groups, 3, counts);
    EXPECT_EQ(counts[3], 1) << "a note in no group";
}

TEST(MidiTrack, MapAndReplaceNotes)
{
    CMidiTrack track = trackOf({note(0, 36), note(10, 38), controller(20, 36, 5)});
    uint8_t map[128];
    for (int i = 0; i < 128; ++i)
        map[i] = static_cast<uint8_t>(i);
    map[36] = 35;
    track.mapNotes(map);
    EXPECT_EQ(notesOf(track), (Notes{{0, 35}, {10, 38}}));
    EXPECT_EQ(track.events().back().data1, 36) << "controllers are not notes";
    EXPECT_TRUE(track.isNoteUsed(35));
    EXPECT_FALSE(track.isNoteUsed(36));

    track.replaceNote(38, 40);
    EXPECT_EQ(notesOf(track), (Notes{{0, 35}, {10, 40}}));
    EXPECT_TRUE(track.isNoteUsed(38)) << "plain replacement leaves the statistics";
    track.refreshStatistics();
    EXPECT_TRUE(track.isNoteUsed(40));
}

TEST(MidiTrack, RemapNoteWithAndWithoutCheck)
{
    const CMidiTrack source = trackOf({note(0, 36), note(100, 38), note(110, 36), note(300, 36)});
    const struct {
        const char *what;
        int32_t window;
        bool check;
        Notes expected;
    } cases[] = {
        {"check off moves every note", 20, false, {{0, 38}, {100, 38}, {110, 38}, {300, 38}}},
        {"a target note after the window is no collision",
         5,
         true,
         {{0, 38}, {100, 38}, {110, 38}, {300, 38}}},
        {"a target note before within the window collides", 10, true, {{0, 38}, {100, 38}, {300, 38}}},
        {"a negative window counts as its size", -10, true, {{0, 38}, {100, 38}, {300, 38}}},
        {"a target note after within the window collides", 100, true, {{100, 38}, {300, 38}}},
    };
    for (const auto &c : cases) {
        CMidiTrack track(source);
        track.remapNote(36, 38, nullptr, c.window, c.check);
        EXPECT_EQ(notesOf(track), c.expected) << c.what;
        EXPECT_FALSE(track.isNoteUsed(36)) << c.what;
    }
}

TEST(MidiTrack, RemoveDoubledNotesKeepsTheLastOfARun)
{
    CMidiTrack track =
        trackOf({note(0, 36), note(10, 36), note(15, 38), note(20, 36), note(100, 36), note(16, 38)});
    track.removeDoubledNotes(15);
    EXPECT_EQ(notesOf(track), (Notes{{16, 38}, {20, 36}, {100, 36}}));
    EXPECT_EQ(track.getNoteEventCount(), 3);
}

TEST(MidiTrack, GroupCollisions)
{
    const CMidiTrack::CollisionGroup groups[] = {
        {2, {35, 36}},
        {3, {37, 38, 40}},
        {0, {}},
    };
    const struct {
        const char *what;
        std::vector<Event> events;
        uint8_t from;
        uint8_t to;
        bool check;
        Notes expected;
    } cases[] = {
        {"limit 2: one group neighbour collides", {note(0, 36), note(5, 42)}, 42, 35, true, {{0, 36}}},
        {"limit 2: outside the window nothing collides",
         {note(0, 36), note(50, 42)},
         42,
         35,
         true,
         {{0, 36}, {50, 35}}},
        {"limit 3: two neighbours on one side collide",
         {note(90, 37), note(95, 37), note(100, 42)},
         42,
         40,
         true,
         {{90, 37}, {95, 37}}},
        {"limit 3: one neighbour on each side does not",
         {note(95, 37), note(100, 42), note(105, 37)},
         42,
         40,
         true,
         {{95, 37}, {100, 40}, {105, 37}}},
        {"limit 3: any two members on one side collide",
         {note(0, 37), note(10, 40), note(20, 42)},
         42,
         38,
         true,
         {{0, 37}, {10, 40}}},
        {"check off counts the target too",
         {note(0, 38), note(20, 38), note(21, 42)},
         42,
         38,
         false,
         {{0, 38}, {20, 38}}},
        {"a target outside every group", {note(0, 36), note(5, 42)}, 42, 50, false, {{0, 36}, {5, 50}}},
    };
    for (const auto &c : cases) {
        CMidiTrack track = trackOf(c.events);
        track.remapNote(c.from, c.to, groups, 30, c.check);
        EXPECT_EQ(notesOf(track), c.expected) << c.what;
    }

    CMidiTrack track = trackOf({note(0, 35), note(5, 36), note(200, 36)});
    track.removeGroupCollisions(30, groups, true);
    EXPECT_EQ(notesOf(track), (Notes{{5, 36}, {200, 36}}));
    EXPECT_FALSE(track.isNoteUsed(35));
}

TEST(MidiTrack, MoveToFirstPeriod)
{
    CMidiTrack track = trackOf({controller(100, 1, 1), note(1000, 36), note(1500, 38)});
    track.moveToFirstPeriod(960);
    EXPECT_EQ(track.events().front().time, 0) << "clamped at 0";
    EXPECT_EQ(notesOf(track), (Notes{{40, 36}, {540, 38}}));
    EXPECT_EQ(track.getFirstNoteTime(), 40);

    CMidiTrack early = trackOf({note(900, 36)});
    early.moveToFirstPeriod(960);
    EXPECT_EQ(early.getFirstNoteTime(), 900);
    early.moveToFirstPeriod(0);
    EXPECT_EQ(early.getFirstNoteTime(), 900) << "a period of 0 changes nothing";
}

TEST(MidiTrack, QuantizeAndTrim)
{
    CMidiTrack track = trackOf({controller(30, 1, 1), note(59, 36), note(60, 38), note(300, 42, 500),
                                note(470, 46), note(200, 49, -1)});
    track.quantizeAndTrim(120, 480);
    EXPECT_EQ(notesOf(track), (Notes{{0, 36}, {120, 38}, {240, 49}, {360, 42}}));
    EXPECT_TRUE(inTimeOrder(track)) << "the note moved before the controller";
    EXPECT_EQ(track.events().back().duration, 119) << "shortened to end before 480";
    EXPECT_EQ(std::next(track.events().begin(), 3)->duration, -1) << "an open note is left open";
    EXPECT_FALSE(track.isNoteUsed(46));

    track.quantizeAndTrim(0, 480);
    EXPECT_EQ(track.getNoteEventCount(), 4) << "a grid of 0 changes nothing";
}

TEST(MidiTrack, SetNoteDurations)
{
    CMidiTrack track = trackOf({note(0, 36, 5), controller(10, 1, 1), note(20, 38, -1)});
    track.setNoteDurations(60);
    for (const Event &e : track.events())
        EXPECT_EQ(e.duration, e.kind == Event::Note ? 60 : 0);
    EXPECT_EQ(track.getLastEnd(), 80);
}

TEST(MidiTrack, DensityScore)
{
    // Gaps 15, 15, 30, 60, 120, 240 at 240 ticks per quarter: classes 0, 0, 1, 2, 3, 4.
    CMidiTrack track = trackOf({note(0, 36), controller(5, 1, 1), note(15, 36), note(30, 38), note(60, 36),
                                note(120, 36), note(240, 36), note(480, 36)});
    uint32_t packed = 0;
    EXPECT_EQ(track.getDensityScore(&packed), 2 * 8 + 6 + 4 + 2 + 1);
    EXPECT_EQ(packed, 0x21111u);

    CMidiTrack busy;
    for (int i = 0; i < 20; ++i)
        busy.insertEvent(note(i * 15, 36));
    EXPECT_EQ(busy.getDensityScore(&packed), 19 * 8);
    EXPECT_EQ(packed, 0xF0000u) << "a count above 15 stays in its own four bits";
}

TEST(MidiTrack, CopyFiltered)
{
    CMidiTrack source = trackOf({note(0, 36), controller(5, 7, 100), note(10, 38), note(20, 42)}, 96);
    source.setTempo(600000);
    source.setHeaderWord(0, 5);
    source.setTimeSignature(3, 4);
    uint8_t filter[128] = {};
    filter[36] = 1;
    filter[42] = 7;

    CMidiTrack part = trackOf({note(1000, 50)});
    part.setTimeSignature(6, 8);
    part.copyFiltered(source, filter);
    EXPECT_EQ(notesOf(part), (Notes{{0, 36}, {20, 42}}));
    EXPECT_EQ(part.getEventCount(), 3u) << "the controller goes along";
    EXPECT_EQ(part.getResolution(), 96);
    EXPECT_EQ(part.getTempo(), 600000);
    EXPECT_EQ(part.getHeaderWord(0), 5);
    EXPECT_EQ(part.getTimeSigNumerator(), 6) << "the meter is not among what is taken";
    EXPECT_EQ(part.getTimeSigDenominator(), 8);
    EXPECT_EQ(part.getUsedNoteCount(), 2);

    part.copyFiltered(source, nullptr);
    EXPECT_EQ(part.getEventCount(), 4u);
    part.copyFiltered(part, filter);
    EXPECT_EQ(notesOf(part), (Notes{{0, 36}, {20, 42}})) << "filtering a track into itself";
}

TEST(MidiTrack, PitchBendSpansBothDataBytes)
{
    Event e;
    for (int16_t value : {-8192, -1, 0, 1, 8191}) {
        e.setPitchBend(value);
        EXPECT_EQ(e.pitchBend(), value);
    }
}

} // namespace
