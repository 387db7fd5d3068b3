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
// block the thread.
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
    // Waits for a kernel object, sleeps, and locks taken only after a wait.
    long kernelWaits() const { return kernelWaits_; }
    // The kernel waits that can block the thread: all but the waits for
    // objects with a time-out of 0, which only look at them.
    long blockingWaits() const { return kernelWaits_ - polls_; }
    // Starts every count again from 0.
    void reset() { allocations_ = fileOpens_ = fileAccesses_ = messageBoxes_ = kernelWaits_ = polls_ = 0; }
    // Calls watch on the counting thread at every file open it counts,
    // before the file is opened: a test can look then at what the thread
    // holds. The watch must open no file itself.
    void watchFileOpens(void (*watch)(void *context), void *context)
    {
        watch_ = watch;
        watchContext_ = context;
    }

    // Used by the stand-ins.
    void countAllocation() { ++allocations_; }
    void countFileOpen()
    {
        ++fileOpens_;
        if (watch_)
            watch_(watchContext_);
    }
    void countFileAccess() { ++fileAccesses_; }
    void countMessageBox() { ++messageBoxes_; }
    void countKernelWait(bool poll = false)
    {
        ++kernelWaits_;
        if (poll)
            ++polls_;
    }

private:
    long allocations_ = 0;
    long fileOpens_ = 0;
    long fileAccesses_ = 0;
    long messageBoxes_ = 0;
    long failing_ = 0;
    long kernelWaits_ = 0;
    long polls_ = 0;
    void (*watch_)(void *) = nullptr;
    void *watchContext_ = nullptr;
};

} // namespace testing_support
