#include "plugin/framework/gui/graphics_context.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using gui_test::Canvas;
using namespace Quorvane;

LOGFONTA describe(Font *font)
{
    LOGFONTA description{};
    GetObjectA(font->handle(), sizeof(description), &description);
    return description;
}

int screenPixelsPerInch()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

TEST(FontTest, SizeInPointsOrPixels)
{
    RefPtr<Font> points = RefPtr<Font>::adopt(Font::create("Tahoma", 8.5f, -1, Font::kPoints));
    EXPECT_EQ(describe(points.get()).lfHeight, -MulDiv(8, screenPixelsPerInch(), 72)) << "8.5 points is 8";
    RefPtr<Font> pixels = RefPtr<Font>::adopt(Font::create("Tahoma", 8.9f, -1, 3));
    EXPECT_EQ(describe(pixels.get()).lfHeight, -8);
    EXPECT_EQ(describe(pixels.get()).lfQuality, ANTIALIASED_QUALITY);
    EXPECT_STREQ(describe(pixels.get()).lfFaceName, "Tahoma");
    // The face exists on this system (Debian's fonts-wine), so it is what
    // the panels really draw with.
    Canvas canvas(4, 4);
    SelectObject(canvas.dc(), pixels->handle());
    char face[LF_FACESIZE] = {};
    GetTextFaceA(canvas.dc(), LF_FACESIZE, face);
    EXPECT_STREQ(face, "Tahoma");
    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
}

TEST(FontTest, StyleBits)
{
    struct Case {
        int style;
        LONG weight;
        BYTE italic;
        BYTE underline;
    };
    const Case cases[] = {{-1, 0, 0, 0},  {0, 400, 0, 0}, {1, 700, 0, 0},
                          {2, 400, 1, 0}, {4, 400, 0, 1}, {7, 700, 1, 1}};
    for (const Case &c : cases) {
        RefPtr<Font> font = RefPtr<Font>::adopt(Font::create("Tahoma", 11, c.style, Font::kPixels));
        const LOGFONTA d = describe(font.get());
        EXPECT_EQ(d.lfWeight, c.weight) << "style " << c.style;
        EXPECT_EQ(d.lfItalic, c.italic) << "style " << c.style;
        EXPECT_EQ(d.lfUnderline, c.underline) << "style " << c.style;
    }
}

TEST(FontTest, FaceKeepsThirtyOneCharacters)
{
    const std::string longFace(40, 'x');
    RefPtr<Font> font = RefPtr<Font>::adopt(Font::create(longFace.c_str(), 11, 0, Font::kPixels));
    EXPECT_EQ(std::strlen(describe(font.get()).lfFaceName), 31u);
}

TEST(GraphicsContextTest, DrawModesChooseLineAndBitmapOperations)
{
    // A red cell drawn over a background whose red is 0x0F: each raster
    // operation leaves a different colour.
    RefPtr<OpaqueBitmap> cells =
        RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_CELLS)));
    ASSERT_EQ(cells->width(), 32);
    struct Case {
        int mode;
        int rop;
        COLORREF result;
    };
    const Case cases[] = {{0, R2_COPYPEN, 0x0000FF},
                          {1, R2_MERGEPEN, 0x00FFFF},
                          {2, R2_MASKPEN, 0x00000F},
                          {3, R2_XORPEN, 0x00FFF0},
                          {7, R2_COPYPEN, 0x0000FF}};
    for (const Case &c : cases) {
        Canvas canvas(16, 16, 0x00FF0F);
        GraphicsContext gc(canvas.dc());
        gc.setDrawMode(c.mode);
        EXPECT_EQ(gc.getDrawMode(), c.mode);
        EXPECT_EQ(GetROP2(canvas.dc()), c.rop) << "mode " << c.mode;
        gc.drawBitmapPart({2, 2}, {0, 0, 8, 8}, cells.get());
        EXPECT_EQ(canvas.pixel(5, 5), c.result) << "mode " << c.mode;
        EXPECT_EQ(canvas.pixel(12, 12), 0x00FF0Fu) << "only the part is drawn";
    }
}

TEST(GraphicsContextTest, AmpersandIsDrawnAsItIs)
{
    RefPtr<Font> font = RefPtr<Font>::adopt(Font::create("Tahoma", 14, 0, Font::kPixels));
    Canvas drawn(80, 20, 0xFFFFFF);
    Canvas literal(80, 20, 0xFFFFFF);
    {
        GraphicsContext gc(drawn.dc());
        gc.drawTextWithFont("A&B", {0, 0, 80, 20}, font.get(), DT_SINGLELINE);
    }
    {
        GraphicsContext gc(literal.dc());
        gc.textOutWithFont({0, 0}, "A&B", -1, font.get()); // TextOut knows no prefixes
    }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(drawn.pixel(x, y), literal.pixel(x, y)) << x << "," << y;
    GraphicsContext gc(drawn.dc());
    gc.setFont(font.get());
    EXPECT_EQ(gc.measureText("&&", 0).width, 2 * gc.measureText("&", 0).width);
}

