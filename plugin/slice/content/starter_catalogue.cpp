// The patterns of the starter loop library, composed here as 16-step rows.
// Each collection holds the same sub-collections; its rows fit its grid:
// sixteenths with all-sixteenth hats, swung eighths, and a straight rock
// beat. Percussion layers keep apart by design: cowbell and tambourine in
// the first half of beats 1 and 3, maracas in beats 2 and 4, congas in the
// second half of beats 1 and 3, so any of them sound together.
#include "plugin/slice/content/starter_loops.h"

#include <cstdio>

namespace Quorvane::LoopSlice::StarterLoops {

namespace {

struct Row {
    const char *sub;
    int level;
    const char *steps;
};

const char *instrumentOf(const std::string &sub)
{
    if (sub == "Kick")
        return "1.Kick";
    if (sub == "Snare")
        return "2.Snare";
    if (sub == "HH_Cl" || sub == "HH_Op" || sub == "Ride")
        return "3.Cymbal";
    return "4.Percussion";
}

// Rows every collection shares: the percussion layers.
const Row kPercussion[] = {
    {"Cowbell", 0, "1000000010000000"},    {"Cowbell", 0, "1000000011000000"},
    {"Cowbell", 1, "1100000011000000"},    {"Cowbell", 2, "1000000001000000"},
    {"Maracas", 0, "0000101000001010"},    {"Maracas", 0, "0000111100001111"},
    {"Maracas", 1, "0000011100000111"},    {"Maracas", 2, "0000100100001001"},
    {"Conga", 0, "0011000000120000"},      {"Conga", 0, "0001000000010000"},
    {"Conga", 1, "0012000000210000"},      {"Conga", 2, "0021000000120000"},
    {"Tambourine", 0, "0100000001000000"}, {"Tambourine", 0, "1100000011000000"},
    {"Claps", 0, "0000100000001000"},      {"Claps", 1, "0000100000001001"},
    {"universal", 0, "1001001000100100"},  {"universal", 1, "1000001000100000"},
};

const Row kSixteenths[] = {
    {"Kick", 0, "1000000010000000"},  {"Kick", 0, "1000001000100000"},  {"Kick", 1, "1000001010000010"},
    {"Kick", 1, "1001000010100000"},  {"Kick", 2, "1001001000100100"},  {"Snare", 0, "0000100000001000"},
    {"Snare", 0, "0000100000001001"}, {"Snare", 1, "0000100100001000"}, {"Snare", 2, "0000100101001001"},
    {"Snare", 2, "0100100000001001"}, {"HH_Cl", 0, "1111111111111111"}, {"HH_Cl", 0, "1011101110111011"},
    {"HH_Cl", 1, "1101110111011101"}, {"HH_Cl", 2, "1010101010101010"}, {"HH_Op", 0, "1111111211111112"},
    {"HH_Op", 1, "1011101210111012"}, {"Ride", 0, "1011101110111011"},  {"Ride", 1, "2011101120111011"},
};

const Row kSwungEighths[] = {
    {"Kick", 0, "1000000000100000"},  {"Kick", 0, "1000000010000000"},  {"Kick", 1, "1000001000100000"},
    {"Kick", 2, "1010000000100000"},  {"Snare", 0, "0000100000001000"}, {"Snare", 0, "0000100000001010"},
    {"Snare", 1, "0000101000001000"}, {"Snare", 2, "0000100000101000"}, {"HH_Cl", 0, "1010101010101010"},
    {"HH_Cl", 0, "1010102010101020"}, {"HH_Cl", 1, "1010101010101020"}, {"HH_Op", 0, "1020102010201020"},
    {"HH_Op", 1, "1010102010101020"}, {"Ride", 0, "1010101010101010"},  {"Ride", 1, "2010101020101010"},
};

const Row kStraight[] = {
    {"Kick", 0, "1000000110000000"},  {"Kick", 0, "1000000010100000"},  {"Kick", 1, "1001000010000000"},
    {"Kick", 2, "1000000110100100"},  {"Snare", 0, "0000100000001000"}, {"Snare", 0, "0000100000001001"},
    {"Snare", 1, "0000100000001100"}, {"Snare", 2, "0010100000001000"}, {"HH_Cl", 0, "1010101010101011"},
    {"HH_Cl", 0, "1010101010101010"}, {"HH_Cl", 1, "1111111111111111"}, {"HH_Cl", 2, "1011101110111011"},
    {"HH_Op", 0, "1010101210101012"}, {"HH_Op", 1, "1010101010101012"}, {"Ride", 0, "1010101010101010"},
    {"Ride", 1, "2010101020101010"},
};

template <size_t N>
void addRows(std::vector<PatternDefinition> &patterns, const std::string &collection, const Row (&rows)[N])
{
    for (const Row &row : rows) {
        int number = 1;
        for (const PatternDefinition &p : patterns)
            if (p.collection == collection && p.sub == row.sub)
                ++number;
        patterns.push_back({collection, instrumentOf(row.sub), row.sub, number, row.steps, row.level});
    }
}

} // namespace

int PatternDefinition::strokes() const
{
    int count = 0;
    for (char c : steps)
        if (c == '1' || c == '2')
            ++count;
    return count;
}

std::string PatternDefinition::fileName() const
{
    char name[128];
    snprintf(name, sizeof name, "%02d_%d_%s_%d#%s.mid", number, strokes(), steps.c_str(), level, sub.c_str());
    return name;
}

std::string PatternDefinition::folder() const
{
    return collection + "\\" + instrument + "\\" + sub + "\\";
}

const std::vector<Collection> &starterCollections()
{
    static const std::vector<Collection> collections = {
        {"16 Funk", false},
        {"8 Shuffle", true},
        {"Straight Rock", false},
    };
    return collections;
}

const std::vector<PatternDefinition> &starterPatterns()
{
    static const std::vector<PatternDefinition> patterns = [] {
        std::vector<PatternDefinition> all;
        addRows(all, "16 Funk", kSixteenths);
        addRows(all, "16 Funk", kPercussion);
        addRows(all, "8 Shuffle", kSwungEighths);
        addRows(all, "8 Shuffle", kPercussion);
        addRows(all, "Straight Rock", kStraight);
        addRows(all, "Straight Rock", kPercussion);
        return all;
    }();
    return patterns;
}

bool soundOf(const std::string &sub, uint8_t &first, uint8_t &second)
{
    static const struct {
        const char *sub;
        uint8_t first;
        uint8_t second;
    } sounds[] = {
        {"Kick", 36, 35},  {"Snare", 38, 37},     {"HH_Cl", 42, 46},      {"HH_Op", 42, 46},
        {"Ride", 51, 53},  {"Conga", 63, 64},     {"Maracas", 70, 70},    {"Cowbell", 56, 56},
        {"Claps", 39, 39}, {"universal", 75, 76}, {"Tambourine", 54, 54},
    };
    for (const auto &s : sounds) {
        if (sub == s.sub) {
            first = s.first;
            second = s.second;
            return true;
        }
    }
    return false;
}

const std::array<const char *, kSliceCount> &defaultSubFolders()
{
    static const std::array<const char *, kSliceCount> folders = {
        "4.Percussion\\Cowbell\\", "4.Percussion\\Maracas\\", "4.Percussion\\Conga\\",
        "3.Cymbal\\HH_Cl\\",       "2.Snare\\Snare\\",        "1.Kick\\Kick\\",
    };
    return folders;
}

} // namespace Quorvane::LoopSlice::StarterLoops
