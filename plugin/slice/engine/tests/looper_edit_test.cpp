// The event bar's edits of a slice's notes, the audition that lets a muted
// slice be heard, and where the live walk stands for the play line.
#include "plugin/slice/engine/tests/fake_slice_host.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_test;

using Note = std::tuple<int32_t, int, int, int32_t>; // time, note, velocity, duration

std::vector<Note> notesOf(const Looper &looper)
{
    std::vector<Note> out;
    for (const CMidiTrack::Event &e : looper.content()->events())
        out.emplace_back(e.time, e.data1, e.data2, e.duration);
    return out;
}

struct SliceEditTest : ::testing::Test {
    void SetUp() override
    {
        givePattern(looper, 480, {note(0, 36, 100, 60), note(960, 38, 90, 120)},
                    [](SliceContent &c) { c.file = "01_2_1000000010000000_0#Kick.mid"; });
    }
    FakeSliceHost host;
    Looper looper{host, 5};
};

TEST_F(SliceEditTest, AnAddedNoteIsASixteenthAtMostUpToTheLoopsEnd)
{
    struct Case {
        int32_t time;
        int velocity;
        int index;
        Note added;
    };
    const Case cases[] = {
        {480, 64, 1, {480, 42, 64, 120}},
        {1900, 300, 2, {1900, 42, 127, 20}}, // 20 ticks before the measure line; velocity clamped
        {-50, 0, 1, {0, 42, 1, 120}},        // before the loop: at its start, after the kick there
        {5000, 80, 2, {1919, 42, 80, 1}},    // after it: the last tick
    };
    for (const Case &c : cases) {
        SetUp();
        EXPECT_EQ(looper.addNote(c.time, 42, c.velocity), c.index) << c.time;
        const auto notes = notesOf(looper);
        ASSERT_EQ(notes.size(), 3u);
        EXPECT_EQ(notes[static_cast<size_t>(c.index)], c.added) << c.time;
        EXPECT_TRUE(looper.content()->ownEvents);
        EXPECT_TRUE(looper.content()->modified);
        EXPECT_EQ(looper.content()->file, "01_2_1000000010000000_0#Kick.mid") << "the name stays until saved";
    }
}

TEST_F(SliceEditTest, VelocityMovesAndDeletesNameTheNoteByItsPlace)
{
    EXPECT_EQ(looper.setNoteVelocity(1, 200), 1);
    EXPECT_EQ(looper.setNoteVelocity(0, -4), 0);
    EXPECT_EQ(notesOf(looper), (std::vector<Note>{{0, 36, 1, 60}, {960, 38, 127, 120}}));
    EXPECT_EQ(looper.moveNote(0, 1500), 1) << "the kick moved after the snare";
    EXPECT_EQ(notesOf(looper), (std::vector<Note>{{960, 38, 127, 120}, {1500, 36, 1, 60}}));
    EXPECT_EQ(looper.moveNote(1, 1910), 1);
    EXPECT_EQ(notesOf(looper)[1], (Note{1910, 36, 1, 10})) << "cut at the loop's end";
    EXPECT_EQ(looper.moveNote(0, -10), 0);
    EXPECT_EQ(std::get<0>(notesOf(looper)[0]), 0);
    EXPECT_EQ(looper.setNoteVelocity(5, 60), -1) << "no such note";
    EXPECT_EQ(looper.moveNote(-1, 60), -1);
    EXPECT_TRUE(looper.deleteNote(0));
    EXPECT_FALSE(looper.deleteNote(4));
    EXPECT_EQ(notesOf(looper), (std::vector<Note>{{1910, 36, 1, 10}}));
}

TEST_F(SliceEditTest, AnEmptyLoopTakesANoteAndPlaysIt)
{
    looper.clearLoop();
    // A cleared loop's track counts 240 ticks a quarter: the note a quarter
    // in plays a quarter in at the host's 480.
    EXPECT_EQ(looper.addNote(240, 38, 100), 0);
    RecordingContext context(480);
    looper.play(0, 1919, context);
    ASSERT_EQ(context.events.size(), 1u);
    EXPECT_EQ(context.events[0].time, 480);
    EXPECT_EQ(context.events[0].data1, 38);
    EXPECT_EQ(context.events[0].channel, 9);
}

TEST_F(SliceEditTest, AMutedSlicePlaysWhileAuditioned)
{
    looper.setMute(true, false);
    RecordingContext context(480);
    looper.play(0, 1919, context);
    EXPECT_TRUE(context.events.empty());
    looper.setAudition(true);
    looper.play(1920, 3839, context);
    EXPECT_EQ(context.events.size(), 2u);
    looper.setAudition(false);
    looper.play(3840, 5759, context);
    EXPECT_EQ(context.events.size(), 2u);
    EXPECT_TRUE(looper.content()->mute) << "the mute itself never changed";
}

TEST_F(SliceEditTest, ThePlayPositionIsWhereTheWalkStandsInItsLoop)
{
    int64_t position = -1;
    int64_t length = -1;
    EXPECT_FALSE(looper.playPosition(position, length)) << "nothing played yet";
    RecordingContext context(960);
    looper.play(0, 4999, context);
    ASSERT_TRUE(looper.playPosition(position, length));
    EXPECT_EQ(length, 3840);
    EXPECT_EQ(position, 4999 - 3840);
    looper.setParam(Looper::TimeOffset, 240); // 480 host ticks later: the loop starts there
    looper.play(8000, 8099, context);
    ASSERT_TRUE(looper.playPosition(position, length));
    EXPECT_EQ(position, (8099 - 480) % 3840);
}

} // namespace
