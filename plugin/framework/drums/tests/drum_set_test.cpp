#include "plugin/framework/drums/drum_set.h"

#include <gtest/gtest.h>

namespace {

TEST(DrumSet, DefaultsPutTheKitOnNineSlots)
{
    DrumSet set;
    set.setInstrument(60, 4);
    set.setNoteFlag(36, 0);
    set.setName("Custom");
    set.setDefaults();

    const int kit[9] = {36, 38, 42, 46, 41, 45, 47, 50, 49};
    for (int slot = 1; slot <= 9; ++slot)
        EXPECT_EQ(set.instrument(kit[slot - 1]), slot);
    EXPECT_EQ(set.instrument(42), 3);
    EXPECT_EQ(set.instrument(60), 0);
    int assigned = 0;
    for (int note = 0; note < 128; ++note) {
        assigned += set.instrument(note) != 0;
        EXPECT_EQ(set.noteFlag(note), 1);
    }
    EXPECT_EQ(assigned, 9);
    EXPECT_EQ(set.getName(), "");
}

TEST(DrumSet, OnlyNotesOfTheTableChange)
{
    DrumSet set;
    set.setInstrument(128, 2);
    set.setInstrument(-1, 2);
    EXPECT_EQ(set.instrument(128), 0);
    EXPECT_EQ(set.noteFlag(-1), 0);
    set.setInstrument(60, 12);
    EXPECT_EQ(set.instrument(60), 9);
}

} // namespace
