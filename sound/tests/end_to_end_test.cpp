// The whole path, as the program will play a song: a MIDI track whose chain
// holds the fill drummer (created by class id through "Tembri MFX"), output
// to the preview synthesizer, played by the sound manager's render thread
// into the "DirectSound" provider's capture. The captured audio is checked
// against what a fill engine of this program plays over the same song: it
// is silent between the hits and sounds where the notes fall. The WAVE
// files go to the folder named by TEMBRI_CAPTURE_DIR (when set), with a
// line "capture <file> <frames>" each for the check against sox.
#include "data/event.h"
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "outside/directsound/directsound_capture.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "sound/sound_mngr.h"
#include "testing/sandbox.h"

#include "base/registry.h"
#include "base/string_stream.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

std::string distFolder()
{
    return folderOf(testsFolder()) + "\\dist";
}

void registerModule(const char *key, const char *name, const std::string &path)
{
    HKEY opened = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(opened);
}

using EntryPoint = HRESULT(STDAPICALLTYPE *)();

testing_support::CurrentUserOverride *userSettings = nullptr;
testing_support::LocalMachineOverride *machine = nullptr;
HMODULE drummerModule = nullptr;
HMODULE providerModule = nullptr;

// The drummer's settings and every module registration are private to this
// program, but the drummer's class, which COM finds machine-wide.
class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        userSettings = new testing_support::CurrentUserOverride();
        machine = new testing_support::LocalMachineOverride();
        ASSERT_TRUE(userSettings->active());
        ASSERT_TRUE(machine->active());
        initAppRegistry("GrindelvosketReference", nullptr, DLL_PROCESS_ATTACH, "3");
        FillModule::setDataFolder(distFolder());
        registerModule(kSoftSynthKey, "Default Preview", distFolder() + "\\Pellandor.dll");
        registerModule(kStreamProviderKey, "DirectSound", distFolder() + "\\TembriDirectSound.dll");
        registerModule(kMIDIEffectKey, kMfxHostModule, distFolder() + "\\TembriMFX.dll");
        drummerModule = LoadLibraryA((distFolder() + "\\Grindelvosket.dll").c_str());
        ASSERT_NE(drummerModule, nullptr);
        auto registerServer = reinterpret_cast<EntryPoint>(
            reinterpret_cast<void (*)()>(GetProcAddress(drummerModule, "DllRegisterServer")));
        ASSERT_EQ(registerServer(), S_OK);
        providerModule = LoadLibraryA((distFolder() + "\\TembriDirectSound.dll").c_str());
        ASSERT_NE(providerModule, nullptr);
    }
    void TearDown() override
    {
        FreeLibrary(providerModule);
        FreeLibrary(drummerModule);
        delete machine;
        delete userSettings;
        OleUninitialize();
    }
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

constexpr long kFrames = 256;
// Four bars of 4/4 at 960 ticks per quarter; the fill falls in bar 3.
constexpr long kSongEnd = 4 * 3840;

// The left channel of every captured buffer, as floats.
struct Captured {
    int32_t format = 16;
    std::vector<float> left;
};

void onBuffer(void *user, const void *bytes, int32_t frames, int32_t bytesPerFrame)
{
    auto *c = static_cast<Captured *>(user);
    const auto *at = static_cast<const uint8_t *>(bytes);
    const int sampleBytes = bytesPerFrame / 2;
    for (int32_t i = 0; i < frames; ++i, at += bytesPerFrame) {
        int32_t value = 0;
        float sample = 0.0f;
        if (c->format == kAspFloat) {
            std::memcpy(&sample, at, 4);
        } else {
            std::memcpy(&value, at, sampleBytes);
            value = (value << (32 - 8 * sampleBytes)) >> (32 - 8 * sampleBytes);
            sample = static_cast<float>(value) / (c->format == 16   ? 32767.0f
                                                  : c->format == 24 ? 8388607.0f
                                                                    : 2147483648.0f);
        }
        c->left.push_back(sample);
    }
}

// Where the song's tick 0 landed in the capture: the render position of
// the first buffer the song played.
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

