// The parts list's regions at their edges, their tooltips, and the level
// display's texts.
#include "app/parts_layout.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;

struct HitCase {
    int x, y;
    PartsRegion region;
    int index;
    int tooltip;
};

class PartsHitTest : public ::testing::TestWithParam<HitCase> {};

// With the default name column, W = 156.
TEST_P(PartsHitTest, FindsTheRegionUnderThePoint)
{
    const HitCase &c = GetParam();
    const PartsHit hit = HitTestParts(c.x, c.y, 156);
    EXPECT_EQ(hit.region, c.region) << c.x << "," << c.y;
    EXPECT_EQ(hit.index, c.index) << c.x << "," << c.y;
    EXPECT_EQ(hit.tooltip, c.tooltip) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Points, PartsHitTest,
    ::testing::Values(
        HitCase{6, 28, PartsRegion::PartGrid, 0, 22}, HitCase{83, 28, PartsRegion::PartGrid, 2, 22},
        HitCase{32, 54, PartsRegion::PartGrid, 4, 22}, HitCase{83, 131, PartsRegion::PartGrid, 11, 22},
        HitCase{84, 60, PartsRegion::None, 0, 0}, HitCase{10, 10, PartsRegion::None, 0, 0},
        HitCase{244, 10, PartsRegion::ResizeGrip, 0, 1}, HitCase{247, 27, PartsRegion::ResizeGrip, 0, 1},
        HitCase{324, 6, PartsRegion::MeasureRuler, 0, 6}, HitCase{531, 20, PartsRegion::MeasureRuler, 7, 6},
        HitCase{90, 28, PartsRegion::DrummerRow, 0, 0}, HitCase{245, 105, PartsRegion::DrummerRow, 2, 0},
        HitCase{246, 60, PartsRegion::PresetColumn, 1, 3}, HitCase{272, 30, PartsRegion::DockColumn, 0, 4},
        HitCase{298, 80, PartsRegion::MuteColumn, 2, 5}, HitCase{330, 40, PartsRegion::None, 0, 0},
        HitCase{330, 60, PartsRegion::MeasureCell, 0, 7}, HitCase{531, 100, PartsRegion::MeasureCell, 7, 8},
        HitCase{538, 40, PartsRegion::LevelDrag, 0, 9}, HitCase{667, 60, PartsRegion::LevelDrag, 1, 10},
        HitCase{668, 90, PartsRegion::LevelDefault, 2, 12}, HitCase{600, 90, PartsRegion::LevelDrag, 2, 11},
        HitCase{100, 110, PartsRegion::OutputName, 0, 0}, HitCase{238, 110, PartsRegion::OutputChooser, 0, 2},
        HitCase{246, 110, PartsRegion::OutputPreset, 0, 3}, HitCase{272, 110, PartsRegion::OutputDock, 0, 4},
        HitCase{298, 110, PartsRegion::Channel, 0, 18}, HitCase{350, 110, PartsRegion::BankMethod, 0, 19},
        HitCase{376, 110, PartsRegion::Bank, 0, 20}, HitCase{446, 110, PartsRegion::BankList, 0, 20},
        HitCase{454, 110, PartsRegion::Program, 0, 21}, HitCase{538, 132, PartsRegion::CopyResult, 0, 13},
        HitCase{564, 110, PartsRegion::DragResult, 0, 14}, HitCase{590, 110, PartsRegion::Metronome, 0, 15},
        HitCase{667, 110, PartsRegion::PlayStop, 0, 16}, HitCase{693, 110, PartsRegion::Loop, 0, 17},
        HitCase{694, 110, PartsRegion::None, 0, 0}, HitCase{100, 132, PartsRegion::None, 0, 0}));

TEST(PartsLayout, TheColumnsMoveWithTheNameWidth)
{
    EXPECT_EQ(HitTestParts(26 + 88, 10, 26).region, PartsRegion::ResizeGrip);
    EXPECT_EQ(HitTestParts(600 + 168, 10, 600).region, PartsRegion::MeasureRuler);
    EXPECT_EQ(HitTestParts(600 + 89, 40, 600).region, PartsRegion::DrummerRow);
}

TEST(PartsLayout, TooltipTexts)
{
    EXPECT_STREQ(PartsTooltipText(0), "");
    EXPECT_STREQ(PartsTooltipText(1), "Resize column");
    EXPECT_STREQ(PartsTooltipText(8), "Set GV2 measure");
    EXPECT_STREQ(PartsTooltipText(22), "Select Part");
    EXPECT_STREQ(PartsTooltipText(23), "");
}

TEST(PartsLayout, ATooltipShowsByTheCursorAndInsideTheArea)
{
    const RECT area{0, 0, 1280, 1000};
    const struct {
        POINT cursor;
        RECT expected;
    } cases[] = {
        {{300, 100}, {300, 120, 380, 140}},    // below the cursor
        {{300, 970}, {300, 948, 380, 968}},    // above it at the bottom
        {{1250, 100}, {1200, 120, 1280, 140}}, // moved in at the right
        {{-5, 5}, {0, 25, 80, 45}},
    };
    for (const auto &c : cases) {
        const RECT at = PlaceTooltip(c.cursor, {80, 20}, area);
        EXPECT_EQ(at.left, c.expected.left) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(at.top, c.expected.top) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(at.right, c.expected.right) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(at.bottom, c.expected.bottom) << c.cursor.x << "," << c.cursor.y;
    }
}

