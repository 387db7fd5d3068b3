#include "plugin/framework/folders/folder_node.h"
#include "plugin/framework/folders/volume_file.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using namespace Quorvane::DirectoryTrees;
using testing_support::TempFolder;
using testing_support::writeFile;

std::vector<std::string> leafNames(const Tree &tree)
{
    std::vector<std::string> names;
    for (Leaf *leaf = tree.firstLeaf(); leaf; leaf = leaf->nextLeaf())
        names.push_back(leaf->name());
    return names;
}

std::vector<std::string> treeNames(const Tree &tree)
{
    std::vector<std::string> names;
    for (Tree *sub = tree.firstSubTree(); sub; sub = sub->nextTree())
        names.push_back(sub->name());
    return names;
}

// Every node below a tree by its path, to compare identities.
void collect(Tree &tree, std::map<std::string, Node *> &nodes)
{
    nodes[tree.getPath()] = &tree;
    for (Leaf *leaf = tree.firstLeaf(); leaf; leaf = leaf->nextLeaf())
        nodes[leaf->getPath() + "|leaf"] = leaf;
    for (Tree *sub = tree.firstSubTree(); sub; sub = sub->nextTree())
        collect(*sub, nodes);
}

std::string volumeOf(const std::string &block)
{
    return std::string(kVolumeMagic, kVolumeMagicSize) + block;
}

std::string word(uint32_t value)
{
    return std::string(reinterpret_cast<const char *>(&value), 4);
}

std::string entry(const std::string &name, const std::string &data)
{
    return word(static_cast<uint32_t>(name.size())) + name + word(static_cast<uint32_t>(data.size())) + data;
}

struct Disk : ::testing::Test {
    TempFolder folder;

    void file(const std::string &relative, const std::string &bytes = "x")
    {
        ASSERT_TRUE(writeFile(folder.file(relative), bytes)) << relative;
    }
    void dir(const std::string &relative)
    {
        ASSERT_TRUE(CreateDirectoryA(folder.file(relative).c_str(), nullptr));
    }
};

TEST(FileKinds, VolumesAndPatternsByName)
{
    struct Case {
        const char *name;
        bool volume, pattern;
    };
    const Case cases[] = {
        {"Rock", true, false},          {"Rock.vol", true, false},   {"ROCK.VOL", true, false},
        {"Rock.vol.bak", false, false}, {"a.mid", false, true},      {"A.MID", false, true},
        {"a.midi", false, false},       {"notes.txt", false, false}, {"a.mid.txt", false, false},
        {"mid", true, false},           {".vol", true, false},       {"Rockvol", true, false},
    };
    for (const Case &test : cases) {
        EXPECT_EQ(isVolumeFileName(test.name), test.volume) << test.name;
        EXPECT_EQ(isPatternFileName(test.name), test.pattern) << test.name;
    }
}

TEST_F(Disk, ScanSortsLeavesAndFindsFoldersAndVolumes)
{
    file("b.mid");
    file("A.MID");
    file("notes.txt");
    file("NoExtension", "not a volume");
    file("Pack.vol", volumeOf(entry("in.mid", "data") + word(0) + word(0)));
    dir("Sub");
    file("Sub\\deep.mid");

    FolderNode root(folder.path(), nullptr);
    root.rescan();

    EXPECT_EQ(leafNames(root), (std::vector<std::string>{"A.MID", "b.mid"}))
        << "byte order, text file ignored";
    ASSERT_EQ(treeNames(root), (std::vector<std::string>{"NoExtension", "Pack.vol", "Sub"}));

    auto *noExtension = dynamic_cast<VolumeNode *>(root.findChildTree("NoExtension"));
    ASSERT_NE(noExtension, nullptr);
    EXPECT_FALSE(noExtension->isLoaded());
    EXPECT_EQ(noExtension->firstLeaf(), nullptr) << "a wrong magic shows as an empty folder";
    EXPECT_TRUE(noExtension->isInVolume());

    auto *pack = dynamic_cast<VolumeNode *>(root.findChildTree("Pack.vol"));
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(leafNames(*pack), (std::vector<std::string>{"in.mid"}));
    EXPECT_EQ(pack->getPath(), folder.file("Pack.vol"));
    EXPECT_EQ(pack->firstLeaf()->getPath(), folder.file("Pack.vol\\in.mid"));

    Tree *sub = root.findChildTree("Sub");
    ASSERT_NE(dynamic_cast<FolderNode *>(sub), nullptr);
    EXPECT_FALSE(sub->isInVolume());
    EXPECT_EQ(leafNames(*sub), (std::vector<std::string>{"deep.mid"})) << "the scan goes all the way down";
    EXPECT_EQ(sub->firstLeaf()->getPath(), folder.file("Sub\\deep.mid"));
}

