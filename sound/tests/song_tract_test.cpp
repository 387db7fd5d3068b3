#include "sound/tests/engine_fixture.h"

#include "data/evnt_trans.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "sound/module_keys.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;
using namespace sound_test;

namespace {

constexpr long kFrames = 256;

class SongTractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetProbes();
        ASSERT_NE(tract(), nullptr);
    }
    CSongTract *tract() { return song.tract(); }
    void *addProbe()
    {
        PORTDESCR descriptor = byName(OUT_BY_NAME, "Probe Synth");
        return tract()->AddNewOut(&descriptor);
    }
    void *addEffect(void *bus, void *after = nullptr)
    {
        PORTDESCR descriptor = byName(EFFECT_BY_NAME, "Probe Effect");
        return tract()->AddNewSEffect(bus, after, &descriptor);
    }
    // Mixes one block into a buffer that held fill.
    int mix(std::vector<float> &buffer, float fill = 0.0f, int64_t blockStart = 0)
    {
        buffer.assign(2 * kFrames, fill);
        return tract()->FillAccum(buffer.data(), kFrames, 0, blockStart, 0);
    }
    long outputs()
    {
        long count = 0;
        for (void *out = tract()->GetNextOut(nullptr); out; out = tract()->GetNextOut(out))
            ++count;
        return count;
    }

    SongWithTract song;
};

TEST_F(SongTractTest, ANewTractHasTheDefaultBusWithThePreviewOnIt)
{
    EXPECT_EQ(tract()->GetNumBuses(), 1);
    void *bus = tract()->GetBusByNumb(0);
    ASSERT_NE(bus, nullptr);
    void *preview = tract()->GetOutPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(tract()->GetNextOut(nullptr), preview);
    EXPECT_EQ(tract()->GetNextOut(preview), nullptr);
    char name[kSoundNameSize];
    long instance = -1;
    EXPECT_EQ(tract()->GetOutInfo(preview, name, instance), OUT_PREVIEW);
    EXPECT_STREQ(name, "Default Preview");
    EXPECT_EQ(instance, 0);
    EXPECT_STREQ(tract()->GetZQSoftSynthName(preview), "Default Preview");
    EXPECT_EQ(tract()->GetOutBus(preview), 0);
    float volume = 0, pan = 0;
    long effects = -1;
    EXPECT_EQ(tract()->GetBusInfo(bus, volume, pan, effects), 1);
    EXPECT_EQ(volume, 1.0f);
    EXPECT_EQ(pan, 1.0f);
    EXPECT_EQ(effects, 0);
    EXPECT_EQ(tract()->GetBusInfo(nullptr, volume, pan, effects), 1) << "outputs on the default bus";
    EXPECT_EQ(tract()->GetOutChords(), nullptr);
}

TEST_F(SongTractTest, InstancesAreCountedPerModule)
{
    void *first = addProbe();
    void *second = addProbe();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    char name[kSoundNameSize];
    long instance = -1;
    tract()->GetOutInfo(second, name, instance);
    EXPECT_EQ(instance, 1);
    EXPECT_EQ(tract()->GetOutNumb(second), 2);
    EXPECT_EQ(tract()->GetOutByNum(2), second);
    EXPECT_EQ(tract()->GetOutByNum(3), nullptr);
    EXPECT_EQ(tract()->GetOutByNum(-1), nullptr);
    PORTDESCR preview = byName(OUT_PREVIEW, nullptr);
    void *secondPreview = tract()->AddNewOut(&preview);
    tract()->GetOutInfo(secondPreview, name, instance);
    EXPECT_EQ(instance, 1);
    tract()->DeleteOut(first);
    tract()->GetOutInfo(second, name, instance);
    EXPECT_EQ(instance, 0);
    EXPECT_EQ(tract()->GetOutNumb(first), -1);
    EXPECT_EQ(probes().afterDestroy, 0);
}

