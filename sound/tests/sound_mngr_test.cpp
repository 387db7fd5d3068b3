#include "sound/tests/engine_fixture.h"

#include "outside/directsound/directsound_capture.h"
#include "sound/asp_registry.h"
#include "data/event.h"
#include "data/evnt_trans.h"
#include "data/meff_chain.h"
#include "data/track_midi.h"
#include "sound/module_keys.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;
using namespace sound_test;

namespace {

constexpr long kFrames = 256;

IOPARAMS probeParams(long format = 16)
{
    IOPARAMS params = testParams(kFrames, 44100, format);
    params.asp = providerIndex("Probe");
    return params;
}

class SoundMngrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetProbes();
        IOPARAMS params = probeParams();
        manager->Init(&params);
    }
    void TearDown() override
    {
        song.reset();
        manager->Release();
    }
    // A started engine whose front tract sounds at level.
    void startSounding(float level)
    {
        ASSERT_EQ(manager->EngineStart(), 1);
        song = std::make_unique<CSong>(&manager->params, manager);
        ASSERT_EQ(song->SetDefault(), 1);
        PORTDESCR probe = byName(OUT_BY_NAME, "Probe Synth");
        ASSERT_NE(song->GetSongTract()->AddNewOut(&probe), nullptr);
        probes().synthLevel = level;
    }
    const ASPOPENPARAMS &block() { return manager->openParams; }
    const float *floats(int i) { return block().floatBuffers + 2 * kFrames * i; }
    const uint8_t *samples(int i, int bytes)
    {
        return static_cast<const uint8_t *>(block().sampleBuffers) + 2 * kFrames * bytes * i;
    }

    CSoundMngr *manager = new CSoundMngr("sound manager tests");
    std::unique_ptr<CSong> song;
};

TEST_F(SoundMngrTest, TheEngineHandsTheProviderItsBuffers)
{
    const long alive = probes().providersAlive;
    ASSERT_EQ(manager->EngineStart(), 1);
    EXPECT_EQ(manager->IsWorked(), 1);
    EXPECT_EQ(manager->EngineStart(), 1) << "a second start does nothing";
    EXPECT_EQ(probes().providersAlive, alive + 1);
    ASSERT_EQ(probes().block, &manager->openParams);
    EXPECT_EQ(block().bufferCount, 4);
    EXPECT_EQ(block().framesPerBuffer, kFrames);
    EXPECT_EQ(block().sampleRate, 44100);
    EXPECT_EQ(block().sampleFormat, 16);
    EXPECT_NE(block().bufferEvents, nullptr);
    manager->EngineStop();
    EXPECT_EQ(manager->IsWorked(), 0);
    EXPECT_EQ(probes().providersAlive, alive);
    EXPECT_EQ(manager->GetSamplePosition(), 0);
    manager->EngineStop();
}

TEST_F(SoundMngrTest, StartFailuresLeaveNothingBehind)
{
    const long alive = probes().providersAlive;
    struct Case {
        const char *what;
        long asp;
        long format;
        int openResult;
        int startResult;
    };
    const Case cases[] = {
        {"provider index past the last", SndGetNumASP(), 16, 1, 1},
        {"negative provider index", -1, 16, 1, 1},
        {"unknown sample format", providerIndex("Probe"), 20, 1, 1},
        {"provider refuses to open", providerIndex("Probe"), 16, 0, 1},
        {"provider refuses to start", providerIndex("Probe"), 16, 1, 0},
    };
    for (const Case &c : cases) {
        IOPARAMS params = testParams(kFrames, 44100, c.format);
        params.asp = c.asp;
        manager->Init(&params);
        probes().openResult = c.openResult;
        probes().startResult = c.startResult;
        EXPECT_EQ(manager->EngineStart(), 0) << c.what;
        EXPECT_EQ(manager->IsWorked(), 0) << c.what;
        EXPECT_EQ(probes().providersAlive, alive) << c.what;
        EXPECT_EQ(manager->events, nullptr) << c.what;
        EXPECT_EQ(manager->openParams.sampleBuffers, nullptr) << c.what;
    }
}

