// The time ruler: conversions, grid, texts, the ruler and the beat grid.
#include "gui/windows/tests/editor_host.h"
#include "gui/windows/tests/test_window.h"

#include "data/track_master.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/time_line.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

// A window with the ruler at the top and the grid below it: 20 ticks a
// pixel, so a 4/4 bar (3840 ticks) is 192 pixels and a beat 48.
class RulerWindow : public TestWindow {
public:
    RulerWindow()
    {
        topBand = 22;
        leftBand = 30;
        rightMargin = 0;
        bottomMargin = 0;
        zoom = 20;
    }
    int InitLocal() override { return ruler.Init(song, this); }
    void Render(CGUIContext *ctx) override
    {
        TestWindow::Render(ctx);
        ruler.Draw(ctx);
        ruler.DrawGrid(ctx);
    }
    CTimeLine ruler;
};

struct TimeLineTest : ::testing::Test {
    Host host;
    CTrackMaster *master = host.song.GetTrackMaster();

    void SetUp() override { host.song.playStartTick = 10000000; } // no song pointer in view

    void addMeter(long time, long numerator, long power)
    {
        EVENT e;
        e.setTSign(numerator, power);
        e.time = time;
        master->AddToTail(&e, 1);
        master->Sort();
        master->UpdateParams(0);
    }
    // Whether the columns hold text in the ruler's number rows: pixels
    // that differ from the same row of an empty column.
    static bool inkIn(Editor &editor, long from, long to, long emptyX = 150)
    {
        for (long x = from; x < to; ++x)
            for (long y = 2; y < 17; ++y)
                if (editor.pixel(x, y) != editor.pixel(emptyX, y))
                    return true;
        return false;
    }
};

} // namespace

TEST_F(TimeLineTest, SnapsAndFormatsThroughTheMasterTrack)
{
    Editor &editor = host.open<RulerWindow>(100, 0);
    auto &window = *editor.as<RulerWindow>();
    CTimeLine &ruler = window.ruler;
    window.grid = 0;
    EXPECT_EQ(ruler.GridTime(1900), 0);
    EXPECT_EQ(ruler.GridTime(1921), 3840);
    EXPECT_EQ(ruler.GridTime(1920), 0) << "a tie goes to the earlier bar";
    window.snap = 0;
    EXPECT_EQ(ruler.GridTime(1921), 1921);
    window.snap = 1;
    window.grid = 8;
    EXPECT_EQ(ruler.GridTime(1000), master->GridTime(1000, 1, 8));
    EXPECT_EQ(ruler.GridDur(700, 0), master->GridDur(700, 1, 8, 0));
    char text[64];
    EXPECT_STREQ(ruler.StringTimeT(3840 + 960 + 5, text), "2:02:005");
    EXPECT_STREQ(ruler.StringTime(30 + 240, text), "2:02:000");
    EXPECT_STREQ(ruler.StringMeter(40, text), "4/4");
    long bar, beat, tick;
    ruler.GetMBTFromTime(3840 * 2 + 100, bar, beat, tick);
    EXPECT_EQ(bar, 2);
    EXPECT_EQ(tick, 100);
    EXPECT_EQ(ruler.GetTimeFromMBT(2, 1, 0), 8640);
    long next = 0;
    EXPECT_EQ(ruler.GetKSign(0, next), 15);
    EXPECT_EQ(next, kTimeMax);
}

TEST_F(TimeLineTest, NumbersEveryBarOrEveryFourthBar)
{
    Editor &every = host.open<RulerWindow>(100, 0, 1000, 120);
    auto *fourth = new RulerWindow;
    fourth->ruler.mode = TIMELINE_EVERY_FOURTH_BAR;
    Editor &fourthEditor = host.openWindow(fourth, 101, 0, 1000, 120, false);
    // Bar 2 starts at x 30 + 192: its number right of the tick line.
    EXPECT_TRUE(inkIn(every, 224, 240));
    EXPECT_FALSE(inkIn(fourthEditor, 224, 240));
    EXPECT_TRUE(inkIn(fourthEditor, 32, 48)) << "bar 1";
    EXPECT_TRUE(inkIn(fourthEditor, 30 + 4 * 192 + 2, 30 + 4 * 192 + 18)) << "bar 5";
    every.screenshot("pannikel_time_ruler");
}

TEST_F(TimeLineTest, ASelectionOutsideTheViewLeavesTheRulerUnselected)
{
    Editor &editor = host.open<RulerWindow>(100, 0, 600, 120);
    const COLORREF plain = editor.pixel(400, 10);
    host.song.SetTimeSelection(3840, 7680); // x 222..414
    editor.paintAll();
    const COLORREF selected = editor.pixel(300, 10);
    EXPECT_NE(selected, plain);
    EXPECT_EQ(editor.pixel(500, 10), plain);
    EXPECT_EQ(editor.pixel(100, 10), plain);
    // Scrolled right so the selection lies wholly left of the view.
    auto &window = *editor.as<RulerWindow>();
    window.contentWidth = 100000;
    window.OnSize(kTimeMax, kTimeMax);
    editor.scroll(0, 1000);
    editor.paintAll();
    for (long x : {40L, 300L, 590L})
        EXPECT_EQ(editor.pixel(x, 10), plain) << x;
}

TEST_F(TimeLineTest, TheGridFollowsAMeterChangeExactly)
{
    addMeter(7680, 3, 2); // 3/4 from bar 3
    Editor &editor = host.open<RulerWindow>(100, 0, 1000, 120);
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF grey = RGB(colDkGray.R, colDkGray.G, colDkGray.B);
    auto column = [&](long time) { return editor.pixel(30 + time / 20, 80); };
    EXPECT_EQ(column(0), black);
    EXPECT_EQ(column(960), grey);
    EXPECT_EQ(column(3840), black);
    EXPECT_EQ(column(7680), black);
    EXPECT_EQ(column(7680 + 2880), black) << "a 3/4 bar later";
    EXPECT_EQ(column(7680 + 1920), grey);
    EXPECT_EQ(column(11520), grey) << "no longer a bar line";
    EXPECT_EQ(editor.pixel(30 + 7680 / 20 + 5, 80), RGB(255, 255, 255));
    editor.screenshot("pannikel_time_grid_meter_change");
}
