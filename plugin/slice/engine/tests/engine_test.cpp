// The engine with the starter library: attach, collections and their
// default loops, parameters, a second instance, and what loop records do
// to the slices' names.
#include "plugin/slice/content/starter_loops.h"
#include "plugin/slice/engine/slice_module.h"
#include "plugin/slice/engine/tests/engine_fixture.h"
#include "plugin/slice/engine/tests/record_bytes.h"

#include "base/string_stream.h"
#include "plugin/fill/library/pattern_tree.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_test;

std::vector<std::string> defaultFiles(const std::string &collection)
{
    LoopRecord record;
    EXPECT_TRUE(StarterLoops::defaultLoop(collection, record));
    std::vector<std::string> files;
    for (const SliceRecord &slice : record.slices)
        files.push_back(slice.file);
    return files;
}

struct EngineTest : ::testing::Test {
    EngineSandbox sandbox;
};

TEST_F(EngineTest, AttachTakesTheFirstCollectionAndItsDefaultLoop)
{
    TestEngine engine;
    EXPECT_EQ(engine.patternLevel(), -1);
    engine.attach();
    EXPECT_TRUE(engine.isAttached());
    EXPECT_EQ(engine.collectionName(), "16 Funk");
    EXPECT_EQ(engine.swingDurationIndex(), 2);
    EXPECT_EQ(engine.patternLevel(), 0);
    const char *folders[kSliceCount] = {
        "16 Funk\\4.Percussion\\Cowbell\\", "16 Funk\\4.Percussion\\Maracas\\",
        "16 Funk\\4.Percussion\\Conga\\",   "16 Funk\\3.Cymbal\\HH_Cl\\",
        "16 Funk\\2.Snare\\Snare\\",        "16 Funk\\1.Kick\\Kick\\",
    };
    for (int i = 0; i < kSliceCount; ++i) {
        const SliceContentPtr content = engine.slice(i).content();
        EXPECT_EQ(content->folder, folders[i]) << i;
        EXPECT_FALSE(content->events().empty()) << i;
        EXPECT_EQ(content->mute != 0, i <= 2) << i;
    }
    EXPECT_EQ(filesOf(engine), defaultFiles("16 Funk"));
    EXPECT_EQ(engine.checkRules(kAllSlices).count, 0) << engine.checkRules(kAllSlices).text;
    EXPECT_EQ(engine.noteNames().getName(), "General MIDI Drums");
}

TEST_F(EngineTest, EachCollectionBringsItsGridAndItsDefaultLoop)
{
    TestEngine engine;
    engine.attach();
    const struct {
        const char *collection;
        int grid;
    } cases[] = {{"8 Shuffle", 1}, {"Straight Rock", 0}, {"16 Funk", 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.collection);
        engine.labels.clear();
        engine.setVolume(c.collection);
        EXPECT_EQ(engine.collectionName(), c.collection);
        EXPECT_EQ(engine.swingDurationIndex(), c.grid);
        EXPECT_EQ(filesOf(engine), defaultFiles(c.collection));
        for (int i = 0; i < kSliceCount; ++i) {
            EXPECT_EQ(folderComponent(engine.slice(i).content()->folder, 0), c.collection);
            EXPECT_FALSE(engine.slice(i).content()->events().empty()) << "read from disk or from the volume";
        }
        EXPECT_TRUE(engine.said("Vostrapellin::setVolume"));
    }
    engine.labels.clear();
    engine.setVolume("16 Funk");
    EXPECT_TRUE(engine.labels.empty()) << "the same collection again changes nothing";
}

TEST(CollectionGrid, TheLeadingNumberChoosesTheGrid)
{
    const struct {
        const char *name;
        int grid;
    } cases[] = {{"16 Funk", 2},  {"16", 2},  {"8 Shuffle", 1}, {"8", 1}, {"08 Beat", 1},
                 {"160 Beat", 0}, {"80s", 0}, {"Straight", 0},  {"", 0},  {"4 Four", 0}};
    for (const auto &c : cases)
        EXPECT_EQ(Vostrapellin::gridOfCollection(c.name), c.grid) << c.name;
}

