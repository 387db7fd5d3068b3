// Commit and discard: the compacted bytes, and the rollback when a write fails.
#include "db/records/sdb.h"

#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempFolder;

constexpr uint32_t none = SDB_NO_PARENT;

// Committed: A (0) with child B (1), C (2). Pending: D (3) added below A,
// A replaced, C deleted, E (4) added and deleted again. Answers the bytes
// before the changes and with them pending.
std::pair<Bytes, Bytes> makePending(TestDB &db, const std::string &path)
{
    db.Create(path.c_str(), kMagic);
    addRecord(db, 0x50, none, "A");
    addRecord(db, 0x81, 0, "B body");
    addRecord(db, 0x50, none, "C");
    db.Commit();
    const Bytes committed = readFile(path);
    addRecord(db, 0x81, 0, "D");
    SDBNOTE replaced = *db.GetNoteByID(0);
    replaced.size = 7;
    db.ChangeNote(&replaced, "A again");
    db.DeleteNoteByID(2);
    addRecord(db, 0x60, none, "E");
    db.DeleteNoteByID(4);
    return {committed, readFile(path)};
}

class Compaction : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::tie(committed, pending) = makePending(db, path);
        keepForReader(path);
    }
    void TearDown() override { keepForReader(path); }
    Bytes head(const CSDB &of) { return headBytes(kMagic, of.GetDataBaseUID()); }
    Bytes head() { return head(db); }
    Bytes afterCommit()
    {
        return head() + recordBytes(0, 0x81, 1, 0, "B body") + recordBytes(0, 0x81, 3, 0, "D") +
               recordBytes(0, 0x50, 0, none, "A again");
    }

    TempFolder folder;
    std::string path = folder.file("compact.prs");
    std::string journal = path + ".journal";
    TestDB db;
    Bytes committed, pending;
};

TEST_F(Compaction, TheFileBeforeTheChangesIsCommittedAndTheChangesArePending)
{
    EXPECT_EQ(committed, head() + recordBytes(0, 0x50, 0, none, "A") + recordBytes(0, 0x81, 1, 0, "B body") +
                             recordBytes(0, 0x50, 2, none, "C"));
    EXPECT_EQ(pending, head() + recordBytes(0x80, 0x50, 0, none, "A") + recordBytes(0, 0x81, 1, 0, "B body") +
                           recordBytes(0x80, 0x50, 2, none, "C") + recordBytes(0x01, 0x81, 3, 0, "D") +
                           recordBytes(0x01, 0x50, 0, none, "A again") +
                           recordBytes(0x81, 0x60, 4, none, "E"));
}

TEST_F(Compaction, CommitKeepsOneCommittedCopyPerLiveIdAndEndsBehindTheLast)
{
    ASSERT_TRUE(db.Commit());
    EXPECT_FALSE(db.IsModified());
    EXPECT_EQ(readFile(path), afterCommit());
    EXPECT_FALSE(fileExists(journal));
    // The key table follows the compacted file.
    EXPECT_EQ(bodyOf(db, 0), "A again");
    EXPECT_EQ(db.GetNoteByID(0)->position, uint32_t(afterCommit().size() - 14 - 7));
    EXPECT_EQ(db.GetNextNote(db.GetFirstNote(0, SDB_ANY_TYPE), SDB_ANY_TYPE)->id, 3u);
    const uint32_t added = addRecord(db, 0x70, none, "F");
    EXPECT_EQ(added, 5u);
    EXPECT_EQ(readFile(path), afterCommit() + recordBytes(1, 0x70, 5, none, "F"));
}

TEST_F(Compaction, DiscardGivesBackTheFileOfBeforeByteForByte)
{
    ASSERT_TRUE(db.Discard());
    EXPECT_FALSE(db.IsModified());
    EXPECT_EQ(readFile(path), committed);
    EXPECT_EQ(bodyOf(db, 0), "A");
    EXPECT_EQ(bodyOf(db, 2), "C");
    EXPECT_EQ(db.GetNoteByID(3), nullptr);
}

TEST_F(Compaction, CloseCommitsOrDiscardsAndTheDestructorDiscards)
{
    EXPECT_TRUE(db.Close(1));
    EXPECT_EQ(readFile(path).substr(20), afterCommit().substr(20));
    {
        TestDB other;
        ASSERT_TRUE(other.Open(path.c_str(), kMagic, 1));
        addRecord(other, 0x50, none, "dropped");
    }
    EXPECT_EQ(readFile(path).substr(20), afterCommit().substr(20));
}