TEST_F(SoundMngrTest, EachBufferIsMixedConvertedAndHandedBack)
{
    startSounding(0.5f);
    const long dones = probes().bufferDones;
    ASSERT_TRUE(probeRequest(0, kFrames));
    EXPECT_EQ(probes().bufferDones, dones + 1);
    EXPECT_EQ(floats(0)[0], 0.5f);
    EXPECT_EQ(floats(0)[2 * kFrames - 1], 0.5f);
    int16_t first;
    std::memcpy(&first, samples(0, 2), 2);
    EXPECT_EQ(first, 16384) << "16383.5 rounds to even";
    EXPECT_EQ(manager->GetSamplePosition(), kFrames);
}

TEST_F(SoundMngrTest, FullScaleInEveryFormat)
{
    struct Case {
        long format;
        int bytes;
        float level;
        int64_t expected;
    };
    const Case cases[] = {
        {16, 2, 1.0f, 32767},      {16, 2, -1.0f, -32767},          {16, 2, 2.0f, 32767},
        {24, 3, 1.0f, 8388607},    {24, 3, -1.0f, -8388607},        {24, 3, -3.0f, -8388607},
        {32, 4, 1.0f, 2147483647}, {32, 4, -1.0f, -2147483647 - 1}, {32, 4, 1.5f, 2147483647},
    };
    for (const Case &c : cases) {
        IOPARAMS params = probeParams(c.format);
        manager->Init(&params);
        startSounding(c.level);
        ASSERT_TRUE(probeRequest(2, kFrames));
        int64_t value = 0;
        std::memcpy(&value, samples(2, c.bytes), c.bytes);
        const int shift = 64 - 8 * c.bytes;
        value = (value << shift) >> shift;
        EXPECT_EQ(value, c.expected) << c.format << " " << c.level;
        song.reset();
        manager->EngineStop();
    }
    IOPARAMS params = probeParams(kAspFloat);
    manager->Init(&params);
    startSounding(-0.75f);
    ASSERT_TRUE(probeRequest(3, kFrames));
    float value = 0;
    std::memcpy(&value, samples(3, 4), 4);
    EXPECT_EQ(value, -0.75f) << "float samples pass unchanged";
}

// A provider never gets more mixed than a buffer holds, and a request for
// no frames mixes nothing.
TEST_F(SoundMngrTest, FrameCountsAreClampedToTheBuffer)
{
    startSounding(0.5f);
    ASSERT_TRUE(probeRequest(0, kFrames + 100));
    EXPECT_EQ(manager->GetSamplePosition(), kFrames);
    EXPECT_EQ(floats(1)[0], 0.0f);
    const long renders = probes().synthRenders;
    const long dones = probes().bufferDones;
    ASSERT_TRUE(probeRequest(1, 0));
    ASSERT_TRUE(probeRequest(2, -5));
    EXPECT_EQ(probes().synthRenders, renders);
    EXPECT_EQ(probes().bufferDones, dones + 2) << "skipped buffers are handed back";
    EXPECT_EQ(manager->GetSamplePosition(), kFrames);
    ASSERT_TRUE(probeRequest(3, 10));
    EXPECT_EQ(manager->GetSamplePosition(), kFrames + 10);
    EXPECT_EQ(floats(3)[2 * 10 - 1], 0.5f);
    EXPECT_EQ(floats(3)[2 * 10], 0.0f) << "only the frames asked for are mixed";
    int16_t last;
    std::memcpy(&last, samples(3, 2) + 2 * (2 * kFrames - 1), 2);
    EXPECT_EQ(last, 0) << "the whole buffer is converted";
}

TEST_F(SoundMngrTest, SilentBuffersAreClearedOnce)
{
    startSounding(0.5f);
    ASSERT_TRUE(probeRequest(0, kFrames));
    probes().synthLevel = 0.0f;
    ASSERT_TRUE(probeRequest(0, kFrames));
    EXPECT_EQ(floats(0)[5], 0.0f);
    int16_t value;
    std::memcpy(&value, samples(0, 2) + 10, 2);
    EXPECT_EQ(value, 0);
    // Already silent: not touched again.
    const_cast<float *>(floats(0))[5] = 0.25f;
    ASSERT_TRUE(probeRequest(0, kFrames));
    EXPECT_EQ(floats(0)[5], 0.25f);
}

TEST_F(SoundMngrTest, AProviderFailureStopsTheEngineWorking)
{
    startSounding(0.5f);
    probes().doneResult = 0;
    ASSERT_TRUE(probeRequest(0, kFrames));
    // The engine reads the answer after the provider woke us; the next
    // buffer comes after it.
    ASSERT_TRUE(probeRequest(1, kFrames));
    EXPECT_EQ(manager->IsWorked(), 0);
    manager->StartPlayback(song->GetSongTract());
    EXPECT_EQ(manager->IsPlayed(), 0);
}

