#include "plugin/fill/engine/tests/engine_fixture.h"

#include "base/registry.h"
#include "base/string_stream.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace Quorvane;
using namespace engine_test;

std::string stateOf(Grindelvosket &engine)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_TRUE(engine.saveState(out));
    return bytes;
}

// Equal byte strings, or where they part.
::testing::AssertionResult sameBytes(const std::string &a, const std::string &b)
{
    if (a == b)
        return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    auto hex = [at](const std::string &s) {
        std::string out;
        char buffer[4];
        for (size_t i = at > 24 ? at - 24 : 0; i < s.size() && i < at + 40; ++i) {
            snprintf(buffer, sizeof buffer, "%02X ", static_cast<uint8_t>(s[i]));
            out += buffer;
        }
        return out;
    };
    return ::testing::AssertionFailure()
           << "sizes " << a.size() << " and " << b.size() << ", first difference at " << at << "\n"
           << hex(a) << "\n"
           << hex(b);
}

bool loadStateBytes(Grindelvosket &engine, const std::string &bytes)
{
    std::string copy = bytes;
    stringStream in(copy);
    return engine.loadState(in);
}

std::string registryValue(const std::string &path, const char *name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\" + path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    DWORD size = 0;
    std::string bytes;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(bytes.data()), &size);
    }
    RegCloseKey(key);
    return bytes;
}

