#include "plugin/fill/library/pattern_tree.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/library/updater_window.h"
#include "plugin/framework/folders/volume_file.h"
#include "testing/sandbox.h"

#include "base/string_stream.h"

#include "fake_tree_control.h"

#include "plugin/fill/library/tests/own_windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

using namespace Quorvane;
using namespace Quorvane::DirectoryTrees;
using library_tests::FakeTreeControl;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr DWORD kPatience = 5000; // a change must be seen within this

// Runs the window thread's message loop until done() or the time is up.
bool pumpUntil(const std::function<bool()> &done, DWORD timeout = kPatience)
{
    const DWORD started = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        const DWORD elapsed = GetTickCount() - started;
        if (elapsed >= timeout)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, timeout - elapsed), QS_ALLINPUT);
    }
}

void pumpFor(DWORD time)
{
    pumpUntil([] { return false; }, time);
}

// A one-note pattern; the note tells the patterns apart.
std::string patternBytes(uint8_t note)
{
    CMidiTrack track;
    CMidiTrack::Event event;
    event.kind = CMidiTrack::Event::Note;
    event.channel = 9;
    event.data1 = note;
    event.data2 = 100;
    event.duration = 60;
    track.insertEvent(event);
    std::string bytes;
    stringStream out(bytes);
    EXPECT_EQ(track.saveSmf(out), 0);
    return bytes;
}

int firstNote(const CMidiTrack &track)
{
    for (const auto &event : track.events())
        if (event.isNote())
            return event.data1;
    return -1;
}

// Writes a volume holding the given (path inside the volume, note) patterns.
void writeVolume(const std::string &path, const std::vector<std::pair<std::string, uint8_t>> &patterns)
{
    Tree root("", nullptr);
    for (const auto &[inner, note] : patterns) {
        Tree *folder = &root;
        std::string name = inner;
        if (const size_t slash = inner.find('\\'); slash != std::string::npos) {
            name = inner.substr(slash + 1);
            folder = root.findChildTree(inner.substr(0, slash));
            if (!folder) {
                folder = new Tree(inner.substr(0, slash), &root);
                root.addSubTree(folder);
            }
        }
        auto *leaf = new InFileTerminalNode(name, folder);
        const std::string bytes = patternBytes(note);
        leaf->setData(InFileTerminalNode::Bytes(bytes.begin(), bytes.end()));
        folder->addLeaf(leaf);
    }
    ASSERT_TRUE(writeVolumeFile(root, path));
}

std::vector<std::string> files(const PatternListing &listing)
{
    std::vector<std::string> names;
    for (const auto &entry : listing.entries)
        names.push_back(entry.relativeFile());
    return names;
}

bool lists(const PatternTree &tree, const std::string &file)
{
    const auto names = files(tree.findNode(""));
    return std::find(names.begin(), names.end(), file) != names.end();
}

// Fills\top.mid, Fills\Rock\a.mid, Fills\Rock\Fast\b.mid, and Fills\Latin.vol
// holding d.mid and Bossa\c.mid.
struct Library : ::testing::Test {
    TempFolder temp;
    std::string root = temp.file("Fills");

    std::string at(const std::string &relative) const { return root + "\\" + relative; }
    void pattern(const std::string &relative, uint8_t note)
    {
        ASSERT_TRUE(writeFile(at(relative), patternBytes(note)));
    }

    void SetUp() override
    {
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA(at("Rock").c_str(), nullptr);
        CreateDirectoryA(at("Rock\\Fast").c_str(), nullptr);
        pattern("top.mid", 36);
        pattern("Rock\\a.mid", 38);
        pattern("Rock\\Fast\\b.mid", 42);
        writeVolume(at("Latin.vol"), {{"d.mid", 49}, {"Bossa\\c.mid", 46}});
        ASSERT_TRUE(writeFile(at("notes.txt"), "not a pattern"));
    }
};