TEST_F(SongTractTest, OutputsThatCannotBeMadeLeaveNothing)
{
    const long before = outputs();
    PORTDESCR unknown = byName(OUT_BY_NAME, "No Such Module");
    EXPECT_EQ(tract()->AddNewOut(&unknown), nullptr);
    PORTDESCR badKind = byName(8, "Probe Synth");
    EXPECT_EQ(tract()->AddNewOut(&badKind), nullptr);
    EXPECT_EQ(tract()->AddNewOut(nullptr), nullptr);
    // A hosting module that refuses the instrument is unloaded again.
    registerModule(kSoftSynthKey, "Tembri DXi", testsFolder() + "sound_probes.dll");
    probes().selectResult = 0;
    PORTDESCR dxi(OUT_DXI);
    const GUID id = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    dxi.SetData(&id);
    const long alive = probes().synthsAlive;
    EXPECT_EQ(tract()->AddNewOut(&dxi), nullptr);
    EXPECT_EQ(probes().synthsAlive, alive);
    EXPECT_EQ(outputs(), before);
    probes().selectResult = 1;
    void *out = tract()->AddNewOut(&dxi);
    ASSERT_NE(out, nullptr);
    PORTDESCR described;
    ASSERT_EQ(tract()->GetOutDescr(out, &described, 0), 1);
    EXPECT_EQ(described.kind, OUT_DXI);
    ASSERT_EQ(described.dataSize, 16);
    EXPECT_EQ(std::memcmp(described.data, "probe instrumen", 16), 0);
    EXPECT_EQ(tract()->GetOutByDescr(&described), out);
    unregisterModule(kSoftSynthKey, "Tembri DXi");
}

// A descriptor's module is a name: one that reaches into folders loads
// nothing, even where the file it points at exists.
TEST_F(SongTractTest, ModuleNamesAreNotPaths)
{
    const std::string folder = testing_support::uniqueName("modules");
    const std::string here = testsFolder() + folder;
    CreateDirectoryA(here.c_str(), nullptr);
    struct Cleanup {
        std::string folder;
        ~Cleanup()
        {
            DeleteFileA((folder + "\\probe.zql").c_str());
            RemoveDirectoryA(folder.c_str());
        }
    } cleanup{here};
    ASSERT_TRUE(
        CopyFileA((testsFolder() + "sound_probes.dll").c_str(), (here + "\\probe.zql").c_str(), FALSE));
    const std::string names[] = {folder + "\\probe", "..\\tests\\" + folder + "\\probe", here + "\\probe",
                                 folder + "/probe"};
    const long alive = probes().synthsAlive;
    for (const std::string &name : names) {
        PORTDESCR output = byName(OUT_BY_NAME, name.c_str());
        EXPECT_EQ(tract()->AddNewOut(&output), nullptr) << name;
        PORTDESCR effect = byName(EFFECT_BY_NAME, name.c_str());
        EXPECT_EQ(tract()->AddNewSEffect(nullptr, nullptr, &effect), nullptr) << name;
    }
    EXPECT_EQ(probes().synthsAlive, alive);
}

TEST_F(SongTractTest, DescriptorsOfTheOutputKinds)
{
    PORTDESCR described;
    ASSERT_EQ(tract()->GetOutDescr(tract()->GetOutPreview(), &described, 0), 1);
    EXPECT_EQ(described.kind, OUT_PREVIEW);
    EXPECT_STREQ(static_cast<char *>(described.data), "Default Preview");
    void *probe = addProbe();
    ASSERT_EQ(tract()->GetOutDescr(probe, &described, 0), 1);
    EXPECT_EQ(described.kind, OUT_BY_NAME);
    EXPECT_STREQ(static_cast<char *>(described.data), "Probe Synth");
    EXPECT_EQ(tract()->GetOutByDescr(&described), probe);
    EXPECT_EQ(tract()->GetOutType(probe), OUT_BY_NAME);
    // A name longer than the buffer is cut there.
    char name[kSoundNameSize + 8];
    std::memset(name, '#', sizeof name);
    long instance;
    tract()->GetOutInfo(probe, name, instance);
    EXPECT_EQ(std::strlen(name), static_cast<size_t>(kSoundNameSize - 1));
    EXPECT_EQ(name[kSoundNameSize], '#');
}

