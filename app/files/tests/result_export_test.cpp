#include "app/files/result_export.h"

#include "app/files/tests/state_effect.h"
#include "data/meff_chain.h"
#include "data/storage.h"
#include "data/track_audio.h"
#include "data/track_midi.h"
#include "data/tests/song_fixture.h"

#include <cstring>
#include <string>

using namespace Quorvane;
using rallimoth_test::StateEffect;

namespace {

// The drummer's part: a kick on each quarter up to the end asked for, and
// what the export must leave out: a pitch-wheel message, and the key
// aftertouch a drummer marks a window with nothing to play with.
int playKicksAndABend(ITembriMEInQueue *in, ITembriMEOutQueue *out)
{
    long from = 0, to = 0;
    in->GetTimeBounds(from, to);
    EVENT mark;
    mark.setKAT(0, 0, 0);
    mark.time = from;
    if (!out->AddEvent(&mark, 1))
        return 0;
    for (long t = from; t < to; t += 480) {
        EVENT e;
        e.setNote(9, 36, 100);
        e.value = 120;
        e.time = t;
        if (!out->AddEvent(&e, 1))
            return 0;
    }
    EVENT bend;
    bend.setWheel(0, 0);
    bend.time = to - 1;
    return out->AddEvent(&bend, 1);
}

std::string bytesOf(CMemStorage &storage)
{
    return std::string(reinterpret_cast<const char *>(storage.GetData()), storage.GetLength());
}

// A tract that renders a steady level, so the song has sound to export.
struct RenderingTract : FakeTract {
    int SetRenderMode(int on) override
    {
        rendering = on;
        return 1;
    }
    void RenderBuffer(float *buffer, long frames) override
    {
        ++buffers;
        metronomeHeard |= song && song->metronome;
        // A steady level, or, when told, a level for soundFor buffers, a
        // quieter ring for ringFor more and silence after that.
        const float level = soundFor < 0 || buffers <= soundFor ? 0.25f
                            : buffers <= soundFor + ringFor  ? 0.125f
                                                             : 0.0f;
        for (long i = 0; i < 2 * frames; ++i)
            buffer[i] = level;
    }
    int soundFor = -1;
    int ringFor = 0;
    CSong *song = nullptr;
    int rendering = 0;
    int buffers = 0;
    bool metronomeHeard = false;
};

struct RenderingSound : FakeSoundMngr {
    IQuorvaneSongTract *CreateSongTract(CSong *song) override
    {
        rendering.song = song;
        return &rendering;
    }
    RenderingTract rendering;
};

class ResultExportTest : public SongFixture {
protected:
    void SetUp() override
    {
        SongFixture::SetUp();
        part = add<CTrackMIDI>(TRACK_MIDI);
        other = add<CTrackMIDI>(TRACK_MIDI);
        put(other, note(0, 72, 80, 100), 0);
        other->SetMute(1);
        auto *elem = new CMEffElem(nullptr, nullptr, nullptr);
        auto *drummer = new StateEffect();
        drummer->produce = playKicksAndABend;
        elem->effect = drummer;
        part->effects.AddNewMEffElem(elem);
    }
    CTrackMIDI *part = nullptr;
    CTrackMIDI *other = nullptr;
};

} // namespace

TEST_F(ResultExportTest, MidiHoldsWhatTheDrummersPlayOverThePartAndNoBends)
{
    CMemStorage storage;
    ASSERT_TRUE(ExportPartMidi(song, *part, 960, true, storage));
    const std::string file = bytesOf(storage);
    // Format 0 with one track.
    ASSERT_GE(file.size(), 14u);
    EXPECT_EQ(file.substr(0, 4), "MThd");
    EXPECT_EQ(file.substr(8, 4), std::string("\0\0\0\1", 4));
    // Two kicks on channel 10 (the second in running status), the muted
    // track's note and any pitch wheel left out.
    EXPECT_NE(file.find("\x99\x24\x64"), std::string::npos);
    size_t kicks = 0;
    for (size_t at = file.find("\x24\x64"); at != std::string::npos; at = file.find("\x24\x64", at + 1))
        ++kicks;
    EXPECT_EQ(kicks, 2u);
    EXPECT_EQ(file.find('\xE0', 14), std::string::npos);
    EXPECT_EQ(file.find('\xA0', 14), std::string::npos);
    // The track ends at the part's end (960), not at its last note-off
    // (600): 360 ticks later.
    EXPECT_EQ(file.substr(file.size() - 5), std::string("\x82\x68\xFF\x2F\x00", 5));
    EXPECT_EQ(file.find("\x90\x48"), std::string::npos);
    // The part track is left empty; the other keeps its note.
    EXPECT_EQ(part->GetNumb(), 0);
    EXPECT_EQ(other->GetNumb(), 1);
}

