// The liaison: registration order, lookups and the broadcasts.
#include "gui/windows/tests/editor_host.h"
#include "gui/windows/tests/test_window.h"

#include "data/track.h"
#include "gui/windows/liaison.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using namespace windows_test;

namespace {

struct Liaison : ::testing::Test {
    Host host;
    std::vector<std::string> log;
    Editor &open(const char *name, long key1, long key2 = 0)
    {
        return host.openWindow(new TestWindow(&log, name), key1, key2, 300, 200, false);
    }
};

} // namespace

TEST_F(Liaison, FindWalksMatchesInKeyOrder)
{
    Editor &three = open("three", 3);
    Editor &one = open("one", 1, 7);
    Editor &oneAgain = open("one again", 1, 7);
    Editor &tract = open("tract", KEY_SONG_TRACT);
    EXPECT_EQ(host.liason.Find(kAnyKey, kAnyKey, nullptr), host.liason.First());
    EXPECT_EQ(host.liason.First()->key1, 1);
    CLiasonElem *first = host.liason.Find(1, 7, nullptr);
    ASSERT_NE(first, nullptr);
    CLiasonElem *second = host.liason.Find(1, 7, first);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->window, second->window);
    EXPECT_TRUE((first->window == one.get() && second->window == oneAgain.get()) ||
                (first->window == oneAgain.get() && second->window == one.get()));
    EXPECT_EQ(host.liason.Find(1, 7, second), nullptr);
    EXPECT_EQ(host.liason.Find(3, kAnyKey, nullptr)->window, three.get());
    EXPECT_EQ(host.liason.Find(3, 1, nullptr), nullptr);
    EXPECT_EQ(host.liason.Find(tract.get())->GetGUIClient(), &tract);
}

TEST_F(Liaison, SongWideWindowsAreFoundOnlyWhenTheyAreOfTheirClass)
{
    EXPECT_EQ(host.liason.GetMainTracks(), nullptr);
    EXPECT_EQ(host.liason.GetMainMeas(), nullptr);
    // Windows of another class under the song-wide keys are not taken for
    // them.
    open("not tracks", KEY_TRACKS);
    open("not measures", KEY_MEASURES);
    open("not a tract", KEY_SONG_TRACT);
    EXPECT_EQ(host.liason.GetMainTracks(), nullptr);
    EXPECT_EQ(host.liason.GetMainMeas(), nullptr);
    EXPECT_EQ(host.liason.GetSongTract(), nullptr);
}

TEST_F(Liaison, BroadcastsReachEveryWindowInKeyOrder)
{
    open("track 4", 4);
    open("measures", KEY_MEASURES);
    open("track 2", 2);
    log.clear();
    host.liason.OnTimer();
    host.liason.CallUpdateChords(480);
    EXPECT_EQ(log,
              (std::vector<std::string>{"measures timer", "track 2 timer", "track 4 timer",
                                        "measures chords 480", "track 2 chords 480", "track 4 chords 480"}));
    log.clear();
    host.liason.CallUpdateSongPtr(0);
    EXPECT_EQ(log, (std::vector<std::string>{"measures songptr", "track 2 songptr", "track 4 songptr"}));
}

TEST_F(Liaison, UpdatesReachTheMatchingWindows)
{
    Editor &two = open("track 2", 2);
    Editor &twoAgain = open("track 2 again", 2, 1);
    Editor &four = open("track 4", 4);
    for (Editor *e : {&two, &twoAgain, &four})
        e->invalidated.clear();
    host.liason.CallUpdate(1, 0, 2, kAnyKey);
    EXPECT_EQ(two.invalidated.size(), 1u);
    EXPECT_EQ(twoAgain.invalidated.size(), 1u);
    EXPECT_TRUE(four.invalidated.empty());
    // A resize only recomputes the scroll ranges.
    auto *window = four.as<TestWindow>();
    window->contentWidth = 100;
    host.liason.CallUpdate(0, 1, 4, kAnyKey);
    EXPECT_EQ(four.scrollMax[0], 0);
    EXPECT_EQ(window->width, 300);

    CTrack *track = host.addTrack(TRACK_MIDI);
    ASSERT_EQ(track->GetID(), 1u);
    track->id = 2; // the windows above edit it
    two.invalidated.clear();
    host.liason.CallUpdateTrack(track, UPDATE_TRACK_WINDOWS);
    EXPECT_EQ(two.invalidated.size(), 1u);
    EXPECT_EQ(two.invalidated[0], QUAD(0, 0, 300, 200));
}
