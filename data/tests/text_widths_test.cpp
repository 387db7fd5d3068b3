#include "data/lyrics_text.h"
#include "data/strings.h"
#include "data/text_widths.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

// Without the drawing kit the tables hold plausible widths, so texts can be
// measured and laid out.
TEST(TextWidths, DefaultsMeasureText)
{
    for (const long *table : {ptabWidthD, ptabWidthL, ptabWidthT, ptabWidthC}) {
        ASSERT_NE(table, nullptr);
        EXPECT_GT(table['W'], table['i']);
        EXPECT_GT(table[' '], 0);
        EXPECT_GT(table[0xE9], 0); // Latin-1 letters have a width
        EXPECT_EQ(table[0], 0);
    }
    for (long height : {HeightD, HeightL, HeightT, HeightC})
        EXPECT_GT(height, 0);
    EXPECT_GT(TextWidth("Intro", -1, ptabWidthT), 0);

    CText text;
    int mode = 1;
    ASSERT_EQ(text.AddNewChar(0, 0, 'W', mode), 1);
    EXPECT_EQ(text.GetMaxWidth(), ptabWidthT['W']);
    ASSERT_EQ(text.GetNumNodes(), 1);
    EXPECT_EQ(text.GetTextNode(0)->widthD, ptabWidthD['W'] + ptabWidthD[' ']);
}

TEST(TextWidths, CharWidthReadsUnsignedBytes)
{
    EXPECT_EQ(CharWidth(ptabWidthT, '\xE9'), ptabWidthT[0xE9]);
    EXPECT_EQ(CharWidth(ptabWidthT, '\xFF'), ptabWidthT[255]);
}

} // namespace
