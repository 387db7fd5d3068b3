// The pen, font, image and gradient tables: slots, the gradient profiles to
// the exact row colours, images with transparency, and font metrics.
#include "gui/draw/gui_context.h"
#include "gui/draw/gui_tables.h"

#include "canvas.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Quorvane;
using pannikel_test::Canvas;
using pannikel_test::rgbText;

namespace {

constexpr COLORREF kBackground = RGB(1, 2, 3);

struct Row {
    long y;
    COLORREF colour;
};

// A gradient table on a canvas of the same device; row(y) reads a drawn band.
class GradientTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(table.Init(3)); }

    void expectRows(long slot, long height, std::initializer_list<Row> rows)
    {
        ASSERT_EQ(table.sizes[slot], height);
        canvas.fill(kBackground);
        ctx.DrawHorzGradient(&table, slot, 0, 0, 20);
        for (const Row &r : rows) {
            EXPECT_EQ(rgbText(canvas.at(0, r.y)), rgbText(r.colour)) << "row " << r.y;
            EXPECT_EQ(canvas.at(19, r.y), r.colour) << "every column of a row alike";
        }
        EXPECT_EQ(canvas.at(0, height), kBackground) << "the band ends at its height";
    }

    Canvas canvas{40, 60, kBackground};
    CGUIContext ctx{canvas.dc()};
    CGUIGradient table;
};

} // namespace

TEST_F(GradientTest, FlatProfileOf26RowsIs5Then16Then5)
{
    const RGBACOLOR base(250, 30, 128, 255); // light 255,70,168 (R clamped), dark 170,0,48 (G clamped)
    ASSERT_TRUE(table.SetGradient(0, &ctx, 26, &base, 40, 1));
    // Rows 0-4 light toward base, 5-20 base, 21-25 from base toward dark.
    const COLORREF rows[26] = {RGB(255, 70, 168), RGB(254, 62, 160), RGB(253, 54, 152), RGB(252, 46, 144),
                               RGB(251, 38, 136), RGB(250, 30, 128), RGB(250, 30, 128), RGB(250, 30, 128),
                               RGB(250, 30, 128), RGB(250, 30, 128), RGB(250, 30, 128), RGB(250, 30, 128),
                               RGB(250, 30, 128), RGB(250, 30, 128), RGB(250, 30, 128), RGB(250, 30, 128),
                               RGB(250, 30, 128), RGB(250, 30, 128), RGB(250, 30, 128), RGB(250, 30, 128),
                               RGB(250, 30, 128), RGB(250, 30, 128), RGB(234, 24, 112), RGB(218, 18, 96),
                               RGB(202, 12, 80),  RGB(186, 6, 64)};
    ASSERT_EQ(table.sizes[0], 26);
    ctx.DrawHorzGradient(&table, 0, 0, 0, 20);
    for (long y = 0; y < 26; ++y)
        EXPECT_EQ(rgbText(canvas.at(7, y)), rgbText(rows[y])) << "row " << y;
    EXPECT_EQ(canvas.at(0, 26), kBackground);
}

TEST_F(GradientTest, LinearProfilesRunFromLightTowardDark)
{
    const RGBACOLOR pale(250, 30, 128, 255);
    ASSERT_TRUE(table.SetGradient(0, &ctx, 47, &pale, 40, 1));
    expectRows(
        0, 47,
        {{0, RGB(255, 70, 168)}, {1, RGB(253, 68, 165)}, {23, RGB(213, 35, 109)}, {46, RGB(171, 1, 50)}});

    const RGBACOLOR mid(100, 150, 200, 255); // light 140,190,240, dark 20,70,120
    ASSERT_TRUE(table.SetGradient(1, &ctx, 21, &mid, 40, 1));
    expectRows(
        1, 21,
        {{0, RGB(140, 190, 240)}, {1, RGB(134, 184, 234)}, {7, RGB(100, 150, 200)}, {20, RGB(25, 75, 125)}});
}

TEST_F(GradientTest, LightAndDarkAreClampedPerChannel)
{
    const RGBACOLOR nearWhite(250, 250, 250, 255);
    ASSERT_TRUE(table.SetGradient(0, &ctx, 26, &nearWhite, 40, 1));
    expectRows(0, 26, {{0, RGB(255, 255, 255)}, {25, RGB(186, 186, 186)}}); // light 255, dark 170
    const RGBACOLOR nearBlack(30, 30, 30, 255);
    ASSERT_TRUE(table.SetGradient(1, &ctx, 26, &nearBlack, 40, 1));
    expectRows(1, 26, {{0, RGB(70, 70, 70)}, {25, RGB(6, 6, 6)}}); // dark 0
}

