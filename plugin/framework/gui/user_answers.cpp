#include "plugin/framework/gui/user_answers.h"

#include <mutex>
#include <utility>

namespace Quorvane {

namespace {

std::mutex hookLock;

PopupMenuHook &popupMenuHook()
{
    static PopupMenuHook hook;
    return hook;
}

KeyStateHook &controlKeyHook()
{
    static KeyStateHook hook;
    return hook;
}

template <typename Hook> Hook current(Hook &installed)
{
    std::lock_guard<std::mutex> guard(hookLock);
    return installed;
}

} // namespace

int trackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner)
{
    if (PopupMenuHook hook = current(popupMenuHook()))
        return hook(menu, flags, x, y, owner);
    return static_cast<int>(TrackPopupMenuEx(menu, flags, x, y, owner, nullptr));
}

PopupMenuHook setPopupMenuHook(PopupMenuHook hook)
{
    std::lock_guard<std::mutex> guard(hookLock);
    return std::exchange(popupMenuHook(), std::move(hook));
}

bool isControlKeyDown()
{
    if (KeyStateHook hook = current(controlKeyHook()))
        return hook();
    return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
}

KeyStateHook setControlKeyHook(KeyStateHook hook)
{
    std::lock_guard<std::mutex> guard(hookLock);
    return std::exchange(controlKeyHook(), std::move(hook));
}

} // namespace Quorvane
