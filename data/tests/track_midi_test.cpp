#include "data/track_chords.h"
#include "data/track_meltext.h"
#include "data/track_midi.h"

#include "data/tests/song_fixture.h"

#include <string>

using namespace Quorvane;

namespace {

using TrackKinds = SongFixture;

std::string describe(const CTrack *t)
{
    std::string out;
    for (long i = 0; i < t->GetNumb(); ++i) {
        const EVENT *e = t->GetEvent(i);
        out += std::to_string(e->time) + ":";
        if (e->IsChord())
            out += "chord" + std::to_string(e->value);
        else if (e->IsMelody())
            out += "melody" + std::to_string(e->value);
        else if (e->IsShort())
            out +=
                std::to_string(e->status) + "/" + std::to_string(e->data1) + "/" + std::to_string(e->data2);
        else
            out += "long" + std::to_string(e->status);
        out += " ";
    }
    return out;
}

TEST_F(TrackKinds, EachKindMadeByTheSongHasItsDefaults)
{
    struct Row {
        long kind;
        const char *name;
        unsigned long flags;
        long channel, volume, pan;
        const char *events;
    };
    const Row rows[] = {
        {TRACK_CHORDS, "Chords", TRACK_MUTE | TRACK_USES, -1, 100, 64, "0:176/7/100 0:176/10/64 0:chord0 "},
        {TRACK_MELTEXT, "Lyric", TRACK_USES, 0, 100, 64, "0:melody0 "},
        {TRACK_MIDI, "MIDI", 0, -1, -1, -1, ""},
        {TRACK_PATTMIDI, "MIDI Patterns", 0, -1, -1, -1, ""},
        {TRACK_PATTDRUMS, "Drums Patterns", 0, -1, -1, -1, ""},
        {TRACK_PATTSR, "Strummarel Patterns", 0, -1, -1, -1, ""},
    };
    for (const Row &row : rows) {
        CTrack *t = add(row.kind);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->kind, row.kind);
        EXPECT_STREQ(t->name, row.name);
        EXPECT_EQ(t->flags & ~TRACK_SELECTED, row.flags) << row.name;
        EXPECT_TRUE(t->IsSlct()) << "new tracks are selected";
        EXPECT_EQ(t->channel, row.channel) << row.name;
        EXPECT_EQ(t->volume, row.volume) << row.name;
        EXPECT_EQ(t->pan, row.pan) << row.name;
        EXPECT_EQ(t->output, &sound.tract.preview) << row.name;
        EXPECT_EQ(describe(t), row.events) << row.name;
        // Three default events of a chord track count as data.
        EXPECT_EQ(t->HaveData(), row.kind == TRACK_CHORDS) << row.name;
    }
    EXPECT_EQ(static_cast<CTrackChords *>(song.GetTrackChords())->output2, &sound.tract.preview);
}

TEST_F(TrackKinds, NoOutputNoTrack)
{
    FakeSoundMngr silent;
    CSong bare(nullptr, &silent);
    for (long kind = TRACK_CHORDS; kind <= TRACK_PATTSR; ++kind) {
        CTrack *t = CreateTrack(kind, 1, &bare);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->SetDefault(), 0) << kind;
        delete t;
    }
}

TEST_F(TrackKinds, InitialStateComesFromTheFirstEvents)
{
    auto *t = add<CTrackMIDI>(TRACK_MIDI);
    put(t, note(3, 60, 100, 480), 0);
    put(t, ctrl(3, 7, 90), 960);
    put(t, ctrl(3, 7, 20), 1920); // a later duplicate stays
    put(t, ctrl(3, 10, 30), 480);
    put(t, ctrl(3, 0, 2), 100);
    put(t, ctrl(3, 32, 5), 100);
    put(t, prog(3, 33), 200);
    put(t, text(0x03, "Bass line"), 0);
    ASSERT_EQ(t->CheckInitial(1), 1);
    EXPECT_EQ(t->volume, 90);
    EXPECT_EQ(t->pan, 30);
    EXPECT_EQ(t->bank, 2 * 128 + 5);
    EXPECT_EQ(t->bankMode, 0);
    EXPECT_EQ(t->program, 33);
    EXPECT_STREQ(t->name, "Bass line");
    EXPECT_EQ(t->channel, 3) << "one channel used";
    EXPECT_EQ(t->GetEvent(t->GetNumb() - 1)->time, 1920);
    for (long i = 0; i + 1 < t->GetNumb(); ++i)
        EXPECT_EQ(t->GetEvent(i)->time, 0) << describe(t);

    auto *two = add<CTrackMIDI>(TRACK_PATTDRUMS);
    put(two, note(1, 60, 100, 10), 0);
    put(two, note(9, 36, 100, 10), 0);
    put(two, ctrl(9, 0, 7), 50);
    ASSERT_EQ(two->CheckInitial(1), 1);
    EXPECT_EQ(two->channel, -1) << "two channels: the track keeps none";
    EXPECT_EQ(two->bank, 7);
    EXPECT_EQ(two->bankMode, 1);
}

