// A hidden window whose timer refreshes what the plug-ins know of their
// host every two seconds, on the thread that created it. Its window class
// carries the module handle in its name, so two plug-in modules in one host
// never share a class.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

class HostUpdater {
public:
    static constexpr UINT kTimerId = 1;
    static constexpr UINT kDefaultPeriod = 2000;

    explicit HostUpdater(UINT periodMs = kDefaultPeriod);
    HostUpdater(const HostUpdater &) = delete;
    HostUpdater &operator=(const HostUpdater &) = delete;
    virtual ~HostUpdater();

    // One refresh, run by the timer.
    virtual void tick() {}
    virtual bool hasWork() { return false; }

    // Null when no window could be made (no display); the rest still works.
    HWND window() const { return window_; }

    // "quorvane_HostUpdater" and the module handle in hexadecimal.
    static std::string windowClassName(HMODULE module);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    UINT period_;
};

} // namespace Quorvane
