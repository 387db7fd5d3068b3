// The pattern table and the pattern track windows in the tests' host.
#include "gui/windows/tests/editor_host.h"

#include "data/pattern.h"
#include "data/track.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/pattern_windows.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

long mid(long row)
{
    return 22 + 26 * row + 13;
}

// Two patterns in the pool. Columns: N 0..39, then T, Name, Sign., Meas.,
// Content and Used up to 572.
struct PattChnTest : ::testing::Test {
    Host host;
    Editor *editor = nullptr;
    CPattChnWindow *window = nullptr;

    void SetUp() override
    {
        host.song.patterns.InsertAfter(new CPattern(1, 0, 0), nullptr);
        host.song.patterns.InsertAfter(new CPattern(2, 0, 0), nullptr);
        editor = &host.open<CPattChnWindow>(32766, 0, 400, 200);
        window = editor->as<CPattChnWindow>();
        editor->paintAll();
    }
};

} // namespace

TEST_F(PattChnTest, ListsThePoolAsNumberedRows)
{
    EXPECT_EQ(window->numPatterns, 2);
    EXPECT_EQ(window->scrollMaxX, 572 - 39 - (400 - 39));
    EXPECT_EQ(window->scrollMaxY, 0);
    EXPECT_EQ(window->leftBand, 0);
    EXPECT_EQ(editor->pixel(200, 21), RGB(0, 0, 0)) << "the line under the header";
    EXPECT_GT(editor->count(QUAD(20, mid(1) - 6, 36, mid(1) + 6), RGB(0, 0, 0)), 5) << "row number 2";
    EXPECT_EQ(editor->pixel(38, mid(0)), colourOf(colDkGray)) << "column 0 closed";
    EXPECT_EQ(editor->pixel(200, mid(3)), colourOf(colBkgndPattern)) << "no third row";
    EXPECT_NE(editor->pixel(200, mid(1) - 13), colourOf(colBkgndPattern)) << "the row's lit edge";
    EXPECT_EQ(editor->pixel(200, mid(3) - 13), colourOf(colBkgndPattern));
    EXPECT_EQ(editor->pixel(64, mid(1)), colourOf(colDkGray)) << "the border after T";
    editor->screenshot("pannikel_pattern_table_window");
}

TEST_F(PattChnTest, OnlyAddingIsOffered)
{
    EXPECT_EQ(window->CanAddItem(), 1);
    EXPECT_EQ(window->CanDelItem() + window->CanEditItem() + window->CanPropItem(), 0);
    EXPECT_EQ(window->OnDelItem() + window->OnEditItem() + window->OnPropItem(), 0);
    editor->answer = [](const Request &) -> LONG_PTR { return 0; };
    EXPECT_EQ(window->OnAddItem(), 1) << "no pattern from the host is no failure";
    EXPECT_EQ(host.song.patterns.GetNumb(), 2);
    EXPECT_EQ(editor->modifiedCalls, 0);
    editor->answer = [](const Request &r) -> LONG_PTR {
        return r.code == PCREQ_NEW_PATTERN ? reinterpret_cast<LONG_PTR>(new CPattern(3, 0, 0)) : 0;
    };
    EXPECT_EQ(window->OnAddItem(), 1);
    EXPECT_EQ(host.song.patterns.GetNumb(), 3);
    EXPECT_TRUE(editor->lockHeldAtModified);
    // the added pattern gets its row at once
    EXPECT_EQ(window->numPatterns, 3);
    editor->paint();
    EXPECT_NE(editor->pixel(200, mid(2) - 13), colourOf(colBkgndPattern));
}

TEST_F(PattChnTest, AShownPatternLeavesOnlyTheHeader)
{
    CPattern *pattern = static_cast<CPattern *>(host.song.patterns.first);
    window->SetShowType(pattern);
    EXPECT_EQ(window->GetShowType(), pattern);
    EXPECT_EQ(window->leftBand, 52);
    editor->paint();
    EXPECT_EQ(editor->pixel(200, 21), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(200, mid(0)), colourOf(colBkgndPattern));
    window->SetShowType(nullptr);
    EXPECT_EQ(window->leftBand, 0);
}

TEST(PatternTrackWindows, TakeThePatternColourAndWholeBars)
{
    Host host;
    CTrack *drums = host.addTrack(TRACK_PATTDRUMS);
    const long id = static_cast<long>(drums->GetID());
    Editor &a = host.open<CPattDrumsWindow>(id, 0, 200, 100);
    Editor &b = host.open<CPattMIDIWindow>(id, 1, 200, 100);
    Editor &c = host.open<CPattSRWindow>(id, 2, 200, 100);
    for (Editor *e : {&a, &b, &c}) {
        e->paintAll();
        EXPECT_EQ(e->pixel(100, 50), colourOf(colBkgndPattern));
        EXPECT_EQ(e->get()->grid, 0);
    }
    a.screenshot("pannikel_pattern_drums_window");
}