TEST_F(SongTractTest, StatesGoIntoDescriptorsAndComeBack)
{
    void *probe = addProbe();
    probes().stateValue = 1234;
    PORTDESCR descriptor;
    ASSERT_EQ(tract()->GetOutDescr(probe, &descriptor, 1), 1);
    ASSERT_EQ(descriptor.paramsSize, 4);
    int32_t stored = 0;
    std::memcpy(&stored, descriptor.params, 4);
    EXPECT_EQ(stored, 1234);
    // A new output from the descriptor loads the state.
    void *restored = tract()->AddNewOut(&descriptor);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(probes().loadedValue, 1234);
    // A module that saves nothing leaves no block.
    probes().stateBytes = 0;
    EXPECT_TRUE(tract()->GetOutState(probe, &descriptor));
    EXPECT_EQ(descriptor.params, nullptr);
    EXPECT_FALSE(tract()->GetOutState(nullptr, &descriptor));
    EXPECT_FALSE(tract()->SetOutState(probe, nullptr));
}

TEST_F(SongTractTest, NamesComeFromTheOutputsModule)
{
    probes().offerNames = 1;
    void *probe = addProbe();
    char name[kSoundNameSize];
    long number = -1;
    EXPECT_EQ(tract()->IsBanksEnumed(probe), 1);
    ASSERT_EQ(tract()->EnumBanks(probe, 0, name, number), 1);
    EXPECT_EQ(number, 3);
    EXPECT_STREQ(name, "Probe Bank");
    ASSERT_EQ(tract()->StringProg(probe, name, 3, 5), 1);
    EXPECT_STREQ(name, "Probe Program");
    ASSERT_EQ(tract()->StringCtrl(probe, name, 7), 1);
    EXPECT_STREQ(name, "Probe Controller");
    ASSERT_EQ(tract()->StringNote(probe, name, 4, 3, 5, 36), 1);
    EXPECT_STREQ(name, "Probe Note");
    EXPECT_EQ(tract()->IsNotesEnumed(probe, 4, 3, 5), 1);
    // Names of the preview synthesizer.
    void *preview = tract()->GetOutPreview();
    ASSERT_EQ(tract()->StringNote(preview, name, 9, 0, 0, 42), 1);
    EXPECT_STREQ(name, "Hi-hat");
    EXPECT_EQ(tract()->StringNote(preview, name, 0, 0, 0, 42), 0);
    ASSERT_EQ(tract()->StringProg(preview, name, 0, 2), 1);
    EXPECT_STREQ(name, "2: Saw");
}

// Every module call a thread makes while it holds the lock.
struct LockWatch {
    const CRITICAL_SECTION *lock;
    int calls = 0;
    int underLock = 0;
    static void watch(void *context)
    {
        auto *w = static_cast<LockWatch *>(context);
        ++w->calls;
        if (testing_support::heldByThisThread(*w->lock))
            ++w->underLock;
    }
};

// Modules are loaded, given their instrument and state, and freed without
// the tract's lock, under which the render thread mixes: outputs, effects
// and buses join and leave the tract under it only for a moment.
TEST_F(SongTractTest, ModulesComeAndGoWithoutTheTractLock)
{
    for (const char *module : {"Tindrel.dll", "Corvadel.dll"})
        ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA(module))) << module;
    LockWatch watch{&tract()->GetSyncObj()->section};
    {
        testing_support::RealTimeCounter counter;
        counter.watchSlowCalls(&LockWatch::watch, &watch);
        void *out = addProbe();
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(tract()->AddNewBus(), 1);
        void *bus = tract()->GetBusByNumb(1);
        ASSERT_NE(addEffect(bus), nullptr);
        void *master = addEffect(nullptr);
        ASSERT_NE(master, nullptr);
        EXPECT_EQ(tract()->DeleteSEffect(nullptr, master), 1);
        EXPECT_EQ(tract()->DeleteBus(bus), 1) << "its effect goes with it";
        tract()->DeleteOut(out);
    }
    EXPECT_EQ(probes().effectsAlive, 0);
    EXPECT_GE(watch.calls, 6) << "three modules loaded and freed";
    EXPECT_EQ(watch.underLock, 0);
}