class EndToEnd : public ::testing::TestWithParam<std::pair<long, long>> {
protected:
    // The drummer's state: a fill engine of this program with the "Rock 01"
    // fill in bar 3 on the drum channel; what it plays over the track's notes
    // is what the song must sound.
    std::string drummerState(const CTrackMIDI *track, std::vector<int32_t> &hits)
    {
        mfx_testing::HostContext maps(960);
        Grindelvosket reference;
        reference.attachHostMaps(&maps, &maps);
        reference.setupTimeBase(nullptr);
        const FillContent::FillDefinition *fill = nullptr;
        for (const FillContent::FillDefinition &f : FillContent::starterFills())
            if (f.name == "Rock 01" && f.volume.empty())
                fill = &f;
        EXPECT_NE(fill, nullptr);
        reference.setFillMeasure(3);
        reference.setOutputChannel(9);
        reference.setPattern(fill->folder, fill->fileName(), false);
        reference.setPunchRange(0, 960);
        std::string bytes;
        stringStream out(bytes);
        EXPECT_TRUE(reference.saveState(out));
        mfx_testing::EventQueue in, played;
        for (long i = 0; i < track->GetNumb(); ++i) {
            const EVENT *e = track->GetEvent(i);
            MfxEvent m = mfx_testing::noteEvent(e->time, e->data1, e->data2, 9);
            m.duration = e->value;
            m.releaseVelocity = 0;
            in.events.push_back(m);
        }
        reference.processRange(0, kSongEnd - 1, &in, &played);
        reference.detachHostMaps();
        for (const MfxEvent &m : played.events)
            if (m.velocity > 0)
                hits.push_back(m.time);
        std::sort(hits.begin(), hits.end());
        return bytes;
    }
};

