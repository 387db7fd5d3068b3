// The rollback journal beside a record file: played back only when it is
// whole, the file's own and its range fits the file; any other journal is
// ignored and kept aside, and the file is what the last finished commit left.
#include "db/records/sdb.h"

#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr uint32_t none = SDB_NO_PARENT;

// A file in the middle of a commit, written by hand. Committed: R0 and its
// child R1; pending from `from` on: R2 deleted, R3 added. The last finished
// commit is R0, R1, R2.
class JournalFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        head = headBytes(kMagic, uid);
        const Bytes r0 = recordBytes(0, 0x50, 0, none, "port zero");
        const Bytes r1 = recordBytes(0, 0x81, 1, 0, "preset one");
        const Bytes r2 = "port two";
        const Bytes r3 = "port three, added";
        from = uint32_t(head.size() + r0.size() + r1.size());
        pending =
            head + r0 + r1 + recordBytes(0x80, 0x50, 2, none, r2) + recordBytes(0x01, 0x50, 3, none, r3);
        end = uint32_t(pending.size());
        lastCommit = head + r0 + r1 + recordBytes(0, 0x50, 2, none, r2);
        // Half compacted: R3 committed in R2's place, the rest not yet cut.
        const Bytes moved = recordBytes(0, 0x50, 3, none, r3);
        halfDone = pending.substr(0, from) + moved + pending.substr(from + moved.size());
    }
    void TearDown() override
    {
        db.Close(0);
        if (fileExists(path))
            keepForReader(path);
    }
    Bytes body() const { return pending.substr(from); }
    Bytes wholeJournal() const { return journalBytes(kMagic, uid, from, end, body()); }

    TempFolder folder;
    std::string path = folder.file("Main.prs");
    std::string journal = path + ".journal";
    std::string keptAside = journal + ".damaged";
    DBUID uid = freshUid();
    Bytes head, pending, lastCommit, halfDone;
    uint32_t from = 0, end = 0;
    TestDB db;
};

// A compaction leaves the file anywhere from the start of the journal's
// range to its end, both ends included.
TEST_F(JournalFile, AWholeJournalOfTheFileIsPlayedBackThenRemoved)
{
    const struct {
        const char *what;
        Bytes file;
    } cases[] = {
        {"half compacted, as long as the range's end", halfDone},
        {"cut at the start of the range", halfDone.substr(0, from)},
        {"cut one byte into the range", halfDone.substr(0, from + 1)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(writeFile(path, c.file));
        ASSERT_TRUE(writeFile(journal, wholeJournal()));
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(readFile(path), lastCommit);
        EXPECT_FALSE(fileExists(journal));
        EXPECT_FALSE(fileExists(keptAside));
        EXPECT_EQ(bodyOf(db, 2), "port two");
        EXPECT_EQ(db.GetNoteByID(3), nullptr);
        db.Close(0);
    }
}

// A journal that is not whole was cut short before its compaction began, so
// the file beside it is as the last commit left it (with the pending
// records of a process that died).
TEST_F(JournalFile, AJournalThatIsNotWholeIsIgnoredAndKeptAside)
{
    const Bytes whole = wholeJournal();
    auto flipped = [&whole](size_t at) {
        Bytes bytes = whole;
        bytes[at] = char(bytes[at] ^ 0x10);
        return bytes;
    };
    Bytes otherBody = body();
    otherBody[otherBody.size() - 1] = 'X';
    const struct {
        const char *what;
        Bytes journal;
    } cases[] = {
        {"a flipped bit in the magic", flipped(0)},
        {"a flipped bit in the start of the range", flipped(24)},
        {"a flipped bit in the end of the range", flipped(28)},
        {"a flipped bit in the length", flipped(32)},
        {"a flipped bit in the checksum", flipped(36)},
        {"a flipped bit in the first saved byte", flipped(40)},
        {"a flipped bit in the last saved byte", flipped(whole.size() - 1)},
        {"the last byte missing", whole.substr(0, whole.size() - 1)},
        {"a byte too many", whole + "x"},
        {"only the head", whole.substr(0, 40)},
        {"half a head", whole.substr(0, 20)},
        {"empty", ""},
        {"a head of zeros, as a compaction first writes it", Bytes(40, '\0') + body()},
        {"the first layout, which an earlier build played back",
         firstLayoutJournalBytes(kMagic, uid, from, end, otherBody)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RemoveXFile(keptAside.c_str());
        ASSERT_TRUE(writeFile(path, pending));
        ASSERT_TRUE(writeFile(journal, c.journal));

        // Read only, nothing changes: not the file, not the journal.
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 0));
        EXPECT_EQ(bodyOf(db, 2), "port two");
        db.Close(0);
        EXPECT_EQ(readFile(path), pending);
        EXPECT_EQ(readFile(journal), c.journal);

        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(readFile(path), lastCommit);
        EXPECT_FALSE(fileExists(journal));
        ASSERT_TRUE(fileExists(keptAside));
        EXPECT_EQ(readFile(keptAside), c.journal);
        db.Close(0);
    }
    // A second journal kept aside does not replace the first.
    ASSERT_TRUE(writeFile(journal, "another"));
    ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
    EXPECT_EQ(readFile(keptAside), cases[std::size(cases) - 1].journal);
    EXPECT_EQ(readFile(keptAside + "2"), "another");
}

