#include "plugin/framework/gui/graphics_context.h"

#include <cstring>

namespace Quorvane {

namespace {

int ropOfMode(int mode)
{
    switch (mode) {
    case 1:
        return R2_MERGEPEN;
    case 2:
        return R2_MASKPEN;
    case 3:
        return R2_XORPEN;
    default:
        return R2_COPYPEN;
    }
}

int lengthOf(const char *text, int length)
{
    if (!text)
        return 0;
    return length < 0 ? static_cast<int>(strlen(text)) : length;
}

// Selects a GDI object for one call and puts the old one back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected()
    {
        if (old_)
            SelectObject(dc_, old_);
    }
    Selected(const Selected &) = delete;
    Selected &operator=(const Selected &) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace

GraphicsContext::GraphicsContext(HDC dc) : dc_(dc)
{
    SetBkMode(dc_, TRANSPARENT);
}

GraphicsContext::~GraphicsContext()
{
    restoreObjects();
    if (memoryDC_)
        DeleteDC(memoryDC_);
}

void GraphicsContext::restoreObjects()
{
    for (HGDIOBJ *original : {&originalFont_, &originalBrush_, &originalPen_}) {
        if (*original)
            SelectObject(dc_, *original);
        *original = nullptr;
    }
}

RefPtr<Pen> GraphicsContext::setPen(Pen *pen)
{
    RefPtr<Pen> old = std::move(pen_);
    pen_ = RefPtr<Pen>(pen);
    if (pen) {
        HGDIOBJ previous = SelectObject(dc_, pen->handle());
        if (!originalPen_)
            originalPen_ = previous;
    }
    return old;
}

RefPtr<Brush> GraphicsContext::setBrush(Brush *brush)
{
    RefPtr<Brush> old = std::move(brush_);
    brush_ = RefPtr<Brush>(brush);
    if (brush) {
        HGDIOBJ previous = SelectObject(dc_, brush->handle());
        if (!originalBrush_)
            originalBrush_ = previous;
    }
    return old;
}

RefPtr<Font> GraphicsContext::setFont(Font *font)
{
    RefPtr<Font> old = std::move(font_);
    font_ = RefPtr<Font>(font);
    if (font) {
        HGDIOBJ previous = SelectObject(dc_, font->handle());
        if (!originalFont_)
            originalFont_ = previous;
    }
    return old;
}

HDC GraphicsContext::getMemoryDC()
{
    if (!memoryDC_)
        memoryDC_ = CreateCompatibleDC(dc_);
    return memoryDC_;
}

void GraphicsContext::drawBitmap(const Rect &rect, Bitmap *bitmap)
{
    drawBitmapAt(rect.topLeft(), bitmap);
}

void GraphicsContext::drawBitmapAt(Point at, Bitmap *bitmap)
{
    if (bitmap)
        bitmap->draw(*this, at, {0, 0, bitmap->width(), bitmap->height()}, drawMode_);
}

void GraphicsContext::drawBitmapPart(Point at, const Rect &source, Bitmap *bitmap)
{
    if (bitmap)
        bitmap->draw(*this, at, source, drawMode_);
}

void GraphicsContext::drawLine(Point a, Point b)
{
    const POINT points[2] = {{a.x, a.y}, {b.x, b.y}};
    Polyline(dc_, points, 2);
}

void GraphicsContext::drawLineInColor(Point a, Point b, COLORREF colour)
{
    RefPtr<Pen> pen = RefPtr<Pen>::adopt(Pen::create(colour));
    drawLineWithPen(a, b, pen.get());
}

void GraphicsContext::drawLineWithPen(Point a, Point b, Pen *pen)
{
    Selected selected(dc_, pen ? pen->handle() : nullptr);
    drawLine(a, b);
}

void GraphicsContext::frameRect(const Rect &rect)
{
    Selected brush(dc_, GetStockObject(NULL_BRUSH));
    Rectangle(dc_, rect.x, rect.y, rect.right(), rect.bottom());
}

void GraphicsContext::frameRectWithPen(const Rect &rect, Pen *pen)
{
    Selected selected(dc_, pen ? pen->handle() : nullptr);
    frameRect(rect);
}

void GraphicsContext::frameRectInColor(const Rect &rect, COLORREF colour)
{
    RefPtr<Pen> pen = RefPtr<Pen>::adopt(Pen::create(colour));
    frameRectWithPen(rect, pen.get());
}

void GraphicsContext::drawPolygonOutline(const POINT *points, int count)
{
    Selected brush(dc_, GetStockObject(NULL_BRUSH));
    Polygon(dc_, points, count);
}

void GraphicsContext::drawPolygonOutlineWithPen(const POINT *points, int count, Pen *pen)
{
    Selected selected(dc_, pen ? pen->handle() : nullptr);
    drawPolygonOutline(points, count);
}

void GraphicsContext::fillPolygon(const POINT *points, int count)
{
    Selected pen(dc_, GetStockObject(NULL_PEN));
    Polygon(dc_, points, count);
}

void GraphicsContext::fillPolygonWithBrush(const POINT *points, int count, Brush *brush)
{
    Selected selected(dc_, brush ? brush->handle() : nullptr);
    fillPolygon(points, count);
}

void GraphicsContext::fillRect(const Rect &rect)
{
    const RECT r = rect.toRECT();
    FillRect(dc_, &r, static_cast<HBRUSH>(GetCurrentObject(dc_, OBJ_BRUSH)));
}

void GraphicsContext::fillRectInColor(const Rect &rect, COLORREF colour)
{
    RefPtr<Brush> brush = RefPtr<Brush>::adopt(Brush::create(colour));
    fillRectWithBrush(rect, brush.get());
}

void GraphicsContext::fillRectWithBrush(const Rect &rect, Brush *brush)
{
    if (!brush)
        return;
    const RECT r = rect.toRECT();
    FillRect(dc_, &r, brush->handle());
}

void GraphicsContext::textOut(Point at, const char *text, int length)
{
    const int old = SetBkMode(dc_, TRANSPARENT);
    TextOutA(dc_, at.x, at.y, text ? text : "", lengthOf(text, length));
    SetBkMode(dc_, old);
}

void GraphicsContext::textOutWithFont(Point at, const char *text, int length, Font *font)
{
    Selected selected(dc_, font ? font->handle() : nullptr);
    textOut(at, text, length);
}

void GraphicsContext::drawText(const char *text, const Rect &rect, UINT format)
{
    drawTextPart(rect, text, -1, format);
}

void GraphicsContext::drawTextWithFont(const char *text, const Rect &rect, Font *font, UINT format)
{
    drawTextPartWithFont(rect, text, -1, font, format);
}

void GraphicsContext::drawTextPart(const Rect &rect, const char *text, int length, UINT format)
{
    RECT r = rect.toRECT();
    DrawTextA(dc_, text ? text : "", lengthOf(text, length), &r, format | DT_NOPREFIX);
}

void GraphicsContext::drawTextPartWithFont(const Rect &rect, const char *text, int length, Font *font,
                                           UINT format)
{
    Selected selected(dc_, font ? font->handle() : nullptr);
    drawTextPart(rect, text, length, format);
}

Rect GraphicsContext::measureText(const char *text, UINT format)
{
    RECT r{0, 0, 0, 0};
    DrawTextA(dc_, text ? text : "", -1, &r, format | DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    return Rect::fromRECT(r);
}

COLORREF GraphicsContext::getTextColor() const
{
    return GetTextColor(dc_);
}

COLORREF GraphicsContext::setTextColor(COLORREF colour)
{
    return SetTextColor(dc_, colour);
}

void GraphicsContext::setDrawMode(int mode)
{
    drawMode_ = mode;
    SetROP2(dc_, ropOfMode(mode));
}

Point GraphicsContext::getViewportOrigin() const
{
    POINT origin{};
    if (!GetViewportOrgEx(dc_, &origin))
        return {};
    return {origin.x, origin.y};
}

void GraphicsContext::setViewportOrigin(int x, int y)
{
    SetViewportOrgEx(dc_, x, y, nullptr);
}

Point GraphicsContext::pushViewportOrigin(Point origin)
{
    const Point old = getViewportOrigin();
    setViewportOrigin(origin.x, origin.y);
    return old;
}

bool GraphicsContext::isRectVisible(const Rect &rect) const
{
    const RECT r = rect.toRECT();
    return RectVisible(dc_, &r) != FALSE;
}

int GraphicsContext::getClipRegion(Region &region) const
{
    return GetClipRgn(dc_, region.handle());
}

void GraphicsContext::setClipRegion(const Region &region)
{
    SelectClipRgn(dc_, region.handle());
}

void GraphicsContext::intersectClipRect(const Rect &rect)
{
    IntersectClipRect(dc_, rect.x, rect.y, rect.right(), rect.bottom());
}

void GraphicsContext::excludeClipRect(const Rect &rect)
{
    ExcludeClipRect(dc_, rect.x, rect.y, rect.right(), rect.bottom());
}

void drawFrame3d(HDC dc, const RECT &rect, COLORREF topLeft, COLORREF bottomRight)
{
    HBRUSH ring = CreateSolidBrush(bottomRight);
    const RECT edges[4] = {{rect.left, rect.top, rect.right, rect.top + 1},
                           {rect.left, rect.bottom - 1, rect.right, rect.bottom},
                           {rect.left, rect.top, rect.left + 1, rect.bottom},
                           {rect.right - 1, rect.top, rect.right, rect.bottom}};
    for (const RECT &edge : edges)
        FillRect(dc, &edge, ring);
    DeleteObject(ring);
    HBRUSH light = CreateSolidBrush(topLeft);
    const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    FillRect(dc, &top, light);
    FillRect(dc, &left, light);
    DeleteObject(light);
}

} // namespace Quorvane