TEST_F(TrackKinds, CopyrightTextsBecomeTheSongsCopyright)
{
    const struct {
        long type;
        const char *text;
        int time;
        bool taken;
    } rows[] = {
        {0x02, "Anyone", 0, true},     {0x01, "Copyright 1999 X", 0, true}, {0x06, "(c) me", 0, true},
        {0x01, "(C) you", 0, true},    {0x01, "COPYRIGHT us", 0, true},     {0x01, "just words", 0, false},
        {0x02, "too late", 10, false}, {0x05, "(c) a lyric", 0, false},
    };
    for (const auto &row : rows) {
        song.songInfo.Clear(0);
        CTrackMIDI t(9, &song);
        put(&t, text(row.type, row.text), row.time);
        ASSERT_EQ(t.CheckForSongInfo(), 1);
        const char *got = song.songInfo.GetItemText(SONGINFO_COPYRIGHT);
        EXPECT_EQ(got != nullptr, row.taken) << row.text;
        if (row.taken && got) {
            EXPECT_STREQ(got, row.text);
        }
    }
}

TEST_F(TrackKinds, NotesReachTheEndOfAMIDITrack)
{
    auto *t = add(TRACK_MIDI);
    put(t, note(0, 60, 100, 960), 960);
    put(t, ctrl(0, 7, 1), 1000);
    EXPECT_EQ(t->UpdateLastTime(), 1);
    EXPECT_EQ(t->lastTime, 1920);
}

TEST_F(TrackKinds, DeleteNoteByRangeErasesWhatSoundsInside)
{
    auto *t = add<CTrackMIDI>(TRACK_MIDI);
    put(t, note(0, 60, 100, 100), 0);    // ends at 100: before the range
    put(t, note(0, 62, 100, 300), 100);  // sounds into it
    put(t, note(0, 64, 100, 50), 500);   // inside
    put(t, note(0, 80, 100, 50), 500);   // pitch outside
    put(t, note(0, 63, 100, 1000), 700); // starts within the margin
    long from = 680, to = 200;           // given in either order
    ASSERT_EQ(t->DeleteNoteByRange(from, to, 70, 61, 30), 1);
    EXPECT_EQ(from, 100);
    EXPECT_EQ(to, 1700);
    EXPECT_EQ(describe(t), "0:144/60/100 500:144/80/100 ");
    long a = 5000, b = 6000;
    EXPECT_EQ(t->DeleteNoteByRange(a, b, 0, 127, 0), 0);
    EXPECT_EQ(a, 5000);
}

// Rescaling goes by new / old exactly, rounding half up, durations with it.
TEST_F(TrackKinds, ChangeTimebaseScalesTimesAndDurationsWithRounding)
{
    auto *t = add(TRACK_MIDI);
    put(t, note(0, 60, 100, 960), 333);
    put(t, note(0, 61, 100, 1), 1000000007);
    put(t, ctrl(0, 7, 1), 1);
    ASSERT_EQ(t->ChangeTimebase(7, 3), 1);
    EXPECT_EQ(t->GetEvent(0)->time, 0);         // 0.43 rounds down
    EXPECT_EQ(t->GetEvent(1)->time, 143);       // 142.71
    EXPECT_EQ(t->GetEvent(1)->value, 411);      // 411.43
    EXPECT_EQ(t->GetEvent(2)->time, 428571432); // 428571431.57: float scaling misses it
    EXPECT_EQ(t->GetEvent(2)->value, 1) << "a note keeps one tick";
    ASSERT_EQ(t->ChangeTimebase(2, 3), 1);
    EXPECT_EQ(t->GetEvent(1)->time, 215);  // 214.5 rounds up
    EXPECT_EQ(t->GetEvent(1)->value, 617); // 616.5
}

} // namespace
