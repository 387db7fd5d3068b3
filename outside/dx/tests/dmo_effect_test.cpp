// "Tembri DX" as the sound engine loads it for an effect of kind 2, hosting
// the tests' DMO (gain and echo, registered for this program's run), and as
// the equipment enumeration asks it which DirectX effects it can host.
#include "outside/dx/dmo_effect.h"
#include "outside/dx/tests/test_gain_dmo.h"

#include "base/message_box.h"

#include "sound/equipment/dx_filter_check.h"
#include "sound/equipment/port_enum.h"
#include "sound/module_keys.h"
#include "sound/seffect_elem.h"
#include "sound/ssynth_elem.h"
#include "sound/tests/engine_fixture.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <dshow.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

constexpr int kFrames = 256;

HRESULT callServer(HMODULE module, const char *entry)
{
    auto call = reinterpret_cast<HRESULT(STDAPICALLTYPE *)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, entry)));
    return call ? call() : E_FAIL;
}

struct DmoEffectTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        CoInitialize(nullptr);
        dmoModule = LoadLibraryA((sound_test::testsFolder() + "TembriTestDMO.dll").c_str());
        ASSERT_NE(dmoModule, nullptr);
        ASSERT_EQ(callServer(dmoModule, "DllRegisterServer"), S_OK);
    }
    static void TearDownTestSuite()
    {
        callServer(dmoModule, "DllUnregisterServer");
        FreeLibrary(dmoModule);
        CoUninitialize();
    }
    void SetUp() override
    {
        sound_test::registerModule(kAudioEffectKey, "Tembri DX",
                                   sound_test::testsFolder() + "..\\dist\\TembriDX.dll");
        sound_test::resetProbes();
        ASSERT_EQ(tract->AddNewBus(), 1);
        bus = tract->GetBusByNumb(1);
        PORTDESCR probe = sound_test::byName(OUT_BY_NAME, "Probe Synth");
        void *probed = tract->AddNewOut(&probe);
        ASSERT_NE(probed, nullptr);
        ASSERT_EQ(tract->ReconnectOutAndBus(probed, nullptr, bus), 1);
    }
    void TearDown() override
    {
        sound_test::unregisterModule(kAudioEffectKey, "Tembri DX");
        sound_test::resetProbes();
    }

    static PORTDESCR gainDmo(float gain = 0.0f, float echo = 0.0f, float chunk = 0.0f)
    {
        PORTDESCR descriptor(EFFECT_DX);
        descriptor.SetData(&kTestGainDmo);
        if (gain != 0.0f) {
            const float state[3] = {gain, echo, chunk};
            descriptor.SetParams(state, chunk != 0.0f ? sizeof state : 2 * sizeof(float));
        }
        return descriptor;
    }
    // The first sample the tract mixes for a block whose probe plays level.
    float mix(float level)
    {
        sound_test::probes().synthLevel = level;
        std::vector<float> buffer(2 * kFrames, 0.0f);
        position += kFrames;
        return tract->FillAccum(buffer.data(), kFrames, 0, position, 0) ? buffer[2 * kFrames - 1] : 0.0f;
    }

    static inline HMODULE dmoModule = nullptr;
    sound_test::SongWithTract song;
    CSongTract *tract = song.tract();
    void *bus = nullptr;
    long long position = 0;
};

