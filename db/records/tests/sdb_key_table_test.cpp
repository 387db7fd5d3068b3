// The key table of a file written by hand: look-ups, new ids and reads.
#include "db/records/sdb.h"

#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr uint32_t none = SDB_NO_PARENT;

class KeyTable : public ::testing::Test {
protected:
    void open(const Bytes &records)
    {
        ASSERT_TRUE(writeFile(path, headBytes(kMagic, freshUid()) + records));
        keepForReader(path);
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
    }

    TempFolder folder;
    std::string path = folder.file("keys.prs");
    TestDB db;
};

TEST_F(KeyTable, LookUpsWalkLiveRecordsInFileOrder)
{
    open(recordBytes(0, 0x50, 10, none, "port a") + recordBytes(0, 0x81, 11, 10, "preset 1") +
         recordBytes(0, 0x50, 12, none, "port b") + recordBytes(0, 0x82, 13, 10, "effect preset") +
         recordBytes(0, 0x81, 14, 10, "preset 2") + recordBytes(0, 0x81, 15, 12, "other port's preset"));
    // Deleting marks in place; the copies stay in the table.
    ASSERT_TRUE(db.DeleteNoteByID(14));
    ASSERT_TRUE(db.DeleteNoteByID(12));

    SDBNOTE *first = db.GetFirstNote(10, 0x81);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->id, 11u);
    EXPECT_EQ(db.GetNextNote(first, 0x81), nullptr) << "14 is deleted, 15 has another parent";
    ASSERT_NE(db.GetNextNote(first, SDB_ANY_TYPE), nullptr);
    EXPECT_EQ(db.GetNextNote(first, SDB_ANY_TYPE)->id, 13u);
    EXPECT_EQ(db.GetFirstNote(none, 0x50)->id, 10u);
    EXPECT_EQ(db.GetNextNote(db.GetFirstNote(none, 0x50), 0x50), nullptr);

    SDBNOTE *port = db.GetNoteByType(nullptr, 0x50);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->id, 10u);
    EXPECT_EQ(db.GetNoteByType(port, 0x50), nullptr);
    EXPECT_EQ(db.GetNoteByType(port, SDB_ANY_TYPE)->id, 11u);

    EXPECT_EQ(db.GetNoteByID(13)->position, 20u + 3 * 14 + 6 + 8 + 6);
    EXPECT_EQ(db.GetNoteByID(12), nullptr);
    EXPECT_EQ(db.GetNoteByID(15), nullptr) << "deleted with its parent";
}

// The look-ups follow every change: a replacement's new copy, a failed
// replacement's old one, the copies a discard brings back, and the place of
// a caller's copy of an entry among its siblings.
TEST_F(KeyTable, LookUpsFollowReplacementsDiscardsAndCommits)
{
    open(recordBytes(0, 0x50, 10, none, "port") + recordBytes(0, 0x81, 11, 10, "one") +
         recordBytes(0, 0x81, 12, 10, "two") + recordBytes(0, 0x82, 13, 10, "three"));
    SDBNOTE two = *db.GetNoteByID(12);
    two.size = 7;
    ASSERT_TRUE(db.ChangeNote(&two, "two new"));
    EXPECT_EQ(bodyOf(db, 12), "two new");
    EXPECT_EQ(db.GetNoteByID(12)->flags, SDB_ADDED);
    // In file order the new copy stands last among the port's children.
    const SDBNOTE copyOfOne = *db.GetNoteByID(11);
    ASSERT_NE(db.GetNextNote(&copyOfOne, 0x81), nullptr);
    EXPECT_EQ(db.GetNextNote(&copyOfOne, 0x81), db.GetNoteByID(12));
    EXPECT_EQ(db.GetNextNote(db.GetNoteByID(13), SDB_ANY_TYPE), db.GetNoteByID(12));
    {
        // The old copy's mark fails: the new copy goes again.
        ChangeHook hook(ChangeHook::Mode::FailOne, 3);
        SDBNOTE three = *db.GetNoteByID(13);
        EXPECT_FALSE(db.ChangeNote(&three, "3"));
    }
    EXPECT_EQ(bodyOf(db, 13), "three");
    ASSERT_TRUE(db.DeleteNoteByID(11));
    EXPECT_EQ(db.GetFirstNote(10, 0x81), db.GetNoteByID(12));

    ASSERT_TRUE(db.Discard());
    EXPECT_EQ(bodyOf(db, 11), "one");
    EXPECT_EQ(bodyOf(db, 12), "two");
    EXPECT_EQ(db.GetNoteByID(12)->position, 20u + 14 + 4 + 14 + 3);
    EXPECT_EQ(db.GetFirstNote(10, 0x81)->id, 11u);
    EXPECT_EQ(db.GetNextNote(db.GetFirstNote(10, 0x81), 0x81)->id, 12u);
    EXPECT_EQ(db.GetNextNote(db.GetNoteByID(12), 0x81), nullptr);

    ASSERT_TRUE(db.ChangeNote(&two, "two new"));
    ASSERT_TRUE(db.DeleteNoteByID(11));
    ASSERT_TRUE(db.Commit());
    EXPECT_EQ(db.GetNoteByID(11), nullptr);
    EXPECT_EQ(db.GetNoteByID(12)->flags, SDB_COMMITTED);
    EXPECT_EQ(db.GetFirstNote(10, SDB_ANY_TYPE)->id, 13u);
    EXPECT_EQ(db.GetNextNote(db.GetFirstNote(10, SDB_ANY_TYPE), SDB_ANY_TYPE)->id, 12u);
}

