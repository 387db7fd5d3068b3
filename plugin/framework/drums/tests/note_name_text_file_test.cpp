#include "base/simple_stream.h"
#include "base/string_stream.h"
#include "plugin/framework/drums/note_names.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Quorvane::NoteNames;
using namespace std::string_literals;

struct TextCase {
    const char *what;
    std::string text;
    std::map<int, std::string> named; // every other note stays unnamed
};

std::map<int, std::string> namedNotes(const NoteNames &set)
{
    std::map<int, std::string> named;
    for (int n = 0; n < NoteNames::kNoteCount; ++n)
        if (set.isNamed(n))
            named[n] = set.getNoteName(n);
    return named;
}

// Good and bad files alike: what each names.
TEST(NoteNameTextFile, TableOfFiles)
{
    const TextCase cases[] = {
        {"number, blank, word", "36 Kick\n", {{36, "Kick"}}},
        {"colon and blank", "38: Snare\r\n", {{38, "Snare"}}},
        {"tabs and colons in the gap", "42\t:\t Closed HH\r\n", {{42, "Closed HH"}}},
        {"leading blanks before the number", "  \t49 Crash\n", {{49, "Crash"}}},
        {"spaces inside and after the name stay", "51 Ride  Cymbal \n", {{51, "Ride  Cymbal "}}},
        {"no gap loses the first letter", "36Kick\n", {{36, "ick"}}},
        {"a number above 127 names nothing", "200 Nothing\n36 Kick\n", {{36, "Kick"}}},
        {"127 and 0 are notes", "0 Zero\n127 Top\n", {{0, "Zero"}, {127, "Top"}}},
        {"a line starting with a letter is skipped", "Kick 36\n# 38 comment\n40 Snare\n", {{40, "Snare"}}},
        {"the last line needs its line end", "36 Kick\n38 Snare", {{36, "Kick"}}},
        {"a number alone names nothing", "36\r\n", {}},
        {"a number alone does not take the next line", "36\n40 Snare\n", {{40, "Snare"}}},
        {"a gap without a name names nothing", "36 :\n", {}},
        {"a later line wins", "36 Kick\n36 Bass Drum\n", {{36, "Bass Drum"}}},
        {"a huge number names nothing", "99999999999999999999999 Huge\n36 Kick\n", {{36, "Kick"}}},
        {"CR alone ends lines", "36 Kick\r38 Snare\r", {{36, "Kick"}, {38, "Snare"}}},
        {"empty file", "", {}},
        {"binary bytes", "\x00\xFF\x01 36\x00Kick\n"s, {}},
    };
    for (const TextCase &c : cases) {
        std::string bytes = c.text;
        Quorvane::stringStream stream(bytes);
        NoteNames set;
        set.parseTextFile(stream);
        EXPECT_EQ(namedNotes(set), c.named) << c.what;
    }
}

TEST(NoteNameTextFile, NamesAreCutAt255Bytes)
{
    std::string bytes = "36 " + std::string(300, 'x') + "\n";
    Quorvane::stringStream stream(bytes);
    NoteNames set;
    set.parseTextFile(stream);
    EXPECT_EQ(set.getNoteName(36), std::string(255, 'x'));
}

// Larger than one read of the parser, with a name across the boundary.
TEST(NoteNameTextFile, ReadsLongFilesWhole)
{
    testing_support::TempFolder folder;
    std::string text(4090, '\n');
    text += "36 Kick Drum\n";
    for (int n = 0; n < 2000; ++n)
        text += "# filler line that is skipped\n";
    text += "38 Snare\n";
    const std::string path = folder.file("long.txt");
    ASSERT_TRUE(testing_support::writeFile(path, text));

    Quorvane::File file(path.c_str(), GENERIC_READ, OPEN_EXISTING);
    Quorvane::FileStream stream(&file);
    NoteNames set;
    EXPECT_TRUE(set.parseTextFile(stream));
    EXPECT_EQ(set.getNoteName(36), "Kick Drum");
    EXPECT_EQ(set.getNoteName(38), "Snare");
}

TEST(NoteNameTextFile, AFileThatCannotBeOpenedNamesNothing)
{
    testing_support::TempFolder folder;
    Quorvane::File file(folder.file("missing.txt").c_str(), GENERIC_READ, OPEN_EXISTING);
    Quorvane::FileStream stream(&file);
    NoteNames set;
    EXPECT_FALSE(set.parseTextFile(stream));
    EXPECT_TRUE(namedNotes(set).empty());
}

} // namespace
