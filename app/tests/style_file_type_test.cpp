// The style file type as the shell finds it, written into a private
// HKEY_CLASSES_ROOT.
#include "app/style_file_type.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

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
    ASSERT_TRUE(RegisterStyleFileType("C:\\Tembri\\Rallimoth.exe"));
    EXPECT_EQ(defaultValue("QNOV.Document"), "QNOV Style");
    EXPECT_EQ(defaultValue("QNOV.Document\\shell\\open\\command"), "C:\\Tembri\\Rallimoth.exe \"%1\"");
    EXPECT_EQ(defaultValue(".qns"), "QNOV.Document");
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
    EXPECT_EQ(defaultValue("QNOV.Document\\shell\\open\\command"), "D:\\Moved\\Rallimoth.exe \"%1\"");
}

} // namespace
