#include "data/track_midi.h"

#include "data/tests/song_fixture.h"

#include <string>
#include <vector>

using namespace Quorvane;

namespace {

class InitialState : public SongFixture {
protected:
    void SetUp() override
    {
        SongFixture::SetUp();
        track = add(TRACK_MIDI);
        track->channel = 4;
    }
    std::string tickZero() const
    {
        std::string out;
        for (long i = 0; i < track->GetNumb() && track->GetEvent(i)->time == 0; ++i) {
            const EVENT *e = track->GetEvent(i);
            out += std::to_string(e->status) + "/" + std::to_string(e->data1) + "/" +
                   std::to_string(e->data2) + " ";
        }
        return out;
    }
    CTrack *track = nullptr;
};

TEST_F(InitialState, FieldsAreWrittenIntoTickZeroEventsAndReadBack)
{
    track->volume = 90;
    track->pan = 10;
    track->program = 5;
    track->bank = 3 * 128 + 9;
    track->bankMode = 0;
    put(track, ctrl(1, 7, 1), 0); // updated, keeping its channel
    EXPECT_EQ(track->CheckVolPanChanged(0), 1);
    EXPECT_EQ(track->CheckBankProgChanged(0), 1);
    EXPECT_EQ(tickZero(), "180/0/3 180/32/9 196/5/0 177/7/90 180/10/10 ");
    EXPECT_EQ(track->CheckVolPanChanged(0), 0) << "nothing left to change";

    track->volume = track->pan = track->program = track->bank = -99;
    EXPECT_EQ(track->CheckVolPanChanged(1), 1);
    EXPECT_EQ(track->CheckBankProgChanged(1), 1);
    EXPECT_EQ(track->volume, 90);
    EXPECT_EQ(track->pan, 10);
    EXPECT_EQ(track->program, 5);
    EXPECT_EQ(track->bank, 3 * 128 + 9);
    EXPECT_EQ(track->CheckBankProgChanged(1), 0);

    // Mode 2 keeps only the LSB; -1 removes an event.
    track->bankMode = 2;
    track->bank = 200;
    track->pan = -1;
    track->program = -1;
    track->CheckVolPanChanged(0);
    track->CheckBankProgChanged(0);
    EXPECT_EQ(tickZero(), "180/32/72 177/7/90 ");
    track->CheckBankProgChanged(1);
    EXPECT_EQ(track->bank, 72);
    EXPECT_EQ(track->bankMode, 2);
    track->pan = 5;
    EXPECT_EQ(track->CheckVolPanChanged(1), 1);
    EXPECT_EQ(track->pan, -1) << "no pan event";
}

TEST_F(InitialState, SendInitialToPortSendsWhatIsAskedInOrder)
{
    track->bank = 2 * 128 + 1;
    track->program = 7;
    track->volume = 100;
    track->pan = 64;
    ASSERT_EQ(track->SendInitialToPort(SEND_ALL), 1);
    const std::vector<uint32_t> all = {0x0200B4, 0x0120B4, 0x07C4, 0x6407B4, 0x400AB4};
    EXPECT_EQ(sound.tract.messages(), all);
    for (const auto &s : sound.tract.sent)
        EXPECT_EQ(s.sample, 0);

    sound.tract.sent.clear();
    track->bankMode = 1;
    track->volume = -1;
    ASSERT_EQ(track->SendInitialToPort(SEND_BANK | SEND_VOLUME), 1);
    EXPECT_EQ(sound.tract.messages(), std::vector<uint32_t>{0x0100B4});

    sound.tract.sent.clear();
    EXPECT_EQ(song.GetTrackMaster()->SendInitialToPort(SEND_ALL), 0) << "the master sends nothing";
    track->program = track->bank = track->pan = -1;
    EXPECT_EQ(track->SendInitialToPort(SEND_ALL), 0);
    EXPECT_TRUE(sound.tract.messages().empty());
}

TEST_F(InitialState, PreviewNoteSilencesThenPlaysForThreeHundredMilliseconds)
{
    track->transpose = -2;
    track->channel = 15; // outside 0..14: channel 0
    track->PreviewNote(62);
    ASSERT_EQ(sound.tract.sent.size(), 3u);
    EXPECT_EQ(sound.tract.sent[0].message, 0x7F7BB0u);
    EXPECT_EQ(sound.tract.sent[1].message, 0x643C90u);
    EXPECT_EQ(sound.tract.sent[2].message, 0x003C90u);
    EXPECT_EQ(sound.tract.sent[2].sample, 44100 * 300 / 1000);
}

TEST_F(InitialState, PreviewChordGoesToTheTracksOwnOutputOnlyWhenItTakesChords)
{
    track->PreviewChord(2, 1);
    ASSERT_EQ(sound.tract.sent.size(), 2u);
    EXPECT_EQ(sound.tract.sent[0].out, track->output) << "type 0 output";
    EXPECT_EQ(sound.tract.sent[0].message & 0xFF, 0xF5u);
    EXPECT_EQ(sound.tract.sent[1].message & 0xFF, 0xF4u);
}

} // namespace
