#include "data/lock.h"

#include <new>

namespace Quorvane {

CLock::CLock(SYNCOBJECT *syncObject, int lockNow)
    : holder(syncObject), mutex(syncObject ? syncObject->mutex : nullptr)
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
    if (held || !mutex)
        return;
    // An abandoned mutex is ours all the same.
    const DWORD result = WaitForSingleObject(mutex, INFINITE);
    held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void CLock::Unlock()
{
    if (!held)
        return;
    ReleaseMutex(mutex);
    held = 0;
}

SYNCOBJECT *CLock::PrepareSyncObject()
{
    SYNCOBJECT *holder = new (std::nothrow) SYNCOBJECT;
    if (!holder)
        return nullptr;
    holder->mutex = CreateMutexA(nullptr, FALSE, nullptr);
    if (!holder->mutex) {
        delete holder;
        return nullptr;
    }
    return holder;
}

void CLock::UnprepareSyncObject(SYNCOBJECT *&holder)
{
    if (!holder)
        return;
    if (holder->mutex)
        CloseHandle(holder->mutex);
    delete holder;
    holder = nullptr;
}

} // namespace Quorvane
