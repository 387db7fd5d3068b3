#include "canvas.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pannikel_test {

Canvas::Canvas(int width, int height, COLORREF background) : width_(width), height_(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<unsigned char *>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    oldBitmap_ = SelectObject(dc_, bitmap_);
    fill(background);
}

Canvas::~Canvas()
{
    SelectObject(dc_, oldBitmap_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

void Canvas::fill(COLORREF colour)
{
    GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) {
        bits_[i * 4] = GetBValue(colour);
        bits_[i * 4 + 1] = GetGValue(colour);
        bits_[i * 4 + 2] = GetRValue(colour);
        bits_[i * 4 + 3] = 0;
    }
}

COLORREF Canvas::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    GdiFlush();
    const unsigned char *p = bits_ + (static_cast<size_t>(y) * width_ + x) * 4;
    return RGB(p[2], p[1], p[0]);
}

RECT Canvas::inkBox(COLORREF colour) const
{
    RECT box{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (at(x, y) == colour)
                continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    if (box.right == 0)
        box = RECT{0, 0, 0, 0};
    return box;
}

int Canvas::countNot(COLORREF colour) const
{
    int n = 0;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x)
            n += at(x, y) != colour;
    }
    return n;
}

bool Canvas::samePixels(const Canvas &other) const
{
    if (other.width_ != width_ || other.height_ != height_)
        return false;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (at(x, y) != other.at(x, y))
                return false;
        }
    }
    return true;
}

bool Canvas::saveBmp(const std::string &path) const
{
    const int stride = (width_ * 3 + 3) & ~3;
    std::vector<unsigned char> rows(static_cast<size_t>(stride) * height_);
    for (int y = 0; y < height_; ++y) {
        unsigned char *row = rows.data() + static_cast<size_t>(height_ - 1 - y) * stride;
        for (int x = 0; x < width_; ++x) {
            const COLORREF c = at(x, y);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rows.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                    std::fwrite(&info, sizeof info, 1, out) == 1 &&
                    std::fwrite(rows.data(), rows.size(), 1, out) == 1;
    return std::fclose(out) == 0 && ok;
}

std::string programFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string screenshotPath(const std::string &name)
{
    // Test programs live in build/tests.
    const std::string folder = programFolder() + "\\..\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\" + name;
}

std::string rgbText(COLORREF c)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u,%u,%u", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

std::string rectText(const RECT &r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

bool sameRect(const RECT &r, long left, long top, long right, long bottom)
{
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

} // namespace pannikel_test
