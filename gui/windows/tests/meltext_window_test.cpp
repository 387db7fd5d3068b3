// The melody-text window in the tests' host: the roll, the chord and lyric
// strips, and the melody, chord and text edits of each tool.
#include "gui/windows/tests/editor_host.h"

#include "data/event.h"
#include "data/lyrics_text.h"
#include "data/storage.h"
#include "data/text_widths.h"
#include "data/track_chords.h"
#include "data/track_meltext.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/meltext_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;
using namespace windows_test;

namespace {

// 10 ticks a pixel beside a 40-pixel band: tick t at x 40 + t / 10. Rows
// of 9 pixels scrolled so that pitch 72's row starts at the roll's top:
// pitch p's row at 48 + (72 - p) * 9. The lyric strip takes the last 26
// rows of the 400. The melody: 60 from tick 0, 62 from 960, a rest from
// 1920 and 64 from 2880; one line of text "lala lu" in one node.
struct MelTextTest : ::testing::Test {
    KeepGlobal<long> keepRows{ZoomMelVert};
    KeepGlobal<long> keepBand{wMelLeftBand};
    Host host;
    CTrackChords *chords = static_cast<CTrackChords *>(host.addTrack(TRACK_CHORDS));
    CTrackMelText *track = static_cast<CTrackMelText *>(host.addTrack(TRACK_MELTEXT));
    Editor *editor = nullptr;
    CMelTextWindow *window = nullptr;

    void SetUp() override
    {
        ZoomMelVert = 9;
        wMelLeftBand = 40;
        host.song.playStartTick = 10000000;
        track->CStructArray::Clear();
        for (const auto &[time, pitch] :
             {std::pair{0, 60}, std::pair{960, 62}, std::pair{1920, -1}, std::pair{2880, 64}})
            melody(time, pitch);
        CMemStorage text;
        text.PutBuffer("lala lu", 7, 1);
        track->text.CreateFromText(&text);
        editor = &host.open<CMelTextWindow>(static_cast<long>(track->GetID()), 0, 800, 400);
        window = editor->as<CMelTextWindow>();
        window->ScrollToPosition(0, (127 - 72) * 9);
        editor->paintAll();
        host.song.steps.clear();
    }
    void melody(long time, long pitch)
    {
        EVENT e;
        e.setMelody(pitch);
        e.time = time;
        track->AddToTail(&e, 1);
        track->Sort();
        track->UpdateEdition();
    }
    static long xOf(long tick) { return 40 + tick / 10; }
    static long rowOf(long pitch) { return 48 + (72 - pitch) * 9; }
    // The melody events as "tick:value" with '*' for selected ones.
    std::string melodyOf() const
    {
        std::string out;
        for (long i = 0; i < track->GetNumb(); ++i) {
            const EVENT *e = track->GetEvent(i);
            if (!e->IsMelody())
                continue;
            if (!out.empty())
                out += ' ';
            out += std::to_string(e->time);
            out += ':';
            out += std::to_string(e->value);
            if (e->IsSlct())
                out += '*';
        }
        return out;
    }
    std::string lineOf(long line) const
    {
        const STRING *s = track->text.GetLine(line);
        std::string out;
        for (long i = 0; s && i < s->length; ++i)
            out += s->text[i] == kNodeDivider ? '^' : s->text[i];
        return out;
    }
    long textWidth(const char *text) const
    {
        long w = 0;
        for (const char *c = text; *c; ++c)
            w += ptabWidthD[static_cast<unsigned char>(*c)];
        return w;
    }
};

} // namespace

TEST(MelTextBinding, OnlyALyricsTrackCanBeShown)
{
    Host host;
    host.addTrack(TRACK_MIDI);
    CTrack *lyrics = host.addTrack(TRACK_MELTEXT);
    EXPECT_EQ(host.tryOpen(new CMelTextWindow, 1, 0), nullptr);
    Editor *editor = host.tryOpen(new CMelTextWindow, static_cast<long>(lyrics->GetID()), 0);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->tool, TOOL_DRAW);
    EXPECT_EQ(editor->as<CMelTextWindow>()->GetDataObject(), lyrics);
    EXPECT_GT(static_cast<CTrackMelText *>(lyrics)->timeNodes.GetNumb(), 0) << "the nodes are built";
}

