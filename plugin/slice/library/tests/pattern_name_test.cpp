#include "plugin/slice/library/pattern_name.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;

TEST(PatternName, WhatNamesTell)
{
    const struct {
        const char *path;
        PatternName want;
    } cases[] = {
        {"16 Funk\\1.Kick\\Kick\\01_4_1000100010001000_0#Kick.mid", {1, 4, 0x8888, 0, 0, 0}},
        // "2" steps go to the second mask and are counted.
        {"07_16_1111111211111112_2#HH_Op.mid", {7, 16, 0xFEFE, 0x0101, 2, 2}},
        // Other characters leave a step empty; a short signature fills the
        // first steps only.
        {"3_2_1x2.1_1#a.mid", {3, 2, 0x8800, 0x2000, 1, 1}},
        // A signature longer than 16 steps: the first 16.
        {"1_2_11111111111111111111_3#x", {1, 2, 0xFFFF, 0, 0, 3}},
        // The signature ends at '#'; fields go on counting after it.
        {"1_2_10#_5", {1, 2, 0x8000, 0, 0, 5}},
        // Second and level numbers index masks: clamped to 0..31.
        {"1_99_1000_45#x", {1, 31, 0x8000, 0, 0, 31}},
        {"1_-3_1000_-7#x", {1, 0, 0x8000, 0, 0, 0}},
        {"1_99999999999999_1_999999999999#x", {1, 31, 0x8000, 0, 0, 31}},
        // Without '#' in the name everything is cleared, even with fields,
        // and a '#' in a folder does not count.
        {"01_4_1000100010001000_0_Kick.mid", {}},
        {"A#\\01_4_1000100010001000_0.mid", {}},
        {"", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const PatternName name = parsePatternName(c.path);
        EXPECT_EQ(name.first, c.want.first);
        EXPECT_EQ(name.second, c.want.second);
        EXPECT_EQ(name.firstMask, c.want.firstMask);
        EXPECT_EQ(name.secondMask, c.want.secondMask);
        EXPECT_EQ(name.secondSteps, c.want.secondSteps);
        EXPECT_EQ(name.level, c.want.level);
    }
}

TEST(PatternName, FieldsOfTheNameAfterTheLastBackslash)
{
    const struct {
        const char *path;
        int n;
        const char *field;
    } cases[] = {
        {"A_x\\B\\1_2_3#x_y", 0, "1"},
        {"A_x\\B\\1_2_3#x_y", 2, "3"},
        {"A_x\\B\\1_2_3#x_y", 3, "y"},
        {"A_x\\B\\1_2_3#x_y", 4, ""},
        {"plain", 0, "plain"},
        {"plain", 1, ""},
        {"a__b", 1, ""},
        {"a__b", 2, "b"},
        {"", 0, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(nameField(c.path, c.n), c.field) << c.path << " " << c.n;
}

CMidiTrack trackEnding(int32_t end, int32_t resolution, uint16_t numerator, uint16_t denominator)
{
    CMidiTrack track;
    track.setResolution(resolution);
    track.setTimeSignature(numerator, denominator);
    if (end > 0) {
        CMidiTrack::Event note;
        note.kind = CMidiTrack::Event::Note;
        note.data1 = 36;
        note.data2 = 100;
        note.time = end - 10;
        note.duration = 10;
        track.insertEvent(note);
    }
    return track;
}

TEST(PatternName, MeasureCountOfATrack)
{
    const struct {
        int32_t end;
        int32_t resolution;
        uint16_t numerator;
        uint16_t denominator;
        int32_t measures;
    } cases[] = {
        {1920, 480, 4, 4, 1},
        {1921, 480, 4, 4, 2},
        {1440, 480, 3, 4, 1},
        {1441, 480, 3, 4, 2},
        {720, 480, 3, 8, 1},
        {0, 480, 4, 4, 0},
        {960, 240, 4, 4, 1},
        {1920, 0, 4, 4, 1},
        // A zero numerator or denominator counts as 4/4.
        {1920, 480, 0, 4, 1},
        {1921, 480, 0, 4, 2},
        {1920, 480, 4, 0, 1},
        {3840, 480, 0, 0, 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(measureCount(trackEnding(c.end, c.resolution, c.numerator, c.denominator)), c.measures)
            << c.end << " at " << c.resolution << " in " << c.numerator << "/" << c.denominator;
}

} // namespace