TEST(PartsLayout, RedrawAreas)
{
    const RECT client{0, 0, 700, 140};
    const RECT level = PartsRedrawArea(1, 156, client);
    EXPECT_EQ(level.left, 539);
    EXPECT_EQ(level.right, 692);
    EXPECT_EQ(level.bottom, 28);
    const RECT measures = PartsRedrawArea(3, 156, client);
    EXPECT_EQ(measures.left, 324);
    EXPECT_EQ(measures.right, 532);
    EXPECT_EQ(measures.bottom, 140);
}

// The controls the painter highlights while a mouse mode works them: each
// lies where the clicks that start the mode land (W = 156).
TEST(PartsLayout, ControlAreasOfTheMouseModes)
{
    struct Case {
        PartsRegion region;
        int index;
        RECT area;
    };
    for (const Case &c : {Case{PartsRegion::OutputChooser, 0, {238, 106, 246, 132}},
                          Case{PartsRegion::PresetColumn, 2, {246, 80, 272, 106}},
                          Case{PartsRegion::OutputPreset, 0, {246, 106, 272, 132}},
                          Case{PartsRegion::Channel, 0, {298, 106, 350, 132}},
                          Case{PartsRegion::BankMethod, 0, {350, 106, 376, 132}},
                          Case{PartsRegion::Bank, 0, {376, 106, 454, 132}},
                          Case{PartsRegion::BankList, 0, {376, 106, 454, 132}},
                          Case{PartsRegion::Program, 0, {454, 106, 532, 132}},
                          Case{PartsRegion::LevelDrag, 1, {538, 54, 668, 80}},
                          Case{PartsRegion::LevelDefault, 2, {668, 80, 694, 106}},
                          Case{PartsRegion::ResizeGrip, 0, {244, 6, 248, 28}},
                          Case{PartsRegion::CopyResult, 0, {538, 106, 564, 133}},
                          Case{PartsRegion::DragResult, 0, {564, 106, 590, 133}}}) {
        const RECT a = PartsControlArea(c.region, c.index, 156);
        EXPECT_EQ(a.left, c.area.left) << static_cast<int>(c.region);
        EXPECT_EQ(a.top, c.area.top) << static_cast<int>(c.region);
        EXPECT_EQ(a.right, c.area.right) << static_cast<int>(c.region);
        EXPECT_EQ(a.bottom, c.area.bottom) << static_cast<int>(c.region);
        // Both corners lie in the control (the bank's list arrow is part
        // of the bank field).
        for (const POINT corner : {POINT{a.left, a.top}, POINT{a.right - 1, a.bottom - 1}}) {
            const PartsHit hit = HitTestParts(corner.x, corner.y, 156);
            const bool bank = c.region == PartsRegion::Bank || c.region == PartsRegion::BankList;
            EXPECT_TRUE(hit.region == c.region ||
                        (bank && (hit.region == PartsRegion::Bank || hit.region == PartsRegion::BankList)))
                << static_cast<int>(c.region) << " at " << corner.x << "," << corner.y;
            EXPECT_EQ(hit.index, c.index) << static_cast<int>(c.region);
        }
    }
    const RECT none = PartsControlArea(PartsRegion::PartGrid, 3, 156);
    EXPECT_TRUE(IsRectEmpty(&none));
}

TEST(LevelDisplay, VolumeAndPanningTexts)
{
    EXPECT_EQ(VolumeText(0.001f), "-inf");
    EXPECT_EQ(VolumeText(1.0f), "0.0 db");
    EXPECT_EQ(VolumeText(0.5f), "-6.0 db");
    EXPECT_EQ(PanningText(1.0f), "C");
    EXPECT_EQ(PanningText(1.5f), "50% R");
    EXPECT_EQ(PanningText(0.25f), "75% L");
    EXPECT_EQ(PanningText(1.004f), "C") << "rounds to no percent";
    EXPECT_EQ(PanningText(0.996f), "C");
    EXPECT_EQ(PanningText(0.994f), "1% L");
}

} // namespace

// A fill's region at 26 pixels a measure of 1920 ticks, the measure area
// starting at W + 168 = 324 for W = 156.
TEST(PartsLayout, AFillRegionIsPlacedFromItsTimes)
{
    struct Case {
        const char *what;
        FillTimes times;
        int length;
        long left, right;
    } cases[] = {
        {"whole second measure", {1, 1920, 3839, 1920, 3839}, 4, 350, 376},
        {"second half of it", {1, 1920, 3839, 2880, 3839}, 4, 363, 376},
        {"a quarter from its start", {1, 1920, 3839, 1920, 2399}, 4, 350, 356},
        {"two measures long, cut at the part's end", {3, 5760, 7679, 5760, 9599}, 4, 402, 428},
        {"beyond the part", {5, 9600, 11519, 9600, 11519}, 4, 0, 0},
        {"first tick after the last", {1, 1920, 3839, 2000, 1999}, 4, 0, 0},
        {"a measure of no length", {1, 1920, 1919, 1920, 3839}, 4, 0, 0},
    };
    for (const Case &c : cases) {
        const PixelSpan span = FillRegionSpan(c.times, c.length, 156);
        EXPECT_EQ(span.left, c.left) << c.what;
        EXPECT_EQ(span.right, c.right) << c.what;
    }
}
