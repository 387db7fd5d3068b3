// The rhythm composer over the starter library and over a library whose
// combinations always break a rule.
#include "plugin/slice/engine/tests/engine_fixture.h"

#include "base/message_box.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_test;

// What a slice plays: its notes (time, note, velocity) and its marks.
std::vector<std::tuple<int32_t, int, int>> notesOf(const SliceContent &content)
{
    std::vector<std::tuple<int32_t, int, int>> notes;
    for (const CMidiTrack::Event &event : content.events())
        notes.emplace_back(event.time, event.data1, event.data2);
    return notes;
}

uint32_t sounding(const Vostrapellin &engine)
{
    uint32_t tested = 0;
    for (int i = 0; i < kSliceCount; ++i)
        if (!engine.slice(i).isLocked() && !engine.slice(i).content()->mute)
            tested |= 1u << i;
    return tested;
}

TEST(Compose, OverTheStarterLibraryEndsOnACleanCombination)
{
    EngineSandbox sandbox;
    TestEngine engine;
    engine.attach();
    for (const char *collection : {"16 Funk", "8 Shuffle", "Straight Rock"}) {
        engine.setVolume(collection);
        for (uint32_t seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE(std::string(collection) + ", seed " + std::to_string(seed));
            // Half the runs with every percussion layer sounding too.
            for (int layer = 0; layer < 3; ++layer)
                engine.slice(layer).setMute(seed % 2 == 1, false);
            engine.seedRandom(seed);
            engine.labels.clear();
            engine.Random(nullptr);
            const RuleVerdict verdict = engine.checkRules(sounding(engine));
            EXPECT_EQ(verdict.count, 0) << verdict.text;
            EXPECT_TRUE(engine.said("Vostrapellin::Random"));
        }
    }
}

TEST(Compose, OneSliceNeverKeepsThePatternItStartedWith)
{
    EngineSandbox sandbox;
    TestEngine engine;
    engine.attach();
    engine.setPatternLevel(2, false);
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        engine.seedRandom(seed);
        const std::string before = engine.slice(kSnare).content()->file;
        engine.Random(&engine.slice(kSnare));
        EXPECT_NE(engine.slice(kSnare).content()->file, before) << seed;
    }
}

TEST(Compose, AnEditedSliceComposedAloneLeavesThePatternItWasEditedFrom)
{
    EngineSandbox sandbox;
    TestEngine engine;
    engine.attach();
    engine.setPatternLevel(2, false);
    RecordingView view;
    engine.addView(&view);
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        engine.seedRandom(seed);
        const std::string before = engine.slice(kSnare).content()->file;
        ASSERT_FALSE(before.empty());
        ASSERT_GE(engine.slice(kSnare).addNote(120, 38, 100), 0);
        engine.Random(&engine.slice(kSnare));
        EXPECT_NE(engine.slice(kSnare).content()->file, before) << seed;
        EXPECT_FALSE(engine.slice(kSnare).content()->modified);
    }
    EXPECT_EQ(view.asked, 12);
    engine.removeView(&view);
}

// A library whose kicks all meet the snare on beat 2 in a sixteenth grid.
class ClashingLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string root = sandbox.patternsFolder() + "\\16 Clash";
        write(root + "\\1.Kick\\Kick",
              {"01_2_1000100000000000_0#Kick.mid", "02_3_1000100010000000_0#Kick.mid"});
        write(root + "\\2.Snare\\Snare",
              {"01_2_0000100000001000_0#Snare.mid", "02_3_0000100000001001_0#Snare.mid"});
        write(root + "\\3.Cymbal\\HH_Cl",
              {"01_16_1111111111111111_0#HH_Cl.mid", "02_12_1011101110111011_0#HH_Cl.mid"});
        sandbox.setProfile("Compose", "AllowTesting", 1);
        engine.attach();
        engine.addView(&view);
    }
    void TearDown() override { engine.removeView(&view); }

    static void write(const std::string &folder, std::initializer_list<const char *> files)
    {
        std::string at;
        for (size_t i = folder.find('\\', 3); i != std::string::npos; i = folder.find('\\', i + 1))
            CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
        CMidiTrack track;
        CMidiTrack::Event note;
        note.kind = CMidiTrack::Event::Note;
        note.data1 = 36;
        note.data2 = 100;
        note.duration = 60;
        track.insertEvent(note);
        for (const char *file : files)
            ASSERT_EQ(track.saveSmfFile(folder + "\\" + file), 0);
    }

    EngineSandbox sandbox{false};
    TestEngine engine;
    RecordingView view;
};

TEST_F(ClashingLibrary, AttemptsOfOneOrLessDrawOnceAndKeepTheResult)
{
    for (DWORD attempts : {1u, 0u, 0xFFFFFFFBu}) {
        SCOPED_TRACE(attempts);
        sandbox.setProfile("Compose", "Attempts", attempts);
        view.statuses.clear();
        engine.Random(nullptr);
        ASSERT_EQ(view.statuses.size(), 1u);
        const RuleVerdict verdict = engine.checkRules(sounding(engine));
        EXPECT_EQ(view.statuses[0],
                  "BAD (" + std::to_string(verdict.count) + ") Tries (1,1,1,0,0,0): " + verdict.text);
    }
}

