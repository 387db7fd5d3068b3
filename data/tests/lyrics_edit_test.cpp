#include "data/lyrics_text.h"

#include "data/tests/lyrics_support.h"
#include "data/tests/width_tables.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

class LyricsEdit : public ::testing::Test {
protected:
    WidthTables widths;
    CText text;
};

TEST_F(LyricsEdit, TypingIntoAnEmptyTextMakesALine)
{
    int mode = 1;
    ASSERT_EQ(text.AddNewChar(4, 0, 'l', mode), 1);
    ASSERT_EQ(text.AddNewChar(0, 1, 'a', mode), 1);
    EXPECT_EQ(linesOf(text), "la");
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(text.GetMaxWidth(), 20);
    EXPECT_EQ(nodesOf(text), "0:0:7:12");
}

TEST_F(LyricsEdit, InsertModeReportsAWiderWidestLine)
{
    fromText(text, "abc\nx");
    int mode = 1;
    ASSERT_EQ(text.AddNewChar(1, 1, 'y', mode), 1);
    EXPECT_EQ(mode, 0);
    ASSERT_EQ(text.AddNewChar(1, 2, 'z', mode = 1), 1);
    EXPECT_EQ(mode, 0); // as wide as the widest, not wider
    ASSERT_EQ(text.AddNewChar(1, 3, 'w', mode = 1), 1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(text.GetMaxWidth(), 40);
    EXPECT_EQ(linesOf(text), "abc|xyzw");
}

TEST_F(LyricsEdit, OverwriteReplacesAndReportsTheWidestLine)
{
    fromText(text, "abc\nwxyz");
    int mode = 0;
    ASSERT_EQ(text.AddNewChar(0, 0, 'i', mode), 1);
    EXPECT_EQ(linesOf(text), "ibc|wxyz");
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(text.GetLine(0)->widthT, 24);
    ASSERT_EQ(text.AddNewChar(1, 1, 'i', mode = 0), 1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(text.GetMaxWidth(), 34);
    ASSERT_EQ(text.AddNewChar(0, 3, 'd', mode = 0), 1); // at the end it inserts
    EXPECT_EQ(linesOf(text), "ibcd|wiyz");
    EXPECT_EQ(nodesOf(text), rebuiltNodesOf(text));
}

TEST_F(LyricsEdit, NodesFollowEachTypedCharacter)
{
    fromText(text, "la\x01la\nle");
    int mode = 1;
    ASSERT_EQ(text.AddNewChar(0, 3, 'x', mode), 1); // into the second node
    EXPECT_EQ(linesOf(text), "la^lxa|le");
    EXPECT_EQ(nodesOf(text), "0:0:6:10 0:3:17:29");
    ASSERT_EQ(text.AddNewChar(0, 0, 'y', mode), 1); // moves the second node's start
    EXPECT_EQ(nodesOf(text), "0:0:9:15 0:4:17:29");
    ASSERT_EQ(text.AddNewChar(0, 1, 'q', mode = 0), 1); // overwrite
    EXPECT_EQ(linesOf(text), "yqa^lxa|le");
    EXPECT_EQ(nodesOf(text), rebuiltNodesOf(text));
}

TEST_F(LyricsEdit, NewLines)
{
    fromText(text, "abcd");
    ASSERT_EQ(text.SetNewLine(0, 0), 1);
    EXPECT_EQ(linesOf(text), "|abcd");
    ASSERT_EQ(text.SetNewLine(1, 2), 1);
    EXPECT_EQ(linesOf(text), "|ab|cd");
    EXPECT_EQ(text.GetMaxWidth(), 20);
    CText trailing;
    fromText(trailing, "ab\x01");
    ASSERT_EQ(trailing.SetNewLine(0, 2), 1);
    EXPECT_EQ(linesOf(trailing), "ab^|");
    EXPECT_EQ(nodesOf(trailing), rebuiltNodesOf(trailing));
}

struct DeleteCase {
    const char *before;
    long line, position, direction;
    const char *after;
    long toLine, toPosition, joined;
};

TEST_F(LyricsEdit, DeleteText)
{
    const DeleteCase cases[] = {
        {"ab\nc", 1, 0, -1, "abc", 0, 2, 1}, // backwards at a line start joins
        {"ab\n\x01"
         "c",
         1, 0, -1, "abc", 0, 2, 1},           // dividers before the cursor go with it
        {"ab\nc", 0, 0, -1, "ab|c", 0, 0, 0}, // nothing before line 0
        {"abc", 0, 2, -1, "ac", 0, 1, 0},
        {"a\x01"
         "b",
         0, 1, -1, "b", 0, 0, 0},                  // the character and the divider after it
        {"ab\x01\ncd", 0, 2, 1, "ab^cd", 0, 2, 1}, // forwards at a line end joins
        {"ab\ncd", 1, 2, 1, "ab|cd", 1, 2, 0},     // nothing after the last line
        {"abc", 0, 1, 1, "ac", 0, 1, 0},
        {"abc", 0, 1, 0, "abc", 0, 1, 0}, // no direction: nothing
    };
    for (const DeleteCase &c : cases) {
        CText t;
        fromText(t, c.before);
        long line = c.line, position = c.position, direction = c.direction;
        int widest = -1;
        ASSERT_EQ(t.DeleteText(line, position, direction, widest), 1) << c.before;
        EXPECT_EQ(linesOf(t), c.after) << c.before;
        EXPECT_EQ(line, c.toLine) << c.before;
        EXPECT_EQ(position, c.toPosition) << c.before;
        EXPECT_EQ(direction, c.joined) << c.before;
        EXPECT_EQ(nodesOf(t), rebuiltNodesOf(t)) << c.before;
    }
    CText empty;
    long line = 3, position = 3, direction = -1;
    int widest = 0;
    EXPECT_EQ(empty.DeleteText(line, position, direction, widest), 1);
    EXPECT_EQ(line + position + direction, 0);
}

TEST_F(LyricsEdit, DeletingFromTheWidestLineRecomputesIt)
{
    fromText(text, "abc\nab");
    long line = 0, position = 3, direction = -1;
    int widest = 0;
    ASSERT_EQ(text.DeleteText(line, position, direction, widest), 1);
    EXPECT_EQ(widest, 1);
    EXPECT_EQ(text.GetMaxWidth(), 20);
    line = 1, position = 2, direction = -1;
    ASSERT_EQ(text.DeleteText(line, position, direction, widest), 1);
    EXPECT_EQ(widest, 1); // the other line was as wide
    EXPECT_EQ(text.GetMaxWidth(), 20);
    line = 1, position = 1, direction = -1;
    ASSERT_EQ(text.DeleteText(line, position, direction, widest), 1);
    EXPECT_EQ(widest, 0);
}

TEST_F(LyricsEdit, DeleteRanges)
{
    struct Case {
        const char *before;
        long fromLine, fromPosition, toLine, toPosition;
        const char *after;
    } cases[] = {
        {"abcdef", 0, 1, 0, 4, "aef"},
        {"\x01"
         "abc",
         0, 0, 0, 1, "bc"},          // from the line start: leading dividers go too
        {"ab\x01", 0, 1, 0, 2, "a"}, // to the line end: trailing dividers go too
        {"abc\ndef\nghi", 0, 1, 2, 2, "ai"},
        {"abc\nde\x01", 0, 1, 1, 2, "a"},
        {"abc\ndef\nghi\njkl", 1, 0, 2, 0, "abc|ghi|jkl"},
    };
    for (const Case &c : cases) {
        CText t;
        fromText(t, c.before);
        long fromLine = c.fromLine, fromPosition = c.fromPosition;
        ASSERT_EQ(t.DeleteTextRange(fromLine, fromPosition, c.toLine, c.toPosition), 1) << c.before;
        EXPECT_EQ(linesOf(t), c.after) << c.before;
        EXPECT_EQ(nodesOf(t), rebuiltNodesOf(t)) << c.before;
    }
    fromText(text, "abc");
    long fromLine = 0, fromPosition = 2;
    EXPECT_EQ(text.DeleteTextRange(fromLine, fromPosition, 0, 1), 0); // backwards
    EXPECT_EQ(linesOf(text), "abc");
}

TEST_F(LyricsEdit, NodeDividers)
{
    fromText(text, "hello");
    ASSERT_EQ(text.AddNodeDivider(0, 2, 0), 1);
    EXPECT_EQ(linesOf(text), "he^llo");
    EXPECT_EQ(text.cursorPos, 2);
    EXPECT_EQ(text.GetNumNodes(), 2);
    ASSERT_EQ(text.DelNodeDivider(1), 1);
    EXPECT_EQ(linesOf(text), "hello");
    EXPECT_EQ(text.cursorPos, 2);
    EXPECT_EQ(text.DelNodeDivider(0), 0);

    struct Case {
        const char *before;
        long index;
        const char *after;
        long cursor;
    } hyphen[] = {
        {"hello", 2, "he-^llo", 3},            // inside a word: a hyphen ends the syllable
        {"hello world", 5, "hello ^world", 6}, // at a blank: before the next word
        {"ab  ", 2, "ab^  ", 2},               // nothing after: the divider alone
        {"ab --cd", 2, "ab --^cd", 5},
    };
    for (const Case &c : hyphen) {
        CText t;
        fromText(t, c.before);
        ASSERT_EQ(t.AddNodeDivider(0, c.index, 1), 1) << c.before;
        EXPECT_EQ(linesOf(t), c.after) << c.before;
        EXPECT_EQ(t.cursorPos, c.cursor) << c.before;
    }
}

TEST_F(LyricsEdit, CheckNumNodesDropsSurplusDividers)
{
    fromText(text, "a\x01"
                   "b\x01\nc\x01"
                   "d");
    ASSERT_EQ(text.GetNumNodes(), 4);
    ASSERT_EQ(text.CheckNumNodes(5), 1);
    EXPECT_EQ(linesOf(text), "a^b^|c^d");
    ASSERT_EQ(text.CheckNumNodes(2), 1);
    EXPECT_EQ(linesOf(text), "a^b|cd");
    EXPECT_EQ(text.GetNumNodes(), 2);
}

} // namespace