TEST_F(SongTractTest, BusesAreAddedNumberedAndDeleted)
{
    void *main = tract()->GetBusByNumb(0);
    ASSERT_EQ(tract()->AddNewBus(), 1);
    ASSERT_EQ(tract()->AddNewBus(), 1);
    EXPECT_EQ(tract()->GetNumBuses(), 3);
    void *bus1 = tract()->GetBusByNumb(1);
    void *bus2 = tract()->GetBusByNumb(2);
    EXPECT_EQ(tract()->GetNextBus(nullptr), main);
    EXPECT_EQ(tract()->GetNextBus(main), bus1);
    void *probe = addProbe();
    ASSERT_EQ(tract()->ReconnectOutAndBus(probe, main, bus2), 1);
    EXPECT_EQ(tract()->GetOutBus(probe), 2);
    EXPECT_EQ(tract()->DeleteBus(main), 0);
    ASSERT_EQ(tract()->DeleteBus(bus1), 1);
    // The others keep their numbers until the next bus comes.
    EXPECT_EQ(tract()->GetBusByNumb(2), bus2);
    EXPECT_EQ(tract()->GetOutBus(probe), 1) << "the position in the chain";
    ASSERT_EQ(tract()->DeleteBus(bus2), 1);
    EXPECT_EQ(tract()->GetOutBus(probe), 0);
    float volume, pan;
    long effects;
    EXPECT_EQ(tract()->GetBusInfo(main, volume, pan, effects), 2);
}

TEST_F(SongTractTest, AnOutputFeedsOneBus)
{
    void *main = tract()->GetBusByNumb(0);
    tract()->AddNewBus();
    void *bus1 = tract()->GetBusByNumb(1);
    void *probe = addProbe();
    // Connected to a second bus without naming the first: it moves.
    ASSERT_EQ(tract()->ReconnectOutAndBus(probe, nullptr, bus1), 1);
    float volume, pan;
    long effects;
    EXPECT_EQ(tract()->GetBusInfo(main, volume, pan, effects), 1);
    EXPECT_EQ(tract()->GetBusInfo(bus1, volume, pan, effects), 1);
    // Taken off a bus it is not on.
    EXPECT_EQ(tract()->ReconnectOutAndBus(probe, main, nullptr), 0);
    EXPECT_EQ(tract()->ReconnectOutAndBus(probe, bus1, nullptr), 1);
    EXPECT_EQ(tract()->GetOutBus(probe), 0) << "on no bus";
    EXPECT_EQ(tract()->GetBusInfo(bus1, volume, pan, effects), 0);
}

// Deleting a bus moves its outputs to bus 0 once each, whatever else they
// were connected to: every output renders once per buffer.
TEST_F(SongTractTest, DeletingABusRendersItsOutputsOnce)
{
    tract()->AddNewBus();
    void *bus1 = tract()->GetBusByNumb(1);
    void *probe = addProbe();
    tract()->ReconnectOutAndBus(probe, nullptr, bus1);
    ASSERT_EQ(tract()->DeleteBus(bus1), 1);
    probes().synthLevel = 0.25f;
    std::vector<float> buffer;
    const long before = probes().synthRenders;
    ASSERT_EQ(mix(buffer), 1);
    EXPECT_EQ(probes().synthRenders - before, 1);
    EXPECT_EQ(buffer[0], 0.25f);
}

// Deleting an output takes it off every bus: no bus renders it afterwards.
TEST_F(SongTractTest, ADeletedOutputIsOnNoBus)
{
    tract()->AddNewBus();
    void *bus1 = tract()->GetBusByNumb(1);
    void *probe = addProbe();
    tract()->ReconnectOutAndBus(probe, nullptr, bus1);
    tract()->DeleteOut(probe);
    std::vector<float> buffer;
    mix(buffer);
    EXPECT_EQ(probes().afterDestroy, 0);
    float volume, pan;
    long effects;
    EXPECT_EQ(tract()->GetBusInfo(bus1, volume, pan, effects), 0);
}

