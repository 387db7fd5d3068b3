// The lyric text of one lyrics track as a small text editor: a caret, a
// selection, insert and overwrite typing and word moves, line by line. The
// text node sung at the song pointer is marked; with annotations shown,
// each node carries its melody note and chord above it, and a press just
// above the text divides it there or glues two nodes.
#pragma once

#include "gui/draw/draw_types.h"
#include "gui/windows/abst_window.h"

namespace Quorvane {

class CTrackMelText;
class CTrackMaster;
class CMelTextWindow;

// Kinds of text edit, grouped into one undo step while they repeat.
enum : int { TEXTEDIT_NONE = 0, TEXTEDIT_TYPING = 1, TEXTEDIT_NEW_LINE = 2, TEXTEDIT_DELETION = 3 };

class PANNIKEL_API CTextMelWindow : public CAbstWindow {
public:
    CTextMelWindow();

    int InitLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ShowCursor(int on, CGUIContext *ctx) override;
    // The sung node is the song pointer's mark here.
    void ShowSongPtr(int, CGUIContext *) override {}
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    int OnKeyDown(long key, int ctrl, int shift) override;
    int OnChar(long character) override;
    void OnTimer() override;
    void UpdateSongPtr(int ensureVisible) override;

    // Repaints a line from a position's x (the left edge for 0 or less; to
    // the bottom for a negative position).
    void UpdateString(long line, long position);
    // Annotations on or off, asked by window (may be null).
    void SetShow(int show, CMelTextWindow *window);

    // The selection as start and end (line, position); none: LONG_MAX and -1.
    int GetSelection(long &fromLine, long &fromPos, long &toLine, long &toPos) const;
    void MoveCursorTo(long line, long position, int draw, int keepAnchor);
    // The node at the tick becomes the marked one; 1 when it changed.
    int UpdateSongPtrSelection(long time);

    CTrackMelText *track = nullptr;
    CTrackMaster *master = nullptr;
    int show = 0;
    CMelTextWindow *melText = nullptr;
    long gap;
    long lineHeight;
    long caretLine = 0;
    long caretPos = 0;
    long caretX = 0;
    long caretWidth = 0;
    long anchorLine = 0;
    long anchorPos = 0;
    int caretShown = 0;
    int blinkSkip = 0;
    // The marked node: its first byte (line, index) and the next node's.
    long nodeLine;
    long nodeIndex;
    long nextLine;
    long nextIndex;
    int lastEdit = TEXTEDIT_NONE;

private:
    long TextTop(long line) const { return line * lineHeight - scrollPosY + gap; }
    void Relayout();
    void DrawLine(CGUIContext *ctx, long line);
    // The drawing context's call at each divider byte of a line.
    static void OnDivider(STDTCALLBACK &record);
    void DrawSelection(CGUIContext *ctx, long line);
    // The byte of the marked node where a line starts drawing in the
    // marked colour; -1 for none.
    long MarkedOffset(long line) const;
    void DrawCaret(CGUIContext *ctx);
    void Blink(int on);
    long LinesPerPage() const;

    // --- edits
    void TryStoreUndo(int kind);
    // After a text change: the modified marks, then UpdateDependents.
    void TextChanged();
    // The marked node, the melody-text window's lyric strip and the
    // measures window's row follow the text.
    void UpdateDependents();
    void DeleteSelection();
    void DeleteOne(int forwards);
    void NewLine();
    void TypeChar(char c);
    // Where a press in the band above a line can glue (node > 0) or divide.
    struct BandHit {
        long line;
        long index;
        long node; // of the divider under the press, -1 for none
    };
    int HitBand(long x, long y, BandHit &hit);
    int CanGlue(const BandHit &hit) const;
    int CanDivide(const BandHit &hit) const;
    void EditDivider(const BandHit &hit, int glue, int flag);
    void SetHoverCursor(long x, long y);
};

} // namespace Quorvane
