// The render thread against the "DirectSound" provider in its unpaced
// capture mode: it asks for the next buffer as soon as the last is back,
// so the render thread mixes without pause while the tests change tracts.
#include "sound/tests/engine_fixture.h"

#include "data/event.h"
#include "data/evnt_trans.h"
#include "data/track.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "outside/directsound/directsound_capture.h"
#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

using namespace Quorvane;
using namespace sound_test;

namespace {

constexpr long kFrames = 256;

class RenderThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetProbes();
        const std::string path = testsFolder() + "TembriDirectSound.dll";
        registerModule(kStreamProviderKey, "DirectSound", path);
        provider = LoadLibraryA(path.c_str());
        ASSERT_NE(provider, nullptr);
        auto setCapture = reinterpret_cast<DirectSoundSetCaptureProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(provider, "DirectSoundSetCapture")));
        ASSERT_NE(setCapture, nullptr);
        DSCAPTURE capture = {};
        capture.unpaced = 1;
        setCapture(&capture);
        IOPARAMS params = testParams(kFrames);
        char name[kAspNameSize];
        for (long i = 0; SndGetASPProductName(i, name); ++i)
            if (std::strcmp(name, "DirectSound") == 0)
                params.asp = i;
        manager->Init(&params);
        ASSERT_EQ(manager->EngineStart(), 1);
    }
    void TearDown() override
    {
        manager->Release();
        unregisterModule(kStreamProviderKey, "DirectSound");
        FreeLibrary(provider);
    }
    // Waits until the render thread has mixed count more buffers.
    void waitForBuffers(int64_t count)
    {
        const int64_t until = manager->GetSamplePosition() + count * kFrames;
        for (int i = 0; i < 5000 && manager->GetSamplePosition() < until; ++i)
            Sleep(1);
        ASSERT_GE(manager->GetSamplePosition(), until);
    }

    HMODULE provider = nullptr;
    CSoundMngr *manager = new CSoundMngr("render thread tests");
};

// The user-interface thread releases tracts while the render thread mixes
// them: it never touches a released tract, so no module of it is called
// after it was destroyed.
TEST_F(RenderThreadTest, TractsAreReleasedOnlyAfterTheRenderThreadLeftThem)
{
    probes().synthLevel = 0.1f;
    for (int round = 0; round < 400; ++round) {
        auto song = std::make_unique<CSong>(&manager->params, manager);
        ASSERT_EQ(song->SetDefault(), 1);
        PORTDESCR probe = byName(OUT_BY_NAME, "Probe Synth");
        ASSERT_NE(song->GetSongTract()->AddNewOut(&probe), nullptr);
        if (round % 2)
            manager->StartPlayback(song->GetSongTract());
        // Let it be mixed now and then, and released at any moment.
        if (round % 7 == 0)
            waitForBuffers(1);
        song.reset();
    }
    waitForBuffers(4);
    EXPECT_EQ(probes().afterDestroy, 0);
    EXPECT_EQ(manager->IsPlayed(), 0);
}

// A track that counts how often playback starts and stops it.
struct CountingTrack : CTrack {
    explicit CountingTrack(CSong *song) : CTrack(1, TRACK_MIDI, song) {}
    int OnStartPlayback() override
    {
        ++starts;
        return 1;
    }
    void OnStopPlayback() override { ++stops; }
    std::atomic<long> starts{0}, stops{0};
};

// Playback that ends by itself at the song's end is stopped on the render
// thread while the user-interface thread starts and stops it too: each
// start is stopped exactly once, and a new start is never lost.
TEST_F(RenderThreadTest, PlaybackEndingBySongEndRacesNoStop)
{
    CSong song(&manager->params, manager);
    ASSERT_EQ(song.SetDefault(), 1);
    auto *track = new CountingTrack(&song);
    ASSERT_EQ(song.InsertTrack(track, 0), 1);
    for (int round = 0; round < 300; ++round) {
        // An empty song ends at once; a short one after a buffer or two.
        song.songEnd = round % 3 ? 0 : 5;
        manager->StartPlayback(song.GetSongTract());
        if (round % 2)
            manager->StopPlayback();
        else
            for (int i = 0; i < 1000 && manager->IsPlayed(); ++i)
                Sleep(1);
        ASSERT_EQ(manager->IsPlayed(), 0) << round;
    }
    EXPECT_EQ(track->starts, 300);
    EXPECT_EQ(track->stops, 300);
}

