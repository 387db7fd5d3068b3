#include "db/songfile/song_db.h"

#include "base/message_box.h"
#include "data/song.h"
#include "data/storage.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "data/track_meltext.h"
#include "data/track_midi.h"
#include "db/equipment/tests/song_fixture.h"
#include "db/records/tests/power_cut.h"
#include "db/records/rollback_journal.h"
#include "db/records/tests/record_test_support.h"
#include "db/songfile/song_notes.h"
#include "db/songfile/tests/song_files.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;
using records_test::Bytes;
using records_test::u32;

namespace {

constexpr uint32_t kVersion = 0x10000;
constexpr const char *kTag = "Rallimoth";

// Samples on the 16-bit grid: their differences and sums are exact in float,
// so delta coding gives them back bit for bit.
float gridSample(uint64_t i, int channel)
{
    const auto step = long((i * 7919 + uint64_t(channel) * 104729) % 65536) - 32768;
    return float(step) / 32768.0f;
}

std::vector<float> waveSamples(CWave &wave)
{
    std::vector<float> samples(size_t(wave.length) * wave.channels);
    EXPECT_TRUE(wave.Read(samples.data(), 0, static_cast<unsigned long>(wave.length)));
    return samples;
}

std::string eventBytes(CTrack *track)
{
    CMemStorage storage;
    EXPECT_TRUE(track->CEventArray::Save(&storage));
    return std::string(reinterpret_cast<const char *>(storage.GetData()), size_t(storage.GetLength()));
}

std::string textBytes(CTrackMelText *track)
{
    CMemStorage storage;
    EXPECT_TRUE(track->text.Save(&storage));
    return std::string(reinterpret_cast<const char *>(storage.GetData()), size_t(storage.GetLength()));
}

long trackCount(CSong &song)
{
    long n = 0;
    for (CTrack *t = song.GetNextTrack(nullptr); t; t = song.GetNextTrack(t))
        ++n;
    return n;
}

// Song-file records of a type, live ones in file order.
std::vector<SDBNOTE> recordsOf(const std::string &path, uint8_t type)
{
    records_test::TestDB db;
    std::vector<SDBNOTE> found;
    EXPECT_TRUE(db.Open(path.c_str(), SONGFILE_MAGIC, 0)) << path;
    for (SDBNOTE *n = db.GetNoteByType(nullptr, type); n; n = db.GetNoteByType(n, type))
        found.push_back(*n);
    return found;
}

Bytes bodyOf(const std::string &path, uint32_t id)
{
    records_test::TestDB db;
    EXPECT_TRUE(db.Open(path.c_str(), SONGFILE_MAGIC, 0));
    return records_test::bodyOf(db, id);
}

// A real song with its song tract in the sound engine.
struct Song {
    equipment_test::TestSong test;
    CSong &song = *test.get();

    CTrack *add(long kind)
    {
        CTrack *t = song.InsertNewTrack(kind, -1, 0);
        EXPECT_NE(t, nullptr);
        return t;
    }
    static void put(CTrack *track, EVENT e, int32_t time)
    {
        e.time = time;
        track->AddToTail(&e, 1);
        track->Sort();
    }
    CTrackAudio *addAudio(int channels, long frames, int64_t offset)
    {
        auto *t = static_cast<CTrackAudio *>(add(TRACK_AUDIO));
        CWave &wave = t->wave;
        wave.channels = channels;
        wave.bytesPerFrame = 4 * channels;
        std::vector<float> samples(size_t(frames) * channels);
        for (long i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                samples[size_t(i) * channels + c] = gridSample(uint64_t(i), c);
        EXPECT_TRUE(wave.Write(samples.data(), 0, static_cast<unsigned long>(frames)));
        wave.length = frames;
        t->startOffset = offset;
        return t;
    }
};

class SongFileTest : public ::testing::Test {
protected:
    // A song with a note track, a chord track, a melody and lyrics track, a
    // track with the fill drummer, a stereo audio track of three blocks and a mono one of two, its texts
    // (one too long for a short string) and the application's fields.
    void fill(Song &s)
    {
        CTrack *midi = s.add(TRACK_MIDI);
        midi->SetName("Drums");
        for (int i = 0; i < 40; ++i) {
            EVENT e;
            e.setNote(9, 36 + i % 12, 100);
            e.value = 120;
            Song::put(midi, e, i * 240);
        }
        CTrack *chords = s.add(TRACK_CHORDS);
        EVENT chord;
        chord.setChord(2, 5);
        Song::put(chords, chord, 1920);
        auto *lyrics = static_cast<CTrackMelText *>(s.add(TRACK_MELTEXT));
        EVENT melody;
        melody.setMelody(64);
        Song::put(lyrics, melody, 960);
        int mode = 1;
        for (char c : std::string("la la"))
            lyrics->text.AddNewChar(0, lyrics->text.GetLine(0) ? lyrics->text.GetLine(0)->length : 0, c,
                                    mode);
        s.test.addDrummerTrack();
        s.addAudio(2, 150000, 4410);
        s.addAudio(1, 140000, 0);
        s.song.songInfo.SetItemText(0, "A title");
        s.song.songInfo.SetItemText(2, std::string(300, 'x').c_str());
        for (int i = 0; i < kAppFields; ++i)
            s.song.appFields[i] = 0x1000 + i;
    }

