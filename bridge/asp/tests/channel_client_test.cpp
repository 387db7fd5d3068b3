#include "bridge/asp/channel_client.h"

#include "bridge/asp/shared_channels.h"
#include "bridge/asp/tests/stand_in.h"
#include "bridge/asp/tests/test_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

using namespace Halvorin;
using namespace halvorin_test;

namespace {

int request(int channel, int op, void *data = nullptr)
{
    return HalvorinRequest(channel, op, data);
}

// A render block as the plug-ins keep it between calls.
BridgeRenderBlock renderBlock(int32_t mode, int32_t frames, float *a, float *b)
{
    BridgeRenderBlock block = {};
    block.sampleRate = 44100;
    block.tempo = 100.0f;
    block.noteCode = kNoteNone;
    block.mode = mode;
    block.frames = frames;
    block.bufferA = a;
    block.bufferB = b;
    return block;
}

using ClaimTest = ChannelTest;

TEST_F(ClaimTest, ClaimsTakeTheFreeChannelsInOrderUntilNoneIsLeft)
{
    SharedChannel(2)->sampleRate = 96000;
    for (int n = 0; n < kChannels; ++n)
        EXPECT_EQ(request(-1, kOpClaim), n);
    EXPECT_EQ(SharedChannel(2)->sampleRate, 44100) << "a claim starts the channel from its defaults";
    for (int n = 0; n < kChannels; ++n)
        EXPECT_EQ(SharedChannel(n)->client, GetCurrentProcessId());

    const std::vector<uint8_t> before(reinterpret_cast<uint8_t *>(&SharedSection()),
                                      reinterpret_cast<uint8_t *>(&SharedSection() + 1));
    EXPECT_EQ(request(-1, kOpClaim), -1);
    EXPECT_TRUE(std::memcmp(before.data(), &SharedSection(), before.size()) == 0)
        << "a fifth claim changes nothing";

    EXPECT_EQ(request(1, kOpRelease), 0);
    EXPECT_EQ(SharedChannel(1)->client, 0u);
    EXPECT_EQ(request(-1, kOpClaim), 1) << "the freed channel is claimed again";
}

TEST_F(ClaimTest, OnlyTheHolderReleasesAClaim)
{
    // A claim another (running) process holds: this process has no client
    // for it.
    StandInProcess other("", true);
    ASSERT_TRUE(other.Started());
    SharedChannel(0)->client = other.Id();
    SharedChannel(0)->sampleRate = 48000;
    EXPECT_EQ(request(0, kOpRelease), 0);
    EXPECT_EQ(SharedChannel(0)->client, other.Id());
    EXPECT_EQ(SharedChannel(0)->sampleRate, 48000);
    EXPECT_EQ(request(-1, kOpClaim), 1);
    SharedChannel(0)->client = 0;
    FullReset(*SharedChannel(0));
    EXPECT_EQ(request(7, kOpRelease), 0);
}

// A host is known by its process id and its process's start time: a claim
// is free when that process is gone, also when another process has taken
// its id over since.
TEST_F(ClaimTest, AClaimWhoseHostIsGoneIsFree)
{
    StandInProcess running("", true);
    ASSERT_TRUE(running.Started());
    const Holder alive = {running.Id(), StartTime(running.Handle())};
    ASSERT_NE(alive.started, 0u);
    Holder dead;
    {
        StandInProcess gone("", true);
        ASSERT_TRUE(gone.Started());
        dead = {gone.Id(), StartTime(gone.Handle())};
    }
    const struct {
        const char *what;
        Holder holder;
        bool free;
    } cases[] = {
        {"a host that died", dead, true},
        {"a host that runs", alive, false},
        {"a process that took a dead host's id", {alive.id, dead.started}, true},
        {"a host that runs, still taking the channel", {alive.id, 0}, false},
    };
    for (int n = 0; n < kChannels; ++n) {
        SharedChannel(n)->client = cases[n].holder.id;
        SharedExtra(n).clientStarted = cases[n].holder.started;
        SharedChannel(n)->tempo = 133.0f;
    }
    std::vector<int> claimed;
    for (int channel; (channel = request(-1, kOpClaim)) >= 0;)
        claimed.push_back(channel);
    EXPECT_EQ(claimed, (std::vector<int>{0, 2}));
    for (int n = 0; n < kChannels; ++n) {
        const Holder holder = ClientOf(*SharedChannel(n));
        if (cases[n].free) {
            EXPECT_EQ(holder, ThisProcess()) << cases[n].what;
            EXPECT_EQ(SharedChannel(n)->tempo, 100.0f) << cases[n].what << ": taken from its defaults";
        } else {
            EXPECT_EQ(holder, cases[n].holder) << cases[n].what << ": kept";
            SharedChannel(n)->client = 0;
            SharedExtra(n).clientStarted = 0;
            FullReset(*SharedChannel(n));
        }
    }
}

TEST_F(ClaimTest, OperationsOnBadChannelsAnswerZero)
{
    int value = 48000;
    char name[kProgramNameSize];
    for (int channel : {-1, 4, 1000}) {
        EXPECT_EQ(request(channel, kOpSampleRate, &value), 0) << channel;
        EXPECT_EQ(request(channel, kOpBlockSize, &value), 0) << channel;
        EXPECT_EQ(request(channel, kOpProgramName, name), 0) << channel;
        EXPECT_EQ(request(channel, kOpProgram, const_cast<char *>("")), 0) << channel;
        BridgeRenderBlock block = renderBlock(kModeReplace, 4, nullptr, nullptr);
        EXPECT_EQ(request(channel, kOpRender, &block), 0) << channel;
    }
    EXPECT_EQ(request(0, kOpSampleRate, nullptr), 0) << "no value";
    EXPECT_EQ(request(0, 99, &value), 0) << "unknown operation";
}

TEST_F(ClaimTest, RateAndBlockSizeGoIntoTheChannel)
{
    int rate = 48000, frames = 333;
    EXPECT_EQ(request(3, kOpSampleRate, &rate), 1);
    EXPECT_EQ(request(3, kOpBlockSize, &frames), 1);
    EXPECT_EQ(SharedChannel(3)->sampleRate, 48000);
    EXPECT_EQ(SharedChannel(3)->blockSize, 333);
    char name[kProgramNameSize];
    EXPECT_EQ(request(3, kOpProgramName, name), 0) << "no program attached";
    EXPECT_EQ(request(3, kOpProgram, nullptr), 1) << "nothing to let go";
    EXPECT_EQ(request(3, kOpProgram, const_cast<char *>("")), 1) << "nothing to let go";
    FullReset(*SharedChannel(3));
}

// Without a program streaming: the host's buffers by mode.
TEST_F(ClaimTest, WithoutAProgramEachModeDoesItsOwnThing)
{
    const int channel = request(-1, kOpClaim);
    ASSERT_EQ(channel, 0);
    constexpr float kOld = 0.25f, kInput = 0.5f, kSentinel = 9.0f;
    struct Case {
        const char *what;
        int32_t mode;
        bool withA, withB;
        int result;
        float a, b; // what A and B hold afterwards
    };
    const Case cases[] = {
        {"add leaves both", kModeAdd, true, true, 8, kOld, kOld},
        {"replace writes silence", kModeReplace, true, true, 8, 0.0f, 0.0f},
        {"replace skips a missing right", kModeReplace, true, false, 8, 0.0f, kOld},
        {"replace skips a missing left", kModeReplace, false, true, 8, kOld, 0.0f},
        {"interleaved passes the input through", kModeInterleaved, true, true, 8, kInput, kInput},
        {"interleaved without input writes silence", kModeInterleaved, true, false, 8, 0.0f, kInput},
        {"an unknown mode does nothing", 3, true, true, 0, kOld, kOld},
    };
    for (const Case &c : cases) {
        const bool interleaved = c.mode == kModeInterleaved;
        const int floats = interleaved ? 16 : 8;
        // A sentinel behind each buffer: nothing is written past its end.
        std::vector<float> a(floats + 1, kOld), b(floats + 1, interleaved ? kInput : kOld);
        a[floats] = b[floats] = kSentinel;
        BridgeRenderBlock block =
            renderBlock(c.mode, 8, c.withA ? a.data() : nullptr, c.withB ? b.data() : nullptr);
        block.sampleRate = 32000;
        EXPECT_EQ(request(channel, kOpRender, &block), c.result) << c.what;
        EXPECT_EQ(SharedChannel(channel)->sampleRate, 32000) << c.what;
        EXPECT_EQ(SharedChannel(channel)->blockSize, 8) << c.what;
        for (int i = 0; i < floats; ++i) {
            EXPECT_EQ(a[i], c.a) << c.what << " A[" << i << "]";
            EXPECT_EQ(b[i], c.b) << c.what << " B[" << i << "]";
        }
        EXPECT_EQ(a[floats], kSentinel) << c.what << ": written past A";
        EXPECT_EQ(b[floats], kSentinel) << c.what << ": written past B";
    }
}

TEST_F(ClaimTest, ASegmentWithoutFramesTouchesNoBuffer)
{
    const int channel = request(-1, kOpClaim);
    for (int32_t mode : {kModeReplace, kModeInterleaved}) {
        float a[4] = {1, 2, 3, 4};
        BridgeRenderBlock block = renderBlock(mode, 0, a, nullptr);
        EXPECT_EQ(request(channel, kOpRender, &block), 0);
        EXPECT_EQ(a[0], 1.0f);
        block.frames = -5;
        EXPECT_EQ(request(channel, kOpRender, &block), -5);
        EXPECT_EQ(a[0], 1.0f) << "a negative count moves nothing";
    }
}

// The program's notify callback, held in its first call until released.
struct HeldCallback {
    static void Callback(ULONG_PTR user, long note, long position, float tempo, long bend, long mod)
    {
        auto *self = reinterpret_cast<HeldCallback *>(user);
        if (self->first.exchange(false)) {
            SetEvent(self->entered);
            WaitForSingleObject(self->release, 30000);
        }
        NotifyRecorder::Callback(self->notes.User(), note, position, tempo, bend, mod);
    }
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> first{true};
    NotifyRecorder notes;
};

using LateAnswerTest = ChannelTest;

// A host that died left a notification with the program, whose callback
// is still in it when the next host claims the channel. The next host does
// not wait for it, its late answer does not pass for the answer to the
// next host's own notification, and the program's reset after it does not
// wipe what the next host hands over: the next host's note reaches the
// program.
TEST_F(LateAnswerTest, AnEarlierHostsNotificationDoesNotWipeTheNextHostsNote)
{
    Program program(0, 256);
    ASSERT_TRUE(program.Opened());
    HeldCallback held;
    program.provider->SetCallback(HeldCallback::Callback, reinterpret_cast<ULONG_PTR>(&held));
    // What the dead host left: its claim, and a note handed over.
    Holder dead;
    {
        StandInProcess gone("", true);
        ASSERT_TRUE(gone.Started());
        dead = {gone.Id(), StartTime(gone.Handle())};
    }
    HalvorinChannel &channel = *SharedChannel(0);
    channel.client = dead.id;
    SharedExtra(0).clientStarted = dead.started;
    channel.pendingNote = 60 | 100 << 16;
    StoreShared(SharedExtra(0).notify, SharedExtra(0).notify + 1);
    HANDLE notify = OpenChannelEvent(kEventNotify, 0);
    SetEvent(notify);
    CloseHandle(notify);
    ASSERT_EQ(WaitForSingleObject(held.entered, 10000), WAIT_OBJECT_0)
        << "the program took the dead host's note";
    ASSERT_EQ(request(-1, kOpClaim), 0) << "the dead host's claim is free";

    // The program's callback ends once the next host has handed its note
    // over (and waits for the answer), or once the host went on without.
    constexpr int32_t kStruck = 38 | 100 << 16;
    std::vector<float> a(256), b(256);
    BridgeRenderBlock block = renderBlock(kModeReplace, 256, a.data(), b.data());
    block.noteCode = 38;
    block.velocity = 100;
    std::atomic<bool> returned{false};
    std::thread releaser([&] {
        for (const DWORD start = GetTickCount();
             !returned && channel.pendingNote != kStruck && GetTickCount() - start < 10000;)
            Sleep(1);
        SetEvent(held.release);
    });
    EXPECT_EQ(request(0, kOpRender, &block), 256);
    returned = true;
    releaser.join();
    block.velocity = 0;
    std::vector<long> told;
    for (const DWORD start = GetTickCount(); std::find(told.begin(), told.end(), 38) == told.end();) {
        ASSERT_LT(GetTickCount() - start, 10000u) << "the note never reached the program";
        ASSERT_EQ(request(0, kOpRender, &block), 256);
        for (const Notification &n : held.notes.Take())
            if (n.note != kNoteNothing)
                told.push_back(n.note & 0xFFFF);
    }
    EXPECT_EQ(told.front(), 60) << "the dead host's note first";
    EXPECT_EQ(std::count(told.begin(), told.end(), 38), 1) << "the next host's note once";
    program.Leave();
    CloseHandle(held.entered);
    CloseHandle(held.release);
}

// A host plug-in on channel 0 and a program streaming on it with engine
// buffers of 256 frames.
class StreamingTest : public ChannelTest {
protected:
    void SetUp() override
    {
        ChannelTest::SetUp();
        ASSERT_EQ(request(-1, kOpClaim), 0);
        program = std::make_unique<Program>(0, kEngineFrames);
        ASSERT_TRUE(program->Opened());
    }
    void TearDown() override
    {
        program.reset();
        ChannelTest::TearDown();
    }
    // One segment without audio; the notifications it made.
    std::vector<Notification> publish(BridgeRenderBlock &block)
    {
        block.frames = 0;
        EXPECT_EQ(request(0, kOpRender, &block), 0);
        return program->notes.Take();
    }

