#include "plugin/fill/content/fill_content.h"
#include "plugin/framework/folders/folder_node.h"
#include "plugin/framework/folders/leaf_track.h"
#include "plugin/framework/folders/volume_file.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

namespace {

using namespace Quorvane;
using namespace Quorvane::FillContent;
using namespace Quorvane::DirectoryTrees;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

using NoteList = std::vector<std::tuple<int32_t, int, int, int32_t>>;

NoteList notesOf(const CMidiTrack &track)
{
    NoteList notes;
    for (const auto &event : track.events())
        if (event.isNote())
            notes.emplace_back(event.time, event.data1, event.data2, event.duration);
    return notes;
}

// Every file below a folder, by its path relative to it, with its bytes.
void collectFiles(const std::string &folder, const std::string &prefix,
                  std::map<std::string, std::string> &files)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            collectFiles(folder + "\\" + name, prefix + name + "\\", files);
        else
            files[prefix + name] = readFile(folder + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

struct Written : ::testing::Test {
    TempFolder temp;
    std::string root = temp.file("Plugin\\Fills"); // parents are created too

    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(writeStarterLibrary(root, &error)) << error;
    }
};

TEST_F(Written, EveryFillReadsBackThroughTheLibraryTreeAsComposed)
{
    FolderNode library(root, nullptr);
    library.rescan();
    std::set<std::string> styles;
    for (Tree *style = library.firstSubTree(); style; style = style->nextTree())
        styles.insert(style->name());
    EXPECT_EQ(styles, (std::set<std::string>{"Funk", "Latin.vol", "Rock", "Shuffle"}));
    auto *volume = dynamic_cast<VolumeNode *>(library.findChildTree("Latin.vol"));
    ASSERT_NE(volume, nullptr);
    EXPECT_TRUE(volume->isLoaded());

    int read = 0;
    for (const FillDefinition &fill : starterFills()) {
        SCOPED_TRACE(fill.relativePath());
        Node *node = library.findNodeByPath(fill.relativePath());
        ASSERT_NE(node, nullptr);
        ASSERT_FALSE(node->isTree());
        EXPECT_EQ(node->isInVolume(), !fill.volume.empty());
        CMidiTrack track, expected;
        ASSERT_TRUE(loadLeafAsTrack(*static_cast<Leaf *>(node), track));
        ASSERT_TRUE(buildFill(fill, expected));
        EXPECT_EQ(track.getResolution(), kResolution);
        EXPECT_EQ(track.getTempo(), 60000000 / fill.tempo);
        EXPECT_EQ(track.getTimeSigNumerator(), 4);
        EXPECT_EQ(track.getTimeSigDenominator(), 4);
        EXPECT_EQ(notesOf(track), notesOf(expected));
        ++read;
    }
    EXPECT_EQ(read, static_cast<int>(starterFills().size()));
}

TEST_F(Written, DiskPatternsAreStandardMidiFilesOfTheirOwn)
{
    for (const FillDefinition &fill : starterFills()) {
        if (!fill.volume.empty())
            continue;
        SCOPED_TRACE(fill.relativePath());
        const std::string path = root + "\\" + fill.relativePath();
        EXPECT_EQ(readFile(path).substr(0, 4), "MThd");
        CMidiTrack track;
        ASSERT_EQ(track.loadSmfFile(path), 0);
        EXPECT_EQ(track.getUsedNoteCount(), static_cast<int>(fill.voices.size()));
    }
}

TEST_F(Written, OutputIsTheSameOnEveryRunAndReplacesWhatIsThere)
{
    std::map<std::string, std::string> first, second;
    collectFiles(root, "", first);
    size_t onDisk = 0;
    for (const FillDefinition &fill : starterFills())
        onDisk += fill.volume.empty();
    EXPECT_EQ(first.size(), onDisk + 1);
    EXPECT_EQ(first.count("Latin.vol"), 1u);
    EXPECT_EQ(first["Latin.vol"].substr(0, kVolumeMagicSize), std::string(kVolumeMagic, kVolumeMagicSize));

    // Spoil a pattern; the next run writes it anew, byte for byte.
    const std::string spoiled = root + "\\" + starterFills().front().relativePath();
    ASSERT_TRUE(writeFile(spoiled, "spoiled"));
    TempFolder otherTemp;
    const std::string other = otherTemp.file("Fills");
    ASSERT_TRUE(writeStarterLibrary(root));
    ASSERT_TRUE(writeStarterLibrary(other + "\\")); // a trailing separator is fine
    collectFiles(root, "", second);
    EXPECT_EQ(first, second);
    std::map<std::string, std::string> elsewhere;
    collectFiles(other, "", elsewhere);
    EXPECT_EQ(first, elsewhere);
}

TEST(WriteStarterLibrary, ReportsAFolderThatCannotBeMade)
{
    TempFolder temp;
    ASSERT_TRUE(writeFile(temp.file("Fills"), "a file where the folder should be"));
    const struct {
        const char *what;
        std::string folder;
    } cases[] = {
        {"file in the way", temp.file("Fills")},
        {"below a file", temp.file("Fills\\Deeper")},
        {"nothing", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_FALSE(writeStarterLibrary(c.folder, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(readFile(temp.file("Fills")), "a file where the folder should be");
}

TEST(WriteStarterLibrary, ReportsAStyleFolderThatCannotBeMade)
{
    TempFolder temp;
    const std::string root = temp.file("Fills");
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    ASSERT_TRUE(writeFile(root + "\\Rock", "in the way"));
    std::string error;
    EXPECT_FALSE(writeStarterLibrary(root, &error));
    EXPECT_NE(error.find("Rock"), std::string::npos) << error;
}

} // namespace
