#include "plugin/framework/gui/text_keys.h"

namespace Quorvane {

bool isTakingText(HWND window)
{
    if (!window)
        return false;
    char kind[16] = {};
    GetClassNameA(window, kind, sizeof(kind));
    // Subclassed edits may answer without DLGC_HASSETSEL; their class says it.
    if (lstrcmpiA(kind, "Edit") == 0)
        return true;
    return (SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0;
}

bool textKeepsKey(WPARAM key, bool control, bool alt)
{
    if (key >= VK_F1 && key <= VK_F24)
        return false;
    if (control == alt)
        return true; // no modifier, or Ctrl and Alt typing a character
    if (alt)
        return false; // the menus' keys
    switch (key) {
    case 'A':
    case 'C':
    case 'V':
    case 'X':
    case 'Z':
    case VK_INSERT:
    case VK_DELETE:
    case VK_BACK:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
        return true;
    default:
        return false;
    }
}

} // namespace Quorvane
