#include "bridge/asp/halvorin_provider.h"

#include "bridge/asp/channel_client.h"
#include "bridge/asp/tests/stand_in.h"
#include "bridge/asp/tests/test_environment.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Halvorin;
using namespace halvorin_test;

namespace {

using ProviderTest = ChannelTest;

// Pulls frames into a replacing block of the host on the channel.
std::vector<float> pull(int channel, int frames)
{
    std::vector<float> a(frames), b(frames);
    BridgeRenderBlock block = {};
    block.tempo = 100.0f;
    block.noteCode = kNoteNone;
    block.mode = kModeReplace;
    block.frames = frames;
    block.bufferA = a.data();
    block.bufferB = b.data();
    EXPECT_EQ(HalvorinRequest(channel, kOpRender, &block), frames);
    return a;
}

TEST_F(ProviderTest, OpenRefusesWhatTheChannelCannotCarry)
{
    Program holder(1, 256);
    ASSERT_TRUE(holder.Opened());
    struct Case {
        const char *what;
        int channel;
        int frames;
        int32_t format;
        bool withBuffers;
    };
    const Case cases[] = {
        {"channel below 0", -1, 256, Quorvane::kAspFloat, true},
        {"channel above 3", 4, 256, Quorvane::kAspFloat, true},
        {"channel held by another program", 1, 256, Quorvane::kAspFloat, true},
        {"no frames", 2, 0, Quorvane::kAspFloat, true},
        {"more frames than the channel's audio holds", 2, 2049, Quorvane::kAspFloat, true},
        {"16-bit samples", 2, 256, 16, true},
        {"32-bit integer samples", 2, 256, 32, true},
        {"no buffers", 2, 256, Quorvane::kAspFloat, false},
    };
    for (const Case &c : cases) {
        EngineDriver driver(c.channel, c.frames > 0 ? c.frames : 1);
        driver.block.framesPerBuffer = c.frames;
        driver.block.sampleFormat = c.format;
        if (!c.withBuffers)
            driver.block.sampleBuffers = nullptr;
        auto *provider = new CHalvorinProvider;
        EXPECT_EQ(provider->Open(&driver.block, "second"), 0) << c.what;
        EXPECT_EQ(driver.block.framesWanted, nullptr) << c.what;
        provider->Release();
    }
    EXPECT_EQ(SharedChannel(1)->programAttached, static_cast<int32_t>(GetCurrentProcessId()))
        << "the holder keeps its channel";
    EXPECT_STREQ(SharedChannel(1)->programName, "Rallimoth Omvel");
    EXPECT_EQ(SharedChannel(2)->programAttached, 0);
}

// A program is known by its process id and its process's start time.
TEST_F(ProviderTest, OpenTakesTheChannelOfAProgramThatDiedWithoutLettingGo)
{
    StandInProcess running("", true);
    ASSERT_TRUE(running.Started());
    const Holder alive = {running.Id(), StartTime(running.Handle())};
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
        {"a program that died", dead, true},
        {"a program that runs", alive, false},
        {"a process that took a dead program's id", {alive.id, dead.started}, true},
    };
    for (const auto &c : cases) {
        // Left behind as a program's process left it when it was killed
        // while streaming.
        HalvorinChannel &channel = *SharedChannel(1);
        channel.programAttached = static_cast<int32_t>(c.holder.id);
        SharedExtra(1).programStarted = c.holder.started;
        channel.streaming = 1;
        channel.framesInBuffer = 100;
        channel.pendingNote = 38;
        {
            Program again(1, 256);
            EXPECT_EQ(again.Opened(), c.free) << c.what;
            if (c.free) {
                EXPECT_EQ(ProgramOf(channel), ThisProcess()) << c.what;
                EXPECT_EQ(channel.pendingNote, kNoteNothing)
                    << c.what << ": nothing of the dead program's is left";
                EXPECT_EQ(channel.framesInBuffer, 0) << c.what;
            } else {
                EXPECT_EQ(ProgramOf(channel), c.holder) << c.what << ": it keeps its channel";
            }
        }
        channel.programAttached = 0;
        SharedExtra(1).programStarted = 0;
        channel.streaming = 0;
        LightReset(channel);
    }
}

