// The lyric text window: keys, typing, undo grouping and the mouse.
#include "gui/windows/textmel_window.h"

#include "data/lock.h"
#include "data/song.h"
#include "data/text_widths.h"
#include "data/track_meltext.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meltext_window.h"
#include "gui/windows/song_pointer.h"

#include <algorithm>
#include <climits>

namespace Quorvane {

namespace {

enum : long {
    KEY_BACK = 8,
    KEY_RETURN = 13,
    KEY_PRIOR = 33,
    KEY_NEXT = 34,
    KEY_END = 35,
    KEY_HOME = 36,
    KEY_LEFT = 37,
    KEY_UP = 38,
    KEY_RIGHT = 39,
    KEY_DOWN = 40,
    KEY_DELETE = 46,
};
enum : long { CURSOR_DIVIDE = 6, CURSOR_GLUE = 7 };
constexpr long kSelecting = 1;

} // namespace

// --- keys

int CTextMelWindow::OnKeyDown(long key, int ctrl, int shift)
{
    if (!track)
        return 0;
    long from, fromPos, to, toPos;
    const int selection = GetSelection(from, fromPos, to, toPos);
    const long lines = track->text.GetNumLines();
    const long chars = caretLine < lines ? track->text.GetLine(caretLine)->CharCount() : 0;
    switch (key) {
    case KEY_BACK:
    case KEY_DELETE:
        if (selection)
            DeleteSelection();
        else
            DeleteOne(key == KEY_DELETE);
        return 1;
    case KEY_RETURN:
        if (bKeyInsert)
            NewLine();
        else
            MoveCursorTo(caretLine + 1, 0, 1, shift);
        return 1;
    case KEY_PRIOR:
        MoveCursorTo(caretLine - LinesPerPage(), caretPos, 1, shift);
        return 1;
    case KEY_NEXT: {
        const long page = LinesPerPage();
        ScrollToPosition(scrollPosX, std::min(scrollPosY + page * lineHeight, std::max(scrollMaxY, 0L)));
        MoveCursorTo(caretLine + page, caretPos, 1, shift);
        return 1;
    }
    case KEY_END:
        MoveCursorTo(ctrl ? lines - 1 : caretLine, INT_MAX, 1, shift);
        return 1;
    case KEY_HOME:
        MoveCursorTo(ctrl ? 0 : caretLine, 0, 1, shift);
        return 1;
    case KEY_LEFT: {
        long line = caretLine, position = caretPos;
        if (ctrl)
            track->text.WordLeft(line, position);
        else if (position > 0)
            --position;
        else if (line > 0)
            position = INT_MAX, --line;
        MoveCursorTo(line, position, 1, shift);
        return 1;
    }
    case KEY_RIGHT: {
        long line = caretLine, position = caretPos;
        if (ctrl)
            track->text.WordRight(line, position);
        else if (position < chars)
            ++position;
        else if (line + 1 < lines)
            position = 0, ++line;
        MoveCursorTo(line, position, 1, shift);
        return 1;
    }
    case KEY_UP:
        MoveCursorTo(std::max(caretLine - 1, 0L), caretPos, 1, shift);
        return 1;
    case KEY_DOWN:
        MoveCursorTo(caretLine + 1, caretPos, 1, shift);
        return 1;
    default:
        return 0;
    }
}

int CTextMelWindow::OnChar(long character)
{
    if (!track || character < 32 || character > 255)
        return 0;
    TypeChar(static_cast<char>(character));
    return 1;
}

// --- text edits

void CTextMelWindow::TryStoreUndo(int kind)
{
    // typing on after a line break belongs to the break's step
    const bool sameStep = kind == lastEdit || (kind == TEXTEDIT_TYPING && lastEdit == TEXTEDIT_NEW_LINE);
    if (!sameStep) {
        song->StoreUndoNow(const_cast<char *>("Text edition"), static_cast<long>(track->GetID()));
        lastEdit = kind;
    } else {
        track->UpdateEdition();
    }
}

void CTextMelWindow::TextChanged()
{
    MarkModified(song, client);
    UpdateDependents();
}

void CTextMelWindow::UpdateDependents()
{
    UpdateSongPtrSelection(GetSongPtr(song));
    if (!liason)
        return;
    const long id = static_cast<long>(track->GetID());
    for (CLiasonElem *e = liason->Find(id, kAnyKey, nullptr); e; e = liason->Find(id, kAnyKey, e))
        if (auto *window = dynamic_cast<CMelTextWindow *>(e->window))
            window->UpdateText();
    liason->CallUpdateTrack(track, UPDATE_MEASURES_ROW);
}

void CTextMelWindow::DeleteSelection()
{
    long from, fromPos, to, toPos;
    if (!GetSelection(from, fromPos, to, toPos))
        return;
    TryStoreUndo(TEXTEDIT_DELETION);
    {
        CLock lock(song->GetSyncObj());
        track->text.DeleteTextRange(from, fromPos, to, toPos);
    }
    Relayout();
    UpdateString(from, to > from ? -1 : fromPos);
    MoveCursorTo(from, fromPos, 1, 0);
    TextChanged();
}

void CTextMelWindow::DeleteOne(int forwards)
{
    CText &text = track->text;
    const long lines = text.GetNumLines();
    if (lines == 0)
        return;
    const long chars = text.GetLine(std::min(caretLine, lines - 1))->CharCount();
    // nothing before the start or after the end
    if (forwards ? (caretLine >= lines - 1 && caretPos >= chars) : (caretLine == 0 && caretPos == 0))
        return;
    TryStoreUndo(TEXTEDIT_DELETION);
    long line = caretLine, position = caretPos, direction = forwards ? 1 : -1;
    int widest = 0;
    {
        CLock lock(song->GetSyncObj());
        text.DeleteText(line, position, direction, widest);
    }
    const bool joined = direction == 1 || text.GetNumLines() != lines;
    if (joined || widest)
        Relayout();
    UpdateString(line, joined ? -1 : position);
    MoveCursorTo(line, position, 1, 0);
    TextChanged();
}

void CTextMelWindow::NewLine()
{
    TryStoreUndo(TEXTEDIT_NEW_LINE);
    {
        CLock lock(song->GetSyncObj());
        track->text.SetNewLine(caretLine, caretPos);
    }
    Relayout();
    UpdateString(caretLine, -1);
    MoveCursorTo(caretLine + 1, 0, 1, 0);
    TextChanged();
}

void CTextMelWindow::TypeChar(char c)
{
    long from, fromPos, to, toPos;
    if (GetSelection(from, fromPos, to, toPos)) {
        DeleteSelection();
        // the character goes into the deletion's step
        lastEdit = TEXTEDIT_TYPING;
    }
    TryStoreUndo(TEXTEDIT_TYPING);
    int mode = bKeyInsert;
    {
        CLock lock(song->GetSyncObj());
        if (!track->text.AddNewChar(caretLine, caretPos, c, mode))
            return;
    }
    if (mode)
        Relayout();
    UpdateString(caretLine, caretPos);
    MoveCursorTo(caretLine, caretPos + 1, 1, 0);
    TextChanged();
}

// --- the mouse

int CTextMelWindow::HitBand(long x, long y, BandHit &hit)
{
    const long contentY = y + scrollPosY;
    if (contentY < 0 || lineHeight <= 0)
        return 0;
    const long line = contentY / lineHeight;
    const long offset = contentY - line * lineHeight;
    const STRING *s = track->text.GetLine(line);
    if (!s || offset <= gap - 12 || offset >= gap - 1)
        return 0;
    long l = line;
    const long position = track->text.GetPosByX(l, x + scrollPosX, ptabWidthT);
    hit.line = line;
    hit.index = s->PosToIndex(position);
    hit.node = -1;
    if (hit.index > 0 && s->At(hit.index - 1) == kNodeDivider) {
        // a divider that ends the line starts the node on the next line
        hit.node = hit.index < s->length ? track->text.GetTextNodeByDivider(line, hit.index)
                                         : track->text.GetTextNodeByDivider(line + 1, 0);
        // a divider whose node is not found is still no place to divide
        hit.node = std::max(hit.node, 0L);
    }
    return 1;
}

int CTextMelWindow::CanGlue(const BandHit &hit) const
{
    return hit.node > 0 && hit.node < track->timeNodes.GetNumb() && track->CanDelTextNode();
}

int CTextMelWindow::CanDivide(const BandHit &hit) const
{
    return hit.node < 0 && track->CanNewTextNode();
}

void CTextMelWindow::EditDivider(const BandHit &hit, int glue, int flag)
{
    {
        EditStep step(song, client, glue ? "Glue Text" : "Divide Text", static_cast<long>(track->GetID()));
        const int done = glue ? track->text.DelNodeDivider(hit.node)
                              : track->text.AddNodeDivider(hit.line, hit.index, flag);
        if (!done)
            return;
        track->UpdateEdition();
        step.Done();
    }
    Relayout();
    Update(nullptr, 0);
    UpdateDependents();
}

void CTextMelWindow::OnLButtonDown(long x, long y, int flag1, int)
{
    if (!track || !client)
        return;
    BandHit hit;
    if (show && !melText && HitBand(x, y, hit)) {
        const int glue = CanGlue(hit);
        if (glue || CanDivide(hit)) {
            EditDivider(hit, glue, flag1);
            OnMouseMove(x, y, 0, 0);
            return;
        }
    }
    long line = std::max((y + scrollPosY) / std::max(lineHeight, 1L), 0L);
    const long position = track->text.GetPosByX(line, x + scrollPosX, ptabWidthT);
    MoveCursorTo(line, position, 1, 0);
    dragState = kSelecting;
    client->GUICLSetCapture(1);
}

void CTextMelWindow::OnMouseMove(long x, long y, int, int)
{
    if (!track || !client)
        return;
    if (dragState == kSelecting) {
        QUAD inside(0, 0, width, height);
        if (BoundMouseInQuad(x, y, &inside)) {
            x = std::clamp(x, 0L, std::max(width - 1, 0L));
            y = std::clamp(y, 0L, std::max(height - 1, 0L));
        }
        long line = std::max((y + scrollPosY) / std::max(lineHeight, 1L), 0L);
        const long position = track->text.GetPosByX(line, x + scrollPosX, ptabWidthT);
        MoveCursorTo(line, position, 1, 1);
        return;
    }
    SetHoverCursor(x, y);
}

void CTextMelWindow::OnLButtonUp(long, long, int, int)
{
    if (dragState != kSelecting)
        return;
    dragState = 0;
    if (client)
        client->GUICLSetCapture(0);
}

void CTextMelWindow::SetHoverCursor(long x, long y)
{
    BandHit hit;
    long cursor = CURSOR_ARROW;
    if (show && !melText && HitBand(x, y, hit)) {
        if (CanGlue(hit))
            cursor = CURSOR_GLUE;
        else if (CanDivide(hit))
            cursor = CURSOR_DIVIDE;
    }
    SetCursorType(cursor);
}

} // namespace Quorvane
