#include "data/evnt_trans.h"
#include "data/track_chords.h"
#include "data/track_meltext.h"
#include "data/track_midi.h"

#include "data/tests/song_fixture.h"
#include "testing/realtime_counters.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

// At the default 100 quarters per minute, 960 ticks and 44.1 kHz a tick is
// 27.5625 samples and a quarter 26460.
constexpr int64_t kQuarter = 26460;

class TrackPlayback : public SongFixture {
protected:
    CTrackMIDI *midi(long channel = -1)
    {
        auto *t = add<CTrackMIDI>(TRACK_MIDI);
        t->channel = channel;
        return t;
    }
    void start(long tick = 0)
    {
        song.songEnd = 16 * 960;
        song.playStartTick = tick;
        ASSERT_EQ(song.OnStartPlayback(), 1);
        sent().clear();
    }
    std::vector<FakeTract::Sent> &sent() { return sound.tract.sent; }
    // One buffer of 256 frames asked for on a thread of its own, as the
    // render thread asks: the heap allocations it made.
    long allocationsOfABuffer()
    {
        long allocations = -1;
        std::thread render([&] {
            testing_support::RealTimeCounter counter;
            song.AskPlayback(256);
            allocations = counter.allocations();
        });
        render.join();
        return allocations;
    }
    // The test effect module (which moves notes up an octave) on the
    // track's chain; false when it could not be made.
    bool addOctaver(CTrackMIDI *track)
    {
        PORTDESCR effect(PORT_BY_NAME);
        effect.SetData("TestEffect");
        auto *elem = new CMEffElem(&effect, song.GetITembriSong(), track);
        if (!elem->effect) {
            delete elem;
            return false;
        }
        track->effects.AddNewMEffElem(elem);
        return true;
    }
    // The messages sent with status byte status (low bits ignored when the
    // status is a channel message's), by their place in the buffer (a chain
    // is handed over unordered).
    std::vector<FakeTract::Sent> with(uint8_t status)
    {
        std::vector<FakeTract::Sent> out;
        for (const auto &s : sent()) {
            const uint8_t b = static_cast<uint8_t>(s.message);
            if (status < 0xF0 ? (b & 0xF0) == status : b == status)
                out.push_back(s);
        }
        std::stable_sort(out.begin(), out.end(), [](const FakeTract::Sent &a, const FakeTract::Sent &b) {
            return a.sample < b.sample;
        });
        return out;
    }
};

TEST_F(TrackPlayback, NotesGoOutAsNoteOnAndNoteOffAtTheirSamples)
{
    CTrackMIDI *track = midi();
    track->transpose = 2;
    put(track, note(2, 60, 90, 480), 480);
    put(track, ctrl(2, 7, 80), 960);
    start();
    song.AskPlayback(13000);
    EXPECT_TRUE(sent().empty());
    song.AskPlayback(512);
    const auto ons = with(0x90);
    ASSERT_EQ(ons.size(), 2u) << "the note-on and its note-off (velocity 0)";
    EXPECT_EQ(ons[0].out, track->output);
    EXPECT_EQ(ons[0].message, 0x5A3E92u);
    EXPECT_EQ(ons[0].sample, kQuarter / 2 - 13000);
    EXPECT_EQ(ons[1].message, 0x003E92u);
    EXPECT_EQ(ons[1].sample, kQuarter - 13000);
    song.AskPlayback(kQuarter);
    const auto ctrls = with(0xB0);
    ASSERT_EQ(ctrls.size(), 1u);
    EXPECT_EQ(ctrls[0].message, 0x5007B2u);
    EXPECT_EQ(ctrls[0].sample, kQuarter - 13512);
}

TEST_F(TrackPlayback, ATrackChannelReplacesTheEvents)
{
    CTrackMIDI *track = midi(5);
    put(track, note(0, 60, 90, 10), 0);
    start();
    song.AskPlayback(512);
    ASSERT_FALSE(with(0x90).empty());
    EXPECT_EQ(with(0x90)[0].message & 0x0F, 5u);
}

