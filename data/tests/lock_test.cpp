#include "data/lock.h"

#include <gtest/gtest.h>

#include <winternl.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

struct Holder {
    SYNCOBJECT *sync = CLock::PrepareSyncObject();
    ~Holder() { CLock::UnprepareSyncObject(sync); }
};

// Whether another thread gets the lock at once.
bool otherThreadGets(SYNCOBJECT *sync)
{
    std::atomic<bool> got{false};
    std::thread other([&] {
        CLock probe(sync, 0);
        got = probe.TryLock() != 0;
    });
    other.join();
    return got;
}

// Kernel handles this process holds, from the system's handle list (the
// handle count of the process itself reads 0 under Wine).
long kernelHandles()
{
    struct Entry {
        ULONG process;
        BYTE type, flags;
        USHORT value;
        void *object;
        ULONG access;
    };
    struct List {
        ULONG count;
        Entry entries[1];
    };
    using Query = NTSTATUS(WINAPI *)(ULONG, void *, ULONG, ULONG *);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 22);
    ULONG length = 0;
    constexpr ULONG kSystemHandleInformation = 16;
    if (!query || query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length))
        return -1;
    const auto *list = reinterpret_cast<const List *>(buffer.data());
    long mine = 0;
    for (ULONG i = 0; i < list->count; ++i)
        mine += list->entries[i].process == GetCurrentProcessId();
    return mine;
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

// A take while no other thread holds the lock must stay in the process:
// under Wine a kernel object would cost a round trip to the server on every
// take and release. Such a lock has no handle at all.
TEST(Lock, StaysInTheProcessWithoutAKernelObject)
{
    const long before = kernelHandles();
    ASSERT_GT(before, 0);
    SYNCOBJECT *locks[64] = {};
    for (SYNCOBJECT *&sync : locks) {
        sync = CLock::PrepareSyncObject();
        ASSERT_NE(sync, nullptr);
        for (int i = 0; i < 100; ++i) {
            CLock lock(sync);
            CLock again(sync);
        }
    }
    EXPECT_EQ(kernelHandles(), before);
    for (SYNCOBJECT *&sync : locks)
        CLock::UnprepareSyncObject(sync);
}

TEST(Lock, TryLockTakesOnlyAFreeLock)
{
    Holder h;
    CLock mine(h.sync, 0);
    EXPECT_EQ(mine.TryLock(), 1);
    EXPECT_EQ(mine.TryLock(), 1); // already held: no second count
    EXPECT_FALSE(otherThreadGets(h.sync));
    mine.Unlock();
    EXPECT_TRUE(otherThreadGets(h.sync));
    CLock none(nullptr, 0);
    EXPECT_EQ(none.TryLock(), 0);
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