// The DMO's gain shows in what its bus mixes; its state (gain and echo)
// is the effect's saved state, and comes back in a fresh engine.
TEST_F(DmoEffectTest, TheDmosGainShowsInItsBusAndItsStateIsKept)
{
    PORTDESCR plain = gainDmo();
    void *effect = tract->AddNewSEffect(bus, nullptr, &plain);
    ASSERT_NE(effect, nullptr);
    char name[kSoundNameSize] = {};
    int enabled = 0;
    EXPECT_EQ(tract->GetSEffectInfo(effect, name, enabled), EFFECT_DX);
    EXPECT_STREQ(name, "Tembri Test Gain");
    EXPECT_FLOAT_EQ(mix(0.25f), 0.125f) << "the DMO's own gain, 0.5";
    ASSERT_EQ(tract->DeleteSEffect(bus, effect), 1);

    PORTDESCR stronger = gainDmo(3.0f);
    effect = tract->AddNewSEffect(bus, nullptr, &stronger);
    ASSERT_NE(effect, nullptr);
    EXPECT_FLOAT_EQ(mix(0.25f), 0.75f);
    PORTDESCR saved;
    ASSERT_EQ(tract->GetSEffectDescr(effect, &saved, 1), 1);
    EXPECT_EQ(saved.kind, EFFECT_DX);
    ASSERT_EQ(saved.dataSize, 16);
    EXPECT_EQ(std::memcmp(saved.data, &kTestGainDmo, 16), 0);
    const uint8_t state[] = {0x00, 0x00, 0x40, 0x40, 0x00, 0x00, 0x00, 0x00}; // 3.0f, 0.0f
    ASSERT_EQ(saved.paramsSize, static_cast<long>(sizeof state));
    EXPECT_EQ(std::memcmp(saved.params, state, sizeof state), 0);

    sound_test::SongWithTract fresh;
    ASSERT_EQ(fresh.tract()->AddNewBus(), 1);
    PORTDESCR probe = sound_test::byName(OUT_BY_NAME, "Probe Synth");
    void *probed = fresh.tract()->AddNewOut(&probe);
    ASSERT_EQ(fresh.tract()->ReconnectOutAndBus(probed, nullptr, fresh.tract()->GetBusByNumb(1)), 1);
    ASSERT_NE(fresh.tract()->AddNewSEffect(fresh.tract()->GetBusByNumb(1), nullptr, &saved), nullptr);
    tract = fresh.tract();
    EXPECT_FLOAT_EQ(mix(0.25f), 0.75f);
}

// A class that is no DMO, or none that takes stereo float, gives no effect
// and leaves the bus as it was.
TEST_F(DmoEffectTest, WhatIsNoDmoIsRefused)
{
    const GUID unknown = {0x5D1C3E7A, 0x2B64, 0x4F0D, {0x8A, 0x93, 0x6E, 0x7F, 0x1C, 0x2D, 0x3B, 0x4B}};
    for (const GUID &id : {unknown, CLSID_FilterMapper2}) {
        PORTDESCR descriptor(EFFECT_DX);
        descriptor.SetData(&id);
        EXPECT_EQ(tract->AddNewSEffect(bus, nullptr, &descriptor), nullptr);
    }
    EXPECT_EQ(tract->GetNextSEffect(bus, nullptr), nullptr);
    EXPECT_FLOAT_EQ(mix(0.25f), 0.25f);
}

