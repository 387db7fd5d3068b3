// The starter loop library as the build writes it: three collections for
// the three grids, their instrument folders and sub-collections, every
// pattern playing exactly what its name says, one collection in a volume,
// and default loops that keep every rule.
#include "plugin/slice/content/starter_loops.h"

#include "base/string_stream.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/framework/folders/volume_file.h"
#include "plugin/slice/engine/rhythm_rules.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;

// The notes of a '1' and a '2' step of each sub-collection, as a listener
// expects them.
const std::map<std::string, std::pair<int, int>> kSounds = {
    {"Kick", {36, 35}},  {"Snare", {38, 37}},     {"HH_Cl", {42, 46}},      {"HH_Op", {42, 46}},
    {"Ride", {51, 53}},  {"Conga", {63, 64}},     {"Maracas", {70, 70}},    {"Cowbell", {56, 56}},
    {"Claps", {39, 39}}, {"universal", {75, 76}}, {"Tambourine", {54, 54}},
};

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

class StarterLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(StarterLoops::writeStarterLibrary(root, &error)) << error;
        tree.setRoot(root);
    }

    testing_support::TempFolder temp;
    std::string root = temp.file("Patterns");
    PatternTree tree;
};

TEST_F(StarterLibrary, ThreeCollectionsWithTheirInstrumentsAndSubCollections)
{
    const std::vector<std::string> collections = tree.folderNames("");
    ASSERT_EQ(collections, (std::vector<std::string>{"16 Funk", "8 Shuffle", "Straight Rock"}));
    // One of them is a volume file: the magic text and 0x1A.
    const std::string volume = testing_support::readFile(root + "\\8 Shuffle");
    ASSERT_GE(volume.size(), 29u);
    EXPECT_EQ(volume.substr(0, 29), std::string("Quorvane Vostrapellin Volume\x1A", 29));
    for (const std::string &collection : collections) {
        SCOPED_TRACE(collection);
        EXPECT_EQ(tree.folderNames(collection),
                  (std::vector<std::string>{"1.Kick", "2.Snare", "3.Cymbal", "4.Percussion"}));
        EXPECT_EQ(tree.folderNames(collection + "\\3.Cymbal"),
                  (std::vector<std::string>{"HH_Cl", "HH_Op", "Ride"}));
        const std::vector<std::string> percussion = tree.folderNames(collection + "\\4.Percussion");
        for (const char *sub : {"Conga", "Maracas", "Cowbell", "Claps", "universal"})
            EXPECT_NE(std::find(percussion.begin(), percussion.end(), sub), percussion.end()) << sub;
    }
}

TEST_F(StarterLibrary, EveryPatternPlaysWhatItsNameSays)
{
    int patterns = 0;
    std::set<int> levels;
    std::set<int> strokes;
    const PatternListing all = tree.findNode("");
    for (const PatternEntry &entry : all.entries) {
        if (entry.name == "Default.mid")
            continue;
        const std::string path = entry.relativeFile();
        SCOPED_TRACE(path);
        ++patterns;
        // "<number>_<strokes>_<signature>_<level>#<sub>.mid" in the folder of
        // that sub-collection.
        const std::vector<std::string> folders = split(entry.subFolder, '\\');
        ASSERT_EQ(folders.size(), 4u);
        const std::vector<std::string> named = split(entry.name, '#');
        ASSERT_EQ(named.size(), 2u);
        EXPECT_EQ(named[1], folders[2] + ".mid");
        const std::vector<std::string> fields = split(named[0], '_');
        ASSERT_EQ(fields.size(), 4u);
        const std::string &signature = fields[2];
        ASSERT_EQ(signature.size(), 16u);
        const int level = std::stoi(fields[3]);
        levels.insert(level);
        EXPECT_TRUE(level >= 0 && level <= 2);
        const auto sound = kSounds.find(folders[2]);
        ASSERT_NE(sound, kSounds.end());

        CMidiTrack track;
        ASSERT_TRUE(tree.readPattern(entry.subFolder, entry.name, track));
        EXPECT_EQ(track.getResolution(), 480);
        EXPECT_EQ(track.getTimeSigNumerator(), 4);
        EXPECT_EQ(track.getTimeSigDenominator(), 4);
        std::string heard(16, '0');
        int count = 0;
        for (const CMidiTrack::Event &e : track.events()) {
            ASSERT_EQ(e.kind, CMidiTrack::Event::Note);
            ASSERT_EQ(e.time % 120, 0) << "a note on a sixteenth";
            ASSERT_LT(e.time + e.duration, 1920) << "inside one measure";
            const int step = e.time / 120;
            ASSERT_EQ(heard[static_cast<size_t>(step)], '0') << "one stroke per step";
            heard[static_cast<size_t>(step)] = e.data1 == sound->second.first ? '1' : '2';
            if (sound->second.first == sound->second.second)
                EXPECT_EQ(e.data1, sound->second.first);
            else
                EXPECT_TRUE(e.data1 == sound->second.first || e.data1 == sound->second.second)
                    << int(e.data1);
            EXPECT_EQ(e.channel, 9);
            ++count;
        }
        // Sub-collections with one sound play it for '2' as well.
        std::string written = signature;
        if (sound->second.first == sound->second.second)
            for (char &c : written)
                c = c == '2' ? '1' : c;
        EXPECT_EQ(heard, written);
        EXPECT_EQ(std::stoi(fields[1]), count) << "the second number counts the strokes";
        strokes.insert(count);
    }
    EXPECT_EQ(patterns, static_cast<int>(StarterLoops::starterPatterns().size()));
    EXPECT_EQ(levels, (std::set<int>{0, 1, 2}));
    EXPECT_GT(strokes.size(), 6u);
}

TEST_F(StarterLibrary, EachCollectionsDefaultLoopNamesACleanCombination)
{
    for (const char *collection : {"16 Funk", "8 Shuffle", "Straight Rock"}) {
        SCOPED_TRACE(collection);
        RefPtr<DirectoryTrees::InStream> stream = tree.openPattern(collection, "Default.mid");
        ASSERT_TRUE(stream);
        LoopRecord record;
        ASSERT_TRUE(readLoopRecord(*stream, record, false));
        ASSERT_EQ(record.slices.size(), 6u);
        EXPECT_EQ(record.level, 0);
        RuleMasks masks;
        masks.grid = std::string(collection).rfind("16", 0) == 0  ? 2
                     : std::string(collection).rfind("8", 0) == 0 ? 1
                                                                  : 0;
        for (size_t i = 0; i < record.slices.size(); ++i) {
            const SliceRecord &slice = record.slices[i];
            CMidiTrack track;
            EXPECT_TRUE(tree.readPattern(slice.folder, slice.file, track)) << slice.folder << slice.file;
            EXPECT_EQ(slice.mute, i <= 2 ? 1 : 0);
            // The masks, read from the name the way the signature is written.
            const std::string signature = split(slice.file, '_')[2];
            for (int step = 0; step < 16; ++step) {
                const uint16_t bit = static_cast<uint16_t>(0x8000 >> step);
                if (signature[static_cast<size_t>(step)] == '1')
                    masks.slices[i] |= bit;
                else if (signature[static_cast<size_t>(step)] == '2' && i == kCymbal)
                    masks.openHat |= bit;
            }
        }
        const RuleVerdict verdict = checkRules(masks, kAllSlices);
        EXPECT_EQ(verdict.count, 0) << verdict.text;
    }
}

} // namespace
