#include "outside/vst/vst_host_window.h"

#include "base/critical_section.h"
#include "base/message_box.h"

namespace Quorvane {

namespace {

// wParam: what reaches the owner.
constexpr UINT kPostedMessage = WM_APP + 0x51;
constexpr UINT kCalledMessage = WM_APP + 0x52;
constexpr UINT kDestroyMessage = WM_APP + 0x53;
constexpr char kClassName[] = "TembriVstHostWindow";

// Held while any window reaches its owner and while a window is cut from
// its owner.
CriticalSection &windowsLock()
{
    static CriticalSection lock;
    return lock;
}

// Takes the lock, answering meanwhile what the thread is sent: the holder
// may be sending it a message and waiting for the answer.
void lockAnswering()
{
    while (!windowsLock().tryLock()) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
    }
}

struct LockedAnswering {
    LockedAnswering() { lockAnswering(); }
    ~LockedAnswering() { windowsLock().unlock(); }
};

// This module; with keep, held loaded for good.
HMODULE thisModule(bool keep = false)
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           (keep ? 0 : GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT),
                       reinterpret_cast<LPCSTR>(&windowsLock), &module);
    return module;
}

} // namespace

bool VstHostWindow::Create(Owner *owner)
{
    Destroy(0);
    WNDCLASSA type = {};
    type.lpfnWndProc = &VstHostWindow::proc;
    type.hInstance = thisModule();
    type.lpszClassName = kClassName;
    RegisterClassA(&type); // fails harmlessly once it is registered
    HWND window =
        CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    if (!window)
        return false;
    owner_ = owner;
    thread_ = GetCurrentThreadId();
    calling_ = 0;
    {
        LockedAnswering locked;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    window_ = window;
    return true;
}

bool VstHostWindow::Post(WPARAM what) const
{
    return window_ && PostMessageA(window_, kPostedMessage, what, 0);
}

bool VstHostWindow::Call(WPARAM what, DWORD bound)
{
    if (!window_)
        return false;
    if (OnItsThread())
        return reach(window_, what, false) != 0;
    {
        LockedAnswering locked;
        calling_ = what;
        callRan_ = false;
    }
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window_, kCalledMessage, what, 0, SMTO_NORMAL, bound, &answer);
    // Run, or not run in time and not wanted later.
    LockedAnswering locked;
    calling_ = 0;
    return callRan_;
}

bool VstHostWindow::StartTimer(UINT interval, WPARAM what)
{
    return window_ && what && OnItsThread() && SetTimer(window_, what, interval, nullptr);
}

void VstHostWindow::Destroy(DWORD bound)
{
    HWND window = window_;
    if (!window)
        return;
    window_ = nullptr;
    if (OnItsThread()) {
        DestroyWindow(window);
        return;
    }
    DWORD_PTR done = 0;
    // A window gone with its thread needs nothing more.
    if (!IsWindow(window) ||
        (bound && SendMessageTimeoutA(window, kDestroyMessage, 0, 0, SMTO_NORMAL, bound, &done) && done))
        return;
    // Its thread did not answer: the window no longer knows this object,
    // and goes when its thread takes messages again (or with the thread).
    // The code of its procedure stays loaded for it: this module is not
    // freed any more.
    {
        LockedAnswering locked;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    thisModule(true);
    PostMessageA(window, kDestroyMessage, 0, 0);
}

LRESULT VstHostWindow::reach(HWND window, WPARAM what, bool call)
{
    std::string text, caption;
    {
        LockedAnswering locked;
        auto *self = reinterpret_cast<VstHostWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!self || (call && self->calling_ != what))
            return 0;
        if (call) {
            self->calling_ = 0;
            self->callRan_ = true;
        }
        self->owner_->WindowMessage(what, text, caption);
    }
    if (!text.empty())
        showMessageBox(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
    return 1;
}

LRESULT CALLBACK VstHostWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kPostedMessage:
    case WM_TIMER:
        if (!reach(window, wParam, false) && !GetWindowLongPtrA(window, GWLP_USERDATA))
            DestroyWindow(window); // cut from its owner
        return 0;
    case kCalledMessage:
        return reach(window, wParam, true);
    case kDestroyMessage:
        DestroyWindow(window);
        return 1;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace Quorvane