    // The two songs hold the same tracks, contents and texts.
    static void expectSame(Song &a, Song &b)
    {
        ASSERT_EQ(trackCount(a.song), trackCount(b.song));
        for (CTrack *x = a.song.GetNextTrack(nullptr), *y = b.song.GetNextTrack(nullptr); x && y;
             x = a.song.GetNextTrack(x), y = b.song.GetNextTrack(y)) {
            SCOPED_TRACE("track " + std::to_string(x->GetID()));
            EXPECT_EQ(x->GetID(), y->GetID());
            ASSERT_EQ(x->GetKind(), y->GetKind());
            EXPECT_EQ(eventBytes(x), eventBytes(y));
            if (x->GetKind() == TRACK_MIDI) {
                const std::string state =
                    equipment_test::TestSong::drummerState(static_cast<CTrackMIDI *>(x));
                EXPECT_EQ(state, equipment_test::TestSong::drummerState(static_cast<CTrackMIDI *>(y)));
            }
            if (x->GetKind() == TRACK_MELTEXT) {
                EXPECT_EQ(textBytes(static_cast<CTrackMelText *>(x)),
                          textBytes(static_cast<CTrackMelText *>(y)));
            }
            if (x->GetKind() == TRACK_AUDIO) {
                auto *ax = static_cast<CTrackAudio *>(x), *ay = static_cast<CTrackAudio *>(y);
                EXPECT_EQ(ax->wave.channels, ay->wave.channels);
                EXPECT_EQ(ax->wave.length, ay->wave.length);
                EXPECT_EQ(ax->startOffset, ay->startOffset);
                EXPECT_TRUE(waveSamples(ax->wave) == waveSamples(ay->wave));
            }
        }
        for (long i = 0; i < 5; ++i) {
            const char *x = a.song.songInfo.GetItemText(i), *y = b.song.songInfo.GetItemText(i);
            EXPECT_EQ(std::string(x ? x : "").substr(0, 255), std::string(y ? y : "")) << "text " << i;
        }
    }

    int save(Song &s, const std::string &path, CStorage *app = nullptr, const char *tag = kTag)
    {
        CTembriSongDB db(&s.song, kVersion, tag);
        const int saved = db.SaveSong(path.c_str(), app);
        // Every file a save wrote goes to the independent reader.
        if (saved)
            songfile_test::keepForReader(path, s.song, tag);
        return saved;
    }
    int open(Song &s, const std::string &path, CStorage *app = nullptr, const char *tag = kTag)
    {
        CTembriSongDB db(&s.song, kVersion, tag);
        return db.OpenSong(path.c_str(), app);
    }

