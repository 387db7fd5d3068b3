// The library's dialogs that its functions run.
#pragma once

#include <cstdint>

namespace Quorvane {

// The commit dialog: 1 when it ends with OK (commit), 0 otherwise.
int RunCommitDialog();
// The first-time set-up dialog with the mask of the port kinds it offers.
void RunFirstTimeDialog(uint32_t mask);

} // namespace Quorvane
