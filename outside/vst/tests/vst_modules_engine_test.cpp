// "Tembri VSTi" and "Tembri VST" as the sound engine loads them for an
// output of kind 4 and an effect of kind 1: the modules from the build's
// dist folder, the tests' plug-ins named by their paths.
#include "outside/vst/tests/test_plugins.h"

#include "sound/module_keys.h"
#include "sound/seffect_elem.h"
#include "sound/ssynth_elem.h"
#include "sound/tests/engine_fixture.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

using namespace Quorvane;
using vst_test::HeldPlugin;

namespace {

struct VstModulesTest : ::testing::Test {
    void SetUp() override
    {
        sound_test::registerModule(kSoftSynthKey, "Tembri VSTi",
                                   vst_test::testsFolder() + "..\\dist\\TembriVSTi.dll");
        sound_test::registerModule(kAudioEffectKey, "Tembri VST",
                                   vst_test::testsFolder() + "..\\dist\\TembriVST.dll");
        sound_test::resetProbes();
    }
    void TearDown() override
    {
        sound_test::unregisterModule(kSoftSynthKey, "Tembri VSTi");
        sound_test::unregisterModule(kAudioEffectKey, "Tembri VST");
        sound_test::resetProbes();
    }

    static PORTDESCR instrument(const std::string &path)
    {
        PORTDESCR descriptor(OUT_VSTI);
        descriptor.SetData(path.c_str());
        return descriptor;
    }
    // The output's first frame with a note-on at frame 0 of a block.
    static float level(CSongTract *tract, void *out)
    {
        IQuorvaneSoftSynth *synth = tract->GetISoftSynth(out);
        const uint8_t on[4] = {0x90, 60, 127, 0};
        synth->MidiIn(on, 0);
        std::vector<float> buffer(2 * 256);
        float *target[1] = {buffer.data()};
        synth->RenderReplacing(target, 256);
        return buffer[0];
    }
};

// The state of the plug-in kept in the output's descriptor is given back
// to the plug-in of an output that a fresh engine makes from it.
TEST_F(VstModulesTest, StateSavedWithTheSongComesBackInAFreshEngine)
{
    HeldPlugin plugin("stereo");
    const uint8_t louder[] = {2, 0, 0, 0, 2, 0, 0, 0, 0x00, 0x00, 0x40, 0x3F, 0x00, 0x00, 0x80, 0x3E};
    PORTDESCR saved;
    {
        sound_test::SongWithTract first;
        PORTDESCR chosen = instrument(plugin.path);
        void *out = first.tract()->AddNewOut(&chosen);
        ASSERT_NE(out, nullptr);
        char name[kSoundNameSize] = {};
        long number = -1;
        EXPECT_EQ(first.tract()->GetOutInfo(out, name, number), OUT_VSTI);
        EXPECT_STREQ(name, "Test VSTi");
        EXPECT_EQ(level(first.tract(), out), 0.5f);
        PORTDESCR state(OUT_VSTI);
        state.SetParams(louder, sizeof louder);
        ASSERT_TRUE(first.tract()->SetOutState(out, &state));
        ASSERT_EQ(first.tract()->GetOutDescr(out, &saved, 1), 1);
    }
    EXPECT_EQ(saved.kind, OUT_VSTI);
    ASSERT_NE(saved.data, nullptr);
    EXPECT_EQ(plugin.path, static_cast<const char *>(saved.data));
    ASSERT_EQ(saved.paramsSize, static_cast<long>(sizeof louder));
    EXPECT_EQ(std::memcmp(saved.params, louder, sizeof louder), 0);

    plugin.reset();
    sound_test::SongWithTract fresh;
    void *out = fresh.tract()->AddNewOut(&saved);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(level(fresh.tract(), out), 0.75f);
}

// A plug-in that crashes or throws while it is opened gives no output; the
// tract stays as it was and takes a good one next.
TEST_F(VstModulesTest, APluginThatFailsInOpenIsRefused)
{
    HeldPlugin plugin("stereo");
    sound_test::SongWithTract song;
    CSongTract *tract = song.tract();
    int outputs = 0;
    for (void *o = tract->GetNextOut(nullptr); o; o = tract->GetNextOut(o))
        ++outputs;
    for (const char *fixture : {"crash", "throw"}) {
        PORTDESCR bad = instrument(vst_test::scanFixture(fixture));
        EXPECT_EQ(tract->AddNewOut(&bad), nullptr) << fixture;
    }
    int after = 0;
    for (void *o = tract->GetNextOut(nullptr); o; o = tract->GetNextOut(o))
        ++after;
    EXPECT_EQ(after, outputs);
    PORTDESCR good = instrument(plugin.path);
    void *out = tract->AddNewOut(&good);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(level(tract, out), 0.5f);
}

// The time the plug-in asks for follows the song: its tempo and meter, and
// the position from where the transport started.
TEST_F(VstModulesTest, TellsThePluginTheSongsTime)
{
    HeldPlugin plugin("stereo");
    sound_test::SongWithTract song;
    PORTDESCR chosen = instrument(plugin.path);
    void *out = song.tract()->AddNewOut(&chosen);
    ASSERT_NE(out, nullptr);
    IZQSSExTembri *host = song.tract()->GetISSExTembri(out);
    ASSERT_NE(host, nullptr);
    const long quarter = song.song->GetITembriSong()->SongGetTimeBase();
    host->Transport(SSTRANSPORT_START, 5 * quarter + quarter / 2, 5 * quarter + quarter / 2, 1.0f);
    level(song.tract(), out);
    const vst2::TimeInfo &time = plugin.probe().lastTime;
    EXPECT_EQ(time.tempo, 100.0) << "the default song's";
    EXPECT_EQ(time.ppqPos, 5.5);
    EXPECT_EQ(time.barStartPos, 4.0);
    EXPECT_EQ(time.timeSigNumerator, 4);
    EXPECT_EQ(time.timeSigDenominator, 4);
    EXPECT_EQ(time.sampleRate, 44100.0);
    const int32_t wanted = vst2::kTimeTransportPlaying | vst2::kTimePpqPosValid | vst2::kTimeTempoValid |
                           vst2::kTimeBarsValid | vst2::kTimeSigValid;
    EXPECT_EQ(time.flags & wanted, wanted);
}

// The effect's gain shows in what its bus mixes, with the state it is
// given; the other bus is not touched.
TEST_F(VstModulesTest, AnEffectsGainShowsInItsBus)
{
    HeldPlugin plugin("effect");
    sound_test::SongWithTract song;
    CSongTract *tract = song.tract();
    ASSERT_EQ(tract->AddNewBus(), 1);
    void *bus1 = tract->GetBusByNumb(1);
    PORTDESCR probe = sound_test::byName(OUT_BY_NAME, "Probe Synth");
    void *probed = tract->AddNewOut(&probe);
    ASSERT_NE(probed, nullptr);
    ASSERT_EQ(tract->ReconnectOutAndBus(probed, nullptr, bus1), 1);
    PORTDESCR chosen(EFFECT_VST);
    chosen.SetData(plugin.path.c_str());
    const uint8_t stronger[] = {1, 0, 0, 0, 4, 0, 0, 0, 0x00, 0x00, 0x40, 0x3F};
    chosen.SetParams(stronger, sizeof stronger);
    void *effect = tract->AddNewSEffect(bus1, nullptr, &chosen);
    ASSERT_NE(effect, nullptr);
    char name[kSoundNameSize] = {};
    int enabled = 0;
    EXPECT_EQ(tract->GetSEffectInfo(effect, name, enabled), EFFECT_VST);
    EXPECT_STREQ(name, "Test VST");
    sound_test::probes().synthLevel = 0.25f;
    std::vector<float> buffer(2 * 256);
    ASSERT_EQ(tract->FillAccum(buffer.data(), 256, 0, 0, 0), 1);
    EXPECT_FLOAT_EQ(buffer[0], 0.375f) << "0.25 times twice 0.75";
    EXPECT_FLOAT_EQ(buffer[511], 0.375f);
    PORTDESCR saved;
    ASSERT_EQ(tract->GetSEffectDescr(effect, &saved, 1), 1);
    EXPECT_EQ(plugin.path, static_cast<const char *>(saved.data));
    ASSERT_EQ(saved.paramsSize, static_cast<long>(sizeof stronger));
    EXPECT_EQ(std::memcmp(saved.params, stronger, sizeof stronger), 0);
    PORTDESCR instrumentAsEffect(EFFECT_VST);
    instrumentAsEffect.SetData(vst_test::pluginPath("stereo").c_str());
    EXPECT_EQ(tract->AddNewSEffect(bus1, nullptr, &instrumentAsEffect), nullptr);
}

// The module as the engine loads it, mixed by the tract: its MIDI and
// rendering neither allocate nor open files.
TEST_F(VstModulesTest, TheLoadedModuleRendersWithoutAllocatingOrOpeningFiles)
{
    HeldPlugin plugin("quad");
    sound_test::SongWithTract song;
    PORTDESCR chosen = instrument(plugin.path);
    void *out = song.tract()->AddNewOut(&chosen);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("TembriVSTi.dll")));
    IQuorvaneSoftSynth *synth = song.tract()->GetISoftSynth(out);
    std::vector<float> buffer(2 * 256);
    float *target[1] = {buffer.data()};
    int sounding = 0;
    testing_support::RealTimeCounter counter;
    for (int block = 0; block < 100; ++block) {
        const uint8_t on[4] = {0x90, 60, 127, 0}, off[4] = {0x80, 60, 0, 0};
        synth->MidiIn(on, 10);
        synth->MidiIn(off, 200);
        sounding += synth->RenderReplacing(target, 256) ? 1 : 0;
    }
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
    EXPECT_EQ(sounding, 100);
}

