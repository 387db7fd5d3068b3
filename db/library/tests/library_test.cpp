// The database functions over the library's one database.
#include "db/library/library_state.h"
#include "db/library/stavrund_functions.h"

#include "base/message_box.h"
#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/tests/dialog_driver.h"
#include "db/equipment/equipment_records.h"
#include "data/song.h"
#include "data/track.h"
#include "db/equipment/tests/equipment_test_support.h"
#include "db/equipment/tests/song_fixture.h"
#include "db/records/tests/failing_reads.h"
#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace Quorvane;
using namespace dialogs_test;

namespace {

TEST(DatabaseFile, OnlyTheFileNamesExtensionIsReplaced)
{
    EXPECT_EQ(DatabaseFileOf("C:\\Tembri\\Rallimoth.exe"), "C:\\Tembri\\Rallimoth.prs");
    EXPECT_EQ(DatabaseFileOf("C:\\Tembri\\Two.Dots.exe"), "C:\\Tembri\\Two.Dots.prs");
    EXPECT_EQ(DatabaseFileOf("C:\\Tembri 1.0\\Program"), "C:\\Tembri 1.0\\Program.prs");
    EXPECT_EQ(DatabaseFileOf(""), "");
}

// A damaged database beside the program is kept aside, the user is told
// with the database error message, and a new database starts: its set-up
// runs as on a first start.
TEST(LibraryStart, ADamagedDatabaseIsKeptAsideAndTheUserToldBeforeANewOneStarts)
{
    testing_support::TempFolder folder;
    const std::string name = testing_support::uniqueName("Program");
    const std::string program = folder.file(name + ".exe"), file = folder.file(name + ".prs");
    // A port record and no root record.
    const std::string damaged = equipment_test::u32(kEquipmentMagic) + std::string(16, '\x07') +
                                equipment_test::recordBytes(0, 0x50, 3, SDB_NO_PARENT, "synth");
    ASSERT_TRUE(testing_support::writeFile(file, damaged));
    std::vector<std::string> shown;
    bool newFileWhenTold = true;
    setMessageBoxHook([&](HWND, const char *text, const char *caption, UINT type) {
        shown.push_back(std::string(text) + "|" + caption + "|" + std::to_string(type));
        newFileWhenTold = testing_support::fileExists(file);
        return IDOK;
    });
    StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    setMessageBoxHook({});
    EXPECT_EQ(shown, std::vector<std::string>{"Equipment DataBase error.|" + name + "|" +
                                              std::to_string(MB_OK | MB_ICONSTOP)});
    EXPECT_FALSE(newFileWhenTold) << "the new database starts only once the user was told";
    EXPECT_EQ(testing_support::readFile(file + ".damaged"), damaged);
    ASSERT_NE(StavrundDatabase(), nullptr);
    EXPECT_TRUE(StavrundDatabase()->IsOpened());
    EXPECT_EQ(equipment_test::liveRecords(*StavrundDatabase()).size(), 1u) << "the new root record";
    EXPECT_EQ(StavrundFirstTime(), 1);
    StavrundDetach();
}

// A database that cannot be read (here a read fails part-way) is no damage:
// the user is told that it cannot be read and why, and nothing is moved
// aside or made in its place.
TEST(LibraryStart, ADatabaseThatCannotBeReadIsLeftWhereItIsAndTheUserToldWhy)
{
    testing_support::TempFolder folder;
    const std::string name = testing_support::uniqueName("Program");
    const std::string program = folder.file(name + ".exe"), file = folder.file(name + ".prs");
    StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    ASSERT_NE(StavrundDatabase(), nullptr);
    ASSERT_TRUE(StavrundDatabase()->IsOpened());
    ASSERT_EQ(StavrundDatabase()->Close(1), 1);
    StavrundDetach();
    const std::string stored = testing_support::readFile(file);
    ASSERT_GT(stored.size(), 40u);

    std::vector<std::string> shown;
    setMessageBoxHook([&](HWND, const char *text, const char *caption, UINT type) {
        shown.push_back(std::string(text) + "|" + caption + "|" + std::to_string(type));
        return IDOK;
    });
    {
        records_test::FailingReads failing(file, uint32_t(stored.size()) - 3);
        StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    }
    setMessageBoxHook({});
    EXPECT_EQ(shown, std::vector<std::string>{"Cannot read the database " + file + ".\nRead fault.\n" +
                                              "Nothing in it was changed or moved.|" + name + "|" +
                                              std::to_string(MB_OK | MB_ICONSTOP)});
    ASSERT_NE(StavrundDatabase(), nullptr);
    EXPECT_FALSE(StavrundDatabase()->IsOpened());
    EXPECT_EQ(StavrundFirstTime(), 0);
    EXPECT_EQ(testing_support::readFile(file), stored);
    EXPECT_FALSE(testing_support::fileExists(file + ".damaged"));
    StavrundDetach();

    // Once the disk reads again, the database opens as it was.
    StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    EXPECT_TRUE(StavrundDatabase()->IsOpened());
    EXPECT_EQ(StavrundFirstTime(), 0);
    StavrundDetach();
}

// The library started for a program in a private folder.
class Library : public ::testing::Test {
protected:
    void SetUp() override
    {
        name = testing_support::uniqueName("Program");
        program = folder.file(name + ".exe");
        StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    }
    void TearDown() override
    {
        equipment_test::keepForReader(database());
        StavrundDetach();
        RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Quorvane\\" + name).c_str());
    }
    std::string database() const { return folder.file(name + ".prs"); }
    void setCommitDialogOption(DWORD value)
    {
        HKEY key = nullptr;
        const std::string options = "Software\\Quorvane\\" + name + "\\Options";
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, options.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "DBCommitDialog", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                       sizeof(value));
        RegCloseKey(key);
    }

