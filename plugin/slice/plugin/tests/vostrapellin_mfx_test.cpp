// The drummer as a host drives it: the six slices of the kit library played
// through host windows of every size, trigger notes cutting blocks, the
// empty-block marker, and the host's output channel and port.
#include "plugin/fill/engine/tests/window_marker.h"
#include "plugin/framework/drums/swing.h"
#include "plugin/slice/engine/slice_module.h"
#include "plugin/slice/plugin/tests/plugin_fixture.h"

#include <algorithm>
#include <tuple>

namespace slice_plugin_test {
namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using engine_test::isMarker;
using engine_test::withoutMarkers;

constexpr int kHumanize = 6;

// The kit's notes as the settings below make them play, written out from
// the rules: (slice, pattern time, note played, velocity in, length, time
// offset in 480ths).
struct KitNote {
    int slice;
    int32_t time;
    uint8_t note;
    int velocity;
    int32_t length;
    int32_t offset;
};
const KitNote kKitNotes[] = {
    {kKick, 0, 41, 100, 60, 0},     {kKick, 960, 41, 90, 60, 0},   // offset -10; 36 -> 35 -> 41
    {kSnare, 500, 39, 110, 120, 0}, {kSnare, 1440, 39, 70, 60, 0}, // key +1
    {kCymbal, 0, 42, 80, 60, 0},    {kCymbal, 240, 42, 60, 60, 0}, {kCymbal, 480, 42, 80, 60, 0},
    {kCymbal, 720, 46, 60, 200, 0}, {2, 120, 63, 90, 60, 0}, // conga
    {1, 360, 70, 50, 60, 60},                                // maracas, 60 late
    {0, 960, 67, 100, 60, 0},                                // universal: the fixed note
};

// Quantize to eighths (cells of 240 at 480 to the quarter), then the time
// offset, then swing of 40 % over cells of 240 counted from the cycle.
int64_t quantized(int64_t t)
{
    return (t + 60) - (t + 60) % 240;
}

int64_t swung(int64_t t)
{
    const int64_t cell = 240, amount = 120 * 40 / 100;
    const int64_t k = t / cell, base = k * cell, r = t - base;
    return k % 2 == 0 ? base + r * (cell + amount) / cell : base + amount + r * (cell - amount) / cell;
}

struct Expected {
    int32_t time;
    uint8_t note;
    int32_t length;
    int lowVelocity;
    int highVelocity;
};

void setUpKit(VostrapellinMFX &drummer, Host &host)
{
    ASSERT_EQ(drummer.Connect(host.context()), S_OK);
    for (int layer = 0; layer < 3; ++layer)
        drummer.slice(layer).setMute(false, false);
    ASSERT_TRUE(drummer.slice(0).setFolder("Kit\\4.Percussion\\universal\\"));
    drummer.slice(kKick).setParam(Looper::VelocityOffset, -10);
    drummer.slice(kKick).setInstrument(41, 35);
    drummer.slice(kSnare).setParam(Looper::KeyOffset, 1);
    drummer.slice(1).setParam(Looper::TimeOffset, 60);
    drummer.drumMap().setNote(36, 35);
    drummer.drumMapChanged();
    drummer.setQuantize(true);
    drummer.setSwingDurIdx(1, false);
    drummer.setSwingPc(40, false);
    drummer.setHumanizeVelo(kHumanize, false);
    drummer.setOutputChannel(4);
    drummer.setOutputPort(1);
    drummer.seedRandom(4242);
}

std::vector<Expected> expectedIn(VostrapellinMFX &drummer, int32_t from, int32_t thru)
{
    std::vector<Expected> expected;
    for (int64_t cycle = 0; cycle * 1920 <= thru; ++cycle) {
        for (const KitNote &n : kKitNotes) {
            const int64_t start = quantized(n.time) + n.offset;
            const int64_t time = cycle * 1920 + swung(start);
            if (time < from || time > thru)
                continue;
            const int base = drummer.slice(n.slice).mapVelocity(
                std::clamp(n.velocity + drummer.slice(n.slice).content()->velocityOffset, 1, 127));
            expected.push_back({static_cast<int32_t>(time), n.note,
                                static_cast<int32_t>(swung(start + n.length) - swung(start)),
                                std::clamp(base - kHumanize, 30, 127),
                                std::clamp(base + kHumanize, 30, 127)});
        }
    }
    std::sort(expected.begin(), expected.end(), [](const Expected &a, const Expected &b) {
        return std::tie(a.time, a.note) < std::tie(b.time, b.note);
    });
    return expected;
}

std::vector<MfxEvent> sorted(std::vector<MfxEvent> events)
{
    std::stable_sort(events.begin(), events.end(), [](const MfxEvent &a, const MfxEvent &b) {
        return std::tie(a.time, a.note) < std::tie(b.time, b.note);
    });
    return events;
}

using Key = std::tuple<int32_t, int, int, int, int, int, int>;
std::vector<Key> keysOf(const std::vector<MfxEvent> &events)
{
    std::vector<Key> keys;
    for (const MfxEvent &e : events)
        keys.emplace_back(e.time, e.kind, e.note, e.velocity, e.channel, e.port, e.duration);
    return keys;
}

class VostrapellinMfxTest : public PluginTest {};

bool isLive(const Vostrapellin *engine)
{
    SliceModule::EngineListGuard guard;
    const auto &live = SliceModule::liveEngines();
    return std::find(live.begin(), live.end(), engine) != live.end();
}

TEST_F(VostrapellinMfxTest, ConnectNeedsBothMapsAndAttachesTheEngine)
{
    Drummer drummer;
    host.offersMeter = false;
    EXPECT_EQ(drummer->Connect(host.context()), E_FAIL);
    EXPECT_FALSE(drummer->isAttached());
    EXPECT_EQ(host.references, 1) << "a refused connect keeps nothing";
    host.offersMeter = true;
    host.ticksPerQuarter = 0;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    EXPECT_TRUE(isLive(drummer.get()));
    EXPECT_EQ(drummer->getResolution(), 480) << "a host resolution of 0 counts as 480";
    EXPECT_EQ(drummer->collectionName(), "Kit");
    EXPECT_EQ(drummer->Disconnect(), S_OK);
    EXPECT_FALSE(isLive(drummer.get()));
    EXPECT_EQ(host.references, 1);
}

TEST_F(VostrapellinMfxTest, TheSixSlicesPlayInHostWindowsDownToOneTick)
{
    std::vector<Key> first;
    for (int32_t size : {5000, 960, 7, 1}) {
        SCOPED_TRACE("windows of " + std::to_string(size));
        Drummer drummer;
        setUpKit(*drummer.get(), host);
        // Three cycles, then the host jumps back into the middle of one.
        std::vector<MfxEvent> played = withoutMarkers(playWindows(*drummer.get(), 0, 5759, size));
        const std::vector<MfxEvent> again = withoutMarkers(playWindows(*drummer.get(), 2500, 4300, size));
        const std::vector<MfxEvent> events = sorted(played);
        const std::vector<Expected> expected = expectedIn(*drummer.get(), 0, 5759);
        ASSERT_EQ(events.size(), expected.size());
        for (size_t i = 0; i < events.size(); ++i) {
            const MfxEvent &e = events[i];
            const Expected &x = expected[i];
            SCOPED_TRACE("event " + std::to_string(i) + " at " + std::to_string(x.time));
            EXPECT_EQ(e.time, x.time);
            EXPECT_EQ(e.note, x.note);
            EXPECT_EQ(e.duration, x.length);
            EXPECT_GE(e.velocity, x.lowVelocity);
            EXPECT_LE(e.velocity, x.highVelocity);
            EXPECT_EQ(e.kind, MfxNote);
            EXPECT_EQ(e.channel, 4);
            EXPECT_EQ(e.port, 1);
        }
        const std::vector<Expected> resynced = expectedIn(*drummer.get(), 2500, 4300);
        ASSERT_EQ(again.size(), resynced.size());
        const std::vector<MfxEvent> againSorted = sorted(again);
        for (size_t i = 0; i < again.size(); ++i)
            EXPECT_EQ(againSorted[i].time, resynced[i].time);
        // The humanized velocities come out the same whatever the windows.
        if (first.empty())
            first = keysOf(events);
        else
            EXPECT_EQ(keysOf(events), first);
        EXPECT_EQ(drummer->Disconnect(), S_OK);
    }
}

TEST_F(VostrapellinMfxTest, AnEmptyBlockSendsOneMarkerAtItsStart)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    for (int i = 0; i < kSliceCount; ++i)
        drummer->slice(i).setMute(true, false);
    const std::vector<MfxEvent> out = playWindows(*drummer.get(), 100, 399, 100);
    ASSERT_EQ(out.size(), 3u);
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_TRUE(isMarker(out[i]));
        EXPECT_EQ(out[i].time, 100 + 100 * static_cast<int32_t>(i));
    }
    // A block with input sends no marker: the input passes instead.
    const MfxEvent controller = mfx_testing::controllerEvent(450, 7, 100);
    const std::vector<MfxEvent> passed = playWindows(*drummer.get(), 400, 499, 100, {controller});
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_EQ(passed[0].kind, MfxController);
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