TEST_F(Library, ListsPatternsDepthFirstWithTheirFolders)
{
    PatternTree tree;
    tree.setRoot(root);
    EXPECT_EQ(tree.getRootPath(), root);

    const PatternListing all = tree.findNode("");
    EXPECT_EQ(all.folder, "");
    EXPECT_EQ(files(all), (std::vector<std::string>{"top.mid", "Latin.vol\\d.mid", "Latin.vol\\Bossa\\c.mid",
                                                    "Rock\\a.mid", "Rock\\Fast\\b.mid"}));
    EXPECT_FALSE(all.entries[0].inVolume);
    EXPECT_TRUE(all.entries[1].inVolume);
    EXPECT_TRUE(all.entries[2].inVolume);

    for (const char *path : {"Rock", "Rock\\"}) {
        SCOPED_TRACE(path);
        const PatternListing rock = tree.findNode(path);
        EXPECT_EQ(rock.folder, "Rock\\");
        EXPECT_EQ(files(rock), (std::vector<std::string>{"a.mid", "Fast\\b.mid"}));
    }
    // A path that names no folder lists the whole library.
    const PatternListing none = tree.findNode("Jazz\\");
    EXPECT_EQ(none.folder, "");
    EXPECT_EQ(none.entries.size(), 5u);
}

TEST_F(Library, ReadsPatternsOnDiskAndInVolumes)
{
    PatternTree tree;
    tree.setRoot(root);
    const struct {
        const char *folder;
        const char *file;
        int note; // -1: nothing to read
    } cases[] = {
        {"", "top.mid", 36},
        {"Rock\\", "a.mid", 38},
        {"Rock\\", "Fast\\b.mid", 42},
        {"Rock\\Fast", "b.mid", 42},
        {"Latin.vol\\", "d.mid", 49},
        {"Latin.vol\\", "Bossa\\c.mid", 46},
        {"", "Rock\\a.mid", 38},
        {"Rock\\", "missing.mid", -1},
        {"Rock\\", "Fast", -1}, // a folder is no pattern
        {"", "notes.txt", -1},
        // Names that would climb out of the library, or only seem to stay in
        // it, find nothing.
        {"..", "top.mid", -1},
        {"Rock\\..", "a.mid", -1},
        {"", "..\\Fills\\top.mid", -1},
        {"C:", "top.mid", -1},
        {"Rock\\\\Fast", "b.mid", -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.folder) + "|" + c.file);
        CMidiTrack track;
        track.setTempo(123456);
        EXPECT_EQ(tree.readPattern(c.folder, c.file, track), c.note >= 0);
        if (c.note >= 0)
            EXPECT_EQ(firstNote(track), c.note);
        else
            EXPECT_EQ(track.getTempo(), 123456); // left as it was
    }
}

TEST_F(Library, DamagedPatternsFailToReadAndKeepTheTrack)
{
    ASSERT_TRUE(writeFile(at("Rock\\bad.mid"), "MThd garbage"));
    ASSERT_TRUE(writeFile(at("Broken.vol"), "not a volume at all"));
    PatternTree tree;
    tree.setRoot(root);
    CMidiTrack track;
    ASSERT_TRUE(tree.readPattern("", "top.mid", track));
    EXPECT_FALSE(tree.readPattern("Rock", "bad.mid", track));
    EXPECT_EQ(firstNote(track), 36);
    // A volume with a wrong magic is an empty folder.
    EXPECT_TRUE(tree.findNode("Broken.vol").entries.empty());
}

