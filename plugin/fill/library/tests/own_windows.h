// Finds this test process's own hidden windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The message-only windows of a class that belong to this process (other
// test processes run the same code at the same time).
inline std::vector<HWND> ownMessageOnlyWindows(const std::string &className)
{
    std::vector<HWND> windows;
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, className.c_str(), nullptr); window;
         window = FindWindowExA(HWND_MESSAGE, window, className.c_str(), nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            windows.push_back(window);
    }
    return windows;
}
