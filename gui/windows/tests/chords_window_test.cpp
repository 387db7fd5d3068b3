// The chords window in the tests' host: the lead-sheet layout, its
// painting, and the chord and lane edits by tool.
#include "gui/windows/tests/editor_host.h"

#include "data/text_widths.h"
#include "data/track_chords.h"
#include "gui/draw/shared_objects.h"
#include "data/track_meltext.h"
#include "gui/windows/chords_window.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

// 20 ticks a pixel: a 4/4 bar is 192 pixels, three bars a row in 700
// pixels; rows of HeightL + 12 * 7 + 30 pixels; tick t of a row at x 46 +
// t / 20.
struct ChordsTest : ::testing::Test {
    KeepGlobal<long> keepBand{wChordsLeftBand};
    KeepGlobal<long> keepZoom{ZoomChordsHorz};
    KeepGlobal<long> keepRows{ZoomChordsVert};
    Host host;
    CTrackChords *chords = static_cast<CTrackChords *>(host.addTrack(TRACK_CHORDS));
    Editor *editor = nullptr;
    CChordsWindow *window = nullptr;

    void SetUp() override
    {
        host.song.playStartTick = 10000000;
        editor = &host.open<CChordsWindow>(1, 0, 700, 400);
        window = editor->as<CChordsWindow>();
        window->snap = 1;
        window->grid = 0; // bars
        host.song.steps.clear();
    }
    long rowHeight() const { return HeightL + 12 * 7 + 30; }
    static long xOf(long tick) { return 46 + tick / 20; }
    // the middle of a pitch class's cell in row 0
    static long yOf(long pitchClass) { return 29 + (11 - pitchClass) * 7 + 3; }
    EVENT *chordAt(long time)
    {
        for (long i = 0; i < chords->GetNumb(); ++i)
            if (chords->GetEvent(i)->IsChord() && chords->GetEvent(i)->time == time)
                return chords->GetEvent(i);
        return nullptr;
    }
    void putChord(long time, long root, long type = 0)
    {
        if (EVENT *standing = chordAt(time)) {
            standing->setChord(root, type);
            standing->time = time;
        } else {
            EVENT e;
            e.setChord(root, type);
            e.time = time;
            chords->AddToTail(&e, 1);
            chords->Sort();
        }
        chords->UpdateEdition();
    }
};

} // namespace

TEST(ChordsBinding, OnlyAChordTrackCanBeShown)
{
    Host host;
    host.addTrack(TRACK_CHORDS);
    host.addTrack(TRACK_MIDI);
    EXPECT_EQ(host.tryOpen(new CChordsWindow, 2, 0), nullptr);
    EXPECT_EQ(host.tryOpen(new CChordsWindow, 9, 0), nullptr);
    Editor *editor = host.tryOpen(new CChordsWindow, 1, 0);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->tool, TOOL_DRAW);
    EXPECT_EQ(editor->status[2], " Chords");
}

TEST_F(ChordsTest, RowsOfBarsAndTheirCoordinates)
{
    ASSERT_GT(window->rows.GetNumb(), 10);
    EXPECT_EQ(window->rows.GetAt(0)->bars, 3);
    EXPECT_EQ(window->GetTimeFromXY(46, 10), 0);
    EXPECT_EQ(window->GetTimeFromXY(46 + 192, 10), 3840);
    EXPECT_EQ(window->GetTimeFromXY(10, 10), 0) << "left of the first bar: the row's start";
    EXPECT_EQ(window->GetTimeFromXY(690, 10), 3 * 3840) << "right of the last: the row's end";
    EXPECT_EQ(window->GetTimeFromXY(46 + 96, rowHeight() + 5), 3 * 3840 + 1920);
    long x, y;
    EXPECT_EQ(window->GetXYFromTime(3 * 3840 + 1920, x, y), 1);
    EXPECT_EQ(x, 46 + 96);
    EXPECT_EQ(y, rowHeight());
    EXPECT_EQ(window->InCell(100, 10), CELL_NAMES);
    EXPECT_EQ(window->InCell(100, 29), 11);
    EXPECT_EQ(window->InCell(100, 29 + 12 * 7 - 1), 0);
    EXPECT_EQ(window->InCell(100, 29 + 12 * 7), CELL_BELOW);
    EXPECT_EQ(window->InCell(46 + 3 * 192 + 2, 50), CELL_OUTSIDE);
    EXPECT_EQ(editor->scrollMax[1], window->rows.GetSizeH(7) - 400);
}

