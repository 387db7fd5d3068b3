#include "plugin/framework/drums/drum_map.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace std::string_literals;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

class DrumMapFiles : public ::testing::Test {
protected:
    DrumMapFiles() : folder(DrumMap::createFolder(temp.file("DrumMaps") + "\\")) {}

    std::string fileOf(const std::string &name) const { return temp.file("DrumMaps\\" + name + ".vpm"); }

    static DrumMap customMap()
    {
        DrumMap map;
        map.setNote(36, 35);
        map.setNote(42, 44);
        map.setNote(127, 0);
        return map;
    }

    TempFolder temp;
    DrumMapFolder folder;
};

TEST_F(DrumMapFiles, CreateFolderMakesTheFolderOnce)
{
    const DWORD attributes = GetFileAttributesA(temp.file("DrumMaps").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    const DrumMapFolder again = DrumMap::createFolder(folder.path());
    EXPECT_EQ(again.path(), folder.path());
}

TEST_F(DrumMapFiles, SaveAndLoadAreByteExact)
{
    DrumMap map = customMap();
    ASSERT_TRUE(DrumMap::save(folder, "Studio", map));
    EXPECT_EQ(map.getName(), "Studio");

    std::string expected = "\x01\0\0\0\x06\0\0\0Studio"s;
    for (int n = 0; n < 128; ++n)
        expected.push_back(static_cast<char>(map.getNote(n)));
    const std::string file = readFile(fileOf("Studio"));
    EXPECT_EQ(file, expected);

    DrumMap loaded;
    ASSERT_TRUE(DrumMap::load(folder, "Studio", loaded));
    EXPECT_TRUE(loaded.equals(map));

    ASSERT_TRUE(DrumMap::save(folder, "Copy", loaded));
    EXPECT_EQ(readFile(fileOf("Copy")), "\x01\0\0\0\x04\0\0\0Copy"s + file.substr(14))
        << "the same notes again";
}

TEST_F(DrumMapFiles, LoadNamesTheMapAfterTheFile)
{
    std::string bytes = "\x01\0\0\0\x05\0\0\0Other"s + std::string(128, '\x24');
    ASSERT_TRUE(writeFile(fileOf("Renamed"), bytes));
    DrumMap map;
    ASSERT_TRUE(DrumMap::load(folder, "Renamed", map));
    EXPECT_EQ(map.getName(), "Renamed");
    EXPECT_EQ(map.getNote(0), 36);
}

TEST_F(DrumMapFiles, DefaultLoadsTheIdentityWithoutAFolder)
{
    DrumMap map = customMap();
    map.setName("Custom");
    ASSERT_TRUE(DrumMap::load(DrumMapFolder(temp.file("nowhere\\")), "<default>", map));
    EXPECT_TRUE(map.equals(DrumMap()));
}

// Missing and short files fail and leave the map as it was.
TEST_F(DrumMapFiles, BadFilesLeaveTheMapUnchanged)
{
    ASSERT_TRUE(writeFile(fileOf("Empty"), ""));
    ASSERT_TRUE(writeFile(fileOf("Short"), "\x01\0\0\0\x05\0\0\0Short"s + std::string(100, '\x01')));
    CreateDirectoryA(fileOf("Folder").c_str(), nullptr);
    for (const char *name : {"Missing", "Empty", "Short", "Folder"}) {
        DrumMap map = customMap();
        map.setName("Mine");
        EXPECT_FALSE(DrumMap::load(folder, name, map)) << name;
        EXPECT_EQ(map.getName(), "Mine") << name;
        EXPECT_TRUE(map.equals([] {
            DrumMap m = customMap();
            m.setName("Mine");
            return m;
        }()))
            << name;
    }
}

TEST_F(DrumMapFiles, SavingDefaultWritesNothing)
{
    DrumMap map = customMap();
    EXPECT_FALSE(DrumMap::save(folder, "<default>", map));
    EXPECT_FALSE(fileExists(fileOf("<default>")));
    EXPECT_EQ(DrumMap::listNames(folder), std::vector<std::string>{"<default>"});
}

// Map names become file names; none may lead out of the folder.
TEST_F(DrumMapFiles, NamesThatAreNoFileNamesAreRefused)
{
    ASSERT_TRUE(writeFile(temp.file("Outside.vpm"), "\x01\0\0\0\0\0\0\0"s + std::string(128, '\x01')));
    const char *names[] = {"",    "..\\Outside", "../Outside", "..",  "a\\b",
                           "a/b", "c:x",         "x:stream",   "a*b", "a?b"};
    for (const char *name : names) {
        DrumMap map = customMap();
        const DrumMap before = map;
        EXPECT_FALSE(DrumMap::save(folder, name, map)) << name;
        EXPECT_TRUE(map.equals(before)) << name;
        EXPECT_FALSE(DrumMap::load(folder, name, map)) << name;
        EXPECT_TRUE(map.equals(before)) << name;
        bool asked = false;
        EXPECT_FALSE(DrumMap::deleteFile(folder, name, [&](const std::string &) { return asked = true; }))
            << name;
        EXPECT_FALSE(asked) << name;
    }
    EXPECT_TRUE(fileExists(temp.file("Outside.vpm")));
    EXPECT_EQ(DrumMap::listNames(folder), std::vector<std::string>{"<default>"});
}

TEST_F(DrumMapFiles, AFailedSaveKeepsTheOldFileAndTheName)
{
    DrumMap first = customMap();
    ASSERT_TRUE(DrumMap::save(folder, "Kit", first));
    const std::string old = readFile(fileOf("Kit"));
    // A reader holding the file keeps it from being replaced.
    HANDLE reader = CreateFileA(fileOf("Kit").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DrumMap second;
    second.setName("Second");
    second.setNote(36, 1);
    EXPECT_FALSE(DrumMap::save(folder, "Kit", second));
    CloseHandle(reader);
    EXPECT_EQ(readFile(fileOf("Kit")), old);
    EXPECT_EQ(second.getName(), "Second");

    // A folder where the file would go.
    CreateDirectoryA(fileOf("Busy").c_str(), nullptr);
    EXPECT_FALSE(DrumMap::save(folder, "Busy", second));

    // A folder that does not exist.
    EXPECT_FALSE(DrumMap::save(DrumMapFolder(temp.file("gone\\")), "Kit", second));
}

TEST_F(DrumMapFiles, DeleteAsksFirst)
{
    DrumMap map = customMap();
    ASSERT_TRUE(DrumMap::save(folder, "Old Kit", map));
    std::string question;
    EXPECT_FALSE(DrumMap::deleteFile(folder, "Old Kit", [&](const std::string &q) {
        question = q;
        return false;
    }));
    EXPECT_EQ(question, "Are you sure you want to delete drum map \"Old Kit\"?");
    EXPECT_TRUE(fileExists(fileOf("Old Kit")));

    EXPECT_TRUE(DrumMap::deleteFile(folder, "Old Kit", [](const std::string &) { return true; }));
    EXPECT_FALSE(fileExists(fileOf("Old Kit")));
    EXPECT_FALSE(DrumMap::deleteFile(folder, "Old Kit", [](const std::string &) { return true; }))
        << "nothing left to delete";

    bool asked = false;
    EXPECT_FALSE(DrumMap::deleteFile(folder, "<default>", [&](const std::string &) { return asked = true; }));
    EXPECT_FALSE(asked);
}

TEST_F(DrumMapFiles, ListHoldsTheMapFilesThenDefault)
{
    DrumMap map;
    ASSERT_TRUE(DrumMap::save(folder, "Beta", map));
    ASSERT_TRUE(DrumMap::save(folder, "Alpha", map));
    ASSERT_TRUE(writeFile(temp.file("DrumMaps\\notes.txt"), "x"));
    ASSERT_TRUE(writeFile(temp.file("DrumMaps\\kit.vpmx"), "x"));
    CreateDirectoryA(fileOf("Sub").c_str(), nullptr);

    std::vector<std::string> names = DrumMap::listNames(folder);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names.back(), "<default>");
    std::sort(names.begin(), names.end() - 1);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta", "<default>"}));
}

TEST_F(DrumMapFiles, ComboBoxGetsTheList)
{
    HWND combo = CreateWindowA("COMBOBOX", "", CBS_DROPDOWNLIST | WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    // Without a display this cannot run: a failure, not a silent pass.
    ASSERT_NE(combo, nullptr) << "no display for windows (./test.sh starts one)";
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
    DrumMap map;
    ASSERT_TRUE(DrumMap::save(folder, "Kit", map));
    DrumMap::fillFileCombo(folder, combo);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    char text[64];
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Kit");
    SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "<default>");
    DestroyWindow(combo);
}

} // namespace
