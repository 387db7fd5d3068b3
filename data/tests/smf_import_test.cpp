#include "data/smf.h"
#include "data/storage.h"
#include "data/track_midi.h"

#include "data/tests/song_fixture.h"

#include <string>
#include <vector>

using namespace Quorvane;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes header(uint16_t format, uint16_t tracks, uint16_t division)
{
    return {'M',
            'T',
            'h',
            'd',
            0,
            0,
            0,
            6,
            uint8_t(format >> 8),
            uint8_t(format),
            uint8_t(tracks >> 8),
            uint8_t(tracks),
            uint8_t(division >> 8),
            uint8_t(division)};
}

Bytes chunk(const char *id, const Bytes &body)
{
    Bytes out(id, id + 4);
    const uint32_t n = static_cast<uint32_t>(body.size());
    out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes track(Bytes body, bool withEnd = true)
{
    if (withEnd)
        body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    return chunk("MTrk", body);
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A conductor chunk: 3/4 and 90 quarters per minute.
const Bytes kConductor = track({0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, //
                                0x00, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2B});

class SMFImport : public SongFixture {
protected:
    int import(const Bytes &file)
    {
        CMemStorage storage;
        storage.PutBuffer(file.data(), static_cast<long>(file.size()));
        return song.ImportSMF(&storage);
    }
    std::string listing(long id) const
    {
        const CTrack *t = song.GetTrack(id);
        if (!t)
            return "<none>";
        std::string out;
        for (long i = 0; i < t->GetNumb(); ++i) {
            const EVENT *e = t->GetEvent(i);
            out += std::to_string(e->time);
            out += e->IsLong() ? ":meta" : ":";
            out += std::to_string(e->status);
            out += '/';
            if (e->IsLong()) {
                out += std::to_string(e->length);
            } else {
                out += std::to_string(e->data1);
                out += '/';
                out += std::to_string(e->data2);
                if (e->IsNote()) {
                    out += '/';
                    out += std::to_string(e->value);
                }
            }
            out += " ";
        }
        return out;
    }
};

TEST_F(SMFImport, FormatOneGivesTheMasterAndOneTrackPerChunk)
{
    const Bytes notes = track({0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's', //
                               0x00, 0x91, 0x3C, 0x64,                     // note on
                               0x60, 0x3C, 0x00,                           // running status: its off at 96
                               0x00, 0xB1, 0x07, 0x50,                     // volume at 96 moves to 0
                               0x81, 0x00, 0x81, 0x40, 0x40}); // note off at 96 + 128 without its on
    ASSERT_EQ(import(header(1, 2, 480) + kConductor + notes), 1);
    CTrackMaster *master = song.GetTrackMaster();
    EXPECT_EQ(master->GetNumb(), 3) << listing(0) << ": the missing key signature is added";
    long bar, beat, tick;
    master->GetMBTFromTime(3 * 960, bar, beat, tick);
    EXPECT_EQ(bar, 1) << "3/4 from the file";
    EXPECT_NEAR(master->GetTempoAtTime(0), 90.0f, 0.01f);
    const CTrack *bass = song.GetTrack(1);
    ASSERT_NE(bass, nullptr);
    EXPECT_EQ(bass->kind, TRACK_MIDI);
    EXPECT_STREQ(bass->name, "Bass");
    EXPECT_EQ(bass->channel, 1);
    EXPECT_EQ(bass->volume, 0x50);
    EXPECT_EQ(listing(1), "0:meta3/4 0:177/7/80 0:145/60/100/192 ") << "480 ticks per quarter doubled";
    EXPECT_TRUE(bass->IsSlct());
    ASSERT_EQ(sound.tract.sent.size(), 1u) << "its initial volume went to the output";
}

TEST_F(SMFImport, NotesPairOldestFirstAndUnclosedOnesLastOneTick)
{
    const Bytes notes = track({0x00, 0x90, 0x40, 0x10,   // A on at 0
                               0x0A, 0x90, 0x40, 0x20,   // B on at 10
                               0x0A, 0x90, 0x40, 0x30,   // C on at 20
                               0x0A, 0x80, 0x40, 0x00,   // off at 30 closes A
                               0x0A, 0x90, 0x40, 0x00,   // off at 40 closes B
                               0x00, 0x90, 0x41, 0x50}); // never closed, as C
    ASSERT_EQ(import(header(1, 2, 960) + kConductor + notes), 1);
    EXPECT_EQ(listing(1), "0:144/64/16/30 10:144/64/32/30 20:144/64/48/1 40:144/65/80/1 ");
}

// Any number of notes of one channel and pitch may overlap: each note-off
// closes the oldest one still open, and other channels keep their own.
TEST_F(SMFImport, EveryOverlappingNoteIsClosedFirstOnFirstOff)
{
    const Bytes notes = track({0x00, 0x90, 0x40, 0x01,   // 1 on at 0
                               0x00, 0x91, 0x40, 0x09,   // channel 2's own at 0
                               0x02, 0x90, 0x40, 0x02,   // 2 on at 2
                               0x02, 0x90, 0x40, 0x03,   // 3 on at 4
                               0x02, 0x90, 0x40, 0x04,   // 4 on at 6
                               0x02, 0x80, 0x40, 0x00,   // closes 1 at 8
                               0x02, 0x90, 0x40, 0x05,   // 5 on at 10
                               0x02, 0x90, 0x40, 0x00,   // closes 2 at 12
                               0x02, 0x80, 0x40, 0x00,   // closes 3 at 14
                               0x02, 0x81, 0x40, 0x00,   // closes channel 2's at 16
                               0x02, 0x80, 0x40, 0x00,   // closes 4 at 18
                               0x02, 0x80, 0x40, 0x00,   // closes 5 at 20
                               0x02, 0x80, 0x40, 0x00}); // nothing left open: ignored
    ASSERT_EQ(import(header(1, 2, 960) + kConductor + notes), 1);
    EXPECT_EQ(listing(1), "0:144/64/1/8 0:145/64/9/16 2:144/64/2/10 4:144/64/3/10 6:144/64/4/12 "
                          "10:144/64/5/10 ");
}

TEST_F(SMFImport, FormatZeroSplitsByChannelInTheOrderChannelsAppear)
{
    const Bytes all = track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,       // tempo
                             0x00, 0x99, 0x24, 0x64, 0x00, 0x90, 0x3C, 0x64, // ch 10, then ch 1
                             0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7,             // SysEx
                             0x60, 0x89, 0x24, 0x00, 0x00, 0x80, 0x3C, 0x00});
    ASSERT_EQ(import(header(0, 1, 960) + all), 1);
    EXPECT_EQ(song.GetTrack(1)->channel, 9);
    EXPECT_EQ(song.GetTrack(2)->channel, 0);
    EXPECT_EQ(listing(1), "0:153/36/100/96 ");
    EXPECT_EQ(listing(2), "0:144/60/100/96 ");
    ASSERT_EQ(song.sysEx.GetNumb(), 1);
    EXPECT_EQ(song.sysEx.GetAt(0)->length, 4);
    EXPECT_EQ(song.sysEx.GetAt(0)->data[0], 0xF0);
    EXPECT_EQ(song.sysEx.GetAt(0)->data[3], 0xF7);
    EXPECT_NEAR(song.GetTrackMaster()->GetTempoAtTime(0), 120.0f, 0.01f);
}

