#include "data/song.h"
#include "data/storage.h"
#include "data/track_master.h"
#include "data/track_meltext.h"

#include "data/tests/fake_sound.h"
#include "data/tests/test_track.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

class Song : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(song.SetDefault(), 1); }
    TestTrack *track(unsigned long id, long kind = TRACK_MIDI)
    {
        auto *t = new TestTrack(id, kind, &song);
        EXPECT_EQ(song.InsertTrack(t, 0), 1);
        return t;
    }
    std::string ids()
    {
        std::string out;
        for (CTrack *t = song.GetNextTrack(nullptr); t; t = song.GetNextTrack(t))
            out += std::to_string(t->id) + (t->kind == TRACK_MASTER ? "m " : " ");
        return out;
    }
    FakeSoundMngr sound;
    CSong song{nullptr, &sound};
};

TEST_F(Song, SetDefaultMakesATractAndAMasterTrack)
{
    EXPECT_EQ(sound.created, 1);
    EXPECT_EQ(song.GetSongTract(), &sound.tract);
    EXPECT_EQ(ids(), "0m ");
    EXPECT_EQ(song.GetNumTracks(), 1);
    EXPECT_EQ(song.GetTrack(0), song.GetTrackMaster());
    EXPECT_EQ(song.GetTimeBase(), 960);
    EXPECT_EQ(song.GetSPS(), 44100);
    EXPECT_EQ(song.GetBuffSamples(), 512);
    EXPECT_EQ(song.templateTimeBase, 960);
    EXPECT_EQ(song.templateSampleRate, 44100);
    EXPECT_NE(song.GetSyncObj(), nullptr);
    song.Clear();
    EXPECT_EQ(sound.inactivated, 1);
    EXPECT_EQ(sound.released, 1);
    EXPECT_EQ(song.GetNumTracks(), 0);
    EXPECT_EQ(song.GetTrackMaster(), nullptr);
}

TEST_F(Song, TracksStayInIdOrder)
{
    track(3);
    track(1);
    track(7);
    EXPECT_EQ(ids(), "0m 1 3 7 ");
    // An equal id goes before its namesake, which moves up with all after it.
    track(3);
    EXPECT_EQ(ids(), "0m 1 3 4 8 ");
    CTrack *shifted = new TestTrack(2, TRACK_MIDI, &song);
    ASSERT_EQ(song.InsertTrack(shifted, 1), 1);
    ASSERT_EQ(ids(), "0m 1 2 4 5 9 ");
    EXPECT_EQ(song.GetTrack(5)->GetPrev(), song.GetTrack(4));
    EXPECT_EQ(song.GetPrevTrack(nullptr), song.GetTrack(9));
    EXPECT_EQ(song.GetTrack(6), nullptr);

    const uint64_t edition = song.GetEdition();
    CTrack *following = song.DeleteTrack(song.GetTrack(4), 1);
    EXPECT_EQ(following->id, 4u);
    EXPECT_EQ(ids(), "0m 1 2 4 8 ");
    EXPECT_GT(song.GetEdition(), edition);
    EXPECT_EQ(song.DeleteTrack(song.GetTrack(8), 0), nullptr);
    song.Update();
    EXPECT_EQ(song.GetNumTracks(), 4);
}

TEST_F(Song, TrackListInvariants)
{
    auto refused = [&](unsigned long id, long kind) {
        TestTrack t(id, kind, &song);
        return song.InsertTrack(&t, 0) == 0;
    };
    EXPECT_TRUE(refused(0, TRACK_MASTER)); // a second master
    EXPECT_TRUE(refused(0, TRACK_MIDI));   // only the master has id 0
    track(1, TRACK_CHORDS);
    EXPECT_TRUE(refused(2, TRACK_CHORDS));
    EXPECT_EQ(song.GetTrackChords(), song.GetTrack(1));
    EXPECT_EQ(song.InsertNewTrack(TRACK_CHORDS, 5, 0), nullptr);
    EXPECT_EQ(song.InsertNewTrack(9, 5, 0), nullptr);
    EXPECT_EQ(song.InsertNewTrack(TRACK_MASTER, 5, 0), nullptr);

    FakeSoundMngr other;
    CSong empty(nullptr, &other);
    TestTrack master(3, TRACK_MASTER, &empty);
    EXPECT_EQ(empty.InsertTrack(&master, 0), 0); // a master must have id 0
}