TEST_F(SongTractTest, BusesMixIntoTheOutput)
{
    std::vector<float> buffer;
    // Nothing sounds: the buffer keeps what it held.
    EXPECT_EQ(mix(buffer, 0.5f), 0);
    EXPECT_EQ(buffer[7], 0.5f);
    tract()->AddNewBus();
    void *bus1 = tract()->GetBusByNumb(1);
    addProbe();
    tract()->ReconnectOutAndBus(addProbe(), nullptr, bus1);
    probes().synthLevel = 0.25f;
    ASSERT_EQ(mix(buffer, 0.5f), 1);
    EXPECT_FLOAT_EQ(buffer[0], 0.5f) << "two buses of 0.25";
    EXPECT_FLOAT_EQ(buffer[2 * kFrames - 1], 0.5f);
    // Pan 0 at volume 1 doubles the left and silences the right.
    tract()->SetBusInfo(bus1, 1.0f, 0.0f);
    ASSERT_EQ(mix(buffer), 1);
    EXPECT_FLOAT_EQ(buffer[0], 0.25f + 0.5f);
    EXPECT_FLOAT_EQ(buffer[1], 0.25f);
    // The master's level follows.
    tract()->SetBusInfo(nullptr, 0.5f, 1.0f);
    ASSERT_EQ(mix(buffer), 1);
    EXPECT_FLOAT_EQ(buffer[0], 0.375f);
    EXPECT_FLOAT_EQ(buffer[1], 0.125f);
}

TEST_F(SongTractTest, MetersHoldAClipForSixteenPasses)
{
    int called = 0;
    tract()->SetMonitor(
        1, [](ULONG_PTR user) { ++*reinterpret_cast<int *>(user); }, reinterpret_cast<ULONG_PTR>(&called));
    tract()->AddNewBus();
    void *bus1 = tract()->GetBusByNumb(1);
    tract()->ReconnectOutAndBus(addProbe(), nullptr, bus1);
    probes().synthLevel = 1.5f;
    std::vector<float> buffer;
    mix(buffer);
    float left, right;
    long holdLeft, holdRight;
    tract()->GetBusLevel(bus1, left, right, holdLeft, holdRight);
    EXPECT_EQ(left, 1.0f);
    EXPECT_EQ(holdLeft, 16);
    tract()->GetBusLevel(nullptr, left, right, holdLeft, holdRight);
    EXPECT_EQ(right, 1.0f);
    EXPECT_EQ(holdRight, 16);
    probes().synthLevel = 0.0f;
    mix(buffer);
    tract()->GetBusLevel(bus1, left, right, holdLeft, holdRight);
    EXPECT_EQ(left, 0.0f);
    EXPECT_EQ(holdLeft, 15);
    EXPECT_EQ(called, 2);
    // The default bus is metered as the master, not as a bus.
    tract()->GetBusLevel(tract()->GetBusByNumb(0), left, right, holdLeft, holdRight);
    EXPECT_EQ(holdLeft, 0);
}

