// The MIDI window in the tests' host: its rows and value scales, its
// painting, and the edits each tool makes of notes, velocities and lanes.
#include "gui/windows/tests/editor_host.h"

#include "data/event.h"
#include "data/text_widths.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/midi_window.h"
#include "gui/windows/tracks_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

// 10 ticks a pixel beside a 40-pixel band: tick t at x 40 + t / 10. Rows of
// 9 pixels scrolled so that note 72's row starts under the ruler: note n's
// row at 22 + (72 - n) * 9. The grid is a sixteenth (240 ticks, 24 pixels).
struct MIDITest : ::testing::Test {
    KeepGlobal<long> keepRows{ZoomMIDIVert};
    KeepGlobal<long> keepBand{wMIDILeftBand};
    Host host;
    CTrackMIDI *track = static_cast<CTrackMIDI *>(host.addTrack(TRACK_MIDI, "Piano"));
    Editor *editor = nullptr;
    CMIDIWindow *window = nullptr;

    void SetUp() override
    {
        ZoomMIDIVert = 9;
        wMIDILeftBand = 40;
        host.song.playStartTick = 10000000;
        editor = &host.open<CMIDIWindow>(static_cast<long>(track->GetID()), 0, 800, 400);
        window = editor->as<CMIDIWindow>();
        window->ScrollToPosition(0, (127 - 72) * 9);
        editor->paintAll();
        host.song.steps.clear();
    }
    static long xOf(long tick) { return 40 + tick / 10; }
    static long rowOf(long note) { return 22 + (72 - note) * 9; }
    void addNote(long time, long pitch, long duration, long velocity = 90, bool selected = false)
    {
        EVENT e;
        e.setNote(0, pitch, velocity);
        e.value = duration;
        e.time = time;
        e.SetSlct(selected);
        track->AddToTail(&e, 1);
        track->Sort();
        track->UpdateEdition();
    }
    EVENT *note(long pitch) const
    {
        for (long i = 0; i < track->GetNumb(); ++i)
            if (track->GetEvent(i)->IsNote() && track->GetEvent(i)->data1 == pitch)
                return track->GetEvent(i);
        return nullptr;
    }
    long notes() const
    {
        long n = 0;
        for (long i = 0; i < track->GetNumb(); ++i)
            n += track->GetEvent(i)->IsNote();
        return n;
    }
    long count(long lane) const
    {
        long n = 0;
        for (long i = 0; i < track->GetNumb(); ++i) {
            const EVENT *e = track->GetEvent(i);
            n += lane == LANE_WHEEL ? e->IsWheel() : e->IsCtrl(lane);
        }
        return n;
    }
    void stroke(long x0, long x1, long y)
    {
        editor->press(x0, y);
        for (long x = x0; x <= x1; x += 8)
            editor->move(x, y);
        editor->release(x1, y);
    }
};

} // namespace

TEST(MIDIBinding, OnlyAMIDITrackCanBeShown)
{
    Host host;
    host.addTrack(TRACK_CHORDS);
    host.addTrack(TRACK_MIDI);
    EXPECT_EQ(host.tryOpen(new CMIDIWindow, 1, 0), nullptr);
    EXPECT_EQ(host.tryOpen(new CMIDIWindow, 7, 0), nullptr);
    Editor *editor = host.tryOpen(new CMIDIWindow, 2, 0);
    ASSERT_NE(editor, nullptr);
    auto *window = editor->as<CMIDIWindow>();
    EXPECT_EQ(editor->tool, TOOL_DRAW);
    EXPECT_EQ(editor->toolFlag, 0);
    EXPECT_EQ(window->lastDur, 960);
    EXPECT_EQ(window->lastVel, 100);
    EXPECT_EQ(window->GetDataObject(), host.song.GetTrack(2));
    EXPECT_EQ(editor->status[2], " Notes");
}