    testing_support::TempFolder folder;
};

TEST_F(SongFileTest, SavedSongOpensWhole)
{
    Song a, b;
    fill(a);
    const std::string path = folder.file("song.tsng");
    CMemStorage app;
    const char appBytes[] = "application state";
    app.PutBuffer(appBytes, sizeof appBytes);
    ASSERT_EQ(save(a, path, &app), 1);

    CMemStorage appBack;
    ASSERT_EQ(open(b, path, &appBack), 1);
    expectSame(a, b);
    for (int i = 0; i < kAppFields; ++i)
        EXPECT_EQ(b.song.appFields[i], 0x1000u + i);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(appBack.GetData()), size_t(appBack.GetLength())),
              std::string(appBytes, sizeof appBytes));
    EXPECT_EQ(std::memcmp(&a.song.songFileId, &b.song.songFileId, sizeof(GUID)), 0);
    EXPECT_NE(a.song.songFileId.Data1 | a.song.songFileId.Data2, 0u);
    // The drummer came back with its state (compared above).
    int drummers = 0;
    for (CTrack *t = b.song.GetNextTrack(TRACK_MIDI, nullptr); t; t = b.song.GetNextTrack(TRACK_MIDI, t))
        drummers += !equipment_test::TestSong::drummerState(static_cast<CTrackMIDI *>(t)).empty();
    EXPECT_EQ(drummers, 1);
    // Tracks know their records, and a reopened song's waves are as stored.
    for (CTrack *t = b.song.GetNextTrack(nullptr); t; t = b.song.GetNextTrack(t)) {
        EXPECT_NE(t->GetDBID(), -1);
        if (t->GetKind() == TRACK_AUDIO) {
            EXPECT_EQ(static_cast<CTrackAudio *>(t)->wave.changed, 0);
        }
    }
}

TEST_F(SongFileTest, AudioOverSeveralBlocksIsAChain)
{
    Song a;
    fill(a);
    const std::string path = folder.file("chain.tsng");
    ASSERT_EQ(save(a, path), 1);
    const std::vector<SDBNOTE> blocks = recordsOf(path, SONG_AUDIO);
    // 150000 stereo frames: 65536 + 65536 + 18928; 140000 mono: 131072 + 8928.
    ASSERT_EQ(blocks.size(), 5u);
    const std::vector<SDBNOTE> tracks = recordsOf(path, SONG_TRACK);
    std::vector<uint32_t> frames;
    for (const SDBNOTE &b : blocks) {
        const Bytes body = bodyOf(path, b.id);
        uint32_t n;
        std::memcpy(&n, body.data() + 6, 4);
        frames.push_back(n);
        const bool firstOfChain =
            std::any_of(tracks.begin(), tracks.end(), [&](const SDBNOTE &t) { return t.id == b.parent; });
        if (!firstOfChain) {
            EXPECT_TRUE(std::any_of(blocks.begin(), blocks.end(),
                                    [&](const SDBNOTE &o) { return o.id == b.parent; }));
        }
    }
    EXPECT_EQ(frames, (std::vector<uint32_t>{65536, 65536, 18928, 131072, 8928}));
    // The stereo chain's first block by hand: empty string, mark 0x40, the
    // wave's rate, frames, channels, the start offset, then the blob.
    const Bytes first = bodyOf(path, blocks[0].id);
    const Bytes head =
        Bytes(1, '\0') + Bytes(1, char(0x40)) + u32(44100) + u32(65536) + u32(2) + u32(4410) + u32(0);
    EXPECT_EQ(first.substr(0, head.size()), head);
    uint32_t blobSize, stored;
    std::memcpy(&blobSize, first.data() + 22, 4);
    std::memcpy(&stored, first.data() + 26, 4);
    EXPECT_EQ(first.size(), 26u + blobSize);
    EXPECT_EQ(stored, 65536u * 2 * 4);
    EXPECT_EQ(bodyOf(path, blocks[3].id)[1], char(0x20));
}

TEST_F(SongFileTest, RecordsOfTextsAndApplicationAsStored)
{
    Song a;
    a.song.songInfo.SetItemText(0, "Title");
    a.song.songInfo.SetItemText(4, std::string(300, 'c').c_str());
    for (int i = 0; i < kAppFields; ++i)
        a.song.appFields[i] = i + 1;
    CMemStorage app;
    app.PutBuffer("AB", 2);
    const std::string path = folder.file("texts.tsng");
    ASSERT_EQ(save(a, path, &app), 1);

    const std::vector<SDBNOTE> info = recordsOf(path, SONG_INFO);
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].parent, SDB_NO_PARENT);
    EXPECT_EQ(bodyOf(path, info[0].id),
              Bytes("\x05Title") + Bytes(3, '\0') + Bytes(1, char(255)) + std::string(255, 'c') + u32(0));
    const std::vector<SDBNOTE> apps = recordsOf(path, SONG_APP);
    ASSERT_EQ(apps.size(), 1u);
    Bytes appBody = Bytes("\x09Rallimoth");
    for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 6u, 0u, 0u, 0u, 0u})
        appBody += u32(w);
    EXPECT_EQ(bodyOf(path, apps[0].id), appBody + u32(2) + "AB");
    const std::vector<SDBNOTE> roots = recordsOf(path, SONG_ROOT);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(bodyOf(path, roots[0].id), Bytes("\x0FTembri 1.0 Song") + Bytes(1, '\0') + u32(kVersion) +
                                             u32(960) + u32(44100) + u32(0) + u32(0));
}