TEST_F(EngineTest, ParametersAreClamped)
{
    TestEngine engine;
    const struct {
        const char *what;
        std::function<void()> set;
        std::function<int32_t()> get;
        int32_t want;
    } cases[] = {
        {"swing above", [&] { engine.setSwingPc(150, false); }, [&] { return engine.swingPercent(); }, 100},
        {"swing below", [&] { engine.setSwingPc(-5, false); }, [&] { return engine.swingPercent(); }, 0},
        {"grid", [&] { engine.setSwingDurIdx(9, false); }, [&] { return engine.swingDurationIndex(); }, 4},
        {"dynamics above", [&] { engine.setVelocityDynamics(200); },
         [&] { return engine.velocityDynamics(); }, 150},
        {"dynamics below", [&] { engine.setVelocityDynamics(-200); },
         [&] { return engine.velocityDynamics(); }, -100},
        {"centre", [&] { engine.setVelocityCentre(101); }, [&] { return engine.velocityCentre(); }, 100},
        {"humanize", [&] { engine.setHumanizeVelo(300, false); }, [&] { return engine.humanizeRange(); },
         127},
        {"channel", [&] { engine.setOutputChannel(16); }, [&] { return engine.outputChannel(); }, 15},
        {"no channel", [&] { engine.setOutputChannel(-7); }, [&] { return engine.outputChannel(); }, -1},
        {"cycle", [&] { engine.setCycleMeasures(0); }, [&] { return engine.cycleMeasures(); }, 1},
        {"trigger low", [&] { engine.setTriggerLow(200); }, [&] { return engine.triggerLow(); }, 127},
        {"trigger high keeps within 127", [] {}, [&] { return engine.triggerHigh(); }, 127},
    };
    for (const auto &c : cases) {
        c.set();
        EXPECT_EQ(c.get(), c.want) << c.what;
    }
    engine.setTriggerLow(40);
    EXPECT_EQ(engine.triggerHigh(), 49) << "back from the top, the range has its width again";
    EXPECT_EQ(engine.cycleLength(), 1920);
}

TEST_F(EngineTest, TheTriggerRangeKeepsItsWidthAcrossTheTop)
{
    TestEngine engine;
    engine.setTriggerEnabled(true);
    const struct {
        int32_t low;
        int32_t high;
    } steps[] = {{120, 127}, {127, 127}, {125, 127}, {118, 127}, {36, 45}, {0, 9}, {117, 126}};
    for (const auto &step : steps) {
        engine.setTriggerLow(step.low);
        EXPECT_EQ(engine.triggerLow(), step.low);
        EXPECT_EQ(engine.triggerHigh(), step.high) << step.low;
    }
    engine.setTriggerLow(36);
    for (int note = 36; note <= 45; ++note)
        EXPECT_TRUE(engine.isTrigger(note)) << "every pad answers: " << note;
    EXPECT_FALSE(engine.isTrigger(46));
}

TEST_F(EngineTest, ASoloedSliceAloneSoundsUntilItsSoloEnds)
{
    TestEngine engine;
    engine.attach();
    engine.setResolution(480);
    const auto notesOf = [&engine](int32_t from) {
        engine.played.clear();
        engine.processRange(from, from + 1919);
        std::set<int> notes;
        for (const CMidiTrack::Event &e : engine.played)
            notes.insert(e.data1);
        return notes;
    };
    const int kick = engine.slice(kKick).content()->events().front().data1;
    engine.slice(kKick).setMute(true, false);
    EXPECT_EQ(notesOf(0).count(kick), 0u);
    engine.wantPlaySolo(engine.slice(kKick));
    EXPECT_TRUE(engine.said("Vostrapellin::wantPlaySolo"));
    EXPECT_EQ(notesOf(1920), (std::set<int>{kick})) << "muted, but soloed";
    engine.wantPlaySolo(engine.slice(kKick));
    const std::set<int> after = notesOf(3840);
    EXPECT_EQ(after.count(kick), 0u);
    EXPECT_GT(after.size(), 1u);
}

TEST_F(EngineTest, ASecondInstanceStartsAsACopyOfTheLiveOne)
{
    TestEngine first;
    first.attach();
    first.setSwingPc(35, false);
    first.setHumanizeVelo(12, false);
    first.slice(kKick).setParam(Looper::VelocityOffset, -9);
    first.selectPad(4, false);
    first.slice(kSnare).nextPattern(1, false, false);
    first.selectPad(0, false);
    {
        TestEngine second;
        second.attach();
        EXPECT_EQ(stateOf(second), stateOf(first));
        EXPECT_EQ(second.swingPercent(), 35);
        EXPECT_TRUE(second.padStored(4));
    }
    // Alone, an engine starts from the defaults (and the last "Globals").
    first.detach();
    TestEngine alone;
    alone.attach();
    EXPECT_EQ(alone.swingPercent(), 0);
}

