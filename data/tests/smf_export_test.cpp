#include "data/smf.h"
#include "data/storage.h"
#include "data/track_chords.h"
#include "data/track_midi.h"

#include "data/tests/song_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

using Bytes = std::vector<uint8_t>;

class SMFExport : public SongFixture {
protected:
    Bytes exported(unsigned long flags, long division = 0, long endTime = 0)
    {
        CSMFCoder coder(&song, flags, division);
        coder.SetEndTime(endTime);
        CMemStorage storage;
        result = coder.ExportSMF(&storage);
        const uint8_t *data = storage.GetData();
        return Bytes(data, data + storage.GetLength());
    }
    int result = -1;
};

// The default master (4/4, C major, 100 quarters per minute) and one track
// on channel 2: every byte written by hand.
TEST_F(SMFExport, FormatOneBytes)
{
    CTrack *t = add(TRACK_MIDI);
    t->channel = 2;
    put(t, note(0, 60, 100, 480), 0);
    put(t, note(0, 62, 90, 480), 480); // starts where the first ends
    put(t, ctrl(5, 7, 99), 960);
    const Bytes file = exported(0, 480);
    ASSERT_EQ(result, 1);

    const Bytes expected = {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0, 1, 0, 2, 0x01, 0xE0, //
                            'M',  'T',  'r',  'k',  0,    0,    0,    0x19,                         //
                            0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,                         // 4/4
                            0x00, 0xFF, 0x59, 0x02, 0x00, 0x00,                                     // C major
                            0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,       // 600000 us
                            0x00, 0xFF, 0x2F, 0x00,                         //
                            'M',  'T',  'r',  'k',  0,    0,    0,    0x18, //
                            0x00, 0x92, 0x3C, 0x64,                         // on, on the track's channel
                            0x81, 0x70, 0x3C, 0x00,                         // its off at 240, running status
                            0x00, 0x3E, 0x5A,                               // the next on at the same tick
                            0x81, 0x70, 0xB2, 0x07, 0x63,                   // at one tick controllers first
                            0x00, 0x92, 0x3E, 0x00,                         //
                            0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(file, expected);
}

// A note of no length (or a damaged negative one) still gets its note-off
// one tick after its note-on, never before it: no note is left hanging.
TEST_F(SMFExport, ANoteOfNoLengthEndsOneTickAfterItStarts)
{
    CTrack *t = add(TRACK_MIDI);
    t->channel = 2;
    put(t, note(0, 60, 100, 0), 480);
    put(t, note(0, 60, 100, -7), 960);
    const Bytes file = exported(0);
    ASSERT_EQ(result, 1);

    const Bytes track = {'M',  'T',  'r',  'k',  0,    0, 0, 0x13, //
                         0x83, 0x60, 0x92, 0x3C, 0x64,             // on at 480
                         0x01, 0x3C, 0x00,                         // its off at 481
                         0x83, 0x5F, 0x3C, 0x64,                   // on at 960
                         0x01, 0x3C, 0x00,                         // its off at 961
                         0x00, 0xFF, 0x2F, 0x00};
    ASSERT_GE(file.size(), track.size());
    EXPECT_EQ(Bytes(file.end() - track.size(), file.end()), track);
}

// A clip of two measures (3840 ticks): every track ends there, the master
// too, though its events and the notes end earlier; a note still sounding
// there is let go there. Every byte written by hand.
TEST_F(SMFExport, WithAnEndTimeEveryTrackEndsThereAndNoNoteOutlastsIt)
{
    CTrack *t = add(TRACK_MIDI);
    t->channel = 2;
    put(t, note(0, 60, 100, 480), 0);
    put(t, note(0, 62, 100, 960), 3600); // would end at 4560
    const Bytes file = exported(0, 480, 3840);
    ASSERT_EQ(result, 1);

    const Bytes expected = {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0, 1, 0, 2, 0x01, 0xE0, //
                            'M',  'T',  'r',  'k',  0,    0,    0,    0x1A,                         //
                            0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,                         // 4/4
                            0x00, 0xFF, 0x59, 0x02, 0x00, 0x00,                                     // C major
                            0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,       // 600000 us
                            0x8F, 0x00, 0xFF, 0x2F, 0x00,                   // the end at 1920
                            'M',  'T',  'r',  'k',  0,    0,    0,    0x13, //
                            0x00, 0x92, 0x3C, 0x64,                         // on at 0
                            0x81, 0x70, 0x3C, 0x00,                         // its off at 240
                            0x8C, 0x18, 0x3E, 0x64,                         // on at 1800
                            0x78, 0x3E, 0x00,                               // its off at the end, 1920
                            0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(file, expected);

    // An event after the end time: the track ends right after it.
    put(t, ctrl(0, 7, 99), 4800);
    const Bytes later = exported(0, 480, 3840);
    const Bytes tail = {0x83, 0x60, 0xB2, 0x07, 0x63, 0x00, 0xFF, 0x2F, 0x00}; // at 2400
    EXPECT_EQ(Bytes(later.end() - tail.size(), later.end()), tail);
}

TEST_F(SMFExport, FormatZeroPutsEverythingInOneChunkAndSkipsChords)
{
    CTrack *chords = add(TRACK_CHORDS);
    chords->SetMute(0);
    CTrack *t = add(TRACK_MIDI);
    put(t, note(9, 36, 100, 960), 960);
    const Bytes file = exported(SMF_FORMAT0);
    ASSERT_EQ(result, 1);
    ASSERT_GE(file.size(), 22u);
    EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 14), (Bytes{0, 0, 0, 1, 0x03, 0xC0}));
    EXPECT_EQ(std::string(file.begin() + 14, file.begin() + 18), "MTrk");
    const Bytes tail = {0x87, 0x40, 0x99, 0x24, 0x64, 0x87, 0x40, 0x24, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(Bytes(file.end() - tail.size(), file.end()), tail)
        << "the chord track's volume and pan come first, its chords are not written";
}

TEST_F(SMFExport, ASelectionStartsWithTheStateInForceThere)
{
    CTrackMaster *master = song.GetTrackMaster();
    EVENT tempo;
    tempo.setTempo(90.4f);
    put(master, tempo, 100);
    master->UpdateParams(0);
    CTrack *t = add(TRACK_MIDI);
    put(t, ctrl(0, 7, 10), 0);
    put(t, ctrl(0, 7, 20), 500);
    put(t, ctrl(0, 10, 30), 500);
    put(t, prog(0, 4), 960);      // at the start: replaces nothing remembered
    put(t, ctrl(0, 10, 40), 960); // at the start: replaces the remembered pan
    put(t, note(0, 60, 100, 10), 1000);
    put(t, note(0, 61, 100, 10), 3000); // past the end
    ASSERT_EQ(song.SetTimeSelection(960, 2000), 1);
    const Bytes file = exported(SMF_SELECTION, 960);
    ASSERT_EQ(result, 1);

    // The second chunk: everything at 960 (delta 0x87 0x40), then the note
    // at 1000.
    const Bytes track = {'M',  'T',  'r',  'k',  0,    0,    0,    0x16, //
                         0x87, 0x40, 0xC0, 0x04,                         // the program at the start
                         0x00, 0xB0, 0x07, 0x14, 0x00, 0x0A, 0x28,       // volume 20 (remembered), pan 40
                         0x28, 0x90, 0x3C, 0x64, 0x0A, 0x3C, 0x00, 0x00,
                         0xFF, 0x2F, 0x00}; // the note and its off
    EXPECT_EQ(Bytes(file.end() - track.size(), file.end()), track);
    const Bytes wholeTempo = {0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2A}; // 90 quarters per minute
    EXPECT_NE(std::search(file.begin(), file.end(), wholeTempo.begin(), wholeTempo.end()), file.end())
        << "the remembered tempo goes in as whole quarters per minute";
}

// 500,000,000 ticks at 960 per quarter are 250,000,000 at 480: the product
// needs 64 bits.
TEST_F(SMFExport, LateEventsScaleIn64Bits)
{
    CTrack *t = add(TRACK_MIDI);
    put(t, ctrl(0, 64, 127), 500000000);
    const Bytes file = exported(0, 480);
    ASSERT_EQ(result, 1);
    const Bytes tail = {0xF7, 0x9A, 0xE5, 0x00, 0xB0, 0x40, 0x7F, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(Bytes(file.end() - tail.size(), file.end()), tail);
}

TEST_F(SMFExport, TracksThatAreNotWrittenAndEmptyExports)
{
    CTrack *muted = add(TRACK_MIDI);
    muted->SetMute(1);
    CTrack *other = add(TRACK_MIDI);
    other->SetSlct(0);
    muted->SetSlct(1);
    Bytes file = exported(0);
    EXPECT_EQ(file[11], 2) << "master and the unmuted track";
    file = exported(SMF_SELECTED_TRACKS);
    EXPECT_EQ(file[11], 1) << "the master only: the selected track is muted";
    muted->SetSolo(1);
    song.CheckSolo();
    file = exported(0);
    EXPECT_EQ(file[11], 2) << "solo: master and the solo track";

    song.Clear(); // no tracks at all
    EXPECT_TRUE(exported(0).empty());
    EXPECT_EQ(result, 0);
}

} // namespace
