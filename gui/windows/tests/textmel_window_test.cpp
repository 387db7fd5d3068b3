// The lyric text window in the tests' host: typing and its undo steps,
// caret keys and selections, the node sung at the song pointer, and the
// divider edits of the annotation band.
#include "gui/windows/tests/editor_host.h"

#include "data/event.h"
#include "data/lyrics_text.h"
#include "data/storage.h"
#include "data/text_widths.h"
#include "data/track_chords.h"
#include "data/track_meltext.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/meltext_window.h"
#include "gui/windows/textmel_window.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;
using namespace windows_test;

namespace {

enum : long { BACK = 8, ENTER = 13, END = 35, HOME = 36, LEFT = 37, RIGHT = 39, DOWN = 40, DEL = 46 };

// The melody has four time nodes (60 at 0, 62 at 960, a rest at 1920, 64
// at 2880); the text "la^la^lu" (^ a divider) on line 0 and "tra la" on
// line 1 has three nodes, the third running over the line end.
struct TextMelTest : ::testing::Test {
    KeepGlobal<int> keepInsert{bKeyInsert};
    Host host;
    CTrackChords *chords = static_cast<CTrackChords *>(host.addTrack(TRACK_CHORDS));
    CTrackMelText *track = static_cast<CTrackMelText *>(host.addTrack(TRACK_MELTEXT));
    Editor *editor = nullptr;
    CTextMelWindow *window = nullptr;

    void SetUp() override
    {
        bKeyInsert = 1;
        track->CStructArray::Clear();
        for (const auto &[time, pitch] :
             {std::pair{0, 60}, std::pair{960, 62}, std::pair{1920, -1}, std::pair{2880, 64}}) {
            EVENT e;
            e.setMelody(pitch);
            e.time = time;
            track->AddToTail(&e, 1);
        }
        track->Sort();
        CMemStorage text;
        text.PutBuffer("la\x01la\x01lu\ntra la", 15, 1);
        track->text.CreateFromText(&text);
        editor = &host.open<CTextMelWindow>(static_cast<long>(track->GetID()), 0, 400, 200);
        window = editor->as<CTextMelWindow>();
        editor->paintAll();
    }

    std::string lineOf(long line) const
    {
        const STRING *s = track->text.GetLine(line);
        std::string out;
        for (long i = 0; s && i < s->length; ++i)
            out += s->text[i] == kNodeDivider ? '^' : s->text[i];
        return out;
    }
    static long widthOf(const char *text)
    {
        long w = 0;
        for (const char *c = text; *c; ++c)
            w += CharWidth(ptabWidthT, *c);
        return w;
    }
    void key(long code, int ctrl = 0, int shift = 0) { EXPECT_EQ(window->OnKeyDown(code, ctrl, shift), 1); }
    void type(const char *text)
    {
        for (const char *c = text; *c; ++c)
            EXPECT_EQ(window->OnChar(static_cast<unsigned char>(*c)), 1);
    }
    std::string caret() const
    {
        return std::to_string(window->caretLine) + ":" + std::to_string(window->caretPos);
    }
    // The y of a line's text, and one inside the band just above it.
    long textY(long line) const { return line * window->lineHeight + window->gap; }
    long bandY(long line) const { return line * window->lineHeight + window->gap - 5; }
};

} // namespace

// After start-up the status shows line 1 and character 1.
TEST_F(TextMelTest, StartsAtTheFirstCharacter)
{
    EXPECT_EQ(editor->status[1], " Ln:1  Ch:1");
    EXPECT_EQ(window->GetDataObject(), track);
    EXPECT_EQ(window->gap, HeightT / 5);
    EXPECT_EQ(window->lineHeight, HeightT + HeightT / 5);
    EXPECT_EQ(host.tryOpen(new CTextMelWindow, static_cast<long>(chords->GetID()), 0), nullptr)
        << "only a lyrics track";
}

// Ten typed letters, then Backspace twice, then three letters make three
// undo steps.
TEST_F(TextMelTest, RunsOfOneKindOfEditMakeOneUndoStep)
{
    key(END);
    type("abcdefghij");
    key(BACK);
    key(BACK);
    type("xyz");
    EXPECT_EQ(lineOf(0), "la^la^luabcdefghxyz");
    ASSERT_EQ(host.song.steps.size(), 3u);
    for (const auto &step : host.song.steps) {
        EXPECT_EQ(step.caption, "Text edition");
        EXPECT_EQ(step.scope, static_cast<long>(track->GetID()));
    }
    EXPECT_EQ(host.song.IsModified(), 1);
    EXPECT_GT(editor->modifiedCalls, 0);
    EXPECT_EQ(editor->status[1], " Ln:1  Ch:18");
    // a line break with the typing after it is one more step
    key(ENTER);
    type("ho");
    EXPECT_EQ(host.song.steps.size(), 4u);
    EXPECT_EQ(lineOf(1), "ho");
    EXPECT_EQ(lineOf(2), "tra la");
    EXPECT_EQ(window->OnChar(9), 0) << "control codes are not typed";
}