TEST_F(Song, FindsTracksByKindAndSelection)
{
    track(1, TRACK_CHORDS);
    track(2)->SetSlct(1);
    track(3, TRACK_AUDIO);
    track(4)->SetSlct(1);
    EXPECT_EQ(song.GetNextTrack(TRACK_MIDI, nullptr)->id, 2u);
    EXPECT_EQ(song.GetNextTrack(TRACK_MIDI, song.GetTrack(2))->id, 4u);
    EXPECT_EQ(song.GetNextTrack(TRACK_MIDI, song.GetTrack(4)), nullptr);
    EXPECT_EQ(song.GetNextTrack(0ul, nullptr), song.GetTrackMaster());
    EXPECT_EQ(song.GetNextSelectedTrack(nullptr)->id, 2u);
    EXPECT_EQ(song.GetNextSelectedTrack(song.GetTrack(2))->id, 4u);
    EXPECT_EQ(song.NeedChords(), 0);
    track(5, TRACK_PATTSR);
    EXPECT_EQ(song.NeedChords(), 1);
    song.Update();
    EXPECT_EQ(song.GetNumSelected(), 2);
    EXPECT_EQ(song.CheckSolo(), 0);
    song.GetTrack(3)->SetSolo(1);
    EXPECT_EQ(song.CheckSolo(), 1);
}

TEST_F(Song, EndsAreRoundedUpToBars)
{
    TestTrack *t = track(1);
    struct Case {
        long last, end, range;
    } cases[] = {{7680, 7680, 130 * 3840}, {7681, 11520, 131 * 3840}, {0, 0, 128 * 3840}};
    for (const Case &c : cases) {
        t->lastTime = c.last;
        song.Update();
        EXPECT_EQ(song.songEnd, c.end) << c.last;
        EXPECT_EQ(song.playRangeEnd, c.range) << c.last;
    }
    EXPECT_EQ(song.Update(), 0); // nothing changed
}

TEST(SongWithoutMaster, UsesBarsOf3840Ticks)
{
    CSong song(nullptr, nullptr);
    auto *t = new TestTrack(1, TRACK_MIDI, &song);
    ASSERT_EQ(song.InsertTrack(t, 0), 1);
    t->lastTime = 4000;
    EXPECT_EQ(song.Update(), 1);
    EXPECT_EQ(song.songEnd, 7680);
    EXPECT_EQ(song.playRangeEnd, 499200);
    EXPECT_EQ(song.SetDefault(), 0); // no sound manager, no tract
    EXPECT_EQ(song.GetNumTracks(), 0);
    // The engine's view without a master track.
    ITembriSong *view = song.GetITembriSong();
    long bar = 9, beat = 9, tick = 9;
    view->SongGetMBTFromTime(5000, bar, beat, tick);
    EXPECT_EQ(bar + beat + tick, 0);
    EXPECT_EQ(view->SongGetNumMeters(), 0);
    EXPECT_EQ(view->SongGetMeterIndexAtTime(0), -1);
    QUICKMETER m;
    EXPECT_EQ(view->SongGetMeterByIndex(0, m), 0);
    EXPECT_EQ(view->SongGetSampleFromTime(960), 0);
    EXPECT_FLOAT_EQ(view->SongGetTempoNow(), 100.0f);
    EXPECT_EQ(view->SongGetTimeBase(), 960);
}

TEST_F(Song, SelectingATrackSelectsItsEventsInTheTimeSelection)
{
    TestTrack *t = track(1);
    t->note(0, 60, 10).note(960, 62, 10).note(1920, 64, 10);
    EXPECT_EQ(song.SetTimeSelection(960, 1920), 1);
    EXPECT_EQ(song.SetTimeSelection(960, 1920), 0);
    EXPECT_EQ(song.IsTimeSelection(), 1);
    const uint64_t edition = t->GetEdition();
    song.SelectTrack(t, 1, 1);
    EXPECT_TRUE(t->IsSlct());
    EXPECT_FALSE(t->GetEvent(0)->IsSlct());
    EXPECT_TRUE(t->GetEvent(1)->IsSlct());
    EXPECT_FALSE(t->GetEvent(2)->IsSlct());
    EXPECT_GT(t->GetEdition(), edition);
    song.SelectTrack(t, 0, 1);
    EXPECT_FALSE(t->IsSlct() || t->GetEvent(1)->IsSlct());
    EXPECT_EQ(song.SetTimeSelection(-1, -1), 1);
    EXPECT_EQ(song.IsTimeSelection(), 0);
}

