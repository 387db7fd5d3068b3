// Opening, creating, closing and saving a record file; what an open finds
// left by a process that died; the file's id and lock.
#include "db/records/sdb.h"

#include "db/records/tests/failing_reads.h"
#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr uint32_t none = SDB_NO_PARENT;

class RecordFile : public ::testing::Test {
protected:
    void TearDown() override
    {
        db.Close(0);
        for (const std::string &file : {path, other})
            if (fileExists(file))
                keepForReader(file);
    }

    TempFolder folder;
    std::string path = folder.file("Main.prs");
    std::string other = folder.file("Copy.prs");
    TestDB db;
};

TEST_F(RecordFile, CreateWritesTheHeadAndRefusesAnExistingFile)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    EXPECT_TRUE(db.IsOpened());
    EXPECT_TRUE(db.IsEditable());
    EXPECT_FALSE(db.IsModified());
    EXPECT_STREQ(db.GetFileName(), path.c_str());
    EXPECT_EQ(readFile(path), Bytes("TPRS") + headBytes(kMagic, db.GetDataBaseUID()).substr(4));
    db.Close(1);
    EXPECT_FALSE(db.Create(path.c_str(), kMagic));
    EXPECT_FALSE(db.IsOpened());
    EXPECT_EQ(readFile(path).size(), 20u) << "the existing file is left alone";
}

TEST_F(RecordFile, AFileOpenAnywhereCannotBeOpenedAgain)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    TestDB second;
    EXPECT_FALSE(second.Open(path.c_str(), kMagic, 0)) << "this process holds it already";
    db.Close(1);
    EXPECT_TRUE(second.Open(path.c_str(), kMagic, 0));
    EXPECT_FALSE(second.IsEditable());
    EXPECT_EQ(addRecord(second, 1, none, "x"), none) << "opened for reading";
    second.Close(0);

    EXPECT_FALSE(db.Open(path.c_str(), 0x474E5354 /* "TSNG" */, 1)) << "another type magic";
    EXPECT_FALSE(db.IsOpened());
    EXPECT_TRUE(db.Open(path.c_str(), kMagic, 1)) << "the failed open left no lock behind";
}

TEST_F(RecordFile, ClosingCommitsAndReopeningFindsTheRecords)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    const uint32_t id = addRecord(db, 0x01, none, "I/O parameters");
    EXPECT_TRUE(db.Close(1));
    EXPECT_FALSE(db.IsOpened());
    EXPECT_STREQ(db.GetFileName(), "");
    ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
    EXPECT_FALSE(db.IsModified());
    EXPECT_EQ(bodyOf(db, id), "I/O parameters");
    EXPECT_EQ(addRecord(db, 0x01, none, "next"), id + 1);
}

// A process that died with pending changes left them in the file: the
// open discards them, so no later commit makes them permanent.
TEST_F(RecordFile, AnOpenDiscardsPendingRecordsADeadProcessLeft)
{
    const DBUID uid = freshUid();
    const Bytes committedA = recordBytes(0, 0x50, 0, none, "A");
    const Bytes committedB = recordBytes(0, 0x81, 1, 0, "B");
    const Bytes committedC = recordBytes(0, 0x50, 2, none, "C");
    ASSERT_TRUE(writeFile(path, headBytes(kMagic, uid) + recordBytes(0x80, 0x50, 0, none, "A") + committedB +
                                    committedC + recordBytes(0x01, 0x50, 0, none, "A new") +
                                    recordBytes(0x81, 0x81, 3, 2, "gone")));
    keepForReader(path);
    ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
    EXPECT_FALSE(db.IsModified());
    EXPECT_EQ(readFile(path), headBytes(kMagic, uid) + committedA + committedB + committedC);
    EXPECT_EQ(bodyOf(db, 0), "A");
    EXPECT_EQ(db.GetNoteByID(3), nullptr);
}

