// What the image and gradient tables share: a 24-bit device-independent
// pixel buffer turned into a device-compatible bitmap, and the memory
// device context each table copies its bitmaps from.
#pragma once

#include <windows.h>

#include <vector>

namespace Quorvane::gdi {

// Bottom-up rows of blue, green, red bytes, each row padded to 4 bytes.
class DibPixels {
public:
    // Empty (valid() false) when memory runs out.
    DibPixels(long width, long height);
    bool valid() const { return !bytes_.empty(); }
    // y counts from the top row.
    void set(long x, long y, unsigned char r, unsigned char g, unsigned char b);
    // A bitmap compatible with the device holding these pixels; null on failure.
    HBITMAP makeBitmap(HDC device) const;

private:
    long width_;
    long height_;
    long stride_;
    std::vector<unsigned char> bytes_;
};

// Makes memoryDC compatible with the device when there is none yet.
bool ensureMemoryDC(HDC &memoryDC, HDC device);
// Records, on the first bitmap made, the bitmap memoryDC held at first.
void rememberFirstBitmap(HDC memoryDC, HBITMAP &firstBitmap, HBITMAP made);
// Deletes a slot's bitmap; the memory context lets go of it first.
void deleteBitmap(HDC memoryDC, HBITMAP firstBitmap, HBITMAP &slot);
// Puts the first bitmap back and deletes the memory context.
void releaseMemoryDC(HDC &memoryDC, HBITMAP &firstBitmap);

// Slot arrays of a table: zeroed, freed with free.
template <typename T> T *allocSlots(long n)
{
    return static_cast<T *>(calloc(static_cast<size_t>(n), sizeof(T)));
}
template <typename T> void freeSlots(T *&slots)
{
    free(slots);
    slots = nullptr;
}

} // namespace Quorvane::gdi
