// The dialog that asks, when the program ends, whether the changed equipment
// database is to be saved; it answers "Yes" by itself after five seconds.
#pragma once

#include <windows.h>

namespace Quorvane {

// Runs the dialog from the module's resources, without a parent; IDOK for
// "Yes" (pressed or timed out), IDCANCEL for "No".
INT_PTR RunCommitDialog(HINSTANCE resources);

} // namespace Quorvane