TEST_F(KeyTable, NewIdsAvoidEveryIdAndParentIdAndNeverAreAllOnes)
{
    // The counter starts behind the highest id (wrapping at 0xFFFFFFFF); a
    // parent id with no record of its own still counts as taken.
    open(recordBytes(0, 1, 0, 2, "") + recordBytes(0x80, 1, 1, none, "") +
         recordBytes(0, 1, 0xFFFFFFFE, 4, ""));
    uint32_t ids[4];
    for (uint32_t &id : ids)
        ASSERT_TRUE(db.GetNewID(id));
    EXPECT_EQ(ids[0], 3u);
    EXPECT_EQ(ids[1], 5u);
    EXPECT_EQ(ids[2], 6u);
    EXPECT_EQ(ids[3], 7u);
}

TEST_F(KeyTable, ANewFileHasAnEmptyTableAndStartsAtIdZero)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    EXPECT_EQ(db.GetNoteByType(nullptr, SDB_ANY_TYPE), nullptr);
    EXPECT_FALSE(db.IsModified());
    uint32_t id = 99;
    ASSERT_TRUE(db.GetNewID(id));
    EXPECT_EQ(id, 0u);
}

TEST_F(KeyTable, ReadsCopyTheEntryAndTheBody)
{
    open(recordBytes(0, 0x30, 3, none, "scan record") + recordBytes(0, 0x31, 4, 3, "") +
         recordBytes(0, 0x32, 5, 3,
                     Bytes("\x05"
                           "codec",
                           6)));
    SDBNOTE header;
    void *body = nullptr;
    ASSERT_TRUE(db.ReadNote(3, &header, &body));
    EXPECT_EQ(header.type, 0x30);
    EXPECT_EQ(header.size, 11u);
    EXPECT_EQ(header.position, 20u);
    EXPECT_EQ(Bytes(static_cast<char *>(body), 11), "scan record");
    std::free(body);
    ASSERT_TRUE(db.ReadNote(4, &header, &body));
    EXPECT_EQ(body, nullptr) << "an empty body reads as a null block";
    EXPECT_FALSE(db.ReadNote(9, &header, &body));

    CXFile *file = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(db.PrepareReadNote(uint32_t(3), &file, &size));
    EXPECT_EQ(size, 11u);
    char start[4];
    ASSERT_TRUE(file->Read(start, 4));
    EXPECT_EQ(Bytes(start, 4), "scan");

    StringCodec codec(0x32, 5, 0);
    ASSERT_TRUE(db.ReadNote(&codec));
    EXPECT_EQ(codec.text, "codec");
    EXPECT_EQ(codec.parent, 3u);
    StringCodec wrongType(0x33, 5, 0);
    EXPECT_FALSE(db.ReadNote(&wrongType));
}

// A length inside a body is bounded by the body's end, not only by the file.
TEST_F(KeyTable, ACodecCannotReadPastTheBodyItDecodes)
{
    open(recordBytes(0, 0x32, 1, none,
                     Bytes("\x09"
                           "abc",
                           4)) +
         recordBytes(0, 0x32, 2, none, "defghij"));
    StringCodec codec(0x32, 1, 0);
    EXPECT_FALSE(db.ReadNote(&codec));
    EXPECT_EQ(codec.text, "");
}

} // namespace
