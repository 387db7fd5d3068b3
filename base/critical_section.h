// A Win32 critical section (recursive) and its scope guard.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection &) = delete;
    CriticalSection &operator=(const CriticalSection &) = delete;

    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }
    bool tryLock() { return TryEnterCriticalSection(&section_) != 0; }
    // Whether the calling thread holds it (for checks of what runs with a
    // lock held).
    bool heldByThisThread() const
    {
        return section_.RecursionCount > 0 &&
               reinterpret_cast<uintptr_t>(section_.OwningThread) == GetCurrentThreadId();
    }

private:
    CRITICAL_SECTION section_;
};

class CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(CriticalSection &section) : section_(section) { section_.lock(); }
    ~CriticalSectionGuard() { section_.unlock(); }
    CriticalSectionGuard(const CriticalSectionGuard &) = delete;
    CriticalSectionGuard &operator=(const CriticalSectionGuard &) = delete;

private:
    CriticalSection &section_;
};

} // namespace Quorvane