// The module as the engine loads it: a plug-in that crashes while it
// renders is told of once, by a message box on the window thread, never on
// the render thread.
TEST_F(VstModulesTest, APluginThatCrashesWhileRenderingIsToldOfOnceOnTheWindowThread)
{
    HeldPlugin plugin("crash");
    sound_test::SongWithTract song;
    PORTDESCR chosen = instrument(plugin.path);
    void *out = song.tract()->AddNewOut(&chosen);
    ASSERT_NE(out, nullptr);
    // The module's message boxes are counted and answered on a counting
    // thread.
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("TembriVSTi.dll")));
    IQuorvaneSoftSynth *synth = song.tract()->GetISoftSynth(out);
    long renderBoxes = -1;
    std::thread([&] {
        testing_support::RealTimeCounter counter;
        std::vector<float> buffer(2 * 256);
        float *target[1] = {buffer.data()};
        for (int block = 0; block < 3; ++block) {
            const uint8_t crash[4] = {0x90, 13, 127, 0};
            synth->MidiIn(crash, 0);
            synth->RenderReplacing(target, 256);
        }
        renderBoxes = counter.messageBoxes();
    }).join();
    EXPECT_EQ(renderBoxes, 0);
    testing_support::RealTimeCounter counter;
    vst_test::takeMessagesUntil([&] { return counter.messageBoxes() > 0; });
    vst_test::takeMessagesFor(200);
    EXPECT_EQ(counter.messageBoxes(), 1);
}

} // namespace
