// The drawing context: a thin layer over a GDI device context that every
// editor window, the program's parts window and the preview synthesizer's
// editor draw through. Coordinates are given without the offset, which the
// context adds before they reach GDI.
//
// Painting with a double buffer: buffer = TryCreateDoubleBuffer(),
// buffer->Prepare(), draw in the window's own coordinates, Flash(buffer),
// buffer->Unprepare(), TryDestroyDoubleBuffer(buffer). When no buffer can
// be made the window's context itself comes back and every step still
// works, drawing straight to the device.
#pragma once

#include "gui/draw/draw_types.h"
#include "gui/pannikel_api.h"

#include <windows.h>

namespace Quorvane {

class CGUIPen;
class CGUIFont;
class CGUIImage;
class CGUIGradient;
class CText;

class PANNIKEL_API CGUIContext {
public:
    // Wraps a device context, which stays the caller's.
    explicit CGUIContext(void *hdc);
    // A copy shares the device context, region and bitmap but not the
    // dotted pen, which only its maker deletes.
    CGUIContext(const CGUIContext &other);
    CGUIContext &operator=(const CGUIContext &other);
    ~CGUIContext() { Destroy(); }

    HDC WIN32GetDC() const { return hdc; }
    QUAD *GetQuadViewPort() { return &viewport; }
    // The device's clip box, or the client area of the window that owns
    // the device context when that box is empty; unchanged when neither
    // can be had.
    void InitViewport();
    int IsQuadInViewport(QUAD q) const;
    int QuadToViewportHorz(QUAD &q) const { return q.ClipHorz(&viewport); }
    int QuadToViewportVert(QUAD &q) const { return q.ClipVert(&viewport); }
    // Whether some of the rectangle is left inside the viewport.
    int QuadToViewport(QUAD &q) const;

    // Saves the device context's state (and selects the off-screen bitmap
    // of a double buffer), text background transparent.
    int Prepare();
    void Unprepare();

    CGUIContext *TryCreateDoubleBuffer();
    void Flash(CGUIContext *buffer);
    void TryDestroyDoubleBuffer(CGUIContext *buffer);

    // Clips drawing to the rectangle, edges included.
    int SetDrawingQuad(QUAD q);
    void ResetDrawingQuad();

    int SelectPen(CGUIPen *table, long i);
    int SelectFont(CGUIFont *table, long i);
    void SelectFontColor(const RGBACOLOR *colour);
    // On: lines and fills invert what is beneath, whatever the colour.
    void SelectInvert(int on);
    // A dotted black pen in invert mode: what it draws, it erases when
    // drawn again.
    int SelectDotFrame();

    // x is kept within -8000..8000 once the offset is added.
    void StartLine(long x, long y);
    void ContinueLine(long x, long y);
    void DrawLine(long x1, long y1, long x2, long y2);
    // The outline, right and bottom edges included.
    void DrawQuad(QUAD q);
    // Right and bottom exclusive; inverts in invert mode.
    void FillQuad(QUAD q, const RGBACOLOR *colour);

    // Text; len < 0 draws up to the terminator. Nothing for a null or
    // empty text or len 0.
    void DrawTextA(long x, long y, const char *text, long len);
    // One line in q shrunk by inset; align bits 0-1: left, centre, right;
    // bits 2-3: top, centre, bottom. Measured by the selected font's
    // widths and clipped to the shrunk rectangle.
    void DrawTextA(QUAD q, unsigned long align, long inset, const char *text, long len);
    void DrawInt(QUAD q, unsigned long align, long inset, long value, const char *format);
    // digits is kept within 0..9.
    void DrawFloat(QUAD q, unsigned long align, long inset, float value, long digits);
    // A lyric line: syllables divided by byte 1, the one starting at byte
    // offset cur in colLyricCur, the rest in colLyricStd, widths by
    // ptabWidthT. At each divider the record is updated and the callback
    // (if any) called; the font selected before is selected again after it.
    void DrawTextA(long x, long y, const char *text, long len, long cur, STDTPROC callback,
                   STDTCALLBACK &record);
    // Lines of a text object on one row from (line, byte pos), a space
    // apart, up to the end or the first divider byte.
    void DrawTextA(long x, long y, CText *text, long line, long pos, const long *widths);
    // Metrics of the font now selected: ascent + descent and 256 widths.
    int GetFontParams(long *height, long *widths);

    // Band i tiled from x over width (clipped horizontally to the viewport).
    void DrawHorzGradient(CGUIGradient *table, long i, long x, long y, long width);
    // Band i tiled from y over height (clipped vertically to the viewport).
    void DrawVertGradient(CGUIGradient *table, long i, long x, long y, long height);
    // Frame of image i at (x, y); transparent pixels keep what is beneath.
    void DrawImage(CGUIImage *table, long i, long frame, long x, long y);
    void DrawDropDownMark(QUAD q, int enabled);
    void DrawUpDownMark(QUAD q, long value);

    HDC hdc;
    int savedState = 0;
    HRGN clipRegion = nullptr;
    HBITMAP bitmap = nullptr;
    HPEN dotPen = nullptr;
    QUAD viewport{0, 0, 32767, 32767};
    long offsetX = 0;
    long offsetY = 0;
    int invert = 0;
    long fontHeight = 0;
    long *fontWidths = nullptr;

protected:
    void Destroy();
    // A frame of shared image 5 at the rectangle's right edge, centred.
    void DrawMark(const QUAD *q, long frame);

private:
    // Width and height of a run in the selected font: by its width table,
    // or by GDI when no font of a table was selected.
    void MeasureRun(const char *text, long len, long &width, long &height);
};

} // namespace Quorvane
