// The hidden window through which the library tree's rescans reach the
// thread that created it. It is message-only: it needs no display and is
// never shown.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

// "Quorvane_PatternTreeChanged", registered once per module.
UINT patternTreeChangedMessage();

// "Quorvane_TreeUpdater_%08X" with this module's instance handle.
const std::string &updaterClassName();

// Registers the window class for the first user, counts the others.
bool acquireUpdaterClass(WNDPROC procedure);
// Unregisters the class when the last user lets go.
void releaseUpdaterClass();

// A message-only window of the class; `owner` arrives with WM_CREATE.
HWND createUpdaterWindow(void *owner);

} // namespace Quorvane
