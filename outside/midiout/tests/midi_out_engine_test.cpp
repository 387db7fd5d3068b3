// "Tembri MIDI" as the sound engine loads it for an output of kind 7, with
// the tests' stand-in MIDI output module loaded under the name the engine
// looks for: its ports keep what they take.
#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "sound/ssynth_elem.h"
#include "sound/tests/engine_fixture.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Quorvane;

namespace {

using HoldsProc = long (*)(long index);
using ShortReceivedProc = long (*)(long index, unsigned long *messages, double *times, long size);
using SysExReceivedProc = long (*)(long index, unsigned char *bytes, long size);
using StallProc = void (*)(long index, int stall);
using HeldSendersProc = long (*)(long index);

Quorvane::IOPARAMS probeParams()
{
    IOPARAMS params = sound_test::testParams();
    params.asp = sound_test::providerIndex("Probe");
    return params;
}

struct MidiOutputTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_EQ(GetModuleHandleA("Velmarin.dll"), nullptr) << "the real module is loaded already";
        midiModule = LoadLibraryA((sound_test::testsFolder() + "midi_fixture\\Velmarin.dll").c_str());
        ASSERT_NE(midiModule, nullptr);
        sound_test::registerModule(kSoftSynthKey, "Tembri MIDI",
                                   sound_test::testsFolder() + "..\\dist\\TembriMIDI.dll");
        sound_test::resetProbes();
        song = std::make_unique<sound_test::SongWithTract>(probeParams());
        ASSERT_EQ(song->manager->EngineStart(), 1);
    }
    void TearDown() override
    {
        song.reset();
        sound_test::unregisterModule(kSoftSynthKey, "Tembri MIDI");
        if (midiModule)
            FreeLibrary(midiModule);
    }
    template <typename Proc> Proc entry(const char *name)
    {
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(midiModule, name)));
    }
    CSongTract *tract() { return song->tract(); }
    void *midiOut(const char *port)
    {
        PORTDESCR d(OUT_MIDI);
        d.SetData(port);
        return tract()->AddNewOut(&d);
    }
    std::vector<unsigned long> shortMessages(long port)
    {
        std::vector<unsigned long> messages(64);
        for (int i = 0; i < 300; ++i) {
            const long count =
                entry<ShortReceivedProc>("FixtureShortReceived")(port, messages.data(), nullptr, 64);
            if (count > 0) {
                messages.resize(static_cast<size_t>(count));
                return messages;
            }
            Sleep(10);
        }
        return {};
    }

    HMODULE midiModule = nullptr;
    std::unique_ptr<sound_test::SongWithTract> song;
};

// An output for a port the module knows holds that port while it lives,
// keeps its name as its data and plays on no bus; an unknown port gives no
// output.
TEST_F(MidiOutputTest, AnOutputHoldsThePortItIsNamedFor)
{
    const auto holds = entry<HoldsProc>("FixtureHolds");
    EXPECT_EQ(midiOut("No Such Port"), nullptr);
    void *out = midiOut("Fixture Port B");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(tract()->GetOutType(out), OUT_MIDI);
    EXPECT_EQ(tract()->GetOutBus(out), -1);
    EXPECT_EQ(holds(1), 1);
    PORTDESCR descriptor;
    ASSERT_EQ(tract()->GetOutDescr(out, &descriptor, 0), 1);
    EXPECT_STREQ(static_cast<const char *>(descriptor.data), "Fixture Port B");
    tract()->DeleteOut(out);
    EXPECT_EQ(holds(1), 0);
}

