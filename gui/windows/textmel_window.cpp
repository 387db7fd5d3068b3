// The lyric text window: binding, layout, painting, the caret and the node
// at the song pointer.
#include "gui/windows/textmel_window.h"

#include "data/event.h"
#include "data/lock.h"
#include "data/music_text.h"
#include "data/song.h"
#include "data/strings.h"
#include "data/text_widths.h"
#include "data/track_chords.h"
#include "data/track_master.h"
#include "data/track_meltext.h"
#include "gui/draw/draw_functions.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/song_pointer.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace Quorvane {

namespace {

constexpr long kNone = INT_MAX;
constexpr long kTextFont = 2;
// Annotations stand this far above the text line.
constexpr long kAnnotationRise = 23;
// C major, where no master track gives a key.
constexpr long kDefaultKey = 15;

long gapFor(int show)
{
    return (show ? 22 : 0) + HeightT / 5;
}

} // namespace

CTextMelWindow::CTextMelWindow()
    : gap(gapFor(0)), lineHeight(HeightT + gapFor(0)), nodeLine(kNone), nodeIndex(kNone), nextLine(kNone),
      nextIndex(kNone)
{
    bkgndColour = &colBkgndMelText;
    snap = 0;
}

int CTextMelWindow::InitLocal()
{
    if (!client || !song)
        return 0;
    CTrack *found = BoundTrack(TRACK_MELTEXT);
    CTrack *first = song->GetNextTrack(nullptr);
    if (!found || !first || first->GetKind() != TRACK_MASTER)
        return 0;
    track = static_cast<CTrackMelText *>(found);
    dataObject = track;
    master = static_cast<CTrackMaster *>(first);
    {
        // the annotations and the sung node read the time nodes
        CLock lock(song->GetSyncObj());
        track->timeNodes.Build(static_cast<CTrackChords *>(song->GetTrackChords()), track);
    }
    caretLine = caretPos = anchorLine = anchorPos = 0;
    nodeLine = nodeIndex = nextLine = nextIndex = kNone;
    MoveCursorTo(0, 0, 0, 0);
    return 1;
}

void CTextMelWindow::Resize()
{
    const long lines = track ? track->text.GetNumLines() : 0;
    const long widest = track ? track->text.GetMaxWidth() : 0;
    CalcScroll(width, 0, widest + 4 * lineHeight, scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, 0, lines * lineHeight, scrollMaxY, scrollPageY, scrollPosY);
    if (!track)
        return;
    ShowCursor(0, nullptr);
    track->text.MoveCursorT(caretLine, caretPos, caretX, caretWidth);
    long x = 0, w = 0;
    track->text.MoveCursorT(anchorLine, anchorPos, x, w);
}

void CTextMelWindow::Relayout()
{
    OnSize(kTimeMax, kTimeMax);
}

void CTextMelWindow::SetShow(int on, CMelTextWindow *window)
{
    melText = window;
    on = on ? 1 : 0;
    if (on != show) {
        ShowCursor(0, nullptr);
        show = on;
        gap = gapFor(show);
        lineHeight = HeightT + gap;
        Relayout();
    }
    Update(nullptr, 0);
}

long CTextMelWindow::LinesPerPage() const
{
    return std::max(height / std::max(lineHeight, 1L), 1L);
}

void CTextMelWindow::UpdateString(long line, long position)
{
    QUAD q(0, line * lineHeight - scrollPosY, width, (line + 1) * lineHeight - scrollPosY);
    if (position > 0 && track) {
        long l = line, p = position, x = 0, w = 0;
        track->text.MoveCursorT(l, p, x, w);
        q.left = std::max(x - scrollPosX - 1, 0L);
    }
    if (position < 0)
        q.bottom = height;
    q.top = std::max(q.top, 0L);
    if (q.bottom > q.top && q.right > q.left)
        Update(&q, 0);
}

// --- the selection and the caret

int CTextMelWindow::GetSelection(long &fromLine, long &fromPos, long &toLine, long &toPos) const
{
    if (anchorLine == caretLine && anchorPos == caretPos) {
        fromLine = fromPos = kNone;
        toLine = toPos = -1;
        return 0;
    }
    const bool anchorFirst = anchorLine < caretLine || (anchorLine == caretLine && anchorPos < caretPos);
    fromLine = anchorFirst ? anchorLine : caretLine;
    fromPos = anchorFirst ? anchorPos : caretPos;
    toLine = anchorFirst ? caretLine : anchorLine;
    toPos = anchorFirst ? caretPos : anchorPos;
    return 1;
}

