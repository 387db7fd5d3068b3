#include "gui/draw/draw_functions.h"

#include "data/music_text.h"
#include "data/text_widths.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

namespace Quorvane {

namespace {

constexpr long kBarHeight = 4;
constexpr long kBarPitch = 6;
constexpr long kOverloadGap = 2;
constexpr long kOverloadWidth = 4;

constexpr long kFontDefault = 0;
constexpr long kFontSmall = 1;
constexpr long kFontChordRoot = 3;

// Suffix characters that move the pen instead of being drawn.
constexpr long kRaisedDrop = 9;
constexpr long kLowDrop = 11;

// Lit pixels of a bar: none for no level (or none at all), at least one
// for any level, never more than the bar.
long litWidth(long width, float level)
{
    if (!(level > 0))
        return 0;
    if (level >= 1)
        return width;
    const long lit = static_cast<long>(width * level);
    return lit < 1 ? 1 : lit;
}

void drawChar(CGUIContext *ctx, char c, long x, long y)
{
    ctx->DrawTextA(x, y, &c, 1);
}

} // namespace

void DrawLevel(CGUIContext *ctx, const SONGTRACT_DRAWLEVEL *rec)
{
    if (!ctx || !rec)
        return;
    for (int i = 0; i < 2; ++i) {
        const long top = rec->y + kBarPitch * i;
        const long lit = litWidth(rec->width, rec->level[i]);
        if (lit > 0)
            ctx->FillQuad(QUAD(rec->x, top, rec->x + lit, top + kBarHeight), &colLevelMnFill);
        if (lit < rec->width)
            ctx->FillQuad(QUAD(rec->x + lit, top, rec->x + rec->width, top + kBarHeight), &colLevelMnFree);
        const long box = rec->x + rec->width + kOverloadGap;
        ctx->FillQuad(QUAD(box, top, box + kOverloadWidth, top + kBarHeight),
                      rec->overload[i] ? &colLevelOvFill : &colLevelOvFree);
    }
}

void DrawChord(CGUIContext *ctx, long chord, long x, long y, long key, int big)
{
    if (!ctx)
        return;
    const long root = chord & 0xFFFF;
    const long type = static_cast<short>((chord >> 16) & 0xFFFF);
    if (root > 12)
        return;

    // The root letter.
    const long letterY = big ? y : y + (HeightC - HeightD) / 2;
    ctx->SelectFont(&sharedFont, big ? kFontChordRoot : kFontDefault);
    if (root == 0) {
        drawChar(ctx, 'P', x, letterY);
        return;
    }
    char name[16];
    GetNoteText(root - 1, name, 0, 0, key);
    drawChar(ctx, name[0], x, letterY);
    x += CharWidth(big ? ptabWidthC : ptabWidthD, name[0]);

    // The accidental, raised; the suffix starts just after the letter.
    ctx->SelectFont(&sharedFont, kFontSmall);
    if (name[1])
        drawChar(ctx, name[1], x + 1, y);
    x += 1;

    // The suffix: "-" and "+" drop to the raised line, "_" to the low line,
    // "/" goes back up to where the last "+" was (a stacked alteration).
    const long startX = x;
    long markX = -1;
    long penY = y;
    for (const char *c = GetChordName(type); *c; ++c) {
        switch (*c) {
        case '+':
            markX = x;
            x += 1;
            penY = y + kRaisedDrop;
            break;
        case '-':
            x += 1;
            penY = y + kRaisedDrop;
            break;
        case '_':
            x += 1;
            penY = y + kLowDrop;
            break;
        case '/':
            x = markX >= 0 ? markX : startX;
            penY = y;
            break;
        default:
            drawChar(ctx, *c, x, penY);
            x += CharWidth(ptabWidthL, *c);
            break;
        }
    }
}

} // namespace Quorvane
