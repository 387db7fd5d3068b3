// Pictures of windows for the tests: made from the windows' own painting
// (WM_PRINT into a bitmap, each visible child printed at its place, since
// the system's printing leaves children out) and written as PNG files with
// the Windows imaging component into the build's screenshots folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// 32-bit pixels (0x00RRGGBB as the DIB holds them: blue in the low byte),
// top row first.
struct WindowPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    // The pixel at (x, y) as a COLORREF (0x00BBGGRR).
    COLORREF at(int x, int y) const;
};

// The window's client area and its visible children as they paint
// themselves.
WindowPicture printWindow(HWND window);

// The client area as it stands now, as the window last painted it: what
// the user sees, with nothing painted again for the picture.
WindowPicture shownWindow(HWND window);

enum class PictureFormat { Png, Bmp };

// Writes the picture as <screenshots folder>\<name>.png (or .bmp); returns
// the path written, empty on failure. COM must be initialised on the thread.
std::string writePicture(const WindowPicture &picture, const std::string &name,
                         PictureFormat format = PictureFormat::Png);

// Both at once.
std::string writeWindowPicture(HWND window, const std::string &name);

} // namespace testing_support
