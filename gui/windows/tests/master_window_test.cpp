// The master window in the tests' host: the tempo scale, its painting, and
// the signature and tempo edits by tool.
#include "gui/windows/tests/editor_host.h"

#include "data/text_widths.h"
#include "data/track_master.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/master_window.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

// 10 ticks a pixel with a 40-pixel band: a 4/4 bar is 384 pixels, tick t at
// x 40 + t / 10; 1400 pixels show bars 1 to 4. The window snaps to bars. The tempo lane runs from y 48 (250)
// to the bottom (10).
struct MasterTest : ::testing::Test {
    Host host;
    CTrackMaster *master = host.song.GetTrackMaster();
    Editor *editor = nullptr;
    CMasterWindow *window = nullptr;

    void SetUp() override
    {
        host.song.playStartTick = 10000000;
        editor = &host.open<CMasterWindow>(0, 0, 1400, 300);
        window = editor->as<CMasterWindow>();
        window->grid = 0; // bars
        host.song.steps.clear();
    }
    static long xOf(long tick) { return 40 + tick / 10; }
    long count(bool (*is)(const EVENT *), long time = -1)
    {
        long n = 0;
        for (long i = 0; i < master->GetNumb(); ++i)
            if (is(master->GetEvent(i)) && (time < 0 || master->GetEvent(i)->time == time))
                ++n;
        return n;
    }
    static bool isTempo(const EVENT *e) { return e->IsTempo(); }
    static bool isMeter(const EVENT *e) { return e->IsTSign(); }
    static bool isKey(const EVENT *e) { return e->IsKSign(); }
    EVENT *find(bool (*is)(const EVENT *), long time)
    {
        for (long i = 0; i < master->GetNumb(); ++i)
            if (is(master->GetEvent(i)) && master->GetEvent(i)->time == time)
                return master->GetEvent(i);
        return nullptr;
    }
};

} // namespace

TEST(MasterBinding, OnlyTheMasterTrackCanBeShown)
{
    Host host;
    host.addTrack(TRACK_MIDI);
    EXPECT_EQ(host.tryOpen(new CMasterWindow, 1, 0), nullptr);
    Editor *editor = host.tryOpen(new CMasterWindow, 0, 0);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->tool, TOOL_DRAW);
    EXPECT_EQ(editor->toolFlag, 1);
}

TEST_F(MasterTest, TheTempoScaleRunsFromTenToTwoHundredFifty)
{
    EXPECT_EQ(window->GetYFromVal(250), 48);
    EXPECT_EQ(window->GetYFromVal(10), 300);
    EXPECT_EQ(window->GetValFromY(48), 250);
    EXPECT_EQ(window->GetValFromY(0), 250);
    EXPECT_EQ(window->GetValFromY(300), 10);
    EXPECT_EQ(window->GetValFromY(299), 10) << "11 is a pixel from the 10 line";
    EXPECT_EQ(window->scrollMaxY, 0);
}

TEST(MasterScale, ValuesNextToATenSnapOnlyWithinAPixel)
{
    Host host;
    Editor &editor = host.open<CMasterWindow>(0, 0, 800, 48 + 480); // two pixels a value
    auto *window = editor.as<CMasterWindow>();
    const long y100 = window->GetYFromVal(100);
    EXPECT_EQ(y100, 528 - 180);
    EXPECT_EQ(window->GetValFromY(y100), 100);
    EXPECT_EQ(window->GetValFromY(y100 - 1), 100);
    EXPECT_EQ(window->GetValFromY(y100 - 2), 101);
    EXPECT_EQ(window->GetValFromY(y100 + 1), 100);
    EXPECT_EQ(window->GetValFromY(y100 + 2), 99);
}