TEST_F(Song, DeletingAnOutputReroutesWhatUsedIt)
{
    TestTrack *a = track(1);
    TestTrack *b = track(2);
    a->output = &sound.tract.other;
    b->output = &sound.tract.chords;
    SYSEX entry;
    entry.SetName("Reset");
    entry.port = &sound.tract.other;
    song.sysEx.Add(entry);
    // The tracks move under the song's lock; the output goes after it is
    // let go (its module is freed without the lock the render thread plays
    // under).
    bool movedFirst = false, lockHeld = true;
    sound.tract.whileDeleting = [&](void *) {
        movedFirst = a->output == &sound.tract.preview && song.sysEx.GetAt(0)->port == nullptr;
        lockHeld = testing_support::heldByThisThread(song.GetSyncObj()->section);
    };
    EXPECT_EQ(song.DeleteOutPort(&sound.tract.other), 1);
    EXPECT_TRUE(movedFirst);
    EXPECT_FALSE(lockHeld);
    EXPECT_EQ(a->output, &sound.tract.preview);
    EXPECT_EQ(b->output, &sound.tract.chords);
    EXPECT_EQ(song.sysEx.GetAt(0)->port, nullptr);
    ASSERT_EQ(sound.tract.deleted.size(), 1u);
    EXPECT_EQ(sound.tract.deleted[0], &sound.tract.other);
    EXPECT_EQ(song.DeleteOutPort(&sound.tract.other), 0);
    PORTDESCR d;
    EXPECT_EQ(song.GetDefMIDIOut(&d), 0);
}

// An audio track's output goes with the last track on it; a MIDI track's
// output, and the preview output, stay.
TEST_F(Song, DeletingAnAudioTrackTakesItsOutputWhenNoneElseUsesIt)
{
    CTrack *first = song.InsertNewTrack(TRACK_AUDIO, -1, 0);
    CTrack *second = song.InsertNewTrack(TRACK_AUDIO, -1, 0);
    TestTrack *midi = track(3);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(first->output, &sound.tract.other) << "the stand-in's one new output";
    ASSERT_EQ(second->output, &sound.tract.other);
    midi->output = &sound.tract.chords;
    SYSEX entry;
    entry.port = &sound.tract.other;
    song.sysEx.Add(entry);

    song.DeleteTrack(first, 0);
    EXPECT_TRUE(sound.tract.deleted.empty()) << "the second audio track still plays on it";
    song.DeleteTrack(second, 0);
    EXPECT_EQ(sound.tract.deleted, std::vector<void *>{&sound.tract.other});
    EXPECT_EQ(song.sysEx.GetAt(0)->port, nullptr);
    song.DeleteTrack(midi, 0);
    EXPECT_EQ(sound.tract.deleted.size(), 1u) << "a MIDI track's output is the song's routing";

    CTrack *onPreview = song.InsertNewTrack(TRACK_AUDIO, -1, 0);
    ASSERT_NE(onPreview, nullptr);
    onPreview->output = &sound.tract.preview;
    song.DeleteTrack(onPreview, 0);
    EXPECT_EQ(sound.tract.deleted.size(), 1u) << "the preview output stays";
}

TEST_F(Song, NewParametersConvertTheTracks)
{
    TestTrack *t = track(1);
    t->note(960, 60, 480);
    EVENT meter;
    meter.setTSign(3, 2);
    meter.time = 7680;
    CTrackMaster *m = song.GetTrackMaster();
    m->AddToTail(&meter, 1);
    m->Sort();
    m->UpdateParams(0);

    IOPARAMS p;
    p.timeBase = 480;
    p.sampleRate = 48000;
    ASSERT_EQ(song.UpdateIOParams(&p), 1);
    EXPECT_EQ(t->GetEvent(0)->time, 480);
    ASSERT_EQ(t->spsChanges.size(), 1u);
    EXPECT_EQ(t->spsChanges[0], std::make_pair(44100L, 48000L));
    EXPECT_EQ(m->GetTimeBase(), 480);
    EXPECT_EQ(song.templateTimeBase, 480);
    long bar, beat, tick;
    m->GetMBTFromTime(3840 + 1440, bar, beat, tick); // the 3/4 moved to 3840
    EXPECT_EQ(bar, 3);
    EXPECT_EQ(beat, 0);
    EXPECT_EQ(m->GetSampleFromTime(480), 28800);

    t->refuseSPS = true;
    p.sampleRate = 44100;
    EXPECT_EQ(song.UpdateIOParams(&p), 0);
    EXPECT_EQ(song.UpdateIOParams(nullptr), 0);
}

