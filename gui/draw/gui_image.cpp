#include "gui/draw/gdi_bitmaps.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/gui_tables.h"

namespace Quorvane {

int CGUIImage::Init(long n)
{
    Destroy();
    if (n < 0)
        return 0;
    if (n == 0)
        return 1;
    colours = gdi::allocSlots<HBITMAP>(n);
    masks = gdi::allocSlots<HBITMAP>(n);
    widths = gdi::allocSlots<long>(n);
    heights = gdi::allocSlots<long>(n);
    if (!colours || !masks || !widths || !heights)
        return 0;
    count = n;
    return 1;
}

int CGUIImage::SetImage(long i, CGUIContext *ctx, long frames, long width, long height,
                        const unsigned char *pixels)
{
    if (!IsSlot(i))
        return 0;
    widths[i] = width;
    heights[i] = height;
    gdi::deleteBitmap(memoryDC, firstBitmap, colours[i]);
    gdi::deleteBitmap(memoryDC, firstBitmap, masks[i]);
    if (!ctx || !pixels || frames <= 0 || width <= 0 || height <= 0)
        return 0;
    if (!gdi::ensureMemoryDC(memoryDC, ctx->WIN32GetDC()))
        return 0;

    const long rows = frames * height;
    gdi::DibPixels colour(width, rows);
    gdi::DibPixels mask(width, rows);
    if (!colour.valid() || !mask.valid())
        return 0;
    const unsigned char *p = pixels;
    for (long y = 0; y < rows; ++y) {
        for (long x = 0; x < width; ++x, p += 4) {
            const bool opaque = p[3] != 0;
            if (opaque)
                colour.set(x, y, p[0], p[1], p[2]);
            // Black lets the colour through, white keeps the background.
            const unsigned char m = opaque ? 0 : 255;
            mask.set(x, y, m, m, m);
        }
    }
    colours[i] = colour.makeBitmap(ctx->WIN32GetDC());
    masks[i] = mask.makeBitmap(ctx->WIN32GetDC());
    if (!colours[i] || !masks[i]) {
        gdi::deleteBitmap(memoryDC, firstBitmap, colours[i]);
        gdi::deleteBitmap(memoryDC, firstBitmap, masks[i]);
        return 0;
    }
    gdi::rememberFirstBitmap(memoryDC, firstBitmap, colours[i]);
    return 1;
}

void CGUIImage::GetImageSize(long i, long &width, long &height) const
{
    if (!IsSlot(i))
        return;
    width = widths[i];
    height = heights[i];
}

void CGUIImage::Destroy()
{
    gdi::releaseMemoryDC(memoryDC, firstBitmap);
    for (long i = 0; i < count; ++i) {
        gdi::deleteBitmap(nullptr, nullptr, colours[i]);
        gdi::deleteBitmap(nullptr, nullptr, masks[i]);
    }
    gdi::freeSlots(colours);
    gdi::freeSlots(masks);
    gdi::freeSlots(widths);
    gdi::freeSlots(heights);
    count = 0;
}

} // namespace Quorvane
