#include "gui/draw/gdi_bitmaps.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/gui_tables.h"

namespace Quorvane {

namespace {

constexpr long kDividerChar = 1;
constexpr long kDividerMinWidth = 2;
constexpr long kDividerWidth = 6;

} // namespace

int CGUIFont::Init(long n)
{
    Destroy();
    if (n < 0)
        return 0;
    if (n == 0)
        return 1;
    fonts = gdi::allocSlots<HFONT>(n);
    heights = gdi::allocSlots<long>(n);
    widths = gdi::allocSlots<long>(n * 256);
    if (!fonts || !heights || !widths)
        return 0;
    count = n;
    return 1;
}

int CGUIFont::SetFont(long i, CGUIContext *ctx, const FONTPARAMS *params)
{
    if (!IsSlot(i))
        return 0;
    if (fonts[i])
        DeleteObject(fonts[i]);
    fonts[i] = nullptr;
    if (!ctx || !params)
        return 0;
    fonts[i] = CreateFontA(-params->height, 0, 0, 0, params->weight, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                           params->face);
    long *fontWidths = widths + i * 256;
    int ok = fonts[i] != nullptr;
    if (ok) {
        // Measured on a saved state of its own, so a context the caller has
        // prepared keeps its state.
        HDC dc = ctx->WIN32GetDC();
        int saved = SaveDC(dc);
        ok = saved != 0 && SelectObject(dc, fonts[i]) != nullptr &&
             ctx->GetFontParams(&heights[i], fontWidths);
        if (saved)
            RestoreDC(dc, saved);
    }
    if (fontWidths[kDividerChar] < kDividerMinWidth)
        fontWidths[kDividerChar] = kDividerWidth;
    return ok;
}

void CGUIFont::GetFontParams(long i, long &height, long *&fontWidths) const
{
    if (!IsSlot(i))
        return;
    height = heights[i];
    fontWidths = widths + i * 256;
}

void CGUIFont::Destroy()
{
    for (long i = 0; i < count; ++i) {
        if (fonts[i])
            DeleteObject(fonts[i]);
    }
    gdi::freeSlots(fonts);
    gdi::freeSlots(heights);
    gdi::freeSlots(widths);
    count = 0;
}

} // namespace Quorvane