TEST_F(Song, TheEnginesViewRunsAtTheTempoFactor)
{
    ITembriSong *view = song.GetITembriSong();
    EXPECT_EQ(view->SongGetSampleFromTime(960), 26460);
    song.lastFactor = 2.0f;
    EXPECT_EQ(view->SongGetSampleFromTime(960), 13230);
    EXPECT_EQ(view->SongGetTimeFromSample(13230), 960);
    QUICKTIMER t;
    EXPECT_EQ(view->SongGetTempoByIndex(0, t), 1);
    EXPECT_EQ(view->SongGetTempoByIndex(1, t), 0);
    EXPECT_EQ(view->SongGetNumTempos(), 1);
    EXPECT_EQ(view->SongGetTempoIndexAtTime(5000), 0);
    long bar = 9, beat = 9, tick = 9;
    view->SongGetMBTFromTime(0, bar, beat, tick);
    EXPECT_EQ(bar + beat + tick, 0);
    view->SongGetMBTFromTime(3840 + 961, bar, beat, tick);
    EXPECT_EQ(bar, 1);
    EXPECT_EQ(beat, 1);
    EXPECT_EQ(tick, 1);
    EXPECT_EQ(view->SongGetTimeFromMBT(1, 1, 1), 3840 + 961);
    EXPECT_EQ(view->SongGetNumMeters(), 1);
    EXPECT_EQ(view->SongGetNumTonals(), 1);
    EXPECT_EQ(view->SongGetTonalIndexAtTime(-5), -1);
    QUICKTONAL k;
    EXPECT_EQ(view->SongGetTonalByIndex(0, k), 1);
    EXPECT_EQ(k.key, 15);
    EXPECT_EQ(view->SongGetSPS(), 44100);
}

TEST_F(Song, TempoNowFollowsThePlayPosition)
{
    CTrackMaster *m = song.GetTrackMaster();
    EVENT fast;
    fast.setTempo(150.0f);
    fast.time = 3840;
    m->AddToTail(&fast, 1);
    m->Sort();
    m->UpdateParams(0);
    ITembriSong *view = song.GetITembriSong();
    song.playStartTick = 0;
    song.currentTick = 5000;
    EXPECT_NEAR(view->SongGetTempoNow(), 100.0f, 1e-3);
    sound.playing = 1;
    EXPECT_NEAR(view->SongGetTempoNow(), 150.0f, 1e-3);
}

TEST_F(Song, ModifiedGoesThroughTheCallbackWhenThereIsOne)
{
    ITembriSong *view = song.GetITembriSong();
    view->SongSetModified();
    EXPECT_EQ(song.IsModified(), 1);
    song.SetModified(0);
    static ULONG_PTR called = 0;
    song.SetUpdateModifiedFn([](ULONG_PTR user) { called = user; }, 42);
    view->SongSetModified();
    EXPECT_EQ(called, 42u);
    EXPECT_EQ(song.IsModified(), 0);
}

TEST_F(Song, PreviewMessagesGoToTheTrack)
{
    TestTrack *t = track(3);
    t->output = &sound.tract.other;
    t->channel = 1;
    ITembriSong *view = song.GetITembriSong();
    view->SongPlayMMsg(0, 0x00643C90ul);
    EXPECT_TRUE(sound.tract.sent.empty());
    view->SongPlayMMsg(3, 0x00643C90ul);
    ASSERT_EQ(sound.tract.sent.size(), 1u);
    EXPECT_EQ(sound.tract.sent[0].message, 0x00643C91u);
    view->SongPlayMMsg(4, 0x00643C90ul); // no such track
    EXPECT_EQ(sound.tract.sent.size(), 1u);
}

TEST_F(Song, UndoStepsTouchTheTracksThatChange)
{
    TestTrack *a = track(1);
    TestTrack *b = track(2);
    EXPECT_EQ(song.StoreTempUndo(nullptr, 2), 1);
    EXPECT_EQ(a->GetEdition(), 0u);
    EXPECT_EQ(b->GetEdition(), 1u);
    song.StoreTempUndo(nullptr, UNDO_ALL_TRACKS);
    EXPECT_EQ(a->GetEdition(), 1u);
    EXPECT_EQ(b->GetEdition(), 2u);
    song.StoreTempUndo(nullptr, UNDO_SONG);
    song.StoreTempUndo(nullptr, UNDO_ROUTING);
    EXPECT_EQ(b->GetEdition(), 2u);
    {
        CUndoAccount step(&song, nullptr, 1);
        step.Commit();
    }
    EXPECT_EQ(song.IsModified(), 1);
    EXPECT_EQ(song.StoreUndoNow(nullptr, 1), 1);
}