// The DMO's tail sounds from a silent bus until playback starts again
// (the engine restarts its effects, which empties the tail).
TEST_F(DmoEffectTest, ATailSoundsOutOfSilenceUntilTheEffectsRestart)
{
    PORTDESCR echoing = gainDmo(1.0f, 0.5f);
    ASSERT_NE(tract->AddNewSEffect(bus, nullptr, &echoing), nullptr);
    EXPECT_FLOAT_EQ(mix(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(mix(0.0f), 0.25f) << "the echo of the block before";
    EXPECT_FLOAT_EQ(mix(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(mix(0.5f), 0.5f);
    tract->StartPlayback();
    EXPECT_FLOAT_EQ(mix(0.0f), 0.0f) << "no echo across the restart";
    tract->StopPlayback();
}

// A master effect hears of a new sample rate; the DMO takes it.
TEST_F(DmoEffectTest, TheDmoTakesTheEnginesRate)
{
    auto rate = reinterpret_cast<TestGainDmoRateProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(dmoModule, "TestGainDmoRate")));
    ASSERT_NE(rate, nullptr);
    PORTDESCR plain = gainDmo();
    ASSERT_NE(tract->AddNewSEffect(nullptr, nullptr, &plain), nullptr);
    EXPECT_EQ(rate(), 44100u);
    IOPARAMS faster = sound_test::testParams(kFrames, 48000);
    ASSERT_EQ(song.manager->Init(&faster), 1);
    EXPECT_EQ(rate(), 48000u);
    EXPECT_FLOAT_EQ(mix(0.25f), 0.125f) << "the master's gain of 0.5 at the new rate";
}

// A DMO that refuses the engine's new rate is kept with its settings: its
// bus plays on dry, the song still saves its state, the user is told once
// (when the thread takes its messages again, not under the engine's lock),
// and it plays again at a rate it takes.
TEST_F(DmoEffectTest, ADmoThatRefusesTheRateKeepsItsSettingsAndIsToldOfOnce)
{
    PORTDESCR stronger = gainDmo(3.0f);
    void *effect = tract->AddNewSEffect(bus, nullptr, &stronger);
    ASSERT_NE(effect, nullptr);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("TembriDX.dll")));
    testing_support::RealTimeCounter counter;
    IOPARAMS refused = sound_test::testParams(kFrames, kTestGainRefusedRate);
    song.manager->Init(&refused);
    EXPECT_EQ(counter.messageBoxes(), 0) << "nothing shown while the engine holds its lock";
    sound_test::takeMessagesUntil([&] { return counter.messageBoxes() > 0; });
    EXPECT_EQ(counter.messageBoxes(), 1);
    EXPECT_FLOAT_EQ(mix(0.25f), 0.25f) << "the bus plays dry";

    PORTDESCR saved;
    ASSERT_EQ(tract->GetSEffectDescr(effect, &saved, 1), 1);
    const uint8_t state[] = {0x00, 0x00, 0x40, 0x40, 0x00, 0x00, 0x00, 0x00}; // 3.0f, 0.0f
    ASSERT_EQ(saved.paramsSize, static_cast<long>(sizeof state));
    EXPECT_EQ(std::memcmp(saved.params, state, sizeof state), 0);

    IOPARAMS taken = sound_test::testParams(kFrames, 48000);
    ASSERT_EQ(song.manager->Init(&taken), 1);
    EXPECT_FLOAT_EQ(mix(0.25f), 0.75f) << "the kept settings play again";
    sound_test::takeMessagesUntil([] { return false; }, 100);
    EXPECT_EQ(counter.messageBoxes(), 1);
}

