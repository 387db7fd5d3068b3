// The windows shown as real windows under the display: the host forwards
// the system's messages (paint, mouse, scroll bars) and the pictures come
// from the windows' own painting.
#include "gui/windows/tests/editor_host.h"

#include "data/track.h"
#include "data/track_chords.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/chords_window.h"
#include "gui/windows/master_window.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/midi_window.h"
#include "gui/windows/song_tract_window.h"
#include "gui/windows/tracks_window.h"
#include "sound/sound_mngr.h"
#include "sound/tests/engine_fixture.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

long mid(long row)
{
    return 22 + 26 * row + 13;
}

void click(HWND window, long x, long y, WPARAM keys = 0)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
    pumpMessages();
}

} // namespace

TEST(TracksRealWindow, MessagesReachTheWindowAndItPaintsItself)
{
    Host host;
    host.addTrack(TRACK_CHORDS);
    CTrack *bass = host.addTrack(TRACK_MIDI, "Bass");
    for (CTrack *t = host.song.GetNextTrack(nullptr); t; t = host.song.GetNextTrack(t))
        t->SetSlct(0);
    host.song.Update();
    host.song.playStartTick = 10000000;
    Editor &editor = host.open<CTracksWindow>(KEY_TRACKS, 0, 900, 200, true);
    ASSERT_NE(editor.handle(), nullptr);
    auto *tracks = editor.as<CTracksWindow>();
    EXPECT_EQ(tracks->width, 900);
    EXPECT_EQ(tracks->height, 200);

    click(editor.handle(), 187, mid(2)); // M of the bass
    EXPECT_TRUE(bass->IsMute());
    EXPECT_EQ(editor.modifiedCalls, 1);
    click(editor.handle(), 10, mid(2), MK_CONTROL); // the number column, toggled
    EXPECT_TRUE(bass->IsSlct());
    editor.paint();

    const testing_support::WindowPicture picture = testing_support::printWindow(editor.handle());
    ASSERT_EQ(picture.width, 900);
    EXPECT_EQ(picture.at(165, 22 + 52 + 21), colourOf(colBkgndMIDI));
    EXPECT_EQ(picture.at(3, 22 + 52 + 21), colourOf(colSlctTrMeas));
    EXPECT_EQ(picture.at(100, 47), RGB(0, 0, 0));
    editor.screenshot("pannikel_tracks_real_window");

    // The scroll bar: one line down moves the rows by 16 pixels.
    SendMessageA(editor.handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    pumpMessages();
    EXPECT_EQ(tracks->scrollPosY, 16);
    EXPECT_EQ(GetScrollPos(editor.handle(), SB_VERT), 16);
}

TEST(MeasuresRealWindow, ADragSetsTheTimeSelection)
{
    Host host;
    host.addTrack(TRACK_MIDI);
    host.song.playStartTick = 10000000;
    Editor &editor = host.open<CMeasWindow>(KEY_MEASURES, 0, 640, 200, true);
    ASSERT_NE(editor.handle(), nullptr);
    HWND window = editor.handle();
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(33, mid(1)));
    PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, mid(1)));
    PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(95, mid(1)));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(95, mid(1)));
    pumpMessages();
    EXPECT_EQ(host.song.selectionStart, 3840);
    EXPECT_EQ(host.song.selectionEnd, 3840 * 3);
    EXPECT_FALSE(editor.captured);
    editor.paint();
    const testing_support::WindowPicture picture = testing_support::printWindow(window);
    EXPECT_EQ(picture.at(50, 22 + 26 + 20), colourOf(colSlctMIDI));
    EXPECT_EQ(picture.at(200, 22 + 26 + 20), colourOf(colBkgndMIDI));
    editor.screenshot("pannikel_measures_real_window");
}

TEST(ChordsRealWindow, ADoubleClickedNameAsksTheHostForTheChord)
{
    Host host;
    CTrack *chords = host.addTrack(TRACK_CHORDS);
    host.song.playStartTick = 10000000;
    Editor &editor = host.open<CChordsWindow>(1, 0, 700, 300, true);
    ASSERT_NE(editor.handle(), nullptr);
    editor.as<CChordsWindow>()->grid = 0;                                             // bars
    editor.answer = [](const Request &r) -> LONG_PTR { return r.code == 1 ? 8 : 0; }; // G
    click(editor.handle(), 46 + 192 + 20, 10); // the name line of bar 2
    ASSERT_EQ(editor.requests.size(), 1u);
    bool found = false;
    for (long i = 0; i < chords->GetNumb(); ++i)
        found = found || (chords->GetEvent(i)->IsChord() && chords->GetEvent(i)->time == 3840 &&
                          chords->GetEvent(i)->value == 8);
    EXPECT_TRUE(found);
    editor.paint();
    const testing_support::WindowPicture picture = testing_support::printWindow(editor.handle());
    EXPECT_EQ(picture.at(46 + 192 + 60, 29 + 4 * 7 + 3), colourOf(colFillChordSlct)) << "G's root row";
    editor.screenshot("pannikel_chords_real_window");
}