TEST_F(ChordsTest, ChordsShowTheirRootAndNotesInTheGrid)
{
    putChord(0, 0);        // C major over bar 1
    putChord(3840, 9, 36); // A minor over bars 2 and 3
    chords->GetEvent(chords->GetNumb() - 1)->SetSlct(1);
    editor->paintAll();
    // C: root C, notes E and G
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(0)), colourOf(colFillChordNorm));
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(4)), colourOf(colFillChordBkgn));
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(7)), colourOf(colFillChordBkgn));
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(2)), colourOf(colBkgndChords));
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(1)), colourOf(colSlctChords1)) << "a black key's row";
    // A minor, selected: root A, notes C and E
    EXPECT_EQ(editor->pixel(xOf(5000), yOf(9)), colourOf(colFillChordSlct));
    EXPECT_EQ(editor->pixel(xOf(5000), yOf(0)), colourOf(colFillChordBkgn));
    // a cell: white on its left and top, black on its right and bottom
    EXPECT_EQ(editor->pixel(xOf(0), yOf(0)), RGB(255, 255, 255));
    EXPECT_EQ(editor->pixel(xOf(3840) - 1, yOf(0)), RGB(0, 0, 0));
    // the names in the top line
    EXPECT_GT(editor->count(QUAD(xOf(0), 4, xOf(0) + 20, 26), RGB(0, 0, 0)), 5);
    EXPECT_GT(editor->count(QUAD(xOf(3840), 4, xOf(3840) + 20, 26), colourOf(colFillChordSlct)), 5);
    editor->screenshot("pannikel_chords_window");
    // By key: C major's stages 0, 3 and 4 (C, F, G) darker.
    window->SetByKSign(1);
    putChord(0, -1);
    putChord(3840, -1);
    editor->paintAll();
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(5)), colourOf(colSlctChords));
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(2)), colourOf(colSlctChords1));
    EXPECT_EQ(editor->pixel(xOf(1000), yOf(1)), colourOf(colBkgndChords));
    editor->screenshot("pannikel_chords_window_by_key");
}

TEST_F(ChordsTest, TransposingWrapsInsideTheOctave)
{
    putChord(0, 9); // A (root 10)
    editor->press(xOf(1500), yOf(9));
    EXPECT_EQ(window->dragState, CHORDS_TRANSPOSE);
    editor->move(xOf(1500), yOf(9) - 3 * 7);
    EXPECT_EQ(editor->status[0], "[C] -9") << "the new root less the old";
    editor->release(xOf(1500), yOf(9) - 3 * 7);
    EXPECT_EQ(chordAt(0)->value & 0xFFFF, 1) << "C";
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Change Chord(s) Note");
    EXPECT_EQ(host.song.steps[0].scope, 1);
    EXPECT_TRUE(editor->lockHeldAtModified);
    editor->press(xOf(1500), yOf(0));
    editor->move(xOf(1500), yOf(0) + 7);
    EXPECT_EQ(editor->status[0], "[B] +11");
    editor->release(xOf(1500), yOf(0) + 7);
    EXPECT_EQ(chordAt(0)->value & 0xFFFF, 12) << "B";
    EXPECT_EQ(editor->contextsOut, 0);
}

TEST_F(ChordsTest, ChordNamesComeFromTheHostsDialog)
{
    putChord(0, 2); // D from the start
    long asked = 0, key = -1;
    long answer = -1;
    editor->answer = [&](const Request &r) -> LONG_PTR {
        asked = r.a;
        key = r.b;
        return answer;
    };
    // -1 cancels: nothing, not even an undo step.
    editor->press(xOf(4000), 10);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(key, 15);
    EXPECT_TRUE(host.song.steps.empty());
    // A chord that began before the clicked bar: a new one there.
    answer = 3; // still D: a new chord all the same
    editor->press(xOf(4000), 10);
    ASSERT_NE(chordAt(3840), nullptr);
    EXPECT_EQ(chordAt(3840)->value, 3);
    EXPECT_TRUE(chordAt(3840)->IsSlct());
    EXPECT_EQ(host.song.steps.back().caption, "New Chord");
    // At a chord's own start: its value is replaced.
    answer = (1 << 16) | 5; // E minor
    editor->press(xOf(3840 + 100), 10);
    EXPECT_EQ(chordAt(3840)->value, answer);
    EXPECT_EQ(host.song.steps.back().caption, "Edit Chord");
    // The same value at its start changes nothing.
    const size_t steps = host.song.steps.size();
    editor->press(xOf(3840 + 100), 10);
    EXPECT_EQ(host.song.steps.size(), steps);
}