TEST_F(MasterTest, PaintsTheStripTheGridAndTheCurve)
{
    EVENT e;
    e.setTSign(3, 2);
    e.time = 3840;
    master->AddToTail(&e, 1);
    e.setTempo(200);
    e.time = 3840;
    master->AddToTail(&e, 1);
    master->Sort();
    master->UpdateParams(0);
    editor->paintAll();
    // the strip's background, the meter's text at its bar
    EXPECT_EQ(editor->pixel(300, 30), colourOf(colBkgndMaster));
    EXPECT_GT(editor->count(QUAD(xOf(3840), 35, xOf(3840) + 20, 47), RGB(0, 0, 0)), 5);
    EXPECT_GT(editor->count(QUAD(xOf(0), 22, xOf(0) + 40, 34), RGB(0, 0, 0)), 5) << "C major";
    // grid lines at 50, 100, 150, 200 in a lane of many text heights
    const long y150 = window->GetYFromVal(150);
    EXPECT_EQ(editor->pixel(xOf(500), y150), colourOf(colDkGray));
    // the curve: 100 until bar 2, then 200
    const COLORREF curve = colourOf(colDrawCtrl);
    EXPECT_EQ(editor->pixel(xOf(2000), window->GetYFromVal(100)), curve);
    EXPECT_EQ(editor->pixel(xOf(5000), window->GetYFromVal(200)), curve);
    // the band's labels
    EXPECT_GT(editor->count(QUAD(0, 48, 40, 48 + HeightD), RGB(0, 0, 0)), 5);
    editor->screenshot("pannikel_master_window");
}

TEST(MasterScale, ALowLaneShowsFewerLinesAndNoLabels)
{
    Host host;
    host.song.playStartTick = 10000000;
    Editor &low = host.open<CMasterWindow>(0, 0, 800, 48 + 3 * HeightD);
    auto *window = low.as<CMasterWindow>();
    const COLORREF grey = colourOf(colDkGray);
    for (long v : {50, 100, 150, 200})
        EXPECT_NE(low.pixel(200, window->GetYFromVal(v)), grey) << v;
    EXPECT_GT(low.count(QUAD(0, 48, 34, 48 + 3 * HeightD), RGB(0, 0, 0)), 0) << "labels above two heights";
    Editor &lower = host.open<CMasterWindow>(0, 1, 800, 48 + 2 * HeightD);
    EXPECT_EQ(lower.count(QUAD(0, 48, 34, 48 + 2 * HeightD), RGB(0, 0, 0)), 0);
    Editor &four = host.open<CMasterWindow>(0, 2, 800, 48 + 4 * HeightD + 2);
    auto *w4 = four.as<CMasterWindow>();
    EXPECT_EQ(four.pixel(200, w4->GetYFromVal(150)), grey) << "150 only";
    EXPECT_NE(four.pixel(200, w4->GetYFromVal(100)), grey);
}

TEST_F(MasterTest, TimeSignaturesGoToTheNearestBarLine)
{
    long current = 0;
    editor->answer = [&](const Request &r) -> LONG_PTR {
        current = r.a;
        return r.code == MASTERREQ_METER ? 3 * 256 + 2 : 20;
    };
    editor->press(xOf(3840 + 1500), 40); // middle of bar 2, lower half
    ASSERT_FALSE(editor->requests.empty());
    EXPECT_EQ(editor->requests.back().code, MASTERREQ_METER);
    EXPECT_EQ(current, 4 * 256 + 2);
    ASSERT_NE(find(isMeter, 3840), nullptr);
    EXPECT_EQ(find(isMeter, 3840)->getTSignVal1(), 3);
    long next;
    EXPECT_EQ(master->GetPQMFromTime(3840, next)->numerator, 3);
    EXPECT_EQ(host.song.playStartTick, 3840);
    EXPECT_EQ(editor->mousePositions.back().x, xOf(3840));
    EXPECT_EQ(host.song.steps.back().caption, "Time signature");
    EXPECT_TRUE(editor->lockHeldAtModified);
    // Nearer the next bar line: that one (bar 3 now starts at 6720).
    editor->press(xOf(6720) - 20, 40);
    EXPECT_NE(find(isMeter, 6720), nullptr);
    // A cancelled dialog changes nothing.
    editor->answer = [](const Request &) -> LONG_PTR { return -1; };
    const size_t steps = host.song.steps.size();
    editor->press(xOf(8000), 40);
    EXPECT_EQ(host.song.steps.size(), steps);
}

