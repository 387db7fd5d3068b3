#include "db/records/dbuid.h"

#include "db/records/tests/record_test_support.h"
#include "db/records/xfile.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {

using namespace Quorvane;
using records_test::Bytes;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

DBUID uidOf(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    DBUID uid;
    uid.m_words[0] = a;
    uid.m_words[1] = b;
    uid.m_words[2] = c;
    uid.m_words[3] = d;
    return uid;
}

TEST(DBUID, NewIdsHaveFourNonZeroWordsAndDiffer)
{
    std::set<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> seen;
    for (int i = 0; i < 200; ++i) {
        DBUID uid;
        uid.CreateDBUID(i % 2 ? "C:\\Tembri\\Rallimoth.prs" : nullptr);
        for (uint32_t word : uid.m_words)
            EXPECT_NE(word, 0u);
        EXPECT_FALSE(uid.IsEmpty());
        seen.insert({uid.m_words[0], uid.m_words[1], uid.m_words[2], uid.m_words[3]});
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(DBUID, GetReadsTheFourWordsAtOffsetFourAndWriteToDBWritesThem)
{
    TempFolder folder;
    const std::string path = folder.file("id.prs");
    ASSERT_TRUE(writeFile(path, Bytes("TPRS"
                                      "\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00\x04\x00\x00\x80"
                                      "tail",
                                      24)));
    DBUID uid;
    ASSERT_TRUE(uid.GetDBUID(path.c_str()));
    EXPECT_TRUE(uid == uidOf(1, 2, 3, 0x80000004));

    CXFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 1));
    EXPECT_TRUE(uidOf(0xA1A2A3A4, 5, 6, 7).WriteToDB(&file));
    file.Close();
    EXPECT_EQ(readFile(path), Bytes("TPRS"
                                    "\xA4\xA3\xA2\xA1\x05\x00\x00\x00\x06\x00\x00\x00\x07\x00\x00\x00"
                                    "tail",
                                    24));

    ASSERT_TRUE(writeFile(path, Bytes("TPRS\x01\x00", 6)));
    EXPECT_FALSE(uid.GetDBUID(path.c_str())) << "a file too short for an id";
    EXPECT_TRUE(uid == DBUID()) << "a failed read leaves the id cleared";
    uid = uidOf(1, 1, 1, 1);
    EXPECT_FALSE(uid.GetDBUID(folder.file("missing.prs").c_str()));
    EXPECT_TRUE(uid.IsEmpty());
}

// Not a comparison of words: the 16 stored bytes, lowest byte of word 0
// first, taken unsigned.
TEST(DBUID, InequalityIsAByteWiseThreeWayComparison)
{
    struct Case {
        DBUID a, b;
        int expected;
    };
    const Case cases[] = {
        {uidOf(1, 2, 3, 4), uidOf(1, 2, 3, 4), 0},
        {uidOf(0x100, 0, 0, 0), uidOf(0x001, 0, 0, 0), -1},
        {uidOf(0x80, 0, 0, 0), uidOf(0x7F, 0, 0, 0), 1},
        {uidOf(5, 5, 5, 0x01000000), uidOf(5, 5, 5, 0x02000000), -1},
        {uidOf(5, 6, 0, 0), uidOf(5, 5, 0xFF, 0xFF), 1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.a != c.b, c.expected);
        EXPECT_EQ(c.b != c.a, -c.expected);
        EXPECT_EQ(c.a == c.b, c.expected == 0);
    }
}

} // namespace
