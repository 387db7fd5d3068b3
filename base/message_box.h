// Every message box of a module goes through here, so that a test can
// answer it instead of a user (no test may leave a modal box waiting).
#pragma once

#include <windows.h>

#include <functional>

namespace Quorvane {

// Shows a message box (MessageBoxA) and returns the button pressed, or
// whatever the installed hook answers.
int showMessageBox(HWND owner, const char *text, const char *caption, UINT type);

// Receives (owner, text, caption, type) in place of the user and returns
// the button id to report.
using MessageBoxHook = std::function<int(HWND, const char *, const char *, UINT)>;

// Installs a hook (an empty one restores the real box); returns the old one.
MessageBoxHook setMessageBoxHook(MessageBoxHook hook);

} // namespace Quorvane