TEST_F(MIDITest, RowsAndValueScales)
{
    EXPECT_EQ(window->GetYFromVal(72), 22);
    EXPECT_EQ(window->GetValFromY(22), 72);
    EXPECT_EQ(window->GetValFromY(22 + 8), 72);
    EXPECT_EQ(window->GetValFromY(22 + 9), 71);
    EXPECT_EQ(window->GetValFromY(0), 75) << "above the data area the rows go on";
    EXPECT_EQ(window->scrollMaxY, 128 * 9 - (400 - 22));

    window->SetEdit(LANE_VELOCITY); // 378 pixels, 128 values
    EXPECT_EQ(editor->status[2], " Velocity");
    EXPECT_EQ(window->scrollYByRedraw, 1);
    EXPECT_EQ(window->GetYFromVal(127), 22);
    EXPECT_EQ(window->GetYFromVal(1), 22 + 372); // 126 * 2.953 + 0.5
    EXPECT_EQ(window->GetValFromY(400), 1) << "never below 1";
    EXPECT_EQ(window->GetValFromY(window->GetYFromVal(70)), 70);

    window->SetEdit(7);
    EXPECT_EQ(window->GetValFromY(399), 0);
    EXPECT_EQ(window->GetValFromY(22), 127);

    window->SetEdit(LANE_CAT);
    EXPECT_EQ(editor->status[2], " Chan.Aft.");
    window->SetEdit(LANE_NOTE);
    EXPECT_EQ(window->scrollYByRedraw, 0);
}

// A wheel value snaps to a multiple of 2048 only within one pixel of its
// row and within 128 of it - from either side.
TEST_F(MIDITest, AWheelValueSnapsToTheGridWithinAPixelFromEitherSide)
{
    window->SetEdit(LANE_WHEEL); // 378 pixels for 16384 values: 43 a pixel
    const long y2048 = window->GetYFromVal(2048);
    EXPECT_EQ(window->GetValFromY(y2048), 2048);
    EXPECT_EQ(window->GetValFromY(y2048 - 1), 2048) << "above the line";
    EXPECT_EQ(window->GetValFromY(y2048 + 1), 2048) << "below the line, nearer 2048 than 0";
    EXPECT_EQ(window->GetValFromY(window->GetYFromVal(-2048) + 1), -2048);
    const long away = window->GetValFromY(y2048 + 3);
    EXPECT_NE(away % 2048, 0) << "three pixels away it does not snap";
    EXPECT_EQ(window->GetValFromY(22), 8191);
    EXPECT_EQ(window->GetValFromY(400), -8192);
}

TEST_F(MIDITest, PaintsNotesOnTheKeyboardRows)
{
    addNote(0, 60, 960);
    addNote(960, 64, 480, 90, true);
    editor->paintAll();
    // the note's box: lit left edge, filled inside, dark right edge
    EXPECT_EQ(editor->pixel(xOf(0), rowOf(60) + 4), RGB(255, 255, 255));
    EXPECT_EQ(editor->pixel(xOf(480), rowOf(60) + 4), colourOf(colFillNoteNorm));
    EXPECT_EQ(editor->pixel(xOf(959), rowOf(60) + 4), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(xOf(960) + 1, rowOf(60) + 4), colourOf(colBkgndMIDI));
    EXPECT_EQ(editor->pixel(xOf(1200), rowOf(64) + 4), colourOf(colFillNoteSlct));
    EXPECT_EQ(window->noteQuads.GetNumb(), 2);
    // the keyboard: C sharp a black half key, a line under C
    EXPECT_EQ(editor->pixel(5, rowOf(61) + 2), RGB(0, 0, 0));
    EXPECT_NE(editor->pixel(30, rowOf(61) + 2), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(10, rowOf(60) + 8), RGB(0, 0, 0));
    EXPECT_NE(editor->pixel(5, rowOf(62) + 2), RGB(0, 0, 0));
    // the rows: black keys shaded, a line under C
    EXPECT_EQ(editor->pixel(300, rowOf(61) + 4), colourOf(colSlctMIDI1));
    EXPECT_EQ(editor->pixel(300, rowOf(62) + 4), colourOf(colBkgndMIDI));
    EXPECT_EQ(editor->pixel(300, rowOf(60) + 8), RGB(0, 0, 0));
    // the ruler's corner
    EXPECT_EQ(editor->pixel(10, 20), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(10, 21), RGB(255, 255, 255));
    editor->screenshot("pannikel_midi_window");
}

