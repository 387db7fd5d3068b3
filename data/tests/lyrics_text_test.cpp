#include "data/lyrics_text.h"

#include "data/tests/lyrics_support.h"
#include "data/tests/recording_storage.h"
#include "data/tests/width_tables.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Quorvane;

namespace {

class LyricsText : public ::testing::Test {
protected:
    WidthTables widths;
    CText text;
};

TEST_F(LyricsText, NodesEndAtDividersAndLineEndsCountAsBlanks)
{
    fromText(text, "la\x01la");
    EXPECT_EQ(nodesOf(text), "0:0:6:10 0:3:7:12");
    CText twoLines;
    fromText(twoLines, "a\nb");
    EXPECT_EQ(nodesOf(twoLines), "0:0:8:14");
}

TEST_F(LyricsText, ADividerEndingALineStartsTheNextNodeOnThatLine)
{
    fromText(text, "ab\x01\ncd");
    EXPECT_EQ(nodesOf(text), "0:0:6:10 0:3:8:14");
    EXPECT_EQ(text.GetTextNodeByDivider(0, 3), 1);
    EXPECT_EQ(text.GetTextNodeByDivider(1, 0), -1);
}

TEST_F(LyricsText, NodeLookups)
{
    fromText(text, "la\x01la\x01\nle");
    EXPECT_EQ(text.GetNumNodes(), 3);
    EXPECT_EQ(text.GetTextNodeByDivider(0, 3), 1);
    EXPECT_EQ(text.GetTextNodeByDivider(0, 2), -1);
    EXPECT_EQ(text.GetTextNodeByDivider(0, 6), 2);
    EXPECT_EQ(text.GetTextNodeByDivider(0, 0), 0);
    EXPECT_EQ(text.GetTextNode(3), nullptr);
    long line, index, nextLine, nextIndex;
    text.nodes.GetTextBounds(1, line, index, nextLine, nextIndex);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(nextLine, 0);
    EXPECT_EQ(nextIndex, 6);
    text.nodes.GetTextBounds(2, line, index, nextLine, nextIndex);
    EXPECT_EQ(index, 6);
    EXPECT_EQ(nextLine, INT_MAX);
    EXPECT_EQ(nextIndex, INT_MAX);
    text.nodes.GetTextBounds(7, line, index, nextLine, nextIndex);
    EXPECT_EQ(line, INT_MAX);
    EXPECT_EQ(index, INT_MAX);
}

TEST_F(LyricsText, SavesTheTextBlockByteForByte)
{
    fromText(text, "ab\x01\n\n");
    ASSERT_EQ(text.GetNumLines(), 2);
    RecordingStorage out("");
    ASSERT_EQ(text.Save(&out), 1);
    EXPECT_EQ(out.content(), std::string("\x02\0\0\0\x03\0\0\0ab\x01\0\0\0\0", 15));
}

TEST_F(LyricsText, LoadsTextBlocks)
{
    RecordingStorage in(std::string("\x02\0\0\0\x03\0\0\0ab\x01\x01\0\0\0x", 16));
    ASSERT_EQ(text.Load(&in), 1);
    EXPECT_EQ(linesOf(text), "ab^|x");
    EXPECT_EQ(text.GetMaxWidth(), 20);
    EXPECT_EQ(text.GetNumNodes(), 2);

    CText empty;
    RecordingStorage none(std::string(4, '\0'));
    EXPECT_EQ(empty.Load(&none), 1);
    EXPECT_EQ(empty.GetNumLines(), 0);
    EXPECT_EQ(empty.GetNumNodes(), 0);
}

TEST_F(LyricsText, DamagedTextBlocksKeepTheLinesReadBefore)
{
    struct Case {
        const char *what;
        std::string block;
        long lines;
    } cases[] = {
        {"no count", "", 0},
        {"more lines than stored", std::string("\x03\0\0\0\x01\0\0\0a", 9), 1},
        {"a line longer than the block", std::string("\x02\0\0\0\x01\0\0\0a\xFF\xFF\xFF\x7Fxyz", 16), 1},
        {"a negative line length", std::string("\x01\0\0\0\xFF\xFF\xFF\xFF", 8), 0},
    };
    for (const Case &c : cases) {
        CText damaged;
        RecordingStorage in(c.block);
        EXPECT_EQ(damaged.Load(&in), 0) << c.what;
        EXPECT_EQ(damaged.GetNumLines(), c.lines) << c.what;
        EXPECT_LE(in.largestRead, std::max<long>(c.block.size(), 4)) << c.what;
    }
}

TEST_F(LyricsText, PlainTextLineEnds)
{
    struct Case {
        std::string plain;
        const char *lines;
    } cases[] = {
        {"a\r\nb\n\nc", "a|b||c"},
        {"a\n\rb", "a|b"},
        {"a\r\rb", "a||b"},
        {"a\tb\x1f\x01"
         "c\n",
         "a b ^c"},
        {"\xE9t\xE9", "\xE9t\xE9"},
        {"\n", ""},
    };
    for (const Case &c : cases) {
        CText t;
        fromText(t, c.plain);
        EXPECT_EQ(linesOf(t), c.lines);
    }
    CText t;
    fromText(t, "\n");
    EXPECT_EQ(t.GetNumLines(), 1);
    CText none;
    fromText(none, "");
    EXPECT_EQ(none.GetNumLines(), 0);
}

TEST_F(LyricsText, PositionsFromPixels)
{
    fromText(text, "a\x01"
                   "bc");
    long line = 0;
    EXPECT_EQ(text.GetPosByX(line, 0, widths.t.data()), 0);
    EXPECT_EQ(text.GetPosByX(line, 4, widths.t.data()), 0);
    EXPECT_EQ(text.GetPosByX(line, 5, widths.t.data()), 1);
    EXPECT_EQ(text.GetPosByX(line, 14, widths.t.data()), 1);
    EXPECT_EQ(text.GetPosByX(line, 15, widths.t.data()), 2);
    EXPECT_EQ(text.GetPosByX(line, 99, widths.t.data()), 3);
    line = 7;
    text.GetPosByX(line, 0, widths.t.data());
    EXPECT_EQ(line, 0);
    EXPECT_EQ(text.GetIndexByX(0, 12), 2);
    EXPECT_EQ(text.GetIndexByX(0, 30), -1);
    EXPECT_EQ(text.GetIndexByX(1, 0), -1);
}

TEST_F(LyricsText, CursorPlaces)
{
    fromText(text, "ai\x01"
                   "c");
    long line = 3, position = 2, x = -1, width = -1;
    text.MoveCursorT(line, position, x, width);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(x, 14);
    EXPECT_EQ(width, 10);
    position = 9;
    text.MoveCursorT(line, position, x, width);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(x, 24);
    EXPECT_EQ(width, 2); // the divider's entry stands for the cursor
    position = -4;
    text.MoveCursorT(line, position, x, width);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(width, 10);

    CText empty;
    line = 5;
    position = 5;
    empty.MoveCursorT(line, position, x, width);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(width, 2);
}

TEST_F(LyricsText, WordMoves)
{
    fromText(text, "ab cd\nx, \x01yz");
    struct Case {
        bool right;
        long line, position, toLine, toPosition;
    } cases[] = {
        {true, 0, 0, 0, 3}, {false, 0, 3, 0, 2}, {false, 0, 4, 0, 3}, {false, 0, 5, 0, 3},
        {true, 0, 5, 1, 0}, {true, 1, 0, 1, 3},  {true, 1, 1, 1, 3},  {false, 1, 0, 0, INT_MAX},
        {true, 1, 5, 1, 5}, {false, 0, 0, 0, 0}, {true, 0, -3, 0, 3}, {false, 1, 3, 1, 1},
    };
    for (const Case &c : cases) {
        long line = c.line, position = c.position;
        if (c.right)
            text.WordRight(line, position);
        else
            text.WordLeft(line, position);
        EXPECT_EQ(line, c.toLine) << c.right << " " << c.line << ":" << c.position;
        EXPECT_EQ(position, c.toPosition) << c.right << " " << c.line << ":" << c.position;
    }
    // A line ending in a separator: from its end the word before counts.
    CText trailing;
    fromText(trailing, "ab ");
    long line = 0, position = 3;
    EXPECT_EQ(trailing.WordLeft(line, position), 1);
    EXPECT_EQ(position, 0);
}

} // namespace
