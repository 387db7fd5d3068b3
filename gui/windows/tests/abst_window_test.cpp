// The window frame in the tests' host: binding, coordinates, zoom, scrolling,
// the double-buffered paint, the song-pointer marker, pointer bounding and
// auto-scroll, and the rubber band.
#include "gui/windows/tests/editor_host.h"
#include "gui/windows/tests/test_window.h"

#include "data/track.h"
#include "gui/draw/gui_context.h"
#include "gui/windows/audio_window.h"
#include "gui/windows/chords_window.h"
#include "gui/windows/master_window.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/meltext_window.h"
#include "gui/windows/midi_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;
using namespace windows_test;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The frame's test window: 40-pixel left band, 20 top, 10 right and bottom
// margins; 640 x 400.
struct Frame : ::testing::Test {
    Host host;
    Editor &editor = host.open<TestWindow>(100, 0);
    TestWindow &window = *editor.as<TestWindow>();
};

} // namespace

TEST_F(Frame, ConvertsBetweenTimesAndPixels)
{
    EXPECT_EQ(window.zoom, 10);
    EXPECT_EQ(window.GetXFromTime(1000), 140);
    EXPECT_EQ(window.GetTimeFromX(140), 1000);
    // Left of the data area at scroll position 0: never a negative time.
    EXPECT_EQ(window.GetTimeFromX(0), 0);
    window.zoom = 7;
    EXPECT_EQ(window.GetXFromTime(kTimeMax), kTimeMax);
    EXPECT_EQ(window.GetXFromTime(kTimeMax - 1), (kTimeMax - 1) / 7 + 40);
    window.zoom = 64;
    EXPECT_EQ(window.GetXFromTime(kTimeMax), kTimeMax);
}

TEST(FrameZoom, ScalesToTheSongsTicksPerQuarter)
{
    KeepGlobal keep(ZoomTrackHorz);
    Host host(480);
    Editor &editor = host.open<TestWindow>(100, 0);
    auto &window = *editor.as<TestWindow>();
    long min = 0, max = 0;
    EXPECT_EQ(window.GetZoomHorz(min, max), 5);
    EXPECT_EQ(min, 1); // 0 raised to 1
    EXPECT_EQ(max, 32);
    window.SetZoomHorz(5);
    EXPECT_EQ(ZoomTrackHorz, 10);
    window.SetZoomHorz(2);
    EXPECT_EQ(ZoomTrackHorz, 4);
}

TEST_F(Frame, ZoomStaysWithinItsLimitsAndKeepsTheLeftEdgeTime)
{
    KeepGlobal keep(ZoomTrackHorz);
    window.contentWidth = 100000;
    window.OnSize(kTimeMax, kTimeMax);
    editor.scroll(0, 300); // time 3000 at the left edge
    window.SetZoomHorz(20);
    EXPECT_EQ(window.scrollPosX, 150);
    EXPECT_EQ(window.GetTimeFromX(window.leftBand), 3000);
    // A zoom of 0 would divide by nothing.
    window.SetZoomHorz(0);
    EXPECT_EQ(window.zoom, 1);
    window.SetZoomHorz(1000);
    EXPECT_EQ(window.zoom, 64);
}

TEST(FrameScroll, CalcScrollTable)
{
    struct Case {
        long window, fixed, content, pos;
        long max, page, newPos;
    } cases[] = {
        {640, 50, 4000, 0, 3410, 590, 0}, {640, 50, 4000, 5000, 3410, 590, 3410},
        {640, 50, 300, 120, 0, 0, 0}, // content smaller than the window
        {640, 50, 591, 9, 1, 590, 1},     {640, 50, 590, 9, 0, 0, 0},
    };
    for (const Case &c : cases) {
        long max = -1, page = -1, pos = c.pos;
        CAbstWindow::CalcScroll(c.window, c.fixed, c.content, max, page, pos);
        EXPECT_EQ(max, c.max) << c.content;
        EXPECT_EQ(page, c.page) << c.content;
        EXPECT_EQ(pos, c.newPos) << c.content;
    }
}