// The notice names the effect and the rate, and comes once however often
// the refused rate is set.
TEST_F(DmoEffectTest, TheUserIsToldWhichEffectCouldNotFollowTheRate)
{
    std::vector<std::string> shown;
    const MessageBoxHook old = setMessageBoxHook([&](HWND, const char *text, const char *caption, UINT) {
        shown.push_back(std::string(caption) + ": " + text);
        return IDOK;
    });
    auto *effect = new CDmoEffect;
    auto *host = static_cast<IZQAEExTembri *>(effect->GetSubInterface(SSEX_TEMBRI));
    ASSERT_TRUE(host->Select(0, &kTestGainDmo));
    effect->SetSampleRate(float(kTestGainRefusedRate));
    effect->SetSampleRate(float(kTestGainRefusedRate));
    EXPECT_TRUE(shown.empty());
    sound_test::takeMessagesUntil([&] { return !shown.empty(); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Tembri DX: The DirectX effect \"Tembri Test Gain\" cannot play at 11025 Hz.\n\n"
                        "Its bus plays on without it; its settings stay with the song.");
    effect->Destroy();
    setMessageBoxHook(old);
}

// A DMO that gives its output only in chunks of its own (96 frames to the
// engine's 256), and takes no input while a chunk waits, plays the bus's
// sound on without a gap, later by a constant delay.
TEST_F(DmoEffectTest, ADmoThatGivesInChunksOfItsOwnPlaysWithoutGaps)
{
    PORTDESCR chunked = gainDmo(2.0f, 0.0f, 96.0f);
    ASSERT_NE(tract->AddNewSEffect(bus, nullptr, &chunked), nullptr);
    IQuorvaneAudioEffect *effect = tract->GetIAudioEffect(tract->GetNextSEffect(bus, nullptr));
    ASSERT_NE(effect, nullptr);
    // Frame t of the bus is t + 1 on both channels.
    std::vector<float> played;
    std::vector<float> buffer(2 * kFrames);
    float *target[1] = {buffer.data()};
    for (int block = 0; block < 20; ++block) {
        for (int i = 0; i < kFrames; ++i)
            buffer[2 * i] = buffer[2 * i + 1] = float(block * kFrames + i + 1);
        effect->Process(target, kFrames);
        for (int i = 0; i < kFrames; ++i)
            played.push_back(buffer[2 * i]);
    }
    size_t delay = 0;
    while (delay < played.size() && played[delay] == 0.0f)
        ++delay;
    EXPECT_LE(delay, size_t(2 * kFrames)) << "the delay of what the DMO holds back";
    int gaps = 0;
    for (size_t t = delay; t < played.size(); ++t)
        gaps += played[t] != 2.0f * float(t - delay + 1);
    EXPECT_EQ(gaps, 0) << "after a delay of " << delay << " frames";
}

// What the engine's render thread calls neither allocates nor opens files.
TEST_F(DmoEffectTest, ProcessingNeitherAllocatesNorOpensFiles)
{
    PORTDESCR echoing = gainDmo(1.0f, 0.5f);
    ASSERT_NE(tract->AddNewSEffect(bus, nullptr, &echoing), nullptr);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("TembriDX.dll")));
    IQuorvaneAudioEffect *effect = tract->GetIAudioEffect(tract->GetNextSEffect(bus, nullptr));
    ASSERT_NE(effect, nullptr);
    std::vector<float> buffer(2 * kFrames, 0.25f);
    float *target[1] = {buffer.data()};
    int sounding = 0;
    testing_support::RealTimeCounter counter;
    for (int block = 0; block < 100; ++block) {
        std::fill(buffer.begin(), buffer.end(), 0.25f);
        effect->Process(target, kFrames);
        sounding += effect->ProcessSilence(target, kFrames) ? 1 : 0;
    }
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
    EXPECT_EQ(counter.kernelWaits(), 0);
    EXPECT_EQ(sounding, 100) << "every silent block after a loud one echoes";
}

// The enumeration offers the DMO among the DirectX effects because the
// module says it can host it; the module refuses what is no DMO.
TEST_F(DmoEffectTest, TheModuleTellsTheChooserWhatItCanHost)
{
    HMODULE module = LoadLibraryA((sound_test::testsFolder() + "..\\dist\\TembriDX.dll").c_str());
    ASSERT_NE(module, nullptr);
    auto check = reinterpret_cast<CheckDXAudioFilterProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, kCheckDXAudioFilterEntry)));
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check(&kTestGainDmo));
    EXPECT_FALSE(check(&CLSID_FilterMapper2));
    EXPECT_FALSE(check(nullptr));
    FreeLibrary(module);

    std::unique_ptr<CStructArray> effects(
        TindrelEnumPorts(ENUM_AUDIO_EFFECTS, ENUM_AEFFECT_DX, nullptr, nullptr, nullptr));
    ASSERT_NE(effects, nullptr);
    int found = 0;
    for (long i = 0; i < effects->GetNumb(); ++i) {
        const auto *entry = static_cast<const PORTENUM *>(effects->GetElementAt(i));
        if (entry->descr.dataSize == 16 && std::memcmp(entry->descr.data, &kTestGainDmo, 16) == 0) {
            ++found;
            EXPECT_STREQ(entry->descr.name, "Tembri Test Gain");
            EXPECT_EQ(entry->descr.kind, EFFECT_DX);
        }
    }
    EXPECT_EQ(found, 1);
}

} // namespace