// Typing a character over a selection in overwrite mode first deletes the
// selection, then overwrites the character after it.
TEST_F(TextMelTest, OverwritingASelectionDeletesItFirst)
{
    bKeyInsert = 0;
    key(DOWN);
    key(HOME);
    key(RIGHT, 0, 1);
    key(RIGHT, 0, 1);
    long fl, fp, tl, tp;
    ASSERT_EQ(window->GetSelection(fl, fp, tl, tp), 1);
    EXPECT_EQ(fp, 0);
    EXPECT_EQ(tp, 2);
    type("X");
    EXPECT_EQ(lineOf(1), "X la");
    EXPECT_EQ(caret(), "1:1");
    EXPECT_EQ(host.song.steps.size(), 1u) << "the deletion and the letter are one step";
    EXPECT_EQ(window->GetSelection(fl, fp, tl, tp), 0);
    EXPECT_EQ(fl, 0x7fffffff);
    EXPECT_EQ(tl, -1);
}

// Enter in overwrite mode changes no text and records no undo step.
TEST_F(TextMelTest, EnterInOverwriteModeOnlyMovesDown)
{
    bKeyInsert = 0;
    key(RIGHT);
    key(ENTER);
    EXPECT_EQ(caret(), "1:0");
    EXPECT_EQ(track->text.GetNumLines(), 2);
    EXPECT_TRUE(host.song.steps.empty());
    EXPECT_EQ(host.song.IsModified(), 0);
}

TEST_F(TextMelTest, KeysMoveTheCaretByCharactersWordsAndLines)
{
    key(END);
    EXPECT_EQ(caret(), "0:6") << "dividers are no positions";
    key(RIGHT);
    EXPECT_EQ(caret(), "1:0") << "on over the line end";
    key(RIGHT, 1);
    EXPECT_EQ(caret(), "1:4") << "one word right";
    key(LEFT, 1);
    EXPECT_EQ(caret(), "1:3") << "back over the blank";
    key(HOME);
    EXPECT_EQ(caret(), "1:0");
    key(LEFT);
    EXPECT_EQ(caret(), "0:6");
    key(END, 1);
    EXPECT_EQ(caret(), "1:6");
    key(HOME, 1);
    EXPECT_EQ(caret(), "0:0");
    EXPECT_EQ(window->OnKeyDown('A', 0, 0), 0) << "other keys pass on";
    // Delete at a line end joins the lines, Backspace at a start does too
    key(END);
    key(DEL);
    EXPECT_EQ(lineOf(0), "la^la^lutra la");
    key(BACK);
    EXPECT_EQ(lineOf(0), "la^la^ltra la");
    EXPECT_EQ(caret(), "0:5");
    EXPECT_EQ(host.song.steps.size(), 1u);
    key(HOME, 1);
    key(BACK);
    EXPECT_EQ(host.song.steps.size(), 1u) << "nothing before the start";
}

TEST_F(TextMelTest, TheMouseSetsTheCaretAndDragsASelection)
{
    editor->press(widthOf("la") + 1, textY(0) + 2);
    EXPECT_EQ(caret(), "0:2");
    EXPECT_TRUE(editor->captured);
    editor->move(widthOf("tr") + 1, textY(1) + 2);
    long fl, fp, tl, tp;
    ASSERT_EQ(window->GetSelection(fl, fp, tl, tp), 1);
    EXPECT_EQ(fl, 0);
    EXPECT_EQ(fp, 2);
    EXPECT_EQ(tl, 1);
    EXPECT_EQ(tp, 2);
    // outside the window the pointer is put back inside
    editor->move(390, 500);
    ASSERT_FALSE(editor->mousePositions.empty());
    EXPECT_EQ(editor->mousePositions.back().y, 199);
    EXPECT_EQ(caret(), "1:6");
    editor->release(390, 500);
    EXPECT_FALSE(editor->captured);
    editor->paintAll();
    EXPECT_EQ(editor->pixel(300, textY(0) + 2), colourOf(colSlctMelText)) << "the first line's rest";
    EXPECT_NE(editor->pixel(1, textY(0) + 2), colourOf(colSlctMelText)) << "not before the anchor";
    key(DEL);
    EXPECT_EQ(lineOf(0), "la^") << "the divider before position 2 stays";
    EXPECT_EQ(track->text.GetNumLines(), 1);
    // a press drops the selection
    key(HOME, 0, 1);
    editor->press(1, textY(0) + 2);
    EXPECT_EQ(window->GetSelection(fl, fp, tl, tp), 0);
}