TEST_F(ChordsTest, DrawingInTheGridAddsAndMovesChords)
{
    // A new G in bar 2 where the pause sounds.
    editor->press(xOf(3840 + 500), yOf(7));
    EXPECT_EQ(window->dragState, CHORDS_NEW_CHORD);
    EXPECT_EQ(editor->status[0], "[G] 2:01:000");
    editor->release(xOf(3840 + 500), yOf(7));
    ASSERT_NE(chordAt(3840), nullptr);
    EXPECT_EQ(chordAt(3840)->value, 8);
    EXPECT_TRUE(chordAt(3840)->IsSlct());
    EXPECT_EQ(host.song.steps.back().caption, "Add Chord");
    // Its start, grabbed near it, moves a bar on.
    editor->press(xOf(3840) + 1, yOf(7));
    EXPECT_EQ(window->dragState, CHORDS_MOVE);
    editor->move(xOf(3840) + 1 + 192, yOf(7));
    editor->release(xOf(3840) + 1 + 192, yOf(7));
    EXPECT_EQ(chordAt(3840), nullptr);
    ASSERT_NE(chordAt(7680), nullptr);
    EXPECT_EQ(chordAt(7680)->value, 8);
    EXPECT_EQ(host.song.steps.back().caption, "Change Chord(s) Time");
    // Near the next chord's start that chord is taken.
    editor->press(xOf(7680) - 2, yOf(7));
    EXPECT_EQ(window->dragState, CHORDS_MOVE);
    editor->release(xOf(7680) - 2, yOf(7));
    EXPECT_EQ(editor->contextsOut, 0);
}

TEST_F(ChordsTest, ANewChordAtAChordsStartTakesItsPlace)
{
    putChord(3840, 2); // D in bar 2
    // Another root pressed in bar 2: the new chord snaps to the bar, where
    // D starts; D gives way rather than two chords sounding from one tick.
    editor->press(xOf(3840 + 1500), yOf(5));
    EXPECT_EQ(window->dragState, CHORDS_NEW_CHORD);
    editor->release(xOf(3840 + 1500), yOf(5));
    long atBar = 0;
    for (long i = 0; i < chords->GetNumb(); ++i)
        atBar += chords->GetEvent(i)->IsChord() && chords->GetEvent(i)->time == 3840;
    EXPECT_EQ(atBar, 1);
    EXPECT_EQ(chordAt(3840)->value, 6) << "F";
}

TEST_F(ChordsTest, ErasingTurnsChordsIntoPausesInOneStep)
{
    putChord(0, 4); // E
    editor->tool = TOOL_ERASE;
    const int modified = editor->modifiedCalls;
    // Over an empty cell: nothing changes, the step is dropped.
    editor->press(xOf(500), yOf(8));
    editor->release(xOf(600), yOf(8));
    EXPECT_EQ(editor->modifiedCalls, modified);
    EXPECT_EQ(chordAt(0)->value, 5);
    editor->press(xOf(500), yOf(4));
    editor->move(xOf(900), yOf(4));
    EXPECT_EQ(chordAt(0)->value, 0) << "a pause";
    EXPECT_EQ(editor->modifiedCalls, modified) << "committed at the end";
    editor->release(xOf(900), yOf(4));
    EXPECT_EQ(editor->modifiedCalls, modified + 1);
    EXPECT_EQ(host.song.steps.back().caption, "Delete Chord(s)");
    EXPECT_EQ(host.song.IsModified(), 1);
}

TEST_F(ChordsTest, BandsSelectAndDeleteChords)
{
    putChord(0, 0);
    putChord(3840, 7);
    putChord(7680, 9);
    editor->tool = TOOL_SELECT;
    editor->drag(xOf(3000), 10, xOf(8000), 20);
    EXPECT_FALSE(chordAt(0)->IsSlct());
    EXPECT_TRUE(chordAt(3840)->IsSlct());
    EXPECT_TRUE(chordAt(7680)->IsSlct());
    // In the grid only the pitch classes under the band.
    editor->drag(xOf(100), yOf(8), xOf(9000), yOf(6));
    EXPECT_FALSE(chordAt(0)->IsSlct());
    EXPECT_TRUE(chordAt(3840)->IsSlct());
    EXPECT_FALSE(chordAt(7680)->IsSlct());
    editor->tool = TOOL_ERASE;
    editor->drag(xOf(3000), 10, xOf(5000), 20);
    EXPECT_EQ(chordAt(3840), nullptr);
    EXPECT_EQ(host.song.steps.back().caption, "Delete Chord(s)");
    editor->paintAll();
    EXPECT_EQ(editor->contextsOut, 0);
}