// ---- States written by hand, field by field, as the stored layout has them
// (integers little-endian, strings as a 32-bit length and the bytes).
class Bytes {
public:
    Bytes &i32(int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes_ += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes &u8(uint8_t v)
    {
        bytes_ += static_cast<char>(v);
        return *this;
    }
    Bytes &text(const std::string &s)
    {
        i32(static_cast<int32_t>(s.size()));
        bytes_ += s;
        return *this;
    }
    Bytes &raw(const std::string &s)
    {
        bytes_ += s;
        return *this;
    }
    const std::string &str() const { return bytes_; }

private:
    std::string bytes_;
};

// The Standard MIDI File of an empty part: 240 ticks per quarter, a tempo
// track with 4/4, key and 120 BPM, and an empty note track.
const std::string kEmptyPatternFile =
    std::string("MThd\0\0\0\6\0\1\0\2\0\xF0", 14) + std::string("MTrk\0\0\0\x19", 8) +
    std::string("\0\xFF\x58\4\4\2\x18\x08", 8) + std::string("\0\xFF\x59\2\0\0", 6) +
    std::string("\0\xFF\x51\3\x07\xA1\x20", 7) + std::string("\0\xFF\x2F\0", 4) +
    std::string("MTrk\0\0\0\4\0\xFF\x2F\0", 12);

std::string identityMap()
{
    std::string notes;
    for (int n = 0; n < 128; ++n)
        notes += static_cast<char>(n);
    return notes;
}

struct LooperFields {
    int32_t mute = 0;
    int32_t velocityOffset = 0;
    int32_t keyOffset = 0;
    int32_t fixedOn = 0;
    int32_t timeOffset = 0;
    int32_t dynamics = 100;
    uint8_t fixedNote = 54;
    uint8_t notesOff = 0;
    uint8_t exclude = 0;
};

struct SnapshotFields {
    std::string folder;
    std::string file;
    int32_t punchIn = 120;
    int32_t punchOut = 840;
    int32_t preZone = 0;
    int32_t maskMode = 2;
    int32_t afterZone = 1;
    LooperFields loopers[10];
    std::string remap = identityMap();
    int32_t swingPc = 35;
    int32_t swingDurIdx = 3;
    int32_t quantizeOn = 1;
    int32_t quantizeDur = 16;
    int32_t veloDyn = 40;
    int32_t veloCenterPc = -20;
    int32_t envelope[3][2] = {{0, -30}, {479, 10}, {959, 20}};
};

struct GlobalsFields {
    int8_t channel = 9;
    int8_t port = 3;
    int32_t measureCount = 2;
    uint8_t multiTrack = 1;
    uint8_t triggerOn = 1;
    uint8_t triggerLow = 60;
    uint8_t minVelocity = 40;
    uint8_t maxVelocity = 100;
    uint8_t restartHost = 0;
    int32_t fillMeasure = 9;
};

std::string snapshotBytes(const SnapshotFields &f)
{
    Bytes b;
    // Track reference block.
    b.i32(1)
        .text(f.folder)
        .text(f.file)
        .i32(f.punchIn)
        .i32(f.punchOut)
        .i32(f.preZone)
        .i32(f.maskMode)
        .i32(f.afterZone);
    // Loop state block: ten looper blocks, ten extension blocks, the remap
    // table, the settings and the envelope.
    b.i32(1).i32(10);
    for (const LooperFields &l : f.loopers) {
        b.i32(6)
            .raw(kEmptyPatternFile)
            .i32(l.mute)
            .i32(l.velocityOffset)
            .i32(l.keyOffset)
            .i32(0)
            .i32(0)
            .i32(0);
        b.i32(l.fixedOn).i32(1).text("").raw(identityMap()).i32(l.timeOffset).i32(l.dynamics);
        b.u8(l.fixedNote).u8(l.notesOff);
    }
    b.i32(10);
    for (const LooperFields &l : f.loopers)
        b.i32(1).u8(l.exclude);
    b.raw(f.remap)
        .i32(f.swingPc)
        .i32(f.swingDurIdx)
        .i32(f.quantizeOn)
        .i32(f.quantizeDur)
        .i32(f.veloDyn)
        .i32(f.veloCenterPc);
    b.i32(1);
    for (const auto &point : f.envelope)
        b.i32(point[0]).i32(point[1]);
    b.i32(0).i32(1).i32(64).i32(100);
    // Embedded track block: none.
    b.u8(0);
    return b.str();
}

std::string globalsBytes(const GlobalsFields &g)
{
    Bytes b;
    b.i32(1).i32(1).text("").raw(identityMap()).text("");
    b.u8(static_cast<uint8_t>(g.channel)).u8(static_cast<uint8_t>(g.port)).i32(g.measureCount);
    b.u8(g.multiTrack)
        .u8(g.triggerOn)
        .u8(g.triggerLow)
        .u8(g.minVelocity)
        .u8(g.maxVelocity)
        .u8(g.restartHost)
        .u8(0);
    b.i32(g.fillMeasure);
    return b.str();
}

// A whole state: the pads (key and snapshot), the current pad, the Globals
// block and the live fill's snapshot.
std::string stateBytes(const std::vector<std::pair<int32_t, std::string>> &pads, int32_t current,
                       const GlobalsFields &globals, const std::string &snapshot)
{
    Bytes b;
    b.i32(2).i32(1).i32(static_cast<int32_t>(pads.size()));
    for (const auto &[key, bytes] : pads)
        b.i32(key).i32(static_cast<int32_t>(bytes.size())).raw(bytes);
    b.i32(current).raw(globalsBytes(globals)).raw(snapshot);
    return b.str();
}

class PersistenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writePattern(sandbox, "Rock", "Basic_1.mid",
                     {{0, 36, 100}, {480, 42, 80}, {960, 38, 110}, {1440, 60, 70}, {1680, 36, 90}});
        writePattern(sandbox, "", "Snare_1.mid", {{0, 38, 100}, {480, 38, 60}});
    }

    // An engine with something in every part of its state.
    void fillEngine(Grindelvosket &engine)
    {
        engine.selectPattern("Rock", "Basic_1.mid");
        engine.setSwingPc(35, false);
        engine.setSwingDurIdx(3, false);
        engine.setVeloDyn(40, false);
        engine.setVeloCenterPC(-20, false);
        engine.setPunchRange(120, 840);
        engine.setZones(0, 2, 1, false);
        engine.setFillMeasure(9);
        engine.setOutputChannel(9);
        engine.setOutputPort(3);
        engine.setTriggerEnabled(true);
        engine.setTriggerBase(60);
        engine.setMeasureCount(2);
        engine.getLooper(3)->setMute(true);
        engine.getLooper(4)->setParam(Looper::VelocityOffset, -12);
        engine.velocityEnvelope().setPoint(1, 400, -20);
        engine.selectPad(2);
        engine.selectPattern("", "Snare_1.mid");
        engine.selectPad(0);
    }

    EngineSandbox sandbox;
};

