#include "db/dialogs/commit_dialog.h"

#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/program_options.h"

#include <commctrl.h>

namespace Quorvane {

namespace {

constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 200;
// Five seconds of 200 ms ticks.
constexpr int kTicks = 25;
constexpr int kSeconds = kTicks * kTickMs / 1000;
// Where the dialog keeps the program's name.
constexpr const char *kProgramProperty = "DBCommitProgram";
// The system's question icon.
const LPCSTR kQuestionIcon = MAKEINTRESOURCEA(32514);

INT_PTR CALLBACK CommitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetPropA(dialog, kProgramProperty, reinterpret_cast<HANDLE>(lParam));
        SendDlgItemMessageA(dialog, IDC_COMMIT_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconA(nullptr, kQuestionIcon)), 0);
        char text[64];
        wsprintfA(text, "(Autosave after %i sec)", kSeconds);
        SetDlgItemTextA(dialog, IDC_COMMIT_COUNTDOWN, text);
        SendDlgItemMessageA(dialog, IDC_COMMIT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kTicks));
        SendDlgItemMessageA(dialog, IDC_COMMIT_PROGRESS, PBM_SETPOS, 0, 0);
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        SetTimer(dialog, kTimer, kTickMs, nullptr);
        return TRUE;
    }
    case WM_TIMER: {
        if (wParam != kTimer)
            return FALSE;
        const LONG_PTR ticks = GetWindowLongPtrA(dialog, DWLP_USER) + 1;
        SetWindowLongPtrA(dialog, DWLP_USER, ticks);
        if (ticks >= kTicks)
            EndDialog(dialog, IDOK);
        else
            SendDlgItemMessageA(dialog, IDC_COMMIT_PROGRESS, PBM_SETPOS, WPARAM(ticks), 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_COMMIT_DONT_ASK:
            if (HIWORD(wParam) == BN_CLICKED) {
                const bool checked = IsDlgButtonChecked(dialog, IDC_COMMIT_DONT_ASK) == BST_CHECKED;
                const auto *program = static_cast<const char *>(GetPropA(dialog, kProgramProperty));
                WriteProgramInt(program, kOptionsSection, kCommitDialogOption, checked ? 0 : 1);
            }
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        KillTimer(dialog, kTimer);
        RemovePropA(dialog, kProgramProperty);
        return FALSE;
    }
    return FALSE;
}

} // namespace

INT_PTR RunCommitDialog(HINSTANCE resources, const char *program)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return DialogBoxParamA(resources, MAKEINTRESOURCEA(IDD_DB_COMMIT), nullptr, CommitDialogProc,
                           reinterpret_cast<LPARAM>(program));
}

} // namespace Quorvane
