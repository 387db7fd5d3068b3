#include "data/strings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace Quorvane;

namespace {

struct Freed {
    char *text;
    ~Freed() { std::free(text); }
};

TEST(Strings, CreateStringCopiesWithATerminator)
{
    Freed whole{CreateString("drums")};
    EXPECT_STREQ(whole.text, "drums");
    Freed part{CreateString("drums", 3)};
    EXPECT_STREQ(part.text, "dru");
    Freed beyond{CreateString("ab", 10)}; // never reads past the terminator
    EXPECT_STREQ(beyond.text, "ab");
    EXPECT_EQ(CreateString(nullptr), nullptr);
    EXPECT_EQ(CreateString(""), nullptr);
    EXPECT_EQ(CreateString("abc", 0), nullptr);
}

TEST(Strings, CompareTreatsNullAsEmpty)
{
    EXPECT_EQ(LengthString(nullptr), 0);
    EXPECT_EQ(LengthString("abc"), 3);
    EXPECT_EQ(CompareStringA(nullptr, ""), 0);
    EXPECT_EQ(CompareStringA("a", nullptr), 1);
    EXPECT_EQ(CompareStringA("abc", "abd"), -1);
    EXPECT_EQ(CompareStringA("b", "abc"), 1);
    EXPECT_EQ(CompareStringA("\xE9", "z"), 1); // byte-wise, unsigned
}

TEST(Strings, InPlaceEdits)
{
    char line[] = "one\ttwo\r\nthree\x1f\xE9";
    EXPECT_STREQ(SingleLineString(line), "one two  three \xE9");
    char path[] = "C:\\songs/rock\\Verse.take2.mid";
    EXPECT_STREQ(FileNameFromPath(path), "Verse.take2");
    char plain[] = "name";
    EXPECT_STREQ(FileNameFromPath(plain), "name");
}

TEST(Strings, TextWidthIndexesByUnsignedBytes)
{
    long widths[256];
    for (long &w : widths)
        w = 1;
    widths[0xE9] = 50;
    widths[0xFF] = 7;
    widths[9] = 1000; // control characters count nothing
    EXPECT_EQ(TextWidth("a\xE9\xFF\tb", -1, widths), 1 + 50 + 7 + 1);
    EXPECT_EQ(TextWidth("a\xE9\xFF", 2, widths), 51);
    EXPECT_EQ(TextWidth(nullptr, 3, widths), 0);
}

} // namespace