TEST_F(ResultExportTest, FormatOneWritesTheMasterAndThePartAsTracks)
{
    CMemStorage storage;
    ASSERT_TRUE(ExportPartMidi(song, *part, 480, false, storage));
    const std::string file = bytesOf(storage);
    ASSERT_GE(file.size(), 14u);
    EXPECT_EQ(file.substr(8, 4), std::string("\0\1\0\2", 4));
}

TEST_F(ResultExportTest, AFailingStorageFailsTheExportAndStillEmptiesTheTrack)
{
    struct RefusingStorage final : CMemStorage {
        int InternalPutBuffer(const void *, long) override { return 0; }
    } storage;
    EXPECT_FALSE(ExportPartMidi(song, *part, 960, true, storage));
    EXPECT_EQ(part->GetNumb(), 0);
}

class WaveExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        part = static_cast<CTrackMIDI *>(song.InsertNewTrack(TRACK_MIDI, -1, 0));
        other = static_cast<CTrackMIDI *>(song.InsertNewTrack(TRACK_MIDI, -1, 0));
        ASSERT_TRUE(part && other);
        EVENT e;
        e.setNote(9, 36, 100);
        e.value = 100;
        part->AddToTail(&e, 1);
        part->UpdateLastTime();
        song.Update(); // the song ends at its measure's end
    }
    RenderingSound sound;
    CSong song{nullptr, &sound};
    CTrackMIDI *part = nullptr;
    CTrackMIDI *other = nullptr;
};

TEST_F(WaveExportTest, ThePartAloneIsRenderedWithoutTheMetronome)
{
    song.metronome = 1;
    const long tracks = song.GetNumTracks();
    CMemStorage storage;
    ASSERT_TRUE(ExportPartWave(song, *part, 1920, 24, storage));
    const std::string file = bytesOf(storage);
    ASSERT_GE(file.size(), 44u);
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(file.substr(8, 4), "WAVE");
    uint16_t bits = 0;
    std::memcpy(&bits, file.data() + 34, 2);
    EXPECT_EQ(bits, 24);
    EXPECT_GT(sound.rendering.buffers, 0);
    EXPECT_FALSE(sound.rendering.metronomeHeard);
    EXPECT_EQ(song.metronome, 1);
    // Only the part was marked for rendering, and the rendered track went.
    EXPECT_TRUE(part->IsSlct());
    EXPECT_FALSE(other->IsSlct());
    EXPECT_EQ(song.GetNumTracks(), tracks);
    EXPECT_EQ(sound.rendering.rendering, 0);
}

// The file lasts exactly as long as the part, and what rings on past the
// part's end sounds at its start, where the part begins again: here the
// buffers played over the part's end and the ring after them.
TEST_F(WaveExportTest, TheFileIsAsLongAsThePartWithTheRingFoldedIntoItsStart)
{
    const long end = song.songEnd;
    ASSERT_GT(end, 0);
    const long long partFrames = song.GetTrackMaster()->GetSampleFromTime(end);
    const long buffer = song.params.bufferFrames;
    ASSERT_GT(buffer, 0);
    ASSERT_GT(partFrames % buffer, 0) << "the last buffer should reach past the end";
    sound.rendering.soundFor = static_cast<int>(partFrames / buffer + 1);
    sound.rendering.ringFor = 2;
    CMemStorage storage;
    ASSERT_TRUE(ExportPartWave(song, *part, end, 24, storage));
    const std::string file = bytesOf(storage);
    ASSERT_GE(file.size(), 44u);
    uint32_t dataBytes = 0;
    std::memcpy(&dataBytes, file.data() + 40, 4);
    ASSERT_EQ(dataBytes, partFrames * 2 * 3) << "stereo 24-bit frames";
    ASSERT_EQ(file.size(), 44u + dataBytes);
    const auto sampleAt = [&](long long frame) {
        const auto *p = reinterpret_cast<const unsigned char *>(file.data() + 44 + frame * 6);
        return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16);
    };
    // Rendered past the end: the rest of the last played buffer at 0.25 and
    // two ringing buffers at 0.125, on top of the part's own 0.25.
    const long long over = (partFrames / buffer + 1) * buffer - partFrames;
    const long long ring = over + 2LL * buffer;
    ASSERT_LT(ring, partFrames);
    EXPECT_EQ(sampleAt(0), 0x400000) << "0.25 + 0.25";
    EXPECT_EQ(sampleAt(over - 1), 0x400000);
    EXPECT_EQ(sampleAt(over), 0x300000) << "0.25 + 0.125";
    EXPECT_EQ(sampleAt(ring - 32), 0x300000);
    EXPECT_EQ(sampleAt(ring), 0x200000) << "the part alone";
    EXPECT_EQ(sampleAt(partFrames - 1), 0x200000) << "the end is not faded: the start goes on from it";
}