TEST_F(Disk, RescanKeepsEveryNodeThatIsStillThere)
{
    file("a.mid");
    dir("Sub");
    file("Sub\\s.mid");
    file("Pack.vol", volumeOf(entry("in.mid", "1") + word(0) + word(4) + "Deep" + entry("d.mid", "2") +
                              word(0) + word(0) + word(0)));

    FolderNode root(folder.path(), nullptr);
    root.rescan();
    std::map<std::string, Node *> before;
    collect(root, before);
    ASSERT_EQ(before.size(), 8u);

    root.rescan();
    std::map<std::string, Node *> after;
    collect(root, after);
    EXPECT_EQ(after, before) << "no change on disk, no new nodes";

    // Changes: one file added, one removed, the volume untouched.
    file("Sub\\t.mid");
    ASSERT_TRUE(DeleteFileA(folder.file("a.mid").c_str()));
    root.rescan();
    std::map<std::string, Node *> changed;
    collect(root, changed);
    EXPECT_EQ(changed.count(folder.file("a.mid") + "|leaf"), 0u);
    ASSERT_EQ(changed.count(folder.file("Sub\\t.mid") + "|leaf"), 1u);
    for (const auto &[path, node] : before) {
        if (path != folder.file("a.mid") + "|leaf") {
            EXPECT_EQ(changed[path], node) << path;
        }
    }
}

TEST_F(Disk, ANameThatChangesKindIsReplaced)
{
    dir("Thing");
    FolderNode root(folder.path(), nullptr);
    root.rescan();
    ASSERT_NE(dynamic_cast<FolderNode *>(root.findChildTree("Thing")), nullptr);

    ASSERT_TRUE(RemoveDirectoryA(folder.file("Thing").c_str()));
    file("Thing", volumeOf(entry("v.mid", "v") + word(0) + word(0)));
    root.rescan();
    auto *volume = dynamic_cast<VolumeNode *>(root.findChildTree("Thing"));
    ASSERT_NE(volume, nullptr) << "a volume file now, not the old folder";
    EXPECT_EQ(leafNames(*volume), (std::vector<std::string>{"v.mid"}));
}

TEST_F(Disk, AVanishedFolderEmptiesTheTree)
{
    file("a.mid");
    FolderNode root(folder.file("Library"), nullptr);
    dir("Library");
    file("Library\\x.mid");
    root.rescan();
    ASSERT_EQ(leafNames(root).size(), 1u);
    ASSERT_TRUE(DeleteFileA(folder.file("Library\\x.mid").c_str()));
    ASSERT_TRUE(RemoveDirectoryA(folder.file("Library").c_str()));
    root.rescan();
    EXPECT_EQ(root.firstLeaf(), nullptr);
}

TEST_F(Disk, NestingIsCapped)
{
    // Single-letter folders keep the path short enough for the old APIs.
    std::string relative;
    for (int level = 0; level <= kMaxDepth + 2; ++level) {
        relative += relative.empty() ? "d" : "\\d";
        dir(relative);
        file(relative + "\\p.mid");
    }
    FolderNode root(folder.path(), nullptr);
    root.rescan();
    Tree *tree = &root;
    int levels = 0;
    while (tree->firstSubTree()) {
        tree = tree->firstSubTree();
        ++levels;
    }
    EXPECT_EQ(levels, kMaxDepth) << "the folders below are left out";
    EXPECT_NE(tree->firstLeaf(), nullptr) << "the deepest level still shows its patterns";
}

TEST_F(Disk, LeavesOnDiskAndInVolumesReadAlike)
{
    file("z.mid", "on disk");
    file("Pack.vol", volumeOf(entry("in.mid", "in volume") + word(0) + word(0)));
    FolderNode root(folder.path(), nullptr);
    root.rescan();

    std::vector<std::string> contents;
    LeafIterator walk(&root);
    for (Leaf *leaf = walk.current(); leaf; leaf = walk.next()) {
        auto stream = leaf->open();
        ASSERT_TRUE(stream);
        char buffer[64];
        contents.emplace_back(buffer, stream->readBytes(buffer, sizeof(buffer)));
    }
    EXPECT_EQ(contents, (std::vector<std::string>{"on disk", "in volume"}));

    ASSERT_TRUE(walk.seek("Pack.vol\\in.mid"));
    EXPECT_EQ(walk.getFolderPath(), "Pack.vol");
    EXPECT_TRUE(walk.current()->isInVolume());
}

} // namespace
