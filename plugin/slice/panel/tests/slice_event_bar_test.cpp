// A slice's event bar in the panel: how it draws notes by velocity, its play
// line, and the mouse: adding, moving, re-velocitying and deleting notes in
// edit mode, nothing outside it but dragging the loop out.
#include "plugin/slice/panel/panel_ids.h"
#include "plugin/slice/panel/tests/panel_fixture.h"
#include "testing/screenshot.h"

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_panel_test;

using Note = std::tuple<int32_t, int, int>; // time, note, velocity

// The kick's row is the top one: its bar at panel (180, 54), 214 by 29; the
// note area 1 pixel in. The kit's kick loop is one measure of 1920 ticks
// with notes 36 at 0 and 960: over the 200 pixels between the margins a
// quarter is 50 pixels.
class SliceEventBarTest : public PanelTest {
protected:
    static constexpr int kBarX = 180;
    static constexpr int kBarY = 54;
    Looper &kick() { return drummer().slice(5); }
    EventBar &bar() { return panel().view(0).eventBar(); }
    std::vector<Note> notes()
    {
        std::vector<Note> out;
        for (const CMidiTrack::Event &e : kick().content()->events())
            out.emplace_back(e.time, e.data1, e.data2);
        return out;
    }
    // The panel's x of a loop time (track ticks).
    static int xOf(int32_t time) { return kBarX + 7 + time * 200 / 1920; }
    void editMode()
    {
        SendMessageA(window(), WM_COMMAND, ID_EDIT, 0);
        gui_test::pump();
        ASSERT_TRUE(bar().isEditMode());
    }
};

TEST_F(SliceEventBarTest, ANotesHeightTellsItsVelocity)
{
    ASSERT_EQ(notes(), (std::vector<Note>{{0, 36, 100}, {960, 36, 90}}));
    ASSERT_EQ(drummer().displayMinVelocity(), 20);
    kick().setNoteVelocity(0, 127);
    kick().setNoteVelocity(1, 20);
    gui_test::pump();
    const testing_support::WindowPicture picture = testing_support::printWindow(window());
    testing_support::writePicture(picture, "slice_event_bar_velocities");
    const COLORREF background = EventBar::kBackgrounds[2]; // playing
    EXPECT_EQ(picture.at(kBarX + 60, kBarY + 5), background);
    // One row: its cell is the whole note area (27 high). The bars are 3
    // wide; their second column is clear of the beat lines.
    const int loud = xOf(0) + 1;
    const int soft = xOf(960) + 1;
    for (int y = kBarY + 1; y <= kBarY + 27; ++y)
        EXPECT_NE(picture.at(loud, y), background) << "127 fills its cell, y " << y;
    EXPECT_EQ(picture.at(loud, kBarY + 28), RGB(255, 255, 255)) << "the frame below";
    EXPECT_NE(picture.at(soft, kBarY + 27), background) << "at the display minimum: one pixel";
    for (int y = kBarY + 1; y <= kBarY + 26; ++y)
        EXPECT_EQ(picture.at(soft, y), background) << y;
}

TEST_F(SliceEventBarTest, ThePlayLineFollowsInSmallStepsAndJumpsBack)
{
    struct Step {
        int64_t position;
        int64_t length;
        int line;
    };
    const Step steps[] = {
        {1920, 1920, 200},                // the end: 6 left of the note area's right end
        {0, 1920, 0},                     // back: a jump
        {29, 1920, 1},                    // the line at 3: one pixel of the 3
        {29, 1920, 2},                    // and again
        {29, 1920, 3},     {29, 1920, 3}, // there: nothing
        {67, 1920, 7},                    // 4 forward: the whole step
        {480, 1920, 50},   {960, 0, 50},  // no length: ignored
        {960, -5, 50},
    };
    for (const Step &step : steps) {
        bar().setPlayPosition(step.position, step.length);
        EXPECT_EQ(bar().playLine(), step.line) << step.position << "/" << step.length;
    }
}

TEST_F(SliceEventBarTest, EditModeAddsMovesReVelocitiesAndDeletesNotes)
{
    editMode();
    // A click on the free second beat adds a kick there, its velocity by
    // the height (row top at 1, 10 down: 127 - 9 * 107 / 26 = 90).
    click(xOf(480), kBarY + 10);
    EXPECT_EQ(notes(), (std::vector<Note>{{0, 36, 100}, {480, 36, 90}, {960, 36, 90}}));
    EXPECT_TRUE(kick().content()->modified);
    // A jitter after a press changes nothing.
    const int x = xOf(480) + 1;
    dragPath({{x, kBarY + 20}, {x + 1, kBarY + 21}, {x, kBarY + 19}});
    EXPECT_EQ(notes()[1], (Note{480, 36, 90}));
    // Up by 20: louder by 20.
    dragPath({{x, kBarY + 20}, {x, kBarY + 15}, {x, kBarY}});
    EXPECT_EQ(notes()[1], (Note{480, 36, 110}));
    // Right: to the time under the mouse, an eighth later.
    dragPath({{x, kBarY + 20}, {x + 8, kBarY + 20}, {xOf(720), kBarY + 21}});
    EXPECT_EQ(notes(), (std::vector<Note>{{0, 36, 100}, {720, 36, 110}, {960, 36, 90}}));
    // Ctrl+click on an empty place does nothing; on the note it deletes.
    {
        gui_test::ControlKeyHeld control;
        click(xOf(1440), kBarY + 10);
        EXPECT_EQ(notes().size(), 3u);
        click(xOf(720) + 1, kBarY + 20);
    }
    EXPECT_EQ(notes(), (std::vector<Note>{{0, 36, 100}, {960, 36, 90}}));
    // A double click deletes too.
    doubleClick(xOf(960) + 1, kBarY + 20);
    EXPECT_EQ(notes(), (std::vector<Note>{{0, 36, 100}}));

    // What the bar shows is what plays.
    click(xOf(1440), kBarY + 2);
    const auto played = slice_plugin_test::playWindows(drummer(), 0, 1919, 480);
    std::vector<int32_t> kicks;
    for (const MfxEvent &e : played)
        if (e.kind == MfxNote && e.note == 36)
            kicks.push_back(e.time);
    EXPECT_EQ(kicks, (std::vector<int32_t>{0, 1440}));
}

TEST_F(SliceEventBarTest, OutsideEditModeTheMouseOnlyDragsTheLoopOut)
{
    const auto before = notes();
    click(xOf(480), kBarY + 10);
    doubleClick(xOf(960) + 1, kBarY + 20);
    {
        gui_test::ControlKeyHeld control;
        click(xOf(0) + 1, kBarY + 20);
    }
    EXPECT_EQ(notes(), before);
    EXPECT_TRUE(dragged.empty());
    dragPath({{xOf(480), kBarY + 10}, {xOf(480) + 20, kBarY + 12}});
    EXPECT_EQ(notes(), before);
    ASSERT_EQ(dragged.size(), 1u);
    ASSERT_EQ(dragged[0].size(), 1u);
    EXPECT_EQ(dragged[0][0].substr(dragged[0][0].find_last_of('\\') + 1), "Vostrapellin.mid");
}

} // namespace