TEST_F(MIDITest, RowsCanBeColouredByTheirDegreeInTheKey)
{
    CTrackMaster *master = host.song.GetTrackMaster();
    EVENT key;
    key.setKSign(KSignMetaToIndex(2, 0)); // D major from bar 2
    key.time = 3840;
    master->AddToTail(&key, 1);
    master->Sort();
    master->UpdateParams(0);
    window->SetByKSign(1);
    editor->paint();
    const long before = xOf(1000), after = xOf(4000) + 3;
    EXPECT_EQ(editor->pixel(before, rowOf(61) + 4), colourOf(colBkgndMIDI)) << "C sharp is not in C major";
    EXPECT_EQ(editor->pixel(before, rowOf(64) + 4), colourOf(colSlctMIDI1)) << "E, the third";
    EXPECT_EQ(editor->pixel(before, rowOf(65) + 4), colourOf(colSlctMIDI)) << "F, the fourth";
    EXPECT_EQ(editor->pixel(after, rowOf(61) + 4), colourOf(colSlctMIDI1)) << "C sharp in D major";
    EXPECT_EQ(editor->pixel(after, rowOf(67) + 4), colourOf(colSlctMIDI)) << "G, D major's fourth";
    EXPECT_EQ(editor->pixel(after, rowOf(65) + 4), colourOf(colBkgndMIDI));
    editor->screenshot("pannikel_midi_window_by_key");
}

TEST_F(MIDITest, DrawingOnAnEmptyRowAddsANote)
{
    addNote(0, 60, 960, 90, true);
    editor->paintAll();
    editor->press(xOf(1930), rowOf(67) + 4);
    editor->move(xOf(1940), rowOf(67) + 4);
    EXPECT_EQ(editor->status[0].substr(0, 1), "[");
    editor->release(xOf(1940), rowOf(67) + 4);
    const EVENT *added = note(67);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->time, 1920) << "the grid time at the box's left";
    EXPECT_EQ(added->value, 960) << "the last length, a quarter at first";
    EXPECT_EQ(added->getNoteVel(), 100);
    EXPECT_TRUE(added->IsSlct());
    EXPECT_FALSE(note(60)->IsSlct()) << "without the flag only the new note is selected";
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Add Note");
    EXPECT_EQ(host.song.steps[0].scope, static_cast<long>(track->GetID()));
    EXPECT_EQ(editor->modifiedCalls, 1);
    EXPECT_TRUE(editor->lockHeldAtModified);
    EXPECT_FALSE(editor->captured);

    editor->paintAll();
    editor->press(xOf(3840), rowOf(69) + 4, 1);
    editor->release(xOf(3840), rowOf(69) + 4, 1);
    EXPECT_TRUE(note(69)->IsSlct());
    EXPECT_TRUE(note(67)->IsSlct()) << "with the flag the earlier selection stays";
}

