// Which keys a window that is taking text keeps for itself, before a
// program's or a host's shortcuts see them: the drummers' panels inside a
// host and the program's own key routing ask the same questions, so that
// Space types a space, Esc cancels the edit and Enter ends it wherever the
// text is typed.
#pragma once

#include <windows.h>

namespace Quorvane {

// An edit field (the label edit of a tree or a list too), or a control that
// answers WM_GETDLGCODE with DLGC_HASSETSEL, as one does while a name is
// typed into it.
bool isTakingText(HWND window);

// Whether such a window keeps a key pressed with these modifiers: without
// Ctrl every key but the function keys (Space, Esc, both Enters, Backspace,
// the arrows ...); with Ctrl only its editing keys (clipboard, undo, select
// all, moves by word); with Alt none (the menus'); with Ctrl and Alt
// together every key again, since some keyboards type characters so.
bool textKeepsKey(WPARAM key, bool control, bool alt);

} // namespace Quorvane
