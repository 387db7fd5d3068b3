// Tables of GDI objects made once and then only selected or copied while
// painting: pens, fonts with their metrics, multi-frame images with
// transparency, and pre-rendered colour bands. A table is sized by Init and
// filled slot by slot; each Set call makes its objects compatible with the
// device of the context it is given. A Set call for a slot outside the
// table returns 0 and changes nothing; a failed one leaves the slot empty,
// and drawing an empty slot draws nothing.
//
// A table owns its handles, so it cannot be copied: a copy would delete
// them a second time when it goes.
#pragma once

#include "gui/draw/draw_types.h"
#include "gui/pannikel_api.h"

#include <windows.h>

namespace Quorvane {

class CGUIContext;

class PANNIKEL_API CGUIPen {
public:
    CGUIPen() = default;
    CGUIPen(const CGUIPen &) = delete;
    CGUIPen &operator=(const CGUIPen &) = delete;
    ~CGUIPen() { Destroy(); }

    // Empties the table, then makes n empty slots; 0 when memory runs out.
    int Init(long n);
    // A solid pen of width 1 in the colour.
    int SetPen(long i, CGUIContext *ctx, const RGBACOLOR *colour);
    int IsSlot(long i) const { return i >= 0 && i < count; }

    HPEN *pens = nullptr;
    long count = 0;

protected:
    void Destroy();
};

class PANNIKEL_API CGUIFont {
public:
    CGUIFont() = default;
    CGUIFont(const CGUIFont &) = delete;
    CGUIFont &operator=(const CGUIFont &) = delete;
    ~CGUIFont() { Destroy(); }

    int Init(long n);
    // Makes the font and measures its height and its 256 character widths.
    // Character 1 (the syllable divider of lyrics) keeps a visible width: 6
    // when the font gives it less than 2.
    int SetFont(long i, CGUIContext *ctx, const FONTPARAMS *params);
    // Font i's height and width table; nothing for a slot outside the table.
    void GetFontParams(long i, long &height, long *&widths) const;
    int IsSlot(long i) const { return i >= 0 && i < count; }

    HFONT *fonts = nullptr;
    long count = 0;
    long *heights = nullptr;
    long *widths = nullptr; // 256 per font; font i's from entry i * 256

protected:
    void Destroy();
};

// Image pixels in the GUIIMAGE layout: frame count, width and height (one
// byte each), then the frames one after another, rows top to bottom, each
// pixel R, G, B, A. A = 0 is transparent, any other A opaque.
class PANNIKEL_API CGUIImage {
public:
    CGUIImage() = default;
    CGUIImage(const CGUIImage &) = delete;
    CGUIImage &operator=(const CGUIImage &) = delete;
    ~CGUIImage() { Destroy(); }

    int Init(long n);
    // Builds the colour and the mask bitmap of frames stacked top to bottom
    // from frames * height rows of width RGBA pixels.
    int SetImage(long i, CGUIContext *ctx, long frames, long width, long height, const unsigned char *pixels);
    // The size of one frame; nothing for a slot outside the table.
    void GetImageSize(long i, long &width, long &height) const;
    int IsSlot(long i) const { return i >= 0 && i < count; }

    HBITMAP *colours = nullptr; // each opaque pixel's colour, black where transparent
    HBITMAP *masks = nullptr;   // black where opaque, white where transparent
    HDC memoryDC = nullptr;
    HBITMAP firstBitmap = nullptr; // what memoryDC held when it was made
    long count = 0;
    long *widths = nullptr;
    long *heights = nullptr;

protected:
    void Destroy();
};

class PANNIKEL_API CGUIGradient {
public:
    CGUIGradient() = default;
    CGUIGradient(const CGUIGradient &) = delete;
    CGUIGradient &operator=(const CGUIGradient &) = delete;
    ~CGUIGradient() { Destroy(); }

    int Init(long n);
    // light = base + delta, dark = base - 2 * delta (each channel kept in
    // 0..255). Horizontal bands of height 26 get the flat profile, other
    // horizontal ones run light to dark, vertical ones light to dark too.
    int SetGradient(long i, CGUIContext *ctx, long size, const RGBACOLOR *base, long delta, int horizontal);
    // A band 16 wide and height high running from one colour to the other.
    int SetHorzGradient(long i, CGUIContext *ctx, long height, const RGBACOLOR *from, const RGBACOLOR *to);
    // A band 16 wide: light to base, base, then base to dark.
    int SetFlatHorzGradient(long i, CGUIContext *ctx, long height, const RGBACOLOR *base,
                            const RGBACOLOR *light, const RGBACOLOR *dark);
    // A band width wide and 16 high running from left to right.
    int SetVertGradient(long i, CGUIContext *ctx, long width, const RGBACOLOR *from, const RGBACOLOR *to);
    int IsSlot(long i) const { return i >= 0 && i < count; }

    HBITMAP *bitmaps = nullptr;
    HDC memoryDC = nullptr;
    HBITMAP firstBitmap = nullptr;
    long count = 0;
    long *sizes = nullptr; // a horizontal band's height, a vertical one's width

protected:
    void Destroy();
};

} // namespace Quorvane