// A host's request (or notification) can be pending on the channel when a
// program opens: one that raced the last program's Release, or one the
// dead program left. The new program does not take it for one of its own:
// the engine is asked nothing, and the host's next request gets the
// program's first buffer.
TEST_F(ProviderTest, ARequestPendingWhenTheProgramOpensIsNotServed)
{
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    HANDLE events[] = {OpenChannelEvent(kEventRequest, 0), OpenChannelEvent(kEventNotify, 0)};
    // On one processor a thread that Open starts runs as soon as Open waits
    // for anything: it meets whatever Open has not yet made ready.
    DWORD_PTR mask = 0, system = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &mask, &system);
    SetProcessAffinityMask(GetCurrentProcess(), mask & (~mask + 1));
    for (int restart = 0; restart < 50; ++restart) {
        SCOPED_TRACE(restart);
        SharedChannel(0)->framesWanted = 0x7FFFFFFF;
        StoreShared(SharedExtra(0).request, SharedExtra(0).request + 1);
        for (HANDLE event : events)
            SetEvent(event);
        Program program(0, 256);
        ASSERT_TRUE(program.Opened());
        const std::vector<float> audio = pull(0, 2 * 256);
        EXPECT_EQ(program.driver.Requests(), (std::vector<int>{256, 256})) << "the host's requests only";
        for (int f = 0; f < 2 * 256; ++f)
            ASSERT_EQ(audio[f], patternLeft(1 + f / 256, f % 256)) << f;
        EXPECT_TRUE(program.notes.Take().size() <= 1u) << "the first segment's notification only";
    }
    SetProcessAffinityMask(GetCurrentProcess(), mask);
    for (HANDLE event : events)
        CloseHandle(event);
}

TEST_F(ProviderTest, OpenTakesTheChannelAndReleaseGivesItBack)
{
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    const std::string longName(80, 'x');
    {
        Program program(2, 2048, longName.c_str());
        ASSERT_TRUE(program.Opened());
        const HalvorinChannel &channel = *SharedChannel(2);
        EXPECT_EQ(channel.programAttached, static_cast<int32_t>(GetCurrentProcessId()))
            << "the program's process id";
        EXPECT_EQ(channel.streaming, 1);
        EXPECT_EQ(channel.maxFramesPerRequest, 2048);
        EXPECT_EQ(std::string(channel.programName), longName.substr(0, 63)) << "cut to its field";
        char name[kProgramNameSize];
        EXPECT_EQ(HalvorinRequest(2, kOpProgramName, name), 1);
        EXPECT_EQ(std::string(name), longName.substr(0, 63));
        ASSERT_NE(program.driver.block.framesWanted, nullptr);
    }
    const HalvorinChannel &channel = *SharedChannel(2);
    EXPECT_EQ(channel.programAttached, 0);
    EXPECT_EQ(channel.streaming, 0);
    char name[kProgramNameSize];
    EXPECT_EQ(HalvorinRequest(2, kOpProgramName, name), 0);
    EXPECT_EQ(SharedChannel(0)->client, GetCurrentProcessId()) << "the host keeps its claim";
}

