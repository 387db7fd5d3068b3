// The song information window in the tests' host: the two-column table,
// its column resize and the in-place edit of a text.
#include "gui/windows/tests/editor_host.h"

#include "gui/draw/shared_objects.h"
#include "gui/windows/song_info_window.h"
#include "gui/windows/window_globals.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Quorvane;
using namespace windows_test;

namespace {

long mid(long row)
{
    return 22 + 26 * row + 13;
}

// Columns: Item 0..104, Content 104..364.
struct SongInfoTest : ::testing::Test {
    Host host;
    Editor *editor = nullptr;
    CSongInfoWindow *window = nullptr;
    long saved[2];

    void SetUp() override
    {
        std::memcpy(saved, tabSInfoClmn, sizeof saved);
        host.song.songInfo.SetItemText(0, "Night Drive");
        editor = &host.open<CSongInfoWindow>(32766, 0, 500, 300);
        window = editor->as<CSongInfoWindow>();
        editor->paintAll();
    }
    void TearDown() override { std::memcpy(tabSInfoClmn, saved, sizeof saved); }
};

} // namespace

TEST_F(SongInfoTest, ATextIsEditedInPlace)
{
    QUAD cell;
    editor->answer = [&](const Request &r) -> LONG_PTR {
        cell = *reinterpret_cast<const QUAD *>(r.b);
        return 0;
    };
    editor->doubleClick(200, mid(2));
    ASSERT_EQ(editor->requests.size(), 1u);
    EXPECT_EQ(editor->requests[0].code, SIREQ_EDIT_TEXT);
    EXPECT_EQ(editor->requests[0].a, 2);
    EXPECT_EQ(cell.left, 107);
    EXPECT_EQ(cell.right, 361);
    EXPECT_EQ(cell.top, 22 + 52);
    EXPECT_EQ(window->editItem, 2);
    EXPECT_EQ(editor->status[0], "Edit Author");
    EXPECT_EQ(window->OnItemChanged(2, "M. Quill"), 1);
    EXPECT_STREQ(host.song.songInfo.GetItemText(2), "M. Quill");
    EXPECT_EQ(editor->modifiedCalls, 1);
    EXPECT_EQ(host.song.IsModified(), 1);
    EXPECT_TRUE(host.song.steps.empty()) << "no undo step";
    window->OnCancelEditItem(2);
    EXPECT_EQ(window->editItem, kNoInfoItem);
    EXPECT_EQ(editor->status[0], "");
    EXPECT_EQ(window->OnItemChanged(7, "x"), 0) << "no such item";
}

// A text that cannot be stored (memory runs out) answers 0: the old text
// stays and the song is not marked modified.
TEST_F(SongInfoTest, ATextThatCannotBeStoredAnswersZero)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    int answer = -1;
    long allocations = 0;
    {
        testing_support::RealTimeCounter counter;
        counter.failNextAllocations(1);
        answer = window->OnItemChanged(0, "Day Drive");
        allocations = counter.allocations();
    }
    EXPECT_EQ(answer, 0);
    EXPECT_GT(allocations, 0) << "the copy of the text was asked for";
    EXPECT_STREQ(host.song.songInfo.GetItemText(0), "Night Drive");
    EXPECT_EQ(editor->modifiedCalls, 0);
    EXPECT_EQ(host.song.IsModified(), 0);

    EXPECT_EQ(window->OnItemChanged(0, "Day Drive"), 1) << "with memory again it is stored";
    EXPECT_STREQ(host.song.songInfo.GetItemText(0), "Day Drive");
}

// Entering the same text again does not mark the song modified.
TEST_F(SongInfoTest, TheSameTextChangesNothing)
{
    EXPECT_EQ(window->OnItemChanged(0, "Night Drive"), 1);
    EXPECT_EQ(editor->modifiedCalls, 0);
    EXPECT_EQ(host.song.IsModified(), 0);
}

// A double click on the Item column or below the fifth row does nothing.
TEST_F(SongInfoTest, OnlyAContentCellOpensTheEditor)
{
    editor->doubleClick(50, mid(1));
    editor->doubleClick(200, mid(5) + 5);
    editor->doubleClick(200, 10);
    EXPECT_TRUE(editor->requests.empty());
    EXPECT_EQ(window->editItem, kNoInfoItem);
    EXPECT_EQ(window->GetRow(mid(5)), -2);
    EXPECT_EQ(window->GetRow(10), -1);
}

// A column cannot be made narrower than 3 pixels.
TEST_F(SongInfoTest, ColumnsResizeDownToThreePixels)
{
    editor->move(104, 10);
    EXPECT_EQ(editor->status[0], "Resize column");
    editor->press(104, 10);
    EXPECT_EQ(editor->status[0], "Resize 'Item'");
    EXPECT_TRUE(editor->captured);
    editor->move(150, 10);
    EXPECT_EQ(window->columnWidths[0], 150);
    EXPECT_EQ(tabSInfoClmn[0], 150);
    editor->move(-50, 10);
    editor->release(-50, 10);
    EXPECT_EQ(window->columnWidths[0], 3);
    EXPECT_FALSE(editor->captured);
    // hovering the content names the item and the gesture
    editor->move(200, mid(4));
    EXPECT_EQ(editor->status[1], "Comments");
    EXPECT_EQ(editor->status[0], "Double Click to edit Comments");
}

TEST_F(SongInfoTest, PaintsTheTable)
{
    host.song.songInfo.SetItemText(3, "(c) 2026");
    window->SetEditItem(3);
    editor->paintAll();
    EXPECT_EQ(editor->pixel(300, 21), RGB(0, 0, 0)) << "the line under the header";
    EXPECT_GT(editor->count(QUAD(108, mid(0) - 6, 200, mid(0) + 6), RGB(0, 0, 0)), 20) << "the title";
    EXPECT_GT(editor->count(QUAD(4, mid(4) - 6, 80, mid(4) + 6), RGB(0, 0, 0)), 20) << "an item name";
    EXPECT_EQ(editor->pixel(103, mid(1)), colourOf(colDkGray)) << "the border";
    EXPECT_EQ(editor->pixel(104, mid(1)), RGB(255, 255, 255));
    EXPECT_NE(editor->pixel(340, mid(3)), editor->pixel(340, mid(2))) << "the edited cell's shade";
    EXPECT_EQ(editor->pixel(300, 250), colourOf(colBkgndMelText));
    editor->screenshot("pannikel_song_info_window");
    // the table scrolls sideways wholly: no column stays
    editor->size(200, 300);
    window->ScrollToPosition(60, 0);
    editor->paintAll();
    EXPECT_EQ(editor->pixel(103 - 60, mid(1)), colourOf(colDkGray));
}
