#include "base/message_box.h"

#include <mutex>
#include <utility>

namespace Quorvane {

namespace {

std::mutex hookLock;

MessageBoxHook &installedHook()
{
    static MessageBoxHook hook;
    return hook;
}

} // namespace

int showMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    MessageBoxHook hook;
    {
        std::lock_guard<std::mutex> guard(hookLock);
        hook = installedHook();
    }
    if (hook)
        return hook(owner, text ? text : "", caption ? caption : "", type);
    return MessageBoxA(owner, text, caption, type);
}

MessageBoxHook setMessageBoxHook(MessageBoxHook hook)
{
    std::lock_guard<std::mutex> guard(hookLock);
    return std::exchange(installedHook(), std::move(hook));
}

} // namespace Quorvane
