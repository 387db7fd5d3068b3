#include "plugin/framework/gui/bitmaps.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/plugin/com_object.h"

#include <cstring>
#include <vector>

namespace Quorvane {

DWORD rasterOperationOfMode(int mode)
{
    switch (mode) {
    case 1:
        return SRCPAINT;
    case 2:
        return SRCAND;
    case 3:
        return SRCINVERT;
    default:
        return SRCCOPY;
    }
}

Resource::Resource(HMODULE module, LPCSTR name, LPCSTR type)
{
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return;
    data_ = LockResource(loaded);
    size_ = data_ ? SizeofResource(module, found) : 0;
}

OpaqueBitmap::OpaqueBitmap(HBITMAP handle) : handle_(handle)
{
    BITMAP description{};
    if (handle_ && GetObjectA(handle_, sizeof(description), &description)) {
        width_ = description.bmWidth;
        height_ = description.bmHeight;
    }
}

OpaqueBitmap::~OpaqueBitmap()
{
    if (handle_)
        DeleteObject(handle_);
}

OpaqueBitmap *OpaqueBitmap::load(LPCSTR resourceName)
{
    HBITMAP handle = LoadBitmapA(com::thisModule(), resourceName);
    OpaqueBitmap *bitmap = new OpaqueBitmap(handle);
    if (!bitmap && handle)
        DeleteObject(handle);
    return bitmap;
}

namespace {

// Where a packed DIB's parts lie, checked against the bytes it has.
struct DibLayout {
    size_t headerBytes = 0; // header, colour masks and colour table
    size_t tableOffset = 0;
    size_t colourCount = 0;
    size_t pixelBytes = 0;
};

bool layoutOf(const uint8_t *bytes, size_t available, DibLayout &layout)
{
    BITMAPINFOHEADER header;
    if (available < sizeof(header))
        return false;
    memcpy(&header, bytes, sizeof(header));
    if (header.biSize < sizeof(header) || header.biSize > available)
        return false;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1)
        return false;
    const unsigned bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)
        return false;

    // Only palettised bitmaps have a table by default; deeper ones carry
    // one only when the header counts its entries.
    size_t colours = header.biClrUsed;
    if (colours == 0 && bits <= 8)
        colours = size_t{1} << bits;
    if (bits <= 8 && colours > (size_t{1} << bits))
        return false;
    size_t masks = 0;
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER))
        masks = 3 * sizeof(DWORD);

    const uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    const uint64_t stride =
        (static_cast<uint64_t>(bits) * static_cast<uint64_t>(header.biWidth) + 31) / 32 * 4;
    const uint64_t pixels = stride * rows;

    layout.tableOffset = header.biSize + masks;
    layout.colourCount = colours;
    const uint64_t headerBytes =
        static_cast<uint64_t>(layout.tableOffset) + 4 * static_cast<uint64_t>(colours);
    if (headerBytes > available || pixels > available - headerBytes)
        return false;
    layout.headerBytes = static_cast<size_t>(headerBytes);
    layout.pixelBytes = static_cast<size_t>(pixels);
    return true;
}

void applyColourMap(uint8_t *table, size_t count, const ColourMapEntry *map, int mapCount)
{
    for (int m = 0; m < mapCount; ++m) {
        for (size_t i = 0; i < count; ++i) {
            RGBQUAD &entry = reinterpret_cast<RGBQUAD *>(table)[i];
            if (RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue) == map[m].colour) {
                entry.rgbRed = map[m].red;
                entry.rgbGreen = map[m].green;
                entry.rgbBlue = map[m].blue;
            }
        }
    }
}

} // namespace

OpaqueBitmap *OpaqueBitmap::loadMapped(LPCSTR resourceName, const ColourMapEntry *map, int count)
{
    BitmapResource resource(com::thisModule(), resourceName);
    if (!resource.data())
        return nullptr;
    const auto *bytes = static_cast<const uint8_t *>(resource.data());
    DibLayout layout;
    if (!layoutOf(bytes, resource.size(), layout))
        return nullptr;

    std::vector<uint8_t> info(bytes, bytes + layout.headerBytes);
    if (map && count > 0)
        applyColourMap(info.data() + layout.tableOffset, layout.colourCount, map, count);

    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP section = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO *>(info.data()),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!section)
        return nullptr;
    if (bits)
        memcpy(bits, bytes + layout.headerBytes, layout.pixelBytes);
    GdiFlush();
    OpaqueBitmap *bitmap = new OpaqueBitmap(section);
    if (!bitmap)
        DeleteObject(section);
    return bitmap;
}

void OpaqueBitmap::draw(GraphicsContext &gc, Point at, const Rect &source, int mode)
{
    if (!handle_)
        return;
    HDC memory = gc.getMemoryDC();
    if (!memory)
        return;
    HGDIOBJ old = SelectObject(memory, handle_);
    BitBlt(gc.dc(), at.x, at.y, source.width, source.height, memory, source.x, source.y,
           rasterOperationOfMode(mode));
    SelectObject(memory, old);
}

void Picture::setBitmaps(Bitmap *image, Bitmap *mask)
{
    image_ = RefPtr<Bitmap>(image);
    mask_ = RefPtr<Bitmap>(mask);
    if (image) {
        width_ = image->width();
        height_ = image->height();
    }
    bitmapsChanged();
}

PicturePainter::PicturePainter(const Picture &picture, GraphicsContext &gc)
    : picture_(picture), gc_(gc), image_(picture.image()), mask_(picture.mask())
{
}

void PicturePainter::drawCentered(int x, int y, int column, int row)
{
    const int w = picture_.width();
    const int h = picture_.height();
    const Point at{x - w / 2, y - h / 2};
    if (mask_)
        mask_->draw(gc_, at, {0, 0, w, h}, 2);
    if (image_)
        image_->draw(gc_, at, {w * column, h * row, w, h}, 1);
}

} // namespace Quorvane
