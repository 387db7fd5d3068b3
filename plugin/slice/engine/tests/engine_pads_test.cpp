// Quick pads: switches by trigger notes on the host's thread (no file read,
// no allocation, no wait on the window thread's reading), pads never stored,
// counted switches, and news to the views.
#include "plugin/slice/engine/tests/engine_fixture.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_test;

constexpr int kKickMarkOffset = -20;

// Pad p holds its own combination: the kick's velocity offset tells which
// (kKickMarkOffset + p) and the snare a pattern of its own.
void storeTenPads(Vostrapellin &engine)
{
    for (int pad = 0; pad < Vostrapellin::kPadCount; ++pad) {
        engine.selectPad(pad, false);
        engine.slice(kKick).setParam(Looper::VelocityOffset, kKickMarkOffset + pad);
        engine.slice(kSnare).nextPattern(pad % 3 + 1, false, false);
    }
    engine.selectPad(0, false);
}

int padMark(const Vostrapellin &engine)
{
    return engine.slice(kKick).content()->velocityOffset - kKickMarkOffset;
}

struct PadTest : ::testing::Test {
    EngineSandbox sandbox;
    TestEngine engine;
    void SetUp() override
    {
        engine.attach();
        // The host's resolution: a measure is 1920 ticks.
        engine.setResolution(480);
    }
};

TEST_F(PadTest, SwitchesByTriggerNotesOnTheHostsThreadNeitherAllocateNorOpenFiles)
{
    storeTenPads(engine);
    engine.setTriggerEnabled(true);
    engine.setHumanizeVelo(10, false);
    engine.setSwingPc(40, false);
    engine.recordLabels = false;
    engine.played.clear();
    long allocations = -1;
    long fileOpens = -1;
    long fileAccesses = -1;
    std::vector<int> marks;
    marks.reserve(64);
    std::thread host([&] {
        testing_support::RealTimeCounter counter;
        for (int bar = 0; bar < 40; ++bar) {
            const int32_t start = bar * 1920;
            engine.processRange(start, start + 959);
            engine.selectByTrigger(engine.triggerLow() + (bar * 7) % 10, false);
            marks.push_back(padMark(engine));
            engine.processRange(start + 960, start + 1919);
        }
        allocations = counter.allocations();
        fileOpens = counter.fileOpens();
        fileAccesses = counter.fileAccesses();
    });
    host.join();
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(fileOpens, 0);
    EXPECT_EQ(fileAccesses, 0);
    for (int bar = 0; bar < 40; ++bar)
        EXPECT_EQ(marks[static_cast<size_t>(bar)], (bar * 7) % 10) << bar;
    EXPECT_GT(engine.played.size(), 40u * 8);
    // Every pad still holds its own combination.
    for (int pad : {3, 9, 0, 5}) {
        engine.selectPad(pad, false);
        EXPECT_EQ(padMark(engine), pad);
    }
}

TEST_F(PadTest, APadNeverStoredLoadsNothingAndTheLeftPadKeepsWhatPlayed)
{
    const std::vector<std::string> files = filesOf(engine);
    engine.slice(kKick).setParam(Looper::VelocityOffset, 11);
    EXPECT_FALSE(engine.padStored(6));
    engine.selectPad(6, false);
    EXPECT_EQ(engine.currentPad(), 6);
    EXPECT_EQ(filesOf(engine), files);
    EXPECT_EQ(engine.slice(kKick).content()->velocityOffset, 11);
    EXPECT_TRUE(engine.padStored(0));
    // What changes now is pad 6's alone.
    engine.slice(kKick).setParam(Looper::VelocityOffset, 99);
    engine.slice(kSnare).nextPattern(1, false, false);
    engine.selectPad(0, false);
    EXPECT_EQ(engine.slice(kKick).content()->velocityOffset, 11);
    EXPECT_EQ(filesOf(engine), files);
    engine.selectPad(6, false);
    EXPECT_EQ(engine.slice(kKick).content()->velocityOffset, 99);
}

TEST_F(PadTest, SelectingTheCurrentPadDoesNothingEvenWithACount)
{
    engine.selectPad(0, true, 3);
    EXPECT_EQ(engine.returnPad(), -1);
    EXPECT_FALSE(engine.padStored(1));
}

TEST_F(PadTest, ACountedSwitchReturnsAtTheNextCycleStart)
{
    storeTenPads(engine);
    engine.played.clear();
    // Now is 0: every loop is one measure, so the return comes at 1920.
    engine.selectPad(2, true, 1);
    EXPECT_EQ(engine.returnPad(), 0);
    EXPECT_EQ(engine.switchTime(), 1920);
    engine.processRange(0, 1000);
    EXPECT_EQ(padMark(engine), 2);
    engine.processRange(1001, 3839);
    EXPECT_EQ(padMark(engine), 0);
    EXPECT_EQ(engine.returnPad(), -1);
    // The kick's velocity offset tells the pads' notes apart.
    const int kick = engine.slice(kKick).content()->events().front().data1;
    std::vector<std::pair<int32_t, int>> kicks;
    for (const CMidiTrack::Event &e : engine.played)
        if (e.data1 == kick && e.time % 1920 == 0)
            kicks.emplace_back(e.time, e.data2);
    ASSERT_EQ(kicks.size(), 2u);
    EXPECT_GT(kicks[0].second, kicks[1].second) << "pad 2's kick is 2 velocity steps above pad 0's";

    // A negative count goes on switching at every cycle start.
    engine.selectPad(4, false, -1);
    const int32_t first = engine.switchTime();
    engine.processRange(3840, first + 1920 * 2 - 1);
    EXPECT_EQ(padMark(engine), 4) << "back to 0, then to 4 again";
    EXPECT_EQ(engine.returnPad(), 0);
}