TEST(MasterRealWindow, TheTempoLaneTakesAStroke)
{
    Host host;
    host.song.playStartTick = 10000000;
    Editor &editor = host.open<CMasterWindow>(0, 0, 800, 300, true);
    ASSERT_NE(editor.handle(), nullptr);
    auto *window = editor.as<CMasterWindow>();
    window->snap = 0;
    HWND handle = editor.handle();
    PostMessageA(handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, window->GetYFromVal(200)));
    for (long x = 100; x <= 300; x += 20)
        PostMessageA(handle, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, window->GetYFromVal(200)));
    PostMessageA(handle, WM_LBUTTONUP, 0, MAKELPARAM(300, window->GetYFromVal(200)));
    pumpMessages();
    EXPECT_NEAR(host.song.GetTrackMaster()->GetTempoAtTime(1500), 200.0f, 1.0f);
    EXPECT_EQ(editor.contextsOut, 0);
    editor.paint();
    const testing_support::WindowPicture picture = testing_support::printWindow(handle);
    EXPECT_EQ(picture.at(200, window->GetYFromVal(200)), colourOf(colDrawCtrl));
    editor.screenshot("pannikel_master_real_window");
}

TEST(MIDIRealWindow, AClickOnAnEmptyRowDrawsANote)
{
    Host host;
    CTrack *track = host.addTrack(TRACK_MIDI);
    host.song.playStartTick = 10000000;
    Editor &editor = host.open<CMIDIWindow>(static_cast<long>(track->GetID()), 0, 700, 300, true);
    ASSERT_NE(editor.handle(), nullptr);
    auto *window = editor.as<CMIDIWindow>();
    window->ScrollToPosition(0, (127 - 72) * window->rowH);
    editor.paint();
    const long y = window->GetYFromVal(64) + window->rowH / 2;
    click(editor.handle(), 40 + 96, y);
    ASSERT_EQ(track->GetNumb(), 1);
    EXPECT_EQ(track->GetEvent(0)->data1, 64);
    EXPECT_EQ(track->GetEvent(0)->time, 960);
    EXPECT_EQ(editor.contextsOut, 0);
    editor.paint();
    const testing_support::WindowPicture picture = testing_support::printWindow(editor.handle());
    EXPECT_EQ(picture.at(40 + 96 + 40, y), colourOf(colFillNoteSlct));
    editor.screenshot("pannikel_midi_real_window");
}

TEST(SongTractRealWindow, AVolumeDragReachesTheEngine)
{
    auto *manager = new CSoundMngr("pannikel window tests");
    IOPARAMS params = sound_test::testParams();
    manager->Init(&params);
    {
        Host host(960, manager);
        host.song.playStartTick = 10000000;
        Editor &editor = host.open<CSongTractWindow>(KEY_SONG_TRACT, 0, 600, 200, true);
        ASSERT_NE(editor.handle(), nullptr);
        auto *window = editor.as<CSongTractWindow>();
        window->SetShowType(STPAGE_BUSES, 0);
        editor.paint();
        const long volume = 31 + 31 + 195 + 78; // the master's Volume cell
        HWND handle = editor.handle();
        PostMessageA(handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(volume + 5, mid(0)));
        PostMessageA(handle, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(volume + 39 + 30, mid(0)));
        PostMessageA(handle, WM_LBUTTONUP, 0, MAKELPARAM(volume + 39 + 30, mid(0)));
        pumpMessages();
        float level = 0, pan = 0;
        long effects = 0;
        host.song.GetSongTract()->GetBusInfo(nullptr, level, pan, effects);
        EXPECT_NEAR(level, 1.04f, 1e-5f);
        EXPECT_FALSE(editor.captured);
        EXPECT_EQ(editor.modifiedCalls, 1);
        editor.paint();
        const testing_support::WindowPicture picture = testing_support::printWindow(handle);
        EXPECT_EQ(picture.at(3, mid(0)), colourOf(colSlctTrMeas)) << "the master row, selected";
        editor.screenshot("pannikel_song_tract_real_window");
    }
    manager->Release();
}
