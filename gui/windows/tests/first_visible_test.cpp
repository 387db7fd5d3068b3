// The first-visible cache over a track's events.
#include "gui/windows/first_visible.h"

#include "data/song.h"
#include "data/tests/fake_sound.h"
#include "data/lyrics_text.h"
#include "data/text_widths.h"
#include "data/track.h"
#include "data/track_meltext.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

struct FirstVisibleTest : ::testing::Test {
    FakeSoundMngr sound;
    CSong song{nullptr, &sound};
    CTrack *track = nullptr;
    FIRSTVISIBLE cache;

    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        track = song.InsertNewTrack(TRACK_MIDI, -1, 0);
        ASSERT_NE(track, nullptr);
        track->Clear();
        cache.Init(track);
    }
    void put(EVENT e, long time, bool selected = false)
    {
        e.time = time;
        e.SetSlct(selected);
        track->AddToTail(&e, 1);
        track->Sort();
        track->UpdateEdition();
    }
    static EVENT note(long duration)
    {
        EVENT e;
        e.setNote(0, 60, 100);
        e.value = duration;
        return e;
    }
    static EVENT ctrl(long number, long value)
    {
        EVENT e;
        e.setCtrl(0, number, value);
        return e;
    }
};

} // namespace

TEST_F(FirstVisibleTest, ANoteStillSoundingStartsTheView)
{
    put(note(1000), 0);
    put(note(10), 100);
    EXPECT_EQ(cache.GetFirstVisible(300, 300, LANE_NOTE), 0);
}

TEST_F(FirstVisibleTest, TheEventReachingFurthestBeforeTheViewStartsIt)
{
    put(ctrl(7, 1), 0);
    put(ctrl(7, 2), 100);
    put(ctrl(7, 3), 500);
    EXPECT_EQ(cache.GetFirstVisible(300, 300, LANE_NOTE), 1);
    // Scrolling on walks on.
    EXPECT_EQ(cache.GetFirstVisible(600, 600, LANE_NOTE), 3);
    EXPECT_EQ(cache.end, 500);
    // Back left, but not left of the anchor's furthest end: still right.
    EXPECT_EQ(cache.GetFirstVisible(300, 300, LANE_NOTE), 1);
    EXPECT_EQ(cache.GetFirstVisible(50, 50, LANE_NOTE), 0);
    EXPECT_EQ(cache.GetFirstVisible(0, 0, LANE_NOTE), 0);
}

TEST_F(FirstVisibleTest, AnEditedTrackIsWalkedFromTheStart)
{
    put(ctrl(7, 1), 0);
    put(ctrl(7, 2), 100);
    put(ctrl(7, 3), 500);
    ASSERT_EQ(cache.GetFirstVisible(300, 300, LANE_NOTE), 1);
    // Without the edition the walk would go on from index 1, now the event
    // at 500.
    track->Delete(0, 1);
    track->UpdateEdition();
    EXPECT_EQ(cache.GetFirstVisible(300, 300, LANE_NOTE), 0);
}

TEST_F(FirstVisibleTest, AnEmptyTrackGivesIndexZeroAndNoValue)
{
    int selected = 1;
    EXPECT_EQ(cache.GetFirstVisible(300, 300, 7), 0);
    EXPECT_EQ(cache.GetValMonitored(selected), kNoValue);
    EXPECT_EQ(selected, 0);
}

TEST_F(FirstVisibleTest, GivesTheMonitoredValueInForce)
{
    put(ctrl(7, 50), 0);
    put(ctrl(10, 20), 100);
    put(ctrl(7, 90), 200, true);
    put(note(50), 250);
    put(ctrl(7, 10), 400);
    int selected = 0;
    cache.GetFirstVisible(300, 300, 7);
    EXPECT_EQ(cache.GetValMonitored(selected), 90);
    EXPECT_EQ(selected, EVENT_SELECTED);
    // Another lane starts over.
    cache.GetFirstVisible(300, 300, 10);
    EXPECT_EQ(cache.GetValMonitored(selected), 20);
    EXPECT_EQ(selected, 0);
    cache.GetFirstVisible(500, 500, 7);
    EXPECT_EQ(cache.GetValMonitored(selected), 10);
}

TEST_F(FirstVisibleTest, LabelsReachIntoTheViewByTheirWidth)
{
    long widths[256];
    std::fill(widths, widths + 256, 10);
    EVENT text;
    text.setText(1, "hello"); // 50 pixels, 500 ticks at 10 ticks a pixel
    put(text, 0);
    put(ctrl(7, 1), 100);
    put(ctrl(7, 2), 800);
    EXPECT_EQ(cache.GetFirstVisible(300, 300, 7, 10, widths), 0);
    EXPECT_EQ(cache.end, 500);
    FIRSTVISIBLE plain;
    plain.Init(track);
    EXPECT_EQ(plain.GetFirstVisible(300, 300, 7), 1);
    // A narrower scale: the label ends before the event at 100.
    EXPECT_EQ(cache.GetFirstVisible(300, 300, 7, 1, widths), 1);
    // Ending with it, the label stays first: only a larger end takes over.
    EXPECT_EQ(cache.GetFirstVisible(300, 300, 7, 2, widths), 0);
}

TEST_F(FirstVisibleTest, LyricsNodesStartWhereTheirTextReaches)
{
    auto *lyrics = static_cast<CTrackMelText *>(song.InsertNewTrack(TRACK_MELTEXT, -1, 0));
    ASSERT_NE(lyrics, nullptr);
    FIRSTVISIBLE nodes;
    nodes.Init(lyrics);
    EXPECT_EQ(nodes.GetFirstVisible(500, 500, 10, ptabWidthD), -1) << "no nodes yet";
    // Node "ab" sung at 0, node "cde" at 960: ten ticks a pixel put them at
    // 0 and 96, and "ab" ends long before pixel 50.
    lyrics->CStructArray::Clear();
    for (long time : {0L, 960L}) {
        EVENT e;
        e.setMelody(60);
        e.time = time;
        lyrics->AddToTail(&e, 1);
    }
    int mode = 1;
    const std::string words = std::string("ab") + kNodeDivider + "cde";
    for (size_t i = 0; i < words.size(); ++i)
        lyrics->text.AddNewChar(0, static_cast<long>(i), words[i], mode);
    ASSERT_EQ(lyrics->UpdateNodes(nullptr), 1);
    ASSERT_EQ(lyrics->text.GetNumNodes(), 2);
    lyrics->UpdateEdition();
    FIRSTVISIBLE fresh;
    fresh.Init(lyrics);
    EXPECT_EQ(fresh.GetFirstVisible(0, 0, 10, ptabWidthD), 0);
    EXPECT_EQ(fresh.GetFirstVisible(500, 500, 10, ptabWidthD), 1);
    EXPECT_EQ(fresh.end, 960);
}