TEST_F(PadTest, AReturnThatCameDueBeforeTheBlockHappensAtItsStart)
{
    storeTenPads(engine);
    engine.selectPad(3, true, 1);
    ASSERT_EQ(engine.switchTime(), 1920);
    engine.processRange(50000, 50100);
    EXPECT_EQ(padMark(engine), 0);
    EXPECT_EQ(engine.returnPad(), -1);
}

TEST_F(PadTest, SwitchesFromTheHostAndTheWindowThreadShareOneLock)
{
    storeTenPads(engine);
    std::vector<std::string> snares;
    for (int pad = 0; pad < 10; ++pad) {
        engine.selectPad(pad, false);
        snares.push_back(engine.slice(kSnare).content()->file);
    }
    engine.selectPad(0, false);
    std::atomic<bool> go{false};
    auto switcher = [&](int seed) {
        while (!go)
            std::this_thread::yield();
        for (int i = 0; i < 3000; ++i)
            engine.selectPad((i * seed + seed) % 10, false);
    };
    std::thread host(switcher, 7);
    std::thread window(switcher, 3);
    go = true;
    host.join();
    window.join();
    // Each pad still holds its own combination, whole.
    for (int pad = 0; pad < 10; ++pad) {
        engine.selectPad(pad, false);
        EXPECT_EQ(padMark(engine), pad);
        EXPECT_EQ(engine.slice(kSnare).content()->file, snares[static_cast<size_t>(pad)]) << pad;
    }
    const std::string state = stateOf(engine);
    TestEngine other;
    ASSERT_TRUE(loadStateBytes(other, state));
    for (int pad : {8, 1, 6}) {
        other.selectPad(pad, false);
        EXPECT_EQ(padMark(other), pad);
    }
}

// While the window thread reads pattern files, another thread can take
// every lock a pad switch takes.
struct LockProbe {
    Vostrapellin *engine = nullptr;
    HANDLE ask = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<bool> stop{false};
    int opens = 0;
    int blocked = 0;

    ~LockProbe()
    {
        CloseHandle(ask);
        CloseHandle(done);
    }

    static void watch(void *context)
    {
        auto *probe = static_cast<LockProbe *>(context);
        ++probe->opens;
        // One blocked probe tells; the helper is stuck until the locks go.
        if (probe->blocked > 0)
            return;
        SetEvent(probe->ask);
        if (WaitForSingleObject(probe->done, 3000) != WAIT_OBJECT_0)
            ++probe->blocked;
    }

    void run()
    {
        while (WaitForSingleObject(ask, INFINITE) == WAIT_OBJECT_0 && !stop) {
            engine->padStored(0);
            for (int i = 0; i < kSliceCount; ++i)
                engine->slice(i).content();
            SetEvent(done);
        }
    }
};

TEST_F(PadTest, NoLockAPadSwitchTakesIsHeldWhilePatternFilesAreRead)
{
    storeTenPads(engine);
    const std::string state = stateOf(engine);
    LockProbe probe;
    probe.engine = &engine;
    std::thread helper([&probe] { probe.run(); });
    {
        testing_support::RealTimeCounter counter;
        counter.watchFileOpens(&LockProbe::watch, &probe);
        ASSERT_TRUE(loadStateBytes(engine, state));
        engine.libraryChanged();
        engine.setVolume("8 Shuffle");
        engine.Random(nullptr);
    }
    probe.stop = true;
    SetEvent(probe.ask);
    helper.join();
    EXPECT_GT(probe.opens, 20);
    EXPECT_EQ(probe.blocked, 0);
}

TEST_F(PadTest, ViewsHearOfHostSwitchesByAPostedMessage)
{
    RecordingView view;
    view.window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(view.window, nullptr);
    engine.addView(&view);
    std::thread host([this] { engine.selectPad(4, false); });
    host.join();
    EXPECT_TRUE(view.pads.empty()) << "never called off the window thread";
    MSG message;
    ASSERT_TRUE(
        PeekMessageA(&message, view.window, viewsSetLoopIdxMessage(), viewsSetLoopIdxMessage(), PM_REMOVE));
    EXPECT_EQ(message.wParam, 4u);
    engine.selectPad(5, false);
    EXPECT_EQ(view.pads, (std::vector<int>{5}));
    engine.removeView(&view);
    DestroyWindow(view.window);
}

} // namespace