TEST_F(MIDITest, DraggingANoteMovesStretchesOrTransposesIt)
{
    addNote(960, 60, 960, 77);
    editor->paintAll();
    // the start grip: a beat later
    editor->drag(xOf(960), rowOf(60) + 4, xOf(960) + 96, rowOf(60) + 4);
    ASSERT_NE(note(60), nullptr);
    EXPECT_EQ(note(60)->time, 1920);
    EXPECT_EQ(window->lastVel, 77);
    EXPECT_TRUE(note(60)->IsSlct());
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps.back().caption, "Edit Note(s) Start");

    // the body: two rows down
    editor->paintAll();
    editor->drag(xOf(2400), rowOf(60) + 4, xOf(2400), rowOf(58) + 4);
    EXPECT_EQ(note(58) != nullptr, true);
    EXPECT_EQ(editor->status[0], "") << "cleared after the gesture";
    EXPECT_EQ(host.song.steps.back().caption, "Edit Note(s) Pitch");

    // the end: a quarter longer
    editor->paintAll();
    editor->drag(xOf(2879) - 1, rowOf(58) + 4, xOf(2879) - 1 + 96, rowOf(58) + 4);
    EXPECT_EQ(note(58)->value, 1920);
    EXPECT_EQ(window->lastDur, 1920);
    EXPECT_EQ(host.song.steps.back().caption, "Edit Note(s) Duration");

    // a press without a move changes nothing and stores no step
    editor->paintAll();
    const size_t steps = host.song.steps.size();
    editor->press(xOf(2400), rowOf(58) + 4);
    editor->release(xOf(2400), rowOf(58) + 4);
    EXPECT_EQ(host.song.steps.size(), steps);
    EXPECT_EQ(note(58)->time, 1920);
}

TEST_F(MIDITest, ANoteStretchedLeftOfItsStartKeepsOnePixel)
{
    window->snap = 0;
    addNote(960, 60, 480);
    editor->paintAll();
    editor->drag(xOf(1439) - 1, rowOf(60) + 4, xOf(0), rowOf(60) + 4);
    EXPECT_EQ(note(60)->value, 10) << "one pixel's worth of ticks";
}

TEST_F(MIDITest, WithTheFlagEverySelectedNoteMovesTogether)
{
    addNote(0, 60, 480, 90, true);
    addNote(960, 62, 480, 90, true);
    addNote(1920, 64, 480, 90, false);
    editor->paintAll();
    editor->drag(xOf(960) + 20, rowOf(62) + 4, xOf(960) + 20, rowOf(65) + 4, 1);
    EXPECT_NE(note(63), nullptr);
    EXPECT_NE(note(65), nullptr);
    EXPECT_NE(note(64), nullptr) << "the unselected note stays";
    EXPECT_EQ(notes(), 3);
}

TEST_F(MIDITest, DraggedPitchesStopWhereTheHighestReachesTheTop)
{
    addNote(0, 120, 480, 90, true);
    addNote(960, 124, 480, 90, true);
    window->ScrollToPosition(0, 0);
    editor->paintAll();
    editor->drag(xOf(240), 22 + 7 * 9 + 4, xOf(240), 22, 1);
    EXPECT_NE(note(123), nullptr);
    EXPECT_NE(note(127), nullptr);
    EXPECT_EQ(editor->status[0], "");
}

TEST_F(MIDITest, TheEraserTakesTheNotesItCrosses)
{
    addNote(0, 60, 960);
    addNote(960, 62, 960);
    addNote(1920, 50, 960);
    editor->tool = TOOL_ERASE;
    editor->paintAll();
    editor->press(xOf(480), rowOf(60) + 4);
    editor->release(xOf(480), rowOf(60) + 4);
    EXPECT_EQ(note(60), nullptr) << "a click erases the note under it";
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Delete Note(s)");
    EXPECT_EQ(editor->modifiedCalls, 1);

    editor->drag(xOf(900), rowOf(62) + 4, xOf(2400), rowOf(61) + 4);
    EXPECT_EQ(note(62), nullptr);
    EXPECT_NE(note(50), nullptr) << "below the pitches crossed";
    // a stroke over nothing stores nothing
    const int modified = editor->modifiedCalls;
    editor->drag(xOf(5000), rowOf(70) + 4, xOf(6000), rowOf(70) + 4);
    EXPECT_EQ(editor->modifiedCalls, modified);
    EXPECT_EQ(host.song.restored, 0);
}