TEST_F(PersistenceTest, StateRoundTripIsByteExact)
{
    TestEngine first;
    fillEngine(first);
    const std::string saved = stateOf(first);
    TestEngine second;
    ASSERT_TRUE(loadStateBytes(second, saved));
    EXPECT_TRUE(sameBytes(stateOf(second), saved));
    EXPECT_EQ(second.patternFile(), "Basic_1.mid");
    EXPECT_EQ(second.swingPc(), 35);
    EXPECT_EQ(second.fillMeasure(), 9);
    EXPECT_EQ(second.outputChannel(), 9);
    EXPECT_EQ(second.outputPort(), 3);
    EXPECT_EQ(second.punchIn(), 120);
    EXPECT_EQ(second.maskMode(), 2);
    EXPECT_TRUE(second.getLooper(3)->isMuted());
    EXPECT_EQ(second.getLooper(4)->getParam(Looper::VelocityOffset), -12);
    second.selectPad(2);
    EXPECT_EQ(second.patternFile(), "Snare_1.mid") << "the pads came along";
}

TEST_F(PersistenceTest, EditedFillIsEmbedded)
{
    TestEngine first;
    first.selectPattern("Rock", "Basic_1.mid");
    first.getLooper(1)->insertNote(240, 36, 77);
    EXPECT_TRUE(first.embeddedTrack());
    const std::string saved = stateOf(first);
    // The file goes away: the fill must come from the state.
    DeleteFileA((sandbox.fillsFolder() + "\\Rock\\Basic_1.mid").c_str());
    TestEngine second;
    ASSERT_TRUE(loadStateBytes(second, saved));
    EXPECT_TRUE(second.embeddedTrack());
    EXPECT_TRUE(second.getLooper(1)->usesNote(36));
    CMidiTrack kick;
    second.getLooper(1)->writeInto(kick);
    EXPECT_EQ(kick.getEventCount(), 3u);
    EXPECT_TRUE(sameBytes(stateOf(second), saved));
}

TEST_F(PersistenceTest, OldStateWithoutEmbeddedTrackRebuildsFromTheFile)
{
    TestEngine first;
    first.selectPattern("Rock", "Basic_1.mid");
    std::string saved = stateOf(first);
    // Version 1: same layout without the trailing embedded block (one flag
    // byte 0 for a fill that is not embedded).
    ASSERT_EQ(saved.back(), '\0');
    saved.pop_back();
    saved[0] = 1;
    TestEngine second;
    ASSERT_TRUE(loadStateBytes(second, saved));
    EXPECT_EQ(second.patternFile(), "Basic_1.mid");
    EXPECT_TRUE(second.getLooper(2)->usesNote(38));
    EXPECT_FALSE(second.embeddedTrack());
}

TEST_F(PersistenceTest, DamagedStateChangesNothing)
{
    TestEngine source;
    fillEngine(source);
    const std::string saved = stateOf(source);

    TestEngine target;
    target.selectPattern("", "Snare_1.mid");
    target.setSwingPc(5, false);
    const std::string before = stateOf(target);
    // Every cut of the stream fails, and so does a changed count or length.
    for (size_t cut = 0; cut < saved.size(); cut += 97)
        ASSERT_FALSE(loadStateBytes(target, saved.substr(0, cut))) << cut;
    std::string hugeCount = saved;
    hugeCount[8] = '\x7F'; // pad count's high byte
    EXPECT_FALSE(loadStateBytes(target, hugeCount));
    std::string badPad = saved;
    badPad[12] = 42; // first pad key outside 0..9
    EXPECT_FALSE(loadStateBytes(target, badPad));
    std::string hugeLength = saved;
    hugeLength[16 + 3] = '\x7F'; // first pad's length
    EXPECT_FALSE(loadStateBytes(target, hugeLength));
    EXPECT_TRUE(sameBytes(stateOf(target), before));
    EXPECT_EQ(target.swingPc(), 5);
}

