// Until the commit and first-time dialogs are built: no commit happens
// without the user's consent, and the first-time set-up offers nothing.
#include "db/library/dialogs.h"

namespace Quorvane {

int RunCommitDialog()
{
    return 0;
}

void RunFirstTimeDialog(uint32_t) {}

} // namespace Quorvane
