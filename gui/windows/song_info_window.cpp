#include "gui/windows/song_info_window.h"

#include "data/lock.h"
#include "data/song.h"
#include "data/strings.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

namespace {

enum : long { COL_ITEM, COL_CONTENT };

constexpr TableColumn kColumns[] = {{"Item", 3}, {"Content", 3}};
constexpr unsigned long kAlignLeftMiddle = 4;

} // namespace

CSongInfoWindow::CSongInfoWindow()
{
    std::copy(tabSInfoClmn, tabSInfoClmn + 2, columnWidths);
    bkgndColour = &colBkgndMelText;
    topBand = kTableHeader;
    bandsStay = 1;
}

TableColumns CSongInfoWindow::Columns()
{
    return {kColumns, columnWidths, tabSInfoClmn, 2, 0};
}

void CSongInfoWindow::Resize()
{
    CalcScroll(width, 0, Columns().ScrolledWidth(), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, kTableHeader, kTableRow * SONGINFO_ITEMS, scrollMaxY, scrollPageY, scrollPosY);
}

long CSongInfoWindow::GetRow(long y) const
{
    if (y < kTableHeader)
        return -1;
    const long row = (y - kTableHeader + scrollPosY) / kTableRow;
    return row < SONGINFO_ITEMS ? row : -2;
}

QUAD CSongInfoWindow::GetItemQuad(long row, long column)
{
    return Columns().Cell(row, column, scrollPosX, scrollPosY);
}

void CSongInfoWindow::EnsureVisible(long row)
{
    const long y = ScrollToShowRow(row, height, scrollPosY);
    if (y != scrollPosY) {
        ScrollToPosition(scrollPosX, y);
        Update(nullptr, 0);
    }
}

void CSongInfoWindow::Render(CGUIContext *ctx)
{
    const TableColumns cols = Columns();
    cols.DrawHeader(ctx, width, scrollPosX, IsColumnResize(dragState) ? ResizedColumn(dragState) : -1);
    if (!song || !ctx->SetDrawingQuad(QUAD(0, kTableHeader, width, height)))
        return;
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    for (long row = 0; row < SONGINFO_ITEMS; ++row) {
        const QUAD item = GetItemQuad(row, COL_ITEM);
        if (item.bottom <= kTableHeader || item.top >= height)
            continue;
        ctx->DrawHorzGradient(&sharedGradient, 2, 0, item.top, width);
        const QUAD content = GetItemQuad(row, COL_CONTENT);
        if (row == editItem)
            ctx->DrawHorzGradient(&sharedGradient, 14, content.left, content.top, content.Width());
        ctx->DrawTextA(item, kAlignLeftMiddle, 3, SONGINFO::GetItemName(row), -1);
        ctx->DrawTextA(content, kAlignLeftMiddle, 3, song->songInfo.GetItemText(row), -1);
    }
    cols.DrawBorders(ctx, kTableHeader, height, scrollPosX);
    ctx->ResetDrawingQuad();
}

// --- the mouse

void CSongInfoWindow::OnLButtonDown(long x, long y, int, int)
{
    if (y < kTableHeader)
        StartColumnResize(*this, Columns(), x);
}

void CSongInfoWindow::OnMouseMove(long x, long y, int, int)
{
    TableColumns cols = Columns();
    if (client && !DragColumnResize(*this, cols, x))
        SetHoverStatus(x, y);
}

void CSongInfoWindow::SetHoverStatus(long x, long y)
{
    const long row = GetRow(y);
    if (row >= 0) {
        const char *name = SONGINFO::GetItemName(row);
        client->GUICLSetStatusText(1, name);
        if (Columns().ColumnAt(x, scrollPosX) == COL_CONTENT) {
            char text[64];
            std::snprintf(text, sizeof text, "Double Click to edit %s", name);
            client->GUICLSetStatusText(0, text);
        } else {
            client->GUICLClearStatusText(0);
        }
    } else if (row == -1 && Columns().BorderAt(x, scrollPosX) >= 0) {
        client->GUICLSetStatusText(0, "Resize column");
    } else {
        client->GUICLClearStatusText(0);
    }
    SetCursorType(CURSOR_ARROW);
}

void CSongInfoWindow::OnLButtonUp(long x, long y, int, int)
{
    if (EndColumnResize(*this))
        SetHoverStatus(x, y);
}

void CSongInfoWindow::OnLButtonDblClk(long x, long y, int, int)
{
    if (!client || !song || dragState != 0)
        return;
    const long row = GetRow(y);
    if (row < 0 || Columns().ColumnAt(x, scrollPosX) != COL_CONTENT)
        return;
    QUAD cell = GetItemQuad(row, COL_CONTENT);
    cell.left += 3;
    cell.right -= 3;
    if (cell.Width() < 5)
        return;
    EnsureVisible(row);
    cell = GetItemQuad(row, COL_CONTENT);
    cell.left += 3;
    cell.right -= 3;
    editItem = row;
    UpdateTableRow(*this, row);
    char text[64];
    std::snprintf(text, sizeof text, "Edit %s", SONGINFO::GetItemName(row));
    client->GUICLSetStatusText(0, text);
    client->GUICLRequest(SIREQ_EDIT_TEXT, row, reinterpret_cast<LONG_PTR>(&cell));
}

// --- the host's editor

int CSongInfoWindow::OnItemChanged(long row, const char *text)
{
    if (!song || row < 0 || row >= SONGINFO_ITEMS)
        return 0;
    if (CompareStringA(song->songInfo.GetItemText(row), text) == 0)
        return 1;
    {
        CLock lock(song->GetSyncObj());
        if (!song->songInfo.SetItemText(row, text))
            return 0; // the old text stays
    }
    MarkModified(song, client);
    UpdateTableRow(*this, row);
    return 1;
}

void CSongInfoWindow::OnCancelEditItem(long row)
{
    editItem = kNoInfoItem;
    UpdateTableRow(*this, row);
    if (client)
        client->GUICLClearStatusText(0);
}

} // namespace Quorvane