TEST_F(Frame, SizingSetsTheScrollBarsOnlyWhenTheyChange)
{
    EXPECT_EQ(editor.scrollMax[0], 3410);
    EXPECT_EQ(editor.scrollPage[0], 590);
    EXPECT_EQ(editor.scrollMax[1], 630);
    editor.scrollMax[0] = -5;
    window.OnSize(640, 400);
    EXPECT_EQ(editor.scrollMax[0], -5) << "unchanged ranges are not sent again";
    // A size that lowers the largest position moves the view there.
    editor.scroll(0, 3400);
    window.OnSize(1000, 400);
    EXPECT_EQ(window.scrollPosX, 3050);
    EXPECT_EQ(editor.scrollPos[0], 3050);
    EXPECT_EQ(editor.scrolled.size(), 2u) << "the pixels moved both times";
}

TEST_F(Frame, ScrollingStopsAtTheLargestPositionAndIgnoresRepeats)
{
    editor.scroll(0, 99999);
    EXPECT_EQ(window.scrollPosX, 3410);
    ASSERT_EQ(editor.scrolled.size(), 1u);
    EXPECT_EQ(editor.scrolled[0], QUAD(0, 0, 640, 400));
    const size_t scrolls = editor.scrolled.size();
    editor.scroll(0, 99999);
    editor.scroll(0, 3410);
    EXPECT_EQ(editor.scrolled.size(), scrolls);
    editor.scroll(2, 50); // no such axis
    EXPECT_EQ(window.scrollPosY, 0);
    EXPECT_EQ(editor.scrolled.size(), scrolls);
    editor.scroll(1, -20);
    EXPECT_EQ(window.scrollPosY, 0);
    editor.scroll(1, 40);
    EXPECT_EQ(window.scrollPosY, 40);
    // Redraw instead of moving pixels vertically.
    window.scrollYByRedraw = 1;
    const size_t invalidations = editor.invalidated.size();
    editor.scroll(1, 50);
    EXPECT_EQ(editor.scrolled.size(), scrolls + 1);
    EXPECT_EQ(editor.invalidated.size(), invalidations + 1);
    EXPECT_EQ(editor.scrollPos[1], 50);
}

TEST_F(Frame, PaintsTheBackgroundAndTheSongPointer)
{
    host.song.playStartTick = 1000; // x 140
    editor.paintAll();
    EXPECT_EQ(editor.pixel(300, 200), kWhite);
    // the stem from y 5 down, the triangle above it
    for (long y : {5, 100, 389})
        EXPECT_EQ(editor.pixel(140, y), kBlack) << y;
    EXPECT_EQ(editor.pixel(141, 100), kWhite);
    EXPECT_EQ(editor.pixel(137, 1), kBlack);
    EXPECT_EQ(editor.pixel(143, 1), kBlack);
    EXPECT_EQ(editor.pixel(135, 1), kWhite);
    EXPECT_EQ(editor.pixel(140, 3), kWhite) << "inside the triangle";
    EXPECT_EQ(window.songPtrTime, 1000);
    EXPECT_GT(window.renders, 0);
    EXPECT_EQ(editor.contextsOut, 0);
    editor.screenshot("pannikel_frame_song_pointer");
}

TEST_F(Frame, TheMarkerFollowsTheSongPointerWithoutLeavingMarks)
{
    host.song.playStartTick = 1000;
    editor.paintAll();
    host.song.playStartTick = 2000; // x 240
    window.UpdateSongPtr(0);
    EXPECT_EQ(editor.pixel(140, 100), kWhite);
    EXPECT_EQ(editor.pixel(240, 100), kBlack);
    // Out of view: nothing is drawn and the time drawn last stays.
    host.song.playStartTick = 90000;
    window.UpdateSongPtr(0);
    EXPECT_EQ(window.songPtrTime, 2000);
    EXPECT_EQ(editor.pixel(240, 100), kWhite);
    // Taking it away again must not draw one at 2000.
    host.song.playStartTick = 95000;
    window.UpdateSongPtr(0);
    EXPECT_EQ(editor.pixel(240, 100), kWhite);
    EXPECT_EQ(editor.countNot(QUAD(40, 20, 630, 390), kWhite), 0);
    // Back in view.
    host.song.playStartTick = 500;
    window.UpdateSongPtr(0);
    EXPECT_EQ(editor.pixel(90, 100), kBlack);
    EXPECT_EQ(editor.contextsOut, 0);
}

