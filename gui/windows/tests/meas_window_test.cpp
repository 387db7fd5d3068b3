// The measures window in the tests' host: rows, previews, the rubber band
// that sets the time and track selection, and its company with the tracks
// window.
#include "gui/windows/tests/editor_host.h"
#include "gui/windows/tests/test_window.h"

#include "data/track.h"
#include "data/track_master.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/tracks_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);

// 120 ticks a pixel: a 4/4 bar (3840 ticks) is 32 pixels. Tracks: 1
// chords, 2 MIDI, 3 melody text.
struct MeasTest : ::testing::Test {
    KeepGlobal<long> keepZoom{ZoomMeasHorz};
    Host host;
    CTrack *chords = host.addTrack(TRACK_CHORDS);
    CTrack *midi = host.addTrack(TRACK_MIDI);
    CTrack *melody = host.addTrack(TRACK_MELTEXT);
    Editor *measEditor = nullptr;
    CMeasWindow *meas = nullptr;

    void SetUp() override
    {
        host.song.playStartTick = 10000000;
        for (CTrack *t = host.song.GetNextTrack(nullptr); t; t = host.song.GetNextTrack(t))
            t->SetSlct(0);
        host.song.Update();
        measEditor = &host.open<CMeasWindow>(KEY_MEASURES, 0, 640, 200);
        meas = measEditor->as<CMeasWindow>();
    }

    static void put(CTrack *track, EVENT e, long time)
    {
        e.time = time;
        track->AddToTail(&e, 1);
        track->Sort();
        track->UpdateEdition();
    }
    static long mid(long row) { return 22 + 26 * row + 13; }
    std::vector<COLORREF> pixels(const QUAD &q) const
    {
        std::vector<COLORREF> out;
        for (long y = q.top; y < q.bottom; ++y)
            for (long x = q.left; x < q.right; ++x)
                out.push_back(measEditor->pixel(x, y));
        return out;
    }
    std::vector<long> selected()
    {
        std::vector<long> ids;
        for (CTrack *t = host.song.GetNextSelectedTrack(nullptr); t; t = host.song.GetNextSelectedTrack(t))
            ids.push_back(static_cast<long>(t->GetID()));
        return ids;
    }
};

} // namespace

TEST_F(MeasTest, RowsAndZoomLimits)
{
    EXPECT_EQ(meas->GetRow(22), -1);
    EXPECT_EQ(meas->GetRow(23), 0);
    EXPECT_EQ(meas->GetRow(48), 0);
    EXPECT_EQ(meas->GetRow(49), 1);
    EXPECT_EQ(meas->GetRow(mid(2)), 2);
    EXPECT_EQ(meas->GetTrack(mid(2)), midi);
    EXPECT_EQ(meas->GetTrack(mid(9)), nullptr);
    long min, max;
    EXPECT_EQ(meas->GetZoomHorz(min, max), 120);
    EXPECT_EQ(min, 30);
    EXPECT_EQ(max, 240);
    meas->SetZoomHorz(10);
    EXPECT_EQ(meas->zoom, 30);
    EXPECT_EQ(ZoomMeasHorz, 30);
    meas->SetZoomHorz(1000);
    EXPECT_EQ(meas->zoom, 240);
    // Rows scroll under the still ruler and master row.
    meas->SetZoomHorz(120);
    measEditor->scrolled.clear();
    measEditor->scroll(1, 26);
    ASSERT_EQ(measEditor->scrolled.size(), 1u);
    EXPECT_EQ(measEditor->scrolled[0].top, 48);
}