// A synthesizer asks the song's tempo, meter and key maps while it renders
// (a hosted DXi asks its host for musical time); the window thread rebuilds
// them under the song lock meanwhile, many times over. The render thread
// mixes a song's tract holding the song lock, playing or not, so no render
// sees a map half rebuilt (or freed).
TEST_F(RenderThreadTest, SynthesizersReadTheSongMapsUnderTheSongLock)
{
    CSong song(&manager->params, manager);
    ASSERT_EQ(song.SetDefault(), 1);
    IQuorvaneSongTract *tract = song.GetSongTract();
    PORTDESCR probe = byName(OUT_BY_NAME, "Probe Synth");
    ASSERT_NE(tract->AddNewOut(&probe), nullptr);
    struct Watch {
        SYNCOBJECT *songLock;
        std::atomic<long> renders{0}, unlocked{0};
    } watch{song.GetSyncObj()};
    probes().renderWatchContext = &watch;
    probes().renderWatch = [](void *context) {
        auto *w = static_cast<Watch *>(context);
        ++w->renders;
        const auto owner = reinterpret_cast<ULONG_PTR>(w->songLock->section.OwningThread);
        if (owner != GetCurrentThreadId())
            ++w->unlocked;
    };
    probes().readSongMaps = 1;

    CTrackMaster *master = song.GetTrackMaster();
    ASSERT_NE(master, nullptr);
    auto edit = [&](int round) {
        CLock lock(song.GetSyncObj());
        // A tempo and a meter change come and go, so the maps grow and
        // shrink as they are rebuilt.
        if (round % 2 == 0) {
            EVENT tempo, meter;
            tempo.setTempo(60.0f + round % 100);
            tempo.time = 1920 + round % 7;
            meter.setTSign(3, 2);
            meter.time = 3840;
            master->AddToTail(&tempo, 1);
            master->AddToTail(&meter, 1);
            master->Sort();
        } else {
            for (long i = master->GetNumb() - 1; i >= 0; --i)
                if (master->GetEvent(i)->time > 0)
                    master->Delete(i, 1);
        }
        master->UpdateParams(0);
    };
    // Edits for as long as a few hundred renders take.
    auto editWhileRendering = [&] {
        const long until = watch.renders + 300;
        for (int round = 0; watch.renders < until && round < 1000000; ++round)
            edit(round);
        waitForBuffers(2);
    };
    editWhileRendering();

    // Now playing, looping over a bar.
    song.loop = 1;
    ASSERT_EQ(song.SetTimeSelection(0, 3840), 1);
    manager->StartPlayback(tract);
    ASSERT_EQ(manager->IsPlayed(), 1);
    editWhileRendering();
    manager->StopPlayback();
    manager->EngineStop();
    probes().renderWatch = nullptr;
    probes().readSongMaps = 0;

    EXPECT_GE(watch.renders, 600);
    EXPECT_EQ(watch.unlocked, 0) << "of " << watch.renders << " renders";
    EXPECT_GE(probes().songReads, 600);
    EXPECT_EQ(probes().badSongReads, 0) << "of " << probes().songReads << " reads";
}