TEST_F(Frame, EnsureVisibleTimeScrollsByPageOrByTheLeastAmount)
{
    window.contentWidth = 100000;
    window.OnSize(kTimeMax, kTimeMax);
    window.EnsureVisibleTime(8000, 0); // x 840, right of 630
    EXPECT_EQ(window.scrollPosX, 800 - 640 + 10 + 40 + 1);
    EXPECT_EQ(window.GetXFromTime(8000), 629);
    window.EnsureVisibleTime(20000, 1);
    EXPECT_EQ(window.scrollPosX, 2000);
    window.EnsureVisibleTime(100, 0); // left of the data area
    EXPECT_EQ(window.scrollPosX, 10);
    const long pos = window.scrollPosX;
    window.EnsureVisibleTime(1000, 0); // already visible
    EXPECT_EQ(window.scrollPosX, pos);
    // OnActivate brings the song pointer in.
    host.song.playStartTick = 50000;
    window.OnActivate();
    EXPECT_EQ(window.scrollPosX, 5000);
}

TEST_F(Frame, UpdateTimeAndUpdateInvalidateClippedRectangles)
{
    editor.invalidated.clear();
    window.UpdateTime(1000, 2000, 0, 0);
    window.UpdateTime(0, kTimeMax, 1, 0);
    window.UpdateTime(90000, kTimeMax, 0, 0); // right of the window
    window.UpdateTime(0, 0, 0, 0);
    QUAD below(10, 500, 20, 600), left(-30, 10, 0, 20), partly(-10, -10, 50, 30);
    window.Update(&below, 0);
    window.Update(&left, 0);
    window.Update(&partly, 0);
    window.Update(nullptr, 0);
    ASSERT_EQ(editor.invalidated.size(), 5u);
    EXPECT_EQ(editor.invalidated[0], QUAD(139, 20, 241, 390));
    EXPECT_EQ(editor.invalidated[1], QUAD(40, 0, 630, 400));
    EXPECT_EQ(editor.invalidated[2], QUAD(40, 20, 41, 390));
    EXPECT_EQ(editor.invalidated[3], QUAD(0, 0, 50, 30));
    EXPECT_EQ(editor.invalidated[4], QUAD(0, 0, 640, 400));
}

TEST_F(Frame, BoundingAndAutoScrollPutThePointerBackOnTheEdge)
{
    window.contentWidth = 100000;
    window.OnSize(kTimeMax, kTimeMax);
    EXPECT_EQ(window.BoundMouseInQuad(100, 100), 0);
    EXPECT_TRUE(editor.mousePositions.empty());
    EXPECT_EQ(window.BoundMouseInQuad(700, 5), 1);
    ASSERT_EQ(editor.mousePositions.size(), 1u);
    EXPECT_EQ(editor.mousePositions[0].x, 629);
    EXPECT_EQ(editor.mousePositions[0].y, 20);

    const QUAD area(40, 20, 630, 390);
    EXPECT_EQ(window.ScrollFrame(area, 200, 200, 1, 1), 0);
    EXPECT_EQ(window.ScrollFrame(area, 650, 200, 1, 1), 1);
    EXPECT_EQ(window.scrollPosX, 21);
    EXPECT_EQ(editor.mousePositions.back().x, 629);
    EXPECT_EQ(window.ScrollFrame(area, 650, 395, 0, 1), 2);
    EXPECT_EQ(window.scrollPosX, 21);
    EXPECT_EQ(window.scrollPosY, 6);
    EXPECT_EQ(window.ScrollFrame(area, 30, 10, 1, 1), 3);
    EXPECT_EQ(window.scrollPosX, 11);
    EXPECT_EQ(window.scrollPosY, 0);
    EXPECT_EQ(window.ScrollFrame(area, 30, 10, 1, 0), 1) << "y is not allowed to scroll";
    EXPECT_EQ(window.scrollPosX, 1);

    // In content coordinates: a point inside the area but outside the data
    // area scrolls the view towards it.
    EXPECT_EQ(window.BoundMouseInQuadAbs(20, 100, QUAD(0, 0, 100000, 1000)), 0);
    EXPECT_EQ(window.scrollPosX, 0);
    EXPECT_EQ(editor.mousePositions.back().x, 40);
    EXPECT_EQ(window.BoundMouseInQuadAbs(100, 100, QUAD(50, 0, 80, 1000)), 1);
    EXPECT_EQ(editor.mousePositions.back().x, 79);
}

