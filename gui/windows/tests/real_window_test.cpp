// The windows shown as real windows under the display: the host forwards
// the system's messages (paint, mouse, scroll bars) and the pictures come
// from the windows' own painting.
#include "gui/windows/tests/editor_host.h"

#include "data/track.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/tracks_window.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

COLORREF colourOf(const RGBACOLOR &c)
{
    return RGB(c.R, c.G, c.B);
}

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
