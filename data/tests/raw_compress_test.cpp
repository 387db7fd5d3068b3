#include "data/raw_compress.h"
#include "data/storage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace Quorvane;

namespace {

std::string contentOf(CMemStorage &m)
{
    return std::string(reinterpret_cast<const char *>(m.GetData()), m.GetLength());
}

void fillWith(CMemStorage &m, const std::string &bytes)
{
    m.Clear();
    m.PutBuffer(bytes.data(), static_cast<long>(bytes.size()));
}

// Text-like bytes that compress well, or noise that does not.
std::string sample(size_t size, bool noise)
{
    std::string s(size, '\0');
    uint32_t x = 12345;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = noise ? static_cast<char>(x >> 24) : "drum and bass "[(i / 3 + (x >> 30)) % 14];
    }
    return s;
}

std::string compressed(const std::string &original)
{
    CMemStorage in, out;
    fillWith(in, original);
    CRawCompress pack(&in, &out);
    EXPECT_EQ(pack.IsOk(), 1);
    return contentOf(out);
}

bool expands(const std::string &block, std::string *result = nullptr)
{
    CMemStorage in, out;
    fillWith(in, block);
    CRawExpand unpack(&in, &out);
    if (result)
        *result = contentOf(out);
    return unpack.IsOk() == 1;
}

TEST(RawCompress, EmptySourceIsFourZeroBytes)
{
    const std::string block = compressed("");
    EXPECT_EQ(block, std::string(4, '\0'));
    std::string back = "x";
    EXPECT_TRUE(expands(block, &back));
    EXPECT_EQ(back, "");
}

TEST(RawCompress, BlockIsLengthThenStreamWithoutItsHeader)
{
    const std::string original = sample(1000, false);
    const std::string block = compressed(original);
    ASSERT_GT(block.size(), 10u);
    EXPECT_EQ(block.substr(0, 4), std::string("\xE8\x03\x00\x00", 4));
    // The first block's magic follows the length directly.
    EXPECT_EQ(block.substr(4, 6), std::string("\x31\x41\x59\x26\x53\x59", 6));
}

TEST(RawCompress, RoundTripsSmallAndMultiBlockSources)
{
    for (const std::string &original :
         {std::string("a"), sample(100000, false), sample(2000000, true), sample(1900000, false)}) {
        std::string back;
        ASSERT_TRUE(expands(compressed(original), &back)) << original.size();
        EXPECT_TRUE(back == original) << original.size();
    }
}

TEST(RawCompress, RewindsBothStoragesFirst)
{
    CMemStorage in, out;
    fillWith(in, "hello hello hello");
    out.PutBuffer("old", 3); // positioned at its end
    CRawCompress pack(&in, &out);
    ASSERT_EQ(pack.IsOk(), 1);
    EXPECT_EQ(contentOf(out).substr(0, 4), std::string("\x11\x00\x00\x00", 4));
}

TEST(RawCompress, NullStoragesFail)
{
    CMemStorage m;
    EXPECT_EQ(CRawCompress(nullptr, &m).IsOk(), 0);
    EXPECT_EQ(CRawCompress(&m, nullptr).IsOk(), 0);
    EXPECT_EQ(CRawExpand(nullptr, &m).IsOk(), 0);
    EXPECT_EQ(CRawExpand(&m, nullptr).IsOk(), 0);
}

std::string withLength(std::string block, uint32_t length)
{
    block.replace(0, 4, reinterpret_cast<const char *>(&length), 4);
    return block;
}

TEST(RawExpand, DamagedBlocksFail)
{
    const std::string original = sample(300000, false);
    const std::string good = compressed(original);
    const uint32_t n = static_cast<uint32_t>(original.size());
    std::string badMagic = good;
    badMagic[4] ^= 0x01;
    std::string badCrc = good;
    badCrc[10] ^= 0x40; // first byte of the block CRC
    struct Case {
        const char *what;
        std::string block;
    } cases[] = {
        {"nothing at all", ""},
        {"a length without a stream", withLength(std::string(4, '\0'), 16)},
        {"a truncated length", good.substr(0, 3)},
        {"half the stream", good.substr(0, good.size() / 2)},
        {"all but the last byte", good.substr(0, good.size() - 1)},
        {"a byte after the stream", good + 'x'},
        {"a stored length one short", withLength(good, n - 1)},
        {"a stored length one long", withLength(good, n + 1)},
        {"an absurd stored length", withLength(good, 0xFFFFFFFFu)},
        {"a damaged block magic", badMagic},
        {"a damaged block CRC", badCrc},
        {"noise", std::string("\x10\x00\x00\x00", 4) + sample(64, true)},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(expands(c.block)) << c.what;
    EXPECT_TRUE(expands(good));
}

TEST(RawExpand, StopsAsSoonAsTheOutputPassesTheStoredLength)
{
    const std::string block = withLength(compressed(sample(1000000, false)), 10);
    std::string written;
    EXPECT_FALSE(expands(block, &written));
    EXPECT_LE(written.size(), 10u);
}

} // namespace