TEST_F(MeasTest, PreviewsShowEachTracksContent)
{
    EVENT note;
    note.setNote(0, 127, 100);
    note.value = 3840; // one bar
    put(midi, note, 3840);
    EVENT chord;
    chord.setChord(0, 0); // C major
    put(chords, chord, 3840 * 2);
    EVENT tune;
    tune.setMelody(90); // above 83: the row's top
    put(melody, tune, 0);
    tune.setMelody(-1); // a rest
    put(melody, tune, 3840);
    midi->UpdateLastTime();
    host.song.Update();
    measEditor->paintAll();
    Editor &e = *measEditor;
    // the note: pitch 127 at the row's top, from bar 2 to bar 3
    const long midiTop = 22 + 26 * 2;
    EXPECT_EQ(e.pixel(32 + 10, midiTop), kBlack);
    EXPECT_EQ(e.pixel(32 + 32, midiTop), kBlack) << "to the end + 1";
    EXPECT_NE(e.pixel(32 + 34, midiTop), kBlack);
    EXPECT_NE(e.pixel(20, midiTop), kBlack);
    // the melody line at its row's top until the rest
    const long melodyTop = 22 + 26 * 3;
    EXPECT_EQ(e.pixel(10, melodyTop), kBlack);
    EXPECT_NE(e.pixel(40, melodyTop), kBlack);
    // the chord symbol in bar 3 of the chord row
    EXPECT_GT(e.count(QUAD(64, 22 + 26, 80, 22 + 52), kBlack), 5);
    EXPECT_EQ(e.count(QUAD(33, 49, 60, 22 + 52), kBlack), 0);
    // the master row: the time signature text and the tempo curve
    EXPECT_GT(e.count(QUAD(0, 35, 20, 47), kBlack), 5);
    EXPECT_GT(e.count(QUAD(0, 22, 640, 48), colourOf(colDkGray)), 100);
    EXPECT_EQ(e.pixel(300, 48), kBlack);
    e.screenshot("pannikel_measures_window");
}

TEST_F(MeasTest, ARubberBandSetsTheTimeAndTrackSelection)
{
    host.open<CTracksWindow>(KEY_TRACKS, 0, 900, 200); // follows the band's rows
    // From bar 2 (x 32) to bar 4 (x 96) over rows 1 and 2.
    measEditor->press(33, mid(1));
    EXPECT_TRUE(measEditor->captured);
    EXPECT_EQ(host.song.playStartTick, 3840) << "the song pointer goes to the bar";
    EXPECT_EQ(selected(), (std::vector<long>{1}));
    const std::vector<COLORREF> before = pixels(QUAD(30, 49, 100, 120));
    measEditor->move(70, mid(2));
    EXPECT_NE(pixels(QUAD(30, 49, 100, 120)), before) << "the band shows";
    measEditor->move(95, mid(2));
    measEditor->release(95, mid(2));
    EXPECT_FALSE(measEditor->captured);
    EXPECT_EQ(host.song.selectionStart, 3840);
    EXPECT_EQ(host.song.selectionEnd, 3840 * 3);
    EXPECT_EQ(selected(), (std::vector<long>{1, 2}));
    // Selected tracks take the selection: their events in it too.
    measEditor->paintAll();
    EXPECT_EQ(measEditor->pixel(50, 22 + 26 * 2 + 20), colourOf(colSlctMIDI));
    EXPECT_EQ(measEditor->pixel(20, 22 + 26 * 2 + 20), colourOf(colBkgndMIDI));
    EXPECT_EQ(measEditor->pixel(50, 22 + 26 * 3 + 20), colourOf(colBkgndMelText));
    measEditor->screenshot("pannikel_measures_selection");
    // A band whose edges snap to one bar keeps the selection.
    measEditor->drag(70, mid(3), 72, mid(3));
    EXPECT_EQ(host.song.selectionStart, 3840);
    EXPECT_EQ(host.song.selectionEnd, 3840 * 3);
    EXPECT_EQ(selected(), (std::vector<long>{3}));
    // With the first modifier flag the selection goes, whatever the band.
    measEditor->drag(70, mid(3), 200, mid(1), 1, 0);
    EXPECT_FALSE(host.song.IsTimeSelection());
    // Nothing of the band is left on the window.
    measEditor->paintAll();
    const long inked = measEditor->count(QUAD(0, 49, 640, 200), kBlack);
    measEditor->drag(100, mid(1), 300, mid(3));
    measEditor->paintAll();
    EXPECT_EQ(measEditor->count(QUAD(0, 49, 640, 200), kBlack), inked);
}