// Opened for reading, a file is never written: the key table holds what a
// discard would leave (deleted copies back, pending additions and a torn
// tail left out) and the bytes stay as they are.
TEST_F(RecordFile, AReadOnlyOpenLeavesPendingRecordsOutAndNeverChangesTheFile)
{
    const Bytes head = headBytes(kMagic, freshUid());
    const Bytes a = recordBytes(0, 0x50, 0, none, "A");
    const Bytes cases[] = {
        head + recordBytes(0x80, 0x50, 0, none, "A") + recordBytes(0, 0x81, 1, 0, "B") +
            recordBytes(0x01, 0x50, 0, none, "A new") + recordBytes(0x81, 0x81, 3, 0, "gone"),
        head + a + recordBytes(0, 0x81, 1, 0, "B") + recordBytes(0x01, 0x50, 3, none, "torn").substr(0, 9),
        head + a + recordBytes(0, 0x81, 1, 0, "B") + recordBytes(0x01, 0x81, 3, 1, "pending child"),
    };
    for (const Bytes &bytes : cases) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        ASSERT_TRUE(writeFile(path, bytes));
        keepForReader(path);
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 0));
        EXPECT_FALSE(db.IsModified());
        EXPECT_EQ(bodyOf(db, 0), "A");
        EXPECT_EQ(bodyOf(db, 1), "B");
        EXPECT_EQ(db.GetNoteByID(3), nullptr);
        ASSERT_NE(db.GetNoteByID(0), nullptr);
        EXPECT_EQ(db.GetNoteByID(0)->flags, SDB_COMMITTED);
        EXPECT_EQ(db.GetNextNote(db.GetFirstNote(0, SDB_ANY_TYPE), SDB_ANY_TYPE), nullptr);
        EXPECT_TRUE(db.Refresh());
        EXPECT_EQ(db.GetNoteByID(3), nullptr) << "a refresh reads the file the same way";
        db.Close(1);
        EXPECT_EQ(readFile(path), bytes);
    }
}

// Two live records with one id are damage: a change by id would act on one
// of them. The open fails, for reading or writing, and leaves the file.
// A replacement that a dead process left half made (its new copy appended,
// the old one not yet marked) is no damage: the new copy is discarded.
TEST_F(RecordFile, TwoLiveRecordsWithOneIdFailTheOpenAndLeaveTheFile)
{
    const Bytes head = headBytes(kMagic, freshUid());
    const Bytes cases[] = {
        head + recordBytes(0, 0x50, 4, none, "first") + recordBytes(0, 0x50, 4, none, "second"),
        head + recordBytes(0, 0x50, 4, none, "first") + recordBytes(0x80, 0x50, 4, none, "deleted") +
            recordBytes(0x01, 0x50, 4, none, "new"),
        head + recordBytes(0, 0x50, 1, none, "other") + recordBytes(0, 0x81, 4, 1, "child") +
            recordBytes(0, 0x50, 4, none, "same id, another parent"),
    };
    for (const Bytes &bytes : cases) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        // Not kept for the reader, which finds every such pair.
        ASSERT_TRUE(writeFile(path, bytes));
        for (const int writable : {0, 1}) {
            EXPECT_FALSE(db.Open(path.c_str(), kMagic, writable));
            EXPECT_FALSE(db.IsOpened());
            EXPECT_EQ(readFile(path), bytes);
        }
    }
    const Bytes halfReplaced =
        head + recordBytes(0, 0x50, 4, none, "old") + recordBytes(0x01, 0x50, 4, none, "new, not yet marked");
    ASSERT_TRUE(writeFile(path, halfReplaced));
    ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
    EXPECT_EQ(bodyOf(db, 4), "old");
    EXPECT_EQ(readFile(path), head + recordBytes(0, 0x50, 4, none, "old"));
}

// With nothing else pending, only the cut changes the file: the next
// record is written where the torn bytes began.
TEST_F(RecordFile, AnOpenCutsATornLastAdditionAloneAndWritesTheNextRecordWhereItBegan)
{
    const DBUID uid = freshUid();
    const Bytes committed =
        headBytes(kMagic, uid) + recordBytes(0, 0x50, 0, none, "A") + recordBytes(0, 0x81, 1, 0, "B");
    const Bytes addition = recordBytes(0x01, 0x50, 2, none, "cut short");
    for (size_t cut : {size_t(1), size_t(13), size_t(14), addition.size() - 1}) {
        SCOPED_TRACE(cut);
        ASSERT_TRUE(writeFile(path, committed + addition.substr(0, cut)));
        keepForReader(path);
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_FALSE(db.IsModified());
        EXPECT_EQ(readFile(path), committed);
        EXPECT_EQ(addRecord(db, 0x50, none, "next"), 2u);
        EXPECT_EQ(db.GetNoteByID(2)->position, committed.size());
        EXPECT_EQ(readFile(path), committed + recordBytes(0x01, 0x50, 2, none, "next"));
        db.Close(0);
        EXPECT_EQ(readFile(path), committed);
    }
}