// Pad p plays the kick p velocity steps apart: the pad a note came from
// shows in its velocity.
void storeKickPads(VostrapellinMFX &drummer)
{
    for (int pad : {1, 2, 0}) {
        drummer.selectPad(pad, false);
        drummer.slice(kKick).setParam(Looper::VelocityOffset, -30 + 10 * pad);
        drummer.setHumanizeVelo(0, false);
    }
    drummer.setTriggerEnabled(true);
}

// The velocities pad p gives the kick's two notes, read from its table.
std::pair<int, int> kickVelocities(VostrapellinMFX &drummer, int pad)
{
    const int previous = drummer.currentPad();
    drummer.selectPad(pad, false);
    const auto &events = drummer.slice(kKick).content()->events();
    const int offset = drummer.slice(kKick).content()->velocityOffset;
    const std::pair<int, int> velocities{
        drummer.slice(kKick).mapVelocity(std::clamp(events.front().data2 + offset, 1, 127)),
        drummer.slice(kKick).mapVelocity(std::clamp(std::next(events.begin())->data2 + offset, 1, 127))};
    drummer.selectPad(previous, false);
    return velocities;
}

TEST_F(VostrapellinMfxTest, TriggerNotesCutTheBlockAndSwitchPads)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    storeKickPads(*drummer.get());
    const uint8_t low = static_cast<uint8_t>(drummer->triggerLow());
    const std::pair<int, int> pad0 = kickVelocities(*drummer.get(), 0);
    const std::pair<int, int> pad1 = kickVelocities(*drummer.get(), 1);
    ASSERT_NE(pad0.second, pad1.second);
    // Pad 1 from 500 on, pad 2 from 1000 on; the controller passes.
    const std::vector<MfxEvent> input = {mfx_testing::noteEvent(500, low + 1, 100),
                                         mfx_testing::controllerEvent(700, 1, 5),
                                         mfx_testing::noteEvent(1000, low + 2, 100)};
    const std::vector<MfxEvent> out = withoutMarkers(playWindows(*drummer.get(), 0, 1919, 1920, input));
    std::vector<std::pair<int32_t, int>> kicks;
    int controllers = 0;
    for (const MfxEvent &e : out) {
        if (e.kind == MfxController)
            ++controllers;
        // The kit plays on channel 10; the host's notes came on channel 1.
        if (e.kind == MfxNote && e.channel == 0)
            ADD_FAILURE() << "a trigger note passed";
        if (e.kind == MfxNote && e.note == drummer->slice(kKick).content()->events().front().data1)
            kicks.emplace_back(e.time, e.velocity);
    }
    EXPECT_EQ(controllers, 1);
    ASSERT_EQ(kicks.size(), 2u);
    EXPECT_EQ(kicks[0], std::make_pair(0, pad0.first));
    EXPECT_EQ(kicks[1], std::make_pair(960, pad1.second));
    EXPECT_EQ(drummer->currentPad(), 2);

    // A trigger at the very start: the whole block plays the new pad.
    const std::vector<MfxEvent> second = withoutMarkers(
        playWindows(*drummer.get(), 1920, 3839, 1920, {mfx_testing::noteEvent(1920, low, 100)}));
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(drummer->currentPad(), 0);
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

