#include "plugin/framework/plugin/tests/fake_host_windows.h"

namespace plugin_test {

namespace {

const char *const kMdiChildClass = "PluginTestSongView";

void ensureClass(const char *className, WNDPROC procedure = DefWindowProcA)
{
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &existing))
        return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

LRESULT CALLBACK mdiChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefMDIChildProcA(window, message, wParam, lParam);
}

} // namespace

HWND makeWindow(const char *className, const char *title, DWORD style, HWND parent)
{
    ensureClass(className);
    return CreateWindowExA(0, className, title, style, 0, 0, 200, 100, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

FakeHostWindows::FakeHostWindows(Position position, bool transport)
{
    main = makeWindow("PluginTestHostMain", "Host", WS_OVERLAPPEDWINDOW, nullptr);
    CLIENTCREATESTRUCT client{};
    client.idFirstChild = 1000;
    mdiClient = CreateWindowExA(0, "MDIClient", nullptr, WS_CHILD | WS_CLIPCHILDREN, 0, 0, 400, 300, main,
                                nullptr, GetModuleHandleA(nullptr), &client);
    statusBar = makeWindow("msctls_statusbar32", "", WS_CHILD, main);

    if (transport) {
        transportFrame = makeWindow("PluginTestFloatFrame", "Transport", WS_POPUP | WS_CAPTION, main);
        HWND bar = makeWindow("AfxControlBar42", "", WS_CHILD, transportFrame);
        HWND dialog = makeWindow("#32770", "", WS_CHILD, bar);
        transportDisplay = makeWindow("CC:FakeEdit", "1:01:000", WS_CHILD, dialog);
    }
    if (position != Position::None) {
        HWND barParent = main;
        if (position == Position::Floating) {
            positionFrame = makeWindow("PluginTestFloatFrame", "", WS_POPUP | WS_CAPTION, main);
            barParent = positionFrame;
        }
        HWND bar = makeWindow("AfxControlBar42", "", WS_CHILD, barParent);
        // A bar without the toolbar comes first, as in a host with several.
        makeWindow("ToolbarWindow32", "Standard", WS_CHILD, bar);
        positionToolbar = makeWindow("ToolbarWindow32", "Position", WS_CHILD, bar);
        positionDisplay = makeWindow("CC:FakeEdit", "1:01:000", WS_CHILD, positionToolbar);
    }
}

FakeHostWindows::~FakeHostWindows()
{
    for (HWND window : {transportFrame, positionFrame, main})
        if (window && IsWindow(window))
            DestroyWindow(window);
}

HWND FakeHostWindows::addMdiChild(HWND *innerView)
{
    ensureClass(kMdiChildClass, mdiChildProc);
    HWND child = CreateMDIWindowA(kMdiChildClass, "Song", WS_CHILD | WS_VISIBLE, 0, 0, 200, 150, mdiClient,
                                  GetModuleHandleA(nullptr), 0);
    if (innerView)
        *innerView = makeWindow("PluginTestInnerView", "", WS_CHILD | WS_VISIBLE, child);
    return child;
}

} // namespace plugin_test
