// The program's frame: a dialog that stays minimised while the parts
// window and the editors show, and whose modal loop runs the program.
#pragma once

#include <windows.h>

namespace Quorvane {

class PartsWindow;

// Runs the frame with the parts window until it closes.
INT_PTR RunFrameDialog(HINSTANCE instance, PartsWindow &parts);

} // namespace Quorvane
