// The controller drawing tool: the lane curve and the strokes.
#include "gui/windows/tests/editor_host.h"
#include "gui/windows/tests/test_window.h"

#include "data/track.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/first_visible.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// Values are y pixels: the lane's zero at y 200, value v at y 200 - v.
class LaneWindow : public TestWindow {
public:
    LaneWindow()
    {
        leftBand = 40;
        topBand = 20;
        rightMargin = 0;
        bottomMargin = 0;
    }
    long GetValFromY(long y) override { return 200 - y; }
    long GetYFromVal(long v) override { return 200 - v; }
    void Render(CGUIContext *ctx) override
    {
        TestWindow::Render(ctx);
        if (!track)
            return;
        cache.Init(track);
        const long from = GetTimeFromX(leftBand), to = GetTimeFromX(width);
        const long first = cache.GetFirstVisible(from, from, 7);
        tool.Init(this, &cache, 7);
        tool.DrawCtrl(ctx, from, to, 200, 1, first);
    }
    CTrack *track = nullptr;
    FIRSTVISIBLE cache;
    DRAWCTRL tool;
};

struct DrawCtrlTest : ::testing::Test {
    Host host;
    Editor &editor = host.open<LaneWindow>(100, 0, 400, 300);
    LaneWindow &window = *editor.as<LaneWindow>();
    DRAWCTRL pen;

    void SetUp() override
    {
        host.song.playStartTick = 10000000; // no song pointer in view
        editor.paintAll();
        pen.Init(&window, nullptr, 7);
    }
    long white() { return editor.count(QUAD(40, 20, 400, 300), kWhite); }
    void addCtrl(CTrack *track, long time, long value, bool selected = false)
    {
        EVENT e;
        e.setCtrl(0, 7, value);
        e.time = time;
        e.SetSlct(selected);
        track->AddToTail(&e, 1);
        track->Sort();
        track->UpdateEdition();
    }
};

} // namespace

TEST_F(DrawCtrlTest, ALineIsSettledFromLeftToRight)
{
    const long all = white();
    ASSERT_EQ(pen.DrawToolStart(STROKE_LINE, 100, 50), 1);
    pen.DrawToolMove(40, 10);
    EXPECT_LT(white(), all) << "the stroke shows";
    long from = 0, to = 0;
    pen.DrawToolRange(from, to);
    EXPECT_EQ(pen.startX, 0);
    EXPECT_EQ(pen.lastToolX, 60);
    EXPECT_EQ(pen.startY, 10);
    EXPECT_EQ(pen.lastToolY, 50);
    EXPECT_EQ(from, window.GetTimeFromX(40));
    EXPECT_EQ(to, window.GetTimeFromX(101));
    EXPECT_EQ(pen.columns[0], 10);
    EXPECT_EQ(pen.columns[30], 30);
    EXPECT_EQ(pen.columns[60], 50);
    EXPECT_EQ(white(), all) << "settling takes the stroke away";
    long value = 0;
    EXPECT_EQ(pen.DrawToolGetAt(window.GetTimeFromX(70), value), 1);
    EXPECT_EQ(value, 200 - 30);
    EXPECT_EQ(pen.DrawToolGetAt(window.GetTimeFromX(120), value), 0);
    pen.DrawToolStop();
    EXPECT_EQ(white(), all);
    EXPECT_EQ(editor.contextsOut, 0);
}

TEST_F(DrawCtrlTest, NextColumnsComeByTolerance)
{
    ASSERT_EQ(pen.DrawToolStart(STROKE_FREEHAND, 40, 200 - 10), 1);
    const long values[] = {11, 12, 12, 15};
    for (long i = 0; i < 4; ++i)
        pen.DrawToolMove(41 + i, 200 - values[i]);
    long from, to;
    pen.DrawToolRange(from, to);
    long value = 10, time = 0;
    long column = pen.DrawToolGetNext(-1, value, 2, time);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(time, window.GetTimeFromX(42));
    column = pen.DrawToolGetNext(column + 1, value, 2, time);
    EXPECT_EQ(column, 4);
    EXPECT_EQ(value, 15);
    EXPECT_EQ(pen.DrawToolGetNext(column + 1, value, 2, time), -1);
    // A first column that differs is handed out at once.
    value = 3;
    EXPECT_EQ(pen.DrawToolGetNext(-1, value, 2, time), 0);
    EXPECT_EQ(value, 10);
    // The last column is handed out when it differs at all.
    value = 14;
    EXPECT_EQ(pen.DrawToolGetNext(4, value, 2, time), 4);
    EXPECT_EQ(value, 15);
}

TEST_F(DrawCtrlTest, MovingAFreehandStrokeBackReplacesTheColumnsPassed)
{
    const long all = white();
    ASSERT_EQ(pen.DrawToolStart(STROKE_FREEHAND, 50, 100), 1);
    for (long x = 51; x <= 70; ++x)
        pen.DrawToolMove(x, 100);
    pen.DrawToolMove(60, 150);
    // x 60..69 passed on the way back; 59 anchors the new point, 70 stays.
    EXPECT_EQ(pen.columns[19], 100);
    EXPECT_EQ(pen.columns[20], 150);
    for (long c = 21; c < 30; ++c)
        EXPECT_EQ(pen.columns[c], -1) << c;
    EXPECT_EQ(pen.columns[30], 100);
    // Whatever was drawn and taken back, the window ends as it began.
    pen.DrawToolMove(45, 120);
    pen.DrawToolMove(75, 80);
    pen.DrawToolMove(75, 90);
    pen.DrawToolMove(500, 90); // beyond the data area: the last column
    long from, to;
    pen.DrawToolRange(from, to);
    EXPECT_EQ(white(), all);
    EXPECT_EQ(pen.lastToolX, 400 - 40);
    pen.DrawToolStop();
    EXPECT_EQ(white(), all);
}