TEST_F(MasterTest, AnswersThatAreNoSignatureChangeNothing)
{
    const long meters = count(isMeter), keys = count(isKey);
    for (long bad : {30L, 99L}) {
        editor->answer = [bad](const Request &) -> LONG_PTR { return bad; };
        editor->press(xOf(3840) + 10, 25);
    }
    for (long bad : {0 * 256 + 2L, 4 * 256 + 6L, 300 * 256 + 2L}) {
        editor->answer = [bad](const Request &) -> LONG_PTR { return bad; };
        editor->press(xOf(3840) + 10, 40);
    }
    EXPECT_EQ(count(isMeter), meters);
    EXPECT_EQ(count(isKey), keys);
    EXPECT_TRUE(host.song.steps.empty());
}

TEST(MasterScale, AWindowWithoutALaneDividesByNothing)
{
    Host host;
    Editor &editor = host.open<CMasterWindow>(0, 0, 400, 48);
    auto *window = editor.as<CMasterWindow>();
    EXPECT_EQ(window->GetValFromY(48), 10);
    EXPECT_EQ(window->GetYFromVal(250), 47);
    editor.paintAll();
}

TEST_F(MasterTest, KeySignaturesAreReplacedOrAdded)
{
    EVENT meter;
    meter.setTSign(4, 2);
    meter.time = 7680;
    master->AddToTail(&meter, 1);
    master->Sort();
    master->UpdateParams(0);
    editor->answer = [](const Request &r) -> LONG_PTR { return r.code == MASTERREQ_KEY ? 16 : -1; };
    const long keysBefore = count(isKey);
    editor->press(xOf(100), 25); // the bar at 0 holds C major
    EXPECT_EQ(editor->requests.back().a, 15);
    EXPECT_EQ(count(isKey), keysBefore);
    EXPECT_EQ(find(isKey, 0)->getKSignVal(), 16);
    EXPECT_EQ(host.song.steps.back().caption, "Key signature");
    editor->press(xOf(7680) + 30, 25); // only a time signature there
    EXPECT_EQ(count(isKey), keysBefore + 1);
    ASSERT_NE(find(isKey, 7680), nullptr);
    EXPECT_EQ(master->GetKSign(8000), 16);
    // The same key again: nothing to change, the step is dropped.
    const int modified = editor->modifiedCalls;
    editor->press(xOf(7680) + 30, 25);
    EXPECT_EQ(editor->modifiedCalls, modified);
}

TEST_F(MasterTest, DrawingTheTempoReplacesItsEvents)
{
    window->snap = 0;
    editor->toolFlag = STROKE_LINE;
    editor->press(xOf(0), 299);
    EXPECT_EQ(window->dragState, MASTER_DRAW_TEMPO);
    editor->move(xOf(7000), 48);
    editor->release(xOf(7000), 48);
    EXPECT_EQ(host.song.steps.back().caption, "Draw tempo");
    EXPECT_GT(count(isTempo), 20);
    EXPECT_NEAR(master->GetTempoAtTime(0), 10.0f, 0.6f);
    EXPECT_NEAR(master->GetTempoAtTime(7000), 250.0f, 0.6f);
    // events at least 5 apart
    float previous = 0;
    for (long i = 0; i < master->GetNumb(); ++i) {
        const EVENT *e = master->GetEvent(i);
        if (!e->IsTempo())
            continue;
        if (previous > 0 && e->time < 6900) {
            EXPECT_GE(e->getTempoVal() - previous, 4.5f) << e->time;
        }
        previous = e->getTempoVal();
    }
    EXPECT_EQ(editor->contextsOut, 0);
    // With snapping to bars: one event a bar, none where it repeats.
    window->snap = 1;
    window->grid = 0;
    editor->toolFlag = STROKE_FREEHAND;
    editor->press(xOf(3840 * 2), 200);
    for (long x = xOf(3840 * 2); x <= xOf(3840 * 5); x += 8)
        editor->move(x, 200);
    editor->release(xOf(3840 * 5), 200);
    EXPECT_EQ(count(isTempo, 3840 * 2), 1);
    EXPECT_EQ(count(isTempo, 3840 * 3), 0) << "the same tempo as the bar before";
    editor->paintAll();
    editor->screenshot("pannikel_master_window_tempo");
}

