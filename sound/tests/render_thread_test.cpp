// The render thread against the "DirectSound" provider in its unpaced
// capture mode: it asks for the next buffer as soon as the last is back,
// so the render thread mixes without pause while the tests change tracts.
#include "sound/tests/engine_fixture.h"

#include "data/evnt_trans.h"
#include "data/track.h"
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
    EXPECT_EQ(counting.counter->allocations(), 0);
    EXPECT_EQ(counting.counter->fileOpens(), 0);
    EXPECT_EQ(counting.counter->fileAccesses(), 0);
    delete counting.counter;
}

} // namespace
