#include "plugin/framework/gui/panel_message_hook.h"

#include "plugin/framework/gui/text_keys.h"
#include "plugin/framework/gui/window.h"
#include "plugin/framework/plugin/com_object.h"

#include <windows.h>

namespace Quorvane {

namespace {

volatile LONG users = 0;
HHOOK hook = nullptr;

bool isModuleWindow(HWND window)
{
    return window &&
           reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) == com::thisModule();
}

// A window inside a top-level dialog of this module (the options and rename
// dialogs): its dialog's own loop moves between the fields and presses the
// buttons, so its keys are left to it.
bool isInModuleDialog(HWND window)
{
    constexpr ULONG_PTR kDialogClassAtom = 32770;
    HWND root = GetAncestor(window, GA_ROOT);
    return root && isModuleWindow(root) && GetClassLongPtrA(root, GCW_ATOM) == kDialogClassAtom;
}

// Keys a panel needs before the host's accelerators see them.
bool isPanelKey(const MSG &message)
{
    switch (message.wParam) {
    case VK_BACK:
    case VK_TAB:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case 61:
    case 'M':
    case 'P':
    case 'S':
    case VK_ADD:
    case VK_SUBTRACT:
        return true;
    case VK_RETURN:
        return (message.lParam & (1 << 24)) == 0; // the numeric pad's Enter goes to the host
    default:
        return message.wParam >= '0' && message.wParam <= '9';
    }
}

// A key or character typed into a window taking text: it keeps it from the
// host's accelerators as it keeps it from a program's shortcuts (Alt's
// keys, the menus', go on).
bool isTextKey(const MSG &message)
{
    switch (message.message) {
    case WM_CHAR:
    case WM_DEADCHAR:
        return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
        return textKeepsKey(message.wParam, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
    default:
        return false;
    }
}

// The window and its parents up to the top-level window, each with its
// object of this module.
template <typename Visit> bool walkUp(HWND window, Visit visit)
{
    for (; window; window = (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr)
        if (Window *object = Window::fromHandle(window))
            if (visit(*object))
                return true;
    return false;
}

LRESULT CALLBACK hookProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG &message = *reinterpret_cast<MSG *>(lParam);
        if (message.message == WM_SYSCHAR && (message.wParam == 'R' || message.wParam == 'r') &&
            isModuleWindow(message.hwnd)) {
            message.message = WM_NULL;
        } else if (message.message == WM_RBUTTONDOWN && isModuleWindow(message.hwnd)) {
            if (walkUp(message.hwnd, [&](Window &window) { return window.preTranslateMessage(message); }))
                message.message = WM_NULL;
        } else if (message.message >= WM_KEYDOWN && message.message <= WM_SYSDEADCHAR &&
                   isModuleWindow(message.hwnd) && !isInModuleDialog(message.hwnd) &&
                   (isPanelKey(message) || (isTakingText(message.hwnd) && isTextKey(message)))) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            message.message = WM_NULL;
        } else if (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) {
            walkUp(message.hwnd, [&](Window &window) {
                window.filterToolTipMessage(message);
                return false;
            });
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

void installPanelMessageHook()
{
    InterlockedIncrement(&users);
    if (!hook)
        hook = SetWindowsHookExA(WH_GETMESSAGE, hookProcedure, nullptr, GetCurrentThreadId());
}

void releasePanelMessageHook()
{
    if (InterlockedDecrement(&users) == 0 && hook) {
        UnhookWindowsHookEx(hook);
        hook = nullptr;
    }
}

} // namespace Quorvane
