#include "data/music_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Quorvane;

namespace {

std::string note(long n, long key, int octave = 0, int number = 0)
{
    char buffer[32];
    return GetNoteText(n, buffer, octave, number, key);
}

std::string row(long key)
{
    std::string out;
    for (long n = 0; n < 12; ++n)
        out += note(n, key) + " ";
    return out;
}

std::vector<int> steps(long type)
{
    std::vector<int> out;
    for (const signed char *s = GetChordSteps(type); *s; ++s)
        out.push_back(*s);
    return out;
}

TEST(MusicText, KeyNames)
{
    char buffer[64];
    EXPECT_STREQ(GetKSignText(14, buffer, 1), "A-Minor (0)");
    EXPECT_STREQ(GetKSignText(18, buffer, 1), "Bb-Major (2b)");
    EXPECT_STREQ(GetKSignText(1, buffer, 0), "A#-Minor");
    EXPECT_STREQ(GetKSignText(30, buffer, 1), "");
    EXPECT_STREQ(GetKSignText(-1, buffer, 1), "");
    bLatin = 1;
    EXPECT_STREQ(GetKSignText(18, buffer, 0), "B-Dur");
    EXPECT_STREQ(GetKSignText(11, buffer, 1), "h-moll (2#)");
    bLatin = 0;
}

TEST(MusicText, ParseKSign)
{
    int major = -1, sharps = -1;
    long count = -1;
    ASSERT_EQ(ParseKSign(4, major, count, sharps), 1); // B-flat minor
    EXPECT_EQ(major, 0);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(sharps, 0);
    ASSERT_EQ(ParseKSign(25, major, count, sharps), 1); // B major
    EXPECT_EQ(major, 1);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(sharps, 1);
    ASSERT_EQ(ParseKSign(15, major, count, sharps), 1);
    EXPECT_EQ(count, 0);
    major = 9;
    EXPECT_EQ(ParseKSign(30, major, count, sharps), 0);
    EXPECT_EQ(major, 9);
}

TEST(MusicText, TimeSignatures)
{
    char buffer[32];
    EXPECT_STREQ(GetTSignText(6, 3, buffer), "6/8");
    EXPECT_STREQ(GetTSignText(4, 2, buffer), "4/4");
    EXPECT_STREQ(GetTSignText(3, 99, buffer), "3/1073741824"); // never shifts past 30
}

TEST(MusicText, NotesAreSpelledForTheKey)
{
    EXPECT_EQ(note(61, 1), "C#");
    EXPECT_EQ(note(61, 1, 1), "C#5");
    EXPECT_EQ(note(61, 0), "Db");
    EXPECT_EQ(note(60, 15, 1, 1), "C5 (60)");
    EXPECT_EQ(row(0), "C Db D Eb E F Gb G Ab A Bb B ");
    EXPECT_EQ(row(1), "C C# D D# E F F# G G# A A# B ");
    EXPECT_EQ(row(6), "C Db D Eb E F F# G Ab A Bb B "); // differs from key 0 only at F#
    EXPECT_EQ(row(17), "C C# D D# E F F# G G# A Bb B ");
    EXPECT_EQ(note(70, 99), "Bb"); // an unknown key spells as C major
    bLatin = 1;
    EXPECT_EQ(note(70, 15), "B");
    EXPECT_EQ(note(71, 15), "H");
    bLatin = 0;
    EXPECT_EQ(note(-1, 15), "B");
}

TEST(MusicText, ScaleDegrees)
{
    EXPECT_EQ(GetNoteByStage(4, 15), 7); // G in C major
    EXPECT_EQ(GetNoteByStage(2, 14), 0); // C in A minor
    EXPECT_EQ(GetNoteByStage(0, 19), 2); // D in D major
    EXPECT_EQ(GetNoteByStage(7, 15), -1);
    EXPECT_EQ(GetStageByNote(4, 15), 2);  // E in C major
    EXPECT_EQ(GetStageByNote(1, 15), -1); // C# is not in C major
    EXPECT_EQ(GetStageByNote(67, 14), 6); // G in A minor
    EXPECT_EQ(GetStageByNote(66, 17), 6); // F# in G major
    EXPECT_EQ(IsBlackNote(61), 1);
    EXPECT_EQ(IsBlackNote(64), 0);
    EXPECT_EQ(IsBlackNote(-2), 1);
}

TEST(MusicText, ChordTable)
{
    EXPECT_STREQ(GetChordName(0), "");
    EXPECT_EQ(steps(0), (std::vector<int>{4, 7}));
    EXPECT_STREQ(GetChordName(36), "-m");
    EXPECT_EQ(steps(32), (std::vector<int>{4, 7, 10, 14, 17, 21}));
    EXPECT_STREQ(GetChordName(34), "_13-sus b9");
    EXPECT_EQ(steps(65), (std::vector<int>{3, 6, 9}));
    EXPECT_STREQ(GetChordName(66), "-aug");
    EXPECT_EQ(steps(66), (std::vector<int>{4, 8}));
    EXPECT_TRUE(steps(67).empty());
    EXPECT_TRUE(steps(70).empty());
    EXPECT_TRUE(steps(-1).empty());
    EXPECT_STREQ(GetChordName(67), "");
    for (long type = 0; type < kChordTypes; ++type)
        EXPECT_GE(steps(type).size(), 2u) << type;
}

} // namespace
