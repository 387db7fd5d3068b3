#include "plugin/fill/engine/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace Quorvane;
using namespace engine_test;

class FillPreparationTest : public ::testing::Test {
protected:
    // Note -> hit times over all loopers.
    std::map<int, std::vector<int32_t>> played()
    {
        std::map<int, std::vector<int32_t>> notes;
        for (int i = 0; i < Grindelvosket::kLooperCount; ++i) {
            CMidiTrack track;
            engine.getLooper(i)->writeInto(track);
            for (const CMidiTrack::Event &e : track.events())
                if (e.isNote())
                    notes[e.data1].push_back(e.time);
        }
        return notes;
    }

    void enableOnly(std::initializer_list<std::pair<int, int>> notesAndSlots)
    {
        for (int n = 0; n < 128; ++n)
            engine.drumSet().setNoteFlag(n, 0);
        for (auto [note, slot] : notesAndSlots) {
            engine.drumSet().setNoteFlag(note, 1);
            engine.drumSet().setInstrument(note, slot);
        }
        engine.refreshInstruments();
    }

    EngineSandbox sandbox;
    TestEngine engine;
};

TEST_F(FillPreparationTest, KickMovesToTheOnlyEnabledBassDrum)
{
    writePattern(sandbox, "", "Kick_1.mid", {{0, 36, 100}, {960, 36, 100}});
    enableOnly({{35, 1}});
    engine.selectPattern("", "Kick_1.mid");
    const auto notes = played();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes.begin()->first, 35);
    EXPECT_EQ(notes.at(35), (std::vector<int32_t>{0, 960}));
}

TEST_F(FillPreparationTest, NothingEnabledPlaysThePatternUnchanged)
{
    writePattern(sandbox, "", "Mix_1.mid", {{0, 36, 100}, {240, 42, 100}, {480, 38, 100}, {720, 60, 100}});
    enableOnly({});
    engine.selectPattern("", "Mix_1.mid");
    const auto notes = played();
    EXPECT_EQ(std::set<int>({36, 38, 42, 60}), [&] {
        std::set<int> s;
        for (auto &[n, t] : notes)
            s.insert(n);
        return s;
    }());
}

TEST_F(FillPreparationTest, HiHatsSpreadOverTwoRides)
{
    writePattern(sandbox, "", "Hats_1.mid", {{0, 42, 100}, {480, 44, 100}, {960, 46, 100}});
    enableOnly({{51, 3}, {53, 4}});
    engine.selectPattern("", "Hats_1.mid");
    const auto notes = played();
    EXPECT_EQ(notes.at(51), (std::vector<int32_t>{0, 480}));
    EXPECT_EQ(notes.at(53), (std::vector<int32_t>{960}));
}

TEST_F(FillPreparationTest, OpenHiHatGoesToAnEnabledCrashFirst)
{
    writePattern(sandbox, "", "Open_1.mid", {{0, 46, 100}});
    for (int note : {42, 44, 46})
        engine.drumSet().setNoteFlag(note, 0);
    engine.refreshInstruments();
    engine.selectPattern("", "Open_1.mid");
    const auto notes = played();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes.begin()->first, 49);
}

TEST_F(FillPreparationTest, NotesOffMovesAnInstrumentsNotesElsewhere)
{
    writePattern(sandbox, "", "Snare_1.mid", {{0, 36, 100}, {480, 38, 100}});
    engine.getLooper(2)->setNotesOff(true);
    engine.selectPattern("", "Snare_1.mid");
    const auto notes = played();
    EXPECT_EQ(notes.count(38), 0u);
    EXPECT_EQ(notes.at(50), (std::vector<int32_t>{480})) << "the snare goes to the highest tom";
}

TEST_F(FillPreparationTest, QuantizeSnapsAndTrimsToTheFill)
{
    writePattern(sandbox, "", "Loose_1.mid", {{7, 36, 100}, {125, 38, 100}, {1919, 42, 100}});
    engine.setQuantizeDur(8, false); // eighths: 240 ticks
    engine.setQuantizeOn(true, false);
    engine.selectPattern("", "Loose_1.mid");
    const auto notes = played();
    EXPECT_EQ(notes.at(36), (std::vector<int32_t>{0}));
    EXPECT_EQ(notes.at(38), (std::vector<int32_t>{240}));
    EXPECT_EQ(notes.count(42), 0u) << "rounded onto the fill's end: dropped";
}

TEST_F(FillPreparationTest, PatternsMoveToTheirFirstBar)
{
    writePattern(sandbox, "", "Late_1.mid", {{1920 * 2 + 480, 36, 100}});
    engine.selectPattern("", "Late_1.mid");
    EXPECT_EQ(played().at(36), (std::vector<int32_t>{480}));
    EXPECT_EQ(engine.fillLength(), 960);
}

