// The VST folders as the dialog shows them, and the check-box rules.
#include "sound/equipment/vst_folder_tree.h"

#include "sound/equipment/tests/equipment_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace equipment_test;
using namespace Quorvane;

// The labels in the order shown, indented by depth; checked ones marked.
std::string outline(const VstFolderTree &tree)
{
    std::string text;
    auto walk = [&](auto &self, int node, int depth) -> void {
        text += std::string(depth * 2, ' ') + (tree.Node(node).checked ? "[x] " : "[ ] ") +
                tree.Node(node).label + "\n";
        for (int child : tree.Node(node).children)
            self(self, child, depth + 1);
    };
    for (int root : tree.Roots())
        walk(walk, root, 0);
    return text;
}

int find(const VstFolderTree &tree, const std::string &label)
{
    for (size_t i = 0; i < tree.Nodes().size(); ++i)
        if (tree.Nodes()[i].label == label)
            return static_cast<int>(i);
    ADD_FAILURE() << label;
    return 0;
}

TEST(VstFolderTree, FoldersWithMoreComponentsFirstThenByPathFilesByName)
{
    VstFolders folders;
    // More files, whose names sort apart from their case.
    folders.place("stereo_effect", "one\\apple.DLL");
    folders.place("stereo_effect", "one\\Zebra.dll");
    CreateDirectoryA(folders.path("two\\Empty").c_str(), nullptr);
    const std::string deep = folders.path("one\\effects");
    auto cache = stringList();
    VstScanCache scan(cache.get());
    VstFolderTree tree;
    // The second folder given twice, once with a trailing separator; one
    // of the three is a folder inside the first, with more components.
    const std::string one = folders.folder(1), two = folders.folder(2) + "\\";
    ASSERT_TRUE(tree.Build({one.c_str(), deep.c_str(), two.c_str()}, scan, nullptr));
    const std::string expected = "[ ] " + deep + "\n" +
                                 "  [ ] mono\n"
                                 "    [ ] Mono.dll\n"
                                 "  [ ] Stereo.dll\n"
                                 "[ ] " +
                                 folders.folder(1) + "\n" +
                                 "  [ ] effects\n"
                                 "    [ ] mono\n"
                                 "      [ ] Mono.dll\n"
                                 "    [ ] Stereo.dll\n"
                                 "  [ ] apple.DLL\n"
                                 "  [ ] Instrument.dll\n"
                                 "  [ ] Zebra.dll\n"
                                 "[ ] " +
                                 folders.folder(2) + "\n" +
                                 "  [ ] deeper\n"
                                 "    [ ] BadMagic.dll\n"
                                 "  [ ] Empty\n"
                                 "  [ ] Bridge.dll\n";
    EXPECT_EQ(outline(tree), expected);
    // One cache entry per file, a file seen under two folders once.
    EXPECT_EQ(cache->GetNumb(), 7);
}

TEST(VstFolderTree, KnownPluginsStartCheckedAndTheCacheFollowsTheFiles)
{
    VstFolders folders;
    auto known = stringList();
    addString(*known, "stereo.dll", 0, 21);
    addString(*known, "Gone.dll", 0, 22);
    auto cache = stringList();
    addString(*cache, folders.path("one\\Instrument.dll"), 1, 31);
    addString(*cache, folders.path("one\\Removed.dll"), 2, 32);
    VstScanCache scan(cache.get());
    VstFolderTree tree;
    const std::string one = folders.folder(1);
    ASSERT_TRUE(tree.Build({nullptr, one.c_str(), ""}, scan, known.get()));
    EXPECT_EQ(outline(tree), "[x] " + one + "\n" +
                                 "  [x] effects\n"
                                 "    [ ] mono\n"
                                 "      [ ] Mono.dll\n"
                                 "    [x] Stereo.dll\n"
                                 "  [ ] Instrument.dll\n");
    EXPECT_EQ(
        scanEntries(*cache),
        (std::vector<ScanEntry>{{folders.path("one\\Instrument.dll"), 1, 31},
                                {folders.path("one\\Removed.dll"), 0xFFFFFFFF, 32},
                                {folders.path("one\\effects\\Stereo.dll"), 0x80000000, 0xFFFFFFFF},
                                {folders.path("one\\effects\\mono\\Mono.dll"), 0x80000000, 0xFFFFFFFF}}));
}

TEST(VstFolderTree, CheckingGoesDownAndUpUncheckingStopsAtACheckedSibling)
{
    VstFolders folders;
    VstScanCache scan(nullptr);
    VstFolderTree tree;
    const std::string one = folders.folder(1);
    ASSERT_TRUE(tree.Build({one.c_str()}, scan, nullptr));
    tree.SetChecked(find(tree, "effects"), true);
    EXPECT_EQ(outline(tree), "[x] " + one + "\n" +
                                 "  [x] effects\n"
                                 "    [x] mono\n"
                                 "      [x] Mono.dll\n"
                                 "    [x] Stereo.dll\n"
                                 "  [ ] Instrument.dll\n");
    tree.SetChecked(find(tree, "Mono.dll"), false);
    EXPECT_EQ(outline(tree), "[x] " + one + "\n" +
                                 "  [x] effects\n"
                                 "    [ ] mono\n"
                                 "      [ ] Mono.dll\n"
                                 "    [x] Stereo.dll\n"
                                 "  [ ] Instrument.dll\n")
        << "mono had no other checked child; effects still has Stereo";
    tree.SetChecked(find(tree, "Instrument.dll"), true);
    tree.SetChecked(find(tree, "Stereo.dll"), false);
    EXPECT_EQ(outline(tree), "[x] " + one + "\n" +
                                 "  [ ] effects\n"
                                 "    [ ] mono\n"
                                 "      [ ] Mono.dll\n"
                                 "    [ ] Stereo.dll\n"
                                 "  [x] Instrument.dll\n");
    EXPECT_EQ(tree.CheckedFiles(), std::vector<int>{find(tree, "Instrument.dll")});
    tree.SetChecked(find(tree, "Instrument.dll"), false);
    EXPECT_FALSE(tree.Node(tree.Roots()[0]).checked) << "the last checked file unchecks the top folder";
    tree.SetChecked(tree.Roots()[0], true);
    EXPECT_EQ(tree.CheckedFiles().size(), 3u);
    tree.SetChecked(tree.Roots()[0], false);
    EXPECT_TRUE(tree.CheckedFiles().empty());
}

} // namespace
