#include "plugin/framework/folders/directory_tree.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace Quorvane::DirectoryTrees;

std::vector<std::string> leafNames(const Tree &tree)
{
    std::vector<std::string> names;
    for (Leaf *leaf = tree.firstLeaf(); leaf; leaf = leaf->nextLeaf())
        names.push_back(leaf->name());
    return names;
}

std::vector<std::string> backwards(const Tree &tree)
{
    std::vector<std::string> names;
    for (Leaf *leaf = tree.lastLeaf(); leaf; leaf = leaf->previousLeaf())
        names.push_back(leaf->name());
    return names;
}

// C:\Lib
//   b.mid, c.mid
//   Rock\     a.mid, Slow\ s.mid
//   Jazz\     (nothing)
//   Latin\    l.mid
struct Library : ::testing::Test {
    Tree root{"C:\\Lib", nullptr};
    Tree *rock = add(root, "Rock");
    Tree *slow = add(*rock, "Slow");
    Tree *jazz = add(root, "Jazz");
    Tree *latin = add(root, "Latin");
    Leaf *c = leaf(root, "c.mid");
    Leaf *b = leaf(root, "b.mid");
    Leaf *a = leaf(*rock, "a.mid");
    Leaf *s = leaf(*slow, "s.mid");
    Leaf *l = leaf(*latin, "l.mid");

    static Tree *add(Tree &parent, const char *name)
    {
        Tree *tree = new Tree(name, &parent);
        EXPECT_TRUE(parent.addSubTree(tree));
        return tree;
    }
    static Leaf *leaf(Tree &parent, const char *name)
    {
        Leaf *leaf = new Leaf(name, &parent);
        EXPECT_TRUE(parent.addLeaf(leaf));
        return leaf;
    }
};

TEST(TreeLists, KeepByteOrderAndRefuseDuplicates)
{
    Tree root("root", nullptr);
    for (const char *name : {"b.mid", "A.MID", "a.mid", "B.mid", "_x.mid"})
        ASSERT_TRUE(root.addLeaf(new Leaf(name, &root)));
    EXPECT_EQ(leafNames(root), (std::vector<std::string>{"A.MID", "B.mid", "_x.mid", "a.mid", "b.mid"}));
    EXPECT_EQ(backwards(root), (std::vector<std::string>{"b.mid", "a.mid", "_x.mid", "B.mid", "A.MID"}));

    Leaf duplicate("a.mid", &root);
    EXPECT_FALSE(root.addLeaf(&duplicate)) << "a name already present is not inserted";
    EXPECT_EQ(leafNames(root).size(), 5u);

    // Leaves and sub-trees are separate lists: one name may be in both.
    EXPECT_TRUE(root.addSubTree(new Tree("a.mid", &root)));
    Tree sameTree("a.mid", &root);
    EXPECT_FALSE(root.addSubTree(&sameTree));
}

TEST(TreeLists, ManyChildrenAtOnceKeepTheSameRules)
{
    Tree root("root", nullptr);
    ASSERT_TRUE(root.addLeaf(new Leaf("m.mid", &root)));
    std::vector<std::unique_ptr<Leaf>> batch;
    Leaf *firstOfTwins = nullptr;
    for (const char *name : {"z.mid", "b.mid", "m.mid", "A.MID", "b.mid", "n.mid", "a.mid"}) {
        batch.push_back(std::make_unique<Leaf>(name, &root));
        if (!firstOfTwins && batch.back()->name() == "b.mid")
            firstOfTwins = batch.back().get();
    }
    root.addLeaves(std::move(batch));
    EXPECT_EQ(leafNames(root),
              (std::vector<std::string>{"A.MID", "a.mid", "b.mid", "m.mid", "n.mid", "z.mid"}));
    EXPECT_EQ(backwards(root),
              (std::vector<std::string>{"z.mid", "n.mid", "m.mid", "b.mid", "a.mid", "A.MID"}));
    EXPECT_EQ(root.findLeaf("b.mid"), firstOfTwins) << "of a repeated name the first stays";

    std::vector<std::unique_ptr<Tree>> folders;
    for (const char *name : {"Rock", "Funk", "Rock"})
        folders.push_back(std::make_unique<Tree>(name, &root));
    root.addSubTrees(std::move(folders));
    ASSERT_NE(root.firstSubTree(), nullptr);
    EXPECT_EQ(root.firstSubTree()->name(), "Funk");
    EXPECT_EQ(root.lastSubTree()->name(), "Rock");
    EXPECT_EQ(root.firstSubTree()->nextTree(), root.lastSubTree());
}

