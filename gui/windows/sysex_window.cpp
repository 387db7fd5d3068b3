#include "gui/windows/sysex_window.h"

#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/strings.h"
#include "data/sysex.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/names.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/tracks_layout.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

enum : long { COL_NUMBER, COL_NAME, COL_MUTE, COL_OUT, COL_CONTENT };

constexpr TableColumn kColumns[] = {{"N", 31}, {"Name", 3}, {"M", 0}, {"Out", 26}, {"Content", 3}};
constexpr unsigned long kAlignLeftMiddle = 4;
constexpr long kShownBytes = 10;
// The output type of a port that takes SysEx.
constexpr long kMIDIPort = 7;

} // namespace

CSysExWindow::CSysExWindow()
{
    std::copy(tabSysExClmn, tabSysExClmn + 5, columnWidths);
    bkgndColour = &colBkgndSysEx;
    topBand = kTableHeader;
}

CSysEx &CSysExWindow::List() const
{
    return song->sysEx;
}

TableColumns CSysExWindow::Columns()
{
    return {kColumns, columnWidths, tabSysExClmn, 5};
}

void CSysExWindow::Resize()
{
    const TableColumns cols = Columns();
    CalcScroll(width, columnWidths[0], cols.ScrolledWidth(), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, kTableHeader, kTableRow * (song ? List().GetNumb() : 0), scrollMaxY, scrollPageY,
               scrollPosY);
}

void CSysExWindow::ModifyScrollQuad(long axis, QUAD *quad)
{
    if (axis == 0)
        quad->left = columnWidths[0] + 1;
    else
        quad->top = kTableHeader;
}

long CSysExWindow::GetRow(long y) const
{
    return y < kTableHeader ? -1 : (y - kTableHeader + scrollPosY) / kTableRow;
}

int CSysExWindow::HaveSelection() const
{
    return song && selected >= 0 && selected < List().GetNumb();
}

QUAD CSysExWindow::CellQuad(long row, long column)
{
    return Columns().Cell(row, column, scrollPosX, scrollPosY);
}

void CSysExWindow::UpdateRow(long row)
{
    UpdateTableRow(*this, row);
}

void CSysExWindow::Select(long row)
{
    if (row == selected)
        return;
    const long old = selected;
    selected = row;
    UpdateRow(old);
    UpdateRow(row);
}

void CSysExWindow::EnsureVisible(long row)
{
    const long y = ScrollToShowRow(row, height, scrollPosY);
    if (y != scrollPosY)
        ScrollToPosition(scrollPosX, y);
}

// --- painting

char *CSysExWindow::ContentText(const SYSEX &entry, char *text, long size)
{
    text[0] = 0;
    const long shown = std::min(kShownBytes, entry.length);
    if (!entry.data || shown <= 0 || size < GetStringHexLen(kShownBytes) + 5)
        return text;
    StringHex(entry.data, shown, text);
    if (entry.length > kShownBytes)
        std::strcat(text, " ...");
    return text;
}

void CSysExWindow::Render(CGUIContext *ctx)
{
    const TableColumns cols = Columns();
    const long resizing = IsColumnResize(dragState) ? ResizedColumn(dragState) : -1;
    cols.DrawHeader(ctx, width, scrollPosX, resizing);
    if (!song || !ctx->SetDrawingQuad(QUAD(columnWidths[0], kTableHeader, width, height)))
        return;
    const long first = std::max(GetRow(kTableHeader), 0L);
    const long last = std::min(GetRow(height), List().GetNumb() - 1);
    for (long row = first; row <= last; ++row)
        DrawRow(ctx, row, cols);
    cols.DrawBorders(ctx, kTableHeader, height, scrollPosX);
    ctx->SetDrawingQuad(QUAD(0, kTableHeader, width, height));
    char number[16];
    for (long row = first; row <= last; ++row) {
        std::snprintf(number, sizeof number, "%ld", row + 1);
        cols.DrawNumber(ctx, RowTop(row), number, row == selected);
    }
    cols.CloseNumbers(ctx, kTableHeader, height);
    ctx->ResetDrawingQuad();
}

void CSysExWindow::DrawRow(CGUIContext *ctx, long row, const TableColumns &)
{
    const SYSEX *entry = List().GetAt(row);
    const long top = RowTop(row);
    ctx->DrawHorzGradient(&sharedGradient, 0, columnWidths[0], top, width - columnWidths[0]);
    for (long c = COL_NAME; c <= COL_CONTENT; ++c) {
        const QUAD cell = CellQuad(row, c);
        if (editRow == row && editColumn == c)
            ctx->DrawHorzGradient(&sharedGradient, 14, cell.left, top, cell.Width());
    }
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    ctx->DrawTextA(CellQuad(row, COL_NAME), kAlignLeftMiddle, 3, entry->name ? entry->name : "", -1);
    const QUAD mute = CellQuad(row, COL_MUTE);
    ctx->DrawImage(&sharedImage, 1, entry->muted ? 1 : 0, mute.left + 5, top + 5);
    const QUAD out = CellQuad(row, COL_OUT);
    QUAD name = out;
    name.left += 26;
    name.right -= 8;
    if (entry->port) {
        char text[256];
        long kind = -1;
        tracks_layout::OutPortText(song, entry->port, text, sizeof text, kind);
        if (kind >= 0 && kind <= 7)
            ctx->DrawImage(&sharedImage, 2, kind, out.left + 5, top + 5);
        ctx->DrawTextA(name, kAlignLeftMiddle, 0, text, -1);
    } else {
        name.left = out.left;
        ctx->DrawTextA(name, kAlignLeftMiddle, 3, "No port assigned", -1);
    }
    ctx->DrawDropDownMark(out, 1);
    char content[64];
    ctx->DrawTextA(CellQuad(row, COL_CONTENT), kAlignLeftMiddle, 3,
                   ContentText(*entry, content, sizeof content), -1);
}