TEST_F(RecordFile, AnOpenCutsATornLastAddition)
{
    const DBUID uid = freshUid();
    const Bytes committed = headBytes(kMagic, uid) + recordBytes(0, 0x50, 0, none, "A") +
                            recordBytes(0x80, 0x50, 1, none, "deleted, pending");
    const Bytes addition = recordBytes(0x01, 0x81, 2, 0, "a body cut short by a crash");
    for (size_t cut : {size_t(1), size_t(7), size_t(14), addition.size() - 1}) {
        SCOPED_TRACE(cut);
        ASSERT_TRUE(writeFile(path, committed + addition.substr(0, cut)));
        keepForReader(path);
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(readFile(path), headBytes(kMagic, uid) + recordBytes(0, 0x50, 0, none, "A") +
                                      recordBytes(0, 0x50, 1, none, "deleted, pending"));
        EXPECT_EQ(addRecord(db, 0x81, 0, "works"), 2u);
        db.Close(0);
    }
}

// Any other record that does not fit the file is damage: the open fails
// before anything is allocated for it, and the file stays as it is.
TEST_F(RecordFile, ARecordThatDoesNotFitFailsTheOpenAndLeavesTheFile)
{
    const Bytes head = headBytes(kMagic, freshUid());
    const Bytes good = recordBytes(0x01, 0x50, 0, none, "pending, would be discarded");
    const Bytes cases[] = {
        // A committed record running past the end.
        head + good + recordBytes(0, 0x50, 1, none, "committed").substr(0, 15),
        // A deletion mark on a record that runs past the end.
        head + good + recordBytes(0x80, 0x50, 1, none, "deleted").substr(0, 20),
        // A size of 4 GiB.
        head + good + Bytes("\x00\x50\x01\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 14),
        // Unknown flags.
        head + recordBytes(0x02, 0x50, 1, none, "x") + good,
        // Trailing bytes too short for a header, not an addition.
        head + good + Bytes("\x00\x50\x01", 3),
    };
    for (const Bytes &bytes : cases) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        ASSERT_TRUE(writeFile(path, bytes));
        keepForReader(path);
        EXPECT_FALSE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_FALSE(db.IsOpened());
        EXPECT_EQ(readFile(path), bytes);
    }
    ASSERT_TRUE(writeFile(path, Bytes("TPR", 3)));
    EXPECT_FALSE(db.Open(path.c_str(), kMagic, 1)) << "too short for a head";
    RemoveXFile(path.c_str());
}

// A tail of zeros is a length that reached the disk before the bytes of an
// addition did: pending, never committed. Every record before it stays,
// read only and writable; the writable open cuts the zeros.
TEST_F(RecordFile, AZeroTailIsAnUnfinishedAdditionAndEveryRecordBeforeItStays)
{
    const Bytes committed = headBytes(kMagic, freshUid()) + recordBytes(0, 0x50, 0, none, "A") +
                            recordBytes(0, 0x81, 1, 0, "B") + recordBytes(0, 0x50, 2, none, "C");
    for (size_t zeros : {size_t(14), size_t(15), size_t(512), size_t(65536)}) {
        SCOPED_TRACE(zeros);
        const Bytes bytes = committed + Bytes(zeros, '\0');
        ASSERT_TRUE(writeFile(path, bytes));
        keepForReader(path);
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 0));
        EXPECT_EQ(bodyOf(db, 0) + bodyOf(db, 1) + bodyOf(db, 2), "ABC");
        EXPECT_FALSE(db.IsModified());
        db.Close(0);
        EXPECT_EQ(readFile(path), bytes) << "read only, nothing is cut";
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(bodyOf(db, 0) + bodyOf(db, 1) + bodyOf(db, 2), "ABC");
        EXPECT_EQ(db.GetNoteByID(0)->next->next->next, nullptr) << "no record of id 0 from the zeros";
        db.Close(1);
        EXPECT_EQ(readFile(path), committed);
    }
}