// Plays the song from its start through the engine into a capture of
// buffers buffers; where its tick 0 landed goes into start.
void playIntoCapture(CSoundMngr *manager, CSong *song, int32_t buffers, const char *wavePath,
                     Captured &captured, int64_t &startFrame)
{
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DSCAPTURE capture = {};
    capture.unpaced = 1;
    capture.maxBuffers = buffers;
    capture.wavePath = wavePath;
    capture.onBuffer = onBuffer;
    capture.user = &captured;
    capture.finished = finished;
    auto setCapture = reinterpret_cast<DirectSoundSetCaptureProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(providerModule, "DirectSoundSetCapture")));
    ASSERT_EQ(setCapture(&capture), 1);
    Start start;
    start.manager = manager;
    song->SetPlaySPtrCallback(onPosition, &start);
    ASSERT_EQ(manager->EngineStart(), 1);
    setCapture(nullptr);
    manager->StartPlayback(song->GetSongTract());
    ASSERT_EQ(WaitForSingleObject(finished, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(manager->IsPlayed(), 0) << "playback stopped by itself at the song's end";
    manager->EngineStop();
    CloseHandle(finished);
    song->SetPlaySPtrCallback(nullptr, nullptr);
    startFrame = start.frame;
    ASSERT_GE(startFrame, 0);
    ASSERT_EQ(captured.left.size(), static_cast<size_t>(buffers) * kFrames);
}

// The first sample from..to that sounds, or -1.
int64_t firstSounding(const std::vector<float> &left, int64_t from, int64_t to)
{
    for (int64_t i = std::max<int64_t>(from, 0); i < to && i < static_cast<int64_t>(left.size()); ++i)
        if (std::fabs(left[i]) > 1e-4f)
            return i;
    return -1;
}

IOPARAMS engineParams(long rate, long format)
{
    IOPARAMS params;
    params.sampleRate = rate;
    params.bitsPerSample = format;
    params.bufferFrames = kFrames;
    char name[kAspNameSize];
    for (long i = 0; SndGetASPProductName(i, name); ++i)
        if (std::strcmp(name, "DirectSound") == 0)
            params.asp = i;
    return params;
}

TEST_P(EndToEnd, TheDrummersHitsSoundWhereTheyFall)
{
    const auto [rate, format] = GetParam();
    IOPARAMS params = engineParams(rate, format);
    auto *manager = new CSoundMngr("end to end");
    ASSERT_EQ(manager->Init(&params), 1);

    // The song: kick and hi-hat every two beats on the drum channel, and the
    // drummer on the track's chain.
    auto song = std::make_unique<CSong>(&params, manager);
    ASSERT_EQ(song->SetDefault(), 1);
    auto *track = static_cast<CTrackMIDI *>(song->InsertNewTrack(TRACK_MIDI, -1, 0));
    ASSERT_NE(track, nullptr);
    for (long tick = 0; tick < kSongEnd - 1920; tick += 1920) {
        EVENT e;
        e.setNote(9, (tick / 1920) % 2 ? 42 : 36, 110);
        e.value = 240;
        e.time = tick;
        track->AddToTail(&e, 1);
    }
    track->UpdateLastTime();
    song->Update();
    song->songEnd = kSongEnd;
    std::vector<int32_t> hits;
    const std::string state = drummerState(track, hits);
    PORTDESCR drummer(PORT_BY_GUID);
    drummer.SetData(&CLSID_GrindelvosketMFX);
    drummer.SetParams(state.data(), static_cast<long>(state.size()));
    auto *elem = new CMEffElem(&drummer, song->GetITembriSong(), track);
    ASSERT_NE(elem->effect, nullptr) << "the drummer through Tembri MFX";
    track->effects.AddNewMEffElem(elem);
    ASSERT_GT(std::count_if(hits.begin(), hits.end(), [](int32_t t) { return t >= 7680 && t < 11520; }), 3)
        << "a fill in bar 3";

    // The capture: the whole song and what comes before it.
    const int64_t songFrames = song->GetTrackMaster()->GetSampleFromTime(kSongEnd);
    const int32_t buffers = static_cast<int32_t>(songFrames / kFrames + 400);
    Captured captured;
    captured.format = format;
    const char *folder = std::getenv("TEMBRI_CAPTURE_DIR");
    if (folder && !*folder)
        folder = nullptr;
    const std::string wave = folder ? std::string(folder) + "\\capture_" + std::to_string(rate) + "_" +
                                          std::to_string(format) + ".wav"
                                    : std::string();
    int64_t startFrame = -1;
    playIntoCapture(manager, song.get(), buffers, folder ? wave.c_str() : nullptr, captured, startFrame);
    if (folder)
        std::printf("capture %s %ld\n", wave.c_str(), static_cast<long>(buffers) * kFrames);

    // Each hit sounds within a buffer of its place; a hit a beat or more
    // after the one before comes out of silence.
    auto sounding = [&](int64_t from, int64_t to) { return firstSounding(captured.left, from, to); };
    const int64_t beat = song->GetTrackMaster()->GetSampleFromTime(960);
    int isolated = 0;
    for (size_t h = 0; h < hits.size(); ++h) {
        const int64_t at = startFrame + song->GetTrackMaster()->GetSampleFromTime(hits[h]);
        const int64_t first = sounding(at - kFrames, at + kFrames);
        EXPECT_GE(first, at - kFrames) << "hit at tick " << hits[h];
        const int64_t before = h ? startFrame + song->GetTrackMaster()->GetSampleFromTime(hits[h - 1]) : 0;
        if (at - before >= beat) {
            ++isolated;
            // The longest drum sound has died out half a second on.
            const int64_t quiet = h ? before + rate / 2 : 0;
            EXPECT_EQ(sounding(quiet, at - kFrames), -1) << "silence before the hit at tick " << hits[h];
        }
    }
    EXPECT_GE(isolated, 4);
    // After the song, silence.
    const int64_t end = startFrame + songFrames;
    EXPECT_EQ(sounding(end + rate / 2, static_cast<int64_t>(captured.left.size())), -1);

    song.reset();
    manager->Release();
}

// The metronome alone: a click on each beat's first sample, the bars'
// first beats accented, nothing between them.
TEST(Metronome, ClicksOnTheBeatsOfTheCapture)
{
    IOPARAMS params = engineParams(44100, 16);
    auto *manager = new CSoundMngr("metronome");
    ASSERT_EQ(manager->Init(&params), 1);
    auto song = std::make_unique<CSong>(&params, manager);
    ASSERT_EQ(song->SetDefault(), 1);
    song->metronome = 1;
    song->songEnd = 2 * 3840;
    const int64_t beat = song->GetTrackMaster()->GetSampleFromTime(960);
    Captured captured;
    int64_t startFrame = -1;
    playIntoCapture(manager, song.get(), static_cast<int32_t>(8 * beat / kFrames + 200), nullptr, captured,
                    startFrame);
    float peaks[8] = {};
    for (int b = 0; b < 8; ++b) {
        const int64_t at = startFrame + b * beat;
        // A click starts with a sine at phase 0: its second sample sounds.
        EXPECT_EQ(firstSounding(captured.left, at - beat / 2, at + beat / 2), at + 1) << "beat " << b;
        for (int64_t i = at; i < at + 2000; ++i)
            peaks[b] = std::max(peaks[b], std::fabs(captured.left[i]));
    }
    EXPECT_NE(peaks[0], peaks[1]) << "the bar's first beat has its own click";
    EXPECT_EQ(peaks[0], peaks[4]);
    EXPECT_EQ(peaks[1], peaks[2]);
    // The buffer that reaches the song's end may still hold the next bar's
    // first beat; nothing comes after it.
    EXPECT_EQ(firstSounding(captured.left, startFrame + 8 * beat + beat / 2, captured.left.size()), -1)
        << "no click after the song";
    song.reset();
    manager->Release();
}

INSTANTIATE_TEST_SUITE_P(RatesAndFormats, EndToEnd,
                         ::testing::Values(std::pair{44100L, 16L}, std::pair{44100L, 24L},
                                           std::pair{44100L, 32L}, std::pair{44100L, long{kAspFloat}},
                                           std::pair{48000L, 16L}, std::pair{48000L, 24L},
                                           std::pair{48000L, 32L}, std::pair{48000L, long{kAspFloat}}),
                         [](const ::testing::TestParamInfo<std::pair<long, long>> &info) {
                             return std::to_string(info.param.first) + "Hz_" +
                                    (info.param.second == kAspFloat
                                         ? std::string("float")
                                         : std::to_string(info.param.second) + "bit");
                         });

} // namespace