TEST_F(SoundMngrTest, TransportBetweenTwoSongs)
{
    startSounding(0.0f);
    CSong other(&manager->params, manager);
    ASSERT_EQ(other.SetDefault(), 1);
    EXPECT_EQ(manager->GetActiveSong(), &other) << "the newest tract is in front";
    EXPECT_EQ(manager->CanUsePorts(song.get()), 1);
    manager->StartPlayback(song->GetSongTract());
    EXPECT_EQ(manager->IsPlayed(song.get()), 1);
    EXPECT_EQ(manager->GetActiveSong(), song.get());
    EXPECT_EQ(manager->CanUsePorts(&other), 0);
    manager->StartPlayback(other.GetSongTract());
    EXPECT_EQ(manager->IsPlayed(&other), 1);
    EXPECT_EQ(manager->IsLastPlayed(song.get()), 1);
    // The front tract that plays stops and leaves no front.
    manager->InactiveSongTract(other.GetSongTract());
    EXPECT_EQ(manager->IsPlayed(), 0);
    EXPECT_EQ(manager->GetActiveSong(), nullptr);
    EXPECT_EQ(manager->IsLastPlayed(&other), 1);
    manager->SetFrontSongTract(song->GetSongTract());
    EXPECT_EQ(manager->GetActiveSong(), song.get());
}

// A MIDI effect that notes the play states it hears and whether the song's
// lock was held then.
struct TransportEffect : IQuorvaneMIDIEffect {
    explicit TransportEffect(CSong &s) : song(s) {}
    HRESULT QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; } // the test owns it
    int Init(void *, void *) override { return 1; }
    void SetOnline(int) override {}
    int SetPlayState(long state, long, long) override
    {
        states += std::to_string(state);
        underLock += testing_support::heldByThisThread(song.GetSyncObj()->section) ? 1 : 0;
        return 1;
    }
    int Process(ITembriMEInQueue *, ITembriMEOutQueue *) override { return 1; }
    int SaveState(Seekable::OutputStream *) override { return 1; }
    int LoadState(Seekable::InputStream *) override { return 1; }
    int GetEditorSize(long &, long &) override { return 0; }
    int OpenEditor(HWND) override { return 0; }
    void CloseEditor() override {}
    const char *GetName() override { return "transport"; }
    int GuidOperation(long, void *, long) override { return 0; }

    CSong &song;
    std::string states;
    int underLock = 0;
};

// The render thread plays under the song's lock; the effects (the drummers
// in the program) hear of a start before the song plays and of a stop once
// it plays no more, with the lock free.
TEST_F(SoundMngrTest, EffectsHearOfStartAndStopWithoutTheSongLock)
{
    startSounding(0.0f);
    auto *track = static_cast<CTrackMIDI *>(song->InsertNewTrack(TRACK_MIDI, -1, 0));
    ASSERT_NE(track, nullptr);
    TransportEffect effect(*song);
    PORTDESCR none;
    auto *elem = new CMEffElem(&none, nullptr, nullptr);
    elem->effect = &effect;
    track->effects.AddNewMEffElem(elem);
    manager->StartPlayback(song->GetSongTract());
    EXPECT_EQ(manager->IsPlayed(song.get()), 1);
    manager->StopPlayback();
    EXPECT_EQ(manager->IsPlayed(), 0);
    EXPECT_EQ(effect.states, "01");
    EXPECT_EQ(effect.underLock, 0);
    track->effects.Clear(nullptr); // before the effect goes
}