TEST_F(VostrapellinMfxTest, ATriggerEarlierThanThePositionNeverPlaysATimeTwice)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    storeKickPads(*drummer.get());
    const uint8_t low = static_cast<uint8_t>(drummer->triggerLow());
    // The host hands the notes out of order: 1500, then 1200.
    Queue in;
    in.events = {mfx_testing::noteEvent(1500, low + 1, 100), mfx_testing::noteEvent(1200, low + 2, 100)};
    Queue out;
    ASSERT_EQ(drummer->OnStart(1000), S_OK);
    ASSERT_EQ(drummer->OnEvents(1000, 1999, &in, &out), S_OK);
    std::vector<std::pair<int32_t, int>> notes;
    for (const MfxEvent &e : withoutMarkers(out.events))
        notes.emplace_back(e.time, e.note);
    std::vector<std::pair<int32_t, int>> unique = notes;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.size(), unique.size()) << "no note is played twice";
    EXPECT_EQ(std::count(notes.begin(), notes.end(), std::make_pair(1440, 38)), 1)
        << "the snare at 1440 once";
    EXPECT_EQ(drummer->currentPad(), 2);
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

TEST_F(VostrapellinMfxTest, ATriggerStampedAfterTheBlockSwitchesAtItsEnd)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    storeKickPads(*drummer.get());
    const uint8_t low = static_cast<uint8_t>(drummer->triggerLow());
    Queue in;
    in.events = {mfx_testing::noteEvent(1500, low + 1, 100)};
    Queue out;
    ASSERT_EQ(drummer->OnStart(0), S_OK);
    ASSERT_EQ(drummer->OnEvents(0, 959, &in, &out), S_OK);
    ASSERT_FALSE(withoutMarkers(out.events).empty());
    for (const MfxEvent &e : withoutMarkers(out.events))
        EXPECT_LE(e.time, 959) << "played past the block";
    EXPECT_EQ(drummer->currentPad(), 1);
    // The next block plays its own notes once.
    Queue none;
    Queue next;
    ASSERT_EQ(drummer->OnEvents(960, 1919, &none, &next), S_OK);
    for (const MfxEvent &e : withoutMarkers(next.events)) {
        EXPECT_GE(e.time, 960);
        EXPECT_LE(e.time, 1919);
    }
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

