#include "app/options/help_commands.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

using namespace Quorvane;

TEST(HelpCommandsTest, TheManualIsNamedAfterTheProgram)
{
    EXPECT_EQ(ManualPath("C:\\Program Files\\Tembri\\Rallimoth.exe"),
              "C:\\Program Files\\Tembri\\RallimothManual.pdf");
    EXPECT_EQ(ManualPath("C:\\a.b\\Rallimoth.v2.exe"), "C:\\a.b\\Rallimoth.v2Manual.pdf");
    EXPECT_EQ(ManualPath("Rallimoth"), "RallimothManual.pdf");
}

TEST(HelpCommandsTest, TheDrummersHelpLiesInTheirInstallFolders)
{
    testing_support::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::Fill), "");
    EXPECT_FALSE(OpenDrummerHelp(nullptr, DrummerHelp::Fill));

    const char fill[] = "C:\\Drummers\\Fill";
    const char slice[] = "D:\\Slice";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\Grindelvosket\\2", "InstallDir",
                              REG_SZ, fill, sizeof(fill)),
              ERROR_SUCCESS);
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::Fill), "C:\\Drummers\\Fill\\Grindelvosket.hlp");
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::LoopSlice), "");
    // The key without the value is no help either.
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\Vostrapellin\\2", "Other", REG_SZ,
                              slice, sizeof(slice)),
              ERROR_SUCCESS);
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::LoopSlice), "");
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\Vostrapellin\\2", "InstallDir", REG_SZ,
                              slice, sizeof(slice)),
              ERROR_SUCCESS);
    EXPECT_EQ(DrummerHelpPath(DrummerHelp::LoopSlice), "D:\\Slice\\Vostrapellin.hlp");
}