TEST_F(PersistenceTest, GlobalsKeepChannelAndPortSigned)
{
    struct Case {
        int32_t channel;
        int32_t port;
        int32_t channelBack;
        int32_t portBack;
    };
    const Case cases[] = {
        {-1, 0, -1, 0}, {9, 5, 9, 5}, {15, -1, 15, -1}, {40, 300, 15, 127}, {-9, -9, -1, -1}};
    for (const Case &c : cases) {
        TestEngine a;
        a.setOutputChannel(c.channel);
        a.setOutputPort(c.port);
        std::string bytes;
        stringStream out(bytes);
        ASSERT_TRUE(a.saveGlobals(out));
        TestEngine b;
        stringStream in(bytes);
        ASSERT_TRUE(b.loadGlobals(in));
        EXPECT_EQ(b.outputChannel(), c.channelBack) << c.channel;
        EXPECT_EQ(b.outputPort(), c.portBack) << c.port;
    }
}

TEST_F(PersistenceTest, GlobalsBlockLayout)
{
    TestEngine engine;
    engine.setOutputChannel(-1);
    engine.setOutputPort(2);
    engine.setMeasureCount(3);
    engine.setTriggerEnabled(true);
    engine.setTriggerBase(50);
    engine.setVelocityMin(40);
    engine.setVelocityMax(100);
    engine.setRestartHostOnChange(false);
    engine.setFillMeasure(12);
    std::string bytes;
    stringStream out(bytes);
    ASSERT_TRUE(engine.saveGlobals(out));
    // Version, drum map record (version, name, 128 notes), note-name set
    // name, then the bytes and ints of the block.
    size_t at = 4 + 4 + 4 + engine.drumMap().getName().size() + 128;
    const std::string set = engine.noteNames().getName();
    at += 4 + set.size();
    ASSERT_EQ(bytes.size(), at + 1 + 1 + 4 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 4);
    EXPECT_EQ(static_cast<uint8_t>(bytes[at]), 0xFF) << "channel -1";
    EXPECT_EQ(bytes[at + 1], 2);
    EXPECT_EQ(bytes[at + 2], 3);
    EXPECT_EQ(bytes[at + 6], 0) << "multi-track export";
    EXPECT_EQ(bytes[at + 7], 1) << "trigger enabled";
    EXPECT_EQ(bytes[at + 8], 50);
    EXPECT_EQ(bytes[at + 9], 40);
    EXPECT_EQ(bytes[at + 10], 100);
    EXPECT_EQ(bytes[at + 11], 0) << "restart host";
    EXPECT_EQ(bytes[at + 12], 0) << "reserved";
    EXPECT_EQ(bytes[at + 13], 12);
}

TEST_F(PersistenceTest, GlobalsValueIsWrittenOnDestructionAndReadOnConnect)
{
    {
        TestEngine engine;
        engine.setFillMeasure(7);
        engine.setOutputChannel(-1);
        engine.setTriggerEnabled(true);
    }
    EXPECT_FALSE(registryValue(sandbox.registryPath(), "Globals").empty());
    TestEngine next;
    EXPECT_EQ(next.fillMeasure(), 2) << "a new engine reads Globals when it connects";
    next.registerEngine();
    EXPECT_EQ(next.fillMeasure(), 7);
    EXPECT_EQ(next.outputChannel(), -1);
    EXPECT_TRUE(next.triggerEnabled());
    EXPECT_EQ(next.noteNames().getName(), NoteNamesProvider::kGeneralMidiSetName);
    next.unregisterEngine();
}

