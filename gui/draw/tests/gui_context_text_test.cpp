// Text through the drawing context: placement by the width tables, the
// number overloads, the lyric line with its callback, and lines of a text
// object. Expected positions come from the rule (the width table and the
// alignment), and the drawn pixels are compared with text drawn plainly
// at that position.
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"

#include "data/lyrics_text.h"
#include "data/storage.h"
#include "data/strings.h"
#include "data/text_widths.h"

#include "canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Quorvane;
using pannikel_test::Canvas;

namespace {

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr long kDefaultFont = 0;
constexpr long kLyricFont = 2;

long widthOf(const char *text, long font)
{
    long height = 0;
    long *widths = nullptr;
    sharedFont.GetFontParams(font, height, widths);
    long sum = 0;
    for (const char *c = text; *c; ++c)
        sum += widths[static_cast<unsigned char>(*c)];
    return sum;
}

long heightOf(long font)
{
    long height = 0;
    long *widths = nullptr;
    sharedFont.GetFontParams(font, height, widths);
    return height;
}

// A canvas with a prepared context in black text of one shared font.
struct TextCanvas {
    explicit TextCanvas(long font = kDefaultFont, int w = 200, int h = 60)
        : canvas(w, h, kBackground), ctx(canvas.dc())
    {
        ctx.Prepare();
        ctx.SelectFont(&sharedFont, font);
        ctx.SelectFontColor(&colBlack);
    }
    ~TextCanvas() { ctx.Unprepare(); }
    Canvas canvas;
    CGUIContext ctx;
};

} // namespace

TEST(ContextText, AlignedTextSitsWhereTheWidthTableSays)
{
    const char *text = "Tempo 120";
    const long w = widthOf(text, kDefaultFont);
    const long h = heightOf(kDefaultFont);
    const QUAD q(10, 5, 190, 55);
    const long inset = 3;
    const QUAD in(13, 8, 187, 52);
    struct Case {
        unsigned long align;
        long x, y;
    };
    const Case cases[] = {
        {0, in.left, in.top},
        {1, in.left + (in.Width() - w) / 2, in.top},
        {2, in.right - w, in.top},
        {4, in.left, in.top + (in.Height() - h) / 2},
        {5, in.left + (in.Width() - w) / 2, in.top + (in.Height() - h) / 2},
        {6, in.right - w, in.top + (in.Height() - h) / 2},
        {8, in.left, in.bottom - h},
        {10, in.right - w, in.bottom - h},
    };
    for (const Case &c : cases) {
        TextCanvas aligned;
        aligned.ctx.DrawTextA(q, c.align, inset, text, -1);
        TextCanvas plain;
        plain.ctx.DrawTextA(c.x, c.y, text, -1);
        EXPECT_GT(aligned.canvas.countNot(kBackground), 0);
        EXPECT_TRUE(aligned.canvas.samePixels(plain.canvas)) << "align " << c.align;
        const RECT ink = aligned.canvas.inkBox(kBackground);
        EXPECT_GE(ink.left, c.x);
        EXPECT_LE(ink.right, c.x + w);
        EXPECT_GE(ink.top, c.y);
        EXPECT_LE(ink.bottom, c.y + h);
    }
}

TEST(ContextText, AlignedTextIsCutAtTheRectangle)
{
    TextCanvas t;
    t.ctx.DrawTextA(QUAD(20, 10, 40, 40), 0, 2, "Wide words that do not fit", -1);
    const RECT ink = t.canvas.inkBox(kBackground);
    EXPECT_GE(ink.left, 22);
    EXPECT_LE(ink.right, 38);
    EXPECT_GT(t.canvas.countNot(kBackground), 0);
}

TEST(ContextText, NullEmptyOrZeroLengthTextDrawsNothing)
{
    TextCanvas t;
    t.ctx.DrawTextA(5, 5, nullptr, -1);
    t.ctx.DrawTextA(5, 5, "", -1);
    t.ctx.DrawTextA(5, 5, "abc", 0);
    t.ctx.DrawTextA(QUAD(0, 0, 200, 60), 0, 0, nullptr, -1);
    t.ctx.DrawTextA(QUAD(0, 0, 200, 60), 0, 0, "", 5);
    t.ctx.DrawTextA(QUAD(0, 0, 200, 60), 0, 0, "abc", 0);
    t.ctx.DrawTextA(QUAD(0, 0, 20, 60), 0, 10, "abc", -1); // no width left
    t.ctx.DrawTextA(QUAD(0, 0, 200, 12), 0, 6, "abc", -1); // no height left
    EXPECT_EQ(t.canvas.countNot(kBackground), 0);
}