    static constexpr int kEngineFrames = 256;
    std::unique_ptr<Program> program;
};

TEST_F(StreamingTest, TheFirstSegmentPublishesTempoAndNote)
{
    BridgeRenderBlock block = renderBlock(kModeReplace, 0, nullptr, nullptr);
    block.position = 1920;
    const std::vector<Notification> notes = publish(block);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].note, kNoteNone);
    EXPECT_EQ(notes[0].position, 1920);
    EXPECT_EQ(notes[0].tempo, 100.0f);
    EXPECT_EQ(notes[0].bend, kUnchanged);
    EXPECT_EQ(notes[0].mod, kUnchanged);
    EXPECT_TRUE(program->driver.Requests().empty()) << "a segment of 0 frames moves no audio";
    EXPECT_EQ(SharedChannel(0)->pendingNote, kNoteNothing) << "pending values cleared after the callback";
    EXPECT_EQ(SharedChannel(0)->pendingTempo, -1.0f);
}

TEST_F(StreamingTest, AStopIsPublishedOnce)
{
    BridgeRenderBlock block = renderBlock(kModeReplace, 0, nullptr, nullptr);
    publish(block);
    block.noteCode = kNoteTransportStopped;
    block.position = 960;
    std::vector<Notification> notes = publish(block);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].note, kNoteTransportStopped);
    EXPECT_EQ(notes[0].position, 960);
    EXPECT_EQ(notes[0].tempo, -1.0f) << "the tempo did not change";
    EXPECT_EQ(block.noteCode, kNoteNone) << "the caller's block no longer says stopped";
    EXPECT_EQ(SharedChannel(0)->note, kNoteNone);
    EXPECT_TRUE(publish(block).empty()) << "131 after the stop publishes nothing new";
}

