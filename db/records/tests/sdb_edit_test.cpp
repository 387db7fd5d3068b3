// Pending changes: appends, replacements and deletions as stored bytes.
#include "db/records/sdb.h"

#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::readFile;
using testing_support::TempFolder;

constexpr uint32_t none = SDB_NO_PARENT;

class PendingChanges : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(db.Create(path.c_str(), kMagic)); }
    void TearDown() override { keepForReader(path); }
    Bytes head() { return headBytes(kMagic, db.GetDataBaseUID()); }

    TempFolder folder;
    std::string path = folder.file("edit.prs");
    TestDB db;
};

TEST_F(PendingChanges, AppendReplaceAndDeleteWriteFlaggedRecordsInPlace)
{
    EXPECT_EQ(readFile(path), head()) << "a new file holds only its head";
    const uint32_t port = addRecord(db, 0x50, none, "alpha");
    const uint32_t preset = addRecord(db, 0x81, port, "b");
    EXPECT_EQ(port, 0u);
    EXPECT_EQ(preset, 1u);
    EXPECT_EQ(readFile(path),
              head() + recordBytes(0x01, 0x50, 0, none, "alpha") + recordBytes(0x01, 0x81, 1, 0, "b"));

    SDBNOTE changed;
    changed.id = port;
    changed.type = 0x51;
    changed.parent = none;
    changed.size = 6;
    ASSERT_TRUE(db.ChangeNote(&changed, "ALPHA!"));
    ASSERT_TRUE(db.DeleteNoteByID(preset));
    EXPECT_TRUE(db.IsModified());
    EXPECT_EQ(readFile(path), head() + recordBytes(0x81, 0x50, 0, none, "alpha") +
                                  recordBytes(0x81, 0x81, 1, 0, "b") +
                                  recordBytes(0x01, 0x51, 0, none, "ALPHA!"));
    EXPECT_EQ(bodyOf(db, port), "ALPHA!");
    EXPECT_EQ(db.GetNoteByID(port)->type, 0x51);
    EXPECT_EQ(db.GetNoteByID(preset), nullptr);
}

TEST_F(PendingChanges, DeletingARecordMarksAllItsDescendants)
{
    const uint32_t root = addRecord(db, 1, none, "root");
    const uint32_t child = addRecord(db, 2, root, "child");
    const uint32_t grandchild = addRecord(db, 3, child, "grandchild");
    const uint32_t other = addRecord(db, 1, none, "other");
    const uint32_t late = addRecord(db, 2, root, "late child");
    ASSERT_TRUE(db.Commit());
    ASSERT_TRUE(db.DeleteNoteByID(root));
    for (uint32_t id : {root, child, grandchild, late})
        EXPECT_EQ(db.GetNoteByID(id), nullptr) << id;
    EXPECT_NE(db.GetNoteByID(other), nullptr);
    EXPECT_FALSE(db.DeleteNoteByID(root)) << "already deleted";
    EXPECT_FALSE(db.DeleteNoteByID(77)) << "no such record";
    EXPECT_EQ(readFile(path), head() + recordBytes(0x80, 1, root, none, "root") +
                                  recordBytes(0x80, 2, child, root, "child") +
                                  recordBytes(0x80, 3, grandchild, child, "grandchild") +
                                  recordBytes(0x00, 1, other, none, "other") +
                                  recordBytes(0x80, 2, late, root, "late child"));
    ASSERT_TRUE(db.DeleteAll());
    EXPECT_EQ(db.GetFirstNote(none, SDB_ANY_TYPE), nullptr);
}

TEST_F(PendingChanges, AppendsAndReplacementsThatCannotBeMadeFail)
{
    const uint32_t port = addRecord(db, 0x50, none, "port");
    EXPECT_EQ(addRecord(db, 0x81, 99, "orphan"), none) << "the parent must exist";
    ASSERT_TRUE(db.DeleteNoteByID(port));
    EXPECT_EQ(addRecord(db, 0x81, port, "orphan"), none) << "the parent must be live";

    SDBNOTE missing;
    missing.id = 42;
    EXPECT_FALSE(db.ChangeNote(&missing, nullptr));
    const uint32_t text = addRecord(db, 0x30, none, Bytes("\x02hi", 3));
    StringCodec wrongType(0x31, text, none, "new");
    EXPECT_FALSE(db.ChangeNote(&wrongType)) << "a codec replaces only records of its own type";
    StringCodec rightType(0x30, text, none, "new");
    EXPECT_TRUE(db.ChangeNote(&rightType));
    EXPECT_EQ(bodyOf(db, text), Bytes("\x03new", 4));

    const Bytes before = readFile(path);
    SDBNOTE noBody;
    noBody.parent = none;
    noBody.size = 4;
    EXPECT_FALSE(db.AddNewNote(&noBody, nullptr)) << "a size without a body";
    EXPECT_EQ(readFile(path), before) << "a failed append leaves the file as it was";
}

TEST_F(PendingChanges, ACodecWritesItsBodyAndAFaultyOneIsCutBack)
{
    StringCodec codec(0xE0, 0, none, "Hibernation");
    ASSERT_TRUE(db.AddNewNote(&codec));
    EXPECT_EQ(codec.id, 0u);
    EXPECT_EQ(readFile(path), head() + recordBytes(0x01, 0xE0, 0, none, "\x0BHibernation"));

    const Bytes before = readFile(path);
    StringCodec faulty(0xE1, 0, codec.id, "short");
    faulty.sizeError = 3;
    EXPECT_FALSE(db.AddNewNote(&faulty)) << "the body written must be the size announced";
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(db.GetFirstNote(codec.id, SDB_ANY_TYPE), nullptr);

    StringCodec back(0xE0, codec.id, 1234);
    ASSERT_TRUE(db.ReadNote(&back));
    EXPECT_EQ(back.text, "Hibernation");
    EXPECT_EQ(back.parent, none) << "the parent comes from the record";
}

// Every write of an append or a replacement fails in turn: the file and the
// key table stay as they were, and the next change works.
TEST_F(PendingChanges, AWriteFailingInAnAppendOrReplacementCutsTheFileBack)
{
    const uint32_t kept = addRecord(db, 0x50, none, "kept");
    const Bytes before = readFile(path);
    // A replacement writes the new version's header and body, then the old
    // version's flags; an append writes a header and a body.
    for (uint32_t n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        {
            ChangeHook hook(ChangeHook::Mode::FailOne, n);
            SDBNOTE changed = *db.GetNoteByID(kept);
            changed.size = 7;
            EXPECT_FALSE(db.ChangeNote(&changed, "changed"));
        }
        EXPECT_EQ(readFile(path), before);
        EXPECT_EQ(bodyOf(db, kept), "kept");
        if (n == 3)
            continue;
        {
            ChangeHook hook(ChangeHook::Mode::FailOne, n);
            EXPECT_EQ(addRecord(db, 0x50, none, "new"), none);
        }
        EXPECT_EQ(readFile(path), before);
        EXPECT_EQ(db.GetNoteByType(db.GetNoteByID(kept), SDB_ANY_TYPE), nullptr);
    }
    const uint32_t added = addRecord(db, 0x50, none, "new");
    ASSERT_NE(added, none);
    EXPECT_EQ(readFile(path), before + recordBytes(0x01, 0x50, added, none, "new"));
}

} // namespace
