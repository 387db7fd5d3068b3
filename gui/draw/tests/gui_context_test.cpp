// The drawing context on memory bitmaps: fills, outlines, clipping, lines,
// invert mode, the dotted frame and double buffering, read back pixel by
// pixel.
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

#include "canvas.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using pannikel_test::Canvas;
using pannikel_test::rectText;
using pannikel_test::rgbText;
using pannikel_test::sameRect;

namespace {

constexpr COLORREF kBackground = RGB(10, 20, 30);
constexpr COLORREF kInverted = RGB(245, 235, 225);
constexpr long kWhitePen = 0;

class ContextTest : public ::testing::Test {
protected:
    Canvas canvas{100, 60, kBackground};
    CGUIContext ctx{canvas.dc()};
    RGBACOLOR red{200, 0, 0, 255};
};

} // namespace

TEST_F(ContextTest, FillsLeaveOutTheRightAndBottomEdges)
{
    ctx.FillQuad(QUAD(2, 3, 6, 8), &red);
    const RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 2, 3, 6, 8)) << rectText(box);
    EXPECT_EQ(canvas.at(5, 7), RGB(200, 0, 0));
    EXPECT_EQ(canvas.countNot(kBackground), 4 * 5);
}

TEST_F(ContextTest, OutlinesTakeInTheRightAndBottomEdges)
{
    ASSERT_TRUE(ctx.SelectPen(&sharedPen, kWhitePen));
    ctx.DrawQuad(QUAD(2, 3, 6, 8));
    const RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 2, 3, 7, 9)) << rectText(box);
    EXPECT_EQ(canvas.at(6, 8), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(4, 5), kBackground) << "an outline only";
    EXPECT_EQ(canvas.countNot(kBackground), 2 * 5 + 2 * 4);
}

TEST_F(ContextTest, ZeroSizeQuads)
{
    ASSERT_TRUE(ctx.SelectPen(&sharedPen, kWhitePen));
    struct Case {
        const char *what;
        QUAD q;
        RECT ink;
    };
    const Case cases[] = {
        {"a single point draws nothing", {5, 5, 5, 5}, {0, 0, 0, 0}},
        {"zero height: one line of 5 pixels", {5, 5, 9, 5}, {5, 5, 10, 6}},
        {"zero width: one line of 5 pixels", {5, 5, 5, 9}, {5, 5, 6, 10}},
        {"corners given in any order", {9, 8, 2, 3}, {2, 3, 10, 9}},
    };
    for (const Case &c : cases) {
        canvas.fill(kBackground);
        ctx.DrawQuad(c.q);
        const RECT box = canvas.inkBox(kBackground);
        EXPECT_TRUE(sameRect(box, c.ink.left, c.ink.top, c.ink.right, c.ink.bottom))
            << c.what << ": " << rectText(box);
    }
    canvas.fill(kBackground);
    ctx.FillQuad(QUAD(5, 5, 5, 9), &red);
    ctx.FillQuad(QUAD(5, 5, 9, 5), &red);
    ctx.FillQuad(QUAD(9, 9, 5, 5), &red);
    EXPECT_EQ(canvas.countNot(kBackground), 0) << "empty fills";
}

TEST_F(ContextTest, OffsetsMoveEverythingThatReachesTheDevice)
{
    ctx.offsetX = 10;
    ctx.offsetY = -2;
    ctx.FillQuad(QUAD(0, 2, 4, 6), &red);
    const RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 10, 0, 14, 4)) << rectText(box);
}

TEST_F(ContextTest, ClipRegionsIncludeTheirEdges)
{
    ASSERT_TRUE(ctx.SetDrawingQuad(QUAD(4, 5, 10, 12)));
    ctx.FillQuad(QUAD(0, 0, 100, 60), &red);
    RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 4, 5, 11, 13)) << rectText(box);

    // With an offset the region moves along with the drawing.
    canvas.fill(kBackground);
    ctx.offsetX = 20;
    ASSERT_TRUE(ctx.SetDrawingQuad(QUAD(4, 5, 10, 12)));
    ctx.FillQuad(QUAD(-20, 0, 80, 60), &red);
    box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 24, 5, 31, 13)) << rectText(box);

    canvas.fill(kBackground);
    ctx.ResetDrawingQuad();
    EXPECT_EQ(ctx.clipRegion, nullptr);
    ctx.FillQuad(QUAD(-20, 0, 80, 60), &red);
    EXPECT_EQ(canvas.countNot(kBackground), 100 * 60);
}

