#include "plugin/framework/folders/folder_node.h"
#include "plugin/framework/folders/leaf_track.h"
#include "plugin/framework/folders/volume_file.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane::DirectoryTrees;
using Quorvane::CMidiTrack;
using testing_support::TempFolder;
using testing_support::writeFile;

std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

std::string le32(uint32_t value)
{
    return std::string(reinterpret_cast<const char *>(&value), 4);
}

// One kick of 120 ticks at 240 ticks per quarter.
const std::string kKickTrack = bytes({0, 0x99, 36, 100, 0x78, 0x89, 36, 0, 0, 0xFF, 0x2F, 0});
const std::string kKick = std::string("MThd") + bytes({0, 0, 0, 6, 0, 0, 0, 1, 0, 240}) + "MTrk" +
                          bytes({0, 0, 0, static_cast<int>(kKickTrack.size())}) + kKickTrack;

std::string volumeWith(const std::string &name, const std::string &data)
{
    return std::string(kVolumeMagic, kVolumeMagicSize) + le32(static_cast<uint32_t>(name.size())) + name +
           le32(static_cast<uint32_t>(data.size())) + data + le32(0) + le32(0);
}

TEST(LoadLeafAsTrack, ReadsPatternsOnDiskAndInVolumes)
{
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("kick.mid"), kKick));
    ASSERT_TRUE(writeFile(folder.file("Pack.vol"), volumeWith("packed.mid", kKick)));
    FolderNode root(folder.path(), nullptr);
    root.rescan();

    for (const char *path : {"kick.mid", "Pack.vol\\packed.mid"}) {
        auto *leaf = dynamic_cast<Leaf *>(root.findNodeByPath(path));
        ASSERT_NE(leaf, nullptr) << path;
        CMidiTrack track;
        ASSERT_TRUE(loadLeafAsTrack(*leaf, track)) << path;
        ASSERT_EQ(track.getEventCount(), 1u) << path;
        const CMidiTrack::Event &kick = track.events().front();
        EXPECT_TRUE(kick.isNote());
        EXPECT_EQ(kick.channel, 9);
        EXPECT_EQ(kick.data1, 36);
        EXPECT_EQ(kick.duration, 120);
    }
}

TEST(LoadLeafAsTrack, FailsOnMissingOrDamagedFiles)
{
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("broken.mid"), "MThd garbage"));
    ASSERT_TRUE(writeFile(folder.file("Pack.vol"), volumeWith("cut.mid", kKick.substr(0, 20))));
    FolderNode root(folder.path(), nullptr);
    root.rescan();
    Leaf *gone = new Leaf("gone.mid", &root);
    ASSERT_TRUE(root.addLeaf(gone));

    for (const char *path : {"broken.mid", "gone.mid", "Pack.vol\\cut.mid"}) {
        auto *leaf = dynamic_cast<Leaf *>(root.findNodeByPath(path));
        ASSERT_NE(leaf, nullptr) << path;
        CMidiTrack track;
        EXPECT_FALSE(loadLeafAsTrack(*leaf, track)) << path;
        EXPECT_EQ(track.getEventCount(), 0u) << path;
    }
}

} // namespace
