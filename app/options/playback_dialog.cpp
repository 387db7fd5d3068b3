#include "app/options/playback_dialog.h"

#include "app/options/dialog_controls.h"
#include "app/options/option_dialog_ids.h"

namespace Quorvane {

namespace {

// The strength only applies while the bender drives the velocity.
void enableStrength(HWND dialog)
{
    const BOOL on = IsDlgButtonChecked(dialog, IDC_PLAYBACK_BENDER) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, IDC_PLAYBACK_STRENGTH), on);
    EnableWindow(GetDlgItem(dialog, IDC_PLAYBACK_STRENGTH_SPIN), on);
}

void initialise(HWND dialog, const ProgramOptions &s)
{
    SetupSpin(dialog, IDC_PLAYBACK_VELOCITY_SPIN, 1, 127, s.veloStat);
    SetupSpin(dialog, IDC_PLAYBACK_STRENGTH_SPIN, 0, 100, s.strength);
    CheckDlgButton(dialog, IDC_PLAYBACK_TRIGGER, s.trgVelo ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_PLAYBACK_BENDER, s.extPitch ? BST_CHECKED : BST_UNCHECKED);
    enableStrength(dialog);
}

void readBack(HWND dialog, ProgramOptions &s)
{
    s.veloStat = ReadNumber(dialog, IDC_PLAYBACK_VELOCITY, 1, 127);
    s.strength = ReadNumber(dialog, IDC_PLAYBACK_STRENGTH, 0, 100);
    s.trgVelo = IsDlgButtonChecked(dialog, IDC_PLAYBACK_TRIGGER) == BST_CHECKED ? 1 : 0;
    s.extPitch = IsDlgButtonChecked(dialog, IDC_PLAYBACK_BENDER) == BST_CHECKED ? 1 : 0;
}

INT_PTR CALLBACK playbackProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *settings = DialogState<ProgramOptions>(dialog, message, lParam);
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog, *settings);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PLAYBACK_BENDER:
            enableStrength(dialog);
            return TRUE;
        case IDOK:
            readBack(dialog, *settings);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

bool RunPlaybackDialog(HWND owner, ProgramOptions &options)
{
    ProgramOptions edited = options;
    if (!RunModalDialog(owner, IDD_PLAYBACK, playbackProc, &edited))
        return false;
    options = edited;
    return true;
}

} // namespace Quorvane