TEST_F(StreamingTest, NotesArePublishedWhenTheyChangeOrStrikeAgain)
{
    BridgeRenderBlock block = renderBlock(kModeReplace, 0, nullptr, nullptr);
    publish(block);
    struct Step {
        const char *what;
        int32_t note, velocity;
        long published; // kNoteNothing: nothing
    };
    const Step steps[] = {
        {"a note on", 38, 100, 38 | 100 << 16},
        {"held on without velocity", 38, 0, kNoteNothing},
        {"the same note struck again", 38, 90, 38 | 90 << 16},
        {"another note", 40, 70, 40 | 70 << 16},
        {"released", kNoteNone, 0, kNoteNone},
        {"still released", kNoteNone, 0, kNoteNothing},
        {"a note that changes without velocity", 42, 0, 42},
    };
    for (const Step &step : steps) {
        block.noteCode = step.note;
        block.velocity = step.velocity;
        const std::vector<Notification> notes = publish(block);
        if (step.published == kNoteNothing) {
            EXPECT_TRUE(notes.empty()) << step.what;
            continue;
        }
        ASSERT_EQ(notes.size(), 1u) << step.what;
        EXPECT_EQ(notes[0].note, step.published) << step.what;
    }
}

TEST_F(StreamingTest, BendAndModulationArePublishedWhenTheyChange)
{
    BridgeRenderBlock block = renderBlock(kModeReplace, 0, nullptr, nullptr);
    publish(block);
    block.bend = -8192;
    std::vector<Notification> notes = publish(block);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].bend, -8192);
    EXPECT_EQ(notes[0].mod, kUnchanged);
    EXPECT_EQ(notes[0].note, kNoteNothing);
    block.mod = 127;
    notes = publish(block);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].bend, kUnchanged);
    EXPECT_EQ(notes[0].mod, 127);
    EXPECT_TRUE(publish(block).empty());
}