TEST(TreeLists, RemoveRelinksBothEnds)
{
    Tree root("root", nullptr);
    Leaf *first = new Leaf("1", &root), *middle = new Leaf("2", &root), *last = new Leaf("3", &root);
    for (Leaf *leaf : {last, first, middle})
        ASSERT_TRUE(root.addLeaf(leaf));
    for (Leaf *leaf : {middle, first, last}) {
        root.removeLeaf(leaf);
        delete leaf;
    }
    EXPECT_EQ(root.firstLeaf(), nullptr);
    EXPECT_EQ(root.lastLeaf(), nullptr);
}

TEST_F(Library, PathsEndFoldersWithABackslash)
{
    EXPECT_EQ(root.getPath(), "C:\\Lib\\");
    EXPECT_EQ(slow->getPath(), "C:\\Lib\\Rock\\Slow\\");
    EXPECT_EQ(s->getPath(), "C:\\Lib\\Rock\\Slow\\s.mid");
    EXPECT_EQ(b->getPath(), "C:\\Lib\\b.mid");
    EXPECT_EQ(slow->getPathLength(), slow->getPath().size());

    Tree withSeparator("C:\\Lib\\", nullptr);
    EXPECT_EQ(withSeparator.getPath(), "C:\\Lib\\") << "a root given with a backslash gets no second one";
}

TEST_F(Library, RelativePaths)
{
    EXPECT_EQ(slow->getRelativePath(&root), "Rock\\Slow");
    EXPECT_EQ(slow->getRelativePath(rock), "Slow");
    EXPECT_EQ(rock->getRelativePath(rock), "");
    EXPECT_EQ(root.getRelativePath(nullptr), "") << "a tree without a parent";
}

TEST_F(Library, FindSubTreeReturnsTheDeepestTreeReached)
{
    struct Case {
        std::string path;
        size_t start;
        Tree *Library::*expected;
    };
    Tree *Library::*const rootTree = nullptr;
    const Case cases[] = {
        {"Rock\\Slow", 0, &Library::slow},
        {"Rock\\Slow\\", 0, &Library::slow},
        {"Rock\\Fast", 0, &Library::rock},
        {"Nope\\Slow", 0, rootTree},
        {"", 0, rootTree},
        {"xxRock", 2, &Library::rock},
        {"Rock", 4, rootTree},
        {"Rock", 99, rootTree},
        {"rock", 0, rootTree} /* exact case */,
    };
    for (const Case &test : cases) {
        Tree *expected = test.expected ? this->*test.expected : &root;
        EXPECT_EQ(root.findSubTree(test.path, test.start), expected) << test.path << " from " << test.start;
    }
}

TEST_F(Library, FindNodeByPath)
{
    EXPECT_EQ(root.findNodeByPath("Rock\\Slow\\s.mid"), s);
    EXPECT_EQ(root.findNodeByPath("b.mid"), b);
    EXPECT_EQ(rock->findNodeByPath("a.mid"), a);
    EXPECT_EQ(root.findNodeByPath("Rock\\b.mid"), nullptr);
    EXPECT_EQ(root.findNodeByPath("Rock"), nullptr) << "a path without a backslash names a leaf";
    EXPECT_EQ(root.findNodeByPath(""), nullptr);
    // A folder that is not there: the look-up goes on where it stands.
    EXPECT_EQ(root.findNodeByPath("Funk\\b.mid"), b);
    EXPECT_EQ(root.findNodeByPath("Rock\\Fast\\a.mid"), a);
}

TEST_F(Library, LeafIteratorWalksDepthFirst)
{
    LeafIterator walk(&root);
    std::vector<Leaf *> seen;
    for (Leaf *leaf = walk.current(); leaf; leaf = walk.next())
        seen.push_back(leaf);
    // Own leaves first, then sub-trees in order (Jazz, Latin, Rock).
    EXPECT_EQ(seen, (std::vector<Leaf *>{b, c, l, a, s}));
    EXPECT_EQ(walk.next(), nullptr) << "stays at the end";
}

