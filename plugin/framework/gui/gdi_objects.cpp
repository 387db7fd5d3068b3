#include "plugin/framework/gui/gdi_objects.h"

#include <cstring>

namespace Quorvane {

Pen::Pen(COLORREF colour) : handle_(CreatePen(PS_SOLID, 1, colour)) {}

Pen::~Pen()
{
    if (handle_)
        DeleteObject(handle_);
}

Pen *Pen::create(COLORREF colour)
{
    return new Pen(colour);
}

Brush::Brush(COLORREF colour) : handle_(CreateSolidBrush(colour)) {}

Brush::~Brush()
{
    if (handle_)
        DeleteObject(handle_);
}

Brush *Brush::create(COLORREF colour)
{
    return new Brush(colour);
}

Font::Font(const LOGFONTA &description) : handle_(CreateFontIndirectA(&description)) {}

Font::~Font()
{
    if (handle_)
        DeleteObject(handle_);
}

Font *Font::create(const char *face, float size, int style, int unit)
{
    LOGFONTA description{};
    if (face) {
        strncpy(description.lfFaceName, face, LF_FACESIZE - 1);
        description.lfFaceName[LF_FACESIZE - 1] = '\0';
    }
    const int whole = static_cast<int>(size);
    if (unit == kPoints) {
        HDC screen = GetDC(nullptr);
        description.lfHeight = -MulDiv(whole, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
    } else {
        description.lfHeight = -whole;
    }
    if (style != -1) {
        description.lfWeight = (style & Bold) ? FW_BOLD : FW_NORMAL;
        description.lfItalic = (style & Italic) ? TRUE : FALSE;
        description.lfUnderline = (style & Underline) ? TRUE : FALSE;
    }
    description.lfQuality = ANTIALIASED_QUALITY;
    return new Font(description);
}

Region::Region(const Rect &rect) : handle_(CreateRectRgn(rect.x, rect.y, rect.right(), rect.bottom())) {}

Region::~Region()
{
    if (handle_)
        DeleteObject(handle_);
}

void Region::subtract(const Region &other)
{
    if (!handle_ || !other.handle_ || CombineRgn(handle_, handle_, other.handle_, RGN_DIFF) == ERROR)
        error_ = true;
}

} // namespace Quorvane
