#include "base/safe_file.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using Quorvane::SafeFileWriter;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

int filesIn(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    int count = 0;
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

TEST(SafeFileWriter, CommitReplacesTheTarget)
{
    TempFolder folder;
    const std::string target = folder.file("map.vpm");
    ASSERT_TRUE(writeFile(target, "old content"));
    {
        SafeFileWriter writer(target);
        ASSERT_TRUE(writer.isOpen());
        writer.writeString("new");
        EXPECT_EQ(readFile(target), "old content") << "nothing changes before the commit";
        EXPECT_TRUE(writer.commit());
    }
    EXPECT_EQ(readFile(target), std::string("\x03\x00\x00\x00new", 7));
    EXPECT_EQ(filesIn(folder.path()), 1) << "no temporary file is left";
}

TEST(SafeFileWriter, WithoutCommitTheOldFileStays)
{
    TempFolder folder;
    const std::string target = folder.file("pattern.mid");
    ASSERT_TRUE(writeFile(target, "old"));
    {
        SafeFileWriter writer(target);
        writer.writeString("abandoned");
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(filesIn(folder.path()), 1);
}

TEST(SafeFileWriter, AMissingFolderFailsCleanly)
{
    TempFolder folder;
    SafeFileWriter writer(folder.file("no\\such\\folder\\x.mid"));
    EXPECT_FALSE(writer.isOpen());
    EXPECT_FALSE(writer.writeInt32(1));
    EXPECT_FALSE(writer.commit());
}

TEST(SafeFileWriter, ATargetThatCannotBeReplacedIsReported)
{
    TempFolder folder;
    const std::string target = folder.file("busy");
    CreateDirectoryA(target.c_str(), nullptr); // a folder stands where the file should go
    SafeFileWriter writer(target);
    writer.writeInt32(1);
    EXPECT_FALSE(writer.commit());
}

} // namespace
