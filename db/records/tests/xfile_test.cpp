#include "db/records/xfile.h"

#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

using namespace Quorvane;
using records_test::Bytes;
using records_test::ChangeHook;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

class XFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("values.bin");
    CXFile file;
};

TEST_F(XFileTest, TypedValuesAreLittleEndianAndSwappedOnesBigEndian)
{
    ASSERT_TRUE(file.Create(path.c_str()));
    const uint16_t v16 = 0x0102;
    const uint32_t v32 = 0x03040506;
    const uint64_t v64 = 0x0708090A0B0C0D0Eull;
    EXPECT_TRUE(file.Write8(static_cast<signed char>(-2)));
    EXPECT_TRUE(file.Write16(&v16));
    EXPECT_TRUE(file.Write32(&v32));
    EXPECT_TRUE(file.Write64(&v64));
    EXPECT_TRUE(file.Write16(short(-3)));
    EXPECT_TRUE(file.Write32(long(0x11223344)));
    EXPECT_TRUE(file.WriteSwap16(&v16));
    EXPECT_TRUE(file.WriteSwap32(&v32));
    EXPECT_TRUE(file.WriteSwap64(&v64));
    EXPECT_TRUE(file.WriteSwap32(long(0x11223344)));
    file.Close();
    EXPECT_EQ(readFile(path), Bytes("\xFE"
                                    "\x02\x01"
                                    "\x06\x05\x04\x03"
                                    "\x0E\x0D\x0C\x0B\x0A\x09\x08\x07"
                                    "\xFD\xFF"
                                    "\x44\x33\x22\x11"
                                    "\x01\x02"
                                    "\x03\x04\x05\x06"
                                    "\x07\x08\x09\x0A\x0B\x0C\x0D\x0E"
                                    "\x11\x22\x33\x44",
                                    39));

    ASSERT_TRUE(file.Open(path.c_str(), 0));
    uint8_t r8;
    uint16_t r16;
    uint32_t r32;
    uint64_t r64;
    EXPECT_TRUE(file.Read8(&r8) && file.Read16(&r16) && file.Read32(&r32) && file.Read64(&r64));
    EXPECT_EQ(r8, 0xFE);
    EXPECT_EQ(r16, v16);
    EXPECT_EQ(r32, v32);
    EXPECT_EQ(r64, v64);
    ASSERT_TRUE(file.SeekToPos(21));
    EXPECT_TRUE(file.ReadSwap16(&r16) && file.ReadSwap32(&r32) && file.ReadSwap64(&r64));
    EXPECT_EQ(r16, v16);
    EXPECT_EQ(r32, v32);
    EXPECT_EQ(r64, v64);
    EXPECT_TRUE(file.ReadSwap32(&r32));
    EXPECT_EQ(r32, 0x11223344u);
    EXPECT_FALSE(file.Read8(&r8)) << "at the end";
}

TEST_F(XFileTest, SwappedArraysReverseElementsOfTwoThreeFourOrEightBytesOnly)
{
    ASSERT_TRUE(file.Create(path.c_str()));
    const unsigned char triples[] = {1, 2, 3, 4, 5, 6};
    const unsigned char fives[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    unsigned char wide[129] = {};
    EXPECT_TRUE(file.WriteSwapArray(triples, 2, 3));
    EXPECT_TRUE(file.WriteSwapArray(fives, 2, 5));
    EXPECT_FALSE(file.WriteSwapArray(wide, 1, 129)) << "an element must fit the 128-byte buffer";
    // More elements than the 128-byte buffer holds at once.
    uint16_t many[100];
    for (int i = 0; i < 100; ++i)
        many[i] = uint16_t(0x0100 + i);
    EXPECT_TRUE(file.WriteSwapArray(many, 100, 2));
    file.Close();
    const Bytes bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 6u + 10u + 200u);
    EXPECT_EQ(bytes.substr(0, 16),
              Bytes("\x03\x02\x01\x06\x05\x04\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A", 16));
    EXPECT_EQ(bytes.substr(16 + 2 * 99, 2), Bytes("\x01\x63", 2));

    ASSERT_TRUE(file.Open(path.c_str(), 0));
    unsigned char back[6];
    EXPECT_TRUE(file.ReadSwapArray(back, 2, 3));
    EXPECT_EQ(0, std::memcmp(back, triples, 6));
}

TEST_F(XFileTest, StringsAndBlobsCarryTheirLength)
{
    ASSERT_TRUE(file.Create(path.c_str()));
    EXPECT_TRUE(file.WriteString("abc"));
    EXPECT_TRUE(file.WriteString(nullptr));
    EXPECT_TRUE(file.WriteString(""));
    EXPECT_FALSE(file.WriteString(std::string(256, 'x').c_str())) << "a short string holds at most 255 bytes";
    EXPECT_TRUE(file.WriteStringHuge("long"));
    EXPECT_TRUE(file.WriteStringHuge(nullptr));
    EXPECT_TRUE(file.WriteBlob("\x01\x02", 2));
    EXPECT_TRUE(file.WriteBlob(nullptr, 0));
    file.Close();
    EXPECT_EQ(readFile(path), Bytes("\x03"
                                    "abc"
                                    "\x00\x00"
                                    "\x04\x00\x00\x00long"
                                    "\x00\x00\x00\x00"
                                    "\x02\x00\x00\x00\x01\x02"
                                    "\x00\x00\x00\x00",
                                    28));

    ASSERT_TRUE(file.Open(path.c_str(), 0));
    char *text = reinterpret_cast<char *>(1);
    ASSERT_TRUE(file.ReadString(&text));
    EXPECT_STREQ(text, "abc");
    std::free(text);
    EXPECT_TRUE(file.ReadString(&text));
    EXPECT_EQ(text, nullptr) << "length 0 reads back as a null pointer";
    EXPECT_TRUE(file.ReadString(&text));
    ASSERT_TRUE(file.ReadStringHuge(&text));
    EXPECT_STREQ(text, "long");
    std::free(text);
    EXPECT_TRUE(file.ReadStringHuge(&text));
    EXPECT_EQ(text, nullptr);
    void *blob;
    uint32_t size;
    ASSERT_TRUE(file.ReadBlob(&blob, &size));
    ASSERT_EQ(size, 2u);
    EXPECT_EQ(0, std::memcmp(blob, "\x01\x02", 2));
    std::free(blob);
    EXPECT_TRUE(file.ReadBlob(&blob, &size));
    EXPECT_EQ(blob, nullptr);
}

