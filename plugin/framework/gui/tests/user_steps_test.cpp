// The drummers' help step: a help file that is there goes to the viewer
// (here the hook in its place); one that is not is said in a message box,
// by its path and where to read instead, and starts no viewer at all.
#include "plugin/framework/gui/user_steps.h"

#include "base/message_box.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <fstream>
#include <vector>

namespace {

using namespace Quorvane;

// Whether a process of that executable name runs now.
bool processRuns(const char *name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return found;
}

TEST(HelpStep, AMissingHelpFileIsToldAndStartsNoViewer)
{
    testing_support::TempFolder folder;
    const std::string missing = folder.path() + "\\Grindelvosket.hlp";
    std::vector<std::string> told;
    const MessageBoxHook before = setMessageBoxHook([&told](HWND, const char *text, const char *, UINT) {
        told.push_back(text);
        return IDOK;
    });
    // No help hook: the real viewer would start if the file were handed on.
    EXPECT_FALSE(openHelp(nullptr, missing, HELP_FINDER));
    setMessageBoxHook(before);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(missing + " is missing"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("\"The drummers and their editors\""), std::string::npos) << told[0];
    EXPECT_FALSE(processRuns("winhlp32.exe"));
}

TEST(HelpStep, AHelpFileThatIsThereGoesToTheViewer)
{
    testing_support::TempFolder folder;
    const std::string file = folder.path() + "\\Vostrapellin.hlp";
    std::ofstream(file) << "help";
    std::vector<std::string> viewed;
    const HelpHook before = setHelpHook([&viewed](HWND, const std::string &path, UINT command) {
        viewed.push_back(path + (command == HELP_FINDER ? " finder" : " other"));
        return true;
    });
    int boxes = 0;
    const MessageBoxHook boxesBefore = setMessageBoxHook([&boxes](HWND, const char *, const char *, UINT) {
        ++boxes;
        return IDOK;
    });
    EXPECT_TRUE(openHelp(nullptr, file, HELP_FINDER));
    setHelpHook(before);
    setMessageBoxHook(boxesBefore);
    EXPECT_EQ(viewed, std::vector<std::string>{file + " finder"});
    EXPECT_EQ(boxes, 0);
}

} // namespace
