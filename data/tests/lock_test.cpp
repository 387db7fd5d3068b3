#include "data/lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace Quorvane;

namespace {

struct Holder {
    SYNCOBJECT *sync = CLock::PrepareSyncObject();
    ~Holder() { CLock::UnprepareSyncObject(sync); }
};

// Whether another thread gets the mutex within a short wait.
bool otherThreadGets(SYNCOBJECT *sync)
{
    std::atomic<bool> got{false};
    std::thread other([&] {
        const DWORD result = WaitForSingleObject(sync->mutex, 50);
        got = result == WAIT_OBJECT_0;
        if (got)
            ReleaseMutex(sync->mutex);
    });
    other.join();
    return got;
}

TEST(Lock, GuardsTheMutexForItsScope)
{
    Holder h;
    ASSERT_NE(h.sync, nullptr);
    {
        CLock lock(h.sync);
        EXPECT_EQ(lock.IsHeld(), 1);
        EXPECT_FALSE(otherThreadGets(h.sync));
        lock.Unlock();
        EXPECT_EQ(lock.IsHeld(), 0);
        EXPECT_TRUE(otherThreadGets(h.sync));
        lock.Lock();
        lock.Lock(); // already held: no second count
        EXPECT_FALSE(otherThreadGets(h.sync));
    }
    EXPECT_TRUE(otherThreadGets(h.sync));
    CLock later(h.sync, 0);
    EXPECT_EQ(later.IsHeld(), 0);
}

// The song's own call paths take the mutex again on the thread that holds
// it (a map rebuild inside a locked edit): that must not deadlock, and the
// mutex is free only after the outer guard let go.
TEST(Lock, OneThreadMayLockAgainThroughASecondGuard)
{
    Holder h;
    CLock outer(h.sync);
    {
        CLock inner(h.sync);
        EXPECT_EQ(inner.IsHeld(), 1);
    }
    EXPECT_FALSE(otherThreadGets(h.sync));
    outer.Unlock();
    EXPECT_TRUE(otherThreadGets(h.sync));
}

TEST(Lock, NullHolderLocksNothing)
{
    CLock lock(nullptr);
    EXPECT_EQ(lock.IsHeld(), 0);
    SYNCOBJECT *none = nullptr;
    CLock::UnprepareSyncObject(none);
    SYNCOBJECT *sync = CLock::PrepareSyncObject();
    CLock::UnprepareSyncObject(sync);
    EXPECT_EQ(sync, nullptr);
}

} // namespace