TEST_F(Song, ZeroSongLeavesOnlyADefaultMaster)
{
    track(1)->note(0, 60, 10);
    track(2);
    CTrackMaster *m = song.GetTrackMaster();
    EVENT slow;
    slow.setTempo(60.0f);
    m->AddToTail(&slow, 1);
    m->UpdateParams(0);
    const uint64_t edition = song.GetEdition();
    song.ZeroSong();
    EXPECT_EQ(ids(), "0m ");
    EXPECT_EQ(m->GetNumb(), 0);
    EXPECT_NEAR(m->GetTempoAtTime(0), 100.0f, 1e-3);
    EXPECT_EQ(m->GetKSign(0), 15);
    EXPECT_GT(song.GetEdition(), edition);
    EXPECT_EQ(song.GetNumTracks(), 1);
}

// An edit that holds the song lock and rebuilds the maps takes the mutex a
// second time on its own thread; that must go through, and the render
// thread must wait until the edit let go.
TEST_F(Song, EditsUnderTheSongLockMayTakeItAgain)
{
    CLock edit(song.GetSyncObj());
    song.ZeroSong(); // locks again inside
    ASSERT_EQ(song.GetTrackMaster()->UpdateParams(0), 1);
    bool renderGotIt = true;
    std::thread render([&] {
        CLock probe(song.GetSyncObj(), 0);
        renderGotIt = probe.TryLock() != 0;
    });
    render.join();
    EXPECT_FALSE(renderGotIt);
    edit.Unlock();
}

TEST_F(Song, ImportTracksAreReusedWhenEmpty)
{
    struct ImportingSong : CSong {
        using CSong::CSong;
        using CSong::GetTrackForImport;
        using CSong::ResetSelection;
    };
    FakeSoundMngr other;
    ImportingSong importing(nullptr, &other);
    ASSERT_EQ(importing.SetDefault(), 1);
    auto *full = new TestTrack(1, TRACK_MIDI, &importing);
    full->note(0, 60, 1);
    auto *empty = new TestTrack(2, TRACK_MIDI, &importing);
    importing.InsertTrack(full, 0);
    importing.InsertTrack(empty, 0);
    EXPECT_EQ(importing.GetTrackForImport(TRACK_MIDI), empty);
    EXPECT_TRUE(empty->IsSlct());
    // None of the kind: a new one after the last.
    importing.Update();
    CTrack *audio = importing.GetTrackForImport(TRACK_AUDIO);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->kind, TRACK_AUDIO);
    EXPECT_EQ(audio->id, 3u);
    EXPECT_TRUE(audio->IsSlct());

    importing.SetTimeSelection(0, 960);
    EXPECT_EQ(importing.ResetSelection(1, 1), 1);
    EXPECT_FALSE(empty->IsSlct());
    EXPECT_EQ(importing.IsTimeSelection(), 0);
    EXPECT_EQ(importing.ResetSelection(1, 1), 0);
}

// Every change of the track list gives the song a new edition, whoever
// makes it.
TEST_F(Song, StructuralChangesAdvanceTheEdition)
{
    const struct {
        const char *what;
        std::function<bool()> change;
    } changes[] = {
        {"InsertTrack", [this] { return song.InsertTrack(new TestTrack(5, TRACK_MIDI, &song), 0) == 1; }},
        {"InsertNewTrack", [this] { return song.InsertNewTrack(TRACK_AUDIO, -1, 0) != nullptr; }},
        {"DeleteTrack", [this] { return song.DeleteTrack(song.GetTrack(5), 0) != nullptr; }},
        {"ZeroSong",
         [this] {
             song.ZeroSong();
             return true;
         }},
        {"Clear",
         [this] {
             song.Clear();
             return true;
         }},
    };
    for (const auto &c : changes) {
        const uint64_t before = song.GetEdition();
        ASSERT_TRUE(c.change()) << c.what;
        EXPECT_GT(song.GetEdition(), before) << c.what;
    }
    const uint64_t before = song.GetEdition();
    EXPECT_EQ(song.InsertNewTrack(TRACK_CHORDS + 100, -1, 0), nullptr);
    EXPECT_EQ(song.GetEdition(), before) << "a refused insertion changes nothing";
}