TEST_F(SongFileTest, SavingAgainUpdatesInPlace)
{
    Song a;
    fill(a);
    const std::string path = folder.file("update.tsng");
    ASSERT_EQ(save(a, path), 1);
    const std::vector<SDBNOTE> blocksBefore = recordsOf(path, SONG_AUDIO);
    const std::vector<SDBNOTE> tracksBefore = recordsOf(path, SONG_TRACK);

    // An edited note track, a new track, one deleted audio track, and the
    // other audio track untouched.
    CTrack *midi = a.song.GetNextTrack(TRACK_MIDI, nullptr);
    Song::put(midi, EVENT(), 9999);
    CTrack *added = a.add(TRACK_MIDI);
    added->SetName("Added");
    CTrack *mono = nullptr;
    for (CTrack *t = a.song.GetNextTrack(nullptr); t; t = a.song.GetNextTrack(t))
        if (t->GetKind() == TRACK_AUDIO && !static_cast<CTrackAudio *>(t)->IsStereo())
            mono = t;
    ASSERT_NE(mono, nullptr);
    const long monoRecord = mono->GetDBID();
    a.song.DeleteTrack(mono, 0);
    ASSERT_EQ(save(a, path), 1);

    // The stereo chain kept its records; the mono one went with its track.
    const std::vector<SDBNOTE> blocksAfter = recordsOf(path, SONG_AUDIO);
    ASSERT_EQ(blocksAfter.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(blocksAfter[i].id, blocksBefore[i].id);
    const std::vector<SDBNOTE> tracksAfter = recordsOf(path, SONG_TRACK);
    EXPECT_EQ(tracksAfter.size(), tracksBefore.size()); // one gone, one new
    for (const SDBNOTE &t : tracksAfter)
        EXPECT_NE(long(t.id), monoRecord);

    Song b;
    ASSERT_EQ(open(b, path), 1);
    expectSame(a, b);

    // A changed wave gets a new chain.
    auto *stereo = static_cast<CTrackAudio *>(a.song.GetNextTrack(TRACK_AUDIO, nullptr));
    const float one[2] = {0.5f, -0.5f};
    ASSERT_TRUE(stereo->wave.Write(one, 10, 1));
    ASSERT_EQ(save(a, path), 1);
    const std::vector<SDBNOTE> rewritten = recordsOf(path, SONG_AUDIO);
    ASSERT_EQ(rewritten.size(), 3u);
    EXPECT_NE(rewritten[0].id, blocksBefore[0].id);
    Song c;
    ASSERT_EQ(open(c, path), 1);
    expectSame(a, c);
}

TEST_F(SongFileTest, AnotherFileOrAnotherSongsFileIsRewritten)
{
    Song a, x;
    fill(a);
    x.add(TRACK_CHORDS)->SetName("Only chords");
    const std::string first = folder.file("first.tsng"), second = folder.file("second.tsng");
    ASSERT_EQ(save(a, first), 1);
    ASSERT_EQ(save(a, second), 1);
    // Another song saved over the file: it holds that song alone.
    ASSERT_EQ(save(x, first), 1);
    EXPECT_EQ(recordsOf(first, SONG_AUDIO).size(), 0u);
    EXPECT_EQ(recordsOf(first, SONG_TEMPLATE).size(), 1u);
    Song b;
    ASSERT_EQ(open(b, first), 1);
    expectSame(x, b);
    Song c;
    ASSERT_EQ(open(c, second), 1);
    expectSame(a, c);
}

TEST_F(SongFileTest, AnotherApplicationsTagLeavesFieldsAndDataAlone)
{
    Song a, b;
    fill(a);
    CMemStorage app;
    app.PutBuffer("xyz", 3);
    const std::string path = folder.file("tag.tsng");
    ASSERT_EQ(save(a, path, &app), 1);
    for (int i = 0; i < kAppFields; ++i)
        b.song.appFields[i] = 77;
    CMemStorage back;
    ASSERT_EQ(open(b, path, &back, "Other"), 1);
    for (int i = 0; i < kAppFields; ++i)
        EXPECT_EQ(b.song.appFields[i], 77u);
    EXPECT_EQ(back.GetLength(), 0);
    ASSERT_EQ(open(b, path, &back, nullptr), 1);
    EXPECT_EQ(b.song.appFields[0], 77u);
}

// One short event as an event block stores it: time, flags 0, status, two
// data bytes, value.
Bytes shortEvent(int32_t time, uint8_t status, uint8_t data1, uint8_t data2, int32_t value)
{
    return u32(uint32_t(time)) + Bytes(1, '\0') + Bytes{char(status), char(data1), char(data2)} +
           u32(uint32_t(value));
}

// Replaces the events record of a track in a saved file by these events.
void replaceEvents(const std::string &path, long trackRecord, const std::vector<Bytes> &events)
{
    Bytes block = u32(uint32_t(events.size()));
    for (const Bytes &e : events)
        block += e;
    const Bytes body = u32(uint32_t(block.size())) + block;
    records_test::TestDB db;
    ASSERT_TRUE(db.Open(path.c_str(), SONGFILE_MAGIC, 1));
    SDBNOTE *note = db.GetFirstNote(uint32_t(trackRecord), SONG_EVENTS);
    ASSERT_NE(note, nullptr);
    SDBNOTE changed = *note;
    changed.size = uint32_t(body.size());
    ASSERT_TRUE(db.ChangeNote(&changed, body.data()));
    ASSERT_TRUE(db.Close(1));
}

// What a song file's event blocks hold is put right before a track takes
// it: sorted, no time before 0, data bytes of 7 bits, notes with a velocity
// and a duration of at least 1. A block that does not read whole is
// refused, and the file stays as it is.
TEST_F(SongFileTest, EventBlocksArePutRightBeforeATrackTakesThem)
{
    Song a;
    CTrack *midi = a.add(TRACK_MIDI);
    EVENT note;
    note.setNote(0, 60, 100);
    note.value = 240;
    Song::put(midi, note, 0);
    const std::string path = folder.file("events.tsng");
    ASSERT_EQ(save(a, path), 1);
    const long record = midi->GetDBID();
    const long id = midi->GetID();
    replaceEvents(path, record,
                  {shortEvent(960, 0x90, 200, 100, 0), shortEvent(0, 0x90, 60, 0, 240),
                   shortEvent(480, 0xB0, 7, 0xFF, 0), shortEvent(-10, 0x99, 38, 0x90, -5)});
    Song b;
    ASSERT_EQ(open(b, path), 1);
    CTrack *read = b.song.GetTrack(id);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(eventBytes(read), u32(4) + shortEvent(0, 0x90, 60, 1, 240) + shortEvent(0, 0x99, 38, 0x10, 1) +
                                    shortEvent(480, 0xB0, 7, 0x7F, 0) + shortEvent(960, 0x90, 72, 100, 1));

    replaceEvents(path, record,
                  {shortEvent(0, 0x90, 60, 100, 240), shortEvent(10, 0x90, 61, 2, 3).substr(0, 9)});
    const Bytes refused = testing_support::readFile(path);
    Song c;
    EXPECT_EQ(open(c, path), 0);
    EXPECT_EQ(testing_support::readFile(path), refused);
}

// An open reads only: whether it fails or not, the file stays byte for
// byte, pending records and a torn tail a dead process left included.
TEST_F(SongFileTest, AnOpenLeavesTheFileByteForByte)
{
    Song a;
    a.addAudio(1, 1000, 0);
    a.song.songInfo.SetItemText(0, "Committed title");
    const std::string path = folder.file("open.tsng");
    ASSERT_EQ(save(a, path), 1);
    const Bytes saved = testing_support::readFile(path);
    const SDBNOTE block = recordsOf(path, SONG_AUDIO).at(0);
    const SDBNOTE info = recordsOf(path, SONG_INFO).at(0);
    const Bytes torn =
        records_test::recordBytes(0x01, SONG_EVENTS, 900, block.parent, "new events").substr(0, 10);
    const Bytes added =
        records_test::recordBytes(0x01, SONG_INFO, 901, SDB_NO_PARENT, Bytes(5, '\0') + u32(0));

    // A damaged audio block fails the open.
    Bytes failing = saved;
    failing.replace(block.position + 14 + 6, 4, u32(1001));
    failing += torn;
    ASSERT_TRUE(testing_support::writeFile(path, failing));
    Song b;
    EXPECT_EQ(open(b, path), 0);
    EXPECT_EQ(testing_support::readFile(path), failing);

    // Pending records: the open sees the last commit.
    Bytes pending = saved;
    pending[info.position] = char(0x80);
    pending += added + torn;
    ASSERT_TRUE(testing_support::writeFile(path, pending));
    Song c;
    ASSERT_EQ(open(c, path), 1);
    EXPECT_STREQ(c.song.songInfo.GetItemText(0), "Committed title");
    EXPECT_EQ(testing_support::readFile(path), pending);
}

// The records of a file once an open has discarded what a failed save left
// pending (the id at offset 4 may have changed): what follows the head.
std::string recordsAfterOpen(const std::string &path)
{
    records_test::TestDB db;
    if (db.Open(path.c_str(), SONGFILE_MAGIC, 1))
        db.Close(0);
    const std::string bytes = testing_support::readFile(path);
    return bytes.size() > SDB_HEAD_SIZE ? bytes.substr(SDB_HEAD_SIZE) : std::string();
}

// A save that fails at any one write leaves an existing file with the
// records it had and a new file with its head alone; the song's next save
// still works.
TEST_F(SongFileTest, FailedSaveLeavesTheFile)
{
    Song a;
    fill(a);
    const std::string path = folder.file("fail.tsng"), fresh = folder.file("fresh.tsng");
    ASSERT_EQ(save(a, path), 1);
    const std::string before = recordsAfterOpen(path);
    Song::put(a.song.GetNextTrack(TRACK_MIDI, nullptr), EVENT(), 5000);
    // The changes an update and a new file take, counted on copies.
    const auto changesOf = [&](const std::string &target) {
        records_test::ChangeHook count;
        EXPECT_EQ(save(a, target), 1);
        return count.count();
    };
    const std::string copy = folder.file("copy.tsng");
    ASSERT_TRUE(CopyFileA(path.c_str(), copy.c_str(), FALSE));
    const uint32_t updateChanges = changesOf(copy);
    const uint32_t freshChanges = changesOf(folder.file("count.tsng"));
    ASSERT_GT(updateChanges, 10u);
    ASSERT_GT(freshChanges, updateChanges);
    // Song ids of the copies' saves go: the next save of the file updates.
    {
        Song b;
        ASSERT_EQ(open(b, path), 1);
        a.song.songFileId = b.song.songFileId;
    }
    for (uint32_t spread : {0u, 1u, 2u, 5u, 9u, 13u, 16u, 18u, 19u}) {
        SCOPED_TRACE("failing change " + std::to_string(spread) + "/20");
        {
            records_test::ChangeHook fail(records_test::ChangeHook::Mode::FailOne,
                                          1 + updateChanges * spread / 20);
            EXPECT_EQ(save(a, path), 0);
        }
        {
            records_test::ChangeHook fail(records_test::ChangeHook::Mode::FailOne,
                                          1 + freshChanges * spread / 20);
            EXPECT_EQ(save(a, fresh), 0);
        }
        EXPECT_EQ(recordsAfterOpen(path), before);
        EXPECT_EQ(recordsAfterOpen(fresh), "");
        DeleteFileA(fresh.c_str());
    }
    ASSERT_EQ(save(a, path), 1);
    Song c;
    ASSERT_EQ(open(c, path), 1);
    expectSame(a, c);
}

// What an open finds of a song: its tracks with their events and texts,
// and the song's first text; "<none>" when the open fails.
std::string songContent(const std::string &path)
{
    equipment_test::TestSong test;
    CTembriSongDB db(test.get(), kVersion, kTag);
    if (!db.OpenSong(path.c_str(), nullptr))
        return "<none>";
    std::string found;
    for (CTrack *t = test->GetNextTrack(nullptr); t; t = test->GetNextTrack(t)) {
        found += std::to_string(t->GetKind()) + ":" + eventBytes(t);
        if (t->GetKind() == TRACK_MELTEXT)
            found += textBytes(static_cast<CTrackMelText *>(t));
        found += "|";
    }
    const char *title = test->songInfo.GetItemText(0);
    return found + (title ? title : "");
}

// A power cut anywhere in a song's first save or in a save over it: every
// state the disk may hold (power_cut.h) opens with the song of before the
// save or of after it, and a save that returned is never undone.
TEST_F(SongFileTest, APowerCutInASaveLeavesTheSongOfBeforeOrOfAfter)
{
    Song a;
    CTrack *midi = a.add(TRACK_MIDI);
    for (int i = 0; i < 30; ++i) {
        EVENT e;
        e.setNote(9, 36 + i % 12, 100);
        Song::put(midi, e, i * 240);
    }
    auto *lyrics = static_cast<CTrackMelText *>(a.add(TRACK_MELTEXT));
    int mode = 1;
    for (char c : std::string("la la"))
        lyrics->text.AddNewChar(0, lyrics->text.GetLine(0) ? lyrics->text.GetLine(0)->length : 0, c, mode);
    a.song.songInfo.SetItemText(0, "First");
    testing_support::TempFolder work, checked;
    const std::string name = "cut.tsng", path = work.file(name);
    std::vector<std::string> contents{"<none>"};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "the first save" : "a save over it");
        if (round == 1) {
            Song::put(midi, EVENT(), 9999);
            a.add(TRACK_CHORDS);
            a.song.songInfo.SetItemText(0, "Second");
        }
        const power_cut::Files start = power_cut::snapshot(work.path());
        std::vector<power_cut::Change> changes;
        {
            power_cut::Recorder recorder;
            CTembriSongDB db(&a.song, kVersion, kTag);
            ASSERT_EQ(db.SaveSong(path.c_str(), nullptr), 1);
            changes = power_cut::coalesced(recorder.changes());
        }
        contents.push_back(songContent(path));
        ASSERT_NE(contents.back(), contents[contents.size() - 2]);
        const size_t states =
            power_cut::forEveryState(start, changes, [&](size_t cut, const power_cut::Files &state) {
                power_cut::writeState(checked.path(), state);
                const std::string found = songContent(checked.file(name));
                const bool allowed = found == contents[contents.size() - 2] || found == contents.back();
                EXPECT_TRUE(allowed) << "cut after change " << cut << " of " << changes.size() << ": "
                                     << found;
                return allowed;
            });
        std::printf("%zu states opened\n", states);
    }
}