TEST_F(MIDITest, TheSelectToolSelectsTheNotesInItsBand)
{
    addNote(0, 60, 480);
    addNote(960, 62, 480);
    addNote(3840, 62, 480, 90, true);
    editor->tool = TOOL_SELECT;
    editor->paintAll();
    editor->drag(xOf(0), rowOf(63), xOf(1200), rowOf(59));
    EXPECT_TRUE(note(60)->IsSlct());
    EXPECT_TRUE(track->GetEvent(1)->IsSlct());
    EXPECT_FALSE(track->GetEvent(track->GetNumb() - 1)->IsSlct()) << "outside the band";
    EXPECT_EQ(editor->contextsOut, 0);
    EXPECT_TRUE(host.song.steps.empty()) << "selecting is no edit";
}

TEST_F(MIDITest, TheRulerMovesTheSongPointerAndSelectsTime)
{
    editor->drag(xOf(3840) + 3, 10, xOf(7680) + 2, 10);
    EXPECT_EQ(host.song.playStartTick, 3840);
    EXPECT_EQ(host.song.selectionStart, 3840);
    EXPECT_EQ(host.song.selectionEnd, 7680);
    EXPECT_EQ(editor->contextsOut, 0);
    // with the flag a click clears it
    editor->press(xOf(960), 10, 1);
    editor->release(xOf(960), 10, 1);
    EXPECT_FALSE(host.song.IsTimeSelection());
}

TEST_F(MIDITest, AControllerStrokeBecomesEventsAndTheVolumeFollows)
{
    Editor &tracks = host.open<CTracksWindow>(KEY_TRACKS, 0, 900, 300);
    window->snap = 0;
    window->SetEdit(7);
    editor->paintAll();
    tracks.invalidated.clear();
    const long y = window->GetYFromVal(80);
    stroke(xOf(0), xOf(2000), y);
    EXPECT_GT(count(7), 0);
    EXPECT_EQ(track->volume, 80) << "the tick-0 controller is the track's volume";
    EXPECT_TRUE(editor->lockHeldAtModified);
    EXPECT_FALSE(tracks.invalidated.empty()) << "the tracks window shows the new volume";
    ASSERT_FALSE(host.song.steps.empty());
    EXPECT_EQ(host.song.steps.back().caption.substr(0, 5), "Draw ");
    editor->paint();
    EXPECT_EQ(editor->pixel(xOf(1000), y), colourOf(colDrawCtrl));
    EXPECT_EQ(editor->contextsOut, 0);
    editor->screenshot("pannikel_midi_window_volume");

    // erasing its start
    editor->tool = TOOL_ERASE;
    const long before = count(7);
    editor->drag(xOf(0), y - 20, xOf(500), y + 20);
    EXPECT_LT(count(7), before);
    EXPECT_EQ(track->volume, -1) << "no volume controller at tick 0 any more";
    EXPECT_EQ(host.song.steps.back().caption.substr(0, 7), "Delete ");
}

TEST_F(MIDITest, AWheelStrokeKeepsStepsOfAtLeast32)
{
    window->snap = 0;
    window->SetEdit(LANE_WHEEL);
    editor->paintAll();
    editor->press(xOf(0), window->GetYFromVal(0));
    for (long x = xOf(0); x <= xOf(3000); x += 4)
        editor->move(x, window->GetYFromVal(0) - (x - 40) / 4);
    editor->release(xOf(3000), window->GetYFromVal(0) - 75);
    long last = -100000;
    long wheels = 0;
    for (long i = 0; i < track->GetNumb(); ++i) {
        const EVENT *e = track->GetEvent(i);
        if (!e->IsWheel())
            continue;
        ++wheels;
        if (last != -100000) {
            EXPECT_GE(std::labs(e->getWheelVal() - last), 32);
        }
        last = e->getWheelVal();
    }
    EXPECT_GT(wheels, 3);
    EXPECT_EQ(host.song.steps.back().caption, "Draw Wheel");
    editor->paint();
    editor->screenshot("pannikel_midi_window_wheel");
}