TEST_F(Frame, TheRubberBandIsDrawnAndTakenAwayByDrawingItAgain)
{
    host.song.playStartTick = 90000; // no marker in view
    editor.paintAll();
    const QUAD clip(40, 20, 630, 390);
    CGUIContext *ctx = window.DrawFrame(QUAD(100, 100, 200, 150), clip, nullptr, 0);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(editor.contextsOut, 1);
    EXPECT_GT(editor.countNot(QUAD(100, 100, 201, 151), kWhite), 100) << "dotted, on all four sides";
    EXPECT_EQ(editor.countNot(QUAD(101, 101, 200, 150), kWhite), 0);
    // Erased with the same context, then the next one drawn and given back.
    window.DrawFrame(QUAD(100, 100, 200, 150), clip, ctx, 1);
    EXPECT_EQ(editor.contextsOut, 0);
    EXPECT_EQ(editor.countNot(clip, kWhite), 0);
    // Inverted corners are the same band.
    window.DrawFrame(QUAD(200, 150, 100, 100), clip, nullptr, 1);
    window.DrawFrame(QUAD(100, 100, 200, 150), clip, nullptr, 1);
    EXPECT_EQ(editor.countNot(clip, kWhite), 0);
    // Clipped.
    window.DrawFrame(QUAD(0, 0, 300, 300), clip, nullptr, 1);
    EXPECT_EQ(editor.countNot(QUAD(0, 0, 40, 400), kWhite), 0);
    EXPECT_GT(editor.countNot(QUAD(40, 20, 301, 301), kWhite), 200);
    // Without a context nothing is drawn and nothing breaks.
    editor.refuseContexts = true;
    EXPECT_EQ(window.DrawFrame(QUAD(10, 10, 20, 20), clip, nullptr, 0), nullptr);
}

TEST_F(Frame, APaintKeepsTheRubberBandOfAGestureOnTheWindow)
{
    host.song.playStartTick = 90000;
    editor.paintAll();
    window.band = QUAD(100, 100, 300, 200);
    window.bandOn = true;
    window.ShowCursor(1, nullptr);
    const long inked = editor.countNot(QUAD(40, 20, 630, 390), kWhite);
    EXPECT_GT(inked, 200);
    // A paint of part of the band: taken away, painted, drawn again.
    QUAD part(150, 90, 250, 250);
    window.Update(&part, 0);
    editor.paint();
    EXPECT_EQ(editor.countNot(QUAD(40, 20, 630, 390), kWhite), inked);
    window.ShowCursor(0, nullptr);
    EXPECT_EQ(editor.countNot(QUAD(40, 20, 630, 390), kWhite), 0);
}

// A band that follows the vertical scroll counts content pixels; its moving
// corner stays in its clip and scrolls the view past the clip's edges.
TEST_F(Frame, AGesturesBandFollowsThePointerInsideItsClip)
{
    host.song.playStartTick = 90000;
    window.ScrollToPosition(100, 30);
    editor.paintAll();
    const QUAD clip(40, 20, 630, 390);
    window.StartFrame(7, 200, 500, clip, 1);
    EXPECT_EQ(window.dragState, 7);
    EXPECT_TRUE(editor.captured);
    EXPECT_EQ(window.frame.left, 300);
    EXPECT_EQ(window.frame.top, 389 + 30) << "the press kept inside the clip";
    EXPECT_EQ(window.MoveFrame(300, 100), 0);
    EXPECT_EQ(window.frame.right, 400);
    EXPECT_EQ(window.frame.bottom, 130);
    EXPECT_EQ(editor.unpainted(QUAD(0, 0, 640, 400)), 0) << "shown as a paint shows it";
    // past the right and top edges: the view scrolls both ways
    EXPECT_EQ(window.MoveFrame(640, 10), 3);
    EXPECT_EQ(window.scrollPosX, 100 + 11);
    EXPECT_EQ(window.scrollPosY, 30 - 10);
    EXPECT_EQ(window.frame.right, 629 + 111);
    EXPECT_EQ(window.frame.bottom, 20 + 20);
    long from, to, low, high;
    window.FrameRange(from, to, low, high);
    EXPECT_EQ(from, (300 - 40) * 10);
    EXPECT_EQ(to, (740 + 1 - 40) * 10);
    EXPECT_EQ(editor.unpainted(QUAD(0, 0, 640, 400)), 0);
    window.ShowCursor(0, nullptr);
    EXPECT_EQ(editor.countNot(clip, kWhite), 0);
}