TEST_F(MelTextTest, PaintsTheRollTheStripsAndTheMelody)
{
    EVENT chord;
    chord.setChord(7, 0); // G major at bar 2
    chord.time = 3840;
    chords->AddToTail(&chord, 1);
    chords->Sort();
    host.song.UpdateNodes();
    editor->paintAll();
    EXPECT_EQ(window->GetYFromVal(72), 48);
    EXPECT_EQ(window->GetValFromY(48 + 9), 71);
    // notes: 60 over the first beat, 62 over the second, nothing in the rest
    EXPECT_EQ(editor->pixel(xOf(480), rowOf(60) + 4), colourOf(colFillMelNorm));
    EXPECT_EQ(editor->pixel(xOf(0), rowOf(60) + 4), RGB(255, 255, 255)) << "lit left edge";
    EXPECT_EQ(editor->pixel(xOf(1440), rowOf(62) + 4), colourOf(colFillMelNorm));
    EXPECT_NE(editor->pixel(xOf(2400), rowOf(62) + 4), colourOf(colFillMelNorm));
    EXPECT_EQ(editor->pixel(700, rowOf(64) + 4), colourOf(colFillMelNorm)) << "the last note runs on";
    // rows: a black key shaded, lines under C and F
    EXPECT_EQ(editor->pixel(xOf(2000) + 5, rowOf(66) + 4), colourOf(colSlctMelText1));
    EXPECT_EQ(editor->pixel(xOf(2000) + 5, rowOf(65) + 8), RGB(0, 0, 0));
    EXPECT_EQ(editor->pixel(5, rowOf(66) + 2), RGB(0, 0, 0)) << "the keyboard's black key";
    // the strips: chords above with the G at bar 2, lyrics below
    EXPECT_GT(editor->count(QUAD(xOf(3840), 22, xOf(3840) + 20, 45), RGB(0, 0, 0)), 5);
    EXPECT_EQ(editor->pixel(xOf(3840), 46), RGB(0, 0, 0)) << "the chord's tick";
    EXPECT_GT(editor->count(QUAD(xOf(0) + 1, 374, xOf(0) + 40, 400), RGB(0, 0, 0)), 5) << "the lyrics";
    editor->screenshot("pannikel_meltext_window");
}

TEST_F(MelTextTest, AStripsStillDrawWhenTheRollHasNoRoom)
{
    Editor &small = host.open<CMelTextWindow>(static_cast<long>(track->GetID()), 1, 600, 48 + 26 + 5);
    small.paintAll();
    EXPECT_EQ(small.pixel(300, 30), small.pixel(400, 30));
    EXPECT_NE(small.pixel(300, 30), RGB(255, 0, 255)) << "painted";
    EXPECT_GT(small.count(QUAD(41, 79 - 20, 100, 79), RGB(0, 0, 0)), 3) << "the lyrics";
    small.screenshot("pannikel_meltext_window_small");
}

TEST_F(MelTextTest, DrawingANoteAddsItAndPreviewsIt)
{
    host.sound.tract.sent.clear();
    editor->press(xOf(3840) + 3, rowOf(67) + 4);
    editor->move(xOf(3840) + 3, rowOf(69) + 4);
    EXPECT_EQ(editor->status[0].substr(0, 1), "[");
    editor->release(xOf(3840) + 3, rowOf(69) + 4);
    EXPECT_EQ(melodyOf(), "0:61 960:63 1920:0 2880:65 3840:70*");
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Add Melody Note");
    EXPECT_TRUE(editor->lockHeldAtModified);
    // each new row sounded once
    long notes67 = 0, notes69 = 0;
    for (uint32_t m : host.sound.tract.messages()) {
        if ((m & 0xF0) == 0x90 && ((m >> 16) & 0xFF) == 100) {
            notes67 += ((m >> 8) & 0xFF) == 67;
            notes69 += ((m >> 8) & 0xFF) == 69;
        }
    }
    EXPECT_EQ(notes67, 1);
    EXPECT_EQ(notes69, 1);
    EXPECT_EQ(track->timeNodes.GetNumb(), 5) << "the new note is a time node";
}

