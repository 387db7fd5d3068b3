#include "sound/tests/drummer_song.h"

#include "base/registry.h"
#include "base/string_stream.h"
#include "data/event.h"
#include "data/meff_chain.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "sound/asp_registry.h"
#include "sound/module_keys.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace Quorvane;

namespace drummer_song {

namespace {

std::string folderOf(const std::string &path)
{
    return path.substr(0, path.find_last_of('\\'));
}

template <typename Proc> Proc entry(HMODULE module, const char *name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The drummer's state: a fill engine of this program with the "Rock 01"
// fill in bar 3 on the drum channel, and what it plays over the events.
std::string drummerState(const CTrackMIDI *track, long end, std::vector<int32_t> *hits)
{
    mfx_testing::HostContext maps(960);
    Grindelvosket reference;
    reference.attachHostMaps(&maps, &maps);
    reference.setupTimeBase(nullptr);
    const FillContent::FillDefinition *fill = nullptr;
    for (const FillContent::FillDefinition &f : FillContent::starterFills())
        if (f.name == "Rock 01" && f.volume.empty())
            fill = &f;
    if (!fill)
        return {};
    reference.setFillMeasure(3);
    reference.setOutputChannel(9);
    reference.setPattern(fill->folder, fill->fileName(), false);
    reference.setPunchRange(0, 960);
    std::string bytes;
    stringStream out(bytes);
    if (!reference.saveState(out))
        return {};
    if (hits) {
        mfx_testing::EventQueue in, played;
        for (long i = 0; i < track->GetNumb(); ++i) {
            const EVENT *e = track->GetEvent(i);
            MfxEvent m = mfx_testing::noteEvent(e->time, e->data1, e->data2, 9);
            m.duration = e->value;
            m.releaseVelocity = 0;
            in.events.push_back(m);
        }
        reference.processRange(0, end - 1, &in, &played);
        for (const MfxEvent &m : played.events)
            if (m.velocity > 0)
                hits->push_back(m.time);
        std::sort(hits->begin(), hits->end());
    }
    reference.detachHostMaps();
    return bytes;
}

// Where tick 0 landed: the render position of the first buffer the song
// played.
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

// An unpaced capture runs through its buffers as fast as the engine fills
// them: the buffers before the start of playback would eat into those the
// song needs while this thread waits for the processor. The capture's
// thread holds the first buffer until playback has started.
struct HeldCapture {
    DirectSoundCaptureProc onBuffer = nullptr;
    void *user = nullptr;
    HANDLE started = nullptr;
};

void holdUntilStarted(void *user, const void *bytes, int32_t frames, int32_t bytesPerFrame)
{
    auto *held = static_cast<HeldCapture *>(user);
    WaitForSingleObject(held->started, 120000);
    if (held->onBuffer)
        held->onBuffer(held->user, bytes, frames, bytesPerFrame);
}

} // namespace

std::string distFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return folderOf(folderOf(path)) + "\\dist";
}

PlaybackEnvironment::PlaybackEnvironment()
{
    if (!user_.active() || !machine_.active())
        return;
    initAppRegistry("GrindelvosketReference", nullptr, DLL_PROCESS_ATTACH, "3");
    FillModule::setDataFolder(distFolder());
    RegisterModulePath(kSoftSynthKey, "Default Preview", (distFolder() + "\\Pellandor.dll").c_str());
    RegisterModulePath(kSoftSynthKey, "Tembri Audio", (distFolder() + "\\TembriAudio.dll").c_str());
    RegisterModulePath(kStreamProviderKey, "DirectSound", (distFolder() + "\\TembriDirectSound.dll").c_str());
    RegisterModulePath(kMIDIEffectKey, kMfxHostModule, (distFolder() + "\\TembriMFX.dll").c_str());
    drummer_ = LoadLibraryA((distFolder() + "\\Grindelvosket.dll").c_str());
    provider_ = LoadLibraryA((distFolder() + "\\TembriDirectSound.dll").c_str());
    using EntryPoint = HRESULT(STDAPICALLTYPE *)();
    auto registerServer = drummer_ ? entry<EntryPoint>(drummer_, "DllRegisterServer") : nullptr;
    ok_ = provider_ && registerServer && registerServer() == S_OK;
}

PlaybackEnvironment::~PlaybackEnvironment()
{
    if (provider_)
        FreeLibrary(provider_);
    if (drummer_)
        FreeLibrary(drummer_);
}

int PlaybackEnvironment::setCapture(const DSCAPTURE *capture)
{
    auto set = provider_ ? entry<DirectSoundSetCaptureProc>(provider_, "DirectSoundSetCapture") : nullptr;
    return set ? set(capture) : 0;
}

bool registerSliceDrummer()
{
    static const bool registered = [] {
        HMODULE module = LoadLibraryA((distFolder() + "\\Vostrapellin.dll").c_str());
        using EntryPoint = HRESULT(STDAPICALLTYPE *)();
        auto registerServer = module ? entry<EntryPoint>(module, "DllRegisterServer") : nullptr;
        return registerServer && registerServer() == S_OK;
    }();
    return registered;
}

bool hookPlaybackModules()
{
    bool ok = true;
    // A module not loaded (yet) leaves the executable hooked once more.
    for (const char *module : {"Tindrel.dll", "Corvadel.dll", "Pellandor.dll", "TembriMFX.dll",
                               "Grindelvosket.dll", "Vostrapellin.dll", "TembriAudio.dll", "Velmarin.dll"})
        ok = testing_support::installRealTimeHooks(GetModuleHandleA(module)) && ok;
    return ok;
}

IOPARAMS engineParams(long rate, long format, long frames)
{
    IOPARAMS params;
    params.sampleRate = rate;
    params.bitsPerSample = format;
    params.bufferFrames = frames;
    char name[kAspNameSize];
    for (long i = 0; SndGetASPProductName(i, name); ++i)
        if (std::strcmp(name, "DirectSound") == 0)
            params.asp = i;
    return params;
}

CTrackMIDI *addDrummerTrack(CSong *song, long bars, std::vector<int32_t> *hits)
{
    auto *track = static_cast<CTrackMIDI *>(song->InsertNewTrack(TRACK_MIDI, -1, 0));
    if (!track)
        return nullptr;
    const long end = bars * kBarTicks;
    for (long tick = 0; tick < end - 1920; tick += 1920) {
        EVENT e;
        e.setNote(9, (tick / 1920) % 2 ? 42 : 36, 110);
        e.value = 240;
        e.time = tick;
        track->AddToTail(&e, 1);
    }
    track->UpdateLastTime();
    const std::string state = drummerState(track, end, hits);
    if (state.empty())
        return nullptr;
    PORTDESCR drummer(PORT_BY_GUID);
    drummer.SetData(&CLSID_GrindelvosketMFX);
    drummer.SetParams(state.data(), static_cast<long>(state.size()));
    auto *elem = new CMEffElem(&drummer, song->GetITembriSong(), track);
    if (!elem->effect) {
        delete elem;
        return nullptr;
    }
    track->effects.AddNewMEffElem(elem);
    return track;
}

Playback playIntoCapture(PlaybackEnvironment &environment, CSoundMngr *manager, CSong *song,
                         DSCAPTURE capture)
{
    Playback result;
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HeldCapture held{capture.onBuffer, capture.user, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    capture.unpaced = 1;
    capture.finished = finished;
    capture.onBuffer = holdUntilStarted;
    capture.user = &held;
    Start start;
    start.manager = manager;
    song->SetPlaySPtrCallback(onPosition, &start);
    if (environment.setCapture(&capture) && manager->EngineStart()) {
        environment.setCapture(nullptr);
        manager->StartPlayback(song->GetSongTract());
        SetEvent(held.started);
        WaitForSingleObject(finished, 120000);
        result.stoppedByItself = !manager->IsPlayed();
        manager->EngineStop();
        result.startFrame = start.frame;
    }
    environment.setCapture(nullptr);
    song->SetPlaySPtrCallback(nullptr, nullptr);
    CloseHandle(held.started);
    CloseHandle(finished);
    return result;
}

} // namespace drummer_song
