#include "plugin/fill/engine/tests/engine_fixture.h"

#include "base/registry.h"
#include "base/string_stream.h"

#include <gtest/gtest.h>

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

} // namespace
