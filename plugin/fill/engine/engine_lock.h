// The engine's own recursive lock: pad switches on the host's MIDI thread,
// and persistence and fill rebuilds on the window thread, run one at a time.
#pragma once

#include <windows.h>

namespace Quorvane {

class EngineLock {
public:
    EngineLock() { InitializeCriticalSection(&section_); }
    ~EngineLock() { DeleteCriticalSection(&section_); }
    EngineLock(const EngineLock &) = delete;
    EngineLock &operator=(const EngineLock &) = delete;

    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }
    bool tryLock() { return TryEnterCriticalSection(&section_) != 0; }

private:
    CRITICAL_SECTION section_;
};

class EngineLockGuard {
public:
    explicit EngineLockGuard(EngineLock &lock) : lock_(lock) { lock_.lock(); }
    ~EngineLockGuard() { lock_.unlock(); }
    EngineLockGuard(const EngineLockGuard &) = delete;
    EngineLockGuard &operator=(const EngineLockGuard &) = delete;

private:
    EngineLock &lock_;
};

} // namespace Quorvane