TEST_F(MasterTest, ErasingBandsDeleteTempoAndSignatures)
{
    for (long bar = 1; bar <= 3; ++bar) {
        EVENT e;
        e.setTempo(120);
        e.time = bar * 3840;
        master->AddToTail(&e, 1);
        e.setTSign(3, 2);
        e.time = bar * 3840;
        master->AddToTail(&e, 1);
    }
    master->Sort();
    master->UpdateParams(0);
    editor->tool = TOOL_ERASE;
    // a band over bars 2 and 3, tempos 100..150
    editor->drag(xOf(3840) - 5, window->GetYFromVal(150), xOf(3 * 3840) - 5, window->GetYFromVal(100));
    EXPECT_EQ(host.song.steps.back().caption, "Delete tempo");
    EXPECT_EQ(count(isTempo, 3840), 0);
    EXPECT_EQ(count(isTempo, 3 * 3840), 1);
    EXPECT_EQ(count(isTempo, 0), 1) << "100 at the start stays: outside the band's span";
    editor->drag(xOf(3840 * 2) - 5, 30, xOf(3840 * 3) + 5, 40);
    EXPECT_EQ(host.song.steps.back().caption, "Delete signatures");
    EXPECT_EQ(count(isMeter, 2 * 3840), 0);
    EXPECT_EQ(count(isMeter, 3 * 3840), 0);
    EXPECT_EQ(count(isMeter, 3840), 1);
    editor->paintAll();
    EXPECT_EQ(editor->contextsOut, 0);
}

TEST_F(MasterTest, TheRulerSetsThePointerAndTheSelection)
{
    editor->tool = TOOL_SELECT;
    editor->drag(xOf(3840) + 10, 10, xOf(3 * 3840) + 10, 10);
    EXPECT_EQ(host.song.playStartTick, 3840);
    EXPECT_EQ(host.song.selectionStart, 3840);
    EXPECT_EQ(host.song.selectionEnd, 3 * 3840);
    editor->press(xOf(3840) + 10, 10, 1, 0);
    editor->release(xOf(3840) + 10, 10, 1, 0);
    EXPECT_FALSE(host.song.IsTimeSelection());
    // the select tool in the strip only moves the pointer
    editor->press(xOf(3840 * 3) + 10, 30);
    EXPECT_EQ(host.song.playStartTick, 3 * 3840);
    EXPECT_EQ(window->dragState, 0);
}

TEST_F(MasterTest, TheBandResizesAndTheWheelScrolls)
{
    editor->press(38, 100);
    EXPECT_EQ(window->dragState, GESTURE_BAND_RESIZE);
    editor->move(400, 100);
    EXPECT_EQ(window->leftBand, 200);
    editor->move(-50, 100);
    EXPECT_EQ(window->leftBand, 26);
    editor->release(-50, 100);
    editor->wheel(-1.0f, 1);
    EXPECT_EQ(window->scrollPosX, 48) << "960 / (2 * 10)";
    EXPECT_EQ(editor->wheelScrolls, 1);
}