TEST(ContextText, LengthCutsTheRunAndMinusOneMeasuresTheString)
{
    TextCanvas cut;
    cut.ctx.DrawTextA(QUAD(0, 0, 200, 60), 2, 0, "Bar 12", 3);
    TextCanvas whole;
    whole.ctx.DrawTextA(QUAD(0, 0, 200, 60), 2, 0, "Bar", -1);
    EXPECT_TRUE(cut.canvas.samePixels(whole.canvas));
}

TEST(ContextText, NumbersAreFormattedThenPlaced)
{
    struct Case {
        const char *what;
        void (*draw)(CGUIContext &);
        const char *text;
    };
    const Case cases[] = {
        {"DrawInt default", [](CGUIContext &c) { c.DrawInt(QUAD(0, 0, 200, 60), 5, 2, -42, nullptr); },
         "-42"},
        {"DrawInt format", [](CGUIContext &c) { c.DrawInt(QUAD(0, 0, 200, 60), 5, 2, 7, "%03i"); }, "007"},
        {"DrawFloat", [](CGUIContext &c) { c.DrawFloat(QUAD(0, 0, 200, 60), 5, 2, 2.5f, 2); }, "2.50"},
        {"DrawFloat no digits", [](CGUIContext &c) { c.DrawFloat(QUAD(0, 0, 200, 60), 5, 2, 2.5f, 0); }, "2"},
        {"DrawFloat digits above 9",
         [](CGUIContext &c) { c.DrawFloat(QUAD(0, 0, 200, 60), 5, 2, 1.25f, 12); }, "1.250000000"},
        {"DrawFloat negative digits",
         [](CGUIContext &c) { c.DrawFloat(QUAD(0, 0, 200, 60), 5, 2, 3.75f, -3); }, "4"},
    };
    for (const Case &c : cases) {
        TextCanvas drawn;
        c.draw(drawn.ctx);
        TextCanvas expected;
        expected.ctx.DrawTextA(QUAD(0, 0, 200, 60), 5, 2, c.text, -1);
        EXPECT_GT(drawn.canvas.countNot(kBackground), 0) << c.what;
        EXPECT_TRUE(drawn.canvas.samePixels(expected.canvas)) << c.what;
    }
}

TEST(ContextText, WithoutATableFontTextIsMeasuredByTheDevice)
{
    Canvas canvas(200, 60, kBackground);
    CGUIContext ctx(canvas.dc());
    ctx.Prepare();
    SIZE size{};
    GetTextExtentPoint32A(canvas.dc(), "Right", 5, &size);
    ctx.DrawTextA(QUAD(0, 0, 200, 60), 2, 0, "Right", -1);
    const RECT ink = canvas.inkBox(kBackground);
    ctx.Unprepare();
    EXPECT_GE(ink.left, 200 - size.cx);
    EXPECT_LE(ink.right, 200);
    EXPECT_GT(ink.right, 200 - size.cx / 2);
}

namespace {

struct Call {
    LONG_PTR x, line, offset, user0, user7;
};
std::vector<Call> calls;

void record(STDTCALLBACK &r)
{
    calls.push_back({r.x, r.line, r.offset, r.user0, r.user7});
}

// A callback that draws in another font, as the lyric window's annotations do.
void annotate(STDTCALLBACK &r)
{
    auto *ctx = reinterpret_cast<CGUIContext *>(r.user0);
    ctx->SelectFont(&sharedFont, 3);
    record(r);
}

std::string lyric(std::initializer_list<const char *> parts)
{
    std::string s;
    for (const char *p : parts)
        s += p;
    return s;
}

} // namespace

TEST(ContextText, LyricLineCallsBackAtEachDivider)
{
    const std::string line = lyric({"Hal", "\x01", "le", "\x01", "lu", "\x01", "jah", "\x01"});
    const long start = 7;
    const long wHal = TextWidth("Hal", -1, ptabWidthT);
    const long wLe = TextWidth("le", -1, ptabWidthT);
    const long wLu = TextWidth("lu", -1, ptabWidthT);
    const long wJah = TextWidth("jah", -1, ptabWidthT);

    TextCanvas t(kLyricFont, 300, 40);
    STDTCALLBACK rec{};
    rec.user0 = 1234;
    rec.user7 = -5;
    rec.line = 3;
    calls.clear();
    t.ctx.DrawTextA(start, 10, line.c_str(), -1, 4, record, rec);

    ASSERT_EQ(calls.size(), 4u);
    const Call expected[] = {
        {start + wHal, 3, 4, 1234, -5},
        {start + wHal + wLe, 3, 7, 1234, -5},
        {start + wHal + wLe + wLu, 3, 10, 1234, -5},
        {start + wHal + wLe + wLu + wJah, 4, 0, 1234, -5}, // the last byte ends the line
    };
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[i].x, expected[i].x) << i;
        EXPECT_EQ(calls[i].line, expected[i].line) << i;
        EXPECT_EQ(calls[i].offset, expected[i].offset) << i;
        EXPECT_EQ(calls[i].user0, 1234) << "the caller's fields stay";
        EXPECT_EQ(calls[i].user7, -5);
    }
    EXPECT_EQ(rec.line, 4);
    EXPECT_EQ(GetTextColor(t.canvas.dc()), colLyricStd.OSColor()) << "standard colour afterwards";

    // Only the syllable at byte 4 ("le") is in the current colour.
    const COLORREF cur = colLyricCur.OSColor();
    bool curInLe = false;
    bool curElsewhere = false;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (t.canvas.at(x, y) != cur)
                continue;
            if (x >= start + wHal && x < start + wHal + wLe)
                curInLe = true;
            else
                curElsewhere = true;
        }
    }
    EXPECT_TRUE(curInLe);
    EXPECT_FALSE(curElsewhere);
}