    testing_support::TempFolder folder;
    std::string name, program;
};

TEST_F(Library, TheFirstStartCreatesTheDatabaseAndIsSeenOnce)
{
    EXPECT_TRUE(testing_support::fileExists(database()));
    // The set-up dialog shows once; the user cancels it.
    EXPECT_EQ(
        runScripted("Equipment DataBase", [] { return INT_PTR(CDBCheckFirstTime(30)); }, {[](HWND dialog) {
                        EXPECT_NE(GetDlgItem(dialog, IDC_FIRST_TIMEBASE), nullptr);
                        click(dialog, IDCANCEL);
                    }}),
        1);
    EXPECT_EQ(CDBCheckFirstTime(30), 0);
    // Once its root record is committed, the database is no longer new.
    setCommitDialogOption(0);
    CDBCommitModifications();
    StavrundDetach();
    StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    EXPECT_EQ(CDBCheckFirstTime(30), 0) << "the file was there";
}

TEST_F(Library, IOParametersDefaultToTheDirectSoundProviderAndTheAudioFolder)
{
    IOPARAMS params;
    ASSERT_EQ(CDBGetIOParams(&params), 1);
    char product[MAX_PATH] = {};
    ASSERT_TRUE(SndGetASPProductName(params.asp, product));
    EXPECT_STREQ(product, "DirectSound");
    EXPECT_EQ(params.aspPort, 0);
    EXPECT_EQ(std::string(params.strings[IOSTR_WAVEDIR]), folder.path() + "\\Audio\\");
    EXPECT_EQ(GetFileAttributesA((folder.path() + "\\Audio").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_STREQ(params.strings[IOSTR_VSTDIR1], "C:\\Program Files\\Steinberg\\VstPlugins");
    StavrundDatabase()->Lock();
    EXPECT_EQ(StavrundDatabase()->GetFirstNote(SDB_NO_PARENT, RT_IOPARAMS), nullptr)
        << "defaults are not stored";
    StavrundDatabase()->Unlock();

    params.sampleRate = 22050;
    ASSERT_EQ(CDBSetIOParams(&params), 1);
    IOPARAMS stored;
    ASSERT_EQ(CDBGetIOParams(&stored), 1);
    EXPECT_EQ(stored.sampleRate, 22050);
}

TEST_F(Library, WithoutADirectSoundProviderTheDefaultsFail)
{
    char path[MAX_PATH] = {};
    long index = -1;
    char product[MAX_PATH] = {};
    for (long i = 0; SndGetASPProductName(i, product); ++i)
        if (std::string(product) == "DirectSound")
            index = i;
    ASSERT_GE(index, 0);
    ASSERT_TRUE(SndGetASPModuleName(index, path));
    UnregisterModuleValue(kStreamProviderKey, "DirectSound");
    IOPARAMS params;
    EXPECT_EQ(CDBGetIOParams(&params), 0);
    EXPECT_EQ(CDBGetDefaultASP(&params), 0);
    RegisterModulePath(kStreamProviderKey, "DirectSound", path);
    EXPECT_EQ(CDBGetDefaultASP(&params), 1);
}

TEST_F(Library, CommitAsksUnlessTheOptionIsOffAndLeavesAnUnmodifiedDatabaseAlone)
{
    IOPARAMS params;
    ASSERT_EQ(CDBGetIOParams(&params), 1);
    ASSERT_EQ(CDBSetIOParams(&params), 1);
    const DBUID before = StavrundDatabase()->GetDataBaseUID();

    // The user answers "No" in the commit dialog: nothing is committed.
    runScripted("Equipment DataBase", [] { return CDBCommitModifications(), INT_PTR(0); }, {[](HWND dialog) {
                    EXPECT_NE(GetDlgItem(dialog, IDC_COMMIT_COUNTDOWN), nullptr);
                    click(dialog, IDCANCEL);
                }});
    EXPECT_TRUE(StavrundDatabase()->IsOpened());
    EXPECT_TRUE(StavrundDatabase()->IsModified());

    setCommitDialogOption(0);
    CDBCommitModifications();
    EXPECT_FALSE(StavrundDatabase()->IsOpened()) << "closed after the commit";
    StavrundDetach();
    long result = 0;
    {
        CTembriDB db(database().c_str(), kEquipmentVersion, result);
        ASSERT_EQ(result, 1);
        EXPECT_FALSE(db.IsModified());
        EXPECT_TRUE(db.GetDataBaseUID() != before) << "a new database id";
        IOPARAMS stored;
        EXPECT_EQ(db.GetIOParams(&stored), 1);
    }

    StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    const std::string bytes = testing_support::readFile(database());
    CDBCommitModifications();
    EXPECT_TRUE(StavrundDatabase()->IsOpened()) << "nothing to commit";
    EXPECT_EQ(testing_support::readFile(database()), bytes);
}

// A commit that cannot be written (here its journal cannot be made) tells
// the user with the database error message; the file keeps the records it
// held, and the changes stay pending in it.
TEST_F(Library, AFailedCommitTellsTheUserAndKeepsTheFileAsItWas)
{
    setCommitDialogOption(0);
    CDBCommitModifications(); // the new database's root record
    StavrundDetach();
    StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    IOPARAMS params;
    ASSERT_EQ(CDBGetIOParams(&params), 1);
    ASSERT_EQ(CDBSetIOParams(&params), 1);
    const std::string pending = testing_support::readFile(database());
    std::vector<std::string> shown;
    setMessageBoxHook([&](HWND, const char *text, const char *, UINT) {
        shown.push_back(text);
        return IDOK;
    });
    SetXFileChangeHook([](const XFileChangeInfo &change) -> uint32_t {
        return change.change == XFileChange::Create ? 0 : change.count;
    });
    CDBCommitModifications();
    SetXFileChangeHook(nullptr);
    setMessageBoxHook({});
    EXPECT_EQ(shown, std::vector<std::string>{"Equipment DataBase error."});
    EXPECT_EQ(testing_support::readFile(database()).substr(20), pending.substr(20)) << "beside a new id";
    EXPECT_FALSE(testing_support::fileExists(database() + ".journal"));

    // A commit that works says nothing.
    StavrundAttach(program.c_str(), GetModuleHandleA(nullptr));
    ASSERT_EQ(CDBSetIOParams(&params), 1);
    setMessageBoxHook([&](HWND, const char *text, const char *, UINT) {
        shown.push_back(text);
        return IDOK;
    });
    CDBCommitModifications();
    setMessageBoxHook({});
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(Library, ItemsAreHandedOutForTheirKindsOnly)
{
    EXPECT_EQ(CDBGetITembriTemplate(3, 0), nullptr);
    ITembriTemplate *templates = CDBGetITembriTemplate(ITembriTemplate::TT_SYSEX, 0);
    ASSERT_NE(templates, nullptr);
    templates->Release();
    EXPECT_EQ(CDBGetITembriPort(10, 0), nullptr);

    CTembriDB *db = StavrundDatabase();
    PORTNOTE port(0x61);
    PRESETNOTE preset(RT_PRESET_AEFF, 0, 0);
    db->Lock();
    ASSERT_TRUE(db->AddNewNote(&port));
    preset.parent = port.id;
    ASSERT_TRUE(db->AddNewNote(&preset));
    db->Unlock();
    ITembriPreset *presets = CDBGetITembriPreset(port.id, 0);
    ASSERT_NE(presets, nullptr);
    presets->Release();
    EXPECT_EQ(CDBGetITembriPreset(preset.id, 0), nullptr) << "a preset record is not a port";
    EXPECT_EQ(CDBGetITembriPreset(0xABCDEF, 0), nullptr);
}

TEST_F(Library, WithoutADatabaseEveryFunctionAnswersNothing)
{
    StavrundDetach();
    IOPARAMS params;
    EXPECT_EQ(CDBGetIOParams(&params), 0);
    EXPECT_EQ(CDBSetIOParams(&params), 0);
    EXPECT_EQ(CDBGetDefaultASP(&params), 0);
    EXPECT_EQ(CDBCheckFirstTime(30), 0);
    EXPECT_EQ(CDBGetITembriTemplate(0, 0), nullptr);
    EXPECT_EQ(CDBGetITembriPort(0, 0), nullptr);
    CDBCommitModifications();
}

TEST_F(Library, TheLibrarysStringsAreShownAsErrorsAndQuestions)
{
    std::string text, caption;
    UINT type = 0;
    setMessageBoxHook([&](HWND, const char *t, const char *c, UINT ty) {
        text = t;
        caption = c;
        type = ty;
        return IDYES;
    });
    DBErrorBox(IDS_DATABASE_ERROR);
    EXPECT_EQ(text, "Equipment DataBase error.");
    EXPECT_EQ(caption, name);
    EXPECT_EQ(type, UINT(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(DBQuestion(IDS_REPLACE_TEMPLATE), 1);
    EXPECT_EQ(text, "Replace existing template.\nAre you sure?");
    EXPECT_EQ(type, UINT(MB_YESNO | MB_ICONQUESTION));
    setMessageBoxHook({});
}

} // namespace

namespace {

TEST_F(Library, AnItemMadeWithTheLockKeepsOtherThreadsWaitingUntilItsRelease)
{
    ITembriPort *port = CDBGetITembriPort(ITembriPort::OWN_SYNTHS, 1);
    ASSERT_NE(port, nullptr);
    struct Shared {
        HANDLE done;
        int answer = -1;
    } shared{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void *user) -> DWORD {
            auto *s = static_cast<Shared *>(user);
            IOPARAMS params;
            s->answer = CDBSetIOParams(&params);
            SetEvent(s->done);
            return 0;
        },
        &shared, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(shared.done, 300), DWORD(WAIT_TIMEOUT)) << "waits for the lock";
    port->Release();
    EXPECT_EQ(WaitForSingleObject(shared.done, 10000), DWORD(WAIT_OBJECT_0));
    EXPECT_EQ(shared.answer, 1);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(shared.done);
}

} // namespace

namespace {

TEST_F(Library, SongFilesAndChoosersGoThroughTheLibrarysDatabase)
{
    equipment_test::TestSong song;
    song->InsertNewTrack(TRACK_MIDI, -1, 0)->SetName("Kept");
    const std::string file = folder.file("Song.tsng");
    ASSERT_EQ(CDBSaveSong(song.get(), file.c_str(), 0x10000, "Probe", nullptr), 1);
    equipment_test::TestSong back;
    ASSERT_EQ(CDBOpenSong(back.get(), file.c_str(), 0x10000, "Probe", nullptr), 1);
    const CTrack *track = back->GetNextTrack(TRACK_MIDI, nullptr);
    ASSERT_NE(track, nullptr);
    EXPECT_STREQ(track->name, "Kept");

    EXPECT_EQ(CDBChooseOut(nullptr, nullptr), 0);
    PORTDESCR chosen;
    EXPECT_EQ(runScripted("Select MIDI Effect", [&] { return INT_PTR(CDBChooseMEff(&chosen)); },
                          {[](HWND dialog) { click(dialog, IDCANCEL); }}),
              0);
    EXPECT_EQ(runScripted("SysEx Templates",
                          [&] {
                              return INT_PTR(CDBChooseTemplate(ITembriTemplate::TT_SYSEX, song.get(), nullptr,
                                                               0, nullptr, nullptr));
                          },
                          {[](HWND dialog) { click(dialog, IDCANCEL); }}),
              0);

    StavrundDetach();
    EXPECT_EQ(CDBSaveSong(song.get(), file.c_str(), 0x10000, "Probe", nullptr), 0);
    EXPECT_EQ(CDBChooseMEff(&chosen), 0);
}

} // namespace