// A new note drawn on a pitch where a note of another pitch starts within
// the same pixel replaces it.
TEST_F(MelTextTest, ANewNoteTakesThePlaceOfOneStartingInItsPixel)
{
    editor->press(xOf(960) + 5, rowOf(65) + 4);
    editor->release(xOf(960) + 5, rowOf(65) + 4);
    EXPECT_EQ(melodyOf(), "0:61 960:66* 1920:0 2880:65");
}

TEST_F(MelTextTest, DraggingMovesOrTransposesTheMelody)
{
    // the start of 62: a beat later, over the rest
    editor->drag(xOf(960) + 1, rowOf(62) + 4, xOf(1920) + 1, rowOf(62) + 4);
    EXPECT_EQ(melodyOf(), "0:61 1920:63 2880:65");
    EXPECT_EQ(host.song.steps.back().caption, "Change Melody Time(s)");
    // the body of 60: two semitones up
    editor->paintAll();
    editor->press(xOf(480), rowOf(60) + 4);
    editor->move(xOf(480), rowOf(62) + 4);
    EXPECT_EQ(editor->status[0], "[D5] +2");
    editor->release(xOf(480), rowOf(62) + 4);
    EXPECT_EQ(melodyOf(), "0:63 1920:63 2880:65");
    EXPECT_EQ(host.song.steps.back().caption, "Change Melody Note(s)");
    EXPECT_EQ(editor->contextsOut, 0);
}

TEST_F(MelTextTest, TheEraserMakesRests)
{
    editor->tool = TOOL_ERASE;
    editor->drag(xOf(300), rowOf(60) + 4, xOf(700), rowOf(60) + 4);
    EXPECT_EQ(melodyOf(), "0:0 960:63 1920:0 2880:65");
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Delete Melody Note(s)");
    EXPECT_EQ(editor->modifiedCalls, 1);
    // a stroke over other pitches changes nothing
    editor->drag(xOf(1000), rowOf(70) + 4, xOf(1500), rowOf(70) + 4);
    EXPECT_EQ(melodyOf(), "0:0 960:63 1920:0 2880:65");
    EXPECT_EQ(editor->modifiedCalls, 1);
}

TEST_F(MelTextTest, TheTextIsDividedAndGluedAtTheNotes)
{
    ASSERT_EQ(track->text.GetNumNodes(), 1);
    const long lyricY = 400 - 13;
    // after "la", with the flag a hyphen goes with the divider
    editor->press(xOf(0) + textWidth("la"), lyricY, 1);
    editor->release(xOf(0) + textWidth("la"), lyricY, 1);
    EXPECT_EQ(lineOf(0), "la-^la lu");
    EXPECT_EQ(track->text.GetNumNodes(), 2);
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Divide Text");
    editor->paintAll();
    EXPECT_GT(editor->count(QUAD(xOf(960) + 1, 374, xOf(960) + 30, 400), RGB(0, 0, 0)), 5)
        << "the second node sung at 960";
    editor->screenshot("pannikel_meltext_window_divided");

    // the eraser glues it to the node before; at the first node nothing
    editor->tool = TOOL_ERASE;
    editor->press(xOf(0) + 2, lyricY);
    editor->release(xOf(0) + 2, lyricY);
    EXPECT_EQ(track->text.GetNumNodes(), 2) << "the first node has nothing to join";
    editor->press(xOf(960) + 2, lyricY);
    editor->release(xOf(960) + 2, lyricY);
    EXPECT_EQ(track->text.GetNumNodes(), 1);
    EXPECT_EQ(host.song.steps.back().caption, "Glue Text");
}