TEST_F(EngineTest, StateSavedLoadedIntoAFreshEngineAndSavedAgainIsTheSame)
{
    std::string saved;
    {
        TestEngine engine;
        engine.attach();
        engine.setSwingPc(22, false);
        engine.setVelocityDynamics(-40);
        engine.setVelocityCentre(30);
        engine.setHumanizeVelo(5, false);
        engine.setQuantize(true);
        engine.setOutputChannel(3);
        engine.setCycleMeasures(2);
        engine.setTriggerEnabled(true);
        engine.setOutputMinimum(20);
        engine.slice(1).setMute(false, false);
        engine.slice(kCymbal).setLocked(true);
        engine.slice(kKick).setSecondRange(2, 3);
        engine.selectPad(7, false);
        engine.slice(kKick).setParam(Looper::KeyOffset, 3);
        engine.selectPad(2, false);
        saved = stateOf(engine);
    }
    TestEngine fresh;
    fresh.attach();
    ASSERT_TRUE(loadStateBytes(fresh, saved));
    EXPECT_EQ(stateOf(fresh), saved);
    EXPECT_EQ(fresh.currentPad(), 2);
    EXPECT_TRUE(fresh.slice(kCymbal).isLocked());
    EXPECT_EQ(fresh.slice(kKick).lowestSecond(), 2);
    // A fresh engine that never attached reads it the same way.
    TestEngine bare;
    ASSERT_TRUE(loadStateBytes(bare, saved));
    EXPECT_EQ(stateOf(bare), saved);
}

TEST_F(EngineTest, DamagedStatesAndLoopsLeaveTheEngineAsItWas)
{
    TestEngine engine;
    engine.attach();
    engine.selectPad(1, false);
    engine.selectPad(0, false);
    const std::string state = stateOf(engine);
    const std::string loop = loopOf(engine);
    std::string midi;
    ASSERT_TRUE(testing_support::fileExists(sandbox.patternsFolder() + "\\16 Funk\\1.Kick\\Kick\\" +
                                            filesOf(engine)[5]));
    midi = testing_support::readFile(sandbox.patternsFolder() + "\\16 Funk\\1.Kick\\Kick\\" +
                                     filesOf(engine)[5]);
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"a state cut short", state.substr(0, state.size() - 3)},
        {"a state of version 10", Bytes().i32(10).raw(state.substr(4)).get()},
        {"a Standard MIDI File as state", midi},
        {"a loop as state", loop},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(loadStateBytes(engine, c.bytes));
        EXPECT_EQ(stateOf(engine), state);
    }
    for (const std::string &bad :
         {loop.substr(0, loop.size() - 1), midi, Bytes().i32(12).raw(loop.substr(4)).get()}) {
        EXPECT_FALSE(loadLoopBytes(engine, bad));
        EXPECT_EQ(stateOf(engine), state);
    }
}

TEST_F(EngineTest, ADefaultLoopThatIsNoLoopLeavesTheSlicesAsTheyChose)
{
    // Straight Rock's "Default.mid" replaced by a real MIDI file.
    const std::string rock = sandbox.patternsFolder() + "\\Straight Rock\\";
    const std::string midi =
        testing_support::readFile(rock + "1.Kick\\Kick\\01_3_1000000110000000_0#Kick.mid");
    ASSERT_FALSE(midi.empty());
    ASSERT_TRUE(testing_support::writeFile(rock + "Default.mid", midi));
    TestEngine engine;
    engine.attach();
    EXPECT_FALSE(loadAsLoop(*SliceModule::patternLibrary(), "Straight Rock\\", "Default.mid", engine));
    engine.setVolume("Straight Rock");
    EXPECT_EQ(engine.collectionName(), "Straight Rock");
    for (int i = 0; i < kSliceCount; ++i)
        EXPECT_EQ(folderComponent(engine.slice(i).content()->folder, 0), "Straight Rock");
    EXPECT_NE(filesOf(engine), defaultFiles("Straight Rock"));
}

