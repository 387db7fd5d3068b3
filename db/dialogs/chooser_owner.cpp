#include "db/dialogs/chooser_owner.h"

namespace Quorvane {

HWND ChooserOwner(HWND parent)
{
    // A child window cannot own a dialog: its top-level window does.
    if (parent && IsWindow(parent))
        return GetAncestor(parent, GA_ROOT);
    return GetActiveWindow();
}

} // namespace Quorvane