// Dividing the text where every time node already has its text node does
// nothing.
TEST_F(MelTextTest, NoDivisionBeyondTheTimeNodes)
{
    CMemStorage text;
    text.PutBuffer("a\001b\001c\001d", 7, 1);
    track->text.CStructArray::Clear();
    track->text.CreateFromText(&text);
    track->UpdateNodes(chords);
    ASSERT_EQ(track->text.GetNumNodes(), track->timeNodes.GetNumb());
    const std::string before = lineOf(0);
    editor->press(xOf(2880) + 2, 400 - 13);
    editor->release(xOf(2880) + 2, 400 - 13);
    EXPECT_EQ(lineOf(0), before);
    EXPECT_TRUE(host.song.steps.empty());
}

TEST_F(MelTextTest, ChordsAreEnteredAndErasedInTheirStrip)
{
    editor->answer = [](const Request &r) -> LONG_PTR { return r.code == 1 ? (3 << 16) | 10 : 0; };
    editor->press(xOf(1920) + 2, 30);
    editor->release(xOf(1920) + 2, 30);
    ASSERT_EQ(editor->requests.size(), 1u);
    EXPECT_EQ(editor->requests[0].a, 0) << "the pause sounding there";
    const long index = chords->GetChordAtTime(1920, 1920);
    ASSERT_GE(index, 0);
    EXPECT_EQ(chords->GetEvent(index)->time, 1920);
    EXPECT_EQ(chords->GetEvent(index)->value, (3 << 16) | 10);
    EXPECT_EQ(host.song.steps.back().caption, "New Chord");
    EXPECT_EQ(host.song.steps.back().scope, static_cast<long>(chords->GetID()));
    EXPECT_NE(track->timeNodes.GetNode(2)->chord, nullptr) << "the lyric nodes follow";

    editor->tool = TOOL_ERASE;
    editor->drag(xOf(1800), 30, xOf(2000), 40);
    EXPECT_EQ(chords->GetEvent(chords->GetChordAtTime(1920, 1920))->time, 0);
    EXPECT_EQ(host.song.steps.back().caption, "Delete Chord(s)");
    EXPECT_EQ(editor->contextsOut, 0);
}

TEST_F(MelTextTest, TheSelectToolSelectsNotesAndTheRulerSetsTime)
{
    editor->tool = TOOL_SELECT;
    editor->drag(xOf(0), rowOf(63), xOf(1100), rowOf(58));
    EXPECT_EQ(melodyOf(), "0:61* 960:63* 1920:0 2880:65");
    editor->drag(xOf(3840) + 3, 10, xOf(7680) + 3, 10);
    EXPECT_EQ(host.song.selectionStart, 3840);
    EXPECT_EQ(host.song.selectionEnd, 7680);
    EXPECT_TRUE(host.song.steps.empty());
}

TEST_F(MelTextTest, TheBandWidthIsThisWindowsOwn)
{
    editor->drag(38, 10, 98, 10);
    EXPECT_EQ(window->leftBand, 100);
    EXPECT_EQ(wMelLeftBand, 40);
    editor->drag(98, 395, 400, 395);
    EXPECT_EQ(window->leftBand, 200);
}

TEST_F(MelTextTest, ActivationCentresTheNoteAtTheSongPointer)
{
    host.song.playStartTick = 1000;
    window->OnActivate();
    EXPECT_EQ(window->scrollPosY, 9 * (127 - 62) - (374 - 48) / 2);
    host.song.playStartTick = 2000;
    window->OnActivate();
    EXPECT_EQ(window->scrollPosY, 9 * (127 - 62) - (374 - 48) / 2) << "the last note before the rest";
}