TEST_F(StreamingTest, TheTempoGoesOutAgainEveryEleventhSegment)
{
    BridgeRenderBlock block = renderBlock(kModeReplace, 0, nullptr, nullptr);
    std::vector<int> withTempo;
    for (int segment = 1; segment <= 24; ++segment) {
        if (segment == 18)
            block.tempo = 133.5f;
        for (const Notification &n : publish(block))
            if (n.tempo != -1.0f)
                withTempo.push_back(segment);
    }
    EXPECT_EQ(withTempo, (std::vector<int>{1, 12, 18, 23}));
}

// Frames taken from the program for a host block larger than an engine
// buffer: several requests of at most one buffer each, in order.
TEST_F(StreamingTest, ALargeBlockIsPulledInRequestsOfOneEngineBuffer)
{
    struct Case {
        int32_t mode;
        const char *what;
    };
    // The numbers of channel 0's requests and answers, behind the init flag.
    const auto number = [](size_t offset) {
        uint32_t value;
        std::memcpy(&value, reinterpret_cast<const uint8_t *>(&SharedSection()) + offset, 4);
        return value;
    };
    for (const Case c : {Case{kModeReplace, "replace"}, Case{kModeAdd, "add"}}) {
        const int before = static_cast<int>(program->driver.Requests().size());
        const uint32_t numberBefore = number(66088);
        std::vector<float> a(601, 1.0f), b(601, 1.0f);
        BridgeRenderBlock block = renderBlock(c.mode, 600, a.data(), b.data());
        ASSERT_EQ(request(0, kOpRender, &block), 600);
        EXPECT_EQ(number(66088), numberBefore + 3) << c.what << ": each request numbered";
        EXPECT_EQ(number(66092), numberBefore + 3) << c.what << ": the last one answered";
        const std::vector<int> requests = program->driver.Requests();
        ASSERT_EQ(std::vector<int>(requests.begin() + before, requests.end()),
                  (std::vector<int>{256, 256, 88}))
            << c.what;
        const float base = c.mode == kModeAdd ? 1.0f : 0.0f;
        for (int f = 0; f < 600; ++f) {
            const int r = before + 1 + f / 256;
            ASSERT_EQ(a[f], base + patternLeft(r, f % 256)) << c.what << " left " << f;
            ASSERT_EQ(b[f], base - patternLeft(r, f % 256)) << c.what << " right " << f;
        }
        EXPECT_EQ(a[600], 1.0f) << c.what << ": written past the block";
    }
}