TEST_F(SMFImport, ForeignChunksAreSkippedAndAMidChunkEndStopsTheChunk)
{
    const Bytes notes = track({0x00, 0x90, 0x3C, 0x64, 0x10, 0x80, 0x3C, 0x00, //
                               0x00, 0xFF, 0x2F, 0x00,                         // its end, early
                               0x00, 0x90, 0x3E, 0x64});                       // never read
    ASSERT_EQ(
        import(header(1, 2, 960) + chunk("XFIH", {1, 2, 3, 4, 5}) + kConductor + chunk("MTxx", {}) + notes),
        1);
    EXPECT_EQ(listing(1), "0:144/60/100/16 ");
}

// Deltas add up, and scale, in 64 bits: 200,000,000 ticks at 96 per quarter
// are 2,000,000,000 at 960, a product a 32-bit multiplication wraps.
TEST_F(SMFImport, LateEventsScaleWithoutOverflow)
{
    const Bytes late = track({0xAF, 0xD7, 0xC2, 0x00, 0xB0, 0x40, 0x7F,   // 100,000,000
                              0xAF, 0xD7, 0xC2, 0x00, 0xB0, 0x41, 0x7F,   // twice that
                              0xFF, 0xFF, 0xFF, 0x7F, 0xB0, 0x42, 0x7F}); // past what a tick holds
    ASSERT_EQ(import(header(1, 2, 96) + kConductor + late), 1);
    EXPECT_EQ(listing(1), "1000000000:176/64/127 2000000000:176/65/127 2147483647:176/66/127 ");
}

