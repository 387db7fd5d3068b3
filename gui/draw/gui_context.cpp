#include "gui/draw/gui_context.h"

#include "gui/draw/gui_tables.h"

#include <algorithm>
#include <new>

namespace Quorvane {

namespace {

// GDI coordinates stay well inside what every device accepts.
constexpr long kLineLimit = 8000;

} // namespace

CGUIContext::CGUIContext(void *hdc) : hdc(static_cast<HDC>(hdc)) {}

CGUIContext::CGUIContext(const CGUIContext &other)
    : hdc(other.hdc), savedState(other.savedState), clipRegion(other.clipRegion), bitmap(other.bitmap),
      dotPen(nullptr), viewport(other.viewport), offsetX(other.offsetX), offsetY(other.offsetY),
      invert(other.invert), fontHeight(other.fontHeight), fontWidths(other.fontWidths)
{
}

CGUIContext &CGUIContext::operator=(const CGUIContext &other)
{
    if (this != &other) {
        Destroy();
        hdc = other.hdc;
        savedState = other.savedState;
        clipRegion = other.clipRegion;
        bitmap = other.bitmap;
        viewport = other.viewport;
        offsetX = other.offsetX;
        offsetY = other.offsetY;
        invert = other.invert;
        fontHeight = other.fontHeight;
        fontWidths = other.fontWidths;
    }
    return *this;
}

void CGUIContext::Destroy()
{
    if (dotPen)
        DeleteObject(dotPen);
    dotPen = nullptr;
}

void CGUIContext::InitViewport()
{
    RECT box{};
    const int kind = GetClipBox(hdc, &box);
    if (kind != ERROR && kind != NULLREGION && box.right > box.left && box.bottom > box.top) {
        viewport.Set(box.left, box.top, box.right, box.bottom);
        return;
    }
    HWND window = WindowFromDC(hdc);
    if (window && GetClientRect(window, &box))
        viewport.Set(box.left, box.top, box.right, box.bottom);
}

int CGUIContext::IsQuadInViewport(QUAD q) const
{
    return !(q.right < viewport.left || q.left > viewport.right || q.bottom < viewport.top ||
             q.top > viewport.bottom);
}

int CGUIContext::QuadToViewport(QUAD &q) const
{
    if (!QuadToViewportHorz(q))
        return 0;
    return QuadToViewportVert(q);
}

int CGUIContext::Prepare()
{
    savedState = SaveDC(hdc);
    if (!savedState)
        return 0;
    if (bitmap && !SelectObject(hdc, bitmap))
        return 0;
    SetBkMode(hdc, TRANSPARENT);
    return 1;
}

void CGUIContext::Unprepare()
{
    if (savedState)
        RestoreDC(hdc, savedState);
    savedState = 0;
}

CGUIContext *CGUIContext::TryCreateDoubleBuffer()
{
    InitViewport();
    const long width = viewport.Width();
    const long height = viewport.Height();
    if (width <= 0 || height <= 0)
        return this;
    HDC memory = CreateCompatibleDC(hdc);
    if (!memory)
        return this;
    HBITMAP offscreen = CreateCompatibleBitmap(hdc, width, height);
    CGUIContext *buffer = offscreen ? new (std::nothrow) CGUIContext(memory) : nullptr;
    if (!buffer) {
        if (offscreen)
            DeleteObject(offscreen);
        DeleteDC(memory);
        return this;
    }
    buffer->bitmap = offscreen;
    buffer->viewport = viewport;
    buffer->offsetX = -viewport.left;
    buffer->offsetY = -viewport.top;
    return buffer;
}

void CGUIContext::Flash(CGUIContext *buffer)
{
    if (!buffer || buffer == this)
        return;
    BitBlt(hdc, viewport.left, viewport.top, viewport.Width(), viewport.Height(), buffer->hdc, 0, 0, SRCCOPY);
}

void CGUIContext::TryDestroyDoubleBuffer(CGUIContext *buffer)
{
    if (!buffer || buffer == this)
        return;
    buffer->ResetDrawingQuad();
    DeleteDC(buffer->hdc); // lets go of the bitmap first
    if (buffer->bitmap)
        DeleteObject(buffer->bitmap);
    delete buffer; // and its dotted pen
}

int CGUIContext::SetDrawingQuad(QUAD q)
{
    if (!QuadToViewport(q))
        return 0;
    HRGN region =
        CreateRectRgn(q.left + offsetX, q.top + offsetY, q.right + offsetX + 1, q.bottom + offsetY + 1);
    if (!region)
        return 0;
    const int kind = SelectClipRgn(hdc, region);
    if (kind != SIMPLEREGION && kind != COMPLEXREGION) {
        DeleteObject(region);
        return 0;
    }
    // The device keeps its own copy; ours is kept until it is reset.
    if (clipRegion)
        DeleteObject(clipRegion);
    clipRegion = region;
    return 1;
}

void CGUIContext::ResetDrawingQuad()
{
    if (!clipRegion)
        return;
    SelectClipRgn(hdc, nullptr);
    DeleteObject(clipRegion);
    clipRegion = nullptr;
}

int CGUIContext::SelectPen(CGUIPen *table, long i)
{
    if (!table || !table->IsSlot(i) || !table->pens[i])
        return 0;
    return SelectObject(hdc, table->pens[i]) != nullptr;
}

int CGUIContext::SelectFont(CGUIFont *table, long i)
{
    if (!table || !table->IsSlot(i) || !table->fonts[i])
        return 0;
    table->GetFontParams(i, fontHeight, fontWidths);
    return SelectObject(hdc, table->fonts[i]) != nullptr;
}

void CGUIContext::SelectFontColor(const RGBACOLOR *colour)
{
    if (colour)
        SetTextColor(hdc, colour->OSColor());
}

void CGUIContext::SelectInvert(int on)
{
    invert = on ? 1 : 0;
    SetROP2(hdc, invert ? R2_NOT : R2_COPYPEN);
}

int CGUIContext::SelectDotFrame()
{
    if (!dotPen)
        dotPen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    if (!dotPen || !SelectObject(hdc, dotPen))
        return 0;
    SelectInvert(1);
    return 1;
}

void CGUIContext::StartLine(long x, long y)
{
    MoveToEx(hdc, std::clamp(x + offsetX, -kLineLimit, kLineLimit), y + offsetY, nullptr);
}

void CGUIContext::ContinueLine(long x, long y)
{
    LineTo(hdc, std::clamp(x + offsetX, -kLineLimit, kLineLimit), y + offsetY);
}

void CGUIContext::DrawLine(long x1, long y1, long x2, long y2)
{
    StartLine(x1, y1);
    ContinueLine(x2, y2);
}

void CGUIContext::DrawQuad(QUAD q)
{
    q.Normalize();
    const bool wide = q.right > q.left;
    const bool high = q.bottom > q.top;
    if (wide && high) {
        StartLine(q.left, q.top);
        ContinueLine(q.right, q.top);
        ContinueLine(q.right, q.bottom);
        ContinueLine(q.left, q.bottom);
        ContinueLine(q.left, q.top);
    } else if (wide) {
        DrawLine(q.left, q.top, q.right + 1, q.top);
    } else if (high) {
        DrawLine(q.left, q.top, q.left, q.bottom + 1);
    }
}

void CGUIContext::FillQuad(QUAD q, const RGBACOLOR *colour)
{
    if (q.right <= q.left || q.bottom <= q.top)
        return;
    const RECT r{q.left + offsetX, q.top + offsetY, q.right + offsetX, q.bottom + offsetY};
    if (invert) {
        PatBlt(hdc, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
        return;
    }
    if (!colour)
        return;
    // An opaque text output without text fills with the background colour.
    SetBkColor(hdc, colour->OSColor());
    ExtTextOutA(hdc, r.left, r.top, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

} // namespace Quorvane