// Zeros where no power cut leaves them are damage, not a torn addition: a
// run of them with committed records right behind it, or fewer than a
// header behind the last record (its size too small, its body ending in
// zeros).
// Read only or writable, the open refuses the file and leaves every byte.
TEST_F(RecordFile, ZerosNoPowerCutLeavesAreDamageAndNothingIsCut)
{
    const Bytes head = headBytes(kMagic, freshUid());
    const Bytes a = recordBytes(0, 0x50, 0, none, "A");
    const Bytes b = recordBytes(0, 0x81, 1, 0, "B body");
    const Bytes c = recordBytes(0, 0x50, 2, none, "C");
    const Bytes zeros(14, '\0');
    // The last record's header says 1 or 13 bytes fewer than its body has.
    const Bytes shortByOne =
        Bytes("\x00\x01\x03\x00\x00\x00\xFF\xFF\xFF\xFF\x04\x00\x00\x00", 14) + "IOPR" + Bytes(1, '\0');
    const Bytes shortBy13 =
        Bytes("\x00\x01\x03\x00\x00\x00\xFF\xFF\xFF\xFF\x04\x00\x00\x00", 14) + "IOPR" + Bytes(13, '\0');
    const Bytes cases[] = {
        head + a + zeros + b + c, // a run between committed records
        head + a + zeros + b + recordBytes(0x80, 0x50, 2, none, "C, its deletion pending"),
        head + a + shortByOne,
        head + a + shortBy13,
    };
    for (const Bytes &bytes : cases) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        ASSERT_TRUE(writeFile(path, bytes));
        keepForReader(path);
        for (const int writable : {0, 1}) {
            EXPECT_FALSE(db.Open(path.c_str(), kMagic, writable)) << writable;
            EXPECT_TRUE(db.RefusedAsDamaged()) << writable;
            EXPECT_FALSE(db.IsOpened());
            EXPECT_EQ(readFile(path), bytes) << writable;
        }
    }
}

// A read that fails part-way is no damage: the open fails with the system's
// reason, read only or writable, and the file (and its journal) stay byte
// for byte; nothing is cut, played back, discarded or kept aside.
TEST_F(RecordFile, AReadThatFailsPartWayFailsTheOpenAsNoDamageAndLeavesTheFile)
{
    const DBUID uid = freshUid();
    const Bytes head = headBytes(kMagic, uid);
    const Bytes a = recordBytes(0, 0x50, 0, none, "A");
    const Bytes b = recordBytes(0, 0x81, 1, 0, "B body");
    const Bytes pending = recordBytes(0x01, 0x50, 2, none, "pending");
    const Bytes torn = Bytes(14, '\0') + "an addition whose header the disk lost";
    const uint32_t records = SDB_HEAD_SIZE, second = records + uint32_t(a.size());
    const uint32_t tail = second + uint32_t(b.size());
    const struct {
        const char *what;
        Bytes file, journal;
        const char *failing; // the file whose reads fail
        uint32_t from;
    } cases[] = {
        {"in the head", head + a + b, "", "Main.prs", 10},
        {"in the first header", head + a + b, "", "Main.prs", records + 3},
        {"in the second record", head + a + b, "", "Main.prs", second + 16},
        {"in a pending addition", head + a + b + pending, "", "Main.prs", tail + 5},
        {"behind a torn addition's zeros", head + a + b + torn, "", "Main.prs", tail + 20},
        {"in a journal to play back", head + a + b.substr(0, 9), journalBytes(kMagic, uid, second, tail, b),
         "Main.prs.journal", 50},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(writeFile(path, c.file));
        RemoveXFile((path + ".journal").c_str());
        if (!c.journal.empty()) {
            ASSERT_TRUE(writeFile(path + ".journal", c.journal));
        }
        for (const int writable : {0, 1}) {
            if (!c.journal.empty() && !writable)
                continue; // read only, a file with a journal to play is refused unread
            {
                FailingReads failing(folder.file(c.failing), c.from);
                EXPECT_FALSE(db.Open(path.c_str(), kMagic, writable)) << writable;
            }
            EXPECT_FALSE(db.IsOpened());
            EXPECT_FALSE(db.RefusedAsDamaged()) << writable;
            EXPECT_EQ(db.OpenError(), uint32_t(ERROR_READ_FAULT)) << writable;
            EXPECT_EQ(readFile(path), c.file) << writable;
            if (!c.journal.empty()) {
                EXPECT_EQ(readFile(path + ".journal"), c.journal) << writable;
            }
            EXPECT_FALSE(fileExists(path + ".journal.damaged"));
        }
        // Once the disk reads again, the file opens.
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(bodyOf(db, 0) + bodyOf(db, 1), "AB body");
        db.Close(0);
        EXPECT_EQ(db.OpenError(), 0u);
    }
}