TEST_F(PersistenceTest, FirstInstanceReadsOnlyGlobals)
{
    TestEngine engine;
    engine.registerEngine();
    EXPECT_TRUE(registryValue(sandbox.registryPath(), "Last").empty());
    EXPECT_TRUE(engine.patternFile().empty());
    engine.unregisterEngine();
}

TEST_F(PersistenceTest, NewInstanceStartsAsACopyOfTheNewest)
{
    TestEngine first;
    first.registerEngine();
    fillEngine(first);
    TestEngine second;
    second.registerEngine();
    const std::string last = registryValue(sandbox.registryPath(), "Last");
    EXPECT_FALSE(last.empty());
    EXPECT_EQ(second.patternFile(), "Basic_1.mid");
    EXPECT_EQ(second.swingPc(), 35);
    EXPECT_EQ(second.punchIn(), 120);
    EXPECT_EQ(second.outputChannel(), 9);
    second.selectPad(2);
    EXPECT_EQ(second.patternFile(), "Snare_1.mid");
    second.unregisterEngine();
    first.unregisterEngine();
}

TEST_F(PersistenceTest, SnapshotsAndPadBlocks)
{
    TestEngine engine;
    fillEngine(engine);
    std::string snapshot;
    stringStream out(snapshot);
    ASSERT_TRUE(engine.saveLoop(out));
    TestEngine other;
    stringStream in(snapshot);
    ASSERT_TRUE(other.loadLoop(in, true));
    EXPECT_TRUE(other.saidChanged("Grindelvosket::LoadLoop"));
    EXPECT_EQ(other.patternFile(), "Basic_1.mid");
    EXPECT_EQ(other.swingDurIdx(), 3);
    std::string again;
    stringStream out2(again);
    ASSERT_TRUE(other.saveLoop(out2));
    EXPECT_TRUE(sameBytes(again, snapshot));

    std::string pads;
    stringStream padsOut(pads);
    ASSERT_TRUE(engine.pads().save(padsOut));
    QuickPadStore store(other);
    stringStream padsIn(pads);
    ASSERT_TRUE(store.load(padsIn));
    EXPECT_TRUE(store.has(2));
    std::string shortened = pads.substr(0, pads.size() - 1);
    stringStream shortIn(shortened);
    EXPECT_FALSE(store.load(shortIn));
    EXPECT_TRUE(store.has(2)) << "a damaged block leaves the pads";
}

TEST_F(PersistenceTest, AMissingPatternLeavesItsPadAsItWasLoaded)
{
    // Pad 2's pattern has its own resolution; its file goes away before the
    // state comes back.
    writePattern(sandbox, "", "Fine_1.mid", {{0, 38, 100}, {48, 42, 60}}, 96);
    TestEngine first;
    first.selectPattern("Rock", "Basic_1.mid");
    first.selectPad(2);
    first.selectPattern("", "Fine_1.mid");
    first.selectPad(0);
    const std::string saved = stateOf(first);
    ASSERT_TRUE(DeleteFileA((sandbox.fillsFolder() + "\\Fine_1.mid").c_str()));

    TestEngine second;
    ASSERT_TRUE(loadStateBytes(second, saved));
    second.selectPad(2);
    EXPECT_EQ(second.patternFile(), "Fine_1.mid");
    EXPECT_TRUE(second.getLooper(2)->usesNote(38)) << "the pad plays what its state held";
    EXPECT_EQ(second.getLooper(2)->patternResolution(), 96);
    second.selectPad(0);
    EXPECT_TRUE(sameBytes(stateOf(second), saved)) << "nothing of the other pad came into it";
}

