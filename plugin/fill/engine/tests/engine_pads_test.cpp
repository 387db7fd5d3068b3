// Quick pads switched on the host's thread: the real-time path touches
// neither heap nor disk, two drummers never wait on each other, and views
// hear of every change made off the window thread.
#include "plugin/fill/engine/grindelvosket.h"

#include "base/string_stream.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/fill/engine/tests/engine_fixture.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

namespace {

using namespace Quorvane;
using namespace engine_test;

constexpr int32_t kTpq = 480;
constexpr int32_t kBar = 4 * kTpq;
constexpr uint8_t kTriggerBase = 24;

std::string stateOf(Grindelvosket &engine)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_TRUE(engine.saveState(out));
    return bytes;
}

bool loadStateBytes(Grindelvosket &engine, const std::string &bytes)
{
    std::string copy = bytes;
    stringStream in(copy);
    return engine.loadState(in);
}

// Runs work on a thread of its own and waits at most seconds for it. A
// deadlock cannot be undone: the test process ends, failing, rather than
// hang.
void finishesWithin(int seconds, const std::function<void()> &work)
{
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread runner([&work, done] {
        work();
        SetEvent(done);
    });
    if (WaitForSingleObject(done, static_cast<DWORD>(seconds) * 1000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "deadlock: the work did not finish within %d s\n", seconds);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    runner.join();
    CloseHandle(done);
}

class PadTest : public ::testing::Test {
protected:
    // Pads 0..7 each hold a fill of its own from the library; pads 8 and 9
    // were never stored.
    void storeEightPads(Grindelvosket &engine)
    {
        for (int pad = 0; pad < 8; ++pad) {
            const std::string file = "Pad_" + std::to_string(pad) + ".mid";
            writePattern(sandbox, "Rock", file,
                         {{0, 36, 100},
                          {240 * (pad + 1), 38, 90},
                          {960, 42, 70},
                          {1440, 45, static_cast<uint8_t>(60 + pad)}});
            engine.selectPad(pad);
            engine.selectPattern("Rock", file);
            engine.setSwingPc(5 * pad, false);
            engine.setPunchRange(0, 960);
        }
        engine.selectPad(0);
        engine.setTriggerEnabled(true);
        engine.setTriggerBase(kTriggerBase);
        engine.setFillMeasure(1);
    }
    // The state of eight stored pads, loaded into engine on the host's
    // maps: every pad prepared as a state load leaves it.
    void loadEightPads(Grindelvosket &engine, FakeHostMaps &host)
    {
        std::string saved;
        {
            Grindelvosket source;
            storeEightPads(source);
            saved = stateOf(source);
        }
        ASSERT_TRUE(loadStateBytes(engine, saved));
        engine.attachHostMaps(host.tempoMap(), host.meterMap());
    }

    EngineSandbox sandbox;
};

// The host looping the fill bar with a trigger note on every beat, walking
// through all ten pads, and its windows (one per beat) with their input.
struct TriggeredSong {
    std::vector<std::unique_ptr<FakeQueue>> inputs;
    std::vector<std::pair<int32_t, int32_t>> windows;

    explicit TriggeredSong(int beats)
    {
        for (int beat = 0; beat < beats; ++beat) {
            const int32_t from = beat % 4 * kTpq;
            auto input = std::make_unique<FakeQueue>();
            input->events.push_back(noteEvent(from, static_cast<uint8_t>(kTriggerBase + beat % 10), 100));
            inputs.push_back(std::move(input));
            windows.push_back({from, from + kTpq - 1});
        }
    }

    // Plays every window into output on a thread of its own (the host's
    // processing thread), counting what it takes from the heap and the
    // disk; the engine's pad after each window goes into pads when given.
    struct Taken {
        long allocations = -1;
        long fileOpens = -1;
    };
    Taken playOnHostThread(Grindelvosket &engine, FakeQueue &output, std::vector<int> *pads = nullptr) const
    {
        Taken taken;
        std::thread host([&] {
            testing_support::RealTimeCounter counter;
            for (size_t w = 0; w < windows.size(); ++w) {
                engine.processRange(windows[w].first, windows[w].second, inputs[w].get(), &output);
                if (pads)
                    pads->push_back(engine.currentPad());
            }
            taken.allocations = counter.allocations();
            taken.fileOpens = counter.fileOpens();
        });
        host.join();
        return taken;
    }
};

TEST_F(PadTest, PadSwitchesAfterAStateLoadNeitherAllocateNorOpenFiles)
{
    Grindelvosket engine;
    FakeHostMaps host(kTpq);
    loadEightPads(engine, host);

    const TriggeredSong song(40);
    FakeQueue output;
    output.events.reserve(100000);
    std::vector<int> padsSeen;
    padsSeen.reserve(song.windows.size());
    const TriggeredSong::Taken taken = song.playOnHostThread(engine, output, &padsSeen);

    EXPECT_EQ(taken.allocations, 0);
    EXPECT_EQ(taken.fileOpens, 0);
    // The run did what it should: every pad came up, the stored ones played.
    for (int pad = 0; pad < 10; ++pad)
        EXPECT_EQ(padsSeen[pad], pad);
    int notes = 0;
    for (const MfxEvent &e : output.events)
        notes += e.kind == MfxNote ? 1 : 0;
    EXPECT_GT(notes, 20);
    engine.selectPad(3);
    EXPECT_EQ(engine.patternFile(), "Pad_3.mid");
    EXPECT_EQ(engine.swingPc(), 15);
}

// A trigger note switches the pad on the host's thread (the audio thread in
// the program): the requester's sink and the host hear of it after the
// engine's locks are let go, and the switch still takes nothing from the
// heap or the disk.
TEST_F(PadTest, ATriggeredSwitchCallsOutOnlyWithTheEngineLocksFree)
{
    TestEngine engine;
    FakeHostMaps host(kTpq);
    loadEightPads(engine, host);
    engine.params.clear();
    engine.labels.clear();
    // The records are the test's: made room for, so the switches' own heap
    // calls are all that is counted.
    engine.params.reserve(200);
    engine.labels.reserve(40);
    engine.reportsUnderLock = 0;

    const TriggeredSong song(20);
    FakeQueue output;
    output.events.reserve(100000);
    const TriggeredSong::Taken taken = song.playOnHostThread(engine, output);

    EXPECT_EQ(taken.allocations, 0);
    EXPECT_EQ(taken.fileOpens, 0);
    // Pads 1..9, then 0..9: nineteen switches of five parameters each; all
    // but the two from the empty pad 8 to the empty pad 9 brought another
    // pattern.
    EXPECT_EQ(engine.params.size(), 19u * 5);
    EXPECT_EQ(engine.labels, std::vector<std::string>(17, "loadTrack"));
    EXPECT_EQ(engine.reportsUnderLock, 0);
}

// An engine whose every report, and every file its window thread opens,
// lets the host switch a pad by a trigger note on the host's thread right
// then: the engine's locks must be free at those moments, so the switch
// waits for nothing. What the host thread waited for a lock is measured.
class TriggeringEngine : public TestEngine {
public:
    TriggeringEngine()
        : go_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          done_(CreateEventA(nullptr, FALSE, FALSE, nullptr)), song_(40), host_([this] { play(); })
    {
        output_.events.reserve(100000);
    }
    ~TriggeringEngine()
    {
        stopping_ = true;
        SetEvent(go_);
        host_.join();
        CloseHandle(go_);
        CloseHandle(done_);
    }

    void somethingChanged(const char *label) override
    {
        TestEngine::somethingChanged(label);
        trigger();
    }
    void parameterChanged(int id) override
    {
        TestEngine::parameterChanged(id);
        trigger();
    }
    // Counts the window thread's file opens, and those made with an
    // engine lock held, and triggers at each.
    static void onFileOpen(void *engine)
    {
        auto *self = static_cast<TriggeringEngine *>(engine);
        if (!self->armed || GetCurrentThreadId() != self->windowThread_)
            return;
        ++self->fileOpens;
        self->fileOpensUnderLock += self->holdsEngineLocks() ? 1 : 0;
        self->trigger();
    }

    // Only while armed.
    bool armed = false;
    int fileOpens = 0;
    int fileOpensUnderLock = 0;
    int triggers = 0;
    // Switches that did not finish within the bound: they waited for the
    // window thread.
    int stalled = 0;
    double longestLockWait() const { return longestLockWait_; }

private:
    void trigger()
    {
        // Not for the switch's own reports on the host's thread.
        if (!armed || GetCurrentThreadId() != windowThread_ || sent_ >= song_.windows.size())
            return;
        ++sent_;
        ++triggers;
        SetEvent(go_);
        if (WaitForSingleObject(done_, 20000) != WAIT_OBJECT_0)
            ++stalled;
    }
    void play()
    {
        testing_support::RealTimeCounter counter;
        for (size_t w = 0; WaitForSingleObject(go_, INFINITE) == WAIT_OBJECT_0 && !stopping_; ++w) {
            counter.reset();
            processRange(song_.windows[w].first, song_.windows[w].second, song_.inputs[w].get(), &output_);
            longestLockWait_ = std::max(longestLockWait_.load(), counter.longestLockWait());
            SetEvent(done_);
        }
    }

    HANDLE go_;
    HANDLE done_;
    size_t sent_ = 0;
    const DWORD windowThread_ = GetCurrentThreadId();
    std::atomic<bool> stopping_{false};
    std::atomic<double> longestLockWait_{0.0};
    FakeQueue output_;
    const TriggeredSong song_;
    std::thread host_;
};

// A pattern choice, the Comp button and Reset each arrange the fill, read
// pattern files and tell the host: a trigger note meanwhile (at every report
// and every file opened) finds the engine's locks free, and none of it is
// done under them.
TEST_F(PadTest, ATriggerDuringAnEditWaitsForNothingSlow)
{
    struct Case {
        const char *edit;
        std::function<void(Grindelvosket &)> run;
    };
    const Case cases[] = {
        {"a pattern chosen", [](Grindelvosket &e) { e.selectPattern("Rock", "Pad_5.mid"); }},
        {"a missing pattern chosen", [](Grindelvosket &e) { e.selectPattern("Rock", "Missing.mid"); }},
        {"a missing pattern's source made sure",
         [](Grindelvosket &e) {
             e.selectPattern("Rock", "Missing.mid");
             e.ensureSource();
         }},
        {"the Comp button", [](Grindelvosket &e) { e.toggleOriginal(); }},
        {"Reset", [](Grindelvosket &e) { e.ResetPars(); }},
        {"Reset of a missing pattern",
         [](Grindelvosket &e) {
             e.selectPattern("Rock", "Missing.mid");
             e.autoTransform(false);
             e.ResetPars();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.edit);
        TriggeringEngine engine;
        FakeHostMaps host(kTpq);
        loadEightPads(engine, host);
        engine.autoTransform(false);
        engine.reportsUnderLock = 0;
        {
            testing_support::RealTimeCounter counter;
            counter.watchFileOpens(TriggeringEngine::onFileOpen, &engine);
            engine.armed = true;
            c.run(engine);
            engine.armed = false;
        }
        EXPECT_GT(engine.triggers, 0);
        EXPECT_EQ(engine.stalled, 0);
        EXPECT_EQ(engine.longestLockWait(), 0.0);
        EXPECT_EQ(engine.reportsUnderLock, 0);
        EXPECT_EQ(engine.fileOpensUnderLock, 0) << "of " << engine.fileOpens;
    }
}

TEST_F(PadTest, SwitchedPadsKeepTheirStateThroughASave)
{
    Grindelvosket engine;
    storeEightPads(engine);
    // Switching on another thread leaves each pad as it was.
    std::thread midi([&engine] {
        for (int pad : {3, 8, 5, 0})
            engine.triggerPad(kTriggerBase + pad, true);
    });
    midi.join();
    EXPECT_EQ(engine.currentPad(), 0);
    // The pads left hold each its own fill, and the current one still
    // counts as stored.
    for (int pad : {3, 5}) {
        const std::string *bytes = engine.pads().bytesOf(pad);
        ASSERT_NE(bytes, nullptr) << pad;
        EXPECT_NE(bytes->find("Pad_" + std::to_string(pad) + ".mid"), std::string::npos) << pad;
    }
    const std::string *current = engine.pads().bytesOf(0);
    EXPECT_TRUE(!current || current->find("Pad_0.mid") != std::string::npos)
        << "the current pad's bytes are its own, never the spare's";
    EXPECT_TRUE(engine.padStored(0));
    EXPECT_TRUE(engine.padStored(8)) << "left empty, it holds the cleared fill";
    EXPECT_FALSE(engine.padStored(9));
    Grindelvosket reloaded;
    ASSERT_TRUE(loadStateBytes(reloaded, stateOf(engine)));
    for (int pad : {1, 3, 5, 7}) {
        reloaded.selectPad(pad);
        EXPECT_EQ(reloaded.patternFile(), "Pad_" + std::to_string(pad) + ".mid") << pad;
        EXPECT_EQ(reloaded.swingPc(), 5 * pad) << pad;
    }
    reloaded.selectPad(8);
    EXPECT_TRUE(reloaded.patternFile().empty()) << "pad 8 was left empty";
    EXPECT_EQ(reloaded.swingPc(), 5 * 3) << "an empty pad keeps what the fill before it had";
}

TEST_F(PadTest, ConnectingWhilePadsAreTriggeredNeverDeadlocks)
{
    Grindelvosket first;
    first.registerEngine();
    storeEightPads(first);
    // Every engine connected from now on starts as a copy of the newest:
    // its pads name patterns it has not read yet.
    finishesWithin(120, [] {
        for (int round = 0; round < 30; ++round) {
            auto triggered = std::make_unique<Grindelvosket>();
            triggered->registerEngine();
            std::thread midi([&triggered] {
                for (int i = 0; i < 20; ++i)
                    triggered->triggerPad(kTriggerBase + (i * 7) % 10, true);
            });
            Grindelvosket connecting;
            connecting.registerEngine();
            connecting.unregisterEngine();
            midi.join();
            triggered->unregisterEngine();
        }
    });
    first.unregisterEngine();
}

TEST_F(PadTest, APatternReplacedOnDiskIsReadAgainForItsPad)
{
    writePattern(sandbox, "", "Swap_1.mid", {{0, 38, 100}, {480, 38, 100}});
    Grindelvosket engine;
    engine.registerEngine();
    engine.selectPad(1);
    engine.selectPattern("", "Swap_1.mid");
    engine.selectPad(0);
    // The library reports the new content as its watcher does (whose own
    // timing the library's tests cover); the rescan runs on this thread,
    // which owns the library's window.
    writePattern(sandbox, "", "Swap_1.mid", {{0, 36, 100}, {480, 36, 100}});
    ASSERT_NE(FillModule::patternLibrary(), nullptr);
    FillModule::patternLibrary()->changed();
    const DWORD started = GetTickCount();
    bool reread = false;
    while (!reread && GetTickCount() - started < 5000) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        std::string bytes;
        stringStream out(bytes);
        engine.pads().save(out);
        reread = bytes.find(std::string("\x99\x24", 2)) != std::string::npos; // a kick note-on
        if (!reread)
            Sleep(20);
    }
    engine.selectPad(1);
    EXPECT_TRUE(engine.getLooper(1)->usesNote(36)) << "the pad plays the new file";
    EXPECT_FALSE(engine.getLooper(2)->usesNote(38));
    engine.unregisterEngine();
}

TEST_F(PadTest, NewsOffTheWindowThreadArePostedToTheViews)
{
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    RecordingView view;
    view.window = window;
    Grindelvosket engine;
    storeEightPads(engine);
    const std::string saved = stateOf(engine);
    engine.selectPad(2);
    engine.addView(&view);
    const auto postedPads = [window] {
        std::vector<WPARAM> pads;
        MSG message;
        while (PeekMessageA(&message, window, viewsSetLoopIdxMessage(), viewsSetLoopIdxMessage(), PM_REMOVE))
            pads.push_back(message.wParam);
        return pads;
    };

    struct Case {
        const char *what;
        std::function<void()> change;
        WPARAM pad;
    };
    const Case cases[] = {
        {"a pad switched by a trigger note", [&] { engine.triggerPad(kTriggerBase + 6, true); }, 6},
        {"a state loaded", [&] { EXPECT_TRUE(loadStateBytes(engine, saved)); }, 0},
        {"a parameter set", [&] { engine.setSwingPc(77, true); }, 0},
    };
    for (const Case &c : cases) {
        std::thread other(c.change);
        other.join();
        const std::vector<WPARAM> pads = postedPads();
        ASSERT_FALSE(pads.empty()) << c.what;
        EXPECT_EQ(pads.back(), c.pad) << c.what;
    }
    EXPECT_TRUE(view.pads.empty()) << "views are never called off the window thread";
    EXPECT_EQ(view.changes, 0);
    engine.removeView(&view);
    DestroyWindow(window);
}

} // namespace