TEST_F(ChordsTest, TheWheelLaneReadsAndDrawsValues)
{
    window->SetEdit(LANE_WHEEL);
    EXPECT_EQ(editor->status[2], " Wheel");
    window->currentRow = 0;
    const long top = 29, bottom = 29 + 84 - 1;
    EXPECT_EQ(window->GetValFromY(bottom + 1), -8192);
    EXPECT_EQ(window->GetValFromY(top), 8191);
    EXPECT_EQ(window->InCell(100, bottom + 1) - 8192, -8192) << "the lane's bottom edge";
    EXPECT_EQ(window->InCell(100, bottom + 2), CELL_BELOW);
    // Multiples of 2048 catch values within 128 when their line is a pixel
    // away; farther values stay as they are.
    const long y2048 = window->GetYFromVal(2048);
    EXPECT_EQ(window->GetValFromY(y2048), 2048);
    EXPECT_EQ(window->GetValFromY(y2048 - 1), 2048);
    EXPECT_NE(window->GetValFromY(y2048 - 3) % 2048, 0);
    editor->move(100, bottom + 1);
    EXPECT_EQ(editor->status[1].substr(0, 7), "[-8192]") << editor->status[1];
    editor->move(100, top);
    EXPECT_EQ(editor->status[1].substr(0, 6), "[8191]") << editor->status[1];
    // A line drawn across bar 1 from low to high.
    editor->toolFlag = STROKE_LINE;
    editor->press(xOf(0), bottom + 1);
    EXPECT_EQ(window->dragState, CHORDS_DRAW_LANE);
    editor->move(xOf(3839), top);
    editor->release(xOf(3839), top);
    EXPECT_EQ(host.song.steps.back().caption, "Draw Wheel");
    long wheels = 0, first = 99999, last = -99999;
    for (long i = 0; i < chords->GetNumb(); ++i) {
        const EVENT *e = chords->GetEvent(i);
        if (!e->IsWheel())
            continue;
        ++wheels;
        if (e->time == 0)
            first = e->getWheelVal();
        last = e->getWheelVal();
    }
    EXPECT_GT(wheels, 50);
    EXPECT_EQ(first, -8192);
    EXPECT_GE(last, 8000);
    editor->paintAll();
    EXPECT_EQ(editor->contextsOut, 0);
    editor->screenshot("pannikel_chords_window_wheel");
}

TEST_F(ChordsTest, TheBandEdgeResizesWithinItsLimits)
{
    editor->press(38, 100);
    EXPECT_EQ(window->dragState, GESTURE_BAND_RESIZE);
    editor->move(80, 100);
    EXPECT_EQ(window->leftBand, 82);
    EXPECT_EQ(wChordsLeftBand, 82);
    editor->move(-100, 100);
    EXPECT_EQ(window->leftBand, 26);
    editor->release(-100, 100);
    EXPECT_EQ(window->dragState, 0);
    editor->paintAll();
    EXPECT_EQ(editor->pixel(25, 200), RGB(0, 0, 0)) << "the band's edge";
}

TEST_F(ChordsTest, TheSongPointerStandsInItsRow)
{
    host.song.playStartTick = 3 * 3840 + 1920; // row 1, x 46 + 96
    window->UpdateSongPtr(0);
    const long rowTop = rowHeight();
    const COLORREF stem = editor->pixel(46 + 96, rowTop + 60);
    editor->paintAll();
    EXPECT_NE(editor->pixel(46 + 96, rowTop + 60), editor->pixel(46 + 90, rowTop + 60));
    EXPECT_EQ(editor->pixel(46 + 96, rowTop + 60), stem);
    EXPECT_EQ(editor->pixel(46 + 96, rowTop + 10), editor->pixel(46 + 90, rowTop + 10))
        << "not through the names";
    // The wheel scrolls by rows of pitch classes.
    editor->wheel(-1.0f, 1);
    EXPECT_EQ(window->scrollPosY, 42);
}

TEST(ChordsLiaison, AChordEditReachesTheOtherWindowsAndTheLyrics)
{
    Host host;
    host.addTrack(TRACK_CHORDS);
    auto *lyrics = static_cast<CTrackMelText *>(host.addTrack(TRACK_MELTEXT));
    host.song.UpdateNodes();
    const long nodesBefore = lyrics->timeNodes.GetNumb();
    Editor &measures = host.open<CMeasWindow>(KEY_MEASURES, 0, 600, 200);
    Editor &chords = host.open<CChordsWindow>(1, 0, 700, 400);
    chords.as<CChordsWindow>()->grid = 0;
    measures.invalidated.clear();
    chords.answer = [](const Request &) -> LONG_PTR { return 3; };
    chords.press(46 + 192 + 10, 10); // a D at bar 2
    EXPECT_GT(lyrics->timeNodes.GetNumb(), nodesBefore) << "the lyrics' nodes follow the chords";
    bool chordRow = false;
    for (const QUAD &q : measures.invalidated)
        chordRow = chordRow || (q.top <= 22 + 26 + 5 && q.bottom >= 22 + 26 + 20 && q.right > 32);
    EXPECT_TRUE(chordRow) << "the measures window repaints the chord row";
}