// A song file whose save was cut short, with the journal that gives back
// the song of before it: the journal's image is the records from the song
// information on, with the title `before`, and the file as the save left it.
struct UnfinishedSave {
    Bytes file, journal;
};

UnfinishedSave unfinishedSave(const std::string &path, const SDBNOTE &info, const char *before,
                              bool songReads)
{
    UnfinishedSave save;
    save.file = testing_support::readFile(path);
    DBUID uid;
    std::memcpy(uid.m_words, save.file.data() + 4, sizeof(uid.m_words));
    Bytes image = save.file.substr(info.position);
    const size_t title = image.find("Saved");
    EXPECT_NE(title, Bytes::npos);
    image.replace(title, 5, before);
    if (!songReads)
        image[SDB_HEADER_SIZE] = char(0xFF); // the first text runs past the body
    save.journal =
        records_test::journalBytes(SONGFILE_MAGIC, uid, info.position, uint32_t(save.file.size()), image);
    EXPECT_TRUE(testing_support::writeFile(path + ".journal", save.journal));
    return save;
}

// A whole journal (its checksum right, the song's id) whose image holds
// every record but no song that reads: the open fails and writes nothing,
// the file and its journal stay byte for byte.
TEST_F(SongFileTest, AJournalThatGivesBackNoSongLeavesTheFileAndTheJournal)
{
    Song a;
    a.add(TRACK_MIDI);
    a.song.songInfo.SetItemText(0, "Saved");
    const std::string path = folder.file("unfinished.tsng");
    ASSERT_EQ(save(a, path), 1);
    const UnfinishedSave left = unfinishedSave(path, recordsOf(path, SONG_INFO).at(0), "Older", false);
    Song b;
    EXPECT_EQ(open(b, path), 0);
    EXPECT_EQ(testing_support::readFile(path), left.file);
    EXPECT_EQ(testing_support::readFile(path + ".journal"), left.journal);
}

