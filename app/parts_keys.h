// The parts window's keys and where a key pressed in one of the program's
// windows goes. The keys reach the parts window before the window with the
// focus sees them, as a message loop's pre-translation would: a click on
// the parts window leaves the focus with one of its controls, a click on a
// docked editor with a control of the drummer's panel, and the frame may
// hold it while it stays minimised.
#pragma once

#include <windows.h>

namespace Quorvane {

enum class PartsKeyAction {
    None,
    PlayStop,   // Space, not repeated
    Help,       // F1
    EditorUp,   // Ctrl+Up: the front editor window before
    EditorDown, // Ctrl+Down: the one after
    SelectPart, // Ctrl with a digit, plus or minus: part
};

struct PartsKey {
    PartsKeyAction action = PartsKeyAction::None;
    int part = -1;
};

// What a key means to the parts window: current is the part shown (plus
// and minus select the next and the one before, within 0..11).
PartsKey ReadPartsKey(WPARAM key, bool control, bool repeat, int current);

// The kinds of the program's windows a key can be pressed in.
enum class KeyPlace {
    PartsWindow,  // the window or a control in it, the frame
    EditorWindow, // an editor window or a control of the panel it holds
    TextField,    // a window of a drummer's panel that is taking typed text
    Elsewhere,    // a chooser or dialog, the bank editor while it edits
};

enum class KeyRoute {
    Pass,        // the window with the focus takes it
    PartsWindow, // the parts window takes it; the focused window never sees it
    Swallow,     // nobody
};

// Enter and Esc close nothing of the parts window or its editor windows;
// the parts window's own keys go to it, except the keys a text field keeps
// (Space, Esc, Enter and the rest it types or edits with).
KeyRoute RouteKey(KeyPlace place, WPARAM key, bool control, bool alt, bool repeat);

} // namespace Quorvane