TEST(GraphicsContextTest, NegativeLengthDrawsTheWholeText)
{
    RefPtr<Font> font = RefPtr<Font>::adopt(Font::create("Tahoma", 14, 0, Font::kPixels));
    auto inkWidth = [&](int length) {
        Canvas canvas(80, 20, 0xFFFFFF);
        GraphicsContext gc(canvas.dc());
        gc.textOutWithFont({0, 0}, "WWW", length, font.get());
        int right = -1;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 80; ++x)
                if (canvas.pixel(x, y) != 0xFFFFFF)
                    right = std::max(right, x);
        return right;
    };
    EXPECT_EQ(inkWidth(-1), inkWidth(3));
    EXPECT_GT(inkWidth(-1), inkWidth(1));
}

TEST(GraphicsContextTest, SelectedObjectsAreKeptAndHandedBack)
{
    Canvas canvas(8, 8);
    HGDIOBJ originalPen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    {
        GraphicsContext gc(canvas.dc());
        Pen *red = Pen::create(0x0000FF);
        Pen *blue = Pen::create(0xFF0000);
        EXPECT_FALSE(gc.setPen(red));
        EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), red->handle());
        RefPtr<Pen> previous = gc.setPen(blue);
        EXPECT_EQ(previous.get(), red);
        EXPECT_EQ(gc.pen(), blue);
        red->release();
        blue->release();
        EXPECT_EQ(GetBkMode(canvas.dc()), TRANSPARENT);
    }
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), originalPen) << "the DC's own pen is back";
}

TEST(GraphicsContextTest, ViewportOriginMovesDrawing)
{
    Canvas canvas(20, 20, 0xFFFFFF);
    GraphicsContext gc(canvas.dc());
    const Point old = gc.pushViewportOrigin({5, 6});
    EXPECT_EQ(old, (Point{0, 0}));
    EXPECT_EQ(gc.getViewportOrigin(), (Point{5, 6}));
    gc.fillRectInColor({0, 0, 1, 1}, 0x000000);
    EXPECT_EQ(canvas.pixel(5, 6), 0x000000u);
    EXPECT_EQ(canvas.pixel(0, 0), 0xFFFFFFu);
}

TEST(GraphicsContextTest, ClipRegionLimitsDrawing)
{
    Canvas canvas(20, 20, 0xFFFFFF);
    GraphicsContext gc(canvas.dc());
    Region clip({0, 0, 10, 10});
    gc.setClipRegion(clip);
    gc.excludeClipRect({0, 0, 5, 5});
    EXPECT_FALSE(gc.isRectVisible({1, 1, 2, 2}));
    EXPECT_TRUE(gc.isRectVisible({6, 6, 2, 2}));
    gc.fillRectInColor({0, 0, 20, 20}, 0x000000);
    EXPECT_EQ(canvas.pixel(2, 2), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(7, 7), 0x000000u);
    EXPECT_EQ(canvas.pixel(15, 15), 0xFFFFFFu);
    Region copy;
    EXPECT_EQ(gc.getClipRegion(copy), 1);
    Region whole({0, 0, 10, 10});
    whole.subtract(copy);
    EXPECT_FALSE(whole.failed());
    RECT box{};
    EXPECT_EQ(GetRgnBox(whole.handle(), &box), SIMPLEREGION) << "what is left is the excluded corner";
    EXPECT_EQ(box.right, 5);
}

TEST(GraphicsContextTest, Frame3dPaintsTheRingThenTopAndLeft)
{
    Canvas canvas(10, 10, 0x123456);
    const RECT area{0, 0, 10, 10};
    drawFrame3d(canvas.dc(), area, 0xFFFFFF, 0x808080);
    EXPECT_EQ(canvas.pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(8, 0), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(9, 0), 0x808080u) << "top-right corner stays in the second colour";
    EXPECT_EQ(canvas.pixel(0, 9), 0x808080u) << "bottom-left corner too";
    EXPECT_EQ(canvas.pixel(9, 9), 0x808080u);
    EXPECT_EQ(canvas.pixel(5, 5), 0x123456u);
}

TEST(GraphicsContextTest, LinesAndPolygons)
{
    Canvas canvas(20, 20, 0xFFFFFF);
    GraphicsContext gc(canvas.dc());
    gc.drawLineInColor({0, 3}, {10, 3}, 0x0000FF);
    EXPECT_EQ(canvas.pixel(0, 3), 0x0000FFu);
    EXPECT_EQ(canvas.pixel(10, 3), 0xFFFFFFu) << "the end point is not drawn";
    gc.frameRectInColor({10, 10, 5, 5}, 0x00FF00);
    EXPECT_EQ(canvas.pixel(10, 10), 0x00FF00u);
    EXPECT_EQ(canvas.pixel(12, 12), 0xFFFFFFu) << "framed, not filled";
    const POINT triangle[3] = {{0, 19}, {8, 19}, {0, 11}};
    RefPtr<Brush> brush = RefPtr<Brush>::adopt(Brush::create(0xFF0000));
    gc.fillPolygonWithBrush(triangle, 3, brush.get());
    EXPECT_EQ(canvas.pixel(2, 17), 0xFF0000u);
}

} // namespace