// A note reaching past the loop end is cut to end a tick and a sample
// before it, so no note hangs across the wrap.
TEST_F(TrackPlayback, NotesAreCutAtTheLoopEnd)
{
    CTrackMIDI *track = midi();
    put(track, note(0, 64, 100, 480), 720);
    song.loop = 1;
    song.SetTimeSelection(0, 960);
    start(700);
    const int64_t startSample = song.currentSample;
    song.AskPlayback(2048);
    const auto notes = with(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].sample, kQuarter - 1 - startSample);
}

// A buffer over the loop end plays the loop's start behind the first
// cell's frames.
TEST_F(TrackPlayback, TheSecondCellOfALoopComesBehindTheFirst)
{
    CTrackMIDI *track = midi();
    put(track, note(0, 50, 100, 10), 0);
    song.loop = 1;
    song.SetTimeSelection(0, 960);
    start(950);
    const int64_t toEnd = kQuarter - song.currentSample;
    song.AskPlayback(512);
    const auto notes = with(0x90);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes[0].sample, toEnd);
}

TEST_F(TrackPlayback, TheTempoFactorHalvesOffsets)
{
    CTrackMIDI *track = midi();
    put(track, note(0, 50, 100, 10), 40);
    start();
    song.tempoFactor = 2.0f;
    song.AskPlayback(2048);
    const auto notes = with(0x90);
    ASSERT_FALSE(notes.empty());
    // Tick 40 is song sample 1102.5 -> 1102, sent at 551.
    EXPECT_EQ(notes[0].sample, 551);
}

