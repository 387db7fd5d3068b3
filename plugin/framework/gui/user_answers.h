// The two places where the toolkit waits for, or reads, the user directly:
// popup menus and the asynchronous state of the Ctrl key. Each goes through
// one function that a test can answer in the user's place, as message boxes
// do.
#pragma once

#include <windows.h>

#include <functional>

namespace Quorvane {

// Shows a popup menu (TrackPopupMenuEx) and returns what it returns, or
// what the installed hook answers; the hook gets the real built menu.
int trackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner);
using PopupMenuHook = std::function<int(HMENU menu, UINT flags, int x, int y, HWND owner)>;
// Installs a hook (an empty one restores the real menu); returns the old.
PopupMenuHook setPopupMenuHook(PopupMenuHook hook);

// Whether Ctrl is held now (GetAsyncKeyState), or what the hook answers.
bool isControlKeyDown();
using KeyStateHook = std::function<bool()>;
KeyStateHook setControlKeyHook(KeyStateHook hook);

} // namespace Quorvane