TEST_F(PersistenceTest, SnapshotLayoutReadsAndWritesEveryFieldInPlace)
{
    SnapshotFields fields;
    fields.loopers[3].mute = 1;
    fields.loopers[4].velocityOffset = -12;
    fields.loopers[5].keyOffset = 7;
    fields.loopers[6].fixedOn = 1;
    fields.loopers[6].fixedNote = 40;
    fields.loopers[7].timeOffset = 33;
    fields.loopers[8].dynamics = 80;
    fields.loopers[2].notesOff = 1;
    fields.loopers[9].exclude = 1;
    fields.remap[36] = 35;
    const std::string bytes = snapshotBytes(fields);

    TestEngine engine;
    std::string copy = bytes;
    stringStream in(copy);
    ASSERT_TRUE(engine.loadLoop(in, false));
    // Each value read from its own place.
    EXPECT_EQ(engine.punchIn(), 120);
    EXPECT_EQ(engine.punchOut(), 840);
    EXPECT_EQ(engine.preZone(), 0);
    EXPECT_EQ(engine.maskMode(), 2);
    EXPECT_EQ(engine.afterZone(), 1);
    EXPECT_TRUE(engine.getLooper(3)->isMuted());
    EXPECT_EQ(engine.getLooper(4)->getParam(Looper::VelocityOffset), -12);
    EXPECT_EQ(engine.getLooper(5)->getParam(Looper::KeyOffset), 7);
    EXPECT_TRUE(engine.getLooper(6)->hasFixedNote());
    EXPECT_EQ(engine.getLooper(6)->fixedNote(), 40);
    EXPECT_EQ(engine.getLooper(7)->getParam(Looper::TimeOffset), 33);
    EXPECT_EQ(engine.getLooper(8)->getParam(Looper::DynamicsPercent), 80);
    EXPECT_TRUE(engine.getLooper(2)->isNotesOff());
    EXPECT_TRUE(engine.getLooper(9)->isExcluded());
    EXPECT_EQ(engine.remapTable()[36], 35);
    EXPECT_EQ(engine.swingPc(), 35);
    EXPECT_EQ(engine.swingDurIdx(), 3);
    EXPECT_TRUE(engine.quantizeOn());
    EXPECT_EQ(engine.quantizeDur(), 16);
    EXPECT_EQ(engine.veloDyn(), 40);
    EXPECT_EQ(engine.veloCenterPC(), -20);
    EXPECT_EQ(engine.velocityEnvelope().position(1), 479);
    EXPECT_EQ(engine.velocityEnvelope().value(1), 10);
    // And written back in the same places.
    std::string saved;
    stringStream out(saved);
    ASSERT_TRUE(engine.saveLoop(out));
    EXPECT_TRUE(sameBytes(saved, bytes));
}

TEST_F(PersistenceTest, StateLayoutReadsAndWritesEveryBlockInPlace)
{
    SnapshotFields live;
    SnapshotFields padThree;
    padThree.swingPc = 70;
    padThree.punchIn = 0;
    padThree.punchOut = 960;
    const std::string liveSnapshot = snapshotBytes(live);
    const GlobalsFields globals;
    const std::string bytes =
        stateBytes({{0, liveSnapshot}, {3, snapshotBytes(padThree)}}, 0, globals, liveSnapshot);

    TestEngine engine;
    ASSERT_TRUE(loadStateBytes(engine, bytes));
    EXPECT_EQ(engine.currentPad(), 0);
    EXPECT_EQ(engine.outputChannel(), 9);
    EXPECT_EQ(engine.outputPort(), 3);
    EXPECT_EQ(engine.measureCount(), 2);
    EXPECT_TRUE(engine.multiTrackExport());
    EXPECT_TRUE(engine.triggerEnabled());
    EXPECT_EQ(engine.triggerLow(), 60);
    EXPECT_EQ(engine.outputDynamics().min(), 40);
    EXPECT_EQ(engine.outputDynamics().max(), 100);
    EXPECT_FALSE(engine.restartHostOnChange());
    EXPECT_EQ(engine.fillMeasure(), 9);
    EXPECT_EQ(engine.swingPc(), 35);
    EXPECT_TRUE(sameBytes(stateOf(engine), bytes));
    engine.selectPad(3);
    EXPECT_EQ(engine.swingPc(), 70) << "the pads came along";
}