TEST_F(FillPreparationTest, AutoTransformAndCompareToggle)
{
    writePattern(
        sandbox, "", "Groove_1.mid",
        {{0, 36, 100}, {240, 42, 100}, {480, 38, 100}, {720, 42, 100}, {960, 45, 100}, {1440, 49, 100}});
    engine.selectPattern("", "Groove_1.mid");
    const auto before = played();
    srand(7);
    engine.autoTransform(false);
    EXPECT_TRUE(engine.saidChanged("Grindelvosket::LoadAndRearrange"));
    const uint8_t *remap = engine.remapTable();
    // A permutation: no two notes end on one.
    std::set<int> images;
    for (int n : {36, 38, 42, 45, 49})
        images.insert(remap[n]);
    EXPECT_EQ(images.size(), 5u);
    size_t hits = 0;
    for (auto &[n, t] : played())
        hits += t.size();
    EXPECT_GT(hits, 0u);

    const bool transformed = !engine.isUntransformed();
    engine.toggleOriginal();
    EXPECT_TRUE(engine.isUntransformed());
    EXPECT_EQ(played(), before);
    engine.toggleOriginal();
    EXPECT_EQ(!engine.isUntransformed(), transformed);
}

TEST_F(FillPreparationTest, QuantizeDropsDoubledNotes)
{
    // Two snare hits ten ticks apart: one step of the 32nd grid.
    writePattern(sandbox, "", "Flam_1.mid", {{0, 38, 100}, {10, 38, 90}, {480, 38, 100}});
    engine.selectPattern("", "Flam_1.mid");
    EXPECT_EQ(played().at(38), (std::vector<int32_t>{0, 10, 480})) << "without quantize both stay";
    engine.setQuantizeDur(32, false);
    engine.setQuantizeOn(true, false);
    EXPECT_EQ(played().at(38), (std::vector<int32_t>{0, 480})) << "on one step they are one";
}

TEST_F(FillPreparationTest, AutoTransformPrefersTheSameKindOfInstrument)
{
    // A snare alone: every enabled instrument is a candidate, weighted by
    // its group's place in the snare's preferences and doubled for the
    // drums (the snare's own kind) against the cymbals.
    writePattern(sandbox, "", "Snare_1.mid", {{0, 38, 100}, {480, 38, 100}});
    engine.selectPattern("", "Snare_1.mid");
    // With these seeds the choice falls on toms every time; counted without
    // the kind, it would be 50, 41, 46, 42 and 42: two of them hi-hats.
    const int expected[] = {45, 45, 45, 45, 47};
    for (unsigned seed = 1; seed <= 5; ++seed) {
        engine.toggleOriginal(); // back to the untransformed arrangement
        if (!engine.isUntransformed())
            engine.toggleOriginal();
        ASSERT_TRUE(engine.isUntransformed());
        srand(seed);
        engine.autoTransform(false);
        EXPECT_EQ(engine.remapTable()[38], expected[seed - 1]) << "seed " << seed;
    }
}

TEST_F(FillPreparationTest, ToggleInstrumentRebuilds)
{
    writePattern(sandbox, "", "Kick_1.mid", {{0, 36, 100}});
    engine.selectPattern("", "Kick_1.mid");
    engine.toggleInstrument(36);
    EXPECT_EQ(engine.drumSet().noteFlag(36), 0);
    EXPECT_EQ(played().count(36), 0u) << "the kick moved to another bass drum target";
    engine.toggleInstrument(36);
    EXPECT_EQ(played().count(36), 1u);
}

class DurationProfileTest : public ::testing::Test {
protected:
    EngineSandbox sandbox;
};

TEST_F(DurationProfileTest, LengthZeroKeepsThePatternsDurations)
{
    HKEY key = nullptr;
    const std::string path = "Software\\" + sandbox.registryPath() + "\\Durations";
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const DWORD zero = 0;
    RegSetValueExA(key, "Length", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&zero), sizeof(zero));
    RegCloseKey(key);
    writePattern(sandbox, "", "Kick_1.mid", {{0, 36, 100}});
    TestEngine engine;
    engine.selectPattern("", "Kick_1.mid");
    CMidiTrack track;
    engine.getLooper(1)->writeInto(track);
    ASSERT_EQ(track.getEventCount(), 1u);
    EXPECT_EQ(track.events().front().duration, 60) << "the file's own duration";

    HKEY drop = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &drop);
    RegDeleteValueA(drop, "Length");
    RegCloseKey(drop);
    TestEngine standard;
    standard.selectPattern("", "Kick_1.mid");
    CMidiTrack other;
    standard.getLooper(1)->writeInto(other);
    EXPECT_EQ(other.events().front().duration, 4 * 480 / 32);
}

} // namespace
