// Every drawing of the pane toolkit goes through a GraphicsContext: a thin
// owner of a device context's current pen, brush and font (counted objects
// kept selected until the context ends), a draw mode that chooses the line
// and bitmap raster operations, and a memory DC made on demand for bitmap
// copies. The wrapped device context is not released by the context; the
// objects it held are selected back when the context ends, so that the
// context's own can be deleted.
#pragma once

#include "plugin/framework/gui/bitmaps.h"
#include "plugin/framework/gui/gdi_objects.h"
#include "plugin/framework/gui/geometry.h"

#include <windows.h>

namespace Quorvane {

class GraphicsContext {
public:
    explicit GraphicsContext(HDC dc);
    virtual ~GraphicsContext();
    GraphicsContext(const GraphicsContext &) = delete;
    GraphicsContext &operator=(const GraphicsContext &) = delete;

    HDC dc() const { return dc_; }

    // Each keeps the new object and selects it (when not null); returns the
    // previous one, whose reference goes to the caller.
    RefPtr<Pen> setPen(Pen *pen);
    RefPtr<Brush> setBrush(Brush *brush);
    RefPtr<Font> setFont(Font *font);
    Pen *pen() const { return pen_.get(); }
    Brush *brush() const { return brush_.get(); }
    Font *font() const { return font_.get(); }

    // A memory DC compatible with the wrapped one, made on the first call.
    HDC getMemoryDC();

    void drawBitmap(const Rect &rect, Bitmap *bitmap);
    void drawBitmapAt(Point at, Bitmap *bitmap);
    void drawBitmapPart(Point at, const Rect &source, Bitmap *bitmap);

    void drawLine(Point a, Point b);
    void drawLineInColor(Point a, Point b, COLORREF colour);
    void drawLineWithPen(Point a, Point b, Pen *pen);

    void frameRect(const Rect &rect);
    void frameRectWithPen(const Rect &rect, Pen *pen);
    void frameRectInColor(const Rect &rect, COLORREF colour);

    void drawPolygonOutline(const POINT *points, int count);
    void drawPolygonOutlineWithPen(const POINT *points, int count, Pen *pen);
    void fillPolygon(const POINT *points, int count);
    void fillPolygonWithBrush(const POINT *points, int count, Brush *brush);

    // With the brush currently selected in the DC.
    void fillRect(const Rect &rect);
    void fillRectInColor(const Rect &rect, COLORREF colour);
    void fillRectWithBrush(const Rect &rect, Brush *brush);

    // A negative length draws the whole zero-ended text.
    void textOut(Point at, const char *text, int length);
    void textOutWithFont(Point at, const char *text, int length, Font *font);
    // DrawText always adds DT_NOPREFIX: an ampersand is drawn as it is.
    void drawText(const char *text, const Rect &rect, UINT format);
    void drawTextWithFont(const char *text, const Rect &rect, Font *font, UINT format);
    void drawTextPart(const Rect &rect, const char *text, int length, UINT format);
    void drawTextPartWithFont(const Rect &rect, const char *text, int length, Font *font, UINT format);
    // The size of one line of text, from an empty rectangle at (0, 0).
    Rect measureText(const char *text, UINT format);

    COLORREF getTextColor() const;
    COLORREF setTextColor(COLORREF colour);

    int getDrawMode() const { return drawMode_; }
    // 0 copy, 1 merge, 2 mask, 3 XOR; another value is stored but draws as
    // copy.
    void setDrawMode(int mode);

    // (0, 0) when it cannot be read.
    Point getViewportOrigin() const;
    void setViewportOrigin(int x, int y);
    // Sets the origin and returns the old one.
    Point pushViewportOrigin(Point origin);

    bool isRectVisible(const Rect &rect) const;
    // Copies the clip region into region's handle.
    int getClipRegion(Region &region) const;
    void setClipRegion(const Region &region);
    void intersectClipRect(const Rect &rect);
    void excludeClipRect(const Rect &rect);

protected:
    // Selects back the objects the device context held before this context
    // selected its own.
    void restoreObjects();

private:
    RefPtr<Pen> pen_;
    RefPtr<Brush> brush_;
    RefPtr<Font> font_;
    int drawMode_ = 0;
    HDC dc_;
    HGDIOBJ originalPen_ = nullptr;
    HGDIOBJ originalBrush_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    HDC memoryDC_ = nullptr;
};

// A one-pixel frame on rect: the ring in bottomRight, then its top and left
// edges in topLeft.
void drawFrame3d(HDC dc, const RECT &rect, COLORREF topLeft, COLORREF bottomRight);

} // namespace Quorvane
