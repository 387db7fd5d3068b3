#include "app/parts_labels.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;

// Every character 5 pixels wide, the blank 3.
struct Widths {
    long table[256];
    Widths()
    {
        for (long &w : table)
            w = 5;
        table[static_cast<unsigned char>(' ')] = 3;
    }
};

TEST(PartsLabels, TheElementNumberStaysWholeWhileTheNameGivesWay)
{
    const Widths w;
    struct Case {
        const char *name;
        int element;
        long room;
        const char *label;
    } cases[] = {
        {"Quorvane Grindelvosket", 1, 200, "Quorvane Grindelvosket 1"},
        {"Quorvane Grindelvosket", 2, 60, "Quorvan... 2"},
        {"Quorvane Grindelvosket", 1, 60, "Quorvan... 1"},
        {"Quorvane Vostrapellin", 0, 60, "Quorvane..."},
        {nullptr, 2, 60, "- 2"},
        {"", 0, 60, "-"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DrummerLabel(c.name, c.element, w.table, c.room), c.label) << c.room;
}

TEST(PartsLabels, FittingCutsAtTheRoomAndMarksTheCut)
{
    const Widths w;
    EXPECT_EQ(FitText("abcd", w.table, 20), "abcd");
    EXPECT_EQ(FitText("abcdef", w.table, 20), "a...");
    EXPECT_EQ(FitText("abcdef", w.table, 10), "..");
    EXPECT_EQ(FitText("abcdef", w.table, 0), "");
    EXPECT_EQ(TextWidth("a b", w.table), 13);
}

TEST(PartsLabels, ANarrowFieldTakesTwoLines)
{
    const Widths w;
    using Lines = std::vector<std::string>;
    EXPECT_EQ(FieldLines("Ctrl 32", w.table, 40), Lines{"Ctrl 32"});
    EXPECT_EQ(FieldLines("Ctrl 32", w.table, 24), (Lines{"Ctrl", "32"}));
    EXPECT_EQ(FieldLines("Ctrl 0", w.table, 24), (Lines{"Ctrl", "0"}));
    EXPECT_EQ(FieldLines("Normal", w.table, 24), (Lines{"Norm", "al"}));
    EXPECT_EQ(FieldLines("Normal", w.table, 3), Lines{""});
}

} // namespace