TEST_F(ContextTest, ClipRegionsOutsideTheViewportAreRefused)
{
    ctx.GetQuadViewPort()->Set(0, 0, 50, 40);
    EXPECT_FALSE(ctx.SetDrawingQuad(QUAD(50, 0, 60, 10))) << "right of the viewport";
    EXPECT_FALSE(ctx.SetDrawingQuad(QUAD(10, 10, 10, 20))) << "no width";
    EXPECT_EQ(ctx.clipRegion, nullptr);
    // Clipped to the viewport first.
    ASSERT_TRUE(ctx.SetDrawingQuad(QUAD(40, 30, 70, 70)));
    ctx.FillQuad(QUAD(0, 0, 100, 60), &red);
    const RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 40, 30, 51, 41)) << rectText(box);
}

TEST_F(ContextTest, TheViewportComesFromTheDevicesClipBox)
{
    ctx.InitViewport();
    EXPECT_EQ(*ctx.GetQuadViewPort(), QUAD(0, 0, 100, 60));
    HRGN region = CreateRectRgn(10, 5, 50, 40);
    SelectClipRgn(canvas.dc(), region);
    DeleteObject(region);
    ctx.InitViewport();
    EXPECT_EQ(*ctx.GetQuadViewPort(), QUAD(10, 5, 50, 40));
}

TEST_F(ContextTest, RectanglesAgainstTheViewport)
{
    ctx.GetQuadViewPort()->Set(10, 10, 50, 40);
    EXPECT_TRUE(ctx.IsQuadInViewport(QUAD(0, 0, 10, 10))) << "touching corner";
    EXPECT_FALSE(ctx.IsQuadInViewport(QUAD(0, 0, 9, 60)));
    EXPECT_FALSE(ctx.IsQuadInViewport(QUAD(51, 0, 60, 60)));
    EXPECT_FALSE(ctx.IsQuadInViewport(QUAD(0, 41, 60, 60)));
    EXPECT_FALSE(ctx.IsQuadInViewport(QUAD(0, 0, 60, 9)));

    QUAD left(0, 0, 5, 80);
    EXPECT_FALSE(ctx.QuadToViewport(left));
    EXPECT_EQ(left.top, 0) << "the height is not touched when no width is left";
    EXPECT_EQ(left.bottom, 80);
    QUAD across(0, 0, 80, 80);
    EXPECT_TRUE(ctx.QuadToViewport(across));
    EXPECT_EQ(across, QUAD(10, 10, 50, 40));
    QUAD below(20, 45, 30, 80);
    EXPECT_FALSE(ctx.QuadToViewport(below));
}

TEST_F(ContextTest, LineEndsAreKeptWithin8000)
{
    POINT p{};
    ctx.StartLine(20000, 3);
    GetCurrentPositionEx(canvas.dc(), &p);
    EXPECT_EQ(p.x, 8000);
    ctx.StartLine(-9000, 20000);
    GetCurrentPositionEx(canvas.dc(), &p);
    EXPECT_EQ(p.x, -8000);
    EXPECT_EQ(p.y, 20000) << "y is not clamped";
    ctx.offsetX = 5000;
    ctx.StartLine(4000, 0);
    GetCurrentPositionEx(canvas.dc(), &p);
    EXPECT_EQ(p.x, 8000) << "clamped after the offset is added";

    // Seen on the device: the line stops at 8000.
    ctx.offsetX = 0;
    ASSERT_TRUE(ctx.SelectPen(&sharedPen, kWhitePen));
    SetViewportOrgEx(canvas.dc(), -7950, 0, nullptr); // device x 0 is GDI x 7950
    ctx.DrawLine(7960, 10, 20000, 10);
    SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
    const RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 10, 10, 50, 11)) << rectText(box);
}

