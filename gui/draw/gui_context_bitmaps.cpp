// Pre-rendered bitmaps onto the drawing context: gradient bands, images
// with transparency and the small marks of drop-down and up/down cells.
#include "gui/draw/gui_context.h"

#include "gui/draw/gui_tables.h"
#include "gui/draw/shared_objects.h"

#include <algorithm>

namespace Quorvane {

namespace {

constexpr long kBandTile = 16;
constexpr long kMarkImage = 5;
constexpr long kMarkDropDown = 0;
constexpr long kMarkDropDownDisabled = 1;
constexpr long kMarkUpDown = 2;
constexpr long kMarkUpDownDisabled = 3;

// Slot i must be in the table.
bool selectBand(CGUIGradient *table, long i)
{
    return table->bitmaps[i] && table->memoryDC && SelectObject(table->memoryDC, table->bitmaps[i]);
}

} // namespace

void CGUIContext::DrawHorzGradient(CGUIGradient *table, long i, long x, long y, long width)
{
    if (!table || !table->IsSlot(i))
        return;
    const long height = table->sizes[i];
    QUAD band(x, y, x + width, y + height);
    if (!IsQuadInViewport(band) || !QuadToViewportHorz(band) || !selectBand(table, i))
        return;
    for (long left = band.left; left < band.right; left += kBandTile) {
        BitBlt(hdc, left + offsetX, y + offsetY, std::min(kBandTile, band.right - left), height,
               table->memoryDC, 0, 0, SRCCOPY);
    }
}

void CGUIContext::DrawVertGradient(CGUIGradient *table, long i, long x, long y, long height)
{
    if (!table || !table->IsSlot(i))
        return;
    const long width = table->sizes[i];
    QUAD band(x, y, x + width, y + height);
    if (!IsQuadInViewport(band) || !QuadToViewportVert(band) || !selectBand(table, i))
        return;
    for (long top = band.top; top < band.bottom; top += kBandTile) {
        BitBlt(hdc, x + offsetX, top + offsetY, width, std::min(kBandTile, band.bottom - top),
               table->memoryDC, 0, 0, SRCCOPY);
    }
}

void CGUIContext::DrawImage(CGUIImage *table, long i, long frame, long x, long y)
{
    if (!table || !table->IsSlot(i) || !table->memoryDC)
        return;
    const long width = table->widths[i];
    const long height = table->heights[i];
    // The mask clears the opaque pixels, the colour bitmap (black where
    // transparent) then fills them in.
    if (table->masks[i] && SelectObject(table->memoryDC, table->masks[i]))
        BitBlt(hdc, x + offsetX, y + offsetY, width, height, table->memoryDC, 0, frame * height, SRCAND);
    if (table->colours[i] && SelectObject(table->memoryDC, table->colours[i]))
        BitBlt(hdc, x + offsetX, y + offsetY, width, height, table->memoryDC, 0, frame * height, SRCPAINT);
}

void CGUIContext::DrawMark(const QUAD *q, long frame)
{
    if (!sharedImage.IsSlot(kMarkImage))
        return;
    const long width = sharedImage.widths[kMarkImage];
    const long height = sharedImage.heights[kMarkImage];
    if (q->Width() < width + 2)
        return;
    DrawImage(&sharedImage, kMarkImage, frame, q->right - width, (q->top + q->bottom - height) / 2);
}

void CGUIContext::DrawDropDownMark(QUAD q, int enabled)
{
    DrawMark(&q, enabled ? kMarkDropDown : kMarkDropDownDisabled);
}

void CGUIContext::DrawUpDownMark(QUAD q, long value)
{
    DrawMark(&q, value > 0 ? kMarkUpDown : kMarkUpDownDisabled);
}

} // namespace Quorvane
