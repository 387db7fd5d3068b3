#include "base/safe_file.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using Quorvane::SafeFileWriter;
using testing_support::filesIn;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

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
    EXPECT_EQ(filesIn(folder.path()).size(), 1u) << "no temporary file is left";
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
    EXPECT_EQ(filesIn(folder.path()).size(), 1u);
}

TEST(SafeFileWriter, AWriterPatchesWhatItWroteBefore)
{
    TempFolder folder;
    const std::string target = folder.file("take.wav");
    {
        SafeFileWriter writer(target);
        EXPECT_EQ(writer.writeBytes("RIFF....WAVE", 12), 12u);
        EXPECT_EQ(writer.position(), 12u);
        ASSERT_TRUE(writer.seek(4));
        EXPECT_EQ(writer.writeBytes("\x04\x00\x00\x00", 4), 4u);
        EXPECT_EQ(writer.position(), 8u);
        EXPECT_EQ(writer.size(), 12u);
        ASSERT_TRUE(writer.seek(12));
        EXPECT_EQ(writer.writeBytes("data", 4), 4u);
        EXPECT_TRUE(writer.commit());
    }
    EXPECT_EQ(readFile(target), std::string("RIFF\x04\x00\x00\x00WAVEdata", 16));
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
