// A small window base: the object behind one window of this module, which
// gets the window's messages through a virtual procedure. It serves the
// panels, the tree combo and the inline editors; an existing window (a
// common control) can be taken over by subclassing it. The message hook
// finds the object of a window through fromHandle, for pre-translation and
// tooltips, as a class library's permanent window objects would be found.
#pragma once

#include <windows.h>

namespace Quorvane {

class Window {
public:
    Window() = default;
    // Destroys the window when it still exists (only this base's
    // procedure runs then: derived classes destroy theirs first).
    virtual ~Window();
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    HWND handle() const { return handle_; }

    // Creates this object's window, of the module's own window class (double
    // clicks, arrow cursor, no background); false when none was made.
    bool createWindow(DWORD exStyle, DWORD style, const RECT &rect, HWND parent, UINT id,
                      const char *title = "");
    // Takes over an existing window of this thread: its messages come to
    // windowProc, and defaultProc hands them to its own procedure.
    bool subclassWindow(HWND window);

    // The object of a window of this module, or null.
    static Window *fromHandle(HWND window);

    // Offered a message before the host's loop handles it; true when the
    // window used it.
    virtual bool preTranslateMessage(MSG &message);
    // Offered every mouse message of this window or its children, for the
    // window's tooltips.
    virtual void filterToolTipMessage(const MSG &message);

protected:
    virtual LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window is gone (after WM_NCDESTROY); the object stays.
    virtual void windowDestroyed() {}

private:
    static LRESULT CALLBACK staticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void attach(HWND window);
    void release();

    HWND handle_ = nullptr;
    WNDPROC superProc_ = nullptr;
};

} // namespace Quorvane
