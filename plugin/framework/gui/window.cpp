#include "plugin/framework/gui/window.h"

#include "plugin/framework/plugin/com_object.h"

#include <cstdio>

namespace Quorvane {

namespace {

// The property that carries the object: named after this module, so a
// window of another module built from the same framework is never taken
// for one of ours.
const char *objectProperty()
{
    static char name[48] = {};
    if (!name[0])
        snprintf(name, sizeof(name), "Quorvane.Window.%p", static_cast<void *>(com::thisModule()));
    return name;
}

const char *windowClassName(WNDPROC procedure)
{
    static char name[48] = {};
    if (!name[0]) {
        snprintf(name, sizeof(name), "QuorvaneWindow.%p", static_cast<void *>(com::thisModule()));
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = com::thisModule();
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = name;
        RegisterClassExA(&windowClass);
    }
    return name;
}

// Hands the window to the object given at creation.
thread_local Window *creating = nullptr;

} // namespace

Window::~Window()
{
    if (handle_)
        DestroyWindow(handle_);
    release();
}

Window *Window::fromHandle(HWND window)
{
    if (!window)
        return nullptr;
    return static_cast<Window *>(GetPropA(window, objectProperty()));
}

void Window::attach(HWND window)
{
    handle_ = window;
    SetPropA(window, objectProperty(), this);
}

void Window::release()
{
    if (handle_)
        RemovePropA(handle_, objectProperty());
    handle_ = nullptr;
}

bool Window::createWindow(DWORD exStyle, DWORD style, const RECT &rect, HWND parent, UINT id,
                          const char *title)
{
    if (handle_)
        return false;
    const char *className = windowClassName(&Window::staticProc);
    creating = this;
    HWND window = CreateWindowExA(
        exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
        parent, (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
        com::thisModule(), nullptr);
    creating = nullptr;
    return window != nullptr && handle_ == window;
}

bool Window::subclassWindow(HWND window)
{
    if (handle_ || !window)
        return false;
    attach(window);
    superProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::staticProc)));
    return true;
}

bool Window::preTranslateMessage(MSG &)
{
    return false;
}

void Window::filterToolTipMessage(const MSG &) {}

LRESULT Window::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return defaultProc(message, wParam, lParam);
}

LRESULT Window::defaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (superProc_)
        return CallWindowProcA(superProc_, handle_, message, wParam, lParam);
    return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::staticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *self = fromHandle(window);
    if (!self && creating) {
        // The first message of a window made by createWindow.
        self = creating;
        creating = nullptr;
        self->attach(window);
    }
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = self->windowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        if (self->superProc_)
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->superProc_));
        self->superProc_ = nullptr;
        self->release();
        self->windowDestroyed();
    }
    return result;
}

} // namespace Quorvane
