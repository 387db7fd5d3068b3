// "Tembri MIDI" against the tests' stand-in MIDI output module, loaded
// under the name the output looks for; its ports keep what they take, with
// the time it came.
#include "outside/midiout/midi_out_synth.h"

#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using ShortReceivedProc = long (*)(long index, unsigned long *messages, double *times, long size);
using HoldsProc = long (*)(long index);
using MillisecondsProc = double (*)();
using StallProc = void (*)(long index, int stall);
using HeldSendersProc = long (*)(long index);

std::string testsFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

struct MidiModule {
    MidiModule() : module(LoadLibraryA((testsFolder() + "midi_fixture\\Velmarin.dll").c_str())) {}
    ~MidiModule() { FreeLibrary(module); }
    template <typename Proc> Proc entry(const char *name)
    {
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
    long holds(long port) { return entry<HoldsProc>("FixtureHolds")(port); }
    struct Received {
        std::vector<unsigned long> messages;
        std::vector<double> times;
    };
    Received received(long port)
    {
        Received r;
        r.messages.resize(256);
        r.times.resize(256);
        const long count =
            entry<ShortReceivedProc>("FixtureShortReceived")(port, r.messages.data(), r.times.data(), 256);
        r.messages.resize(static_cast<size_t>(count < 0 ? 0 : count));
        r.times.resize(r.messages.size());
        return r;
    }
    // Waits (bounded) until the port has taken count messages.
    Received waitFor(long port, size_t count)
    {
        for (int i = 0; i < 300 && received(port).messages.size() < count; ++i)
            Sleep(10);
        return received(port);
    }
    // Waits (bounded) until the port's holds are count.
    long waitForHolds(long port, long count)
    {
        for (int i = 0; i < 500 && holds(port) != count; ++i)
            Sleep(10);
        return holds(port);
    }
    HMODULE module;
};

struct Output {
    explicit Output(float rate = 44100.0f, int block = 4410)
    {
        synth->SetSampleRate(rate);
        synth->SetBlockSize(block);
    }
    ~Output() { synth->Destroy(); }
    void midi(uint8_t status, uint8_t data1, uint8_t data2, int offset)
    {
        const uint8_t message[4] = {status, data1, data2, 0};
        synth->MidiIn(message, offset);
    }
    bool render(std::vector<float> &buffer, int frames)
    {
        float *target[1] = {buffer.data()};
        return synth->RenderReplacing(target, frames);
    }
    CMidiOutSynth *synth = new CMidiOutSynth;
};

TEST(TembriMidi, HoldsThePortItIsSetTo)
{
    MidiModule module;
    ASSERT_NE(module.module, nullptr);
    {
        Output out;
        ASSERT_TRUE(out.synth->HasModule());
        EXPECT_EQ(out.synth->GetParam(0), -1.0f);
        EXPECT_STREQ(out.synth->GetName(), "Tembri MIDI");
        out.synth->SetParam(0, 1.0f);
        EXPECT_EQ(out.synth->GetParam(0), 1.0f);
        EXPECT_STREQ(out.synth->GetName(), "Fixture Port B") << "the name the engine keeps";
        EXPECT_EQ(module.holds(1), 1);
        out.synth->SetParam(0, 2.0f);
        EXPECT_EQ(module.holds(1), 0);
        EXPECT_EQ(module.holds(2), 1);
        // A port the module does not have: none held, which the engine sees.
        out.synth->SetParam(0, 9.0f);
        EXPECT_EQ(out.synth->GetParam(0), -1.0f);
        EXPECT_EQ(module.holds(2), 0);
        out.synth->SetParam(0, 0.0f);
        EXPECT_EQ(module.holds(0), 1);
    }
    EXPECT_EQ(module.holds(0), 0) << "let go with the output";
}

struct Timing {
    float rate;
    int block;
};

class TimingTest : public ::testing::TestWithParam<Timing> {};

// Each block's messages go to the port in order, each at its frame's time
// within the blocks that follow one another: never early (the second
// block's message would be, were that block timed from its render call);
// the song's own codes stay behind, and no audio comes out. How late the
// sender wakes is the machine's: printed, not judged.
TEST_P(TimingTest, SendsEachMessageAtItsFramesTime)
{
    const Timing timing = GetParam();
    MidiModule module;
    Output out(timing.rate, timing.block);
    out.synth->SetParam(0, 3.0f);
    ASSERT_EQ(out.synth->GetParam(0), 3.0f);
    const int half = timing.block / 2;
    std::vector<float> buffer(2 * static_cast<size_t>(timing.block), 0.25f);
    // The first block starts sounding when it is rendered, no earlier.
    const double rendered = module.entry<MillisecondsProc>("FixtureMilliseconds")();
    out.midi(0x90, 60, 100, 0);
    out.midi(0xF9, 0, 120, 0);
    out.midi(0xFD, 1, 0, 10);
    out.midi(0x80, 60, 0, half);
    EXPECT_FALSE(out.render(buffer, timing.block));
    out.midi(0xB0, 7, 90, half / 2);
    EXPECT_FALSE(out.render(buffer, timing.block));
    EXPECT_EQ(buffer[0], 0.25f) << "no audio";
    EXPECT_EQ(buffer.back(), 0.25f);
    const MidiModule::Received got = module.waitFor(3, 3);
    ASSERT_EQ(got.messages.size(), 3u);
    EXPECT_EQ(got.messages[0], 0x00643C90u);
    EXPECT_EQ(got.messages[1], 0x00003C80u);
    EXPECT_EQ(got.messages[2], 0x005A07B0u);
    const auto ms = [&](int frames) { return 1000.0 * frames / timing.rate; };
    const double due[3] = {0.0, ms(half), ms(timing.block + half / 2)};
    double late[3];
    std::printf("[ lateness ] %.0f Hz, %d frames (a block is %.1f ms):", timing.rate, timing.block,
                ms(timing.block));
    for (size_t i = 0; i < 3; ++i) {
        late[i] = got.times[i] - (rendered + due[i]);
        std::printf(" %.3f", late[i]);
    }
    std::printf(" ms\n");
    for (size_t i = 0; i < 3; ++i) // a microsecond for the rounding of the times
        EXPECT_GE(late[i], -0.001) << "message " << i << " early";
    EXPECT_EQ(module.received(0).messages.size(), 0u) << "only its own port";
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, TimingTest,
                         ::testing::Values(Timing{44100.0f, 4410}, Timing{48000.0f, 2400},
                                           Timing{48000.0f, 9600}));

// The render thread only queues: no allocation, no file, whatever comes.
TEST(TembriMidi, RendersWithoutAllocatingOrOpeningFiles)
{
    ASSERT_TRUE(testing_support::installRealTimeHooks());
    MidiModule module;
    Output out(44100.0f, 64);
    out.synth->SetParam(0, 2.0f);
    std::vector<float> buffer(2 * 64);
    {
        testing_support::RealTimeCounter counter;
        for (int block = 0; block < 100; ++block) {
            out.midi(0x90, 60, 100, 0);
            out.midi(0x80, 60, 0, 32);
            out.render(buffer, 64);
        }
        EXPECT_EQ(counter.allocations(), 0);
        EXPECT_EQ(counter.fileOpens(), 0);
    }
    EXPECT_EQ(module.waitFor(2, 200).messages.size(), 200u) << "every one sent";
}

// An output whose sender is held up in the port's driver goes without
// waiting for it past a bound, and leaves it what it uses: the port stays
// held while the sender is in it, and the sender lets go of it once through.
TEST(TembriMidi, AnOutputLeavesAHeldUpSenderWhatItUses)
{
    MidiModule module;
    const auto stall = module.entry<StallProc>("FixtureStallPort");
    const auto heldUp = module.entry<HeldSendersProc>("FixtureHeldSenders");
    const size_t before = module.received(1).messages.size();
    stall(1, 1);
    auto *synth = new CMidiOutSynth;
    synth->SetSampleRate(44100.0f);
    synth->SetBlockSize(64);
    synth->SetParam(0, 1.0f);
    ASSERT_EQ(module.holds(1), 1);
    const uint8_t on[4] = {0x90, 60, 100, 0};
    synth->MidiIn(on, 0);
    std::vector<float> buffer(2 * 64);
    float *target[1] = {buffer.data()};
    synth->RenderReplacing(target, 64);
    for (int i = 0; i < 300 && heldUp(1) == 0; ++i)
        Sleep(10);
    ASSERT_EQ(heldUp(1), 1) << "the sender is in the port";
    synth->Destroy();
    EXPECT_EQ(module.holds(1), 1) << "not let go of under its sender";
    stall(1, 0);
    EXPECT_EQ(module.waitForHolds(1, 0), 0) << "let go of by the sender once through";
    EXPECT_EQ(module.received(1).messages.size(), before + 1);
}

} // namespace
