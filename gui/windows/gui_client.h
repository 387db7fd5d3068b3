// What an editor window asks of the application that shows it. The host
// derives one client per editor window and carries out these operations on
// the real window (scroll bars, invalidation, cursor, capture, status texts,
// dialogs); the library only calls them.
#pragma once

#include "gui/draw/draw_types.h"
#include "gui/pannikel_api.h"

#include <basetsd.h>

namespace Quorvane {

class CGUIContext;

// Editing tools a host chooses per window.
enum : long { TOOL_SELECT = 0, TOOL_DRAW = 1, TOOL_ERASE = 2 };

// Cursor types the library asks for besides the tools' (tabNativeCursor).
enum : long { CURSOR_ARROW = 0, CURSOR_RESIZE = 2, CURSOR_UPDOWN = 3 };

class PANNIKEL_API CGUIClient {
public:
    // key1 names what the window shows: -2 the tracks window, -1 the
    // measures window, 32767 the song tract window, otherwise the id of the
    // track it edits; 0x7fffffff: do not register the window.
    virtual void GUICLGetKeys(long *key1, long *key2) = 0;
    virtual void GUICLReserved() = 0;
    // Close the window (the host destroys it).
    virtual void GUICLCloseWindow() = 0;
    // A context on the window for drawing outside a paint; null when none
    // can be had now.
    virtual CGUIContext *GUICLGetContext() = 0;
    virtual void GUICLReleaseContext(CGUIContext *ctx) = 0;
    // axis 0 x, 1 y.
    virtual void GUICLSetScrollRange(long axis, long max, long page) = 0;
    virtual void GUICLSetScrollPos(long axis, long pos) = 0;
    // Move the area's pixels by dx, dy and repaint what is uncovered.
    virtual void GUICLScrollArea(QUAD *area, long dx, long dy) = 0;
    // Repaint the area (by calling the window's Draw later).
    virtual void GUICLInvalidate(QUAD *area, int erase) = 0;
    virtual void GUICLSetCursor(long type) = 0;
    // Put the pointer at window coordinates.
    virtual void GUICLSetMousePos(long x, long y) = 0;
    virtual void GUICLWheelScrolled() = 0;
    virtual void GUICLSetCapture(int on) = 0;
    virtual void GUICLSetModified(int modified) = 0;
    virtual void GUICLSetStatusText(long pane, const char *text) = 0;
    // Host dialogs and in-place editors; each window class has its own
    // codes. The arguments and the result may carry pointers.
    virtual LONG_PTR GUICLRequest(long code, LONG_PTR a, LONG_PTR b);

    void GUICLClearStatusText(long pane) { GUICLSetStatusText(pane, ""); }

    long tool = TOOL_SELECT;
    // For the host; the library only sets it.
    long toolFlag = 0;

protected:
    // The host deletes its own clients.
    ~CGUIClient() = default;
};

} // namespace Quorvane