// Giving back the song of before an unfinished save writes the file: on a
// file that cannot be written (here another program has it open and lets
// nobody write it, as a read-only file or medium refuses writes) the open
// fails, says why, and leaves both files; where it can, the song of before
// opens and the journal is done.
TEST_F(SongFileTest, AnUnfinishedSaveOnAReadOnlyFileIsRefusedWithTheReason)
{
    Song a;
    a.add(TRACK_MIDI);
    a.song.songInfo.SetItemText(0, "Saved");
    const std::string path = folder.file("read only.tsng");
    ASSERT_EQ(save(a, path), 1);
    const SDBNOTE info = recordsOf(path, SONG_INFO).at(0);
    const UnfinishedSave left = unfinishedSave(path, info, "Older", true);
    std::vector<std::string> shown;
    setMessageBoxHook([&](HWND, const char *text, const char *caption, UINT type) {
        shown.push_back(std::string(text) + "|" + caption + "|" + std::to_string(type));
        return IDOK;
    });
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    Song b;
    EXPECT_EQ(open(b, path), 0);
    CloseHandle(reader);
    EXPECT_EQ(shown, std::vector<std::string>{"Cannot open the song " + path +
                                              ": it holds a save that did not finish, and giving back the "
                                              "song of before that save needs write access to it. The file "
                                              "is left as it is.|Open Song|" +
                                              std::to_string(MB_OK | MB_ICONSTOP)});
    EXPECT_EQ(testing_support::readFile(path), left.file);
    EXPECT_EQ(testing_support::readFile(path + ".journal"), left.journal);

    shown.clear();
    Song c;
    ASSERT_EQ(open(c, path), 1);
    setMessageBoxHook({});
    EXPECT_TRUE(shown.empty());
    EXPECT_STREQ(c.song.songInfo.GetItemText(0), "Older");
    EXPECT_EQ(testing_support::readFile(path),
              left.file.substr(0, info.position) + left.journal.substr(RollbackJournal::BodyOffset));
    EXPECT_FALSE(testing_support::fileExists(path + ".journal"));
}