// Whole journals of ranges that no compaction of this file leaves: never
// played back, whatever the journal claims, so no file grows or shrinks.
TEST_F(JournalFile, AJournalWhoseRangeTheFileCannotHaveIsNeverPlayedBack)
{
    const Bytes fifteen = "fifteen bytes..";
    const DBUID other = freshUid();
    const struct {
        const char *what;
        Bytes journal;
    } cases[] = {
        {"a range at 1 GB", journalBytes(kMagic, uid, 0x40000000, 0x4000000F, fifteen)},
        {"a range at 4 GB", journalBytes(kMagic, uid, 0xFFFFFFF0, 0xFFFFFFFF, fifteen)},
        {"an empty range at 0", journalBytes(kMagic, uid, 0, 0, "")},
        {"a range in the file's head", journalBytes(kMagic, uid, 4, 19, fifteen)},
        {"a range ending before the file does", journalBytes(kMagic, uid, from, end - 1, body().substr(1))},
        {"a range ending before it starts", journalBytes(kMagic, uid, end, from, "")},
        {"a length that is not the range's", journalBytes(kMagic, uid, from, end + 1, body())},
        {"another file's id", journalBytes(kMagic, other, from, end, body())},
        {"another type magic", journalBytes(0x474E5354, uid, from, end, body())},
        // As an earlier build wrote them: 47 and 32 bytes.
        {"the first layout at 1 GB", firstLayoutJournalBytes(kMagic, uid, 0x40000000, 0x4000000F, fifteen)},
        {"the first layout at 4 GB", firstLayoutJournalBytes(kMagic, uid, 0xFFFFFFF0, 0xFFFFFFFF, fifteen)},
        {"the first layout at 0..0", firstLayoutJournalBytes(kMagic, uid, 0, 0, "")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RemoveXFile(keptAside.c_str());
        ASSERT_TRUE(writeFile(path, pending));
        ASSERT_TRUE(writeFile(journal, c.journal));
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 0));
        db.Close(0);
        EXPECT_EQ(readFile(path), pending);
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(readFile(path), lastCommit);
        EXPECT_EQ(readFile(keptAside), c.journal);
        db.Close(0);
    }
}

// Read only, a file that only the journal's playback can give back is
// refused, and both files stay as they are.
TEST_F(JournalFile, AReadOnlyOpenRefusesAFileItsJournalMustGiveBack)
{
    ASSERT_TRUE(writeFile(path, halfDone));
    ASSERT_TRUE(writeFile(journal, wholeJournal()));
    EXPECT_FALSE(db.Open(path.c_str(), kMagic, 0));
    EXPECT_FALSE(db.IsOpened());
    EXPECT_EQ(readFile(path), halfDone);
    EXPECT_EQ(readFile(journal), wholeJournal());
    EXPECT_TRUE(db.Open(path.c_str(), kMagic, 1)) << "the failed open left no lock behind";
}

