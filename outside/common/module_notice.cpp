#include "outside/common/module_notice.h"

#include "base/message_box.h"

#include <windows.h>

#include <new>

namespace Quorvane {

namespace {

constexpr UINT kNoticeMessage = WM_APP + 1;
constexpr char kNoticeClass[] = "TembriModuleNotice";

struct Notice {
    std::string caption;
    std::string text;
};

HMODULE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

LRESULT CALLBACK noticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kNoticeMessage)
        return DefWindowProcA(window, message, wParam, lParam);
    Notice *notice = reinterpret_cast<Notice *>(lParam);
    showMessageBox(GetActiveWindow(), notice->text.c_str(), notice->caption.c_str(), MB_OK | MB_ICONWARNING);
    delete notice;
    return 0;
}

// The module's notice window on the thread that first told something; the
// module is pinned then, as the window's procedure is its code.
HWND noticeWindow()
{
    static HWND window = [] {
        HMODULE module = thisModule();
        HMODULE pinned = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                reinterpret_cast<LPCSTR>(&thisModule), &pinned))
            return HWND(nullptr);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = noticeProc;
        windowClass.hInstance = module;
        windowClass.lpszClassName = kNoticeClass;
        RegisterClassA(&windowClass);
        return CreateWindowExA(0, kNoticeClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
    }();
    return window;
}

} // namespace

bool TellUserLater(const std::string &caption, const std::string &text)
{
    HWND window = noticeWindow();
    auto *notice = window ? new (std::nothrow) Notice{caption, text} : nullptr;
    if (!notice)
        return false;
    if (!PostMessageA(window, kNoticeMessage, 0, reinterpret_cast<LPARAM>(notice))) {
        delete notice;
        return false;
    }
    return true;
}

} // namespace Quorvane