// A stored length is checked against what the file (or the record being
// decoded) still holds before anything is allocated.
TEST_F(XFileTest, LengthsPastTheFileOrTheReadLimitFailWithoutAllocating)
{
    struct Case {
        const char *name;
        Bytes bytes;
        uint32_t limit;
        bool blob;
    };
    const Case cases[] = {
        {"huge string, length + 1 wraps", Bytes("\xFF\xFF\xFF\xFFxyz", 7), CXFile::NoLimit, false},
        {"string one byte too long", Bytes("\x04\x00\x00\x00xyz", 7), CXFile::NoLimit, false},
        {"string past the limit", Bytes("\x03\x00\x00\x00xyzrest", 11), 6, false},
        {"huge blob", Bytes("\xF0\xFF\xFF\xFFxyz", 7), CXFile::NoLimit, true},
        {"blob past the limit", Bytes("\x03\x00\x00\x00xyzrest", 11), 5, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFile(path, c.bytes));
        ASSERT_TRUE(file.Open(path.c_str(), 0));
        file.SetReadLimit(0, c.limit);
        if (c.blob) {
            void *blob = reinterpret_cast<void *>(1);
            uint32_t size = 7;
            EXPECT_FALSE(file.ReadBlob(&blob, &size));
            EXPECT_EQ(blob, nullptr);
            EXPECT_EQ(size, 0u);
        } else {
            char *text = reinterpret_cast<char *>(1);
            EXPECT_FALSE(file.ReadStringHuge(&text));
            EXPECT_EQ(text, nullptr);
        }
        file.Close();
    }
    // Within the limit the same bytes read.
    ASSERT_TRUE(writeFile(path, Bytes("\x03\x00\x00\x00xyzrest", 11)));
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    file.SetReadLimit(0, 7);
    char *text;
    ASSERT_TRUE(file.ReadStringHuge(&text));
    EXPECT_STREQ(text, "xyz");
    std::free(text);
    // Outside the limited range only the file's end counts.
    file.SetReadLimit(5, 6);
    ASSERT_TRUE(file.SeekToPos(0));
    ASSERT_TRUE(file.ReadStringHuge(&text));
    EXPECT_STREQ(text, "xyz");
    std::free(text);
}

TEST_F(XFileTest, OpenCreateSeekSkipAndCut)
{
    EXPECT_FALSE(file.Open(path.c_str(), 0)) << "the file does not exist";
    ASSERT_TRUE(file.Create(path.c_str()));
    CXFile second;
    EXPECT_FALSE(second.Create(path.c_str())) << "Create fails on an existing file";
    ASSERT_TRUE(file.Write("0123456789", 10));
    ASSERT_TRUE(second.Open(path.c_str(), 0)) << "others may read while it is open for writing";
    char head[4];
    EXPECT_TRUE(second.Read(head, 4));
    EXPECT_EQ(Bytes(head, 4), "0123");
    EXPECT_FALSE(second.Write("x", 1)) << "opened for reading only";

    uint32_t at = 0, length = 0;
    EXPECT_TRUE(file.SeekToPos(3));
    EXPECT_TRUE(file.Skip(4));
    EXPECT_TRUE(file.GetCurrentPos(&at));
    EXPECT_EQ(at, 7u);
    EXPECT_FALSE(file.Skip(4)) << "past the end";
    EXPECT_TRUE(file.Skip(3));
    EXPECT_TRUE(file.SeekToPos(6));
    EXPECT_TRUE(file.SetEOF());
    EXPECT_TRUE(file.SeekToEnd(&length));
    EXPECT_EQ(length, 6u);
    second.Close();
    file.Close();
    EXPECT_EQ(readFile(path), "012345");
}

TEST_F(XFileTest, AChangeTheHookRefusesFailsAndATornWriteKeepsOnlyItsFirstBytes)
{
    ASSERT_TRUE(file.Create(path.c_str()));
    {
        ChangeHook hook(ChangeHook::Mode::FailOne, 2);
        EXPECT_TRUE(file.Write("abcd", 4));
        EXPECT_FALSE(file.Write("efgh", 4));
        EXPECT_TRUE(file.SeekToPos(2));
        EXPECT_TRUE(file.SetEOF()) << "only the second change fails";
        EXPECT_EQ(hook.count(), 3u);
        // At the file's length nothing changes (under Wine, setting the end
        // there rewrites the file's last bytes).
        EXPECT_TRUE(file.SetEOF());
        EXPECT_EQ(hook.count(), 3u);
    }
    {
        // A failing hook that lets two bytes through, as a crash in the middle of a write would.
        static XFileChangeHook half = [](const XFileChangeInfo &change) { return change.count / 2; };
        SetXFileChangeHook(half);
        EXPECT_FALSE(file.Write("ijkl", 4));
        EXPECT_FALSE(file.Flush());
        SetXFileChangeHook(nullptr);
    }
    file.Close();
    EXPECT_EQ(readFile(path), "abij");
}

} // namespace