// A span keeps the rows of its clip; only its x follows, and the view
// scrolls only along x.
TEST_F(Frame, ASpanFollowsThePointerAlongXOnly)
{
    host.song.playStartTick = 90000;
    window.ScrollToPosition(0, 30);
    editor.paintAll();
    const QUAD ruler(40, 0, 630, 20);
    window.StartSpan(1, 100, ruler);
    EXPECT_EQ(window.frame.top, 0);
    EXPECT_EQ(window.frame.bottom, 19);
    EXPECT_EQ(window.MoveFrame(200, 300), 0);
    EXPECT_EQ(window.frame.right, 200);
    EXPECT_EQ(window.frame.bottom, 19);
    EXPECT_EQ(window.MoveFrame(-5, 500), 0) << "at the left edge already";
    EXPECT_EQ(window.scrollPosY, 30);
    EXPECT_EQ(window.frame.right, 40);
    EXPECT_EQ(editor.unpainted(QUAD(0, 0, 640, 400)), 0);
    window.ShowCursor(0, nullptr);
    EXPECT_EQ(editor.countNot(QUAD(0, 0, 640, 400), kWhite), 0);
}

TEST_F(Frame, SetCursorTypeTellsTheClientOnlyOfChanges)
{
    window.SetCursorType(2);
    window.SetCursorType(2);
    window.SetCursorType(0);
    EXPECT_EQ(editor.cursors, (std::vector<long>{2, 0}));
}

TEST(FrameBinding, RegistersUnderTheClientsKeysAndUnregistersOnDestroy)
{
    Host host;
    std::vector<std::string> log;
    Editor &a = host.openWindow(new TestWindow(&log, "a"), 5, 1, 200, 100, false);
    Editor &b = host.openWindow(new TestWindow(&log, "b"), 5, 0, 200, 100, false);
    Editor *hidden = host.tryOpen(new TestWindow(&log, "hidden"), kAnyKey, 0);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(host.liason.GetNumb(), 2);
    EXPECT_EQ(host.liason.First()->window, b.get()) << "in key order";
    auto *window = a.as<TestWindow>();
    window->Destroy();
    EXPECT_EQ(host.liason.GetNumb(), 1);
    EXPECT_EQ(window->GetGUIClient(), nullptr);
    EXPECT_EQ(window->destroyLocalCalls, 1);
    EXPECT_EQ(window->initialised, 1);

    auto *failing = new TestWindow(&log, "failing");
    failing->initResult = 0;
    EXPECT_EQ(host.tryOpen(failing, 7, 0), nullptr);
    EXPECT_EQ(host.liason.GetNumb(), 1);
}