// Each change of a commit or discard fails in turn: the answer is 0, the
// changes stay pending, the file is as before and no journal is left; the
// next attempt works.
TEST_F(Compaction, AFailedCommitOrDiscardRollsBackAndKeepsTheChangesPending)
{
    for (const bool commit : {true, false}) {
        for (uint32_t n = 1;; ++n) {
            SCOPED_TRACE(testing::Message() << (commit ? "commit" : "discard") << ", change " << n);
            TestDB attempt;
            const std::string attemptPath = folder.file("attempt.prs");
            makePending(attempt, attemptPath);
            int answer;
            {
                ChangeHook hook(ChangeHook::Mode::FailOne, n);
                answer = commit ? attempt.Commit() : attempt.Discard();
            }
            const Bytes expected = head(attempt) + (commit ? afterCommit() : committed).substr(20);
            if (answer) {
                EXPECT_GT(n, 4u) << "a compaction has a journal and a rewrite to make";
                EXPECT_EQ(readFile(attemptPath), expected);
                attempt.Close(0);
                RemoveXFile(attemptPath.c_str());
                break;
            }
            EXPECT_TRUE(attempt.IsModified());
            EXPECT_EQ(readFile(attemptPath), head(attempt) + pending.substr(20));
            EXPECT_FALSE(fileExists(attemptPath + ".journal"));
            EXPECT_EQ(bodyOf(attempt, 0), "A again");
            ASSERT_TRUE(commit ? attempt.Commit() : attempt.Discard());
            EXPECT_EQ(readFile(attemptPath), expected);
            attempt.Close(0);
            RemoveXFile(attemptPath.c_str());
        }
    }
}

// Fails the third flush of a journal: the one that would put the head that
// ends it on the disk (the first two put its body and its head there).
uint32_t g_journalFlushes = 0;

uint32_t failRetiringFlush(const XFileChangeInfo &change)
{
    const std::string file = change.file;
    const bool journalFlush = change.change == XFileChange::Flush && file.size() > 8 &&
                              file.compare(file.size() - 8, 8, ".journal") == 0;
    return journalFlush && ++g_journalFlushes == 3 ? 0 : change.count;
}

// A journal whose end cannot be flushed may still stand whole on the disk,
// and a delete the disk loses would leave it for the next open to play
// back: the commit is no commit then. It is rolled back and answers 0, the
// changes stay pending, and the journal is gone; the next commit works.
TEST_F(Compaction, ACommitWhoseJournalCannotBeEndedOnTheDiskFailsAndRollsBack)
{
    g_journalFlushes = 0;
    SetXFileChangeHook(failRetiringFlush);
    const int committedNow = db.Commit();
    SetXFileChangeHook(nullptr);
    EXPECT_EQ(g_journalFlushes, 3u);
    EXPECT_FALSE(committedNow);
    EXPECT_TRUE(db.IsModified());
    EXPECT_EQ(readFile(path), pending);
    EXPECT_FALSE(fileExists(journal));
    EXPECT_EQ(bodyOf(db, 0), "A again");
    ASSERT_TRUE(db.Commit());
    EXPECT_EQ(readFile(path), afterCommit());
}

// When the playback fails too, the journal stays beside the file, the
// database lets go of the half-compacted file, and the next open restores
// the last commit. Only a compaction whose journal was ended but not
// flushed, and could not be made whole again, stands: its commit answers 0
// all the same, for the disk may still hold the whole journal.
TEST_F(Compaction, AJournalThatCouldNotBePlayedBackIsPlayedBackByTheNextOpen)
{
    int journalsLeft = 0;
    for (uint32_t n = 1;; ++n) {
        SCOPED_TRACE(n);
        TestDB attempt;
        const std::string attemptPath = folder.file("stuck.prs");
        makePending(attempt, attemptPath);
        int answer, closed;
        {
            ChangeHook hook(ChangeHook::Mode::FailFrom, n);
            answer = attempt.Commit();
            closed = attempt.Close(1);
        }
        if (answer) {
            EXPECT_TRUE(closed);
            break;
        }
        EXPECT_FALSE(closed) << "the changes could not be committed";
        journalsLeft += fileExists(attemptPath + ".journal");
        const Bytes left = readFile(attemptPath);
        if (fileExists(attemptPath + ".journal") &&
            readFile(attemptPath + ".journal").substr(0, 4) == "SDJ2") {
            // Only a writer may play a whole journal back.
            EXPECT_FALSE(attempt.Open(attemptPath.c_str(), kMagic, 0));
            EXPECT_EQ(readFile(attemptPath), left);
        }
        const bool ended = fileExists(attemptPath + ".journal") &&
                           readFile(attemptPath + ".journal").substr(0, 4) == Bytes(4, '\0') &&
                           left.size() == afterCommit().size();
        ASSERT_TRUE(attempt.Open(attemptPath.c_str(), kMagic, 1));
        EXPECT_EQ(readFile(attemptPath), head(attempt) + (ended ? afterCommit() : committed).substr(20));
        EXPECT_FALSE(fileExists(attemptPath + ".journal"));
        attempt.Close(0);
        RemoveXFile(attemptPath.c_str());
    }
    EXPECT_GT(journalsLeft, 0);
}

// Bodies larger than the copy buffer move in several pieces.
TEST_F(Compaction, LargeBodiesMoveWhole)
{
    Bytes large(200000, '\0');
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 + i / 256);
    const uint32_t id = addRecord(db, 0xEF, none, large);
    addRecord(db, 0xEF, id, large.substr(1000, 70000));
    ASSERT_TRUE(db.Commit());
    EXPECT_EQ(readFile(path), afterCommit() + recordBytes(0, 0xEF, id, none, large) +
                                  recordBytes(0, 0xEF, id + 1, id, large.substr(1000, 70000)));
    EXPECT_EQ(bodyOf(db, id), large);
}

} // namespace