TEST_F(Library, TellsWhatLiesInsideAVolume)
{
    PatternTree tree;
    tree.setRoot(root);
    const struct {
        const char *path;
        bool inVolume;
    } cases[] = {
        {"Latin.vol", true},
        {"Latin.vol\\", true},
        {"Latin.vol\\d.mid", true},
        {"Latin.vol\\Bossa", true},
        {"Latin.vol\\Bossa\\c.mid", true},
        {"Rock", false},
        {"Rock\\Fast\\b.mid", false},
        {"top.mid", false},
        {"", false},
        {"Latin.vol\\nothing.mid", false},
        {"Nothing\\d.mid", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tree.isInVolume(c.path), c.inVolume) << c.path;
}

TEST_F(Library, CopiesAndStreamsOutliveTheNodesARescanDeletes)
{
    PatternTree tree;
    tree.setRoot(root);
    const PatternListing before = tree.findNode("");
    RefPtr<InStream> inVolume = tree.openPattern("Latin.vol", "d.mid");
    RefPtr<InStream> onDisk = tree.openPattern("Rock", "a.mid");
    ASSERT_TRUE(inVolume && onDisk);

    writeVolume(at("Latin.vol"), {{"other.mid", 50}});
    ASSERT_TRUE(DeleteFileA(at("top.mid").c_str()));
    tree.refresh();

    EXPECT_EQ(files(tree.findNode("")),
              (std::vector<std::string>{"Latin.vol\\other.mid", "Rock\\a.mid", "Rock\\Fast\\b.mid"}));
    EXPECT_EQ(before.entries.size(), 5u);
    EXPECT_EQ(before.entries[1].relativeFile(), "Latin.vol\\d.mid");
    CMidiTrack track;
    ASSERT_EQ(track.loadSmf(*inVolume), 0);
    EXPECT_EQ(firstNote(track), 49);
    ASSERT_EQ(track.loadSmf(*onDisk), 0);
    EXPECT_EQ(firstNote(track), 38);
    EXPECT_FALSE(tree.readPattern("Latin.vol", "d.mid", track));
}

TEST_F(Library, LookupsOnOtherThreadsAreSafeWhileRescansReplaceNodes)
{
    PatternTree tree;
    tree.setRoot(root);
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0}, reads{0};
    auto reader = [&] {
        while (!done) {
            for (const auto &entry : tree.findNode("Latin.vol").entries) {
                CMidiTrack track;
                if (tree.readPattern("Latin.vol", entry.relativeFile(), track)) {
                    ++reads;
                    const int note = firstNote(track);
                    if (note != 49 && note != 46 && note != 50)
                        ++wrong;
                }
                tree.isInVolume("Latin.vol\\" + entry.relativeFile());
            }
        }
    };
    std::thread first(reader), second(reader);
    for (int round = 0; round < 60; ++round) {
        if (round % 2)
            writeVolume(at("Latin.vol"), {{"d.mid", 49}, {"Bossa\\c.mid", 46}});
        else
            writeVolume(at("Latin.vol"), {{"e.mid", 50}, {"Samba\\f.mid", 50}});
        tree.refresh();
    }
    done = true;
    first.join();
    second.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(reads, 0);
}

TEST_F(Library, SettingTheSameRootAgainDoesNotRescan)
{
    PatternTree tree;
    tree.setRoot(root);
    pattern("new.mid", 40);
    tree.setRoot(root);
    EXPECT_FALSE(lists(tree, "new.mid"));
    tree.refresh();
    EXPECT_TRUE(lists(tree, "new.mid"));
}

TEST_F(Library, AnotherRootReplacesTheLibraryAndAnEmptyOneClearsIt)
{
    TempFolder other;
    ASSERT_TRUE(writeFile(other.file("x.mid"), patternBytes(51)));
    PatternTree tree;
    tree.setRoot(root);
    tree.setRoot(other.path());
    EXPECT_EQ(tree.getRootPath(), other.path());
    EXPECT_EQ(files(tree.findNode("")), std::vector<std::string>{"x.mid"});
    EXPECT_TRUE(tree.isWatching());

    tree.setRoot("");
    EXPECT_EQ(tree.getRootPath(), "");
    EXPECT_EQ(tree.path(), nullptr);
    EXPECT_FALSE(tree.isWatching());
    EXPECT_TRUE(tree.findNode("").entries.empty());
    CMidiTrack track;
    EXPECT_FALSE(tree.readPattern("", "x.mid", track));
    EXPECT_FALSE(tree.isInVolume("x.mid"));
}