TEST(FrameBinding, NothingIsDrawnOrSizedBeforeInit)
{
    TestWindow window;
    window.OnSize(300, 200);
    EXPECT_EQ(window.width, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    CGUIContext ctx(dc);
    window.Draw(&ctx);
    EXPECT_EQ(window.renders, 0);
    DeleteDC(dc);
}

namespace {

// A kind of editor window and the track it is opened on.
struct EditorKind {
    const char *name;
    long kind; // of the track shown; -1 the master track, -2 the measures window
    CAbstWindow *(*make)();
};

template <typename W> CAbstWindow *makeWindow()
{
    return new W;
}

const EditorKind kMaster{"master", -1, makeWindow<CMasterWindow>};
const EditorKind kMelText{"melody text", TRACK_MELTEXT, makeWindow<CMelTextWindow>};
const EditorKind kMIDI{"MIDI", TRACK_MIDI, makeWindow<CMIDIWindow>};
const EditorKind kAudio{"audio", TRACK_AUDIO, makeWindow<CAudioWindow>};
const EditorKind kChords{"chords", TRACK_CHORDS, makeWindow<CChordsWindow>};
const EditorKind kMeasures{"measures", -2, makeWindow<CMeasWindow>};

// The editors with a time ruler.
const EditorKind kRulerEditors[] = {kMaster, kMelText, kMIDI, kAudio};

// A host of windows of one kind, all on one track of the kind.
struct KindHost : Host {
    explicit KindHost(const EditorKind &k) : kind(k) {}
    Editor &open(long w, long h)
    {
        if (id == 0 && kind.kind >= 0)
            id = static_cast<long>(addTrack(kind.kind)->GetID());
        return openWindow(kind.make(), kind.kind == -2 ? KEY_MEASURES : id, 0, w, h, false);
    }
    const EditorKind &kind;
    long id = 0;
};

} // namespace

// Every track editor's span on the time ruler shows from the press on and
// leaves no mark when it is taken away, dragged or only clicked.
TEST(FrameBand, ARulerSpanLeavesNoMarkInAnyEditor)
{
    for (const EditorKind &c : kRulerEditors) {
        SCOPED_TRACE(c.name);
        KindHost host(c);
        host.song.playStartTick = 10000000;
        Editor &editor = host.open(640, 300);
        const QUAD all(0, 0, 640, 300);
        editor.paintAll();
        editor.press(150, 10);
        editor.move(300, 10);
        EXPECT_EQ(editor.unpainted(all), 0) << "the span as a paint shows it";
        editor.release(300, 10);
        editor.paint();
        EXPECT_EQ(editor.unpainted(all), 0) << "dragged";
        editor.press(150, 10);
        editor.release(150, 10);
        editor.paint();
        EXPECT_EQ(editor.unpainted(all), 0) << "clicked";
        EXPECT_EQ(editor.contextsOut, 0);
    }
}

// The ruler's span in every track editor: hovering offers to set the song
// pointer, the drag's grid times become the time selection with the song
// pointer at its start, and a click with the flag clears it.
TEST(FrameBand, ARulerDragSelectsTimeInEveryEditor)
{
    for (const EditorKind &c : kRulerEditors) {
        SCOPED_TRACE(c.name);
        KindHost host(c);
        Editor &editor = host.open(900, 300);
        CAbstWindow *window = editor.get();
        editor.tool = TOOL_SELECT;
        editor.move(window->GetXFromTime(960), 10);
        EXPECT_EQ(editor.status[0], "Set Song Pointer");
        editor.drag(window->GetXFromTime(960) + 2, 10, window->GetXFromTime(1920) + 2, 10);
        EXPECT_EQ(host.song.playStartTick, 960);
        EXPECT_EQ(host.song.selectionStart, 960);
        EXPECT_EQ(host.song.selectionEnd, 1920);
        EXPECT_EQ(window->dragState, 0);
        EXPECT_FALSE(editor.captured);
        editor.press(window->GetXFromTime(480), 10, 1);
        editor.release(window->GetXFromTime(480), 10, 1);
        EXPECT_FALSE(host.song.IsTimeSelection());
        EXPECT_EQ(editor.contextsOut, 0);
    }
}

// A left band's new width is kept for the next window of the kind where the
// kinds share one, and stays the window's own elsewhere.
TEST(FrameBand, TheBandEdgeKeepsItsWidthForTheNextWindowOfItsKind)
{
    KeepGlobal<long> keptMIDI(wMIDILeftBand), keptChords(wChordsLeftBand), keptMel(wMelLeftBand),
        keptAudio(wAudioLeftBand);
    struct Case {
        EditorKind editor;
        long *shared; // null: the width is the window's own
    };
    const Case cases[] = {
        {kMaster, nullptr},        {kMelText, nullptr},         {kMIDI, &wMIDILeftBand},
        {kAudio, &wAudioLeftBand}, {kChords, &wChordsLeftBand},
    };
    long *const widths[] = {&wMIDILeftBand, &wChordsLeftBand, &wMelLeftBand, &wAudioLeftBand};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.editor.name);
        for (long *w : widths)
            *w = 40;
        KindHost host(c.editor);
        Editor &editor = host.open(640, 300);
        CAbstWindow *window = editor.get();
        ASSERT_EQ(window->leftBand, 40);
        editor.press(38, 10);
        EXPECT_EQ(window->dragState, GESTURE_BAND_RESIZE);
        editor.move(98, 10);
        EXPECT_EQ(window->leftBand, 100);
        editor.release(98, 10);
        EXPECT_EQ(window->dragState, 0);
        EXPECT_FALSE(editor.captured);
        for (long *w : widths)
            EXPECT_EQ(*w, w == c.shared ? 100 : 40);
        Editor &next = host.open(640, 300);
        EXPECT_EQ(next.get()->leftBand, c.shared ? 100 : 40);
    }
}