TEST_F(DrawCtrlTest, CurvesBendByTheirModeAndDirection)
{
    ASSERT_EQ(pen.DrawToolStart(STROKE_CURVE_UP, 40, 100), 1);
    pen.DrawToolMove(60, 180);
    long from, to;
    pen.DrawToolRange(from, to);
    // up with exponent 4: y = 100 + 80 * (c / 20)^4
    EXPECT_EQ(pen.columns[10], 100 + 5);
    EXPECT_EQ(pen.columns[20], 180);
    pen.DrawToolStop();
    ASSERT_EQ(pen.DrawToolStart(STROKE_CURVE_UP, 40, 180), 1);
    pen.DrawToolMove(60, 100);
    pen.DrawToolRange(from, to);
    // down in mode 3: exponent 0.5
    EXPECT_EQ(pen.columns[5], 180 - 40);
    pen.DrawToolStop();
    ASSERT_EQ(pen.DrawToolStart(STROKE_CURVE_DOWN, 40, 180), 1);
    pen.DrawToolMove(60, 100);
    pen.DrawToolRange(from, to);
    EXPECT_EQ(pen.columns[10], 180 - 5);
    pen.DrawToolStop();
    // A curve without width is a line, not a division by zero.
    const long all = white();
    ASSERT_EQ(pen.DrawToolStart(STROKE_CURVE_UP, 80, 100), 1);
    pen.DrawToolMove(80, 150);
    pen.DrawToolRange(from, to);
    EXPECT_EQ(pen.columns[40], 100);
    pen.DrawToolStop();
    EXPECT_EQ(white(), all);
}

TEST_F(DrawCtrlTest, AStrokeModeTheHostNeverChoseDrawsFreehand)
{
    ASSERT_EQ(pen.DrawToolStart(0, 100, 50), 1);
    EXPECT_EQ(pen.toolMode, STROKE_FREEHAND);
    pen.DrawToolMove(110, 60);
    pen.DrawToolMove(120, 40);
    long from, to;
    pen.DrawToolRange(from, to);
    EXPECT_EQ(pen.columns[70], 60);
    pen.DrawToolStop();
}

TEST_F(DrawCtrlTest, WithoutAContextNoStrokeStarts)
{
    editor.refuseContexts = true;
    EXPECT_EQ(pen.DrawToolStart(STROKE_LINE, 100, 50), 0);
    pen.DrawToolMove(120, 60);
    long from = 5, to = 5;
    pen.DrawToolRange(from, to);
    EXPECT_EQ(from, 0);
    pen.DrawToolStop();
}

TEST_F(DrawCtrlTest, TheLaneIsAStepCurveWithStemsFromItsZero)
{
    CTrack *track = host.addTrack(TRACK_MIDI);
    track->Clear();
    window.track = track;
    // Without events and without a value in force: nothing at all.
    editor.paintAll();
    EXPECT_EQ(editor.countNot(QUAD(40, 20, 400, 300), kWhite), 0);
    addCtrl(track, 1000, 50);       // x 140, y 150
    addCtrl(track, 2000, 20, true); // x 240, y 180
    addCtrl(track, 3000, 80);       // x 340, y 120
    editor.paintAll();
    const COLORREF normal = colourOf(colDrawCtrl), selected = colourOf(colDrawCtrlSel);
    // the first stem from the zero line up to 50
    EXPECT_EQ(editor.pixel(140, 170), normal);
    EXPECT_EQ(editor.pixel(190, 150), normal) << "the level runs on";
    // down to 20: the level line stops, the stem drops to the zero line
    // in the selected event's colour
    EXPECT_EQ(editor.pixel(240, 160), selected);
    EXPECT_EQ(editor.pixel(290, 180), selected);
    EXPECT_EQ(editor.pixel(340, 140), normal);
    EXPECT_EQ(editor.pixel(380, 120), normal) << "on to the end";
    EXPECT_EQ(editor.pixel(100, 200), kWhite) << "nothing before the first event";
    editor.screenshot("pannikel_controller_lane");
}

TEST_F(DrawCtrlTest, AValueInForceStartsTheCurveAtTheLeftEdge)
{
    CTrack *track = host.addTrack(TRACK_MIDI);
    track->Clear();
    window.track = track;
    addCtrl(track, 0, 60);
    window.contentWidth = 100000;
    window.OnSize(kTimeMax, kTimeMax);
    editor.scroll(0, 100); // time 1000 at x 40
    editor.paintAll();
    EXPECT_EQ(editor.pixel(41, 140), colourOf(colDrawCtrl));
    EXPECT_EQ(editor.pixel(399, 140), colourOf(colDrawCtrl));
}
