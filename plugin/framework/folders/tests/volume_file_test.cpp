#include "plugin/framework/folders/folder_node.h"
#include "plugin/framework/folders/volume_file.h"
#include "base/string_stream.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <vector>

// The largest single allocation while a test watches, to show that a length
// read from a file never sizes a buffer by itself.
static std::atomic<bool> watchAllocations{false};
static std::atomic<size_t> largestAllocation{0};

void *operator new(size_t size)
{
    if (watchAllocations && size > largestAllocation)
        largestAllocation = size;
    if (void *memory = HeapAlloc(GetProcessHeap(), 0, size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void *memory) noexcept
{
    if (memory)
        HeapFree(GetProcessHeap(), 0, memory);
}
void operator delete(void *memory, size_t) noexcept
{
    operator delete(memory);
}

namespace {

using namespace Quorvane::DirectoryTrees;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

std::string word(uint32_t value)
{
    return std::string(reinterpret_cast<const char *>(&value), 4);
}

std::string text(const std::string &name)
{
    return word(static_cast<uint32_t>(name.size())) + name;
}

std::string entry(const std::string &name, const std::string &data)
{
    return text(name) + text(data);
}

std::string magic()
{
    return std::string(kVolumeMagic, kVolumeMagicSize);
}

std::string contentOf(Leaf &leaf)
{
    auto stream = leaf.open();
    std::string bytes;
    char buffer[7]; // small on purpose: reads come in pieces
    while (uint32_t got = stream->readBytes(buffer, sizeof(buffer)))
        bytes.append(buffer, got);
    return bytes;
}

// Names and contents of everything below a tree, in order.
std::string describe(Tree &tree)
{
    std::string out = "[";
    for (Leaf *leaf = tree.firstLeaf(); leaf; leaf = leaf->nextLeaf())
        out += leaf->name() + "=" + contentOf(*leaf) + ";";
    for (Tree *sub = tree.firstSubTree(); sub; sub = sub->nextTree())
        out += sub->name() + describe(*sub);
    return out + "]";
}

InFileTerminalNode *addFile(Tree &tree, const std::string &name, const std::string &bytes)
{
    auto *leaf = new InFileTerminalNode(name, &tree);
    leaf->setData(InFileTerminalNode::Bytes(bytes.begin(), bytes.end()));
    EXPECT_TRUE(tree.addLeaf(leaf));
    return leaf;
}

FileBaseNode *addFolder(Tree &tree, const std::string &name)
{
    auto *folder = new FileBaseNode(name, &tree);
    EXPECT_TRUE(tree.addSubTree(folder));
    return folder;
}

struct Volumes : ::testing::Test {
    TempFolder folder;
    std::string path = folder.file("Pack.vol");

    // A volume node over a file holding these bytes, read; the allocations
    // of the read are watched.
    std::unique_ptr<VolumeNode> load(const std::string &bytes)
    {
        EXPECT_TRUE(writeFile(path, bytes));
        auto volume = std::make_unique<VolumeNode>("Pack.vol", &root);
        largestAllocation = 0;
        watchAllocations = true;
        volume->rescan();
        watchAllocations = false;
        return volume;
    }

    Tree root{folder.path(), nullptr};
};

TEST_F(Volumes, MagicIsTheTextAndAnEndOfFileMark)
{
    EXPECT_EQ(magic(), std::string("Quorvane Vostrapellin Volume\x1A"));
}

TEST_F(Volumes, WriterLaysOutTheFolderBlock)
{
    FileBaseNode tree("ignored", nullptr);
    addFile(tree, "b.mid", "BB");
    addFile(tree, "a.mid", "");
    FileBaseNode *sub = addFolder(tree, "Sub");
    addFile(*sub, "c.mid", "C");
    addFolder(*sub, "Empty");

    ASSERT_TRUE(writeVolumeFile(tree, path));
    const std::string expected = magic() + entry("a.mid", "") + entry("b.mid", "BB") + word(0) + text("Sub") +
                                 entry("c.mid", "C") + word(0) + text("Empty") + word(0) + word(0) + word(0) +
                                 word(0);
    EXPECT_EQ(readFile(path), expected);
}

TEST_F(Volumes, AFolderOnDiskPacksAndReadsBackTheSame)
{
    TempFolder source;
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>(i * 7);
    ASSERT_TRUE(writeFile(source.file("big.mid"), binary));
    ASSERT_TRUE(writeFile(source.file("Empty.mid"), ""));
    ASSERT_TRUE(CreateDirectoryA(source.file("Sub").c_str(), nullptr));
    ASSERT_TRUE(writeFile(source.file("Sub\\x.MID"), "MThd"));
    ASSERT_TRUE(writeFile(source.file("Sub\\skip.txt"), "ignored"));
    ASSERT_TRUE(writeFile(source.file("Inner.vol"), magic() + entry("v.mid", "vv") + word(0) + word(0)));

    FolderNode disk(source.path(), nullptr);
    disk.rescan();
    ASSERT_TRUE(writeVolumeFile(disk, path));

    auto volume = load(readFile(path));
    EXPECT_TRUE(volume->isLoaded());
    EXPECT_EQ(describe(*volume), describe(disk));
    EXPECT_EQ(describe(*volume), "[Empty.mid=;big.mid=" + binary + ";Inner.vol[v.mid=vv;]Sub[x.MID=MThd;]]");

    // And a volume written from a volume is the same file again.
    const std::string first = readFile(path);
    const std::string again = folder.file("Again.vol");
    ASSERT_TRUE(writeVolumeFile(*volume, again));
    EXPECT_EQ(readFile(again), first);
}

TEST_F(Volumes, WrongOrMissingMagicShowsAnEmptyFolder)
{
    std::string wrong = magic() + entry("a.mid", "x") + word(0) + word(0);
    wrong[0] = 'q';
    auto volume = load(wrong);
    EXPECT_FALSE(volume->isLoaded());
    EXPECT_EQ(describe(*volume), "[]");

    volume = load("short");
    EXPECT_FALSE(volume->isLoaded());

    volume = load(magic() + word(0) + word(0));
    EXPECT_TRUE(volume->isLoaded());
    EXPECT_EQ(describe(*volume), "[]");

    ASSERT_TRUE(DeleteFileA(path.c_str()));
    volume->rescan();
    EXPECT_FALSE(volume->isLoaded());
}

TEST_F(Volumes, DamagedFilesKeepTheEntriesReadSoFar)
{
    const std::string good = magic() + entry("a.mid", "AAA") + entry("b.mid", "B");
    struct Case {
        const char *what;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"ends after a file entry", good, "[a.mid=AAA;b.mid=B;]"},
        {"ends inside a name", good + word(9) + "c.m", "[a.mid=AAA;b.mid=B;]"},
        {"ends inside the data", good + text("c.mid") + word(100) + "cc", "[a.mid=AAA;b.mid=B;]"},
        {"ends inside a length", good + "\x05\x00", "[a.mid=AAA;b.mid=B;]"},
        {"ends inside a sub-folder", good + word(0) + text("Sub") + entry("s.mid", "S"),
         "[a.mid=AAA;b.mid=B;Sub[s.mid=S;]]"},
        {"a huge name length", good + word(0xFFFFFFF0) + "x" + word(0) + word(0), "[a.mid=AAA;b.mid=B;]"},
        {"a huge data length", good + text("c.mid") + word(0x7FFFFFFF) + "xyz" + word(0) + word(0),
         "[a.mid=AAA;b.mid=B;]"},
        {"a damaged file list hides what follows",
         good + word(0x7FFFFFFF) + word(0) + text("Sub") + word(0) + word(0), "[a.mid=AAA;b.mid=B;]"},
    };
    for (const Case &test : cases) {
        auto volume = load(test.bytes);
        EXPECT_EQ(describe(*volume), test.expected) << test.what;
        EXPECT_LT(largestAllocation.load(), 4096u) << test.what << ": a length sized a buffer by itself";
    }
}

TEST_F(Volumes, LoadingFromAStreamOfUnknownSizeAllocatesOnlyWhatArrives)
{
    std::string bytes = entry("a.mid", "A") + text("b.mid") + word(0x7FFFFFFF) + std::string(1000, 'x');
    Quorvane::stringStream in(bytes);
    FileBaseNode tree("", nullptr);
    largestAllocation = 0;
    watchAllocations = true;
    const bool complete = tree.load(in);
    watchAllocations = false;
    EXPECT_FALSE(complete);
    EXPECT_EQ(describe(tree), "[a.mid=A;]");
    EXPECT_LT(largestAllocation.load(), 1024u * 1024u);

    std::string data = word(3) + "abc";
    Quorvane::stringStream dataIn(data);
    InFileTerminalNode leaf("x.mid", nullptr);
    ASSERT_TRUE(leaf.load(dataIn));
    EXPECT_EQ(leaf.size(), 3u);
    std::string truncated = word(4) + "ab";
    Quorvane::stringStream truncatedIn(truncated);
    EXPECT_FALSE(leaf.load(truncatedIn));
    EXPECT_EQ(leaf.size(), 3u) << "a failed load keeps the old bytes";
}

TEST_F(Volumes, UnsafeAndDuplicateNamesAreDropped)
{
    const std::string block = entry("..", "up") + entry("a\\b.mid", "sep") + entry("c/d.mid", "slash") +
                              entry("ok.mid", "1") + entry("ok.mid", "2") + word(0) + text("..") +
                              entry("evil.mid", "e") + word(0) + word(0) + text("Fine") + word(0) + word(0) +
                              word(0);
    auto volume = load(magic() + block);
    EXPECT_EQ(describe(*volume), "[ok.mid=1;Fine[]]") << "the entries after a bad one are still read";
}

TEST_F(Volumes, NestingIsCapped)
{
    // One level more than the cap: the levels up to the cap are read.
    std::string bytes = magic();
    for (int level = 0; level <= kMaxDepth; ++level)
        bytes += word(0) + text("d");
    bytes += word(0) + word(0);
    for (int level = 0; level <= kMaxDepth; ++level)
        bytes += word(0);
    auto volume = load(bytes);
    int levels = 0;
    for (Tree *tree = volume->firstSubTree(); tree; tree = tree->firstSubTree())
        ++levels;
    EXPECT_EQ(levels, kMaxDepth);

    // A header claiming endless nesting in a tiny file stops at the cap.
    std::string endless = magic();
    for (int level = 0; level < 10000; ++level)
        endless += word(0) + text("d");
    volume = load(endless);
    levels = 0;
    for (Tree *tree = volume->firstSubTree(); tree; tree = tree->firstSubTree())
        ++levels;
    EXPECT_EQ(levels, kMaxDepth);
}

TEST_F(Volumes, WriterRefusesWhatCouldNotBeReadBack)
{
    ASSERT_TRUE(writeFile(path, "old volume"));
    struct Case {
        const char *what;
        std::function<void(Tree &)> build;
    };
    const Case cases[] = {
        {"a name with a separator", [](Tree &t) { addFile(t, "a\\b.mid", "x"); }},
        {"a folder named ..", [](Tree &t) { addFolder(t, ".."); }},
        {"an empty name", [](Tree &t) { addFile(t, "", "x"); }},
        {"a file that is gone", [](Tree &t) { t.addLeaf(new Leaf("gone.mid", &t)); }},
        {"nesting beyond the cap",
         [](Tree &t) {
             Tree *tree = &t;
             for (int level = 0; level <= kMaxDepth; ++level)
                 tree = addFolder(*tree, "d");
         }},
    };
    for (const Case &test : cases) {
        Tree tree(folder.path(), nullptr);
        addFile(tree, "fine.mid", "ok");
        test.build(tree);
        EXPECT_FALSE(writeVolumeFile(tree, path)) << test.what;
        EXPECT_EQ(readFile(path), "old volume") << test.what;
    }

    Tree exactlyAtCap("", nullptr);
    Tree *tree = &exactlyAtCap;
    for (int level = 0; level < kMaxDepth; ++level)
        tree = addFolder(*tree, "d");
    EXPECT_TRUE(writeVolumeFile(exactlyAtCap, path)) << "the deepest nesting the reader takes";
}

TEST_F(Volumes, AFailedWriteLeavesNoTemporaryFile)
{
    ASSERT_TRUE(writeFile(path, "old volume"));
    Tree tree(folder.path(), nullptr);
    ASSERT_TRUE(tree.addLeaf(new Leaf("gone.mid", &tree)));
    EXPECT_FALSE(writeVolumeFile(tree, path));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.file("*").c_str(), &found);
    int files = 0;
    do {
        files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(files, 1);

    Tree empty("", nullptr);
    EXPECT_FALSE(writeVolumeFile(empty, folder.file("no\\such\\folder.vol")));
}

TEST_F(Volumes, RescanKeepsNodesAndRefreshesTheirBytes)
{
    auto volume = load(magic() + entry("a.mid", "old") + entry("gone.mid", "g") + word(0) + text("Sub") +
                       entry("s.mid", "S") + word(0) + word(0) + word(0));
    Leaf *a = volume->findLeaf("a.mid");
    Tree *sub = volume->findChildTree("Sub");
    Leaf *s = sub->firstLeaf();
    auto openedBefore = a->open();

    ASSERT_TRUE(writeFile(path, magic() + entry("a.mid", "new!") + entry("b.mid", "b") + word(0) +
                                    text("Sub") + entry("s.mid", "S") + word(0) + word(0) + word(0)));
    volume->rescan();
    EXPECT_EQ(volume->findLeaf("a.mid"), a);
    EXPECT_EQ(volume->findChildTree("Sub"), sub);
    EXPECT_EQ(sub->firstLeaf(), s);
    EXPECT_EQ(describe(*volume), "[a.mid=new!;b.mid=b;Sub[s.mid=S;]]");

    // A stream opened before keeps the bytes it was opened on.
    char buffer[8];
    EXPECT_EQ(std::string(buffer, openedBefore->readBytes(buffer, sizeof(buffer))), "old");
}

TEST(InVolumeStreams, ReadInPiecesUpToTheEnd)
{
    InFileTerminalNode leaf("x.mid", nullptr);
    leaf.setData({'1', '2', '3', '4', '5'});
    auto stream = leaf.open();
    char buffer[8] = {};
    EXPECT_EQ(stream->readBytes(buffer, 3), 3u);
    EXPECT_FALSE(stream->atEnd());
    EXPECT_EQ(stream->readBytes(buffer + 3, 8), 2u);
    EXPECT_TRUE(stream->atEnd());
    EXPECT_EQ(stream->readBytes(buffer, 8), 0u);
    EXPECT_EQ(std::string(buffer, 5), "12345");

    InFileTerminalNode empty("e.mid", nullptr);
    auto nothing = empty.open();
    EXPECT_TRUE(nothing->atEnd());
    EXPECT_EQ(nothing->readBytes(buffer, 8), 0u);
    EXPECT_EQ(empty.data(), nullptr);
}

} // namespace