void CTextMelWindow::MoveCursorTo(long line, long position, int draw, int keepAnchor)
{
    if (!track)
        return;
    long oldFrom, oldFromPos, oldTo, oldToPos;
    const int had = GetSelection(oldFrom, oldFromPos, oldTo, oldToPos);
    ShowCursor(0, nullptr);
    track->text.MoveCursorT(line, position, caretX, caretWidth);
    caretLine = line;
    caretPos = position;
    if (!keepAnchor) {
        anchorLine = caretLine;
        anchorPos = caretPos;
    }
    if (width > 0 && height > 0) {
        long x = scrollPosX, y = scrollPosY;
        if (caretX < x)
            x = caretX;
        else if (caretX + caretWidth > x + width)
            x = caretX + caretWidth - width;
        const long top = caretLine * lineHeight;
        if (top < y)
            y = top;
        else if (top + lineHeight > y + height)
            y = top + lineHeight - height;
        x = std::clamp(x, 0L, std::max(scrollMaxX, 0L));
        y = std::clamp(y, 0L, std::max(scrollMaxY, 0L));
        if (x != scrollPosX || y != scrollPosY)
            ScrollToPosition(x, y);
    }
    long from, fromPos, to, toPos;
    const int has = GetSelection(from, fromPos, to, toPos);
    if (had || has) {
        const long first = std::min(had ? oldFrom : kNone, has ? from : kNone);
        const long last = std::max(had ? oldTo : -1, has ? to : -1);
        QUAD q(0, first * lineHeight - scrollPosY, width, (last + 1) * lineHeight - scrollPosY);
        q.top = std::max(q.top, 0L);
        q.bottom = std::min(q.bottom, height);
        if (q.bottom > q.top)
            Update(&q, 0);
    }
    if (draw) {
        ShowCursor(1, nullptr);
        blinkSkip = 1;
    }
    if (client) {
        char text[48];
        std::snprintf(text, sizeof text, " Ln:%i  Ch:%i", static_cast<int>(caretLine + 1),
                      static_cast<int>(caretPos + 1));
        client->GUICLSetStatusText(1, text);
    }
}

void CTextMelWindow::DrawCaret(CGUIContext *ctx)
{
    const long x = caretX - scrollPosX;
    const long top = TextTop(caretLine);
    ctx->SelectInvert(1);
    // insert: a thin bar; overwrite: the character under the caret
    ctx->FillQuad(QUAD(x, top, x + (bKeyInsert ? 1 : std::max(caretWidth, 1L)), top + HeightT), &colBlack);
    ctx->SelectInvert(0);
}

void CTextMelWindow::ShowCursor(int on, CGUIContext *ctx)
{
    on = on ? 1 : 0;
    if (!track || on == caretShown || painting)
        return;
    CGUIContext *own = ctx ? nullptr : TakeContext();
    CGUIContext *target = ctx ? ctx : own;
    if (!target)
        return;
    DrawCaret(target);
    caretShown = on;
    GiveContext(own);
}

void CTextMelWindow::OnTimer()
{
    if (!track)
        return;
    if (blinkSkip && caretShown) {
        blinkSkip = 0;
        return;
    }
    blinkSkip = 0;
    ShowCursor(!caretShown, nullptr);
}

// --- the node at the song pointer

void CTextMelWindow::UpdateSongPtr(int)
{
    UpdateSongPtrSelection(GetSongPtr(song));
}

int CTextMelWindow::UpdateSongPtrSelection(long time)
{
    if (!track)
        return 0;
    long line = kNone, index = kNone, next = kNone, nextAt = kNone;
    long count = 0;
    const long node = track->timeNodes.GoToTime(time, count);
    if (count > 0 && node < track->text.GetNumNodes())
        track->text.nodes.GetTextBounds(node, line, index, next, nextAt);
    if (line == nodeLine && index == nodeIndex && next == nextLine && nextAt == nextIndex)
        return 0;
    const long lines = track->text.GetNumLines();
    // the lines of the old and the new node repaint
    for (const auto &[from, to] : {std::pair{nodeLine, nextLine}, std::pair{line, next}}) {
        if (from >= lines)
            continue;
        const long last = std::min(to, lines - 1);
        QUAD q(0, from * lineHeight - scrollPosY, width, (last + 1) * lineHeight - scrollPosY);
        q.top = std::max(q.top, 0L);
        q.bottom = std::min(q.bottom, height);
        if (q.bottom > q.top)
            Update(&q, 0);
    }
    nodeLine = line;
    nodeIndex = index;
    nextLine = next;
    nextIndex = nextAt;
    return 1;
}

long CTextMelWindow::MarkedOffset(long line) const
{
    if (nodeLine == kNone)
        return -1;
    if (line == nodeLine)
        return nodeIndex;
    // the node runs on over line ends up to the next node
    if (line > nodeLine && (line < nextLine || (line == nextLine && nextIndex > 0)))
        return 0;
    return -1;
}

// --- painting

