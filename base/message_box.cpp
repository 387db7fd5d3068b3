#include "base/message_box.h"

#include <utility>

namespace Quorvane {

namespace {

// A slim lock and a hook built when the module loads: neither takes a
// kernel object or the threads library's per-thread record, so a module
// loaded and unloaded again and again (a host trying one database after
// another) leaves nothing behind for the boxes it showed.
SRWLOCK hookLock = SRWLOCK_INIT;
MessageBoxHook installedHook;

} // namespace

int showMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    AcquireSRWLockShared(&hookLock);
    MessageBoxHook hook = installedHook;
    ReleaseSRWLockShared(&hookLock);
    if (hook)
        return hook(owner, text ? text : "", caption ? caption : "", type);
    return MessageBoxA(owner, text, caption, type);
}

MessageBoxHook setMessageBoxHook(MessageBoxHook hook)
{
    AcquireSRWLockExclusive(&hookLock);
    MessageBoxHook previous = std::exchange(installedHook, std::move(hook));
    ReleaseSRWLockExclusive(&hookLock);
    return previous;
}

} // namespace Quorvane
