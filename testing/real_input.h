// Real input for window tests: keys and mouse events through the system's
// input queue, which hands a key to the window with the focus and a click
// to the window under the point, as a keyboard's and a mouse's go. Posted
// messages skip that path.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace testing_support {

// Presses the keys in order and lets them go in the reverse order
// ({VK_CONTROL, '2'} is Ctrl+2).
void sendKeys(std::initializer_list<WORD> keys);
// Presses and lets go a key of the extended set: VK_RETURN so is the
// numeric pad's Enter.
void sendExtendedKey(WORD key);
// Moves the mouse to a screen point; clicks the left button there.
void sendMove(POINT screen);
void sendClick(POINT screen);
// The same at a point of the window's client area.
void sendMove(HWND window, int x, int y);
void sendClick(HWND window, int x, int y);

} // namespace testing_support
