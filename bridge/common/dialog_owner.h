// The object behind a bridge dialog, handed over as the WM_INITDIALOG
// parameter: the dialog keeps it and the object's window member learns the
// window. When the window goes (WM_NCDESTROY, also when its parent is
// destroyed) both forget each other, so the object never uses a dead
// window.
#pragma once

#include <windows.h>

namespace Halvorin {

// The dialog's object for the messages it should handle; null for
// WM_INITDIALOG and WM_NCDESTROY, which are dealt with here, and before the
// binding. A dialog procedure returns TRUE for WM_INITDIALOG then, and
// FALSE otherwise.
template <typename Owner>
Owner *DialogOwner(HWND window, UINT message, LPARAM lParam, HWND Owner::*windowMember)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<Owner *>(lParam)->*windowMember = window;
        return nullptr;
    }
    auto *owner = reinterpret_cast<Owner *>(GetWindowLongPtrA(window, DWLP_USER));
    if (owner && message == WM_NCDESTROY) {
        owner->*windowMember = nullptr;
        SetWindowLongPtrA(window, DWLP_USER, 0);
        return nullptr;
    }
    return owner;
}

} // namespace Halvorin
