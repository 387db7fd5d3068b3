#include "plugin/fill/library/tree_control_sync.h"
#include "plugin/framework/folders/volume_file.h"

#include "fake_tree_control.h"

#include <gtest/gtest.h>

namespace {

using library_tests::FakeTreeControl;
using Quorvane::syncFolderTreeControl;
using Quorvane::DirectoryTrees::FileBaseNode;
using Quorvane::DirectoryTrees::Tree;

Tree *folder(Tree &parent, const std::string &name)
{
    Tree *tree = new Tree(name, &parent);
    parent.addSubTree(tree);
    return tree;
}

Tree *volumeFolder(Tree &parent, const std::string &name)
{
    Tree *tree = new FileBaseNode(name, &parent);
    parent.addSubTree(tree);
    return tree;
}

FakeTreeControl::Node *child(FakeTreeControl::Node &node, const std::string &text)
{
    for (auto &c : node.children)
        if (c->text == text)
            return c.get();
    return nullptr;
}

TEST(TreeControlSync, FillsAnEmptyControlInTreeOrderWithImagesByKind)
{
    Tree root("C:\\Fills", nullptr);
    Tree *rock = folder(root, "Rock");
    folder(*rock, "Fast");
    folder(*rock, "Slow");
    Tree *latin = volumeFolder(root, "Latin.vol");
    volumeFolder(*latin, "Samba");
    folder(root, "Funk");

    FakeTreeControl control;
    syncFolderTreeControl(control, nullptr, &root);

    EXPECT_EQ(FakeTreeControl::outline(control.root), "Funk,Latin.vol(Samba),Rock(Fast,Slow)");
    auto *rockItem = child(control.root, "Rock");
    EXPECT_EQ(rockItem->image, 0);
    EXPECT_EQ(rockItem->selectedImage, 1);
    auto *latinItem = child(control.root, "Latin.vol");
    EXPECT_EQ(latinItem->image, 2);
    EXPECT_EQ(latinItem->selectedImage, 3);
    EXPECT_EQ(child(*latinItem, "Samba")->image, 2);
}

TEST(TreeControlSync, KeepsMatchingItemsInsertsMissingOnesInPlaceAndDeletesStaleOnes)
{
    Tree root("C:\\Fills", nullptr);
    folder(root, "A");
    Tree *b = folder(root, "B");
    folder(*b, "B1");
    folder(root, "C");
    folder(root, "D");

    FakeTreeControl control;
    auto *bItem = control.add(control.root, "B");
    control.add(*bItem, "Gone");
    auto *dItem = control.add(control.root, "D");
    control.add(control.root, "Z");

    syncFolderTreeControl(control, nullptr, &root);

    EXPECT_EQ(FakeTreeControl::outline(control.root), "A,B(B1),C,D");
    // The items that were right are the same items (selection and expansion
    // stay with them).
    EXPECT_EQ(child(control.root, "B"), bItem);
    EXPECT_EQ(child(control.root, "D"), dItem);
    EXPECT_EQ(control.inserts, 3); // A, B1, C
    EXPECT_EQ(control.deletes, 2); // Gone, Z
}

TEST(TreeControlSync, VolumeFolderShowsVolumeImagesWhetherInsertedOrAppended)
{
    Tree root("C:\\Fills", nullptr);
    folder(root, "A");
    volumeFolder(root, "B.vol");
    folder(root, "C");
    volumeFolder(root, "D.vol");

    FakeTreeControl control;
    control.add(control.root, "A");
    control.add(control.root, "C");
    syncFolderTreeControl(control, nullptr, &root);

    ASSERT_EQ(FakeTreeControl::outline(control.root), "A,B.vol,C,D.vol");
    for (const char *name : {"B.vol", "D.vol"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(child(control.root, name)->image, 2);
        EXPECT_EQ(child(control.root, name)->selectedImage, 3);
    }
}

TEST(TreeControlSync, ComparesNamesByteForByte)
{
    // Capitals sort before small letters; "a" and "A" are different folders.
    Tree root("C:\\Fills", nullptr);
    folder(root, "B");
    folder(root, "a");

    FakeTreeControl control;
    control.add(control.root, "A");
    control.add(control.root, "a");
    syncFolderTreeControl(control, nullptr, &root);

    EXPECT_EQ(FakeTreeControl::outline(control.root), "B,a");
}

TEST(TreeControlSync, NoFolderTreeEmptiesTheLevel)
{
    FakeTreeControl control;
    control.add(*control.add(control.root, "A"), "A1");
    control.add(control.root, "B");
    syncFolderTreeControl(control, nullptr, nullptr);
    EXPECT_EQ(FakeTreeControl::outline(control.root), "");
}

} // namespace