TEST_F(GradientTest, FlatProfileOfThreeRowsIsTwoRowsLightToBaseThenBase)
{
    const RGBACOLOR base(100, 150, 200, 255);
    const RGBACOLOR light(140, 190, 240, 255);
    const RGBACOLOR dark(20, 70, 120, 255);
    ASSERT_TRUE(table.SetFlatHorzGradient(0, &ctx, 3, &base, &light, &dark));
    expectRows(0, 3, {{0, RGB(140, 190, 240)}, {1, RGB(120, 170, 220)}, {2, RGB(100, 150, 200)}});
    // Too low for all three parts: the bottom part has height - k rows.
    ASSERT_TRUE(table.SetFlatHorzGradient(1, &ctx, 4, &base, &light, &dark));
    expectRows(
        1, 4,
        {{0, RGB(140, 190, 240)}, {1, RGB(120, 170, 220)}, {2, RGB(100, 150, 200)}, {3, RGB(60, 110, 160)}});
}

TEST_F(GradientTest, VerticalBandsRunFromLeftToRight)
{
    const RGBACOLOR base(100, 150, 200, 255);
    ASSERT_TRUE(table.SetGradient(2, &ctx, 10, &base, 40, 0));
    EXPECT_EQ(table.sizes[2], 10);
    ctx.DrawVertGradient(&table, 2, 0, 0, 40);
    const COLORREF columns[] = {RGB(140, 190, 240), RGB(128, 178, 228), RGB(32, 82, 132)};
    const long xs[] = {0, 1, 9};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rgbText(canvas.at(xs[i], 0)), rgbText(columns[i])) << "column " << xs[i];
        EXPECT_EQ(canvas.at(xs[i], 39), columns[i]) << "every row of a column alike";
    }
    EXPECT_EQ(canvas.at(10, 0), kBackground);
    EXPECT_EQ(canvas.at(0, 40), kBackground);
}

TEST_F(GradientTest, SlotsOutsideTheTableAreRefused)
{
    const RGBACOLOR base(100, 150, 200, 255);
    EXPECT_FALSE(table.SetGradient(3, &ctx, 26, &base, 40, 1));
    EXPECT_FALSE(table.SetHorzGradient(-1, &ctx, 26, &base, &base));
    EXPECT_FALSE(table.SetVertGradient(3, &ctx, 26, &base, &base));
    EXPECT_FALSE(table.SetGradient(0, &ctx, 0, &base, 40, 1)) << "no height";
    EXPECT_EQ(table.bitmaps[0], nullptr);
}

TEST(PenTable, SlotsAndColours)
{
    CGUIPen pens;
    ASSERT_TRUE(pens.Init(2));
    Canvas canvas(10, 10, kBackground);
    CGUIContext ctx(canvas.dc());
    const RGBACOLOR c(12, 200, 99, 0);
    EXPECT_FALSE(pens.SetPen(2, &ctx, &c)) << "SetPen(n) on a table of n";
    EXPECT_FALSE(pens.SetPen(-1, &ctx, &c));
    ASSERT_TRUE(pens.SetPen(1, &ctx, &c));
    ASSERT_TRUE(ctx.SelectPen(&pens, 1));
    ctx.DrawLine(0, 5, 10, 5);
    EXPECT_EQ(canvas.at(3, 5), RGB(12, 200, 99));
    EXPECT_FALSE(ctx.SelectPen(&pens, 0)) << "an empty slot";
    // Refilling a slot replaces its pen.
    const RGBACOLOR d(1, 1, 250, 255);
    ASSERT_TRUE(pens.SetPen(1, &ctx, &d));
    ASSERT_TRUE(ctx.SelectPen(&pens, 1));
    ctx.DrawLine(0, 6, 10, 6);
    EXPECT_EQ(canvas.at(3, 6), RGB(1, 1, 250));
}

TEST(TableInit, SizesTables)
{
    CGUIImage images;
    EXPECT_TRUE(images.Init(0));
    EXPECT_EQ(images.count, 0);
    EXPECT_FALSE(images.Init(-1));
    ASSERT_TRUE(images.Init(4));
    EXPECT_EQ(images.count, 4);
    for (long i = 0; i < 4; ++i)
        EXPECT_EQ(images.colours[i], nullptr);
    ASSERT_TRUE(images.Init(2)) << "a second Init empties and resizes";
    EXPECT_EQ(images.count, 2);
}

