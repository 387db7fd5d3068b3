#include "data/event_array.h"
#include "data/text_nodes.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Quorvane;

namespace {

struct Events : CEventArray {
    void chord(int32_t time, long root)
    {
        EVENT e;
        e.setChord(root, 0);
        e.time = time;
        AddToTail(&e, 1);
    }
    void melody(int32_t time, long note)
    {
        EVENT e;
        e.setMelody(note);
        e.time = time;
        AddToTail(&e, 1);
    }
    void volume(int32_t time)
    {
        EVENT e;
        e.setCtrl(0, 7, 100);
        e.time = time;
        AddToTail(&e, 1);
    }
};

TEST(TimeNodes, ChordsAndOwnEventsShareNodesByTick)
{
    Events chords, melody;
    chords.volume(0); // not a chord: skipped
    chords.chord(0, 0);
    chords.volume(480);
    chords.chord(1920, 5);
    melody.melody(0, 60);
    melody.melody(960, 62);
    melody.melody(1920, 64);
    melody.melody(2400, 65);

    CTimeNodes nodes;
    ASSERT_EQ(nodes.Build(&chords, &melody), 1);
    ASSERT_EQ(nodes.GetNumb(), 4);
    const long ticks[] = {0, 960, 1920, 2400};
    for (long i = 0; i < 4; ++i)
        EXPECT_EQ(nodes.GetNode(i)->tick, ticks[i]);
    EXPECT_EQ(nodes.GetNode(0)->chord, chords.GetEvent(1));
    EXPECT_EQ(nodes.GetNode(0)->own, melody.GetEvent(0));
    EXPECT_EQ(nodes.GetNode(1)->chord, nullptr);
    EXPECT_EQ(nodes.GetNode(2)->chord, chords.GetEvent(3));
    EXPECT_EQ(nodes.GetNode(3)->own, melody.GetEvent(3));

    long n = 0;
    EXPECT_EQ(nodes.GoToTime(0, n), 0);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(nodes.GoToTime(2000, n), 2);
    EXPECT_EQ(nodes.GoToTime(900, n), 0);
    EXPECT_EQ(nodes.GoToTime(INT_MAX, n), 3);
    EXPECT_EQ(nodes.GoToTime(960, n), 1);
}

TEST(TimeNodes, EitherSideMayBeMissing)
{
    Events chords;
    chords.chord(480, 2);
    CTimeNodes nodes;
    ASSERT_EQ(nodes.Build(&chords, nullptr), 1);
    ASSERT_EQ(nodes.GetNumb(), 1);
    EXPECT_EQ(nodes.GetNode(0)->own, nullptr);
    long n = -1;
    EXPECT_EQ(nodes.GoToTime(100, n), 0); // before the first node
    ASSERT_EQ(nodes.Build(nullptr, nullptr), 1);
    EXPECT_EQ(nodes.GoToTime(100, n), 0);
    EXPECT_EQ(n, 0);
}

TEST(TextNodes, SearchByCharacterFromEitherSideOfTheCache)
{
    CTextNodes nodes;
    const long starts[][2] = {{0, 0}, {0, 4}, {1, 0}, {1, 3}};
    for (const auto &s : starts) {
        TEXTNODE node;
        node.line = s[0];
        node.start = s[1];
        ASSERT_EQ(nodes.Append(node), 1);
    }
    EXPECT_EQ(nodes.FindByChar(1, 5), 3);
    EXPECT_EQ(nodes.FindByChar(0, 3), 0);
    EXPECT_EQ(nodes.FindByChar(0, 9), 1);
    EXPECT_EQ(nodes.FindByChar(1, 0), 2);
    EXPECT_EQ(nodes.FindByDivider(1, 3), 3);
    EXPECT_EQ(nodes.FindByDivider(1, 2), -1);
    EXPECT_EQ(nodes.FindByDivider(0, 0), 0);
    CTextNodes none;
    EXPECT_EQ(none.FindByChar(0, 0), -1);
}

} // namespace
