#include "gui/draw/draw_types.h"

#include <gtest/gtest.h>

#include <cstring>

using Quorvane::FONTPARAMS;
using Quorvane::QUAD;
using Quorvane::RGBACOLOR;

TEST(Quad, SizesStepsAndOffsets)
{
    QUAD q;
    q.SetWH(10, 20, 30, 40);
    EXPECT_EQ(q, QUAD(10, 20, 40, 60));
    EXPECT_EQ(q.Width(), 30);
    EXPECT_EQ(q.Height(), 40);
    q.StepDown(5);
    EXPECT_EQ(q, QUAD(10, 60, 40, 65));
    q.StepRight(7);
    EXPECT_EQ(q, QUAD(40, 60, 47, 65));
    q.OffsVert(-60);
    q.OffsHorz(2);
    EXPECT_EQ(q, QUAD(42, 0, 49, 5));
    EXPECT_NE(q, QUAD(42, 0, 49, 6));
    QUAD turned(9, 8, 1, 2);
    turned.Normalize();
    EXPECT_EQ(turned, QUAD(1, 2, 9, 8));
}

TEST(Quad, PointsAndIntersectionsTakeTheirEdgesAsTheyShould)
{
    const QUAD q(10, 10, 20, 20);
    EXPECT_TRUE(q.IsPtInQuad(20, 20));
    EXPECT_FALSE(q.IsPtInQuad1(20, 20));
    EXPECT_TRUE(q.IsPtInQuad1(19, 19));
    EXPECT_TRUE(q.IsPtInQuad1(10, 10));
    EXPECT_FALSE(q.IsPtInQuad(9, 15));

    struct Case {
        QUAD other;
        int expected;
    };
    const Case cases[] = {
        {{20, 20, 30, 30}, 1}, // corners touch
        {{21, 10, 30, 20}, 0}, // right of it
        {{0, 0, 9, 30}, 0},    // left of it
        {{12, 21, 14, 30}, 0}, // below
        {{12, 0, 14, 9}, 0},   // above
        {{0, 0, 10, 10}, 1},   // touching top-left
        {{12, 12, 14, 14}, 1}, // inside
    };
    for (const Case &c : cases)
        EXPECT_EQ(q.IsIntersect(&c.other), c.expected) << c.other.left << "," << c.other.top;
}

TEST(Quad, ClippingAnswersWhetherSomethingIsLeft)
{
    const QUAD view(0, 0, 100, 50);
    QUAD q(-10, -5, 30, 80);
    EXPECT_TRUE(q.ClipHorz(&view));
    EXPECT_EQ(q, QUAD(0, -5, 30, 80));
    EXPECT_TRUE(q.ClipVert(&view));
    EXPECT_EQ(q, QUAD(0, 0, 30, 50));
    QUAD outside(100, 0, 120, 10);
    EXPECT_FALSE(outside.ClipHorz(&view));
}

TEST(RgbaColor, OsColourDropsAlpha)
{
    RGBACOLOR c(1, 2, 3, 4);
    EXPECT_EQ(c.OSColor(), 0x030201u);
    c.Set(255, 0, 128, 0);
    EXPECT_EQ(c.OSColor(), 0x8000FFu);
    EXPECT_EQ(c.A, 0);
}

TEST(FontParams, FaceIsCutTo31Characters)
{
    const FONTPARAMS none(13, 500, nullptr);
    EXPECT_STREQ(none.face, "");
    const char *longFace = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const FONTPARAMS cut(10, 400, longFace);
    EXPECT_EQ(std::strlen(cut.face), 31u);
    EXPECT_EQ(std::strncmp(cut.face, longFace, 31), 0);
    EXPECT_EQ(cut.height, 10);
    EXPECT_EQ(cut.weight, 400);
}
