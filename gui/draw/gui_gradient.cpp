#include "gui/draw/gdi_bitmaps.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/gui_tables.h"

#include <algorithm>

namespace Quorvane {

namespace {

// Bands are this many pixels across; painting tiles them.
constexpr long kBandTile = 16;

unsigned char clampChannel(long v)
{
    return static_cast<unsigned char>(std::clamp(v, 0L, 255L));
}

RGBACOLOR shifted(const RGBACOLOR &base, long delta)
{
    return RGBACOLOR(clampChannel(base.R + delta), clampChannel(base.G + delta), clampChannel(base.B + delta),
                     base.A);
}

// step of steps from one colour toward the other, truncated toward zero.
unsigned char channelAt(unsigned char from, unsigned char to, long step, long steps)
{
    return static_cast<unsigned char>(from + static_cast<double>(to - from) * step / steps);
}

struct Rgb {
    unsigned char r, g, b;
};

Rgb colourAt(const RGBACOLOR &from, const RGBACOLOR &to, long step, long steps)
{
    return {channelAt(from.R, to.R, step, steps), channelAt(from.G, to.G, step, steps),
            channelAt(from.B, to.B, step, steps)};
}

void fillRow(gdi::DibPixels &pixels, long y, Rgb c)
{
    for (long x = 0; x < kBandTile; ++x)
        pixels.set(x, y, c.r, c.g, c.b);
}

int storeBand(CGUIGradient &table, long i, CGUIContext *ctx, const gdi::DibPixels &pixels, long size)
{
    if (!gdi::ensureMemoryDC(table.memoryDC, ctx->WIN32GetDC()))
        return 0;
    table.bitmaps[i] = pixels.makeBitmap(ctx->WIN32GetDC());
    if (!table.bitmaps[i])
        return 0;
    gdi::rememberFirstBitmap(table.memoryDC, table.firstBitmap, table.bitmaps[i]);
    table.sizes[i] = size;
    return 1;
}

} // namespace

int CGUIGradient::Init(long n)
{
    Destroy();
    if (n < 0)
        return 0;
    if (n == 0)
        return 1;
    bitmaps = gdi::allocSlots<HBITMAP>(n);
    sizes = gdi::allocSlots<long>(n);
    if (!bitmaps || !sizes)
        return 0;
    count = n;
    return 1;
}

int CGUIGradient::SetGradient(long i, CGUIContext *ctx, long size, const RGBACOLOR *base, long delta,
                              int horizontal)
{
    if (!IsSlot(i) || !base)
        return 0;
    const RGBACOLOR light = shifted(*base, delta);
    const RGBACOLOR dark = shifted(*base, -2 * delta);
    if (!horizontal)
        return SetVertGradient(i, ctx, size, &light, &dark);
    if (size == 26)
        return SetFlatHorzGradient(i, ctx, size, base, &light, &dark);
    return SetHorzGradient(i, ctx, size, &light, &dark);
}

int CGUIGradient::SetHorzGradient(long i, CGUIContext *ctx, long height, const RGBACOLOR *from,
                                  const RGBACOLOR *to)
{
    if (!IsSlot(i))
        return 0;
    gdi::deleteBitmap(memoryDC, firstBitmap, bitmaps[i]);
    if (!ctx || !from || !to || height <= 0)
        return 0;
    gdi::DibPixels pixels(kBandTile, height);
    if (!pixels.valid())
        return 0;
    for (long y = 0; y < height; ++y)
        fillRow(pixels, y, colourAt(*from, *to, y, height));
    return storeBand(*this, i, ctx, pixels, height);
}

int CGUIGradient::SetFlatHorzGradient(long i, CGUIContext *ctx, long height, const RGBACOLOR *base,
                                      const RGBACOLOR *light, const RGBACOLOR *dark)
{
    if (!IsSlot(i))
        return 0;
    gdi::deleteBitmap(memoryDC, firstBitmap, bitmaps[i]);
    if (!ctx || !base || !light || !dark || height <= 0)
        return 0;
    gdi::DibPixels pixels(kBandTile, height);
    if (!pixels.valid())
        return 0;
    // k rows from light toward base, base, then k rows from base toward
    // dark; a band too low for all three keeps the top part whole.
    const long k = std::max(height / 5, 2L);
    const long bottomStart = std::max(height - k, k);
    for (long y = 0; y < height; ++y) {
        Rgb c;
        if (y < k)
            c = colourAt(*light, *base, y, k);
        else if (y >= bottomStart)
            c = colourAt(*base, *dark, y - bottomStart, k);
        else
            c = colourAt(*base, *base, 0, 1);
        fillRow(pixels, y, c);
    }
    return storeBand(*this, i, ctx, pixels, height);
}

int CGUIGradient::SetVertGradient(long i, CGUIContext *ctx, long width, const RGBACOLOR *from,
                                  const RGBACOLOR *to)
{
    if (!IsSlot(i))
        return 0;
    gdi::deleteBitmap(memoryDC, firstBitmap, bitmaps[i]);
    if (!ctx || !from || !to || width <= 0)
        return 0;
    gdi::DibPixels pixels(width, kBandTile);
    if (!pixels.valid())
        return 0;
    for (long x = 0; x < width; ++x) {
        const Rgb c = colourAt(*from, *to, x, width);
        for (long y = 0; y < kBandTile; ++y)
            pixels.set(x, y, c.r, c.g, c.b);
    }
    return storeBand(*this, i, ctx, pixels, width);
}

void CGUIGradient::Destroy()
{
    gdi::releaseMemoryDC(memoryDC, firstBitmap);
    for (long i = 0; i < count; ++i)
        gdi::deleteBitmap(nullptr, nullptr, bitmaps[i]);
    gdi::freeSlots(bitmaps);
    gdi::freeSlots(sizes);
    count = 0;
}

} // namespace Quorvane