// Scrolled along time, every editor's left band stays where it is (the
// chords window scrolls within its rows): what the scroll leaves on the screen is what a paint of the whole window shows.
TEST(FrameBand, TheLeftBandStaysWhenAnEditorScrollsAlongTime)
{
    for (const EditorKind &c : {kMaster, kMelText, kMIDI, kAudio}) {
        SCOPED_TRACE(c.name);
        KindHost host(c);
        host.song.playStartTick = 10000000;
        Editor &editor = host.open(640, 300);
        editor.paintAll();
        editor.scroll(0, 120);
        editor.paint();
        ASSERT_GT(editor.get()->scrollPosX, 0) << "the window scrolled";
        if (std::string(c.name) == "master")
            editor.screenshot("pannikel_master_window_scrolled");
        EXPECT_EQ(editor.unpainted(QUAD(0, 0, 640, 300)), 0);
    }
}

// Each kind of window keeps its horizontal zoom, at 960 ticks per quarter,
// for the next window of the kind and leaves the other kinds' alone.
TEST(FrameZoom, EachKindKeepsItsZoomForItsNextWindow)
{
    KeepGlobal<long> keptTrack(ZoomTrackHorz), keptMeas(ZoomMeasHorz), keptChords(ZoomChordsHorz),
        keptAudio(ZoomAudioHorz);
    struct Case {
        EditorKind editor;
        long *shared;
        long zoom; // within the kind's limits
    };
    const Case cases[] = {
        {kMIDI, &ZoomTrackHorz, 24},    {kMelText, &ZoomTrackHorz, 24},  {kAudio, &ZoomAudioHorz, 200},
        {kChords, &ZoomChordsHorz, 24}, {kMeasures, &ZoomMeasHorz, 200},
    };
    long *const zooms[] = {&ZoomTrackHorz, &ZoomMeasHorz, &ZoomChordsHorz, &ZoomAudioHorz};
    const long initial[] = {10, 120, 20, 100};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.editor.name);
        for (int i = 0; i < 4; ++i)
            *zooms[i] = initial[i];
        KindHost host(c.editor);
        Editor &editor = host.open(640, 300);
        editor.get()->SetZoomHorz(c.zoom);
        EXPECT_EQ(editor.get()->zoom, c.zoom);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(*zooms[i], zooms[i] == c.shared ? c.zoom : initial[i]);
    }
}

// The windows that zoom a row height tell it with its limits, keep a new one
// within them for the next window of the kind, and leave the other kinds'
// alone; the others have none.
TEST(FrameZoom, EachKindKeepsItsRowHeightForItsNextWindow)
{
    KeepGlobal<long> keptMIDI(ZoomMIDIVert), keptMel(ZoomMelVert), keptChords(ZoomChordsVert);
    struct Case {
        EditorKind editor;
        long *shared; // null: no row height
        long min, max;
    };
    const Case cases[] = {
        {kMIDI, &ZoomMIDIVert, 4, 20}, {kMelText, &ZoomMelVert, 4, 20}, {kChords, &ZoomChordsVert, 5, 20},
        {kAudio, nullptr, 0, 0},       {kMaster, nullptr, 0, 0},
    };
    long *const heights[] = {&ZoomMIDIVert, &ZoomMelVert, &ZoomChordsVert};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.editor.name);
        for (long *h : heights)
            *h = 9;
        KindHost host(c.editor);
        Editor &editor = host.open(640, 300);
        long min = -1, max = -1;
        EXPECT_EQ(editor.get()->GetZoomVert(min, max), c.shared ? 9 : 0);
        if (!c.shared)
            continue;
        EXPECT_EQ(min, c.min);
        EXPECT_EQ(max, c.max);
        editor.get()->SetZoomVert(50);
        EXPECT_EQ(editor.get()->GetZoomVert(min, max), 20);
        editor.get()->SetZoomVert(1);
        EXPECT_EQ(editor.get()->GetZoomVert(min, max), c.min);
        for (long *h : heights)
            EXPECT_EQ(*h, h == c.shared ? c.min : 9);
        Editor &next = host.open(640, 300);
        EXPECT_EQ(next.get()->GetZoomVert(min, max), c.min);
    }
}