TEST(ContextText, LyricLineDrawsLikeItsSyllablesDrawnOneByOne)
{
    const std::string line = lyric({"Ah", "\x01", "men", "\x01", "tail"});
    TextCanvas lyricCanvas(kLyricFont, 300, 40);
    STDTCALLBACK rec{};
    rec.user0 = reinterpret_cast<LONG_PTR>(&lyricCanvas.ctx);
    calls.clear();
    lyricCanvas.ctx.DrawTextA(5, 10, line.c_str(), -1, 0, annotate, rec);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].offset, 7);
    EXPECT_EQ(rec.line, 0) << "no divider at the end of this line";

    // Syllable 0 in the current colour, the rest standard, each at the x
    // the lyric widths give, all in the lyric font although the callback
    // chose another.
    TextCanvas expected(kLyricFont, 300, 40);
    long x = 5;
    expected.ctx.SelectFontColor(&colLyricCur);
    expected.ctx.DrawTextA(x, 10, "Ah", -1);
    x += TextWidth("Ah", -1, ptabWidthT);
    expected.ctx.SelectFontColor(&colLyricStd);
    expected.ctx.DrawTextA(x, 10, "men", -1);
    x += TextWidth("men", -1, ptabWidthT);
    expected.ctx.DrawTextA(x, 10, "tail", -1);
    EXPECT_TRUE(lyricCanvas.canvas.samePixels(expected.canvas));
}

TEST(ContextText, LyricLineOfNothingDrawsNothingAndCallsNothing)
{
    TextCanvas t(kLyricFont);
    STDTCALLBACK rec{};
    calls.clear();
    t.ctx.DrawTextA(0, 0, nullptr, -1, 0, record, rec);
    t.ctx.DrawTextA(0, 0, "abc", 0, 0, record, rec);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(t.canvas.countNot(kBackground), 0);
}

TEST(ContextText, TextLinesRunOnOneRowUpToTheFirstDivider)
{
    CText text;
    const char block[] = "first\nsecond\nthi\x01rd\nfourth";
    CMemStorage storage;
    ASSERT_TRUE(storage.PutBuffer(block, sizeof block - 1));
    ASSERT_TRUE(text.CreateFromText(&storage));
    ASSERT_EQ(text.GetNumLines(), 4);

    TextCanvas lines(kLyricFont, 400, 40);
    lines.ctx.DrawTextA(4, 10, &text, 0, 2, ptabWidthT);

    TextCanvas expected(kLyricFont, 400, 40);
    const long space = ptabWidthT[' '];
    long x = 4;
    expected.ctx.DrawTextA(x, 10, "rst", -1);
    x += TextWidth("rst", -1, ptabWidthT) + space;
    expected.ctx.DrawTextA(x, 10, "second", -1);
    x += TextWidth("second", -1, ptabWidthT) + space;
    expected.ctx.DrawTextA(x, 10, "thi", -1);
    EXPECT_TRUE(lines.canvas.samePixels(expected.canvas));

    TextCanvas none(kLyricFont, 400, 40);
    none.ctx.DrawTextA(4, 10, static_cast<CText *>(nullptr), 0, 0, ptabWidthT);
    none.ctx.DrawTextA(4, 10, &text, 7, 0, ptabWidthT);
    EXPECT_EQ(none.canvas.countNot(kBackground), 0);
}

TEST(ContextText, FontMetricsOfTheSelectedFont)
{
    Canvas canvas(10, 10);
    CGUIContext ctx(canvas.dc());
    SelectObject(canvas.dc(), sharedFont.fonts[0]);
    long height = 0;
    long widths[256] = {};
    ASSERT_TRUE(ctx.GetFontParams(&height, widths));
    TEXTMETRICA metrics{};
    GetTextMetricsA(canvas.dc(), &metrics);
    EXPECT_EQ(height, metrics.tmAscent + metrics.tmDescent);
    SIZE size{};
    GetTextExtentPoint32A(canvas.dc(), "W", 1, &size);
    EXPECT_EQ(widths['W'], size.cx);
    EXPECT_FALSE(ctx.GetFontParams(nullptr, widths));
}