TEST_F(ProviderTest, RequestsGoThroughTheEngineBuffersInTurn)
{
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    Program program(0, 64);
    for (int i = 0; i < 6; ++i)
        pull(0, 64);
    EXPECT_EQ(program.driver.Order(), (std::vector<int>{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(program.driver.Requests(), (std::vector<int>(6, 64)));
}

TEST_F(ProviderTest, ANullCallbackStopsTheNotifications)
{
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    Program program(0, 64);
    program.provider->SetCallback(nullptr, 0);
    BridgeRenderBlock block = {};
    block.noteCode = 38;
    block.velocity = 100;
    block.mode = kModeReplace;
    EXPECT_EQ(HalvorinRequest(0, kOpRender, &block), 0) << "the handshake still ends";
    EXPECT_TRUE(program.notes.Take().empty());
}

// A program leaves while no host waits, and another starts on the same
// channel: the host gets exactly one engine buffer for each request.
TEST_F(ProviderTest, AnEarlierProgramsLastAnswerIsNotTakenForANewOne)
{
    ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
    {
        Program first(0, 256);
        pull(0, 256);
    }
    HANDLE ready = OpenChannelEvent(kEventReady, 0);
    EXPECT_EQ(WaitForSingleObject(ready, 0), WAIT_OBJECT_0) << "the first program's Release answered";
    Program second(0, 256);
    EXPECT_EQ(WaitForSingleObject(ready, 0), WAIT_TIMEOUT) << "no answer is pending for the new program";
    CloseHandle(ready);
    const std::vector<float> audio = pull(0, 3 * 256);
    Sleep(50);
    EXPECT_EQ(second.driver.Requests(), (std::vector<int>{256, 256, 256}));
    for (int f = 0; f < 3 * 256; ++f)
        ASSERT_EQ(audio[f], patternLeft(1 + f / 256, f % 256)) << f;
}

// Whichever process makes a channel's events first decides their kind: a
// peer of an earlier build may have made them manual-reset or auto-reset.
// Either way each request and each notification wakes the program's thread
// and the host once: no event is left set behind a finished segment for a
// waiter to wake on again and again.
TEST_F(ProviderTest, EventsOfEitherKindWakeEachSideOncePerHandOff)
{
    const char *const names[] = {"ASPHVNREQUEST0", "ASPHVNREADY0", "ASPHVNNOTIFY0", "ASPHVNNTFRDY0"};
    for (const BOOL manualReset : {TRUE, FALSE}) {
        SCOPED_TRACE(manualReset ? "made manual-reset" : "made auto-reset");
        HANDLE made[4] = {};
        for (int e = 0; e < 4; ++e) {
            made[e] = CreateEventA(nullptr, manualReset, FALSE, names[e]);
            ASSERT_NE(made[e], nullptr);
            ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << names[e];
        }
        ASSERT_EQ(HalvorinRequest(-1, kOpClaim, nullptr), 0);
        {
            Program program(0, 256);
            ASSERT_TRUE(program.Opened());
            const uint32_t requests = LoadShared(SharedExtra(0).request);
            const uint32_t notifications = LoadShared(SharedExtra(0).notify);
            long hostWaits = 0;
            {
                testing_support::RealTimeCounter counter;
                for (int segment = 0; segment < 30; ++segment) {
                    pull(0, 256);
                    EXPECT_EQ(WaitForSingleObject(made[0], 0), static_cast<DWORD>(WAIT_TIMEOUT))
                        << "the request was taken once, segment " << segment;
                    EXPECT_EQ(WaitForSingleObject(made[2], 0), static_cast<DWORD>(WAIT_TIMEOUT))
                        << "the notification was taken once, segment " << segment;
                }
                hostWaits = counter.blockingWaits();
            }
            const long handOffs = static_cast<long>(LoadShared(SharedExtra(0).request) - requests) +
                                  static_cast<long>(LoadShared(SharedExtra(0).notify) - notifications);
            EXPECT_EQ(program.driver.Requests().size(), 30u);
            EXPECT_GE(handOffs, 30);
            // An answer given before the host waited for it leaves its event
            // set for one wake of the next hand-off, which then wakes twice.
            EXPECT_LE(hostWaits, handOffs + 2);
        }
        EXPECT_EQ(HalvorinRequest(0, kOpRelease, nullptr), 0);
        for (HANDLE event : made)
            CloseHandle(event);
    }
}

TEST_F(ProviderTest, BufferDoneRefusesAnIndexItNeverGaveOut)
{
    Program program(0, 64);
    EXPECT_EQ(program.provider->BufferDone(4), 0);
    EXPECT_EQ(program.provider->BufferDone(-1), 0);
    auto *closed = new CHalvorinProvider;
    EXPECT_EQ(closed->BufferDone(0), 0) << "not open";
    EXPECT_EQ(closed->Start(), 0) << "not open";
    closed->Release();
}

} // namespace