// What the journal gives back is checked like any file before a byte
// changes: damage in it fails the open and leaves both files.
TEST_F(JournalFile, AJournalThatWouldGiveBackADamagedFileFailsTheOpenAndLeavesBoth)
{
    const Bytes damagedRecords =
        recordBytes(0x80, 0x50, 2, none, "port two") + recordBytes(0x02, 0x50, 3, none, "x");
    const Bytes sameId =
        recordBytes(0x80, 0x50, 2, none, "port two") + recordBytes(0, 0x50, 0, none, "again");
    // A deleted record cut short is damage, not a torn addition.
    const Bytes cutShort = body().substr(0, 14 + 4);
    for (const Bytes &saved : {damagedRecords, sameId, cutShort}) {
        SCOPED_TRACE(::testing::PrintToString(saved));
        const uint32_t savedEnd = from + uint32_t(saved.size());
        const Bytes data = halfDone.substr(0, savedEnd);
        const Bytes bytes = journalBytes(kMagic, uid, from, savedEnd, saved);
        ASSERT_TRUE(writeFile(path, data));
        ASSERT_TRUE(writeFile(journal, bytes));
        EXPECT_FALSE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(readFile(path), data);
        EXPECT_EQ(readFile(journal), bytes);
        EXPECT_FALSE(fileExists(keptAside));
    }
    RemoveXFile(journal.c_str());
}

// A journal a commit finds beside the file is not its own: it is kept
// aside, not replaced.
TEST_F(JournalFile, AJournalACommitFindsIsKeptAsideNotReplaced)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    addRecord(db, 0x50, none, "A");
    ASSERT_TRUE(writeFile(journal, "left by someone else"));
    ASSERT_TRUE(db.Commit());
    EXPECT_FALSE(fileExists(journal));
    EXPECT_EQ(readFile(keptAside), "left by someone else");
    EXPECT_EQ(readFile(path), headBytes(kMagic, db.GetDataBaseUID()) + recordBytes(0, 0x50, 0, none, "A"));
}

// The journal a commit writes, stopped once it is whole: its bytes as the
// layout gives them, played back as it stands, kept aside with one bit
// flipped.
TEST(Journal, ACommitsJournalIsWholeOnlyWithItsHeadAndAFlippedBitKeepsItAside)
{
    TempFolder folder;
    const std::string path = folder.file("Commit.prs");
    const std::string journal = path + ".journal";
    Bytes committed, pending, left;
    uint32_t from = 0;
    DBUID uid;
    for (uint32_t n = 1; left.empty(); ++n) {
        SCOPED_TRACE(n);
        ASSERT_LT(n, 40u) << "no commit stopped with its journal whole";
        RemoveXFile(path.c_str());
        RemoveXFile(journal.c_str());
        TestDB db;
        ASSERT_TRUE(db.Create(path.c_str(), kMagic));
        uid = db.GetDataBaseUID();
        addRecord(db, 0x50, none, "A");
        addRecord(db, 0x81, 0, "B");
        ASSERT_TRUE(db.Commit());
        committed = readFile(path);
        addRecord(db, 0x50, none, "C");
        ASSERT_TRUE(db.DeleteNoteByID(1));
        from = 20 + 14 + 1; // B, behind A: the first pending record
        pending = readFile(path);
        {
            ChangeHook hook(ChangeHook::Mode::FailFrom, n);
            ASSERT_FALSE(db.Commit());
            db.Close(0);
        }
        if (fileExists(journal) && readFile(journal).substr(0, 4) == "SDJ2")
            left = readFile(journal);
        else
            EXPECT_FALSE(fileExists(journal) && readFile(path) != pending)
                << "a journal not yet whole stands beside the untouched file";
    }
    EXPECT_EQ(readFile(path), pending) << "the first change of the compaction failed";
    EXPECT_EQ(left, journalBytes(kMagic, uid, from, uint32_t(pending.size()), pending.substr(from)));

    const Bytes expected = committed;
    for (const bool flip : {true, false}) {
        SCOPED_TRACE(flip ? "flipped" : "as written");
        Bytes bytes = left;
        if (flip)
            bytes[bytes.size() - 2] = char(bytes[bytes.size() - 2] ^ 0x01);
        ASSERT_TRUE(writeFile(path, pending));
        ASSERT_TRUE(writeFile(journal, bytes));
        TestDB db;
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(readFile(path), expected);
        EXPECT_FALSE(fileExists(journal));
        EXPECT_EQ(fileExists(journal + ".damaged"), flip);
        if (flip) {
            EXPECT_EQ(readFile(journal + ".damaged"), bytes);
        }
        db.Close(0);
        RemoveXFile((journal + ".damaged").c_str());
    }
}

} // namespace