TEST_F(ContextTest, InvertModeInvertsWhateverTheColour)
{
    ASSERT_TRUE(ctx.SelectPen(&sharedPen, kWhitePen));
    ctx.SelectInvert(1);
    EXPECT_EQ(ctx.invert, 1);
    ctx.FillQuad(QUAD(0, 0, 10, 10), &red);
    ctx.DrawLine(20, 5, 30, 5);
    EXPECT_EQ(canvas.at(9, 9), kInverted);
    EXPECT_EQ(canvas.at(25, 5), kInverted);
    EXPECT_EQ(canvas.countNot(kBackground), 100 + 10);
    ctx.FillQuad(QUAD(0, 0, 10, 10), &red);
    ctx.DrawLine(20, 5, 30, 5);
    EXPECT_EQ(canvas.countNot(kBackground), 0) << "drawn twice, gone";

    ctx.SelectInvert(0);
    ctx.DrawLine(20, 5, 30, 5);
    EXPECT_EQ(canvas.at(25, 5), RGB(255, 255, 255));
}

TEST_F(ContextTest, DottedFrameErasesItselfWhenDrawnTwice)
{
    ASSERT_TRUE(ctx.Prepare()); // transparent: the gaps stay untouched
    ASSERT_TRUE(ctx.SelectDotFrame());
    ASSERT_NE(ctx.dotPen, nullptr);
    EXPECT_EQ(ctx.invert, 1);
    ctx.DrawQuad(QUAD(5, 5, 60, 40));
    const int drawn = canvas.countNot(kBackground);
    EXPECT_GT(drawn, 0);
    EXPECT_LT(drawn, 2 * 56 + 2 * 34) << "dotted, not solid";
    EXPECT_EQ(canvas.inkBox(kBackground).right, 61);
    HPEN pen = ctx.dotPen;
    ASSERT_TRUE(ctx.SelectDotFrame());
    EXPECT_EQ(ctx.dotPen, pen) << "made once per context";
    ctx.DrawQuad(QUAD(5, 5, 60, 40));
    EXPECT_EQ(canvas.countNot(kBackground), 0);
    ctx.Unprepare();
}

TEST_F(ContextTest, ACopySharesTheDeviceButNotTheDottedPen)
{
    ASSERT_TRUE(ctx.SelectDotFrame());
    {
        CGUIContext copy(ctx);
        EXPECT_EQ(copy.WIN32GetDC(), canvas.dc());
        EXPECT_EQ(copy.dotPen, nullptr);
        EXPECT_EQ(copy.invert, 1);
    }
    EXPECT_EQ(GetObjectType(ctx.dotPen), static_cast<DWORD>(OBJ_PEN)) << "the copy left it alone";
}

TEST_F(ContextTest, PrepareSavesTheStateAndMakesTextTransparent)
{
    EXPECT_EQ(GetBkMode(canvas.dc()), OPAQUE);
    ASSERT_TRUE(ctx.Prepare());
    EXPECT_NE(ctx.savedState, 0);
    EXPECT_EQ(GetBkMode(canvas.dc()), TRANSPARENT);
    ctx.SelectPen(&sharedPen, kWhitePen);
    ctx.Unprepare();
    EXPECT_EQ(ctx.savedState, 0);
    EXPECT_EQ(GetBkMode(canvas.dc()), OPAQUE);
    EXPECT_NE(GetCurrentObject(canvas.dc(), OBJ_PEN), sharedPen.pens[kWhitePen]);
}

TEST_F(ContextTest, SelectingASlotOutsideATableDoesNothing)
{
    ASSERT_TRUE(ctx.SelectPen(&sharedPen, 1));
    ASSERT_TRUE(ctx.SelectFont(&sharedFont, 2));
    HGDIOBJ pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    HGDIOBJ font = GetCurrentObject(canvas.dc(), OBJ_FONT);
    const long height = ctx.fontHeight;
    long *widths = ctx.fontWidths;

    CGUIPen emptyPens;
    CGUIFont emptyFonts;
    EXPECT_FALSE(ctx.SelectPen(&sharedPen, sharedPen.count));
    EXPECT_FALSE(ctx.SelectPen(&sharedPen, -1));
    EXPECT_FALSE(ctx.SelectPen(&emptyPens, 0));
    EXPECT_FALSE(ctx.SelectPen(nullptr, 0));
    EXPECT_FALSE(ctx.SelectFont(&sharedFont, sharedFont.count));
    EXPECT_FALSE(ctx.SelectFont(&sharedFont, -1));
    EXPECT_FALSE(ctx.SelectFont(&emptyFonts, 0));
    EXPECT_FALSE(ctx.SelectFont(nullptr, 0));

    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font);
    EXPECT_EQ(ctx.fontHeight, height);
    EXPECT_EQ(ctx.fontWidths, widths);
}

