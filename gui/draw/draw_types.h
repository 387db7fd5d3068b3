// The plain records of the drawing kit: rectangles, colours, font
// descriptions and the state record of the lyric line drawing.
#pragma once

#include "gui/pannikel_api.h"

#include <windows.h>

namespace Quorvane {

// A rectangle in pixels. Right and bottom are exclusive when it is filled
// or handed to GDI; the tests below say where they are inclusive.
struct PANNIKEL_API QUAD {
    long left;
    long top;
    long right;
    long bottom;

    QUAD() = default; // the fields stay unset
    constexpr QUAD(long l, long t, long r, long b) : left(l), top(t), right(r), bottom(b) {}

    void Set(long l, long t, long r, long b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetWH(long x, long y, long w, long h) { Set(x, y, x + w, y + h); }
    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    bool operator==(const QUAD &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const QUAD &o) const { return !(*this == o); }

    void Normalize();
    // Edges inclusive: rectangles that only touch intersect.
    int IsIntersect(const QUAD *other) const;
    // Edges inclusive.
    int IsPtInQuad(long x, long y) const { return left <= x && x <= right && top <= y && y <= bottom; }
    // Right and bottom exclusive.
    int IsPtInQuad1(long x, long y) const { return left <= x && x < right && top <= y && y < bottom; }
    // Clip one axis to the other rectangle; whether some of it is left.
    int ClipHorz(const QUAD *other);
    int ClipVert(const QUAD *other);
    // The next row below / the next column to the right.
    void StepDown(long h)
    {
        top = bottom;
        bottom += h;
    }
    void StepRight(long w)
    {
        left = right;
        right += w;
    }
    void OffsVert(long d)
    {
        top += d;
        bottom += d;
    }
    void OffsHorz(long d)
    {
        left += d;
        right += d;
    }
};

// A colour; alpha is kept (the colour file and images carry it) but GDI
// drawing never uses it.
struct PANNIKEL_API RGBACOLOR {
    unsigned char R;
    unsigned char G;
    unsigned char B;
    unsigned char A;

    RGBACOLOR() = default;
    constexpr RGBACOLOR(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : R(r), G(g), B(b), A(a)
    {
    }
    void Set(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
    {
        R = r;
        G = g;
        B = b;
        A = a;
    }
    COLORREF OSColor() const { return R | (G << 8) | (B << 16); }
};

// A font to make: the character height in pixels, the GDI weight and the
// face (empty: the system's default face).
struct PANNIKEL_API FONTPARAMS {
    long height;
    long weight;
    char face[32];

    // At most 31 characters of the face are kept.
    FONTPARAMS(long height, long weight, const char *face);
};

// Handed to the callback of the lyric line drawing at each syllable divider.
// The drawing writes x, line and offset; the other fields carry the
// caller's own state (pointer-sized, so they can hold a pointer).
struct PANNIKEL_API STDTCALLBACK {
    LONG_PTR user0;
    LONG_PTR x; // x where the next syllable starts
    LONG_PTR user2;
    LONG_PTR line;   // counted up at the divider that ends the line
    LONG_PTR offset; // byte offset of the next syllable, 0 at the line's end
    LONG_PTR user5;
    LONG_PTR user6;
    LONG_PTR user7;
};

typedef void (*STDTPROC)(STDTCALLBACK &record);

} // namespace Quorvane