// --- the mouse

void CSysExWindow::OnLButtonDown(long x, long y, int, int)
{
    if (!song || !client)
        return;
    const TableColumns cols = Columns();
    if (y < kTableHeader) {
        StartColumnResize(*this, cols, x);
        return;
    }
    const long row = GetRow(y);
    const long column = cols.ColumnAt(x, scrollPosX);
    if (row < 0 || row >= List().GetNumb() || column < 0)
        return;
    switch (column) {
    case COL_MUTE:
        ToggleMute(row);
        break;
    case COL_OUT:
        ChoosePort(row);
        break;
    default:
        Select(row);
        break;
    }
}

void CSysExWindow::ToggleMute(long row)
{
    SYSEX *entry = List().GetAt(row);
    entry->muted = !entry->muted;
    MarkModified(song, client);
    UpdateRow(row);
}

void CSysExWindow::ChoosePort(long row)
{
    SYSEX *entry = List().GetAt(row);
    QUAD cell = CellQuad(row, COL_OUT);
    SetEditItem(row, COL_OUT);
    UpdateRow(row);
    void *port = reinterpret_cast<void *>(
        client->GUICLRequest(SXREQ_CHOOSE_PORT, row, reinterpret_cast<LONG_PTR>(&cell)));
    // no answer leaves the port as it was
    if (port && port != entry->port) {
        {
            // the port is what sending reads
            CLock lock(song->GetSyncObj());
            entry->port = port;
        }
        MarkModified(song, client);
    }
    SetEditItem(kNoSysExItem, kNoSysExItem);
    UpdateRow(row);
}

void CSysExWindow::OnLButtonDblClk(long x, long y, int, int)
{
    if (!song || !client || dragState != 0)
        return;
    const long row = GetRow(y);
    const long column = Columns().ColumnAt(x, scrollPosX);
    if (row < 0 || row >= List().GetNumb() || column < 0)
        return;
    if ((column == COL_NUMBER || column == COL_CONTENT) && row == selected) {
        OnPropItem();
        return;
    }
    Select(row);
    if (column == COL_NAME) {
        QUAD cell = CellQuad(row, COL_NAME);
        cell.left += 3;
        cell.right -= 3;
        if (cell.Width() < 5)
            return;
        SetEditItem(row, COL_NAME);
        UpdateRow(row);
        client->GUICLSetStatusText(0, "Edit SysEx Name");
        client->GUICLRequest(SXREQ_EDIT_NAME, row, reinterpret_cast<LONG_PTR>(&cell));
    } else if (column == COL_MUTE) {
        ToggleMute(row);
    }
}

void CSysExWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song || !client)
        return;
    TableColumns cols = Columns();
    if (!DragColumnResize(*this, cols, x))
        SetHoverStatus(x, y);
}

void CSysExWindow::SetHoverStatus(long x, long y)
{
    if (y < kTableHeader && Columns().BorderAt(x, scrollPosX) >= 0) {
        client->GUICLSetStatusText(0, "Resize column");
        SetCursorType(CURSOR_RESIZE);
    } else {
        client->GUICLClearStatusText(0);
        SetCursorType(CURSOR_ARROW);
    }
}

void CSysExWindow::OnLButtonUp(long x, long y, int, int)
{
    if (EndColumnResize(*this))
        SetHoverStatus(x, y);
}

// --- the host's commands

int CSysExWindow::CanDelItem()
{
    return HaveSelection();
}

int CSysExWindow::CanPropItem()
{
    return HaveSelection();
}

int CSysExWindow::CanMoveItem(int up)
{
    if (!HaveSelection())
        return 0;
    return up ? selected > 0 : selected < List().GetNumb() - 1;
}

int CSysExWindow::CanSend()
{
    if (!HaveSelection())
        return 0;
    const SYSEX *entry = List().GetAt(selected);
    return !entry->muted && entry->port;
}

int CSysExWindow::CanSendAll()
{
    return song && List().GetNumb() > 0;
}