namespace {

// A little of everything, in window coordinates.
void drawScene(CGUIContext &c)
{
    RGBACOLOR green(0, 160, 0, 255);
    c.FillQuad(QUAD(0, 0, 100, 60), &colLtGray);
    c.DrawHorzGradient(&sharedGradient, 0, 8, 4, 70);
    c.FillQuad(QUAD(20, 30, 45, 50), &green);
    c.SelectPen(&sharedPen, 1);
    c.DrawQuad(QUAD(15, 25, 60, 55));
    c.DrawLine(0, 59, 99, 0);
    c.DrawImage(&sharedImage, 1, 0, 70, 35);
    c.SelectFont(&sharedFont, 0);
    c.SelectFontColor(&colBlack);
    c.DrawTextA(QUAD(0, 30, 100, 60), 2, 2, "Flash", -1);
}

} // namespace

TEST(DoubleBuffer, FlashingTheBufferEqualsDrawingDirect)
{
    Canvas direct(100, 60, kBackground);
    Canvas buffered(100, 60, kBackground);
    // A window whose visible part is only (10, 5)-(50, 40): the buffer covers
    // that part, drawn with the window's own coordinates.
    for (Canvas *c : {&direct, &buffered}) {
        HRGN region = CreateRectRgn(10, 5, 50, 40);
        SelectClipRgn(c->dc(), region);
        DeleteObject(region);
    }
    {
        CGUIContext window(direct.dc());
        window.InitViewport();
        ASSERT_TRUE(window.Prepare());
        drawScene(window);
        window.Unprepare();
    }
    CGUIContext window(buffered.dc());
    CGUIContext *buffer = window.TryCreateDoubleBuffer();
    ASSERT_NE(buffer, &window);
    EXPECT_EQ(*buffer->GetQuadViewPort(), QUAD(10, 5, 50, 40));
    EXPECT_EQ(buffer->offsetX, -10);
    EXPECT_EQ(buffer->offsetY, -5);
    ASSERT_TRUE(buffer->Prepare());
    drawScene(*buffer);
    EXPECT_EQ(buffered.countNot(kBackground), 0) << "nothing on the window before Flash";
    window.Flash(buffer);
    buffer->Unprepare();
    window.TryDestroyDoubleBuffer(buffer);

    EXPECT_GT(direct.countNot(kBackground), 0);
    EXPECT_TRUE(buffered.samePixels(direct));
}

TEST(DoubleBuffer, WhenNoBufferCanBeMadeDrawingGoesStraightToTheDevice)
{
    Canvas canvas(100, 60, kBackground);
    Canvas expected(100, 60, kBackground);
    {
        CGUIContext window(expected.dc());
        window.Prepare();
        drawScene(window);
        window.Unprepare();
    }
    // A device whose clip box is empty keeps the viewport it had: here one
    // far too large for any bitmap.
    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    SelectClipRgn(canvas.dc(), empty);
    DeleteObject(empty);
    CGUIContext window(canvas.dc());
    window.GetQuadViewPort()->Set(0, 0, 1000000, 1000000);
    CGUIContext *buffer = window.TryCreateDoubleBuffer();
    ASSERT_EQ(buffer, &window);
    SelectClipRgn(canvas.dc(), nullptr);

    ASSERT_TRUE(buffer->Prepare());
    drawScene(*buffer);
    window.Flash(buffer);
    buffer->Unprepare();
    window.TryDestroyDoubleBuffer(buffer);
    EXPECT_TRUE(canvas.samePixels(expected));
    // The window's context is still whole.
    window.FillQuad(QUAD(0, 0, 1, 1), &colWhite);
    EXPECT_EQ(canvas.at(0, 0), RGB(255, 255, 255));
}
