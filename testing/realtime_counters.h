// Counters that prove a real-time path clean: how many heap allocations and
// file opens a thread made while a RealTimeCounter lived on it.
//
// The counts come from a module's import table. installRealTimeHooks routes
// the module's calls of the C runtime's allocators (which operator new uses
// too), of the Windows heap and global-memory allocators, of every call that
// opens a file or lists a folder, and of the calls that read, write or seek
// an open file through counting stand-ins that then call the real function.
// Kernel waits are counted too: every call of a wait or sleep function, and
// every critical section or slim lock the thread could not take at once
// (an uncontended one stays in the process); among them the ones that can
// block the thread. How long the thread waited for such a lock is measured.
// Loading and freeing modules is counted as well.
// Message boxes are counted too, and answered IDOK without being shown, so
// code that must never stop to ask the user shows that it does not. Calls
// made by other threads, and by a thread without a counter, are not counted.
// A counter can also make the thread's allocations fail. For tests and
// benchmarks only.
#pragma once

#include <windows.h>

namespace testing_support {

// Routes the module's imports through the counters; the executable when
// module is null. Safe to call more than once (and for several modules).
// False when the module's import table could not be read.
bool installRealTimeHooks(HMODULE module = nullptr);

// Whether the calling thread holds the critical section: what a watch
// looks at when a slow call is made.
inline bool heldByThisThread(const CRITICAL_SECTION &section)
{
    return section.RecursionCount > 0 &&
           reinterpret_cast<ULONG_PTR>(section.OwningThread) == static_cast<ULONG_PTR>(GetCurrentThreadId());
}

class RealTimeCounter {
public:
    // Counts on the calling thread from now on; one counter per thread.
    RealTimeCounter();
    ~RealTimeCounter();
    RealTimeCounter(const RealTimeCounter &) = delete;
    RealTimeCounter &operator=(const RealTimeCounter &) = delete;

    long allocations() const { return allocations_; }
    long fileOpens() const { return fileOpens_; }
    // Reads, writes and seeks of files already open.
    long fileAccesses() const { return fileAccesses_; }
    long messageBoxes() const { return messageBoxes_; }
    // The thread's next n allocations through a hooked import are counted
    // and fail (answer null) without reaching the allocator: a test's way to
    // run out of memory at a chosen call.
    void failNextAllocations(long n) { failing_ = n; }
    // Used by the stand-ins: true when this allocation is to fail.
    bool takeFailure() { return failing_ > 0 && failing_-- > 0; }
    // Once skip more writes through a hooked WriteFile went through, every
    // further one fails as on a full disk: a test's way to fill the disk at
    // a chosen write.
    void failWritesAfter(long skip) { writesBeforeFailing_ = skip; }
    // Used by the stand-in: true when this write is to fail.
    bool takeWriteFailure()
    {
        if (writesBeforeFailing_ < 0)
            return false;
        if (writesBeforeFailing_ == 0)
            return true;
        --writesBeforeFailing_;
        return false;
    }
    // Waits for a kernel object, sleeps, and locks taken only after a wait.
    long kernelWaits() const { return kernelWaits_; }
    // The kernel waits that can block the thread: all but the waits for
    // objects with a time-out of 0, which only look at them.
    long blockingWaits() const { return kernelWaits_ - polls_; }
    // The longest time the thread waited for a critical section or slim
    // lock another thread held, in seconds; and how many such waits took
    // longer than the slow-wait bound (0.5 ms unless set).
    double longestLockWait() const { return longestLockWait_; }
    long slowLockWaits() const { return slowLockWaits_; }
    void setSlowLockWait(double seconds) { slowLockWait_ = seconds; }
    // Modules loaded or freed (LoadLibrary and FreeLibrary in their forms).
    long moduleCalls() const { return moduleCalls_; }
    // Starts every count again from 0.
    void reset()
    {
        allocations_ = fileOpens_ = fileAccesses_ = messageBoxes_ = kernelWaits_ = polls_ = slowLockWaits_ =
            moduleCalls_ = 0;
        longestLockWait_ = 0.0;
    }
    // Calls watch on the counting thread at every file open it counts,
    // before the file is opened: a test can look then at what the thread
    // holds. The watch must open no file itself.
    void watchFileOpens(void (*watch)(void *context), void *context)
    {
        watch_ = watch;
        watchContext_ = context;
    }
    // Calls watch on the counting thread before every slow call it counts:
    // a file opened, read, written or sought, a module loaded or freed. A
    // test looks then at the locks the thread holds. The watch must make
    // no such call itself.
    void watchSlowCalls(void (*watch)(void *context), void *context)
    {
        slowWatch_ = watch;
        slowWatchContext_ = context;
    }

    // Used by the stand-ins.
    void countAllocation() { ++allocations_; }
    void countFileOpen()
    {
        ++fileOpens_;
        if (watch_)
            watch_(watchContext_);
        slowCall();
    }
    void countFileAccess()
    {
        ++fileAccesses_;
        slowCall();
    }
    void countModuleCall()
    {
        ++moduleCalls_;
        slowCall();
    }
    void countMessageBox() { ++messageBoxes_; }
    void countKernelWait(bool poll = false)
    {
        ++kernelWaits_;
        if (poll)
            ++polls_;
    }
    void countLockWait(double seconds)
    {
        longestLockWait_ = seconds > longestLockWait_ ? seconds : longestLockWait_;
        if (seconds > slowLockWait_)
            ++slowLockWaits_;
    }

private:
    long allocations_ = 0;
    long fileOpens_ = 0;
    long fileAccesses_ = 0;
    long messageBoxes_ = 0;
    long failing_ = 0;
    long writesBeforeFailing_ = -1;
    long kernelWaits_ = 0;
    long polls_ = 0;
    double longestLockWait_ = 0.0;
    double slowLockWait_ = 0.0005;
    long slowLockWaits_ = 0;
    long moduleCalls_ = 0;
    void (*watch_)(void *) = nullptr;
    void *watchContext_ = nullptr;
    void (*slowWatch_)(void *) = nullptr;
    void *slowWatchContext_ = nullptr;

    void slowCall()
    {
        if (slowWatch_)
            slowWatch_(slowWatchContext_);
    }
};

} // namespace testing_support