TEST_F(EngineTest, AnotherCollectionAsksAboutEditedSlicesOnce)
{
    for (const bool agree : {true, false}) {
        SCOPED_TRACE(agree ? "let go" : "kept");
        TestEngine engine;
        engine.attach();
        RecordingView view;
        view.agree = agree;
        engine.addView(&view);
        const std::string before = engine.collectionName();
        ASSERT_GE(engine.slice(kSnare).addNote(120, 38, 100), 0);
        ASSERT_GE(engine.slice(kKick).addNote(0, 36, 100), 0);
        engine.setVolume(before == "8 Shuffle" ? "16 Funk" : "8 Shuffle");
        EXPECT_EQ(view.asked, 1);
        EXPECT_EQ(engine.collectionName() != before, agree);
        EXPECT_EQ(engine.anyModified(), !agree);
        engine.removeView(&view);
    }
}

TEST_F(EngineTest, ADamagedVolumeGivesWhatItHoldsAndNothingMore)
{
    const std::string path = sandbox.patternsFolder() + "\\8 Shuffle";
    const std::string volume = testing_support::readFile(path);
    ASSERT_GT(volume.size(), 1000u);
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"another magic", "Quorvane Vostrapellin Volumx" + volume.substr(28)},
        {"cut in its middle", volume.substr(0, volume.size() / 2)},
        {"cut in its magic", volume.substr(0, 12)},
        {"a name length beyond the file", volume.substr(0, 29) + Bytes().i32(0x7FFFFFF0).get()},
        {"empty", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testing_support::writeFile(path, c.bytes));
        TestEngine engine;
        engine.attach();
        engine.setVolume("8 Shuffle");
        // Folders the volume lacks resolve into the library's first
        // collection; what plays was read whole, or nothing is.
        for (int i = 0; i < kSliceCount; ++i) {
            const SliceContentPtr content = engine.slice(i).content();
            EXPECT_TRUE(content->events().empty() || content->patterns->indexOf(content->file) >= 0) << i;
        }
        const std::string state = stateOf(engine);
        TestEngine again;
        ASSERT_TRUE(loadStateBytes(again, state));
        EXPECT_EQ(stateOf(again), state);
    }
}

TEST_F(EngineTest, SlicesKeepTheNamesTheLibraryLacks)
{
    TestEngine engine;
    engine.attach();
    Bytes b;
    b.i32(11).u8(0).i32(2);
    for (const char *folder : {"Nowhere\\4.Percussion\\Cowbell\\", "16 Funk\\4.Percussion\\Maracas\\"}) {
        b.i32(6).str(folder).str("07_3_1000000000000011_0#Gone.mid").i32(0).i32(0).i32(0);
        b.i32(0).i32(0).i32(0).i32(0).drumMap("").i32(0).i32(100).u8(54).i32(0);
    }
    const std::string loop = b.get();
    ASSERT_TRUE(loadLoopBytes(engine, loop));
    EXPECT_TRUE(engine.said("Vostrapellin::LoadLoop"));
    for (int i = 0; i < 2; ++i) {
        const SliceContentPtr content = engine.slice(i).content();
        EXPECT_EQ(content->file, "07_3_1000000000000011_0#Gone.mid") << i;
        EXPECT_TRUE(content->events().empty()) << i;
    }
    EXPECT_EQ(engine.slice(0).content()->folder, "Nowhere\\4.Percussion\\Cowbell\\");
    // What was read is what is written: the names are not lost.
    const std::string again = loopOf(engine);
    std::string expected = loop;
    // The other four slices follow in the saved loop.
    EXPECT_EQ(again.substr(0, 9), Bytes().i32(11).u8(0).i32(6).get());
    EXPECT_EQ(again.substr(9, expected.size() - 9), expected.substr(9));
}

TEST_F(EngineTest, ARemovedPatternPlaysOnUntilTheLibraryIsReadAgain)
{
    TestEngine engine;
    engine.attach();
    const SliceContentPtr before = engine.slice(kKick).content();
    ASSERT_FALSE(before->events().empty());
    const std::string path = sandbox.patternsFolder() + "\\" + before->folder + before->file;
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    SliceModule::patternLibrary()->refresh();
    // Nothing of the tree is held: the slice plays what it read.
    engine.processRange(0, 1919);
    EXPECT_FALSE(engine.played.empty());
    EXPECT_EQ(engine.slice(kKick).content(), before);
    engine.libraryChanged();
    const SliceContentPtr after = engine.slice(kKick).content();
    EXPECT_EQ(after->file, before->file) << "the name stays";
    EXPECT_TRUE(after->events().empty()) << "the pattern is gone";
}

} // namespace