TEST_F(ClashingLibrary, TheBestTryStays)
{
    sandbox.setProfile("Compose", "Attempts", 12);
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        engine.seedRandom(seed);
        view.statuses.clear();
        engine.Random(nullptr);
        ASSERT_EQ(view.statuses.size(), 1u);
        const RuleVerdict verdict = engine.checkRules(sounding(engine));
        // The status names the best count; what plays has it.
        EXPECT_EQ(view.statuses[0].rfind("BAD (" + std::to_string(verdict.count) + ") Tries (12,", 0), 0u)
            << view.statuses[0];
    }
}

TEST_F(ClashingLibrary, WithEverySliceLockedOrMutedNothingIsDrawn)
{
    for (int i : {kKick, kSnare, kCymbal})
        engine.slice(i).setLocked(true);
    const std::vector<std::string> files = filesOf(engine);
    engine.Random(nullptr);
    EXPECT_EQ(filesOf(engine), files);
    EXPECT_EQ(view.statuses, (std::vector<std::string>{"Chosen after 1 tries (0,0,0,0,0,0)"}));
}

TEST_F(ClashingLibrary, ASliceTheUserKeepsIsAskedAboutOnceAndNeverDrawn)
{
    // Every try blames the snare: a kept snare would be asked about on
    // each one.
    sandbox.setProfile("Compose", "Attempts", 6);
    view.agree = false;
    ASSERT_GE(engine.slice(kSnare).addNote(0, 38, 100), 0);
    const SliceContentPtr edited = engine.slice(kSnare).content();
    engine.Random(nullptr);
    EXPECT_EQ(view.asked, 1);
    EXPECT_TRUE(engine.slice(kSnare).content()->modified);
    EXPECT_EQ(notesOf(*engine.slice(kSnare).content()), notesOf(*edited)) << "the edits stay";
    EXPECT_TRUE(engine.slice(kSnare).isLocked());
    ASSERT_EQ(view.statuses.size(), 1u);
    EXPECT_NE(view.statuses[0].find(") Tries (6,0,"), std::string::npos) << view.statuses[0];
}

TEST_F(ClashingLibrary, AltChecksWithoutDrawingAndShowsTheRulesInABox)
{
    std::vector<std::string> boxes;
    const MessageBoxHook old = setMessageBoxHook([&boxes](HWND, const char *text, const char *, UINT) {
        boxes.push_back(text);
        return IDOK;
    });
    // A kick on beats 1 and 2 only: it meets the snare and leaves the
    // second half empty.
    engine.slice(kKick).setPattern(engine.slice(kKick).content()->folder, "01_2_1000100000000000_0#Kick.mid",
                                   false);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    const std::vector<std::string> files = filesOf(engine);
    engine.Random(nullptr);
    keys[VK_MENU] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    setMessageBoxHook(old);
    EXPECT_EQ(filesOf(engine), files) << "a check draws nothing";
    ASSERT_EQ(view.statuses.size(), 1u);
    const RuleVerdict verdict = engine.checkRules(kAllSlices);
    ASSERT_GE(verdict.count, 2);
    EXPECT_EQ(view.statuses[0],
              "BAD (" + std::to_string(verdict.count) + ") Tries (0,0,0,0,0,0): " + verdict.text);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].find('|'), std::string::npos);
    EXPECT_NE(boxes[0].find('\n'), std::string::npos);
}

// An edited slice in a compose of all slices: one question, before the
// first draw, whatever the answer.
TEST(Compose, AnEditedSliceIsAskedAboutOnceBeforeAnythingIsDrawn)
{
    for (const bool agree : {true, false}) {
        SCOPED_TRACE(agree ? "the edits go" : "the edits are kept");
        EngineSandbox sandbox;
        sandbox.setProfile("Compose", "Attempts", 30);
        TestEngine engine;
        engine.attach();
        engine.setPatternLevel(2, false);
        RecordingView view;
        view.agree = agree;
        engine.addView(&view);
        engine.seedRandom(7);
        ASSERT_GE(engine.slice(kSnare).addNote(120, 38, 100), 0);
        ASSERT_TRUE(engine.slice(kSnare).content()->modified);
        const std::vector<std::string> before = filesOf(engine);
        const SliceContentPtr edited = engine.slice(kSnare).content();
        std::vector<std::string> atQuestion;
        view.onAsk = [&] { atQuestion = filesOf(engine); };

        engine.Random(nullptr);

        EXPECT_EQ(view.asked, 1);
        EXPECT_EQ(atQuestion, before) << "asked before any slice changed";
        const SliceContentPtr after = engine.slice(kSnare).content();
        if (agree) {
            EXPECT_FALSE(after->modified);
            EXPECT_FALSE(engine.slice(kSnare).isLocked());
        } else {
            EXPECT_TRUE(after->modified) << "the kept slice was left out of the draw";
            EXPECT_EQ(notesOf(*after), notesOf(*edited));
            EXPECT_TRUE(engine.slice(kSnare).isLocked());
        }
        EXPECT_NE(filesOf(engine), before) << "the other slices were composed";
        engine.removeView(&view);
    }
}

TEST(Compose, NextPatternWithTheRulesSkipsWhatBreaksThem)
{
    EngineSandbox sandbox;
    TestEngine engine;
    engine.attach();
    engine.setPatternLevel(2, false);
    for (int step = 0; step < 6; ++step) {
        if (!engine.slice(kSnare).nextPattern(1, false, true))
            break;
        EXPECT_EQ(engine.checkRules(kSnareBit).count, 0) << engine.slice(kSnare).content()->file;
    }
}

} // namespace
