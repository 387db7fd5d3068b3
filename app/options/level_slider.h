// The small slider popup that sets a level 0..127 (the metronome's): it
// opens centred on a point, kept on the screen, hands every new position
// on at once and closes when the slider is let go, on Esc, on a click
// elsewhere (which does nothing else) or when another window becomes
// active, as a menu does.
#pragma once

#include <windows.h>

#include <functional>

namespace Quorvane {

// Where a popup of that size lies centred on the point and moved inside
// the area.
RECT PlacePopup(POINT centre, SIZE size, const RECT &area);

// Runs the popup at value until it closes; returns the last value.
int RunLevelSlider(HWND owner, POINT centre, int value, const std::function<void(int)> &onChange);

} // namespace Quorvane
