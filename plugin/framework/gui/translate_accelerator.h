// "Quorvane_TranslateAccelerator": how a window inside a drummer panel (the
// tree combo, the loop browser) hands the panel a key or a command it leaves.
// wParam carries a message for the panel: the message in its low word and
// that message's own wParam in its high word; lParam is the message's. Two
// messages travel this way: a key-down (the key), which the panel offers to
// its keys, and a command (the command id), which the panel carries out as
// its own. The panel answers non-zero when it took the key or the command.
#pragma once

#include <windows.h>

namespace Quorvane {

// Registered once per process.
UINT translateAcceleratorMessage();

inline WPARAM keyForPanel(WPARAM key)
{
    return MAKEWPARAM(WM_KEYDOWN, key);
}

inline WPARAM commandForPanel(WORD id)
{
    return MAKEWPARAM(WM_COMMAND, id);
}

} // namespace Quorvane