TEST_F(SongTractTest, EffectsAreAddedOrderedAndSkipped)
{
    void *bus = tract()->GetBusByNumb(0);
    void *first = addEffect(bus);
    void *second = addEffect(bus);
    void *inFront = addEffect(bus, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(tract()->GetSEffectByNumb(bus, 0), first);
    EXPECT_EQ(tract()->GetSEffectByNumb(bus, 2), inFront);
    EXPECT_EQ(tract()->GetSEffectByNumb(bus, 3), nullptr);
    EXPECT_EQ(tract()->GetSEffectByNumb(bus, -1), nullptr);
    EXPECT_EQ(tract()->MoveSEffect(bus, first, 1), 0) << "no predecessor";
    EXPECT_EQ(tract()->MoveSEffect(bus, first, 0), 1);
    EXPECT_EQ(tract()->GetNextSEffect(bus, nullptr), second);
    EXPECT_EQ(tract()->DeleteSEffect(nullptr, second), 0) << "not on the master";
    EXPECT_EQ(tract()->DeleteSEffect(bus, second), 1);
    char name[kSoundNameSize];
    int enabled = 0;
    EXPECT_EQ(tract()->GetSEffectInfo(first, name, enabled), EFFECT_BY_NAME);
    EXPECT_STREQ(name, "Probe Effect");
    EXPECT_EQ(enabled, 1);
    PORTDESCR described;
    ASSERT_EQ(tract()->GetSEffectDescr(first, &described, 1), 1);
    EXPECT_STREQ(static_cast<char *>(described.data), "Probe Effect");
    // Disabled effects are passed by.
    tract()->SetSEffectInfo(first, 0);
    tract()->SetSEffectInfo(inFront, 0);
    probes().synthLevel = 0.5f;
    addProbe();
    const long before = probes().effectProcess;
    std::vector<float> buffer;
    mix(buffer);
    EXPECT_EQ(probes().effectProcess, before);
    tract()->SetSEffectInfo(first, 1);
    mix(buffer);
    EXPECT_EQ(probes().effectProcess, before + 1);
}

// Effects that process a silent buffer get silence, never the audio an
// earlier buffer left in it.
TEST_F(SongTractTest, EffectsOfSilentBuffersGetSilence)
{
    addEffect(nullptr);
    addEffect(tract()->GetBusByNumb(0));
    std::vector<float> buffer;
    EXPECT_EQ(mix(buffer, 0.3f), 0);
    EXPECT_EQ(probes().effectSilence, 2);
    EXPECT_EQ(probes().effectSawAudio, 0);
    // The bus's own buffer held sound from the buffer before.
    probes().synthLevel = 0.5f;
    addProbe();
    mix(buffer);
    probes().synthLevel = 0.0f;
    mix(buffer, 0.3f);
    EXPECT_EQ(probes().effectSawAudio, 0);
}

// A new rate or block size reaches the effects of every bus.
TEST_F(SongTractTest, NewParametersReachEveryEffect)
{
    addEffect(nullptr);
    tract()->AddNewBus();
    addEffect(tract()->GetBusByNumb(1));
    addEffect(tract()->GetBusByNumb(0));
    const long rate = probes().effectRateCalls, block = probes().effectBlockCalls;
    IOPARAMS params = testParams(kFrames, 48000);
    ASSERT_EQ(song.manager->Init(&params), 1);
    EXPECT_EQ(probes().effectRateCalls - rate, 3);
    EXPECT_EQ(probes().effectBlockCalls - block, 0);
    params = testParams(128, 48000);
    ASSERT_EQ(song.manager->Init(&params), 1);
    EXPECT_EQ(probes().effectBlockCalls - block, 3);
}

TEST_F(SongTractTest, MessagesArePlayedAtTheirFrameInTheBlock)
{
    void *probe = addProbe();
    CEvntTransChain *chain = nullptr;
    const int64_t at[] = {10, 255, 256, 300};
    for (int64_t sample : at)
        CEvntTransChain::AddNewEvntTransElem(sample, &chain)
            ->SetMMsg(0x403C90 + static_cast<uint32_t>(sample), -1);
    tract()->InsertEvents(probe, chain);
    std::vector<float> buffer;
    mix(buffer, 0.0f, 0);
    ASSERT_EQ(probes().messageCount, 2);
    EXPECT_EQ(probes().messages[0].offset, 10);
    EXPECT_EQ(probes().messages[1].offset, 255);
    // A message at the block's end waits for the next block; one that is
    // late plays at once.
    mix(buffer, 0.0f, 280);
    ASSERT_EQ(probes().messageCount, 4);
    EXPECT_EQ(probes().messages[2].offset, 0);
    EXPECT_EQ(probes().messages[3].offset, 20);
    EXPECT_EQ(probes().messages[3].bytes & 0xFF, (0x90 + 300) & 0xFF);
}

// Messages a track sends to an output that has gone are dropped on the
// render thread: their blocks go back to the message pool reserved for
// playback, with no call of the heap.
TEST_F(SongTractTest, MessagesForAnOutputThatWentGoBackToThePool)
{
    void *gone = addProbe();
    tract()->DeleteOut(gone);
    ASSERT_EQ(CEvntTransElem::ReservePool(CEvntTransElem::GetPoolAvailable() + 16), 1);
    for (const char *module : {"Tindrel.dll", "Corvadel.dll"})
        ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA(module))) << module;
    const long free = CEvntTransElem::GetPoolAvailable();
    long allocations = -1, left = -1;
    std::thread render([&] {
        testing_support::RealTimeCounter counter;
        CEvntTransChain *chain = nullptr;
        for (int64_t sample : {0, 10, 20})
            CEvntTransChain::AddNewEvntTransElem(sample, &chain)->SetMMsg(0x403C90, -1);
        left = CEvntTransElem::GetPoolAvailable();
        tract()->InsertEvents(gone, chain);
        allocations = counter.allocations();
    });
    render.join();
    EXPECT_EQ(left, free - 4) << "a chain and its three messages from the pool";
    EXPECT_EQ(CEvntTransElem::GetPoolAvailable(), free);
    EXPECT_EQ(allocations, 0);
}