TEST_F(SongFileTest, OpenRefusesWhatIsNotASongFile)
{
    Song a;
    EXPECT_EQ(open(a, folder.file("missing.tsng")), 0);
    // A record file of another kind.
    records_test::TestDB other;
    const std::string path = folder.file("other.prs");
    ASSERT_TRUE(other.Create(path.c_str(), records_test::kMagic));
    other.Close(1);
    EXPECT_EQ(open(a, path), 0);
    // A song file without a New Song template.
    records_test::TestDB empty;
    const std::string bare = folder.file("bare.tsng");
    ASSERT_TRUE(empty.Create(bare.c_str(), SONGFILE_MAGIC));
    empty.Close(1);
    EXPECT_EQ(open(a, bare), 0);
}

// Damaged audio blocks fail the open instead of filling the wave with
// whatever they expand to.
TEST_F(SongFileTest, DamagedAudioBlockFailsTheOpen)
{
    Song a;
    a.addAudio(1, 1000, 0);
    const std::string path = folder.file("damaged.tsng");
    ASSERT_EQ(save(a, path), 1);
    const SDBNOTE block = recordsOf(path, SONG_AUDIO).at(0);
    const Bytes good = bodyOf(path, block.id);
    struct Case {
        const char *what;
        size_t at;
        Bytes bytes;
    };
    const Case cases[] = {
        {"more frames than stored", 6, u32(1001)},
        {"three channels", 10, u32(3)},
        {"a block over 0x80000 bytes", 6, u32(0x20001)},
        {"stored length off by one", 26, u32(3999)},
        {"damaged stream", 40, Bytes("\xFF\xFF\xFF\xFF", 4)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = testing_support::readFile(path);
        const size_t body = file.find(good);
        ASSERT_NE(body, std::string::npos);
        file.replace(body + c.at, c.bytes.size(), c.bytes);
        const std::string damaged = folder.file("damaged-copy.tsng");
        ASSERT_TRUE(testing_support::writeFile(damaged, file));
        Song b;
        EXPECT_EQ(open(b, damaged), 0);
    }
}

} // namespace
