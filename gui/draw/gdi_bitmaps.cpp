#include "gui/draw/gdi_bitmaps.h"

#include <new>

namespace Quorvane::gdi {

DibPixels::DibPixels(long width, long height) : width_(width), height_(height), stride_((width * 3 + 3) & ~3L)
{
    if (width <= 0 || height <= 0)
        return;
    try {
        bytes_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc &) {
        bytes_.clear();
    }
}

void DibPixels::set(long x, long y, unsigned char r, unsigned char g, unsigned char b)
{
    unsigned char *p = bytes_.data() + static_cast<size_t>(height_ - 1 - y) * stride_ + x * 3;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

HBITMAP DibPixels::makeBitmap(HDC device) const
{
    if (!valid())
        return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(device, width_, height_);
    if (!bitmap)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    if (SetDIBits(device, bitmap, 0, height_, bytes_.data(), &info, DIB_RGB_COLORS) != height_) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

bool ensureMemoryDC(HDC &memoryDC, HDC device)
{
    if (!memoryDC)
        memoryDC = CreateCompatibleDC(device);
    return memoryDC != nullptr;
}

void rememberFirstBitmap(HDC memoryDC, HBITMAP &firstBitmap, HBITMAP made)
{
    if (firstBitmap)
        return;
    if (HGDIOBJ first = SelectObject(memoryDC, made)) {
        firstBitmap = static_cast<HBITMAP>(first);
        SelectObject(memoryDC, first);
    }
}

void deleteBitmap(HDC memoryDC, HBITMAP firstBitmap, HBITMAP &slot)
{
    if (!slot)
        return;
    if (memoryDC && firstBitmap)
        SelectObject(memoryDC, firstBitmap);
    DeleteObject(slot);
    slot = nullptr;
}

void releaseMemoryDC(HDC &memoryDC, HBITMAP &firstBitmap)
{
    if (memoryDC) {
        if (firstBitmap)
            SelectObject(memoryDC, firstBitmap);
        DeleteDC(memoryDC);
    }
    memoryDC = nullptr;
    firstBitmap = nullptr;
}

} // namespace Quorvane::gdi
