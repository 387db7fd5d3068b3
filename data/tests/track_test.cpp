#include "data/song.h"
#include "data/track.h"

#include "data/tests/fake_sound.h"
#include "data/tests/test_track.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;

namespace {

TEST(Track, DefaultsAndFlags)
{
    TestTrack t(5);
    t.SetName("Bass");
    t.flags = 0xFF;
    t.channel = 3;
    ASSERT_EQ(t.SetDefault(), 1);
    EXPECT_EQ(t.name, nullptr);
    EXPECT_EQ(t.flags, 0u);
    EXPECT_EQ(t.output, nullptr);
    EXPECT_EQ(t.channel, -1);
    EXPECT_EQ(t.bank, -1);
    EXPECT_EQ(t.bankMode, 0);
    EXPECT_EQ(t.program, -1);
    EXPECT_EQ(t.volume, 100);
    EXPECT_EQ(t.pan, 64);
    EXPECT_EQ(t.GetDBID(), -1);

    t.SetMute(1);
    t.SetSolo(1);
    t.SetSlct(1);
    EXPECT_EQ(t.flags, TRACK_MUTE | TRACK_SOLO | TRACK_SELECTED);
    t.StoreState();
    t.SetMute(0);
    t.SetUseS(1);
    EXPECT_TRUE(t.IsUseS() && !t.IsMute());
    t.RestoreState();
    EXPECT_TRUE(t.IsMute() && !t.IsUseS());

    EXPECT_EQ(t.GetTrackChan(), 0);
    t.channel = 14;
    EXPECT_EQ(t.GetTrackChan(), 14);
    t.channel = 15;
    EXPECT_EQ(t.GetTrackChan(), 0);
    ASSERT_EQ(t.SetName("Drums and more", 5), 1);
    EXPECT_STREQ(t.name, "Drums");
}

TEST(Track, OrderedById)
{
    TestTrack a(3), b(7);
    EXPECT_LT(a.Compare(&b), 0);
    EXPECT_GT(b.Compare(&a), 0);
    EXPECT_EQ(a.Compare(&a), 0);
}

TEST(Track, LastTimeAndTimeBaseChanges)
{
    TestTrack t(1);
    EXPECT_EQ(t.UpdateLastTime(), 0);
    t.note(0, 60, 10).note(333, 62, 10).note(961, 64, 960);
    EXPECT_EQ(t.UpdateLastTime(), 1);
    EXPECT_EQ(t.lastTime, 961);
    EXPECT_EQ(t.UpdateLastTime(), 0);
    ASSERT_EQ(t.ChangeTimebase(960, 480), 1);
    EXPECT_EQ(t.GetEvent(1)->time, 167); // 166.5 rounds up
    EXPECT_EQ(t.GetEvent(2)->time, 481);
    EXPECT_EQ(t.GetEvent(2)->value, 480); // durations follow
    EXPECT_EQ(t.ChangeTimebase(0, 480), 0);
}

TEST(Track, PlayCursorFindsTheFirstEventAtOrAfterATick)
{
    TestTrack t(1);
    t.note(0, 60, 1).note(480, 61, 1).note(480, 62, 1).note(960, 63, 1);
    const long cases[][2] = {{-5, 0}, {0, 0}, {1, 1}, {480, 1}, {481, 3}, {5000, 4}};
    for (const auto &c : cases) {
        t.GoToTimePlay(c[0], nullptr);
        EXPECT_EQ(t.playCursor, c[1]) << c[0];
    }
}

TEST(Track, NamesComeFromTheOutputOrAreNumbers)
{
    FakeSoundMngr sound;
    CSong song(nullptr, &sound);
    ASSERT_EQ(song.SetDefault(), 1);
    TestTrack t(1, TRACK_MIDI, &song);
    char text[64];
    EXPECT_EQ(t.StringBank(text, 1), 0); // no output
    EXPECT_STREQ(text, "1");
    t.output = &sound.tract.other;
    t.channel = 9;
    EXPECT_EQ(t.IsBanksEnumed(), 1);
    EXPECT_EQ(t.StringBank(text, 1), 1);
    EXPECT_STREQ(text, "Strings");
    EXPECT_EQ(t.StringBank(text, 2), 0);
    EXPECT_STREQ(text, "2");
    EXPECT_EQ(t.StringProg(text, 1, 33), 0);
    EXPECT_STREQ(text, "33");
    EXPECT_EQ(t.StringCtrl(text, 7), 0);
    EXPECT_STREQ(text, "7");
    EXPECT_EQ(t.StringNote(text, 38), 1);
    EXPECT_STREQ(text, "ch9 n38");
    long number = 0;
    EXPECT_EQ(t.EnumBanks(0, text, number), 1);
    EXPECT_EQ(number, 1);
    t.output = &sound.tract.preview;
    EXPECT_EQ(t.IsBanksEnumed(), 0);
    EXPECT_EQ(t.IsNotesEnumed(), 0);
}

TEST(Track, PreviewsFoldTransposedNotesIntoTheMidiRange)
{
    FakeSoundMngr sound;
    CSong song(nullptr, &sound);
    ASSERT_EQ(song.SetDefault(), 1);
    TestTrack t(1, TRACK_MIDI, &song);
    t.output = &sound.tract.other;
    t.channel = 2;
    t.transpose = 5;
    t.PreviewMMsg(0x00647D90ul); // note 125 + 5 folds to 118
    t.transpose = -30;
    t.PreviewMMsg(0x00000C80ul); // note 12 - 30 folds up to 6
    t.PreviewMMsg(0x000040B0ul); // not a note: only the channel changes
    ASSERT_EQ(sound.tract.sent.size(), 3u);
    EXPECT_EQ(sound.tract.sent[0].message, 0x00647692u);
    EXPECT_EQ(sound.tract.sent[0].out, &sound.tract.other);
    EXPECT_EQ(sound.tract.sent[0].sample, 0);
    EXPECT_EQ(sound.tract.sent[1].message, 0x00000682u);
    EXPECT_EQ(sound.tract.sent[2].message, 0x000040B2u);
    t.output = nullptr;
    t.PreviewMMsg(0x00647D90ul);
    EXPECT_EQ(sound.tract.sent.size(), 3u);
}

} // namespace
