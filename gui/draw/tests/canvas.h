// A memory device context over a 32-bit top-down DIB section, so tests draw
// with real GDI and read back every pixel.
#pragma once

#include <windows.h>

#include <string>

namespace pannikel_test {

class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(10, 20, 30));
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }

    void fill(COLORREF colour);
    // RGB() of the pixel; CLR_INVALID outside.
    COLORREF at(int x, int y) const;
    // The smallest rectangle (right and bottom exclusive) holding every
    // pixel that is not the colour; empty when there is none.
    RECT inkBox(COLORREF colour) const;
    int countNot(COLORREF colour) const;
    bool samePixels(const Canvas &other) const;
    // Writes a 24-bit BMP file.
    bool saveBmp(const std::string &path) const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    unsigned char *bits_ = nullptr;
};

// The folder of the running test program (ending without a backslash).
std::string programFolder();
// build/screenshots/<name>, the folder made when missing.
std::string screenshotPath(const std::string &name);

// "r,g,b" and "l,t,r,b" for readable failures.
std::string rgbText(COLORREF c);
std::string rectText(const RECT &r);
bool sameRect(const RECT &r, long left, long top, long right, long bottom);

} // namespace pannikel_test