TEST_F(TextMelTest, MarksTheNodeAtTheSongPointer)
{
    host.song.playStartTick = 960;
    window->UpdateSongPtr(0);
    EXPECT_EQ(window->nodeLine, 0);
    EXPECT_EQ(window->nodeIndex, 3);
    EXPECT_EQ(window->UpdateSongPtrSelection(1000), 0) << "the same node";
    EXPECT_EQ(window->UpdateSongPtrSelection(2000), 1);
    EXPECT_EQ(window->nodeIndex, 6);
    editor->paintAll();
    // the third node runs on into line 1
    const QUAD lu(widthOf("lala"), textY(0), widthOf("lalalu"), textY(0) + HeightT);
    EXPECT_GT(editor->count(lu, colourOf(colLyricCur)), 5);
    const QUAD tra(0, textY(1), widthOf("tra"), textY(1) + HeightT);
    EXPECT_GT(editor->count(tra, colourOf(colLyricCur)), 5);
    EXPECT_EQ(editor->count(QUAD(0, textY(0), widthOf("lala"), textY(0) + HeightT), colourOf(colLyricCur)),
              0);
}

TEST_F(TextMelTest, TheBandAboveTheTextDividesAndGlues)
{
    window->SetShow(1, nullptr);
    EXPECT_EQ(window->gap, 22 + HeightT / 5);
    // between "t" and "ra": a new divider
    const long x = widthOf("t") + 1;
    editor->move(x, bandY(1));
    EXPECT_EQ(editor->cursors.back(), 6);
    editor->press(x, bandY(1));
    EXPECT_EQ(lineOf(1), "t^ra la");
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Divide Text");
    EXPECT_TRUE(editor->lockHeldAtModified);
    EXPECT_FALSE(editor->captured) << "no selection drag";
    // as many nodes as time nodes: a press there selects instead
    const long x2 = widthOf("tra") + 1;
    editor->release(x, bandY(1));
    editor->press(x2, bandY(1));
    EXPECT_EQ(lineOf(1), "t^ra la");
    EXPECT_TRUE(editor->captured);
    editor->release(x2, bandY(1));
    // on the divider after the first "la": glued
    editor->move(widthOf("la"), bandY(0));
    EXPECT_EQ(editor->cursors.back(), 7);
    editor->press(widthOf("la"), bandY(0));
    EXPECT_EQ(lineOf(0), "lala^lu");
    EXPECT_EQ(host.song.steps.back().caption, "Glue Text");
}

TEST_F(TextMelTest, PaintsTheTextWithItsAnnotations)
{
    EVENT chord;
    chord.setChord(7, 0); // G major with the second node
    chord.time = 960;
    chords->AddToTail(&chord, 1);
    chords->Sort();
    host.song.UpdateNodes();
    host.song.playStartTick = 0;
    window->UpdateSongPtr(0);
    window->SetShow(1, nullptr);
    editor->paintAll();
    const long top = textY(0);
    EXPECT_GT(editor->count(QUAD(0, top, widthOf("la"), top + HeightT), colourOf(colLyricCur)), 5);
    EXPECT_GT(editor->count(QUAD(widthOf("la"), top, widthOf("lalalu"), top + HeightT), RGB(0, 0, 0)), 10);
    // the divider mark and the note names above the nodes
    EXPECT_EQ(editor->pixel(widthOf("la"), top - 6), RGB(0, 0, 0));
    EXPECT_GT(editor->count(QUAD(0, top - 23, 30, top - 10), RGB(0, 0, 0)), 5) << "C4 over the first node";
    EXPECT_GT(editor->count(QUAD(widthOf("la"), top - 23, widthOf("la") + 60, top - 10), RGB(0, 0, 0)), 10)
        << "D4 and the chord";
    EXPECT_EQ(editor->count(QUAD(0, 0, 400, 200), colourOf(colBkgndMelText)) > 400 * 100, true);
    editor->screenshot("pannikel_textmel_window");
}

// The caret stays on for one blink after a move, then blinks.
TEST_F(TextMelTest, TheCaretBlinksButStaysOnAfterAMove)
{
    key(RIGHT);
    const long x = widthOf("l");
    const long y = textY(0) + HeightT / 2;
    const COLORREF lit = editor->pixel(x, y);
    EXPECT_EQ(window->caretShown, 1);
    window->OnTimer();
    EXPECT_EQ(window->caretShown, 1) << "the first tick after a move is skipped";
    EXPECT_EQ(editor->pixel(x, y), lit);
    window->OnTimer();
    EXPECT_EQ(window->caretShown, 0);
    EXPECT_NE(editor->pixel(x, y), lit) << "taken away by drawing it again";
    window->OnTimer();
    EXPECT_EQ(editor->pixel(x, y), lit);
    // overwrite mode covers the character under the caret
    window->OnTimer();
    bKeyInsert = 0;
    window->OnTimer();
    EXPECT_EQ(editor->pixel(x + window->caretWidth - 1, y), lit);
}