// A muted track sends nothing but keeps its cursor in step: unmuted, it
// goes on from where playback is.
TEST_F(TrackPlayback, AMutedTrackKeepsItsCursor)
{
    CTrackMIDI *track = midi();
    put(track, note(0, 40, 100, 10), 100);
    put(track, note(0, 41, 100, 10), 2000);
    start();
    track->SetMute(1);
    song.AskPlayback(static_cast<long>(kQuarter));
    EXPECT_TRUE(sent().empty());
    track->SetMute(0);
    song.AskPlayback(static_cast<long>(2 * kQuarter));
    const auto notes = with(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ((notes[0].message >> 8) & 0x7F, 41u);
}

TEST_F(TrackPlayback, ThePrePlayCallbackMayDropTheCell)
{
    CTrackMIDI *track = midi();
    put(track, note(0, 40, 100, 10), 0);
    int calls = 0;
    track->SetPrePlayFn(
        [](CEvntTransChain *chain, long, long, void *user) -> CEvntTransChain * {
            ++*static_cast<int *>(user);
            delete chain;
            return nullptr;
        },
        &calls);
    start();
    song.AskPlayback(512);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(sent().empty());
}

TEST_F(TrackPlayback, StartSendsTheInitialStateUnlessMuted)
{
    CTrackMIDI *track = midi(3);
    track->program = 5;
    ASSERT_EQ(song.OnStartPlayback(), 1);
    EXPECT_EQ(with(0xC0).size(), 1u);
    sent().clear();
    track->SetMute(1);
    ASSERT_EQ(song.OnStartPlayback(), 1);
    EXPECT_TRUE(with(0xC0).empty());
}

TEST_F(TrackPlayback, AnOnlineChainPlaysWhatItMakes)
{
    CTrackMIDI *track = midi();
    ASSERT_TRUE(addOctaver(track));
    put(track, note(0, 48, 100, 100), 100);
    start();
    song.AskPlayback(static_cast<long>(kQuarter / 4));
    const auto notes = with(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ((notes[0].message >> 8) & 0x7F, 60u) << "moved up an octave by the effect";
    EXPECT_GT(track->lastProcessed, 200);
    // Ticks already processed are not given to the chain again.
    const long processed = track->lastProcessed;
    song.AskPlayback(64);
    EXPECT_GE(track->lastProcessed, processed);
}

// A cell may bring far more events than a sparse track's: the room a track
// makes at the start covers all it holds, so the render thread takes
// nothing from the heap for the chain's arrays or their sort however dense
// the cell.
TEST_F(TrackPlayback, ADenseCellThroughTheChainTakesNothingFromTheHeap)
{
    CTrackMIDI *track = midi();
    ASSERT_TRUE(addOctaver(track));
    constexpr int kNotes = 600;
    for (int i = 0; i < kNotes; ++i) {
        EVENT e = note(i % 16, 30 + i % 60, 100, 1000);
        e.time = i % 8;
        track->AddToTail(&e, 1);
    }
    track->Sort();
    ASSERT_EQ(CEvntTransElem::ReservePool(4 * kNotes), 1);
    sent().reserve(4 * kNotes);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    start();
    const long allocations = allocationsOfABuffer();
    EXPECT_EQ(with(0x90).size(), static_cast<size_t>(2 * kNotes)) << "every note of the cell, on and off";
    EXPECT_EQ(allocations, 0);
}

// An effect that passes its input on and makes count notes at the start of
// every range it is given, as a drummer makes its part's events.
struct NoteMaker : IQuorvaneMIDIEffect {
    explicit NoteMaker(int made) : count(made) {}
    HRESULT QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; } // the test owns it
    int Init(void *, void *) override { return 1; }
    void SetOnline(int) override {}
    int SetPlayState(long, long, long) override { return 1; }
    int Process(ITembriMEInQueue *input, ITembriMEOutQueue *output) override
    {
        for (long i = 0; i < input->GetNumb(); ++i)
            output->AddEvent(input->GetEvent(i), 1);
        long from, to;
        input->GetTimeBounds(from, to);
        for (int i = 0; i < count; ++i) {
            EVENT e;
            e.setNote(i % 16, 30 + i % 60, 100);
            e.value = 1000;
            e.time = from;
            output->AddEvent(&e, 1);
        }
        return 1;
    }
    int SaveState(Seekable::OutputStream *) override { return 1; }
    int LoadState(Seekable::InputStream *) override { return 1; }
    int GetEditorSize(long &, long &) override { return 0; }
    int OpenEditor(HWND) override { return 0; }
    void CloseEditor() override {}
    const char *GetName() override { return "maker"; }
    int GuidOperation(long, void *, long) override { return 0; }

    int count;
};

// A part track of the program holds no events: its drummers make every
// one. Each effect of the chain has room for what it makes of a cell, so
// a cell far denser than the track costs the render thread no heap.
TEST_F(TrackPlayback, EffectsThatMakeEveryEventTakeNothingFromTheHeap)
{
    CTrackMIDI *track = midi();
    NoteMaker makers[] = {NoteMaker(200), NoteMaker(200), NoteMaker(200)};
    for (NoteMaker &maker : makers) {
        PORTDESCR none;
        auto *elem = new CMEffElem(&none, nullptr, nullptr);
        elem->effect = &maker;
        track->effects.AddNewMEffElem(elem);
    }
    ASSERT_EQ(CEvntTransElem::ReservePool(4 * 600), 1);
    sent().reserve(4 * 600);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("Corvadel.dll")));
    start();
    const long allocations = allocationsOfABuffer();
    EXPECT_EQ(with(0x90).size(), 2u * 600) << "every note the effects made, on and off";
    EXPECT_EQ(allocations, 0);
    track->effects.Clear(nullptr); // before the effects go
}

TEST_F(TrackPlayback, TheMetronomeClicksOnEveryBeatOnce)
{
    song.metronome = 1;
    start();
    // Buffers of exactly a beat: the beat on the tick two cells share
    // sounds once.
    for (int i = 0; i < 5; ++i)
        song.AskPlayback(static_cast<long>(kQuarter));
    const auto clicks = with(0xFD);
    ASSERT_EQ(clicks.size(), 5u);
    for (size_t i = 0; i < clicks.size(); ++i) {
        EXPECT_EQ(clicks[i].sample, 0) << i;
        EXPECT_EQ((clicks[i].message >> 8) & 0xFF, i % 4 == 0 ? 1u : 0u) << "bar starts are accented";
        EXPECT_EQ(clicks[i].out, song.GetTrackMaster()->output);
    }
    sent().clear();
    start(100);
    song.AskPlayback(static_cast<long>(2 * kQuarter));
    ASSERT_EQ(with(0xFD).size(), 2u);
    EXPECT_EQ(with(0xFD)[0].sample, kQuarter - song.GetTrackMaster()->GetSampleFromTime(100));
}

