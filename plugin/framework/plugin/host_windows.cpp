// The host's windows: its main window with the MDI client and status bar,
// and the two position displays (the "Transport" window's and the
// "Position" toolbar's).
#include "plugin/framework/plugin/host_integration.h"

#include "plugin/framework/plugin/host_record.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace Quorvane {

namespace {

constexpr const char *kFakeEdit = "CC:FakeEdit";
constexpr const char *kControlBar = "AfxControlBar42";

BOOL CALLBACK collectWindow(HWND window, LPARAM found)
{
    reinterpret_cast<std::vector<HWND> *>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> children(HWND parent, const char *className, const char *title = nullptr)
{
    std::vector<HWND> found;
    for (HWND child = FindWindowExA(parent, nullptr, className, title); child;
         child = FindWindowExA(parent, child, className, title))
        found.push_back(child);
    return found;
}

// The application's main window: a top-level window of this thread, owned
// by none, that holds an MDI client.
HWND findMainWindow()
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows)
        if (!GetWindow(window, GW_OWNER) && FindWindowExA(window, nullptr, "MDIClient", nullptr))
            return window;
    return nullptr;
}

std::vector<HWND> ownedTopLevelWindows(HWND owner)
{
    std::vector<HWND> all;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> owned;
    for (HWND window : all)
        if (GetWindow(window, GW_OWNER) == owner)
            owned.push_back(window);
    return owned;
}

bool hasTitle(HWND window, const char *title)
{
    char text[64] = {};
    GetWindowTextA(window, text, sizeof(text));
    return strcmp(text, title) == 0;
}

HWND transportDisplay(const std::vector<HWND> &owned)
{
    for (HWND window : owned) {
        if (!hasTitle(window, "Transport"))
            continue;
        for (HWND bar : children(window, kControlBar))
            for (HWND dialog : children(bar, "#32770"))
                if (HWND display = FindWindowExA(dialog, nullptr, kFakeEdit, nullptr))
                    return display;
    }
    return nullptr;
}

HWND positionDisplayIn(HWND bar)
{
    for (HWND toolbar : children(bar, "ToolbarWindow32", "Position"))
        if (HWND display = FindWindowExA(toolbar, nullptr, kFakeEdit, nullptr))
            return display;
    return nullptr;
}

HWND positionDisplay(HWND main, const std::vector<HWND> &owned)
{
    for (HWND window : owned)
        for (HWND bar : children(window, kControlBar))
            if (HWND display = positionDisplayIn(bar))
                return display;
    for (HWND bar : children(main, kControlBar))
        if (HWND display = positionDisplayIn(bar))
            return display;
    return nullptr;
}

// A window of another thread is read without a message, so that a caller
// on the host's processing thread never waits for the window's thread.
std::string windowText(HWND window)
{
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        char text[100] = {};
        GetWindowTextA(window, text, sizeof(text));
        return text;
    }
    wchar_t wide[100] = {};
    InternalGetWindowText(window, wide, 100);
    char text[200] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}

bool parseNumber(const std::string &part, int32_t *out)
{
    size_t begin = part.find_first_not_of(' ');
    size_t end = part.find_last_not_of(' ');
    if (begin == std::string::npos)
        return false;
    const std::string digits = part.substr(begin, end - begin + 1);
    if (digits.size() > 9)
        return false;
    for (char c : digits)
        if (!isdigit(static_cast<unsigned char>(c)))
            return false;
    *out = static_cast<int32_t>(strtol(digits.c_str(), nullptr, 10));
    return true;
}

HWND usableDisplay(const HostWindows &windows)
{
    if (windows.positionDisplay && IsWindow(windows.positionDisplay))
        return windows.positionDisplay;
    if (windows.transportDisplay && IsWindow(windows.transportDisplay))
        return windows.transportDisplay;
    return nullptr;
}

} // namespace

const HostWindows &findHostWindows()
{
    HostWindows &found = hostInfoRecord().windows;
    found = HostWindows{};
    found.main = findMainWindow();
    if (!found.main)
        return found;
    found.mdiClient = FindWindowExA(found.main, nullptr, "MDIClient", nullptr);
    found.statusBar = FindWindowExA(found.main, nullptr, "msctls_statusbar32", nullptr);
    const std::vector<HWND> owned = ownedTopLevelWindows(found.main);
    found.transportDisplay = transportDisplay(owned);
    found.positionDisplay = positionDisplay(found.main, owned);
    return found;
}

bool parseHostPosition(const char *text, int32_t *measure, int32_t *beat, int32_t *tick)
{
    if (!text)
        return false;
    const std::string all(text);
    const size_t first = all.find(':');
    const size_t second = first == std::string::npos ? first : all.find(':', first + 1);
    if (second == std::string::npos || all.find(':', second + 1) != std::string::npos)
        return false;
    int32_t m = 0, b = 0, t = 0;
    if (!parseNumber(all.substr(0, first), &m) ||
        !parseNumber(all.substr(first + 1, second - first - 1), &b) ||
        !parseNumber(all.substr(second + 1), &t))
        return false;
    *measure = m;
    *beat = b;
    *tick = t;
    return true;
}

bool readHostPosition(int32_t *measure, int32_t *beat, int32_t *tick)
{
    HWND display = usableDisplay(hostInfo().windows);
    // A display that went away (or never was) is looked for again, but only
    // on the windows' own thread: the search sends messages.
    if (!display) {
        HWND main = hostInfo().windows.main;
        if (!main || GetWindowThreadProcessId(main, nullptr) == GetCurrentThreadId())
            display = usableDisplay(findHostWindows());
    }
    if (!display)
        return false;
    const std::string text = windowText(display);
    return !text.empty() && parseHostPosition(text.c_str(), measure, beat, tick);
}

} // namespace Quorvane
