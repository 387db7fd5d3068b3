#include "plugin/framework/drums/file_names.h"

#include <gtest/gtest.h>

namespace {

TEST(FileNames, SafeNamesStayInTheirFolder)
{
    const struct {
        const char *name;
        bool safe;
    } cases[] = {
        {"Studio Kit", true}, {"kit-2 (old)", true}, {"a.b", true},    {"", false},          {"..", false},
        {"..\\up", false},    {"a..b", false},       {"a\\b", false},  {"a/b", false},       {"C:kit", false},
        {"a|b", false},       {"a<b>", false},       {"\"q\"", false}, {"tab\tname", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Quorvane::isSafeFileName(c.name), c.safe) << c.name;
}

TEST(FileNames, FolderPrefixEndsWithOneSeparator)
{
    EXPECT_EQ(Quorvane::folderPrefix("C:\\maps"), "C:\\maps\\");
    EXPECT_EQ(Quorvane::folderPrefix("C:\\maps\\"), "C:\\maps\\");
    EXPECT_EQ(Quorvane::folderPrefix("maps/"), "maps/");
    EXPECT_EQ(Quorvane::folderPrefix(""), "");
}

} // namespace
