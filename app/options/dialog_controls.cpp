#include "app/options/dialog_controls.h"

#include <commctrl.h>

#include <algorithm>

namespace Quorvane {

HINSTANCE DialogModule()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls),
                                      ICC_UPDOWN_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
    return GetModuleHandleA(nullptr);
}

bool RunModalDialog(HWND owner, int templateId, DLGPROC proc, void *state)
{
    return DialogBoxParamA(DialogModule(), MAKEINTRESOURCEA(templateId), owner, proc,
                           reinterpret_cast<LPARAM>(state)) == IDOK;
}

void SetupSpin(HWND dialog, int spinId, int low, int high, int value)
{
    HWND spin = GetDlgItem(dialog, spinId);
    SendMessageA(spin, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    SendMessageA(spin, UDM_SETPOS32, 0, static_cast<LPARAM>(std::clamp(value, low, high)));
}

int ReadNumber(HWND dialog, int editId, int low, int high)
{
    BOOL number = FALSE;
    const int value = static_cast<int>(GetDlgItemInt(dialog, editId, &number, TRUE));
    return number ? std::clamp(value, low, high) : low;
}

} // namespace Quorvane
