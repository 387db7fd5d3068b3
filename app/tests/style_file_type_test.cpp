// The style file type as the shell finds it, written into a private
// HKEY_CLASSES_ROOT.
#include "app/style_file_type.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

namespace {

using namespace Quorvane;

std::string defaultValue(const char *key)
{
    char text[MAX_PATH] = {};
    LONG size = sizeof(text);
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, text, &size) != ERROR_SUCCESS)
        return "<missing>";
    return text;
}

TEST(StyleFileType, OpensStylesWithTheProgram)
{
    testing_support::ClassesRootOverride classes;
    ASSERT_TRUE(classes.active());
    ASSERT_TRUE(RegisterStyleFileType("C:\\Program Files\\Tembri\\Rallimoth.exe"));
    EXPECT_EQ(defaultValue("QNOV.Document"), "QNOV Style");
    EXPECT_EQ(defaultValue("QNOV.Document\\shell\\open\\command"),
              "\"C:\\Program Files\\Tembri\\Rallimoth.exe\" \"%1\"");
    EXPECT_EQ(defaultValue(".qns"), "QNOV.Document");
}

// The shell puts the file in for %1 and starts what the command names: read
// by the system's own command-line splitter, the program is the whole path.
TEST(StyleFileType, ADoubleClickedStyleReachesAProgramWhosePathHasSpaces)
{
    testing_support::ClassesRootOverride classes;
    ASSERT_TRUE(classes.active());
    ASSERT_TRUE(RegisterStyleFileType("C:\\Program Files\\Tembri\\Rallimoth.exe"));
    std::string command = defaultValue("QNOV.Document\\shell\\open\\command");
    const auto file = command.find("%1");
    ASSERT_NE(file, std::string::npos) << command;
    command.replace(file, 2, "D:\\My Styles\\Live Set.qns");
    const std::wstring wide(command.begin(), command.end());
    int count = 0;
    LPWSTR *args = CommandLineToArgvW(wide.c_str(), &count);
    ASSERT_NE(args, nullptr);
    ASSERT_EQ(count, 2) << command;
    EXPECT_STREQ(args[0], L"C:\\Program Files\\Tembri\\Rallimoth.exe");
    EXPECT_STREQ(args[1], L"D:\\My Styles\\Live Set.qns");
    LocalFree(args);
}

TEST(StyleFileType, TakesTheExtensionBackFromAnotherType)
{
    testing_support::ClassesRootOverride classes;
    ASSERT_TRUE(classes.active());
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".qns", REG_SZ, "Other.Document", 14), ERROR_SUCCESS);
    ASSERT_TRUE(RegisterStyleFileType("C:\\Tembri\\Rallimoth.exe"));
    EXPECT_EQ(defaultValue(".qns"), "QNOV.Document");
    // A second start finds everything in place.
    ASSERT_TRUE(RegisterStyleFileType("D:\\Moved\\Rallimoth.exe"));
    EXPECT_EQ(defaultValue("QNOV.Document\\shell\\open\\command"), "\"D:\\Moved\\Rallimoth.exe\" \"%1\"");
}

} // namespace