TEST_F(MeasTest, ABandInTheRulerOnlyChangesNoTrackWithoutASelection)
{
    midi->SetSlct(1);
    host.song.Update();
    measEditor->drag(70, 10, 71, 12);
    EXPECT_FALSE(host.song.IsTimeSelection());
    EXPECT_EQ(selected(), (std::vector<long>{2}));
    // With a selection made in the ruler the selected tracks keep theirs.
    measEditor->drag(33, 10, 120, 12);
    EXPECT_EQ(host.song.selectionStart, 3840);
    EXPECT_EQ(host.song.selectionEnd, 3840 * 4);
    EXPECT_EQ(selected(), (std::vector<long>{2}));
    // Ending in the master row selects the master row.
    measEditor->drag(33, 10, 120, 40);
    EXPECT_EQ(selected(), (std::vector<long>{0}));
}

TEST_F(MeasTest, PressesMoveTheSongPointerInEveryWindow)
{
    std::vector<std::string> log;
    host.openWindow(new TestWindow(&log, "other"), 7, 0, 200, 100, false);
    log.clear();
    measEditor->press(100, mid(2));
    measEditor->release(100, mid(2));
    EXPECT_EQ(host.song.playStartTick, 3840 * 3);
    EXPECT_EQ(log, (std::vector<std::string>{"other songptr"}));
    measEditor->move(100, mid(2));
    EXPECT_EQ(measEditor->status[1], " [2] 4:01:480");
    measEditor->move(100, 10);
    EXPECT_EQ(measEditor->status[1], " 4:01:480");
}

TEST_F(MeasTest, CachesFollowTheSongsEdition)
{
    measEditor->paintAll();
    EXPECT_EQ(meas->caches.GetNumb(), 4);
    host.addTrack(TRACK_MIDI);
    host.song.UpdateEdition();
    measEditor->paintAll();
    EXPECT_EQ(meas->caches.GetNumb(), 5);
    EXPECT_EQ(meas->caches.GetAt(4)->GetTrack(), host.song.GetTrack(4));
}

// A track inserted by someone else (an import, a template) before the MIDI
// track moves it down a row: the caches follow the song's edition, so each
// row draws from its own track's cache.
TEST_F(MeasTest, ATrackInsertedElsewhereIsNoticed)
{
    EVENT note;
    note.setNote(0, 127, 100);
    note.value = 3840;
    put(midi, note, 3840);
    midi->UpdateLastTime();
    host.song.Update();
    measEditor->paintAll();
    const long rowTop = 22 + 26 * 2;
    ASSERT_EQ(measEditor->pixel(32 + 10, rowTop), kBlack);

    CTrack *inserted = host.song.InsertNewTrack(TRACK_MIDI, 2, 0);
    ASSERT_NE(inserted, nullptr);
    ASSERT_EQ(midi->GetID(), 3u);
    measEditor->paintAll();
    ASSERT_EQ(meas->caches.GetNumb(), 5);
    EXPECT_EQ(meas->caches.GetAt(2)->GetTrack(), inserted);
    EXPECT_EQ(meas->caches.GetAt(3)->GetTrack(), midi);
    EXPECT_NE(measEditor->pixel(32 + 10, rowTop), kBlack) << "the new track has no notes";
    EXPECT_EQ(measEditor->pixel(32 + 10, rowTop + 26), kBlack) << "the note one row down";
}

TEST_F(MeasTest, DoubleClickOpensATracksEditorAndTheWheelScrolls)
{
    Editor &tracksEditor = host.open<CTracksWindow>(KEY_TRACKS, 0, 900, 200);
    measEditor->doubleClick(100, mid(2));
    ASSERT_FALSE(measEditor->requests.empty());
    EXPECT_EQ(measEditor->requests.back().code, 1);
    EXPECT_EQ(measEditor->requests.back().a, 2);
    measEditor->wheel(-1.0f, 1);
    EXPECT_EQ(meas->scrollPosY, 26);
    EXPECT_EQ(tracksEditor.get()->scrollPosY, 26);
    measEditor->wheel(-0.5f, 0); // two quarters: 1920 ticks, 16 pixels
    EXPECT_EQ(meas->scrollPosX, 16);
    measEditor->wheel(0.01f, 0);
    EXPECT_EQ(meas->scrollPosX, 16);
}
