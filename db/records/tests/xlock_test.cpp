// The file's mutex between two processes.
#include "db/records/xlock.h"

#include "db/records/dbuid.h"
#include "db/records/sdb.h"
#include "db/records/tests/child_process.h"
#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::TempFolder;

constexpr char child[] = "records_child.exe";

std::string hexWords(const DBUID &uid)
{
    char text[48];
    std::snprintf(text, sizeof(text), "%x %x %x %x", uid.m_words[0], uid.m_words[1], uid.m_words[2],
                  uid.m_words[3]);
    return text;
}

TEST(CXLock, TheMutexIsNamedAfterTheIdInHexadecimalWithoutLeadingZeros)
{
    DBUID uid;
    uid.m_words[0] = 0x1A;
    uid.m_words[1] = 0;
    uid.m_words[2] = 0xFFFFFFFF;
    uid.m_words[3] = GetCurrentProcessId();
    char name[40];
    std::snprintf(name, sizeof(name), "SDBM1A0FFFFFFFF%X", uid.m_words[3]);
    CXLock lock;
    ASSERT_EQ(lock.Create(&uid), 1);
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    EXPECT_NE(mutex, nullptr) << name;
    CloseHandle(mutex);
    CXLock second;
    EXPECT_EQ(second.Create(&uid), 2);
    lock.Close();
    second.Close();
    EXPECT_EQ(lock.Create(&uid), 1) << "no handle is left";
    CXLock none;
    none.Lock(); // does nothing without a handle
    none.Unlock();
}

// Takes the lock on another thread; signals `taken` when it has it.
struct LockWaiter {
    explicit LockWaiter(const DBUID &uid)
    {
        created = lock.Create(&uid);
        taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = CreateThread(
            nullptr, 0,
            [](void *self) -> DWORD {
                auto *waiter = static_cast<LockWaiter *>(self);
                waiter->lock.Lock();
                SetEvent(waiter->taken);
                return 0;
            },
            this, 0, nullptr);
    }
    ~LockWaiter()
    {
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        CloseHandle(taken);
    }
    bool hasTaken(DWORD milliseconds) { return WaitForSingleObject(taken, milliseconds) == WAIT_OBJECT_0; }

    CXLock lock;
    int created;
    HANDLE taken, thread;
};

TEST(CXLock, ASecondProcessWaitsUntilTheHolderUnlocksOrDies)
{
    for (const bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "holder killed" : "holder unlocks");
        const DBUID uid = freshUid();
        NamedEvent ready, release;
        ChildProcess holder(child, "lock " + hexWords(uid) + " " + ready.name() + " " + release.name());
        ASSERT_TRUE(holder.started());
        ASSERT_TRUE(ready.waitFor(30000));
        LockWaiter waiter(uid);
        EXPECT_EQ(waiter.created, 2) << "the holder's mutex exists";
        EXPECT_FALSE(waiter.hasTaken(300)) << "the holder has it";
        if (kill)
            holder.kill();
        else
            release.set();
        EXPECT_TRUE(waiter.hasTaken(10000));
        if (!kill) {
            EXPECT_EQ(holder.wait(), 1) << "the holder created the mutex";
        }
        waiter.lock.Unlock();
    }
}

TEST(CSDB, WhileAnotherProcessHasTheFileOpenItCannotBeOpened)
{
    TempFolder folder;
    const std::string path = folder.file("Shared.prs");
    {
        CSDB db;
        ASSERT_TRUE(db.Create(path.c_str(), kMagic));
        ASSERT_NE(addRecord(db, 0x50, SDB_NO_PARENT, "port"), SDB_NO_PARENT);
        ASSERT_TRUE(db.Close(1));
    }
    for (const char *ending : {"close", "kill", "kill holding the lock"}) {
        SCOPED_TRACE(ending);
        const std::string how = ending;
        NamedEvent ready, release;
        ChildProcess holder(child, "hold \"" + path + "\" " + ready.name() + " " + release.name() +
                                       (how == "kill holding the lock" ? " lock" : ""));
        ASSERT_TRUE(ready.waitFor(30000));
        CSDB db;
        EXPECT_FALSE(db.Open(path.c_str(), kMagic, 0));
        EXPECT_FALSE(db.Create(path.c_str(), kMagic)) << "the file exists";
        ChildProcess second(child, "hold \"" + path + "\" - -");
        EXPECT_EQ(second.wait(), 3) << "a third process fails as well";
        if (how == "close") {
            release.set();
            EXPECT_EQ(holder.wait(), 0);
        } else {
            holder.kill();
        }
        ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
        EXPECT_EQ(bodyOf(db, 0), "port");
    }
    keepForReader(path);
}

} // namespace