// The song's messages reach the port; SysEx reaches the same port while the
// output holds it; no audio is mixed.
TEST_F(MidiOutputTest, MessagesAndSysExReachThePort)
{
    void *out = midiOut("Fixture Port B");
    ASSERT_NE(out, nullptr);
    CEvntTransChain *chain = nullptr;
    CEvntTransChain::AddNewEvntTransElem(10, &chain)->SetMMsg(0x00643C90, -1);
    CEvntTransChain::AddNewEvntTransElem(200, &chain)->SetMMsg(0x00003C80, -1);
    tract()->InsertEvents(out, chain);
    std::vector<float> buffer(2 * 256, 0.0f);
    EXPECT_EQ(tract()->FillAccum(buffer.data(), 256, 0, song->manager->GetSamplePosition(), 0), 0);
    for (float sample : buffer)
        ASSERT_EQ(sample, 0.0f);
    std::vector<unsigned long> sent = shortMessages(1);
    for (int i = 0; i < 100 && sent.size() < 2; ++i) {
        Sleep(10);
        sent = shortMessages(1);
    }
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], 0x00643C90u);
    EXPECT_EQ(sent[1], 0x00003C80u);

    const unsigned char identity[] = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    ISysExPort *port = tract()->GetSysExPort(out);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->SendSysEx(0, identity, sizeof identity), 1);
    unsigned char arrived[16] = {};
    ASSERT_EQ(entry<SysExReceivedProc>("FixtureSysExReceived")(1, arrived, sizeof arrived),
              static_cast<long>(sizeof identity));
    EXPECT_EQ(std::memcmp(arrived, identity, sizeof identity), 0);
}

// The module as the engine loads it: taking and stamping each block's
// messages neither allocates nor opens files.
TEST_F(MidiOutputTest, TheLoadedModuleRendersWithoutAllocatingOrOpeningFiles)
{
    void *out = midiOut("Fixture Port A");
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA("TembriMIDI.dll")));
    IQuorvaneSoftSynth *synth = tract()->GetISoftSynth(out);
    std::vector<float> buffer(2 * 256);
    float *target[1] = {buffer.data()};
    testing_support::RealTimeCounter counter;
    for (int block = 0; block < 50; ++block) {
        const uint8_t on[4] = {0x99, 36, 100, 0}, off[4] = {0x89, 36, 0, 0};
        synth->MidiIn(on, 0);
        synth->MidiIn(off, 128);
        EXPECT_FALSE(synth->RenderReplacing(target, 256));
    }
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.fileOpens(), 0);
    EXPECT_EQ(shortMessages(0).size() > 0, true);
}

// An output whose sender is held up in the port's driver is deleted
// without waiting for it past a bound; its module stays loaded under the
// sender and the port held until the sender gets through, then both go.
TEST_F(MidiOutputTest, ADeletedOutputKeepsItsModuleUnderAHeldUpSender)
{
    const auto stall = entry<StallProc>("FixtureStallPort");
    const auto heldUp = entry<HeldSendersProc>("FixtureHeldSenders");
    const auto holds = entry<HoldsProc>("FixtureHolds");
    void *out = midiOut("Fixture Port B");
    ASSERT_NE(out, nullptr);
    stall(1, 1);
    IQuorvaneSoftSynth *synth = tract()->GetISoftSynth(out);
    const uint8_t on[4] = {0x90, 60, 100, 0};
    synth->MidiIn(on, 0);
    std::vector<float> buffer(2 * 256);
    float *target[1] = {buffer.data()};
    synth->RenderReplacing(target, 256);
    for (int i = 0; i < 300 && heldUp(1) == 0; ++i)
        Sleep(10);
    ASSERT_EQ(heldUp(1), 1) << "the sender is in the port";
    tract()->DeleteOut(out);
    EXPECT_NE(GetModuleHandleA("TembriMIDI.dll"), nullptr) << "the sender's code stays loaded";
    EXPECT_EQ(holds(1), 1);
    stall(1, 0);
    for (int i = 0; i < 500 && GetModuleHandleA("TembriMIDI.dll"); ++i)
        Sleep(10);
    EXPECT_EQ(GetModuleHandleA("TembriMIDI.dll"), nullptr) << "freed once the sender is through";
    EXPECT_EQ(holds(1), 0);
}

} // namespace
