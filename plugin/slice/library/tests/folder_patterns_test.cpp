#include "plugin/slice/library/folder_patterns.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using testing_support::TempFolder;

std::vector<std::string> filesOf(const FolderPatterns &patterns)
{
    std::vector<std::string> files;
    for (const PatternChoice &choice : patterns.patterns())
        files.push_back(choice.file);
    return files;
}

// Patterns\Coll\1.Kick\Kick with three named patterns, one without '#'
// and one in a sub-folder.
struct KickFolder : ::testing::Test {
    TempFolder temp;
    std::string root = temp.file("Patterns");
    PatternTree tree;

    void SetUp() override
    {
        const std::string kick = root + "\\Coll\\1.Kick\\Kick";
        for (const std::string &folder :
             {root, root + "\\Coll", root + "\\Coll\\1.Kick", kick, kick + "\\Sub"})
            CreateDirectoryA(folder.c_str(), nullptr);
        CMidiTrack track;
        for (const char *file : {"01_2_1000000010000000_0#Kick.mid", "02_3_1000001000100000_1#Kick.mid",
                                 "plain.mid", "Sub\\03_5_1001001000100100_2#Kick.mid"})
            ASSERT_EQ(track.saveSmfFile(kick + "\\" + file), 0) << file;
        tree.setRoot(root);
    }
};

TEST_F(KickFolder, ListsThePatternsOfAFolderAndWhatTheirNamesTell)
{
    const auto patterns = FolderPatterns::list(&tree, "Coll\\1.Kick\\Kick\\");
    EXPECT_EQ(filesOf(*patterns), (std::vector<std::string>{"01_2_1000000010000000_0#Kick.mid",
                                                            "02_3_1000001000100000_1#Kick.mid", "plain.mid",
                                                            "Sub\\03_5_1001001000100100_2#Kick.mid"}));
    EXPECT_EQ(patterns->indexOf("plain.mid"), 2);
    EXPECT_EQ(patterns->indexOf("Sub\\03_5_1001001000100100_2#Kick.mid"), 3);
    EXPECT_EQ(patterns->indexOf("missing.mid"), -1);
    EXPECT_EQ(patterns->levelsPresent(), 0b111u);
    // The name without '#' is level 0 with second number 0.
    EXPECT_EQ(patterns->secondsUpToLevel(0), (1u << 2) | 1u);
    EXPECT_EQ(patterns->secondsUpToLevel(1), (1u << 3) | (1u << 2) | 1u);
    EXPECT_EQ(patterns->secondsUpToLevel(255), (1u << 5) | (1u << 3) | (1u << 2) | 1u);
    EXPECT_EQ(patterns->secondsUpToLevel(-1), 0u);
}

TEST_F(KickFolder, OnlyAFolderNamedExactlyIsListed)
{
    for (const char *folder : {"Coll\\1.Kick\\Kick", "Coll\\1.Kick\\Snare\\", "",
                               "Coll\\1.Kick\\Kick\\plain.mid\\", "..\\Patterns\\Coll\\1.Kick\\Kick\\"})
        EXPECT_EQ(FolderPatterns::list(&tree, folder)->size(), 0u) << folder;
    EXPECT_EQ(FolderPatterns::list(nullptr, "Coll\\1.Kick\\Kick\\")->size(), 0u);
    // A folder holding only sub-folders lists what they hold.
    EXPECT_EQ(FolderPatterns::list(&tree, "Coll\\1.Kick\\")->size(), 4u);
}

TEST(SecondRange, LowestAndHighestPresent)
{
    int32_t lowest = 0, highest = 0;
    secondRangeOf(0, lowest, highest);
    EXPECT_EQ(std::make_pair(lowest, highest), std::make_pair(-1, -1));
    secondRangeOf((1u << 3) | (1u << 9), lowest, highest);
    EXPECT_EQ(std::make_pair(lowest, highest), std::make_pair(3, 9));
    secondRangeOf(1u << 31, lowest, highest);
    EXPECT_EQ(std::make_pair(lowest, highest), std::make_pair(31, 31));
}

} // namespace