// The bridge's re-initialisation and every change of the audio options
// stop and start the engine, whose frame count starts again from 0, while a
// song holds a note: its note-off must not wait in the output's queue for
// the old position, and what the queue held goes back to the message pool,
// so no start needs a new slab of it (after 32 the engine would start no
// more).
TEST_F(SoundMngrTest, RestartsWhileANoteSoundsLeaveNoNoteAndNoNewSlab)
{
    startSounding(0.0f);
    IQuorvaneSongTract *tract = song->GetSongTract();
    void *out = tract->GetOutByNum(tract->GetOutNumb(tract->GetOutPreview()) + 1);
    ASSERT_EQ(tract->GetOutType(out), OUT_BY_NAME);
    auto *track = static_cast<CTrackMIDI *>(song->InsertNewTrack(TRACK_MIDI, -1, 0));
    ASSERT_NE(track, nullptr);
    track->output = out;
    EVENT note;
    note.setNote(0, 60, 100);
    note.time = 0;
    note.value = 960 * 400; // far longer than the buffer each round plays
    track->AddToTail(&note, 1);
    track->UpdateLastTime();
    song->Update();

    const int slabs = CEvntTransElem::GetPoolSlabs();
    for (int round = 0; round < 100; ++round) {
        manager->StartPlayback(tract);
        ASSERT_EQ(manager->IsPlayed(song.get()), 1) << round;
        ASSERT_TRUE(probeRequest(round % kAspBuffers, kFrames)) << round;
        ASSERT_EQ(probes().notesSounding, 1) << round;
        manager->EngineStop();
        EXPECT_EQ(probes().notesSounding, 0) << "round " << round;
        ASSERT_EQ(manager->EngineStart(), 1) << "round " << round;
        EXPECT_EQ(CEvntTransElem::GetPoolSlabs(), slabs) << "round " << round;
    }
}