// An off-line render and live playback cannot share the song's one play
// position: a render is refused while the song plays, and a start while it
// renders is refused (here a start from inside the render; one from the
// bridge's thread comes in between two of its buffers the same way).
TEST_F(RenderThreadTest, RenderingAndLivePlaybackRefuseEachOther)
{
    CSong song(&manager->params, manager);
    ASSERT_EQ(song.SetDefault(), 1);
    IQuorvaneSongTract *tract = song.GetSongTract();
    PORTDESCR probe = byName(OUT_BY_NAME, "Probe Synth");
    ASSERT_NE(tract->AddNewOut(&probe), nullptr);
    auto *track = static_cast<CTrackMIDI *>(song.InsertNewTrack(TRACK_MIDI, -1, 0));
    ASSERT_NE(track, nullptr);
    EVENT note;
    note.setNote(0, 60, 100);
    note.value = 960;
    note.time = 0;
    track->AddToTail(&note, 1);
    track->UpdateLastTime();
    song.Update();
    song.SelectTrack(track, 1, 0);

    song.loop = 1;
    ASSERT_EQ(song.SetTimeSelection(0, 3840), 1);
    manager->StartPlayback(tract);
    ASSERT_EQ(manager->IsPlayed(), 1);
    const long tracks = song.GetNumTracks();
    EXPECT_EQ(song.RenderSelectedTracks(), nullptr);
    EXPECT_EQ(song.GetNumTracks(), tracks);
    EXPECT_EQ(manager->IsPlayed(), 1);
    manager->StopPlayback();

    struct Start {
        CSoundMngr *manager;
        IQuorvaneSongTract *tract;
        DWORD renderer;
        std::atomic<int> tried{0};
    } start{manager, tract, GetCurrentThreadId()};
    probes().renderWatchContext = &start;
    probes().renderWatch = [](void *context) {
        auto *s = static_cast<Start *>(context);
        if (GetCurrentThreadId() == s->renderer && !s->tried.exchange(1))
            s->manager->StartPlayback(s->tract);
    };
    CTrackAudio *rendered = song.RenderSelectedTracks();
    probes().renderWatch = nullptr;
    EXPECT_NE(rendered, nullptr);
    EXPECT_EQ(start.tried, 1);
    EXPECT_EQ(manager->IsPlayed(), 0) << "the start during the render was refused";
    EXPECT_EQ(song.loop, 1) << "the render gives the loop back";
    // Once the render is over, playback starts again.
    manager->StartPlayback(tract);
    EXPECT_EQ(manager->IsPlayed(), 1);
    manager->StopPlayback();
}

// Once running, the render thread neither allocates nor opens a file: its
// messages come from the pool reserved at start, and the modules it calls
// allocate nothing while they play.
TEST_F(RenderThreadTest, TheRenderThreadDoesNotAllocate)
{
    CSong song(&manager->params, manager);
    ASSERT_EQ(song.SetDefault(), 1);
    IQuorvaneSongTract *tract = song.GetSongTract();
    PORTDESCR probe = byName(OUT_BY_NAME, "Probe Synth");
    ASSERT_NE(tract->AddNewOut(&probe), nullptr);
    probes().synthLevel = 0.1f;
    // The synth reads the song's maps under the song lock, as a hosted DXi
    // asks for musical time: that costs nothing either.
    probes().readSongMaps = 1;

    for (const char *module :
         {"Tindrel.dll", "Corvadel.dll", "Pellandor.dll", "Velmarin.dll", "sound_probes.dll"})
        ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA(module))) << module;
    struct Counting {
        testing_support::RealTimeCounter *counter = nullptr;
        std::atomic<long> buffers{0};
    } counting;
    // The monitor runs on the render thread after each buffer: the first
    // call puts a counter on that thread.
    tract->SetMonitor(
        1,
        [](ULONG_PTR user) {
            auto *c = reinterpret_cast<Counting *>(user);
            if (!c->counter)
                c->counter = new testing_support::RealTimeCounter;
            ++c->buffers;
        },
        reinterpret_cast<ULONG_PTR>(&counting));
    for (int i = 0; i < 200; ++i) {
        CEvntTransChain *chain = nullptr;
        CEvntTransChain::AddNewEvntTransElem(i % 3, &chain)->SetNote(48 + i % 24, 0, 100, i % 16);
        CEvntTransChain::AddNewEvntTransElem(200, &chain)->SetNote(48 + i % 24, 0, 0, i % 16);
        tract->InsertEvents(tract->GetOutPreview(), chain);
        waitForBuffers(1);
    }
    manager->EngineStop();
    ASSERT_NE(counting.counter, nullptr);
    EXPECT_GT(counting.buffers, 200);
    probes().readSongMaps = 0;
    EXPECT_GT(probes().songReads, 200);
    EXPECT_EQ(probes().badSongReads, 0);
    EXPECT_EQ(counting.counter->allocations(), 0);
    EXPECT_EQ(counting.counter->fileOpens(), 0);
    EXPECT_EQ(counting.counter->fileAccesses(), 0);
    delete counting.counter;
}

} // namespace
