#include "app/options/help_commands.h"

#include "base/help_file.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;

namespace {

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

std::string testManual()
{
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    return ManualPath(program);
}

} // namespace

TEST(HelpCommandsTest, TheManualIsNamedAfterTheProgram)
{
    EXPECT_EQ(ManualPath("C:\\Program Files\\Tembri\\Rallimoth.exe"),
              "C:\\Program Files\\Tembri\\RallimothManual.pdf");
    EXPECT_EQ(ManualPath("C:\\a.b\\Rallimoth.v2.exe"), "C:\\a.b\\Rallimoth.v2Manual.pdf");
    EXPECT_EQ(ManualPath("Rallimoth"), "RallimothManual.pdf");
}

// A manual that is missing, or that no program opens, is told by its path,
// never passed over in silence.
TEST(HelpCommandsTest, AManualThatCannotBeOpenedIsNamed)
{
    const std::string manual = testManual();
    DeleteFileA(manual.c_str());
    EXPECT_EQ(OpenManual(nullptr), "The manual " + manual + " is missing.");

    // No program is registered for PDF files.
    testing_support::ClassesRootOverride classes;
    ASSERT_TRUE(classes.active());
    ASSERT_TRUE(testing_support::writeFile(manual, "%PDF-1.4\n"));
    const std::string why = OpenManual(nullptr);
    DeleteFileA(manual.c_str());
    EXPECT_TRUE(contains(why, "No program opens the manual " + manual)) << why;
}

TEST(HelpCommandsTest, TheDrummersHelpLiesInTheirInstallFoldersAndIsNamedWhenItCannotBeOpened)
{
    testing_support::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::Fill), "");
    const std::string unregistered = OpenDrummerHelp(nullptr, DrummerHelp::Fill);
    EXPECT_TRUE(contains(unregistered, "Grindelvosket.hlp")) << unregistered;
    EXPECT_TRUE(
        contains(unregistered, "InstallDir of HKEY_LOCAL_MACHINE\\Software\\Quorvane\\Grindelvosket\\2"))
        << unregistered;

    testing_support::TempFolder folder;
    const std::string fill = folder.path() + "\\Fill";
    const char slice[] = "D:\\Slice";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\Grindelvosket\\2", "InstallDir",
                              REG_SZ, fill.c_str(), static_cast<DWORD>(fill.size() + 1)),
              ERROR_SUCCESS);
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::Fill), fill + "\\Grindelvosket.hlp");
    EXPECT_EQ(OpenDrummerHelp(nullptr, DrummerHelp::Fill),
              MissingHelpFileMessage(fill + "\\Grindelvosket.hlp"));
    EXPECT_TRUE(contains(OpenDrummerHelp(nullptr, DrummerHelp::Fill), fill + "\\Grindelvosket.hlp is missing"));
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::LoopSlice), "");
    // The key without the value is no help either.
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\Vostrapellin\\2", "Other", REG_SZ,
                              slice, sizeof(slice)),
              ERROR_SUCCESS);
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::LoopSlice), "");
    EXPECT_TRUE(contains(OpenDrummerHelp(nullptr, DrummerHelp::LoopSlice), "Vostrapellin.hlp"));
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\Vostrapellin\\2", "InstallDir", REG_SZ,
                              slice, sizeof(slice)),
              ERROR_SUCCESS);
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::LoopSlice), "D:\\Slice\\Vostrapellin.hlp");
}