// A MIDI effect that can keep the thread telling it a play state until the
// test lets that thread go, noting the states it heard and whether its
// element let it go (released it) while a play state was being told.
struct HeldEffect : IQuorvaneMIDIEffect {
    HeldEffect()
        : entered(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          go(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~HeldEffect()
    {
        CloseHandle(entered);
        CloseHandle(go);
    }
    HRESULT QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return static_cast<ULONG>(++references); }
    ULONG Release() override { return static_cast<ULONG>(--references); } // the test owns it
    int Init(void *, void *) override { return 1; }
    void SetOnline(int) override {}
    int SetPlayState(long state, long, long) override
    {
        states[told++ % 8] = static_cast<char>('0' + state);
        if (state == holdOn) {
            holdOn = -1;
            SetEvent(entered);
            WaitForSingleObject(go, 10000);
        }
        if (references.load() <= 0)
            releasedWhileTold = 1;
        return 1;
    }
    int Process(ITembriMEInQueue *, ITembriMEOutQueue *) override { return 1; }
    int SaveState(Seekable::OutputStream *) override { return 1; }
    int LoadState(Seekable::InputStream *) override { return 1; }
    int GetEditorSize(long &, long &) override { return 0; }
    int OpenEditor(HWND) override { return 0; }
    void CloseEditor() override {}
    const char *GetName() override { return "held"; }
    int GuidOperation(long, void *, long) override { return 0; }
    std::string heard() const { return std::string(states, std::min(told.load(), 8)); }

    HANDLE entered;
    HANDLE go;
    // The play state whose telling waits for go (once).
    std::atomic<long> holdOn{-1};
    // One reference is the element's own (its module's), one the chain's.
    std::atomic<long> references{1};
    std::atomic<int> told{0};
    char states[8] = {};
    std::atomic<int> releasedWhileTold{0};
};

// The song with a MIDI track whose chain has the effects, the track on the
// probe synthesizer.
CTrackMIDI *effectTrack(CSong &song, std::initializer_list<HeldEffect *> effects)
{
    auto *track = static_cast<CTrackMIDI *>(song.InsertNewTrack(TRACK_MIDI, -1, 0));
    for (HeldEffect *effect : effects) {
        PORTDESCR none;
        auto *elem = new CMEffElem(&none, nullptr, nullptr);
        elem->effect = effect;
        track->effects.AddNewMEffElem(elem);
    }
    return track;
}

// A host's stop reaches the effects on the stream provider's thread while
// the window thread takes one of them out: the effect being told stays
// (with its module) until the stop has told it and the rest of the chain.
TEST_F(SoundMngrTest, AnEffectTakenOutWhileAStopTellsItStaysUntilTold)
{
    startSounding(0.0f);
    HeldEffect first, second;
    CTrackMIDI *track = effectTrack(*song, {&first, &second});
    CMEffElem *leaving = track->effects.GetFirstElem();
    manager->StartPlayback(song->GetSongTract());
    ASSERT_EQ(manager->IsPlayed(), 1);
    first.holdOn = MEFF_STOP;
    std::thread host([this] { manager->StopPlayback(); });
    ASSERT_EQ(WaitForSingleObject(first.entered, 10000), WAIT_OBJECT_0);
    std::atomic<int> deleted{0};
    std::thread window([&] {
        track->effects.DeleteMEffElem(leaving);
        deleted = 1;
    });
    // The window thread had time to take the element out and destroy it;
    // it waits for the stop instead.
    Sleep(300);
    EXPECT_EQ(deleted, 0) << "the element went while its effect was told";
    SetEvent(first.go);
    host.join();
    window.join();
    EXPECT_EQ(first.releasedWhileTold, 0);
    EXPECT_EQ(first.references, 0) << "released by the chain and the element once told";
    EXPECT_EQ(first.heard(), "01");
    EXPECT_EQ(second.heard(), "01") << "the rest of the chain is told";
    EXPECT_EQ(track->effects.GetNumEffects(), 1);
    track->effects.Clear(nullptr); // before the effects go
}

// A start from the window and a stop from the host take turns: a stop that
// comes while the start's effects hear of it stops the song once it plays,
// and the effects hear start, then stop.
TEST_F(SoundMngrTest, AStopDuringAStartComesAfterIt)
{
    startSounding(0.0f);
    HeldEffect effect;
    CTrackMIDI *track = effectTrack(*song, {&effect});
    effect.holdOn = MEFF_START;
    std::thread window([this] { manager->StartPlayback(song->GetSongTract()); });
    ASSERT_EQ(WaitForSingleObject(effect.entered, 10000), WAIT_OBJECT_0);
    std::thread host([this] { manager->StopPlayback(); });
    // The host's stop had time to find nothing playing yet and return.
    Sleep(300);
    SetEvent(effect.go);
    window.join();
    host.join();
    EXPECT_EQ(manager->IsPlayed(), 0) << "the host's stop was lost";
    EXPECT_EQ(effect.heard(), "01");
    track->effects.Clear(nullptr);
}

TEST_F(SoundMngrTest, WithoutAProviderNotifyDoesNothing)
{
    manager->SetNotify([](ULONG_PTR, long, long, float, long, long) {}, 0);
    EXPECT_EQ(manager->GetMIDIPortName(1, 0), nullptr);
    EXPECT_EQ(manager->GetMIDIPortID(1, const_cast<char *>("port")), 0);
}

TEST_F(SoundMngrTest, TheMidiModuleStepsOncePerBufferAndKnowsItsPorts)
{
    startSounding(0.0f);
    using StepCount = long (*)();
    auto steps = reinterpret_cast<StepCount>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("Velmarin.dll"), "VelmarinStepCount")));
    ASSERT_NE(steps, nullptr);
    const long before = steps();
    probeRequest(0, kFrames);
    probeRequest(1, kFrames);
    EXPECT_EQ(steps(), before + 2);
    // Without MIDI output devices the module lists no port, and an output
    // of a port it does not know is not made.
    EXPECT_EQ(manager->GetMIDIPortID(1, const_cast<char *>("No Such Port")), -1);
    registerModule(kSoftSynthKey, "Tembri MIDI", testsFolder() + "sound_probes.dll");
    PORTDESCR midi(OUT_MIDI);
    midi.SetData("No Such Port");
    const long alive = probes().synthsAlive;
    EXPECT_EQ(song->GetSongTract()->AddNewOut(&midi), nullptr);
    EXPECT_EQ(probes().synthsAlive, alive);
    unregisterModule(kSoftSynthKey, "Tembri MIDI");
}

TEST(StreamProviders, AreFoundByPositionAndName)
{
    char name[kAspNameSize];
    char path[kAspPathSize];
    const long count = SndGetNumASP();
    ASSERT_GE(count, 1);
    EXPECT_EQ(SndGetASPProductName(count, name), 0);
    EXPECT_EQ(SndGetASPModuleName(-1, path), 0);
    const long probe = providerIndex("Probe");
    ASSERT_EQ(SndGetASPModuleName(probe, path), 1);
    EXPECT_EQ(std::string(path), testsFolder() + "sound_probes.dll");
    long index = -1;
    EXPECT_EQ(SndGetASPHalvorin(index, path), 0);
    registerModule(kStreamProviderKey, "Halvorin", "C:\\bridge\\ASPHalvorin.dll");
    ASSERT_EQ(SndGetASPHalvorin(index, path), 1);
    EXPECT_STREQ(path, "C:\\bridge\\ASPHalvorin.dll");
    EXPECT_EQ(index, providerIndex("Halvorin"));
    unregisterModule(kStreamProviderKey, "Halvorin");
}

} // namespace