// A size field one off reads the rest of the file out of step. Whatever the
// byte it lands on looks like, committed records behind it are no torn
// addition: the open refuses the file and cuts nothing.
TEST_F(RecordFile, ASizeOneOffIsDamageAndNoCommittedRecordIsCut)
{
    const Bytes head = headBytes(kMagic, freshUid());
    // The second record's type is 0x01, so the byte the misread size lands
    // on reads as the flags of an addition.
    const Bytes a = recordBytes(0, 0x50, 0, none, "first record");
    const Bytes rest = recordBytes(0, 0x01, 1, none, "second") + recordBytes(0, 0x50, 2, none, "third");
    for (int off : {+1, -1}) {
        SCOPED_TRACE(off);
        Bytes bytes = head + a + rest;
        bytes[20 + 10] = char(bytes[20 + 10] + off);
        ASSERT_TRUE(writeFile(path, bytes));
        keepForReader(path);
        EXPECT_FALSE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_TRUE(db.RefusedAsDamaged());
        EXPECT_EQ(readFile(path), bytes);
        EXPECT_FALSE(db.Open(path.c_str(), kMagic, 0));
    }
    RemoveXFile(path.c_str());
    EXPECT_FALSE(db.Open(path.c_str(), kMagic, 1));
    EXPECT_FALSE(db.RefusedAsDamaged()) << "a missing file is no damage";
}

TEST_F(RecordFile, SignalCallbackRunsAfterTheUnlockWhenSomethingWasWritten)
{
    static int calls;
    static bool lockFreeDuringCall;
    calls = 0;
    db.SetSignalCallback([](CSDB *signaled) {
        ++calls;
        // Another thread could take the lock now: the callback runs after the release.
        DBUID uid = signaled->GetDataBaseUID();
        CXLock probe;
        probe.Create(&uid);
        HANDLE thread = CreateThread(
            nullptr, 0,
            [](void *lock) -> DWORD {
                static_cast<CXLock *>(lock)->Lock();
                static_cast<CXLock *>(lock)->Unlock();
                return 0;
            },
            &probe, 0, nullptr);
        lockFreeDuringCall = WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0;
        CloseHandle(thread);
    });
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    const int afterCreate = calls;
    db.Lock();
    db.Unlock();
    EXPECT_EQ(calls, afterCreate) << "nothing was written";
    db.Lock();
    addRecord(db, 1, none, "x");
    EXPECT_TRUE(db.IsSignaled());
    EXPECT_EQ(calls, afterCreate) << "not while the lock is held";
    db.Unlock();
    EXPECT_EQ(calls, afterCreate + 1);
    EXPECT_TRUE(lockFreeDuringCall);
    db.SetSignalCallback(nullptr);
}