// --- plain text import ---------------------------------------------------------

std::vector<std::string> lines(const CText &text)
{
    std::vector<std::string> out;
    for (long i = 0; i < text.GetNumLines(); ++i)
        out.emplace_back(text.GetLine(i)->text ? text.GetLine(i)->text : "", text.GetLine(i)->length);
    return out;
}

CMemStorage *storageOf(const std::string &bytes)
{
    auto *storage = new CMemStorage;
    storage->PutBuffer(bytes.data(), static_cast<long>(bytes.size()));
    storage->SetPos(0);
    return storage;
}

// A file that cannot be read.
struct UnreadableStorage : CStorage {
    int InternalGetBuffer(void *, long) override { return 0; }
    int InternalPutBuffer(const void *, long) override { return 0; }
    long GetLength() override { return 12; }
    long GetPos() override { return 0; }
    long SetPos(long) override { return 0; }
};

TEST_F(Song, PlainTextBecomesTheLyricsOfANewTrack)
{
    const std::string longLine(70000, 'w');
    const struct {
        const char *what;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"an empty file", "", {}},
        {"no final line break", std::string("a\r\nb\n\nc"), {"a", "b", "", "c"}},
        {"a final line break", "one\ntwo\n", {"one", "two"}},
        {"LF CR is one break, CR CR two", "a\n\rb\r\rc", {"a", "b", "", "c"}},
        {"only a break", "\r\n", {""}},
        {"control bytes become blanks", std::string("x\ty\0z\x1f\x01w", 8), {std::string("x y z \x01w")}},
        {"bytes above 127 stay", "\xe9t\xe9\n\x80\xff\x7f", {"\xe9t\xe9", "\x80\xff\x7f"}},
        {"an over-long line stays whole", longLine + "\nend", {longLine, "end"}},
    };
    for (const auto &c : cases) {
        std::unique_ptr<CMemStorage> storage(storageOf(c.bytes));
        const long before = song.GetNumTracks();
        ASSERT_EQ(song.ImportText(storage.get()), 1) << c.what;
        ASSERT_EQ(song.GetNumTracks(), before + 1) << c.what;
        auto *lyrics = static_cast<CTrackMelText *>(song.GetPrevTrack(nullptr));
        ASSERT_EQ(lyrics->kind, TRACK_MELTEXT) << c.what;
        EXPECT_EQ(lines(lyrics->text), c.lines) << c.what;
        EXPECT_TRUE(lyrics->IsSlct()) << c.what;
        EXPECT_EQ(song.GetNumSelected(), 1) << c.what << ": every other track deselected";
    }
}

// An import goes into a melody track that holds nothing, never into one
// with lyrics; a file that cannot be read leaves no track behind, and takes
// none away that was there before.
TEST_F(Song, PlainTextGoesWhereItAddsToNothing)
{
    auto *lyrics = static_cast<CTrackMelText *>(song.InsertNewTrack(TRACK_MELTEXT, -1, 0));
    ASSERT_NE(lyrics, nullptr);
    lyrics->Delete(0, lyrics->GetNumb());
    ASSERT_EQ(lyrics->GetNumb(), 0);
    UnreadableStorage unreadable;
    EXPECT_EQ(song.ImportText(&unreadable), 0) << "into the empty track";
    ASSERT_EQ(song.GetNumTracks(), 2);
    ASSERT_EQ(song.GetPrevTrack(nullptr), lyrics) << "the track that was there stays";
    const uint64_t edition = lyrics->GetEdition();
    std::unique_ptr<CMemStorage> first(storageOf("la la\n"));
    ASSERT_EQ(song.ImportText(first.get()), 1);
    EXPECT_EQ(song.GetNumTracks(), 2);
    EXPECT_EQ(lines(lyrics->text), std::vector<std::string>{"la la"});
    EXPECT_GT(lyrics->GetEdition(), edition);

    std::unique_ptr<CMemStorage> second(storageOf("du du"));
    ASSERT_EQ(song.ImportText(second.get()), 1);
    EXPECT_EQ(song.GetNumTracks(), 3) << "the lyrics are kept";
    EXPECT_EQ(lines(lyrics->text), std::vector<std::string>{"la la"});

    EXPECT_EQ(song.ImportText(&unreadable), 0);
    EXPECT_EQ(song.GetNumTracks(), 3);
    EXPECT_EQ(song.ImportText(nullptr), 0);
    EXPECT_EQ(song.GetNumTracks(), 3);
}

} // namespace
