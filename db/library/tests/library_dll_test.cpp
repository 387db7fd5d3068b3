// The library as a program loads it: the database made beside the program
// in the program's private folder, its first start, and a commit.
#include "db/equipment/tembri_db.h"
#include "db/equipment/tests/equipment_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace Quorvane;

namespace {

std::string testsFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

// The captions of a process's visible windows.
std::string windowsOf(DWORD processId)
{
    struct Search {
        DWORD processId;
        std::string captions;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) {
            auto &s = *reinterpret_cast<Search *>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char caption[128] = {};
            if (owner == s.processId && IsWindowVisible(window) &&
                GetWindowTextA(window, caption, sizeof caption))
                s.captions += std::string(" \"") + caption + "\"";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.captions.empty() ? " none" : search.captions;
}

// Runs the program to its end and answers its exit code. The bound is a
// safety net (the program ends within a few seconds): a program still
// running then fails the test with the windows it shows, and is ended.
DWORD run(const std::string &program, const std::string &arguments = "")
{
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        ADD_FAILURE() << "the program did not end; its windows:" << windowsOf(process.dwProcessId);
        TerminateProcess(process.hProcess, code);
        WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Copies the library and a program of the tests into a private folder,
// where the program's database is made; answers the program's path.
std::string placeProgram(const testing_support::TempFolder &folder, const char *probe,
                         const std::string &name)
{
    for (const char *module : {"Stavrund.dll", "Corvadel.dll", "Tindrel.dll"})
        EXPECT_TRUE(CopyFileA((testsFolder() + "\\" + module).c_str(), folder.file(module).c_str(), FALSE));
    const std::string program = folder.file(name + ".exe");
    EXPECT_TRUE(CopyFileA((testsFolder() + "\\" + probe).c_str(), program.c_str(), FALSE));
    return program;
}

TEST(StavrundLibrary, TheProgramsDatabaseIsMadeBesideItAndItsFirstStartIsSeenOnce)
{
    testing_support::TempFolder folder;
    const std::string name = testing_support::uniqueName("Probe");
    const std::string program = placeProgram(folder, "stavrund_probe.exe", name);
    // The program's option: commit without asking.
    const std::string options = "Software\\Quorvane\\" + name + "\\Options";
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, options.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const DWORD off = 0;
    RegSetValueExA(key, "DBCommitDialog", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&off), sizeof(off));
    RegCloseKey(key);

    EXPECT_EQ(run(program), 1u + 2u + 4u + 8u) << "the set-up dialog shows at the first start";
    const std::string database = folder.file(name + ".prs");
    EXPECT_TRUE(testing_support::fileExists(database));
    EXPECT_EQ(run(program), 2u + 4u) << "the first start is over";

    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Quorvane\\" + name).c_str());
    long result = 0;
    equipment_test::keepForReader(database);
    CTembriDB db(database.c_str(), kEquipmentVersion, result);
    ASSERT_EQ(result, 1);
    EXPECT_FALSE(db.IsModified()) << "committed";
    IOPARAMS stored;
    ASSERT_EQ(db.GetIOParams(&stored), 1);
    EXPECT_EQ(stored.sampleRate, 48000);
    EXPECT_STREQ(stored.strings[IOSTR_VSTDIR1], "C:\\Probe\\Vst");
}

// A host that loads the library and lets it go again and again, each time
// over a damaged database (kept aside, the user told, a new one made and
// closed): nothing builds up. The library's message box once made the
// threads library keep a record of the calling thread (a thread handle and
// an event) at every load, and the process ended without a word after about
// a thousand loads.
TEST(StavrundLibrary, LoadsOverDamagedDatabasesLeaveNothingBehind)
{
    testing_support::TempFolder folder;
    const std::string program =
        placeProgram(folder, "stavrund_reload_probe.exe", testing_support::uniqueName("Reload"));
    EXPECT_EQ(run(program, "100"), 0u) << "0: nothing left; 10 + n: n handles left behind";
}

} // namespace