// A drummer that notes every call of its host made while it holds the pad
// lock or a slice's lock.
class LockWatchingDrummer : public VostrapellinMFX {
public:
    void emitEvent(const CMidiTrack::Event &event) override
    {
        note(emits);
        VostrapellinMFX::emitEvent(event);
    }
    int32_t toTime(int32_t bar, int32_t beat, int32_t tick) override
    {
        note(meterCalls);
        return VostrapellinMFX::toTime(bar, beat, tick);
    }
    int32_t toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick) override
    {
        note(meterCalls);
        return VostrapellinMFX::toBarBeatTick(ticks, bar, beat, tick);
    }
    int32_t currentTime() override
    {
        note(clockCalls);
        return VostrapellinMFX::currentTime();
    }

    int emits = 0;
    int meterCalls = 0;
    int clockCalls = 0;
    int underLock = 0;

private:
    void note(int &calls)
    {
        ++calls;
        if (holdsEngineLocks())
            ++underLock;
    }
};

TEST_F(VostrapellinMfxTest, TheHostIsNeverCalledWithTheEngineLocksHeld)
{
    auto *drummer = new LockWatchingDrummer();
    drummer->AddRef();
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    storeKickPads(*drummer);
    const uint8_t low = static_cast<uint8_t>(drummer->triggerLow());
    drummer->emits = drummer->meterCalls = drummer->clockCalls = drummer->underLock = 0;
    // Trigger notes inside the blocks, then a switch from the window that
    // returns after a cycle.
    playWindows(*drummer, 0, 3839, 240,
                {mfx_testing::noteEvent(500, low + 1, 100), mfx_testing::noteEvent(2000, low + 2, 100)});
    drummer->selectPad(0, true, 1);
    playWindows(*drummer, 3840, 3840 + 4 * 1920 - 1, 480);
    EXPECT_EQ(drummer->currentPad(), 2) << "the counted switch came back";
    EXPECT_GT(drummer->emits, 0);
    EXPECT_GT(drummer->meterCalls, 0);
    EXPECT_GT(drummer->clockCalls, 0);
    EXPECT_EQ(drummer->underLock, 0);
    EXPECT_EQ(drummer->Disconnect(), S_OK);
    EXPECT_EQ(drummer->Release(), 0u);
}

TEST_F(VostrapellinMfxTest, LiveTriggerNotesSwitchPadsAndAreConsumed)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    storeKickPads(*drummer.get());
    const uint8_t low = static_cast<uint8_t>(drummer->triggerLow());
    Queue in;
    in.events = {mfx_testing::noteEvent(0, low + 2, 100), mfx_testing::noteEvent(0, 60, 100),
                 mfx_testing::noteEvent(0, low + 1, 0)};
    Queue out;
    ASSERT_EQ(drummer->OnInput(&in, &out), S_OK);
    EXPECT_EQ(drummer->currentPad(), 2);
    ASSERT_EQ(out.events.size(), 2u) << "a note outside the range and a note of velocity 0 pass";
    EXPECT_EQ(out.events[0].note, 60);
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

TEST_F(VostrapellinMfxTest, APreviewGoesToTheHostsInputCallback)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    mfx_testing::InputCallback callback;
    ASSERT_EQ(drummer->SetInputCallback(&callback), S_OK);
    drummer->setOutputPort(3);
    drummer->slice(kSnare).preview(38);
    ASSERT_EQ(callback.received.size(), 1u);
    const MfxEvent &e = callback.received[0].second;
    EXPECT_EQ(e.kind, MfxNote);
    EXPECT_EQ(e.note, 38);
    EXPECT_EQ(e.velocity, 110);
    EXPECT_EQ(e.duration, 960);
    EXPECT_EQ(e.port, 3);
    EXPECT_EQ(drummer->SetInputCallback(nullptr), S_OK);
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

} // namespace
} // namespace slice_plugin_test
