#include "plugin/framework/plugin/warning_dialog.h"

#include "base/registry.h"
#include "plugin/framework/plugin/com_object.h"
#include "plugin/framework/plugin/plugin_resources.h"

#include <mutex>
#include <utility>

namespace Quorvane {

namespace {

constexpr const char *kSection = "Warnings";

// The module's name without folder and extension.
std::string moduleName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(com::thisModule(), path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.find_last_of('.'));
}

std::mutex hookLock;

WarningDialogHook &installedHook()
{
    static WarningDialogHook hook;
    return hook;
}

std::string applicationTitle()
{
    const std::string &product = appProductName();
    return product.empty() ? moduleName() : product;
}

} // namespace

WarningDialogHook setWarningDialogHook(WarningDialogHook hook)
{
    std::lock_guard<std::mutex> guard(hookLock);
    return std::exchange(installedHook(), std::move(hook));
}

std::string CWarningDlg::profilePath()
{
    const std::string root =
        appRegistryInitialised() ? appRegistryRoot() : "Software\\Quorvane\\" + moduleName();
    return root + "\\" + kSection;
}

CWarningDlg::CWarningDlg(UINT messageId, const char *profileKey, HWND parent)
    : key_(profileKey ? profileKey : ""), parent_(parent)
{
    char text[2048] = {};
    LoadStringA(com::thisModule(), messageId, text, sizeof(text));
    message_ = text;
    if (!key_.empty()) {
        const auto stored =
            static_cast<int32_t>(readRegistryDword(profilePath().c_str(), key_.c_str(), 1, true));
        suppressed_ = stored <= 0;
    }
}

CWarningDlg::~CWarningDlg()
{
    if (dialog_)
        DestroyWindow(dialog_);
    storeAnswer();
}

void CWarningDlg::storeAnswer() const
{
    if (key_.empty())
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, profilePath().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const DWORD value = suppressed_ ? 0 : 1;
    RegSetValueExA(key, key_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
    RegCloseKey(key);
}

INT_PTR CWarningDlg::DoModal()
{
    if (suppressed_)
        return IDOK;
    WarningDialogHook hook;
    {
        std::lock_guard<std::mutex> guard(hookLock);
        hook = installedHook();
    }
    if (hook) {
        bool tick = false;
        const INT_PTR result = hook(message_, key_, &tick);
        answered(result, tick);
        return result;
    }
    done_ = false;
    result_ = IDCANCEL;
    dialog_ = CreateDialogParamA(com::thisModule(), MAKEINTRESOURCEA(IDD_WARNING), parent_, dialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (!dialog_)
        return -1;
    ShowWindow(dialog_, SW_SHOW);
    MSG message;
    while (!done_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam)); // for the loop outside
            break;
        }
        if (!dialog_ || !IsDialogMessageA(dialog_, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (dialog_)
        DestroyWindow(dialog_);
    dialog_ = nullptr;
    return result_;
}

void CWarningDlg::initDialog(HWND dialog)
{
    SetWindowTextA(dialog, applicationTitle().c_str());
    SetDlgItemTextA(dialog, IDC_WARNING_TEXT, message_.c_str());
    HWND box = GetDlgItem(dialog, IDC_WARNING_SUPPRESS);
    if (key_.empty())
        ShowWindow(box, SW_HIDE);
    else
        CheckDlgButton(dialog, IDC_WARNING_SUPPRESS, suppressed_ ? BST_CHECKED : BST_UNCHECKED);
}

void CWarningDlg::finish(INT_PTR result)
{
    const bool tick = IsDlgButtonChecked(dialog_, IDC_WARNING_SUPPRESS) == BST_CHECKED;
    result_ = result;
    done_ = true;
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    answered(result, tick);
}

// OK takes the box's state and stores it; anything else changes nothing.
void CWarningDlg::answered(INT_PTR result, bool tick)
{
    if (result != IDOK || key_.empty())
        return;
    suppressed_ = tick;
    storeAnswer();
}

INT_PTR CALLBACK CWarningDlg::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<CWarningDlg *>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        self = reinterpret_cast<CWarningDlg *>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->dialog_ = dialog;
        self->initDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (self && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            self->finish(LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace Quorvane
