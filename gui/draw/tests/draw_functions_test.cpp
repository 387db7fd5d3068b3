// The level meter and the chord symbol, pixel by pixel.
#include "gui/draw/draw_functions.h"

#include "data/music_text.h"
#include "data/text_widths.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

#include "canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Quorvane;
using pannikel_test::Canvas;
using pannikel_test::rgbText;

namespace {

constexpr COLORREF kBackground = RGB(1, 2, 3);

COLORREF os(const RGBACOLOR &c)
{
    return c.OSColor();
}

// Lit pixels of one bar row: how many from x show colLevelMnFill before
// colLevelMnFree takes over, and whether the bar is whole.
long litPixels(const Canvas &canvas, long x, long y, long width)
{
    long lit = 0;
    while (lit < width && canvas.at(x + lit, y) == os(colLevelMnFill))
        ++lit;
    for (long i = lit; i < width; ++i) {
        if (canvas.at(x + i, y) != os(colLevelMnFree))
            return -1;
    }
    return lit;
}

} // namespace

TEST(LevelMeter, LightsTheLevelsShareOfTheBar)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float level;
        long lit;
    } cases[] = {{0.0f, 0},   {0.001f, 1}, {0.5f, 50}, {0.999f, 99},
                 {1.0f, 100}, {1.5f, 100}, {-0.2f, 0}, {nan, 0}};
    for (const auto &c : cases) {
        Canvas canvas(130, 30, kBackground);
        CGUIContext ctx(canvas.dc());
        SONGTRACT_DRAWLEVEL rec{10, 5, 100, {c.level, 0.25f}, {0, 1}};
        DrawLevel(&ctx, &rec);
        for (long row = 5; row < 9; ++row) {
            EXPECT_EQ(litPixels(canvas, 10, row, 100), c.lit) << "level " << c.level << " row " << row;
            EXPECT_EQ(litPixels(canvas, 10, row + 6, 100), 25) << "second bar";
        }
        // 4 x 4 overload boxes 2 pixels after the bars.
        EXPECT_EQ(canvas.at(110, 5), kBackground);
        EXPECT_EQ(canvas.at(111, 8), kBackground);
        EXPECT_EQ(canvas.at(112, 5), os(colLevelOvFree));
        EXPECT_EQ(canvas.at(115, 8), os(colLevelOvFree));
        EXPECT_EQ(canvas.at(112, 11), os(colLevelOvFill));
        EXPECT_EQ(canvas.at(115, 14), os(colLevelOvFill));
        EXPECT_EQ(canvas.at(116, 11), kBackground);
        // Nothing between or around the bars.
        const RECT box = canvas.inkBox(kBackground);
        EXPECT_EQ(box.left, 10);
        EXPECT_EQ(box.top, 5);
        EXPECT_EQ(box.right, 116);
        EXPECT_EQ(box.bottom, 15);
        for (long x : {10L, 60L, 113L}) {
            EXPECT_EQ(canvas.at(x, 9), kBackground);
            EXPECT_EQ(canvas.at(x, 10), kBackground);
        }
    }
}

namespace {

struct Glyph {
    long font;
    char c;
    long x, y;
};

// Draws glyphs one by one, as the chord symbol's rule places them.
void drawGlyphs(Canvas &canvas, std::initializer_list<Glyph> glyphs)
{
    CGUIContext ctx(canvas.dc());
    ctx.Prepare();
    for (const Glyph &g : glyphs) {
        ctx.SelectFont(&sharedFont, g.font);
        ctx.DrawTextA(g.x, g.y, &g.c, 1);
    }
    ctx.Unprepare();
}

void drawChord(Canvas &canvas, long chord, long x, long y, long key, int big)
{
    CGUIContext ctx(canvas.dc());
    ctx.Prepare();
    DrawChord(&ctx, chord, x, y, key, big);
    ctx.Unprepare();
}

long chordOf(long root, long type)
{
    return root | (type << 16);
}

long w(const long *table, char c)
{
    return table[static_cast<unsigned char>(c)];
}

constexpr long kCMajor = 15;
constexpr long kFMajor = 16;

} // namespace

