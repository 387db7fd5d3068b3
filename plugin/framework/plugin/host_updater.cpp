#include "plugin/framework/plugin/host_updater.h"

#include "plugin/framework/plugin/com_object.h"

#include <cstdio>

namespace Quorvane {

namespace {

// Updaters alive in this module: the first registers the class, the last
// unregisters it.
int updaterCount = 0;

} // namespace

std::string HostUpdater::windowClassName(HMODULE module)
{
    char name[64];
    snprintf(name, sizeof(name), "quorvane_HostUpdater%08llX",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(module)));
    return name;
}

HostUpdater::HostUpdater(UINT periodMs) : period_(periodMs)
{
    HMODULE module = com::thisModule();
    const std::string className = windowClassName(module);
    if (updaterCount++ == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = module;
        windowClass.lpszClassName = className.c_str();
        RegisterClassA(&windowClass);
    }
    window_ =
        CreateWindowExA(0, className.c_str(), "", 0x00CF0000, 0, 0, 0, 0, nullptr, nullptr, module, this);
}

HostUpdater::~HostUpdater()
{
    if (window_) {
        // Only the window's own thread can destroy it; from any other the
        // window forgets this updater at once and is closed by its thread.
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId())
            DestroyWindow(window_);
        else
            PostMessageA(window_, WM_CLOSE, 0, 0);
    }
    window_ = nullptr;
    if (--updaterCount == 0)
        UnregisterClassA(windowClassName(com::thisModule()).c_str(), com::thisModule());
}

LRESULT CALLBACK HostUpdater::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *updater = reinterpret_cast<HostUpdater *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        updater = static_cast<HostUpdater *>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(updater));
        break;
    case WM_CREATE:
        if (updater)
            SetTimer(window, kTimerId, updater->period_, nullptr);
        break;
    case WM_TIMER:
        if (wParam == kTimerId && updater) {
            updater->tick();
            return 0;
        }
        break;
    case WM_DESTROY:
        KillTimer(window, kTimerId);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace Quorvane
