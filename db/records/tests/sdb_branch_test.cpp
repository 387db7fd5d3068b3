// Copies of a record with its descendants, out to memory and back in.
#include "db/records/sdb.h"

#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr uint32_t none = SDB_NO_PARENT;

class Branch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(db.Create(path.c_str(), kMagic)); }
    void TearDown() override { keepForReader(path); }

    TempFolder folder;
    std::string path = folder.file("branch.prs");
    TestDB db;
};

TEST_F(Branch, ACopyHoldsTheRecordAndItsLiveDescendantsInPreOrder)
{
    const uint32_t song = addRecord(db, 0xE0, none, "song");    // 0
    const uint32_t track = addRecord(db, 0x10, song, "track");  // 1
    const uint32_t gone = addRecord(db, 0x10, song, "deleted"); // 2
    const uint32_t tract = addRecord(db, 0xE1, song, "");       // 3
    const uint32_t effect = addRecord(db, 0x83, track, "fx");   // 4
    addRecord(db, 0xE0, none, "another song");                  // 5
    ASSERT_TRUE(db.DeleteNoteByID(gone));

    const SDBNOTE *root = db.GetNoteByID(song);
    const uint32_t bytes = db.GetNotesBranch(root, nullptr);
    EXPECT_EQ(bytes, 4 * 24u + 4 + 5 + 0 + 2);
    std::vector<unsigned char> copy(bytes);
    unsigned char *cursor = copy.data();
    EXPECT_EQ(db.GetNotesBranch(root, &cursor), 4u);
    EXPECT_EQ(cursor, copy.data() + bytes);
    auto image = [](uint8_t flags, uint8_t type, uint32_t id, uint32_t parent, const Bytes &body,
                    uint32_t position) {
        return Bytes{char(flags), char(type), 0, 0} + u32(id) + u32(parent) + u32(uint32_t(body.size())) +
               u32(position) + u32(0) + body;
    };
    EXPECT_EQ(Bytes(copy.begin(), copy.end()),
              image(1, 0xE0, song, none, "song", 20) + image(1, 0x10, track, song, "track", 38) +
                  image(1, 0x83, effect, track, "fx", 20 + 14 * 4 + 4 + 5 + 7) +
                  image(1, 0xE1, tract, song, "", 20 + 14 * 3 + 4 + 5 + 7));

    // In below another record: new ids, the tree kept, the first id handed out.
    const uint32_t target = addRecord(db, 0x50, none, "target");
    uint32_t count = 4, firstId = 0;
    cursor = copy.data();
    ASSERT_TRUE(db.InsertNotesBranch(target, count, &cursor, firstId));
    EXPECT_EQ(count, 0u);
    const SDBNOTE *newSong = db.GetFirstNote(target, 0xE0);
    ASSERT_NE(newSong, nullptr);
    EXPECT_EQ(firstId, newSong->id);
    EXPECT_EQ(bodyOf(db, newSong->id), "song");
    const SDBNOTE *newTrack = db.GetFirstNote(newSong->id, 0x10);
    ASSERT_NE(newTrack, nullptr);
    EXPECT_NE(newTrack->id, track);
    EXPECT_EQ(bodyOf(db, newTrack->id), "track");
    ASSERT_NE(db.GetFirstNote(newTrack->id, 0x83), nullptr);
    EXPECT_EQ(bodyOf(db, db.GetFirstNote(newTrack->id, 0x83)->id), "fx");
    ASSERT_NE(db.GetFirstNote(newSong->id, 0xE1), nullptr);
    EXPECT_EQ(db.GetFirstNote(track, 0x83)->id, effect) << "the original stays";

    count = 0;
    EXPECT_TRUE(db.InsertNotesBranch(target, count, &cursor, firstId));
    EXPECT_EQ(firstId, target);
}

TEST_F(Branch, AnInsertThatFailsKeepsWhatItAppended)
{
    const uint32_t root = addRecord(db, 0xE0, none, "root");
    addRecord(db, 0x10, root, "child");
    std::vector<unsigned char> copy(db.GetNotesBranch(db.GetNoteByID(root), nullptr));
    unsigned char *cursor = copy.data();
    ASSERT_EQ(db.GetNotesBranch(db.GetNoteByID(root), &cursor), 2u);
    uint32_t count = 2, firstId = 0;
    cursor = copy.data();
    db.Close(1);
    ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
    {
        ChangeHook hook(ChangeHook::Mode::FailOne, 3); // the second record's header
        EXPECT_FALSE(db.InsertNotesBranch(none, count, &cursor, firstId));
    }
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(bodyOf(db, firstId), "root");
    EXPECT_TRUE(db.IsModified());
}

// Parent ids of a damaged file that run in a circle end the walk.
TEST_F(Branch, ACycleOfParentsDoesNotHangTheCopy)
{
    db.Close(0);
    ASSERT_TRUE(writeFile(path, headBytes(kMagic, freshUid()) + recordBytes(0, 1, 7, 8, "a") +
                                    recordBytes(0, 1, 8, 7, "b") + recordBytes(0, 1, 9, 9, "self")));
    ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
    EXPECT_EQ(db.GetNotesBranch(db.GetNoteByID(7), nullptr), 0u);
    std::vector<unsigned char> copy(1000);
    unsigned char *cursor = copy.data();
    EXPECT_EQ(db.GetNotesBranch(db.GetNoteByID(9), &cursor), 0u);
    EXPECT_TRUE(db.DeleteNoteByID(7));
    EXPECT_EQ(db.GetNoteByID(8), nullptr);
    EXPECT_TRUE(db.DeleteNoteByID(9));
}

} // namespace