TEST_F(Library, LeafIteratorNeverClimbsAboveItsRoot)
{
    LeafIterator walk(rock);
    EXPECT_EQ(walk.current(), a);
    EXPECT_EQ(walk.next(), s);
    EXPECT_EQ(walk.next(), nullptr) << "Latin and the root's leaves are outside";

    LeafIterator empty(jazz);
    EXPECT_EQ(empty.current(), nullptr);
    EXPECT_EQ(empty.next(), nullptr);
    EXPECT_EQ(empty.getFolderPath(), "");
}

TEST_F(Library, LeafIteratorWalksBackwardInTheReverseOrder)
{
    LeafIterator walk(&root);
    std::vector<Leaf *> seen;
    for (Leaf *leaf = walk.last(); leaf; leaf = walk.previous())
        seen.push_back(leaf);
    EXPECT_EQ(seen, (std::vector<Leaf *>{s, a, l, c, b}));
    EXPECT_EQ(walk.previous(), nullptr) << "stays before the start";

    // Inside a sub-tree, from a sought leaf and across an empty folder.
    LeafIterator within(rock);
    EXPECT_EQ(within.last(), s);
    EXPECT_EQ(within.previous(), a);
    EXPECT_EQ(within.previous(), nullptr) << "the root's leaves are outside Rock";
    ASSERT_TRUE(walk.seek("Latin\\l.mid"));
    EXPECT_EQ(walk.previous(), c) << "Jazz holds nothing: the root's own leaves come next";

    LeafIterator empty(jazz);
    EXPECT_EQ(empty.last(), nullptr);
    EXPECT_EQ(empty.previous(), nullptr);
}

TEST_F(Library, LeafIteratorBackwardSkipsFoldersWithOnlyEmptySubFolders)
{
    // Latin\Empty\Deeper holds nothing; Latin's own leaf comes before it.
    add(*add(*latin, "Empty"), "Deeper");
    LeafIterator walk(latin);
    EXPECT_EQ(walk.last(), l);
    LeafIterator empty(jazz);
    add(*jazz, "Nothing");
    EXPECT_EQ(empty.last(), nullptr);
}

TEST_F(Library, LeafIteratorSeekAndFolderPath)
{
    LeafIterator walk(&root);
    EXPECT_EQ(walk.getFolderPath(), "");
    ASSERT_TRUE(walk.seek("Rock\\Slow\\s.mid"));
    EXPECT_EQ(walk.current(), s);
    EXPECT_EQ(walk.getFolderPath(), "Rock\\Slow");

    EXPECT_FALSE(walk.seek("Rock\\none.mid"));
    EXPECT_EQ(walk.current(), s) << "a failed seek does not move";

    ASSERT_TRUE(walk.seek("Latin\\l.mid"));
    EXPECT_EQ(walk.next(), a) << "walking goes on from the sought leaf";

    LeafIterator copy;
    copy = walk;
    EXPECT_EQ(copy.current(), a);
    EXPECT_EQ(copy.root(), &root);
}

TEST(NodeNames, OnlySinglePathComponentsAreSafe)
{
    for (const char *name : {"Rock", "a.mid", "a..b", "...", "Fill 1 (4-4)", "\xE9t\xE9"})
        EXPECT_TRUE(isSafeNodeName(name)) << name;
    for (const char *name : {"", ".", "..", "a\\b", "..\\x", "a/b", "C:x", "tab\there"})
        EXPECT_FALSE(isSafeNodeName(name)) << name;
    EXPECT_FALSE(isSafeNodeName(std::string("a\0b", 3)));
}

TEST(LeafStreams, ReadTheFileOrNothing)
{
    testing_support::TempFolder folder;
    ASSERT_TRUE(testing_support::writeFile(folder.file("x.mid"), "MThd-bytes"));
    Tree root(folder.path(), nullptr);
    Leaf *present = new Leaf("x.mid", &root);
    Leaf *missing = new Leaf("gone.mid", &root);
    ASSERT_TRUE(root.addLeaf(present));
    ASSERT_TRUE(root.addLeaf(missing));

    auto stream = present->open();
    ASSERT_TRUE(stream);
    char buffer[32] = {};
    EXPECT_FALSE(stream->atEnd());
    EXPECT_EQ(stream->readBytes(buffer, sizeof(buffer)), 10u);
    EXPECT_EQ(std::string(buffer, 10), "MThd-bytes");
    EXPECT_TRUE(stream->atEnd());

    auto nothing = missing->open();
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->readBytes(buffer, sizeof(buffer)), 0u);
    EXPECT_TRUE(nothing->atEnd());
}

} // namespace
