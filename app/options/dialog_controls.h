// Small helpers the option dialogs share for their controls.
#pragma once

#include <windows.h>

namespace Quorvane {

// The module whose resources hold the dialog templates: the program (or
// the test that links them). The common controls the dialogs hold are
// registered by the first call.
HINSTANCE DialogModule();

// An edit control with a spin buddy over low..high, showing value.
void SetupSpin(HWND dialog, int spinId, int low, int high, int value);
// The number in an edit control, brought into low..high (low when it holds
// no number).
int ReadNumber(HWND dialog, int editId, int low, int high);

} // namespace Quorvane
