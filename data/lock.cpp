#include "data/lock.h"

#include <new>

namespace Quorvane {

namespace {

// A short spin before a contended take sleeps in the kernel: the holders
// keep the lock for a buffer's mixing or one edit at most.
constexpr DWORD kSpinCount = 1000;

} // namespace

CLock::CLock(SYNCOBJECT *syncObject, int lockNow) : holder(syncObject)
{
    if (lockNow)
        Lock();
}

CLock::~CLock()
{
    Unlock();
}

void CLock::Lock()
{
    if (held || !holder)
        return;
    EnterCriticalSection(&holder->section);
    held = 1;
}

int CLock::TryLock()
{
    if (!held && holder && TryEnterCriticalSection(&holder->section))
        held = 1;
    return held;
}

void CLock::Unlock()
{
    if (!held)
        return;
    LeaveCriticalSection(&holder->section);
    held = 0;
}

SYNCOBJECT *CLock::PrepareSyncObject()
{
    SYNCOBJECT *holder = new (std::nothrow) SYNCOBJECT;
    if (!holder)
        return nullptr;
    InitializeCriticalSectionAndSpinCount(&holder->section, kSpinCount);
    return holder;
}

void CLock::UnprepareSyncObject(SYNCOBJECT *&holder)
{
    if (!holder)
        return;
    DeleteCriticalSection(&holder->section);
    delete holder;
    holder = nullptr;
}

} // namespace Quorvane
