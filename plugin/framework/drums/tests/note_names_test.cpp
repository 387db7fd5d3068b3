#include "base/string_stream.h"
#include "plugin/framework/drums/note_names.h"
#include "plugin/framework/drums/note_names_provider.h"

#include <gtest/gtest.h>

namespace {

using Quorvane::NoteNames;

TEST(NoteNames, DefaultNamesAreLetterAndOctave)
{
    EXPECT_EQ(NoteNames::defaultNoteName(0), "C0");
    EXPECT_EQ(NoteNames::defaultNoteName(60), "C5");
    EXPECT_EQ(NoteNames::defaultNoteName(61), "C#5");
    EXPECT_EQ(NoteNames::defaultNoteName(127), "G10");
    NoteNames fresh;
    EXPECT_EQ(fresh.getNoteNameOrDefault(61), "C#5");
    EXPECT_EQ(fresh.getNoteName(61), "") << "an unnamed note has no name of its own";
}

TEST(NoteNames, DrumNamesCoverTheGeneralMidiKit)
{
    EXPECT_EQ(NoteNames::drumNoteName(35), "Acoustic Bass Drum");
    EXPECT_EQ(NoteNames::drumNoteName(38), "Acoustic Snare");
    EXPECT_EQ(NoteNames::drumNoteName(42), "Closed Hi-Hat");
    EXPECT_EQ(NoteNames::drumNoteName(81), "Open Triangle");
    EXPECT_EQ(NoteNames::drumNoteName(34), "A#2");
    EXPECT_EQ(NoteNames::drumNoteName(82), "A#6");
    for (int note = 35; note <= 81; ++note)
        EXPECT_LT(NoteNames::drumNoteName(note).size(), 20u) << "fits the stored 20-byte entries: " << note;
}

// Names are looked up only for notes 0..127, whatever a caller asks.
TEST(NoteNames, NotesOutsideTheRangeHaveNoName)
{
    NoteNames set;
    set.setNoteName(127, "Top");
    set.setNoteName(128, "Beyond");
    set.setNoteName(-1, "Below");
    for (const int n : {-1000, -1, 128, 129, 100000}) {
        EXPECT_EQ(set.getNoteName(n), "") << n;
        EXPECT_EQ(set.getNoteNameOrDefault(n), "") << n;
        EXPECT_EQ(NoteNames::defaultNoteName(n), "") << n;
        EXPECT_EQ(NoteNames::drumNoteName(n), "") << n;
        EXPECT_FALSE(set.isNamed(n)) << n;
        char buffer[8] = "xxxxxxx";
        EXPECT_EQ(set.copyNoteNameOrDefaultTo(n, buffer, sizeof(buffer)), 0u);
        EXPECT_STREQ(buffer, "");
    }
    EXPECT_EQ(set.getNoteName(127), "Top");
}

TEST(NoteNames, ResetKeepsTheSetName)
{
    NoteNames set;
    set.setName("Kit");
    set.setNoteName(36, "Kick");
    set.reset();
    EXPECT_EQ(set.getName(), "Kit");
    EXPECT_FALSE(set.isNamed(36));
    EXPECT_EQ(set.getNoteNameOrDefault(36), "C3");
}

TEST(NoteNames, CopyingTakesNamesFlagsAndSetName)
{
    NoteNames set;
    set.setName("Kit");
    set.setNoteName(36, "Kick");
    NoteNames copy(set);
    EXPECT_EQ(copy.getName(), "Kit");
    EXPECT_EQ(copy.getNoteName(36), "Kick");
    EXPECT_FALSE(copy.isNamed(38));
    NoteNames other;
    other.setNoteName(38, "Snare");
    other = set;
    EXPECT_FALSE(other.isNamed(38));
    EXPECT_EQ(other.getNoteName(36), "Kick");
}

TEST(NoteNames, CopyToBuffersCutsAndTerminates)
{
    NoteNames set;
    set.setName("Studio Kit");
    set.setNoteName(36, "Bass Drum");
    char small[5];
    EXPECT_EQ(set.copyNoteNameTo(36, small, sizeof(small)), 9u) << "answers the full length";
    EXPECT_STREQ(small, "Bass");
    EXPECT_EQ(set.copyNameTo(small, sizeof(small)), 10u);
    EXPECT_STREQ(small, "Stud");
    char wide[16];
    set.copyNoteNameOrDefaultTo(61, wide, sizeof(wide));
    EXPECT_STREQ(wide, "C#5");
    EXPECT_EQ(set.copyNoteNameTo(36, nullptr, 0), 9u) << "a null buffer only measures";
}

// The selection block holds the set name only; loading looks it up again.
TEST(NoteNames, SelectionBlockStoresTheNameAndLooksItUp)
{
    Quorvane::NoteNamesProvider provider;
    NoteNames set;
    Quorvane::NoteNamesProvider::fillGeneralMidiSet(set);
    std::string bytes;
    Quorvane::stringStream stream(bytes);
    ASSERT_TRUE(set.save(stream));
    EXPECT_EQ(bytes, std::string("\x12\0\0\0General MIDI Drums", 22));

    stream.setPosition(0);
    NoteNames loaded;
    ASSERT_TRUE(loaded.load(stream, provider));
    EXPECT_EQ(loaded.getName(), "General MIDI Drums");
    EXPECT_EQ(loaded.getNoteName(36), "Bass Drum 1");
    EXPECT_FALSE(loaded.isNamed(34));
}

TEST(NoteNames, ADamagedSelectionBlockLeavesTheSet)
{
    Quorvane::NoteNamesProvider provider;
    NoteNames set;
    set.setName("Mine");
    set.setNoteName(36, "Kick");
    std::string bytes("\x40\0\0\0Gen", 7); // the name claims 64 bytes
    Quorvane::stringStream stream(bytes);
    EXPECT_FALSE(set.load(stream, provider));
    EXPECT_EQ(set.getName(), "Mine");
    EXPECT_EQ(set.getNoteName(36), "Kick");
}

} // namespace
