// The dialog that asks, when the program ends, whether the changed equipment
// database is to be saved; it answers "Yes" by itself after five seconds.
#pragma once

#include <windows.h>

namespace Quorvane {

// Runs the dialog from the module's resources, without a parent; IDOK for
// "Yes" (pressed or timed out), IDCANCEL for "No". "Don't ask me again"
// goes to the program's options (program: its name without extension).
INT_PTR RunCommitDialog(HINSTANCE resources, const char *program);

} // namespace Quorvane