TEST(ChordSymbol, BigRootWithRaisedAccidental)
{
    char name[16];
    ASSERT_STREQ(GetNoteText(1, name, 0, 0, kCMajor), "C#");
    Canvas drawn(200, 60, RGB(255, 255, 255));
    drawChord(drawn, chordOf(2, 0), 10, 5, kCMajor, 1);
    Canvas expected(200, 60, RGB(255, 255, 255));
    const long x = 10 + w(ptabWidthC, 'C');
    drawGlyphs(expected, {{3, 'C', 10, 5}, {1, '#', x + 1, 5}});
    EXPECT_GT(drawn.countNot(RGB(255, 255, 255)), 0);
    EXPECT_TRUE(drawn.samePixels(expected));
}

TEST(ChordSymbol, SuffixMovesBetweenItsLines)
{
    // Type 5 is "_7+b5/b13": 7 on the low line, b5 on the raised line after
    // it, and b13 back up above the b5.
    ASSERT_STREQ(GetChordName(5), "_7+b5/b13");
    Canvas drawn(200, 60, RGB(255, 255, 255));
    drawChord(drawn, chordOf(10, 5), 10, 5, kCMajor, 1);
    const long afterRoot = 10 + w(ptabWidthC, 'A') + 1;
    const long seven = afterRoot + 1;
    const long mark = seven + w(ptabWidthL, '7');
    const long b5 = mark + 1;
    Canvas expected(200, 60, RGB(255, 255, 255));
    drawGlyphs(expected, {{3, 'A', 10, 5},
                          {1, '7', seven, 5 + 11},
                          {1, 'b', b5, 5 + 9},
                          {1, '5', b5 + w(ptabWidthL, 'b'), 5 + 9},
                          {1, 'b', mark, 5},
                          {1, '1', mark + w(ptabWidthL, 'b'), 5},
                          {1, '3', mark + w(ptabWidthL, 'b') + w(ptabWidthL, '1'), 5}});
    EXPECT_TRUE(drawn.samePixels(expected));
}

TEST(ChordSymbol, SmallRootSitsOnTheBigLettersLine)
{
    char name[16];
    ASSERT_STREQ(GetNoteText(10, name, 0, 0, kFMajor), "Bb");
    ASSERT_STREQ(GetChordName(36), "-m");
    Canvas drawn(200, 60, RGB(255, 255, 255));
    drawChord(drawn, chordOf(11, 36), 10, 5, kFMajor, 0);
    const long letterY = 5 + (HeightC - HeightD) / 2;
    const long x = 10 + w(ptabWidthD, 'B');
    Canvas expected(200, 60, RGB(255, 255, 255));
    drawGlyphs(expected, {{0, 'B', 10, letterY}, {1, 'b', x + 1, 5}, {1, 'm', x + 2, 5 + 9}});
    EXPECT_TRUE(drawn.samePixels(expected));
}

TEST(ChordSymbol, PausesAndRootsBeyondTwelve)
{
    const struct {
        int big;
        long font;
        long y;
    } cases[] = {{1, 3, 5}, {0, 0, 5 + (HeightC - HeightD) / 2}};
    for (const auto &c : cases) {
        Canvas drawn(200, 60, RGB(255, 255, 255));
        drawChord(drawn, chordOf(0, 5), 10, 5, kCMajor, c.big);
        Canvas expected(200, 60, RGB(255, 255, 255));
        drawGlyphs(expected, {{c.font, 'P', 10, c.y}});
        EXPECT_TRUE(drawn.samePixels(expected)) << "big " << c.big;
    }
    Canvas none(200, 60, RGB(255, 255, 255));
    drawChord(none, chordOf(13, 0), 10, 5, kCMajor, 1);
    drawChord(none, 0xFFFF, 10, 5, kCMajor, 0);
    EXPECT_EQ(none.countNot(RGB(255, 255, 255)), 0);
    // An unknown (negative) type draws the root alone.
    Canvas rootOnly(200, 60, RGB(255, 255, 255));
    drawChord(rootOnly, chordOf(1, 0xFFFF), 10, 5, kCMajor, 1);
    Canvas expected(200, 60, RGB(255, 255, 255));
    drawGlyphs(expected, {{3, 'C', 10, 5}});
    EXPECT_TRUE(rootOnly.samePixels(expected));
}
