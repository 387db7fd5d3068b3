// The windows of a host of the family the integration knows, built in the
// test process with the class names and titles the host uses: a main window
// with MDI client and status bar, a "Transport" window and the "Position"
// toolbar, each with its position display.
#pragma once

#include <windows.h>

#include <string>

namespace plugin_test {

class FakeHostWindows {
public:
    enum class Position { None, Floating, Docked };

    explicit FakeHostWindows(Position position = Position::Floating, bool transport = true);
    ~FakeHostWindows();
    FakeHostWindows(const FakeHostWindows &) = delete;
    FakeHostWindows &operator=(const FakeHostWindows &) = delete;

    // An MDI child (a song view) holding one inner view window.
    HWND addMdiChild(HWND *innerView);

    HWND main = nullptr;
    HWND mdiClient = nullptr;
    HWND statusBar = nullptr;
    HWND transportFrame = nullptr;
    HWND transportDisplay = nullptr;
    HWND positionFrame = nullptr; // the floating frame, or null when docked
    HWND positionToolbar = nullptr;
    HWND positionDisplay = nullptr;
};

// A window of a class made for the test when the system has none by that
// name.
HWND makeWindow(const char *className, const char *title, DWORD style, HWND parent);

} // namespace plugin_test