TEST_F(StreamingTest, InterleavedAudioHasTheInputAdded)
{
    std::vector<float> out(2 * 300 + 1, 7.0f), in(2 * 300);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = 0.5f * static_cast<float>(i);
    BridgeRenderBlock block = renderBlock(kModeInterleaved, 300, out.data(), in.data());
    ASSERT_EQ(request(0, kOpRender, &block), 300);
    EXPECT_EQ(program->driver.Requests(), (std::vector<int>{256, 44}));
    for (int f = 0; f < 300; ++f) {
        const float left = patternLeft(1 + f / 256, f % 256);
        ASSERT_EQ(out[2 * f], left + in[2 * f]) << f;
        ASSERT_EQ(out[2 * f + 1], -left + in[2 * f + 1]) << f;
    }
    EXPECT_EQ(out[600], 7.0f);
    block = renderBlock(kModeInterleaved, 10, out.data(), nullptr);
    ASSERT_EQ(request(0, kOpRender, &block), 10);
    EXPECT_EQ(out[0], patternLeft(3, 0)) << "without input the audio alone";
}

// The program goes away while the host waits for its audio: the host is
// let go with what it had, and the rest of its buffer is what it gets
// without a program (silence when it replaces, never the values its
// buffer held before).
TEST_F(StreamingTest, AProgramLeavingInTheMiddleOfAPullLetsTheHostGo)
{
    program.reset();
    constexpr float kOld = 3.0f, kInput = 0.5f;
    struct Case {
        const char *what;
        int32_t mode;
        float rest; // what the host's buffer holds behind the program's audio
    };
    const Case cases[] = {
        {"replace: silence", kModeReplace, 0.0f},
        {"add: left as it was", kModeAdd, kOld},
        {"interleaved: the input passed through", kModeInterleaved, kInput},
    };
    for (const Case &c : cases) {
        // An engine that answers its first request only.
        auto stalling = std::make_unique<Program>(0, kEngineFrames, "Rallimoth Omvel", 1);
        ASSERT_TRUE(stalling->Opened()) << c.what;
        const bool interleaved = c.mode == kModeInterleaved;
        const int samples = interleaved ? 2 : 1;
        std::vector<float> a(samples * 600, kOld), b(samples * 600, interleaved ? kInput : kOld);
        BridgeRenderBlock block = renderBlock(c.mode, 600, a.data(), b.data());
        int result = -1;
        std::thread host([&] { result = request(0, kOpRender, &block); });
        while (stalling->driver.Requests().size() < 2)
            Sleep(1);
        stalling.reset();
        host.join();
        EXPECT_EQ(result, 600) << c.what;
        EXPECT_EQ(SharedChannel(0)->streaming, 0) << c.what;
        for (int f = 0; f < 256; ++f) {
            const float left = patternLeft(1, f) + (c.mode == kModeAdd ? kOld : interleaved ? kInput : 0.0f);
            ASSERT_EQ(a[samples * f], left) << c.what << ": the program's audio " << f;
        }
        for (int i = samples * 256; i < samples * 600; ++i) {
            ASSERT_EQ(a[i], c.rest) << c.what << ": " << i;
            if (!interleaved) {
                ASSERT_EQ(b[i], c.rest) << c.what << ": " << i;
            }
        }
    }
}