// A new id is written only while its own mutex exists, so the file cannot
// be opened under either id while this process has it open.
TEST_F(RecordFile, UpdateDBUIDHoldsTheNewIdsMutexBeforeWritingIt)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    const DBUID old = db.GetDataBaseUID();
    // At the moment the id is written, its mutex must exist already.
    static int idWrites, mutexExisted;
    idWrites = mutexExisted = 0;
    SetXFileChangeHook([](const XFileChangeInfo &change) -> uint32_t {
        if (change.change == XFileChange::Write && change.offset == 4 &&
            change.count == sizeof(DBUID::m_words)) {
            ++idWrites;
            DBUID written;
            std::memcpy(written.m_words, change.bytes, sizeof(written.m_words));
            CXLock probe;
            mutexExisted += probe.Create(&written) == 2;
        }
        return change.count;
    });
    const int updated = db.UpdateDBUID();
    SetXFileChangeHook(nullptr);
    ASSERT_TRUE(updated);
    EXPECT_EQ(idWrites, 1);
    EXPECT_EQ(mutexExisted, 1) << "the new id's mutex was made before the id reached the file";
    const DBUID fresh = db.GetDataBaseUID();
    EXPECT_FALSE(fresh == old);
    EXPECT_EQ(readFile(path), headBytes(kMagic, fresh));
    CXLock probe;
    EXPECT_EQ(probe.Create(&fresh), 2) << "the new id's mutex exists";
    EXPECT_EQ(probe.Create(&old), 2) << "the old one too";
    probe.Close();
    TestDB second;
    EXPECT_FALSE(second.Open(path.c_str(), kMagic, 1));

    ASSERT_TRUE(db.UpdateDBUID());
    const DBUID third = db.GetDataBaseUID();
    EXPECT_EQ(probe.Create(&fresh), 1) << "an id no longer in the file lets its mutex go";
    probe.Close();
    EXPECT_EQ(probe.Create(&third), 2);
    probe.Close();
    db.Close(1);
    EXPECT_TRUE(second.Open(path.c_str(), kMagic, 1));
    EXPECT_TRUE(second.GetDataBaseUID() == third);
    second.Close(0);

    TestDB readOnly;
    ASSERT_TRUE(readOnly.Open(path.c_str(), kMagic, 0));
    EXPECT_FALSE(readOnly.UpdateDBUID());
}

TEST_F(RecordFile, SaveUnderItsOwnNameCommitsAndReopens)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    const uint32_t id = addRecord(db, 0x50, none, "port");
    Bytes upper = path;
    for (char &c : upper)
        c = char(toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(db.Save(upper.c_str()));
    EXPECT_TRUE(db.IsOpened());
    EXPECT_TRUE(db.IsEditable());
    EXPECT_FALSE(db.IsModified());
    EXPECT_EQ(readFile(path),
              headBytes(kMagic, db.GetDataBaseUID()) + recordBytes(0, 0x50, id, none, "port"));
    EXPECT_TRUE(db.Save(nullptr));
}

TEST_F(RecordFile, SaveUnderAnotherNameCopiesTheLiveRecordsAndMovesThere)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    const uint32_t a = addRecord(db, 0x50, none, "A");
    const uint32_t b = addRecord(db, 0x81, a, "B");
    ASSERT_TRUE(db.Commit());
    const Bytes committed = readFile(path);
    const uint32_t c = addRecord(db, 0x50, none, "C pending");
    ASSERT_TRUE(db.DeleteNoteByID(b));

    ASSERT_TRUE(db.Save(other.c_str()));
    EXPECT_STREQ(db.GetFileName(), other.c_str());
    EXPECT_EQ(readFile(other), headBytes(kMagic, db.GetDataBaseUID()) + recordBytes(0, 0x50, a, none, "A") +
                                   recordBytes(0, 0x50, c, none, "C pending"));
    EXPECT_EQ(readFile(path), committed) << "the old file's pending changes are discarded";
    EXPECT_FALSE(db.Save(path.c_str())) << "the new name must not exist";
    EXPECT_TRUE(db.IsOpened());
}

TEST_F(RecordFile, AFailedSaveUnderAnotherNameKeepsTheOldFileOpenWithItsChanges)
{
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    addRecord(db, 0x50, none, "A");
    addRecord(db, 0x50, none, "B");
    const Bytes pending = readFile(path);
    // The changes that make a new file with its head.
    uint32_t making;
    {
        ChangeHook count;
        TestDB probe;
        ASSERT_TRUE(probe.Create(folder.file("probe.prs").c_str(), kMagic));
        making = count.count();
    }
    {
        // The new file is made, the first record fails.
        ChangeHook hook(ChangeHook::Mode::FailOne, making + 1);
        EXPECT_FALSE(db.Save(other.c_str()));
    }
    EXPECT_STREQ(db.GetFileName(), path.c_str());
    EXPECT_TRUE(db.IsModified());
    EXPECT_EQ(readFile(path), pending);
    EXPECT_EQ(readFile(other).size(), 20u) << "cut behind the last whole record";
}

TEST_F(RecordFile, ANewFileRemovesAJournalLeftByAnOlderFileOfThatName)
{
    ASSERT_TRUE(writeFile(path + ".journal", Bytes(40, 'j')));
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    EXPECT_FALSE(fileExists(path + ".journal"));
}

} // namespace
