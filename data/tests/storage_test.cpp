#include "data/storage.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace Quorvane;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

std::string contentOf(CMemStorage &m)
{
    return std::string(reinterpret_cast<const char *>(m.GetData()), m.GetLength());
}

TEST(MemStorage, ReadsFailWithoutMovingWhenShort)
{
    CMemStorage m(16);
    ASSERT_EQ(m.PutBuffer("abc", 3), 1);
    m.SetPos(0);
    char buffer[4];
    EXPECT_EQ(m.GetBuffer(buffer, 4), 0);
    EXPECT_EQ(m.GetPos(), 0);
    EXPECT_EQ(m.WasError(), 1);
    EXPECT_EQ(m.GetBuffer(buffer, 3), 1);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(m.GetBuffer(nullptr, 0), 0); // a null destination never reads
}

// An empty text imported as lyrics reads nothing from a storage that has no
// block at all: nothing is copied from it.
TEST(MemStorage, ReadingNothingFromAnEmptyStorageSucceeds)
{
    CMemStorage empty(16);
    ASSERT_EQ(empty.GetData(), nullptr);
    char buffer[1] = {'x'};
    EXPECT_EQ(empty.GetBuffer(buffer, 0), 1);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(empty.WasError(), 0);
    EXPECT_EQ(empty.GetBuffer(buffer, 1), 0);
}

TEST(MemStorage, PositionIsClampedToTheSize)
{
    CMemStorage m(4);
    m.PutBuffer("0123456789", 10);
    EXPECT_EQ(m.SetPos(1000), 10);
    EXPECT_EQ(m.SetPos(-5), 0);
    EXPECT_EQ(m.SetPos(4), 4);
    EXPECT_EQ(m.GetRemaining(), 6);
    EXPECT_EQ(m.Skip(3), 1);
    EXPECT_EQ(m.GetPos(), 7);
    EXPECT_EQ(m.Skip(10), 0); // would pass the end
}

TEST(MemStorage, NumbersAreStoredLittleEndian)
{
    CMemStorage m;
    const uint8_t b = 0xAB;
    const uint16_t w = 0x1234;
    const uint32_t d = 0x89ABCDEF;
    const uint64_t q = 0x0102030405060708ull;
    ASSERT_TRUE(m.Put8(&b) && m.Put16(&w) && m.Put32(&d) && m.Put64(&q));
    EXPECT_EQ(contentOf(m), std::string("\xAB\x34\x12\xEF\xCD\xAB\x89\x08\x07\x06\x05\x04\x03\x02\x01", 15));
    m.SetPos(1);
    uint16_t w2 = 0;
    uint32_t d2 = 0;
    EXPECT_TRUE(m.Get16(&w2) && m.Get32(&d2));
    EXPECT_EQ(w2, w);
    EXPECT_EQ(d2, d);
}

TEST(MemStorage, GrowsInStepsAndDetachesItsExactSize)
{
    CMemStorage m(256);
    EXPECT_EQ(m.PutBuffer(nullptr, 5), 1); // nothing to write
    EXPECT_EQ(m.GetLength(), 0);
    ASSERT_EQ(m.PutBuffer("x", 1), 1);
    EXPECT_EQ(m.capacity, 256);
    void *block = nullptr;
    long length = -1;
    ASSERT_EQ(m.Detach(&block, &length), 1);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(static_cast<char *>(block)[0], 'x');
    EXPECT_EQ(m.GetLength(), 0);
    EXPECT_EQ(m.Detach(&block, nullptr), 0);

    // Attach takes a block over as the content.
    ASSERT_EQ(m.Attach(block, 1), 1);
    EXPECT_EQ(m.capacity, 256);
    EXPECT_EQ(contentOf(m), "x");
    EXPECT_EQ(m.Attach(nullptr, 4), 0);
    EXPECT_EQ(m.Attach(nullptr, 0), 1);

    void *none = &m;
    ASSERT_EQ(m.Detach(&none, &length), 1);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(length, 0);
}

TEST(MemStorage, WritingInsideOverwritesAndOnlyRaisesTheSizeAtTheEnd)
{
    CMemStorage m(4);
    m.PutBuffer("abcdef", 6);
    m.SetPos(2);
    m.PutBuffer("XY", 2);
    EXPECT_EQ(contentOf(m), "abXYef");
    m.SetPos(5);
    m.PutBuffer("12", 2);
    EXPECT_EQ(contentOf(m), "abXYe12");
}

TEST(MemStorage, CopyTakesEverythingAndKeepsThePosition)
{
    CMemStorage source(16), target(16);
    std::string big(10000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    source.PutBuffer(big.data(), static_cast<long>(big.size()));
    source.SetPos(5000);
    ASSERT_EQ(source.Copy(&target), 1);
    EXPECT_EQ(source.GetPos(), 5000);
    EXPECT_EQ(contentOf(target), big);
}

class FileStorageTest : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(FileStorageTest, WritesAndReadsAFile)
{
    const std::string path = folder.file("data.bin");
    {
        CFileStorage out(path.c_str(), "wb");
        ASSERT_TRUE(out.IsOpen());
        const uint32_t d = 0x11223344;
        EXPECT_TRUE(out.Put32(&d) && out.PutBuffer("tail", 4));
        EXPECT_EQ(out.GetLength(), 8);
        EXPECT_EQ(out.WasError(), 0);
    }
    EXPECT_EQ(readFile(path), std::string("\x44\x33\x22\x11tail", 8));

    CFileStorage in(path.c_str(), "rb");
    EXPECT_EQ(in.GetLength(), 8);
    EXPECT_EQ(in.SetPos(4), 4);
    char tail[4];
    EXPECT_EQ(in.GetBuffer(tail, 4), 1);
    EXPECT_EQ(std::string(tail, 4), "tail");
    EXPECT_EQ(in.GetRemaining(), 0);
}

TEST_F(FileStorageTest, AMissingFileReportsAnError)
{
    CFileStorage in(folder.file("missing.bin").c_str(), "rb");
    EXPECT_FALSE(in.IsOpen());
    EXPECT_EQ(in.WasError(), 1);
    char c;
    EXPECT_EQ(in.GetBuffer(&c, 1), 0);
    EXPECT_EQ(in.GetLength(), -1);
}

// A failed read must still be reported after the reader moved on: the
// position calls never clear the flag, only WasError does.
TEST_F(FileStorageTest, ErrorFlagSurvivesLaterPositioning)
{
    const std::string path = folder.file("short.bin");
    ASSERT_TRUE(writeFile(path, "abc"));
    CFileStorage in(path.c_str(), "rb");
    char buffer[8];
    EXPECT_EQ(in.GetBuffer(buffer, 8), 0);
    EXPECT_EQ(in.SetPos(0), 0);
    EXPECT_EQ(in.GetPos(), 0);
    EXPECT_EQ(in.GetLength(), 3);
    EXPECT_EQ(in.WasError(), 1);
    EXPECT_EQ(in.WasError(), 0);
    EXPECT_EQ(in.SetPos(-1), -1);
    EXPECT_EQ(in.WasError(), 1);
}

} // namespace