TEST_F(PersistenceTest, StoredValuesAreRefusedOrClampedLikeTheLoopersOwn)
{
    const GlobalsFields globals;
    const std::string live = snapshotBytes(SnapshotFields{});
    struct Case {
        const char *what;
        std::function<std::string()> bytes;
        bool loads;
        std::function<void(TestEngine &)> check;
    };
    const auto withLive = [&](auto change) {
        return [&globals, change] {
            SnapshotFields f;
            change(f);
            const std::string snapshot = snapshotBytes(f);
            return stateBytes({{0, snapshot}}, 0, globals, snapshot);
        };
    };
    const auto withGlobals = [&](auto change) {
        return [&live, change] {
            GlobalsFields g;
            change(g);
            return stateBytes({{0, live}}, 0, g, live);
        };
    };
    const Case cases[] = {
        {"current pad 10",
         [&] {
             return stateBytes({{0, live}}, 10, globals, live);
         },
         false, nullptr},
        {"current pad -1",
         [&] {
             return stateBytes({{0, live}}, -1, globals, live);
         },
         false, nullptr},
        {"pad key -1",
         [&] {
             return stateBytes({{-1, live}}, 0, globals, live);
         },
         false, nullptr},
        {"pad key 10",
         [&] {
             return stateBytes({{10, live}}, 0, globals, live);
         },
         false, nullptr},
        {"measure count -1", withGlobals([](GlobalsFields &g) { g.measureCount = -1; }), false, nullptr},
        {"measure count beyond a thousand", withGlobals([](GlobalsFields &g) { g.measureCount = 1001; }),
         false, nullptr},
        {"swing percent 150", withLive([](SnapshotFields &f) { f.swingPc = 150; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.swingPc(), 100); }},
        {"swing percent -5", withLive([](SnapshotFields &f) { f.swingPc = -5; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.swingPc(), 0); }},
        {"swing grid index 9", withLive([](SnapshotFields &f) { f.swingDurIdx = 9; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.swingDurIdx(), 4); }},
        {"swing grid index -1", withLive([](SnapshotFields &f) { f.swingDurIdx = -1; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.swingDurIdx(), 0); }},
        {"quantize duration 0", withLive([](SnapshotFields &f) { f.quantizeDur = 0; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.quantizeDur(), 1); }},
        {"quantize duration 5000", withLive([](SnapshotFields &f) { f.quantizeDur = 5000; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.quantizeDur(), 1024); }},
        {"velocity dynamics 300", withLive([](SnapshotFields &f) { f.veloDyn = 300; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.veloDyn(), 200); }},
        {"velocity centre -300", withLive([](SnapshotFields &f) { f.veloCenterPc = -300; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.veloCenterPC(), -100); }},
        {"mask mode 7", withLive([](SnapshotFields &f) { f.maskMode = 7; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.maskMode(), 0); }},
        {"velocity offset 200", withLive([](SnapshotFields &f) { f.loopers[1].velocityOffset = 200; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.getLooper(1)->getParam(Looper::VelocityOffset), 127); }},
        {"fill measure 0", withGlobals([](GlobalsFields &g) { g.fillMeasure = 0; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.fillMeasure(), 1); }},
        {"trigger low note 200", withGlobals([](GlobalsFields &g) { g.triggerLow = 200; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.triggerHigh(), 127); }},
        {"output channel 40", withGlobals([](GlobalsFields &g) { g.channel = 40; }), true,
         [](TestEngine &e) { EXPECT_EQ(e.outputChannel(), 15); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TestEngine engine;
        engine.setSwingPc(12, false);
        ASSERT_EQ(loadStateBytes(engine, c.bytes()), c.loads);
        if (c.check)
            c.check(engine);
        else
            EXPECT_EQ(engine.swingPc(), 12) << "a refused state changes nothing";
        if (c.loads) {
            TestEngine again;
            EXPECT_TRUE(loadStateBytes(again, stateOf(engine))) << "what was loaded saves loadably";
        }
    }
}

} // namespace