// A program that is late with one buffer costs the host one bounded wait:
// that segment is silence, the host asks nothing more of it until it has
// answered, and then hears it again (the late audio dropped).
TEST_F(StreamingTest, ALateProgramCostsTheHostOneBoundedWait)
{
    program.reset();
    HANDLE late = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    program = std::make_unique<Program>(0, kEngineFrames, "Rallimoth Omvel", -1,
                                        [late](float *buffer, int frames, int number) {
                                            if (number == 3)
                                                WaitForSingleObject(late, 10000);
                                            for (int f = 0; f < frames; ++f)
                                                buffer[2 * f] = buffer[2 * f + 1] = patternLeft(number, f);
                                        });
    ASSERT_TRUE(program->Opened());
    std::vector<float> a(256), b(256);
    BridgeRenderBlock block = renderBlock(kModeReplace, 256, a.data(), b.data());
    const auto render = [&] {
        a.assign(256, 3.0f);
        b.assign(256, 3.0f);
        block.bufferA = a.data();
        block.bufferB = b.data();
        return request(0, kOpRender, &block);
    };
    for (int number : {1, 2}) {
        ASSERT_EQ(render(), 256);
        EXPECT_EQ(a[255], patternLeft(number, 255));
    }
    // The third buffer keeps the program busy: silence, after one wait.
    {
        ShippedWaitBound bound;
        ASSERT_EQ(render(), 256);
    }
    EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](float s) { return s == 0.0f; }));
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](float s) { return s == 0.0f; }));
    EXPECT_EQ(program->driver.Requests().size(), 3u);
    for (int block = 0; block < 3; ++block) {
        ASSERT_EQ(render(), 256);
        EXPECT_EQ(a[0], 0.0f) << "silence while the program owes its answer";
    }
    EXPECT_EQ(program->driver.Requests().size(), 3u) << "nothing more asked of a program that owes an answer";
    EXPECT_TRUE(SharedChannel(0)->programAttached) << "a program that runs keeps its channel";

    // Its answer comes: the host hears it again from its next buffer.
    SetEvent(late);
    for (const DWORD start = GetTickCount(); a[255] == 0.0f;) {
        ASSERT_LT(GetTickCount() - start, 5000u) << "the program was never heard again";
        ASSERT_EQ(render(), 256);
    }
    EXPECT_EQ(a[255], patternLeft(static_cast<int>(program->driver.Requests().size()), 255))
        << "the late buffer was dropped";
    EXPECT_EQ(a[255], patternLeft(4, 255));
    program.reset();
    CloseHandle(late);
}

} // namespace