TEST_F(SMFImport, DamagedFilesFailClearlyAndKeepWhatWasImported)
{
    const Bytes good = track({0x00, 0x90, 0x3C, 0x64, 0x10, 0x80, 0x3C, 0x00});
    const struct {
        const char *what;
        Bytes file;
    } rows[] = {
        {"no header", Bytes{'M', 'T', 'r', 'k'}},
        {"short header", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}},
        {"header length 7", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 1, 0, 1, 1, 0xE0, 0}},
        {"format 2", header(2, 2, 960) + kConductor + good},
        {"no tracks", header(1, 0, 960)},
        {"format 0 with two", header(0, 2, 960) + kConductor + good},
        {"division 0", header(1, 2, 0) + kConductor + good},
        {"SMPTE division", header(1, 2, 0xE728) + kConductor + good},
        {"fewer chunks than said", header(1, 3, 960) + kConductor + good},
        {"chunk longer than the file",
         header(1, 2, 960) + kConductor + Bytes{'M', 'T', 'r', 'k', 0, 0, 0x10, 0, 0}},
        {"foreign chunk longer than the file", header(1, 2, 960) + Bytes{'J', 'U', 'N', 'K', 0x7F, 0, 0, 0}},
        {"no end of track", header(1, 2, 960) + kConductor + track({0x00, 0x90, 0x3C, 0x64}, false)},
        {"delta of five bytes",
         header(1, 2, 960) + kConductor + track({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 1, 1})},
        {"delta cut off", header(1, 2, 960) + kConductor + track({0x81}, false)},
        {"data byte first", header(1, 2, 960) + kConductor + track({0x00, 0x3C, 0x64})},
        {"message cut off", header(1, 2, 960) + kConductor + track({0x00, 0x90, 0x3C}, false)},
        {"status in the data", header(1, 2, 960) + kConductor + track({0x00, 0x90, 0x3C, 0x90})},
        {"meta longer than the chunk", header(1, 2, 960) + kConductor + track({0x00, 0xFF, 0x01, 0x7F, 'a'})},
        {"meta length of five bytes",
         header(1, 2, 960) + kConductor + track({0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x01})},
        {"SysEx longer than the chunk", header(1, 2, 960) + kConductor + track({0x00, 0xF0, 0x40, 0x01})},
        {"undefined system status", header(1, 2, 960) + kConductor + track({0x00, 0xF4})},
        {"damaged conductor", header(1, 2, 960) + track({0x00, 0xFF, 0x51, 0x09})},
    };
    for (const auto &row : rows) {
        FakeSoundMngr other;
        CSong fresh(nullptr, &other);
        ASSERT_EQ(fresh.SetDefault(), 1);
        CMemStorage storage;
        storage.PutBuffer(row.file.data(), static_cast<long>(row.file.size()));
        EXPECT_EQ(fresh.ImportSMF(&storage), 0) << row.what;
        ASSERT_NE(fresh.GetTrackMaster(), nullptr) << row.what;
        EXPECT_GE(fresh.GetTrackMaster()->GetNumb(), 3)
            << row.what << ": the master keeps a meter, key and tempo";
    }
    // An empty file holds no MIDI data: refused, and the song is as it was.
    const uint64_t editionBefore = song.GetEdition();
    const long tracksBefore = song.GetNumTracks();
    CMemStorage empty;
    EXPECT_EQ(song.ImportSMF(&empty), 0) << "an empty file is no MIDI file";
    EXPECT_EQ(song.GetNumTracks(), tracksBefore);
    EXPECT_EQ(song.GetTrackMaster()->GetNumb(), 3);
    EXPECT_EQ(song.GetEdition(), editionBefore);
}

TEST_F(SMFImport, AFailedChunkKeepsTheTracksBeforeIt)
{
    const Bytes good = track({0x00, 0x90, 0x3C, 0x64, 0x10, 0x80, 0x3C, 0x00});
    EXPECT_EQ(import(header(1, 3, 960) + kConductor + good + track({0x00, 0x3C})), 0);
    EXPECT_EQ(listing(1), "0:144/60/100/16 ");
}

} // namespace