namespace {

// What the divider callback needs of the line being drawn.
struct LineDrawing {
    CTextMelWindow *window;
    CGUIContext *ctx;
    long line;
    long textTop;
};

void drawDividerMark(CGUIContext *ctx, long x, long textTop, long gap)
{
    const long bottom = textTop - (gap >= 8 ? 4 : 0);
    const long top = std::max(bottom - 7, textTop - gap);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(x, top, x, bottom);
    ctx->DrawLine(x - 3, bottom, x, bottom);
    ctx->DrawLine(x + 1, bottom, x + 4, bottom);
}

// The melody note sung on a time node and its chord, over the node.
void drawAnnotation(CGUIContext *ctx, CTrackMelText *track, CTrackMaster *master, long node, long x,
                    long textTop)
{
    const TIMENODE *timeNode = track->timeNodes.GetNode(node);
    if (!timeNode)
        return;
    const long key = master ? master->GetKSign(timeNode->tick) : kDefaultKey;
    const EVENT *melody = timeNode->own && timeNode->own->IsMelody() ? timeNode->own : nullptr;
    if (!melody) {
        const long index = track->GetMelodyAtTime(timeNode->tick, timeNode->tick);
        const EVENT *e = index >= 0 ? track->GetEvent(index) : nullptr;
        melody = e && e->IsMelody() ? e : nullptr;
    }
    const long y = textTop - kAnnotationRise;
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    char name[32] = "P";
    if (melody && melody->value > 0)
        GetNoteText(melody->getMelodyNote(), name, 1, 0, key);
    x += 2; // clear of the divider mark
    if (melody)
        ctx->DrawTextA(x, y, name, -1);
    if (timeNode->chord) {
        const long after = melody ? TextWidth(name, -1, ptabWidthD) + 4 : 0;
        DrawChord(ctx, timeNode->chord->value, x + after, y, key, 0);
    }
    ctx->SelectFont(&sharedFont, kTextFont);
}

} // namespace

void CTextMelWindow::Render(CGUIContext *ctx)
{
    if (!track)
        return;
    const long lines = track->text.GetNumLines();
    const long first = std::max(scrollPosY / std::max(lineHeight, 1L), 0L);
    const long last = std::min((scrollPosY + height) / std::max(lineHeight, 1L), lines - 1);
    for (long line = first; line <= last; ++line)
        DrawSelection(ctx, line);
    ctx->SelectFont(&sharedFont, kTextFont);
    for (long line = first; line <= last; ++line)
        DrawLine(ctx, line);
}

void CTextMelWindow::DrawSelection(CGUIContext *ctx, long line)
{
    long from, fromPos, to, toPos;
    if (!GetSelection(from, fromPos, to, toPos) || line < from || line > to)
        return;
    long left = 0, right = width + scrollPosX, w = 0;
    if (line == from) {
        long l = line, p = fromPos;
        track->text.MoveCursorT(l, p, left, w);
    }
    if (line == to) {
        long l = line, p = toPos;
        track->text.MoveCursorT(l, p, right, w);
    }
    const long top = TextTop(line);
    ctx->FillQuad(QUAD(left - scrollPosX, top, right - scrollPosX, top + HeightT), &colSlctMelText);
}

void CTextMelWindow::DrawLine(CGUIContext *ctx, long line)
{
    const STRING *s = track->text.GetLine(line);
    if (!s)
        return;
    const long x = -scrollPosX;
    const long top = TextTop(line);
    // a node starting the line: the text's first, or one after a line end
    if (show) {
        const long node = track->text.GetTextNodeByDivider(line, 0);
        if (node >= 0)
            drawAnnotation(ctx, track, master, node, x, top);
    }
    if (s->length <= 0)
        return;
    LineDrawing drawing{this, ctx, line, top};
    STDTCALLBACK record{};
    record.user0 = reinterpret_cast<LONG_PTR>(&drawing);
    record.x = x;
    record.line = line;
    ctx->DrawTextA(x, top, s->text, s->length, MarkedOffset(line), &CTextMelWindow::OnDivider, record);
}

void CTextMelWindow::OnDivider(STDTCALLBACK &record)
{
    const auto *drawing = reinterpret_cast<const LineDrawing *>(record.user0);
    CTextMelWindow *self = drawing->window;
    const long x = static_cast<long>(record.x);
    drawDividerMark(drawing->ctx, x, drawing->textTop, self->gap);
    // a node after a divider that ends the line is annotated at the start
    // of the next line
    if (self->show && record.offset != 0) {
        const long node =
            self->track->text.GetTextNodeByDivider(drawing->line, static_cast<long>(record.offset));
        if (node >= 0)
            drawAnnotation(drawing->ctx, self->track, self->master, node, x, drawing->textTop);
    }
}

} // namespace Quorvane