int CSysExWindow::OnNameChanged(long row, const char *text)
{
    SYSEX *entry = song ? List().GetAt(row) : nullptr;
    int result = 1;
    if (entry && CompareStringA(entry->name, text) != 0) {
        char *name = LengthString(text) > 0 ? CreateString(text) : nullptr;
        if (LengthString(text) > 0 && !name) {
            result = 0; // the old name stays
        } else {
            std::free(entry->name);
            entry->name = name;
            MarkModified(song, client);
        }
    }
    OnCancelEditItem(row);
    return result;
}

int CSysExWindow::OnCancelEditItem(long row)
{
    SetEditItem(kNoSysExItem, kNoSysExItem);
    UpdateRow(row);
    if (client)
        client->GUICLClearStatusText(0);
    return 1;
}

int CSysExWindow::OnPropItem()
{
    if (!CanPropItem() || !client)
        return 0;
    EnsureVisible(selected);
    SetEditItem(selected, COL_CONTENT);
    UpdateRow(selected);
    client->GUICLSetStatusText(0, "Edit SysEx Properties");
    SYSEX *entry = List().GetAt(selected);
    SYSEX filled;
    int changed = 0;
    if (client->GUICLRequest(SXREQ_PROPERTIES, reinterpret_cast<LONG_PTR>(entry),
                             reinterpret_cast<LONG_PTR>(&filled)) &&
        entry->IsDifferent(filled)) {
        EditStep step(song, client, "SysEx properties", UNDO_SONG);
        entry->Clear();
        List().PutElementTo(entry, &filled);
        step.Done();
        changed = 1;
    }
    filled.Clear();
    SetEditItem(kNoSysExItem, kNoSysExItem);
    UpdateRow(selected);
    client->GUICLClearStatusText(0);
    return changed;
}

int CSysExWindow::OnAddItem()
{
    if (!song || !client)
        return 0;
    static const unsigned char kEmptyMessage[] = {0xF0, 0xF7};
    SYSEX model;
    SYSEX filled;
    if (!model.SetData(kEmptyMessage, 2))
        return 0;
    int added = 0;
    if (client->GUICLRequest(SXREQ_PROPERTIES, reinterpret_cast<LONG_PTR>(&model),
                             reinterpret_cast<LONG_PTR>(&filled))) {
        const long at = HaveSelection() ? selected + 1 : List().GetNumb();
        EditStep step(song, client, "New SysEx", UNDO_SONG);
        if (List().Insert(at, 1, &filled)) {
            step.Done();
            step.Unlock();
            OnSize(kTimeMax, kTimeMax);
            Update(nullptr, 0);
            selected = at;
            EnsureVisible(at);
            added = 1;
        }
    }
    model.Clear();
    filled.Clear();
    return added;
}

int CSysExWindow::OnDelItem()
{
    if (!CanDelItem())
        return 0;
    {
        EditStep step(song, client, "Delete SysEx", UNDO_SONG);
        if (!List().Delete(selected, 1))
            return 0;
        step.Done();
    }
    selected = std::min(selected, List().GetNumb() - 1);
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
    if (selected >= 0)
        EnsureVisible(selected);
    return 1;
}

int CSysExWindow::OnMoveItem(int up)
{
    if (!CanMoveItem(up))
        return 0;
    const long other = up ? selected - 1 : selected + 1;
    {
        EditStep step(song, client, "SysEx order", UNDO_SONG);
        SYSEX swap;
        List().PutElementTo(&swap, List().GetAt(selected));
        List().PutElementTo(List().GetAt(selected), List().GetAt(other));
        List().PutElementTo(List().GetAt(other), &swap);
        step.Done();
    }
    UpdateRow(selected);
    selected = other;
    UpdateRow(selected);
    EnsureVisible(selected);
    return 1;
}

int CSysExWindow::SendSysEx(long row)
{
    const SYSEX *entry = song ? List().GetAt(row) : nullptr;
    if (!entry || entry->muted || !entry->port || !entry->data || entry->length <= 0)
        return 1; // nothing to send counts as sent
    IQuorvaneSongTract *tract = song->GetSongTract();
    if (!tract || tract->GetOutType(entry->port) != kMIDIPort)
        return 0;
    ISysExPort *port = tract->GetSysExPort(entry->port);
    return port ? port->SendSysEx(0, entry->data, entry->length) : 0;
}

int CSysExWindow::OnSend()
{
    if (!CanSend() || !client)
        return 0;
    client->GUICLSetStatusText(0, "SysEx sending, wait...");
    EnsureVisible(selected);
    const int sent = SendSysEx(selected);
    client->GUICLClearStatusText(0);
    return sent;
}

int CSysExWindow::OnSendAll()
{
    if (!CanSendAll() || !client)
        return 0;
    client->GUICLSetStatusText(0, "SysEx sending, wait...");
    const long previous = selected;
    for (long row = 0; row < List().GetNumb(); ++row) {
        Select(row);
        EnsureVisible(row);
        if (!SendSysEx(row)) {
            client->GUICLClearStatusText(0);
            return 0;
        }
    }
    Select(previous);
    client->GUICLClearStatusText(0);
    return 1;
}

} // namespace Quorvane
