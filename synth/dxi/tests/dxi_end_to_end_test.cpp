// The whole path: a song whose MIDI track plays on a DXi output naming the
// test instrument, played by the sound manager's render thread through
// Sorvik into the "DirectSound" provider's capture. Every note sounds at
// the exact sample of its tick + 2, out of silence.
#include "synth/dxi/tests/instrument/instrument_control.h"

#include "data/event.h"
#include "data/song.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "outside/directsound/directsound_capture.h"
#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "sound/sound_mngr.h"
#include "sound/ssynth_elem.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

std::string folderOf(const std::string &path)
{
    return path.substr(0, path.find_last_of('\\'));
}

std::string testsFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return folderOf(path);
}

constexpr long kFrames = 256;

struct Captured {
    std::vector<float> left;
};

void onBuffer(void *user, const void *bytes, int32_t frames, int32_t)
{
    auto *c = static_cast<Captured *>(user);
    const auto *floats = static_cast<const float *>(bytes);
    for (int32_t i = 0; i < frames; ++i)
        c->left.push_back(floats[2 * i]);
}

struct Start {
    CSoundMngr *manager = nullptr;
    std::atomic<int64_t> frame{-1};
};

void onPosition(void *user)
{
    auto *start = static_cast<Start *>(user);
    int64_t none = -1;
    start->frame.compare_exchange_strong(none, start->manager->GetSamplePosition());
}

TEST(EndToEndTest, ADxiOutputPlaysTheSongsNotesWhereTheyFall)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        testing_support::CurrentUserOverride user;
        testing_support::LocalMachineOverride machine;
        ASSERT_TRUE(user.active() && machine.active());
        const std::string dist = folderOf(testsFolder()) + "\\dist";
        RegisterModulePath(kSoftSynthKey, "Tembri DXi", (testsFolder() + "\\Sorvik.dll").c_str());
        RegisterModulePath(kSoftSynthKey, "Default Preview", (dist + "\\Pellandor.dll").c_str());
        RegisterModulePath(kStreamProviderKey, "DirectSound", (dist + "\\TembriDirectSound.dll").c_str());
        HMODULE provider = LoadLibraryA((dist + "\\TembriDirectSound.dll").c_str());
        ASSERT_NE(provider, nullptr);
        auto setCapture = reinterpret_cast<DirectSoundSetCaptureProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(provider, "DirectSoundSetCapture")));
        ASSERT_NE(setCapture, nullptr);

        IOPARAMS params;
        params.sampleRate = 48000;
        params.bitsPerSample = kFloatSamples;
        params.bufferFrames = kFrames;
        char name[kAspNameSize];
        for (long i = 0; SndGetASPProductName(i, name); ++i)
            if (std::string(name) == "DirectSound")
                params.asp = i;
        auto *manager = new CSoundMngr("sorvik end to end");
        ASSERT_EQ(manager->Init(&params), 1);
        auto song = std::make_unique<CSong>(&params, manager);
        ASSERT_EQ(song->SetDefault(), 1);
        CTrackMaster *master = song->GetTrackMaster();
        EVENT faster;
        faster.setTempo(150.0f);
        faster.time = 3840;
        master->AddToTail(&faster, 1);
        master->Sort();
        master->UpdateParams(0);

        auto *track = static_cast<CTrackMIDI *>(song->InsertNewTrack(TRACK_MIDI, -1, 0));
        ASSERT_NE(track, nullptr);
        const std::vector<long> notes = {0, 960, 1700, 2880, 3840, 4800, 5900, 6720};
        for (long tick : notes) {
            EVENT e;
            e.setNote(0, 60 + static_cast<long>(tick % 12), 100);
            e.value = 240;
            e.time = tick;
            track->AddToTail(&e, 1);
        }
        track->UpdateLastTime();
        PORTDESCR dxi(OUT_DXI);
        ASSERT_EQ(dxi.SetData(&CLSID_TestDxi), 1);
        void *out = song->GetSongTract()->AddNewOut(&dxi);
        ASSERT_NE(out, nullptr) << "the output hosts the instrument";
        track->output = out;
        song->Update();
        song->songEnd = 7680;

        const int64_t songFrames = master->GetSampleFromTime(song->songEnd);
        Captured captured;
        HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DSCAPTURE capture = {};
        capture.unpaced = 1;
        capture.maxBuffers = static_cast<int32_t>(songFrames / kFrames + 100);
        capture.onBuffer = onBuffer;
        capture.user = &captured;
        capture.finished = finished;
        Start start;
        start.manager = manager;
        song->SetPlaySPtrCallback(onPosition, &start);
        ASSERT_EQ(setCapture(&capture), 1);
        ASSERT_EQ(manager->EngineStart(), 1);
        setCapture(nullptr);
        manager->StartPlayback(song->GetSongTract());
        EXPECT_EQ(WaitForSingleObject(finished, 60000), WAIT_OBJECT_0);
        manager->EngineStop();
        song->SetPlaySPtrCallback(nullptr, nullptr);
        CloseHandle(finished);

        // Each note sounds out of silence, within a buffer of the sample of
        // its tick + 2 (exact to the sample when the engine's first playing
        // buffer follows the transport's start; under load the engine may
        // mix one buffer between them).
        ASSERT_GE(start.frame.load(), 0);
        std::vector<int64_t> found;
        for (size_t i = 1; i < captured.left.size(); ++i)
            if (captured.left[i] != 0.0f && captured.left[i - 1] == 0.0f)
                found.push_back(static_cast<int64_t>(i));
        ASSERT_EQ(found.size(), notes.size());
        for (size_t n = 0; n < notes.size(); ++n) {
            const int64_t at = start.frame + master->GetSampleFromTime(notes[n] + 2);
            EXPECT_LE(std::llabs(found[n] - at), kFrames) << "note at tick " << notes[n];
        }

        song.reset();
        manager->Release();
        FreeLibrary(provider);
    }
    CoUninitialize();
}

} // namespace
