// The window a chooser dialog belongs to. A modal dialog disables its
// owner while it runs, so the window that opened it can neither be used
// nor closed under it.
#pragma once

#include <windows.h>

namespace Quorvane {

// The top-level window of parent when one is given, else the calling
// thread's active window (the one the user asked from); null when the
// thread has none.
HWND ChooserOwner(HWND parent);

} // namespace Quorvane