TEST(FontTable, MeasuresFontsAndKeepsTheDividerVisible)
{
    Canvas canvas(10, 10);
    CGUIContext ctx(canvas.dc());
    CGUIFont fonts;
    ASSERT_TRUE(fonts.Init(2));
    const FONTPARAMS normal(16, 400, nullptr);
    ASSERT_TRUE(fonts.SetFont(0, &ctx, &normal));
    long height = 0;
    long *widths = nullptr;
    fonts.GetFontParams(0, height, widths);
    ASSERT_NE(widths, nullptr);
    EXPECT_EQ(widths, fonts.widths);
    EXPECT_GE(height, 16);
    EXPECT_GT(widths['W'], widths['i']);
    EXPECT_GE(widths[1], 2);

    // A font one pixel high measures its divider below 2: it becomes 6.
    const FONTPARAMS tiny(1, 400, nullptr);
    ASSERT_TRUE(fonts.SetFont(1, &ctx, &tiny));
    fonts.GetFontParams(1, height, widths);
    EXPECT_EQ(widths, fonts.widths + 256);
    HFONT probe = CreateFontA(-1, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "");
    HGDIOBJ old = SelectObject(canvas.dc(), probe);
    INT measured = -1;
    GetCharWidth32A(canvas.dc(), 1, 1, &measured);
    SelectObject(canvas.dc(), old);
    DeleteObject(probe);
    ASSERT_LT(measured, 2) << "the probe font does not show the fix-up here";
    EXPECT_EQ(widths[1], 6);

    EXPECT_FALSE(fonts.SetFont(2, &ctx, &normal));
    long untouched = -7;
    fonts.GetFontParams(2, untouched, widths);
    EXPECT_EQ(untouched, -7);
    // Measuring leaves a prepared context as it was.
    ASSERT_TRUE(ctx.Prepare());
    HGDIOBJ before = GetCurrentObject(canvas.dc(), OBJ_FONT);
    ASSERT_TRUE(fonts.SetFont(0, &ctx, &normal));
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), before);
    EXPECT_NE(ctx.savedState, 0);
    ctx.Unprepare();
}

TEST(ImageTable, AlphaZeroIsTransparentAndAnyOtherAlphaOpaque)
{
    Canvas canvas(20, 10, kBackground);
    CGUIContext ctx(canvas.dc());
    CGUIImage images;
    ASSERT_TRUE(images.Init(1));
    // Two frames of 3 x 2.
    const std::vector<unsigned char> pixels = {
        // frame 0
        200,
        0,
        0,
        0,
        /**/ 0,
        200,
        0,
        1,
        /**/ 0,
        0,
        200,
        255,
        255,
        255,
        255,
        0,
        /**/ 0,
        0,
        0,
        128,
        /**/ 9,
        8,
        7,
        0,
        // frame 1
        50,
        60,
        70,
        1,
        /**/ 1,
        1,
        1,
        0,
        /**/ 255,
        255,
        255,
        2,
        0,
        0,
        0,
        0,
        /**/ 0,
        0,
        0,
        0,
        /**/ 0,
        0,
        0,
        0,
    };
    ASSERT_TRUE(images.SetImage(0, &ctx, 2, 3, 2, pixels.data()));
    long w = 0;
    long h = 0;
    images.GetImageSize(0, w, h);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_NE(images.memoryDC, nullptr);
    EXPECT_NE(images.firstBitmap, nullptr);

    ctx.DrawImage(&images, 0, 0, 2, 3);
    ctx.DrawImage(&images, 0, 1, 10, 3);
    const struct {
        int x, y;
        COLORREF colour;
    } expected[] = {
        {2, 3, kBackground},         {3, 3, RGB(0, 200, 0)}, {4, 3, RGB(0, 0, 200)},   {2, 4, kBackground},
        {3, 4, RGB(0, 0, 0)},        {4, 4, kBackground},    {10, 3, RGB(50, 60, 70)}, {11, 3, kBackground},
        {12, 3, RGB(255, 255, 255)}, {10, 4, kBackground},   {11, 4, kBackground},     {12, 4, kBackground},
    };
    for (const auto &e : expected)
        EXPECT_EQ(rgbText(canvas.at(e.x, e.y)), rgbText(e.colour)) << e.x << "," << e.y;
    EXPECT_EQ(canvas.countNot(kBackground), 5);

    EXPECT_FALSE(images.SetImage(1, &ctx, 1, 1, 1, pixels.data()));
    EXPECT_FALSE(images.SetImage(0, &ctx, 0, 3, 2, pixels.data())) << "no frames";
    EXPECT_EQ(images.colours[0], nullptr) << "a failed Set leaves the slot empty";
    canvas.fill(kBackground);
    ctx.DrawImage(&images, 0, 0, 2, 3);
    EXPECT_EQ(canvas.countNot(kBackground), 0);
}
