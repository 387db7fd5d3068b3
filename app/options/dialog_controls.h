// Small helpers the option dialogs share for their controls.
#pragma once

#include <windows.h>

namespace Quorvane {

// The module whose resources hold the dialog templates: the program (or
// the test that links them). The common controls the dialogs hold are
// registered by the first call.
HINSTANCE DialogModule();

// Runs the modal dialog of a template with state as its WM_INITDIALOG
// parameter; whether it ended with OK.
bool RunModalDialog(HWND owner, int templateId, DLGPROC proc, void *state);

// The state a dialog procedure was given with WM_INITDIALOG: kept in the
// dialog then, and read back for every message (null before).
template <typename State> State *DialogState(HWND dialog, UINT message, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    return reinterpret_cast<State *>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// An edit control with a spin buddy over low..high, showing value.
void SetupSpin(HWND dialog, int spinId, int low, int high, int value);
// The number in an edit control, brought into low..high (low when it holds
// no number).
int ReadNumber(HWND dialog, int editId, int low, int high);

} // namespace Quorvane