TEST_F(MIDITest, AVelocityStrokeSetsTheVelocitiesOfTheNotesUnderIt)
{
    window->snap = 0;
    addNote(0, 60, 480, 90);
    addNote(960, 62, 480, 90, true);
    addNote(5000, 64, 480, 90);
    window->SetEdit(LANE_VELOCITY);
    editor->paintAll();
    // the velocity lines, selected in the selection's colour
    EXPECT_EQ(editor->pixel(xOf(0), window->GetYFromVal(90) + 10), colourOf(colDrawCtrl));
    EXPECT_EQ(editor->pixel(xOf(960), window->GetYFromVal(90) + 10), colourOf(colDrawCtrlSel));
    EXPECT_EQ(editor->pixel(xOf(240), rowOf(60) + 4), colourOf(colFillNoteBkgn)) << "the notes behind";
    stroke(xOf(0), xOf(2000), window->GetYFromVal(40));
    EXPECT_EQ(note(60)->getNoteVel(), 40);
    EXPECT_EQ(note(62)->getNoteVel(), 40);
    EXPECT_EQ(note(64)->getNoteVel(), 90);
    EXPECT_EQ(host.song.steps.back().caption, "Draw Velocity");
    editor->paint();
    editor->screenshot("pannikel_midi_window_velocity");
}

TEST_F(MIDITest, TheBandWidthStaysWithinItsLimits)
{
    editor->drag(38, 10, 400, 10);
    EXPECT_EQ(window->leftBand, 200);
    EXPECT_EQ(wMIDILeftBand, 200);
    editor->drag(198, 10, 0, 10);
    EXPECT_EQ(window->leftBand, 26);
    EXPECT_EQ(editor->contextsOut, 0);
}

TEST_F(MIDITest, ActivationCentresTheNoteAtTheSongPointer)
{
    window->OnActivate();
    EXPECT_EQ(window->scrollPosY, 9 * (127 - 60) - 378 / 2) << "pitch 60 without notes";
    addNote(0, 90, 480);
    addNote(3840, 40, 480);
    host.song.playStartTick = 0;
    window->OnActivate();
    EXPECT_EQ(window->scrollPosY, 9 * (127 - 90) - 378 / 2) << "the note at the pointer";
    host.song.playStartTick = 1000;
    window->OnActivate();
    EXPECT_EQ(window->scrollPosY, 9 * (127 - 40) - 378 / 2) << "the first note after it";
    host.song.playStartTick = 5000;
    window->OnActivate();
    EXPECT_EQ(window->scrollPosY, 9 * (127 - 40) - 378 / 2) << "else the last before it";
}

TEST_F(MIDITest, AVerticalZoomKeepsTheMiddleRow)
{
    const long middle = window->GetValFromY(22 + 378 / 2);
    window->SetZoomVert(18);
    EXPECT_EQ(window->rowH, 18);
    EXPECT_EQ(ZoomMIDIVert, 18);
    EXPECT_NEAR(window->GetValFromY(22 + 378 / 2), middle, 1);
    long min, max;
    EXPECT_EQ(window->GetZoomVert(min, max), 18);
    EXPECT_EQ(min, 4);
    EXPECT_EQ(max, 20);
    window->SetZoomVert(40);
    EXPECT_EQ(window->rowH, 20);
}

TEST_F(MIDITest, TheWheelScrolls)
{
    window->OnMouseWheel(-1.0f, 0);
    EXPECT_EQ(window->scrollPosX, 48) << "half a quarter at ten ticks a pixel";
    window->OnMouseWheel(1.0f, 1);
    EXPECT_EQ(window->scrollPosY, (127 - 72) * 9 - 9);
    EXPECT_EQ(editor->wheelScrolls, 2);
}