TEST_F(Library, FollowsFillsAddedRenamedAndRemovedThroughItsWatcher)
{
    PatternTree tree;
    int calls = 0;
    tree.setRoot(root);
    tree.setCallback([&] { ++calls; });
    ASSERT_TRUE(tree.isWatching());

    // Changes land in the watched folder itself: under Wine a recursive
    // watch may miss changes inside sub-folders that existed before it
    // began, when several processes churn folders at once.
    const struct {
        const char *what;
        std::function<void()> change;
        std::function<bool()> seen;
    } steps[] = {
        {"added", [&] { pattern("new.mid", 40); }, [&] { return lists(tree, "new.mid"); }},
        {"renamed", [&] { ASSERT_TRUE(MoveFileA(at("new.mid").c_str(), at("renamed.mid").c_str())); },
         [&] { return lists(tree, "renamed.mid") && !lists(tree, "new.mid"); }},
        {"removed", [&] { ASSERT_TRUE(DeleteFileA(at("renamed.mid").c_str())); },
         [&] { return !lists(tree, "renamed.mid"); }},
        {"folder moved in",
         [&] {
             // Made aside and moved in whole, so it arrives as one change.
             const std::string staged = temp.file("Funk");
             CreateDirectoryA(staged.c_str(), nullptr);
             ASSERT_TRUE(writeFile(staged + "\\g.mid", patternBytes(37)));
             ASSERT_TRUE(MoveFileA(staged.c_str(), at("Funk").c_str()));
         },
         [&] { return lists(tree, "Funk\\g.mid"); }},
        {"volume replaced",
         [&] {
             writeVolume(at("Latin.vol"), {{"Samba\\s.mid", 47}});
         },
         [&] { return lists(tree, "Latin.vol\\Samba\\s.mid") && !lists(tree, "Latin.vol\\d.mid"); }},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        const int before = calls;
        step.change();
        // The watcher only posts; the rescan and the callback run here, on
        // the window thread, while it pumps.
        EXPECT_TRUE(pumpUntil([&] { return calls > before && step.seen(); }));
        EXPECT_TRUE(tree.isWatching());
    }
}

TEST_F(Library, ReadingTheLibraryRaisesNoChange)
{
    PatternTree tree;
    int calls = 0;
    tree.setRoot(root);
    tree.setCallback([&] { ++calls; });
    for (int i = 0; i < 3; ++i)
        tree.refresh();
    CMidiTrack track;
    tree.readPattern("Latin.vol", "d.mid", track);
    pumpFor(500);
    EXPECT_EQ(calls, 0);
}

TEST_F(Library, WithoutItsWindowAChangeRescansAtOnceAndCallsNoOne)
{
    PatternTree tree;
    int calls = 0;
    tree.setRoot(root);
    tree.setCallback([&] { ++calls; });
    ASSERT_TRUE(DestroyWindow(tree.updaterWindow()));
    EXPECT_EQ(tree.updaterWindow(), nullptr);
    EXPECT_FALSE(tree.isWatching());

    pattern("late.mid", 41);
    tree.changed();
    EXPECT_TRUE(lists(tree, "late.mid"));
    pumpFor(200);
    EXPECT_EQ(calls, 0);
    // Without a window nothing is watched any more.
    tree.refresh();
    EXPECT_FALSE(tree.isWatching());
}

TEST_F(Library, ClearingTheCallbackStopsTheWatchAndANewOneCatchesUp)
{
    PatternTree tree;
    int calls = 0;
    tree.setRoot(root);
    tree.setCallback(nullptr);
    EXPECT_FALSE(tree.isWatching());
    pattern("unwatched.mid", 41);
    pumpFor(300);
    EXPECT_FALSE(lists(tree, "unwatched.mid"));

    tree.setCallback([&] { ++calls; });
    EXPECT_TRUE(tree.isWatching());
    EXPECT_TRUE(lists(tree, "unwatched.mid"));
}

TEST_F(Library, DestroyingTheTreeStopsTheWatchFirst)
{
    int calls = 0;
    {
        PatternTree tree;
        tree.setRoot(root);
        tree.setCallback([&] { ++calls; });
        ASSERT_TRUE(tree.isWatching());
        pattern("pending.mid", 40); // reported, but never rescanned
    }
    pattern("after.mid", 40);
    pumpFor(300);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(ownMessageOnlyWindows(updaterClassName()).empty());
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), updaterClassName().c_str(), &info));
}

TEST_F(Library, TwoTreesWatchOnTheirOwn)
{
    TempFolder other;
    PatternTree first, second;
    int firstCalls = 0, secondCalls = 0;
    first.setRoot(root);
    first.setCallback([&] { ++firstCalls; });
    second.setRoot(other.path());
    second.setCallback([&] { ++secondCalls; });
    ASSERT_TRUE(writeFile(other.file("x.mid"), patternBytes(51)));
    EXPECT_TRUE(pumpUntil([&] { return secondCalls > 0 && lists(second, "x.mid"); }));
    EXPECT_EQ(firstCalls, 0);
}