// The selected tracks, played off line into a new audio track: the note of
// a selected MIDI track is in its wave, the other track's is not, and the
// last frames fade out.
TEST_F(SongTractTest, SelectedTracksRenderIntoAnAudioTrack)
{
    CSong &s = *song.song;
    auto *selected = static_cast<CTrackMIDI *>(s.InsertNewTrack(TRACK_MIDI, -1, 0));
    auto *other = static_cast<CTrackMIDI *>(s.InsertNewTrack(TRACK_MIDI, -1, 0));
    ASSERT_NE(other, nullptr);
    EVENT note;
    note.setNote(0, 69, 127);
    note.value = 960;
    note.time = 0;
    selected->AddToTail(&note, 1);
    note.time = 1920;
    note.data1 = 81;
    other->AddToTail(&note, 1);
    selected->UpdateLastTime();
    other->UpdateLastTime();
    s.Update();
    s.SelectTrack(other, 0, 0);
    s.SelectTrack(selected, 1, 0);
    const long tracks = s.GetNumTracks();
    const int64_t songFrames = s.GetTrackMaster()->GetSampleFromTime(s.songEnd);
    CTrackAudio *rendered = s.RenderSelectedTracks();
    ASSERT_NE(rendered, nullptr) << "its output is Tembri Audio";
    EXPECT_EQ(s.GetNumTracks(), tracks + 1);
    EXPECT_EQ(rendered->IsMute(), 0);
    EXPECT_EQ(other->IsMute(), 0) << "the tracks' flags come back";
    ASSERT_GE(rendered->wave.length, songFrames);
    std::vector<float> frames(static_cast<size_t>(2 * rendered->wave.length));
    ASSERT_EQ(rendered->wave.Read(frames.data(), 0, static_cast<unsigned long>(rendered->wave.length)), 1);
    // The selected note: a 440 Hz sine of 0.1 from the start.
    EXPECT_NEAR(frames[2 * 10], 0.1 * std::sin(2 * 3.14159265358979 * std::floor(10 * 440.0) / 44100.0),
                1e-4);
    // Nothing where the other track's note would be.
    const int64_t otherAt = s.GetTrackMaster()->GetSampleFromTime(1920);
    for (int64_t i = otherAt; i < otherAt + 1000; ++i)
        ASSERT_EQ(frames[2 * i], 0.0f) << i;
    EXPECT_EQ(frames[frames.size() - 2], 0.0f) << "faded out";
}

// Each audio track plays on a "Tembri Audio" output of its own, which goes
// when the track is deleted.
TEST_F(SongTractTest, ADeletedAudioTrackTakesItsOutputAlong)
{
    CSong &s = *song.song;
    const long before = outputs();
    CTrack *audio = s.InsertNewTrack(TRACK_AUDIO, -1, 0);
    CTrack *kept = s.InsertNewTrack(TRACK_AUDIO, -1, 0);
    ASSERT_NE(audio, nullptr);
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(outputs(), before + 2);
    void *keptOut = kept->output;
    s.DeleteTrack(audio, 1);
    EXPECT_EQ(outputs(), before + 1);
    EXPECT_EQ(tract()->GetOutNumb(keptOut), before) << "the other track's output stays";
    EXPECT_EQ(kept->output, keptOut);
    s.DeleteTrack(kept, 1);
    EXPECT_EQ(outputs(), before);
    EXPECT_NE(tract()->GetOutPreview(), nullptr);
}

TEST_F(SongTractTest, RenderModeSilencesTheRealTimeMix)
{
    addProbe();
    probes().synthLevel = 0.5f;
    ASSERT_EQ(tract()->SetRenderMode(1), 1);
    std::vector<float> buffer;
    EXPECT_EQ(mix(buffer), 0);
    buffer.assign(2 * kFrames, 0.9f);
    tract()->RenderBuffer(buffer.data(), kFrames);
    EXPECT_EQ(buffer[0], 0.5f);
    probes().synthLevel = 0.0f;
    tract()->RenderBuffer(buffer.data(), kFrames);
    EXPECT_EQ(buffer[0], 0.0f) << "a silent rendered buffer is cleared";
    EXPECT_EQ(tract()->SetRenderMode(0), 1);
    probes().synthLevel = 0.5f;
    EXPECT_EQ(mix(buffer), 1);
}

} // namespace
