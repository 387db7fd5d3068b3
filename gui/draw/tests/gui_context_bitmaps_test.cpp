// Gradient bands, images and marks drawn through the context: tiling,
// clipping to the viewport, slots outside a table, and the marks' place.
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

constexpr COLORREF kBackground = RGB(1, 2, 3);

// Gradient 0 (colBkgndMaster) from its build: the middle rows are the colour.
COLORREF masterBase()
{
    return colBkgndMaster.OSColor();
}

class BitmapsTest : public ::testing::Test {
protected:
    Canvas canvas{100, 60, kBackground};
    CGUIContext ctx{canvas.dc()};
};

} // namespace

TEST_F(BitmapsTest, HorizontalBandsAreTiledAcrossTheirWidth)
{
    ctx.DrawHorzGradient(&sharedGradient, 0, 3, 2, 40);
    RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 3, 2, 43, 28)) << rectText(box);
    for (int x : {3, 18, 19, 35, 42})
        EXPECT_EQ(canvas.at(x, 2 + 10), masterBase()) << x;

    // Clipped to the viewport across, never downward.
    canvas.fill(kBackground);
    ctx.GetQuadViewPort()->Set(10, 0, 30, 10);
    ctx.DrawHorzGradient(&sharedGradient, 0, 3, 2, 40);
    box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 10, 2, 30, 28)) << rectText(box);

    canvas.fill(kBackground);
    ctx.DrawHorzGradient(&sharedGradient, 0, 31, 2, 40); // right of the viewport
    ctx.DrawHorzGradient(&sharedGradient, 0, 3, 11, 40); // below it
    EXPECT_EQ(canvas.countNot(kBackground), 0);
}

TEST_F(BitmapsTest, VerticalBandsAreTiledDownTheirHeight)
{
    CGUIGradient table;
    ASSERT_TRUE(table.Init(1));
    const RGBACOLOR base(100, 150, 200, 255);
    ASSERT_TRUE(table.SetGradient(0, &ctx, 12, &base, 40, 0));
    ctx.DrawVertGradient(&table, 0, 5, 1, 50);
    RECT box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 5, 1, 17, 51)) << rectText(box);
    EXPECT_EQ(canvas.at(5, 17), RGB(140, 190, 240));

    canvas.fill(kBackground);
    ctx.GetQuadViewPort()->Set(0, 10, 8, 20);
    ctx.DrawVertGradient(&table, 0, 5, 1, 50);
    box = canvas.inkBox(kBackground);
    EXPECT_TRUE(sameRect(box, 5, 10, 17, 20)) << rectText(box);
}

TEST_F(BitmapsTest, SlotsOutsideTheTablesDrawNothing)
{
    CGUIGradient emptyGradients;
    CGUIImage emptyImages;
    ctx.DrawHorzGradient(&sharedGradient, sharedGradient.count, 0, 0, 50);
    ctx.DrawHorzGradient(&sharedGradient, -1, 0, 0, 50);
    ctx.DrawVertGradient(&sharedGradient, sharedGradient.count, 0, 0, 50);
    ctx.DrawHorzGradient(&emptyGradients, 0, 0, 0, 50);
    ctx.DrawHorzGradient(nullptr, 0, 0, 0, 50);
    ctx.DrawImage(&sharedImage, sharedImage.count, 0, 0, 0);
    ctx.DrawImage(&sharedImage, -1, 0, 0, 0);
    ctx.DrawImage(&emptyImages, 0, 0, 0, 0);
    ctx.DrawImage(nullptr, 0, 0, 0, 0);
    EXPECT_EQ(canvas.countNot(kBackground), 0);
}

TEST_F(BitmapsTest, OnlyTheTablesCountSaysWhichSlotsExist)
{
    // Two built slots, of which the table admits only the first: the
    // second is outside it, however well made.
    CGUIGradient gradients;
    CGUIImage images;
    ASSERT_TRUE(gradients.Init(2));
    ASSERT_TRUE(images.Init(2));
    const RGBACOLOR base(100, 150, 200, 255);
    const unsigned char pixel[4] = {9, 9, 9, 255};
    for (long i = 0; i < 2; ++i) {
        ASSERT_TRUE(gradients.SetGradient(i, &ctx, 26, &base, 40, 1));
        ASSERT_TRUE(images.SetImage(i, &ctx, 1, 1, 1, pixel));
    }
    gradients.count = 1;
    images.count = 1;
    ctx.DrawHorzGradient(&gradients, 1, 0, 0, 50);
    ctx.DrawVertGradient(&gradients, 1, 0, 0, 50);
    ctx.DrawImage(&images, 1, 0, 0, 0);
    EXPECT_EQ(canvas.countNot(kBackground), 0);
    ctx.DrawImage(&images, 0, 0, 0, 0);
    EXPECT_EQ(canvas.countNot(kBackground), 1);
    gradients.count = 2;
    images.count = 2;
}

TEST_F(BitmapsTest, ImagesKeepTheBackgroundWhereTransparent)
{
    // The drop-down mark (image 5, frame 0) has transparent corners.
    ctx.DrawImage(&sharedImage, 5, 0, 10, 10);
    EXPECT_EQ(canvas.at(10, 10), kBackground);
    const RECT box = canvas.inkBox(kBackground);
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.right, 18);
    EXPECT_GE(box.top, 10);
    EXPECT_LE(box.bottom, 22);
    EXPECT_GT(canvas.countNot(kBackground), 0);
}

TEST_F(BitmapsTest, MarksSitAtTheRightEdgeWhenThereIsRoom)
{
    struct Case {
        const char *what;
        void (*draw)(CGUIContext &, QUAD);
        long frame;
    };
    const Case cases[] = {
        {"drop-down", [](CGUIContext &c, QUAD q) { c.DrawDropDownMark(q, 1); }, 0},
        {"drop-down disabled", [](CGUIContext &c, QUAD q) { c.DrawDropDownMark(q, 0); }, 1},
        {"up/down", [](CGUIContext &c, QUAD q) { c.DrawUpDownMark(q, 3); }, 2},
        {"up/down at 0", [](CGUIContext &c, QUAD q) { c.DrawUpDownMark(q, 0); }, 3},
        {"up/down below 0", [](CGUIContext &c, QUAD q) { c.DrawUpDownMark(q, -1); }, 3},
    };
    ASSERT_EQ(sharedImage.widths[5], 8);
    ASSERT_EQ(sharedImage.heights[5], 12);
    for (const Case &c : cases) {
        canvas.fill(kBackground);
        c.draw(ctx, QUAD(20, 7, 29, 32)); // 9 wide: no room
        EXPECT_EQ(canvas.countNot(kBackground), 0) << c.what;

        c.draw(ctx, QUAD(20, 7, 30, 32)); // 10 wide
        Canvas expected(100, 60, kBackground);
        CGUIContext e(expected.dc());
        e.DrawImage(&sharedImage, 5, c.frame, 30 - 8, (7 + 32 - 12) / 2);
        EXPECT_GT(canvas.countNot(kBackground), 0) << c.what;
        EXPECT_TRUE(canvas.samePixels(expected)) << c.what;
    }
}
