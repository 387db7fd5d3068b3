#include "app/options/output_strip.h"

#include "app/parts_song.h"
#include "data/tests/song_fixture.h"
#include "data/track_midi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

std::string texts(const std::vector<PopupEntry> &entries)
{
    std::string out;
    for (const PopupEntry &e : entries)
        out += (e.text.empty() ? std::string("|") : e.text) + (e.checked ? "*" : "") + " ";
    return out;
}

// The output "other" also names programs 0 and 3 of bank 1.
struct NamingTract final : FakeTract {
    int StringProg(void *out, char *name, long bank, long program) override
    {
        if (out != &other || bank != 1 || (program != 0 && program != 3))
            return 0;
        return std::sprintf(name, "Prog %ld", program) > 0;
    }
};

// Twelve part tracks (ids 1..12) on the tract's preview output.
class OutputChoiceTest : public SongFixture {
protected:
    void SetUp() override
    {
        SongFixture::SetUp();
        for (int part = 0; part < kPartCount; ++part)
            ASSERT_NE(song.InsertNewTrack(TRACK_MIDI, part + 1, 0), nullptr);
        for (int part = 0; part < kPartCount; ++part) {
            CTrackMIDI *track = PartTrack(song, part);
            ASSERT_NE(track, nullptr);
            track->channel = 2;
            track->bank = 1;
            track->program = 7;
        }
        sound.tract.sent.clear();
    }
};

} // namespace

TEST(OutputStripTest, EachPopupIsCheckedAtThePresentValue)
{
    EXPECT_EQ(texts(ChannelEntries(2)), "1 2 3* 4 5 6 7 8 9 10 11 12 13 14 15 16 --- ");
    EXPECT_EQ(texts(ChannelEntries(-1)), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 ---* ");
    EXPECT_EQ(ChannelEntries(15)[15].value, 15);
    EXPECT_EQ(texts(BankMethodEntries(1)), "Normal Ctrl 0* Ctrl 32 | Refresh Port Info ");
    EXPECT_EQ(BankMethodEntries(0).back().value, kRefreshPortInfo);

    NamingTract tract;
    EXPECT_EQ(texts(BankEntries(tract, &tract.other, 1)), "Strings* --- ");
    EXPECT_EQ(texts(BankEntries(tract, &tract.preview, 1)), "--- ");
    EXPECT_EQ(texts(BankEntries(tract, &tract.preview, -1)), "---* ");
    EXPECT_EQ(texts(ProgramEntries(tract, &tract.other, 1, 3)), "Prog 0 Prog 3* --- ");
    EXPECT_EQ(texts(ProgramEntries(tract, &tract.other, 2, 3)), "--- ");
}

TEST(OutputStripTest, ThePopupMenuHoldsTheEntriesInOrder)
{
    HMENU menu = BuildPopup(BankMethodEntries(2));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    char text[64] = {};
    GetMenuStringA(menu, 3, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "Ctrl 32");
    EXPECT_TRUE(GetMenuState(menu, 3, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, 1, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, 3, MF_BYPOSITION) & MF_SEPARATOR);
    GetMenuStringA(menu, 5, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "Refresh Port Info");
    DestroyMenu(menu);
}

TEST_F(OutputChoiceTest, AChoiceReachesEveryPartAndTheSelectedPartsPort)
{
    ApplyOutputChoice(song, OutputField::Program, 5, 3);
    for (int part = 0; part < kPartCount; ++part)
        EXPECT_EQ(PartTrack(song, part)->program, 5) << part;
    // Only the selected part sends, and only its program.
    EXPECT_EQ(sound.tract.messages(), std::vector<uint32_t>{0xC2u | 5u << 8});

    sound.tract.sent.clear();
    ApplyOutputChoice(song, OutputField::Channel, 9, 0);
    EXPECT_EQ(PartTrack(song, 11)->channel, 9);
    // A new channel gets the bank (both selects) and the program.
    const std::vector<uint32_t> sent = sound.tract.messages();
    ASSERT_EQ(sent.size(), 3u);
    for (uint32_t message : sent)
        EXPECT_EQ(message & 0x0F, 9u);
    EXPECT_NE(std::find(sent.begin(), sent.end(), 0xC9u | 5u << 8), sent.end());

    sound.tract.sent.clear();
    ApplyOutputChoice(song, OutputField::BankMethod, 1, 0);
    EXPECT_EQ(PartTrack(song, 6)->bankMode, 1);
    EXPECT_EQ(sound.tract.messages(), std::vector<uint32_t>{0xB9u | 0u << 8 | 1u << 16});

    sound.tract.sent.clear();
    ApplyOutputChoice(song, OutputField::Bank, kNoOutputValue, 0);
    EXPECT_EQ(PartTrack(song, 6)->bank, -1);
    EXPECT_TRUE(sound.tract.messages().empty());
}

TEST_F(OutputChoiceTest, TheStripShowsEachFieldByItsName)
{
    CTrackMIDI &track = *PartTrack(song, 0);
    const auto shown = [&] {
        std::string out;
        for (OutputField f :
             {OutputField::Channel, OutputField::BankMethod, OutputField::Bank, OutputField::Program})
            out += OutputFieldText(track, f) + "|";
        return out;
    };
    // The preview output names nothing: numbers.
    EXPECT_EQ(shown(), "ch: 3|Normal|1|7|");
    track.channel = 15;
    track.bankMode = 2;
    void *const preview = track.output;
    track.output = &sound.tract.other; // names bank 1 "Strings"
    EXPECT_EQ(shown(), "ch: 16|Ctrl 32|Strings|7|");
    track.channel = kNoOutputValue;
    track.bank = kNoOutputValue;
    track.program = kNoOutputValue;
    track.bankMode = 1;
    EXPECT_EQ(shown(), "ch: -|Ctrl 0|---|---|");
    track.channel = 16;
    EXPECT_EQ(OutputFieldText(track, OutputField::Channel), "ch: -");
    track.output = preview;
}