TEST_F(TrackPlayback, WithoutMetronomeOrChordTrackTheMasterSendsNothing)
{
    EVENT tempo;
    tempo.setTempo(120.0f);
    put(song.GetTrackMaster(), tempo, 480);
    start();
    song.AskPlayback(static_cast<long>(2 * kQuarter));
    EXPECT_TRUE(sent().empty());
}

TEST_F(TrackPlayback, TheTempoGoesToTheChordTracksOutput)
{
    auto *chords = add<CTrackChords>(TRACK_CHORDS);
    chords->output = &sound.tract.other;
    EVENT tempo;
    tempo.setTempo(120.0f);
    put(song.GetTrackMaster(), tempo, 480);
    song.songEnd = 16 * 960;
    ASSERT_EQ(song.OnStartPlayback(), 1);
    ASSERT_EQ(with(0xF9).size(), 1u) << "the tempo in force at the start";
    EXPECT_EQ(with(0xF9)[0].message, 0x0064F9u);
    EXPECT_EQ(with(0xF9)[0].out, &sound.tract.other);
    sent().clear();
    song.AskPlayback(static_cast<long>(kQuarter));
    ASSERT_EQ(with(0xF9).size(), 2u) << "the master's first tempo, then the new one";
    EXPECT_EQ(with(0xF9)[0].message, 0x0064F9u);
    EXPECT_EQ(with(0xF9)[1].message, 0x0078F9u);
    EXPECT_EQ(with(0xF9)[1].sample, kQuarter / 2);
    // A new factor goes out at once with the tempo in force.
    sent().clear();
    song.tempoFactor = 2.0f;
    song.AskPlayback(512);
    ASSERT_EQ(with(0xF9).size(), 1u);
    EXPECT_EQ(with(0xF9)[0].message, 0x00F0F9u);
    EXPECT_EQ(with(0xF9)[0].sample, 0);
}

TEST_F(TrackPlayback, ChordsAndTheirEnd)
{
    auto *chords = add<CTrackChords>(TRACK_CHORDS);
    chords->SetMute(0);
    EVENT c;
    c.setChord(2, 1);
    put(chords, c, 480);
    start();
    song.AskPlayback(static_cast<long>(kQuarter));
    auto sounding = with(0xF4);
    ASSERT_FALSE(sounding.empty());
    EXPECT_EQ(sounding.back().message, 0x0102F4u);
    EXPECT_EQ(chords->chordNow, 2);
    sent().clear();
    chords->SetMute(1);
    song.AskPlayback(512);
    song.AskPlayback(512);
    ASSERT_EQ(with(0xF4).size(), 1u) << "the chord ends once";
    EXPECT_EQ(with(0xF4)[0].message, 0x00FFF4u);
}

TEST_F(TrackPlayback, MelodyNotesEndAtTheNextMelodyEvent)
{
    auto *melody = add<CTrackMelText>(TRACK_MELTEXT);
    EVENT m;
    m.setMelody(64);
    put(melody, m, 480);
    m.setMelody(-1);
    put(melody, m, 960);
    start();
    song.AskPlayback(static_cast<long>(2 * kQuarter));
    const auto notes = with(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].message, 0x644090u);
    EXPECT_EQ(notes[0].sample, kQuarter / 2);
    EXPECT_EQ(notes[1].message, 0x004090u);
    EXPECT_EQ(notes[1].sample, kQuarter);
    EXPECT_EQ(melody->melodyNow, -1);
}

} // namespace
