#include "plugin/framework/gui/bitmaps.h"

#include "plugin/framework/gui/event_bar.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"

#include <gtest/gtest.h>

namespace {

using gui_test::Canvas;
using namespace Quorvane;

constexpr COLORREF kFace = 0x7C948C;
constexpr COLORREF kShadow = 0x404040;

// Draws the whole bitmap at (0, 0) of a canvas of its size.
struct Drawn {
    explicit Drawn(Bitmap *bitmap) : canvas(bitmap->width(), bitmap->height(), 0x777777)
    {
        GraphicsContext gc(canvas.dc());
        gc.drawBitmapAt({0, 0}, bitmap);
    }
    Canvas canvas;
};

RefPtr<OpaqueBitmap> mapped(WORD id, std::initializer_list<ColourMapEntry> map)
{
    return RefPtr<OpaqueBitmap>::adopt(
        OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(id), map.begin(), static_cast<int>(map.size())));
}

TEST(BitmapLoadTest, MappedLoadReplacesTableColours)
{
    RefPtr<OpaqueBitmap> bitmap =
        mapped(IDB_TEST_MAPPED, {{kFace, 1, 2, 3, 0}, {kShadow, 4, 5, 6, 0}, {0xABCDEF, 9, 9, 9, 0}});
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->width(), 4);
    ASSERT_EQ(bitmap->height(), 2);
    Drawn drawn(bitmap.get());
    EXPECT_EQ(drawn.canvas.pixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(drawn.canvas.pixel(3, 1), RGB(4, 5, 6));
}

TEST(BitmapLoadTest, LaterEntriesSeeWhatEarlierOnesProduced)
{
    RefPtr<OpaqueBitmap> bitmap = mapped(IDB_TEST_MAPPED, {{kFace, 9, 9, 9, 0}, {RGB(9, 9, 9), 7, 7, 7, 0}});
    ASSERT_TRUE(bitmap);
    Drawn drawn(bitmap.get());
    EXPECT_EQ(drawn.canvas.pixel(0, 0), RGB(7, 7, 7));
    EXPECT_EQ(drawn.canvas.pixel(3, 0), kShadow) << "an entry whose colour is not there changes nothing";
}

TEST(BitmapLoadTest, DeepBitmapHasNoColourTable)
{
    // 24 bits per pixel and no colour count: nothing to map, and nothing
    // read past the pixels.
    RefPtr<OpaqueBitmap> bitmap = mapped(IDB_TEST_DEEP, {{RGB(0x7C, 0x94, 0x8C), 1, 1, 1, 0}});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->width(), 3);
    Drawn drawn(bitmap.get());
    EXPECT_EQ(drawn.canvas.pixel(2, 1), RGB(0x7C, 0x94, 0x8C));
}

TEST(BitmapLoadTest, RowsAreWholeWords)
{
    // 9 pixels of 4 bits fill 36 bits: each row takes 8 bytes, not 4.
    RefPtr<OpaqueBitmap> bitmap = mapped(IDB_TEST_ODD_WIDTH, {});
    ASSERT_TRUE(bitmap);
    Drawn drawn(bitmap.get());
    EXPECT_EQ(drawn.canvas.pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(drawn.canvas.pixel(8, 0), 0x0000FFu);
    EXPECT_EQ(drawn.canvas.pixel(0, 1), 0x00FF00u);
    EXPECT_EQ(drawn.canvas.pixel(8, 1), 0xFF0000u);
}

TEST(BitmapLoadTest, ResourceShorterThanItsHeaderLoadsNothing)
{
    EXPECT_FALSE(mapped(IDB_TEST_TRUNCATED, {{kFace, 1, 1, 1, 0}}));
    EXPECT_FALSE(mapped(IDB_TEST_MISSING, {}));
}

TEST(BitmapLoadTest, MissingResourceGivesAnEmptyBitmap)
{
    RefPtr<OpaqueBitmap> bitmap =
        RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_MISSING)));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->handle(), nullptr);
    EXPECT_EQ(bitmap->width(), 0);
    Canvas canvas(4, 4, 0x123456);
    GraphicsContext gc(canvas.dc());
    gc.drawBitmapAt({0, 0}, bitmap.get());
    gc.drawBitmapAt({0, 0}, nullptr);
    EXPECT_EQ(canvas.pixel(0, 0), 0x123456u);
}

TEST(BitmapLoadTest, ToolkitPicturesLoadWithTheSystemColours)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (WORD id : {2102, 2103}) {
        const ColourMapEntry map[2] = {{kFace, GetRValue(face), GetGValue(face), GetBValue(face), 0},
                                       {kShadow, 1, 2, 3, 0}};
        RefPtr<OpaqueBitmap> bitmap =
            RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(id), map, 2));
        ASSERT_TRUE(bitmap) << id;
        EXPECT_EQ(bitmap->width() % 4, 0) << "four cells";
        Drawn drawn(bitmap.get());
        EXPECT_EQ(drawn.canvas.pixel(1, 1), face) << id;
    }
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_EVENT_IMAGE)));
        mask = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_EVENT_MASK)));
        picture.setBitmaps(image.get(), mask.get());
    }
    RefPtr<OpaqueBitmap> image;
    RefPtr<OpaqueBitmap> mask;
    EventPicture picture;
};

TEST_F(PictureTest, EventPictureCellsAreSquaresOfAThirdOfTheHeight)
{
    EXPECT_EQ(picture.width(), 5);
    EXPECT_EQ(picture.height(), 5);
    EXPECT_EQ(picture.cellCount(), 4);
    struct Case {
        int value, min, max, cell;
    };
    const Case cases[] = {{127, 20, 127, 0}, {20, 20, 127, 3}, {5, 20, 127, 3}, {200, 20, 127, 0},
                          {74, 20, 127, 1},  {50, 50, 50, 0},  {50, 60, 50, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(picture.frameForValue(c.value, c.min, c.max), c.cell)
            << c.value << " in " << c.min << ".." << c.max;
}

TEST_F(PictureTest, CentredCellShowsThroughTheMask)
{
    Canvas canvas(20, 20, 0xFFFFFF);
    GraphicsContext gc(canvas.dc());
    PicturePainter(picture, gc).drawCentered(10, 10, 2, 0);
    EXPECT_EQ(canvas.pixel(10, 10), 0xFF0000u) << "the third cell is blue";
    EXPECT_EQ(canvas.pixel(9, 9), 0xFF0000u);
    EXPECT_EQ(canvas.pixel(8, 8), 0xFFFFFFu) << "the mask's white border keeps the background";
    EXPECT_EQ(canvas.pixel(13, 10), 0xFFFFFFu);
}

} // namespace
