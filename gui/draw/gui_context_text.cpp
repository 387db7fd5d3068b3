// Text output of the drawing context. Texts are measured with the width
// tables of the fonts, never by asking GDI while painting.
#include "gui/draw/gui_context.h"

#include "data/lyrics_text.h"
#include "data/strings.h"
#include "data/text_widths.h"
#include "gui/draw/shared_objects.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

constexpr unsigned long kAlignCentre = 1;
constexpr unsigned long kAlignEnd = 2;
constexpr char kSyllableDivider = 1;

// Rewritten by every DrawFloat, so DrawFloat is not re-entrant.
char floatFormat[] = "%.Xf";

long runLength(const char *text, long len)
{
    return len < 0 ? static_cast<long>(std::strlen(text)) : len;
}

// Where a run of the given size starts in a span: at its start, centred,
// or ending at its end.
long alignedStart(unsigned long align, long start, long end, long size)
{
    switch (align & 3) {
    case kAlignCentre:
        return start + (end - start - size) / 2;
    case kAlignEnd:
        return end - size;
    default:
        return start;
    }
}

} // namespace

void CGUIContext::MeasureRun(const char *text, long len, long &width, long &height)
{
    if (fontWidths) {
        width = TextWidth(text, len, fontWidths);
        height = fontHeight;
        return;
    }
    SIZE size{};
    GetTextExtentPoint32A(hdc, text, len, &size);
    width = size.cx;
    height = size.cy;
}

void CGUIContext::DrawTextA(long x, long y, const char *text, long len)
{
    if (!text || !*text || len == 0)
        return;
    TextOutA(hdc, x + offsetX, y + offsetY, text, runLength(text, len));
}

void CGUIContext::DrawTextA(QUAD q, unsigned long align, long inset, const char *text, long len)
{
    const QUAD box(q.left + inset, q.top + inset, q.right - inset, q.bottom - inset);
    if (box.Width() <= 0 || box.Height() <= 0 || !text || !*text || len == 0)
        return;
    len = runLength(text, len);
    long width = 0;
    long height = 0;
    MeasureRun(text, len, width, height);
    const long x = alignedStart(align, box.left, box.right, width);
    const long y = alignedStart(align >> 2, box.top, box.bottom, height);
    const RECT clip{box.left + offsetX, box.top + offsetY, box.right + offsetX, box.bottom + offsetY};
    ExtTextOutA(hdc, x + offsetX, y + offsetY, ETO_CLIPPED, &clip, text, len, nullptr);
}

void CGUIContext::DrawInt(QUAD q, unsigned long align, long inset, long value, const char *format)
{
    char text[64];
    std::snprintf(text, sizeof text, format ? format : "%i", static_cast<int>(value));
    DrawTextA(q, align, inset, text, -1);
}

void CGUIContext::DrawFloat(QUAD q, unsigned long align, long inset, float value, long digits)
{
    floatFormat[2] = static_cast<char>('0' + std::clamp(digits, 0L, 9L));
    char text[64];
    std::snprintf(text, sizeof text, floatFormat, static_cast<double>(value));
    DrawTextA(q, align, inset, text, -1);
}

void CGUIContext::DrawTextA(long x, long y, const char *text, long len, long cur, STDTPROC callback,
                            STDTCALLBACK &record)
{
    if (!text || len == 0)
        return;
    len = runLength(text, len);
    SelectFontColor(cur == 0 ? &colLyricCur : &colLyricStd);
    long start = 0;
    for (long i = 0; i < len; ++i) {
        if (text[i] != kSyllableDivider)
            continue;
        DrawTextA(x, y, text + start, i - start);
        x += TextWidth(text + start, i - start, ptabWidthT);
        record.x = x;
        if (i == len - 1) {
            record.offset = 0;
            ++record.line;
        } else {
            record.offset = i + 1;
        }
        if (callback) {
            // The callback may draw annotations in other fonts.
            HGDIOBJ font = GetCurrentObject(hdc, OBJ_FONT);
            callback(record);
            SelectObject(hdc, font);
        }
        start = i + 1;
        SelectFontColor(start == cur ? &colLyricCur : &colLyricStd);
    }
    if (start < len)
        DrawTextA(x, y, text + start, len - start);
    SelectFontColor(&colLyricStd);
}

void CGUIContext::DrawTextA(long x, long y, CText *text, long line, long pos, const long *widths)
{
    if (!text || !widths)
        return;
    for (; line < text->GetNumLines(); ++line, pos = 0) {
        const STRING *s = text->GetLine(line);
        if (!s)
            return;
        const long from = std::clamp(pos, 0L, s->length);
        const char *begin = s->text ? s->text + from : "";
        const char *divider =
            static_cast<const char *>(std::memchr(begin, kSyllableDivider, s->length - from));
        const long len = divider ? static_cast<long>(divider - begin) : s->length - from;
        DrawTextA(x, y, begin, len);
        if (divider)
            return;
        x += TextWidth(begin, len, widths) + widths[static_cast<unsigned char>(' ')];
    }
}

int CGUIContext::GetFontParams(long *height, long *widths)
{
    if (!height || !widths)
        return 0;
    TEXTMETRICA metrics{};
    if (!GetTextMetricsA(hdc, &metrics))
        return 0;
    INT measured[256];
    if (!GetCharWidth32A(hdc, 0, 255, measured) && !GetCharWidthA(hdc, 0, 255, measured))
        return 0;
    *height = metrics.tmAscent + metrics.tmDescent;
    std::copy(measured, measured + 256, widths);
    return 1;
}

} // namespace Quorvane