TEST_F(Library, ResolvesStoredFoldersToTheirDepth)
{
    PatternTree tree;
    std::string path = "Rock\\";
    EXPECT_FALSE(tree.resolve(path, 2)) << "no library";
    EXPECT_EQ(path, "Rock\\");
    EXPECT_EQ(tree.firstFolder(), "");

    tree.setRoot(root);
    const struct {
        const char *path;
        int depth;
        const char *found;
        bool same;
    } cases[] = {
        {"Rock\\Fast\\", 2, "Rock\\Fast\\", true},
        // Shorter than the depth: completed with the first sub-folders.
        {"Rock\\", 2, "Rock\\Fast\\", false},
        {"Rock\\", 3, "Rock\\Fast\\", false},
        {"", 2, "Latin.vol\\Bossa\\", false},
        // Unknown, unsafe or naming a pattern: from the library itself.
        {"Jazz\\Cool\\", 2, "Latin.vol\\Bossa\\", false},
        {"Rock\\..\\", 2, "Latin.vol\\Bossa\\", false},
        {"Rock\\a.mid\\", 1, "Latin.vol\\", false},
        // Inside a volume, and the stored form's last backslash.
        {"Latin.vol\\Bossa\\", 2, "Latin.vol\\Bossa\\", true},
        {"Rock\\Fast", 2, "Rock\\Fast\\", false},
        {"Rock\\Fast\\", 1, "Rock\\Fast\\", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.path) + " to depth " + std::to_string(c.depth));
        std::string resolved = c.path;
        EXPECT_EQ(tree.resolve(resolved, c.depth), c.same);
        EXPECT_EQ(resolved, c.found);
    }
    EXPECT_EQ(tree.firstFolder(), "Latin.vol\\");
}

TEST_F(Library, NamesTheSubFoldersOfAFolder)
{
    PatternTree tree;
    EXPECT_TRUE(tree.folderNames("").empty());
    tree.setRoot(root);
    EXPECT_EQ(tree.folderNames(""), (std::vector<std::string>{"Latin.vol", "Rock"}));
    EXPECT_EQ(tree.folderNames("Rock\\"), (std::vector<std::string>{"Fast"}));
    EXPECT_EQ(tree.folderNames("Latin.vol"), (std::vector<std::string>{"Bossa"}));
    EXPECT_TRUE(tree.folderNames("Rock\\Fast\\").empty());
    EXPECT_TRUE(tree.folderNames("Jazz\\").empty());
    EXPECT_TRUE(tree.folderNames("top.mid").empty());
}

TEST_F(Library, FillsATreeControlWithTheLibraryFolders)
{
    PatternTree tree;
    FakeTreeControl control;
    tree.fillTreeControl(control);
    EXPECT_EQ(FakeTreeControl::outline(control.root), "");

    tree.setRoot(root);
    tree.fillTreeControl(control);
    EXPECT_EQ(FakeTreeControl::outline(control.root), "Latin.vol(Bossa),Rock(Fast)");
    EXPECT_EQ(control.root.children[0]->image, 2);
    EXPECT_EQ(control.root.children[1]->image, 0);

    RemoveDirectoryA(at("Rock\\Fast").c_str()); // not empty: stays
    DeleteFileA(at("Rock\\Fast\\b.mid").c_str());
    RemoveDirectoryA(at("Rock\\Fast").c_str());
    tree.refresh();
    tree.fillTreeControl(control);
    EXPECT_EQ(FakeTreeControl::outline(control.root), "Latin.vol(Bossa),Rock");
}

TEST(StarterLibrary, EveryGeneratedFillIsListedAndReads)
{
    TempFolder temp;
    const std::string root = temp.file("Fills");
    std::string error;
    ASSERT_TRUE(FillContent::writeStarterLibrary(root, &error)) << error;
    PatternTree tree;
    tree.setRoot(root);
    const PatternListing all = tree.findNode("");
    ASSERT_EQ(all.entries.size(), FillContent::starterFills().size());
    for (const PatternEntry &entry : all.entries) {
        SCOPED_TRACE(entry.relativeFile());
        CMidiTrack track;
        EXPECT_TRUE(tree.readPattern("", entry.relativeFile(), track));
        EXPECT_GT(track.getNoteEventCount(), 0);
        EXPECT_EQ(tree.isInVolume(entry.relativeFile()), entry.inVolume);
    }
    EXPECT_TRUE(tree.isInVolume("Latin.vol\\Samba"));
    EXPECT_FALSE(tree.isInVolume("Rock"));
}

} // namespace
