#include "plugin/fill/library/updater_window.h"

#include <cstdio>
#include <mutex>

namespace Quorvane {

namespace {

// The module this code is linked into, so that two plug-in modules in one
// process keep separate classes.
HINSTANCE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

std::mutex classMutex;
int classUsers = 0;

} // namespace

UINT patternTreeChangedMessage()
{
    static const UINT message = RegisterWindowMessageA("Quorvane_PatternTreeChanged");
    return message;
}

const std::string &updaterClassName()
{
    static const std::string name = [] {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "Quorvane_TreeUpdater_%08X",
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(thisModule())));
        return std::string(buffer);
    }();
    return name;
}

bool acquireUpdaterClass(WNDPROC procedure)
{
    std::lock_guard<std::mutex> guard(classMutex);
    if (classUsers == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = thisModule();
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1);
        windowClass.lpszClassName = updaterClassName().c_str();
        if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    ++classUsers;
    return true;
}

void releaseUpdaterClass()
{
    std::lock_guard<std::mutex> guard(classMutex);
    if (classUsers > 0 && --classUsers == 0)
        UnregisterClassA(updaterClassName().c_str(), thisModule());
}

HWND createUpdaterWindow(void *owner)
{
    return CreateWindowExA(0, updaterClassName().c_str(), nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           thisModule(), owner);
}

} // namespace Quorvane
