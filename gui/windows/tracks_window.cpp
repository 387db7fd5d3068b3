#include "gui/windows/tracks_window.h"

#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track.h"
#include "data/track_midi.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/names.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/tracks_layout.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

using namespace tracks_layout;

CTracksWindow::CTracksWindow()
{
    std::copy(tabTracksClmns, tabTracksClmns + kTracksColumns, columnWidths);
    bkgndColour = &colBkgndTrMeas;
    topBand = kHeaderHeight;
    grid = 0;
}

long CTracksWindow::ColumnLeft(long column) const
{
    if (column <= 0)
        return 0;
    long left = columnWidths[0];
    for (long c = 1; c < column && c < kTracksColumns; ++c)
        left += columnWidths[c];
    return left - scrollPosX;
}

long CTracksWindow::ContentWidth() const
{
    long sum = 0;
    for (long w : columnWidths)
        sum += w;
    return sum;
}

// The rows up to the last track (ids may leave gaps) and the empty rows
// after it.
long CTracksWindow::RowCount() const
{
    if (!song)
        return kEmptyRows;
    long rows = song->GetNumTracks();
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t))
        rows = std::max(rows, static_cast<long>(t->GetID()) + 1);
    return rows + kEmptyRows;
}

void CTracksWindow::Resize()
{
    CalcScroll(width, columnWidths[0], ContentWidth(), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, kHeaderHeight, RowCount() * kRowHeight, scrollMaxY, scrollPageY, scrollPosY);
}

void CTracksWindow::ModifyScrollQuad(long axis, QUAD *quad)
{
    if (axis == 0)
        quad->left = columnWidths[0] + 1;
    else
        quad->top = kHeaderHeight;
}

long CTracksWindow::GetColumn(long x) const
{
    if (x <= columnWidths[0])
        return 0;
    long right = columnWidths[0] - scrollPosX;
    for (long c = 1; c < kTracksColumns; ++c) {
        right += columnWidths[c];
        if (x < right)
            return c;
    }
    return -1;
}

long CTracksWindow::GetRow(long y) const
{
    if (y < kFirstRowY)
        return -1;
    return (scrollPosY + y - 22) / kRowHeight;
}

long CTracksWindow::GetColumnBorder(long x) const
{
    for (long c = 0; c < kTracksColumns; ++c) {
        const long border = c == 0 ? columnWidths[0] : ColumnLeft(c) + columnWidths[c];
        if (x == border - 1 || x == border)
            return c;
    }
    return -1;
}

QUAD CTracksWindow::GetItemQuad(long row, long column, int clip) const
{
    QUAD q;
    q.top = row < 0 ? 0 : RowTop(row);
    q.bottom = row < 0 ? kHeaderHeight : q.top + kRowHeight;
    if (column >= kTracksColumns) {
        q.left = ColumnLeft(kTracksColumns - 1) + columnWidths[kTracksColumns - 1];
        q.right = std::max(width, q.left);
    } else {
        q.left = column == 0 ? 0 : ColumnLeft(column);
        q.right = q.left + columnWidths[std::max(column, 0L)];
    }
    if (clip) {
        if (row >= 0)
            q.top = std::max(q.top, kHeaderHeight);
        if (column > 0)
            q.left = std::max(q.left, columnWidths[0]);
        q.right = std::min(q.right, width);
        q.bottom = std::min(q.bottom, height);
    }
    return q;
}

void CTracksWindow::UpdateTrack(long row, long column, int erase)
{
    QUAD q(0, kHeaderHeight, width, height);
    if (row == -1) {
        q.top = 0;
        q.left = column <= 0 ? 0 : std::max(ColumnLeft(column), columnWidths[0]);
    } else if (row >= 0) {
        q.top = std::max(RowTop(row), kHeaderHeight);
        if (column == -1 || column == -2) {
            if (column == -1)
                q.bottom = RowTop(row) + kRowHeight;
        } else {
            q = GetItemQuad(row, column, 1);
        }
    }
    if (q.right <= q.left || q.bottom <= q.top || q.top >= height)
        return;
    Update(&q, erase);
}

void CTracksWindow::EnsureVisible(long row)
{
    const long top = 22 + kRowHeight * row;
    long target = scrollPosY;
    if (top < scrollPosY + kHeaderHeight)
        target = top - kHeaderHeight;
    else if (top + kRowHeight > scrollPosY + height)
        target = top + kRowHeight - height;
    if (target != scrollPosY)
        ScrollBoth(target - scrollPosY);
}

void CTracksWindow::ScrollBoth(long dy)
{
    ScrollToPosition(scrollPosX, scrollPosY + dy);
    if (CMeasWindow *measures = liason ? liason->GetMainMeas() : nullptr)
        measures->ScrollToPosition(measures->scrollPosX, measures->scrollPosY + dy);
}

// --- painting

void CTracksWindow::Render(CGUIContext *ctx)
{
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    FillHeader(ctx);
    if (ctx->SetDrawingQuad(QUAD(0, kHeaderHeight, width, height))) {
        for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
            const long top = RowTop(static_cast<long>(t->GetID()));
            if (top + kRowHeight > kHeaderHeight && top < height)
                DrawRow(ctx, t);
        }
        // column borders over the rows
        for (long c = 1; c < kTracksColumns; ++c) {
            const long border = ColumnLeft(c) + columnWidths[c];
            if (border <= columnWidths[0])
                continue;
            ctx->SelectPen(&sharedPen, 3);
            ctx->DrawLine(border - 1, kHeaderHeight, border - 1, height);
            ctx->SelectPen(&sharedPen, 0);
            ctx->DrawLine(border, kHeaderHeight, border, height);
        }
        DrawNumbers(ctx);
        ctx->ResetDrawingQuad();
    }
}

void CTracksWindow::FillHeader(CGUIContext *ctx)
{
    ctx->DrawHorzGradient(&sharedGradient, 15, 0, 0, width);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(0, kHeaderHeight - 1, width, kHeaderHeight - 1);
    for (long c = 0; c < kTracksColumns; ++c) {
        const long left = c == 0 ? 0 : ColumnLeft(c);
        const long right = left + columnWidths[c];
        // the scrolled columns stay right of the number column
        if (c > 0 && (right <= columnWidths[0] ||
                      !ctx->SetDrawingQuad(QUAD(columnWidths[0] + 1, 0, width, kHeaderHeight - 2))))
            continue;
        if (dragState == kDragResize && editRow == -1 && editColumn == c)
            ctx->DrawHorzGradient(&sharedGradient, 16, left, 0, right - left);
        ctx->DrawTextA(QUAD(left, 0, right, kHeaderHeight - 1), kAlignCentreMiddle, 2, kColumns[c].caption,
                       -1);
        ctx->SelectPen(&sharedPen, 3);
        ctx->DrawLine(right - 2, 0, right - 2, kHeaderHeight - 1);
        ctx->SelectPen(&sharedPen, 1);
        ctx->DrawLine(right - 1, 0, right - 1, kHeaderHeight - 1);
        ctx->SelectPen(&sharedPen, 0);
        ctx->DrawLine(right, 0, right, kHeaderHeight - 1);
        if (c > 0)
            ctx->ResetDrawingQuad();
    }
}

void CTracksWindow::DrawRow(CGUIContext *ctx, CTrack *track)
{
    const long row = static_cast<long>(track->GetID());
    const long top = RowTop(row);
    const long kind = std::clamp(track->GetKind(), 0L, 7L);
    ctx->DrawHorzGradient(&sharedGradient, kRowGradient[kind], columnWidths[0], top, width - columnWidths[0]);
    if (!ctx->SetDrawingQuad(QUAD(columnWidths[0], std::max(top, kHeaderHeight), width, height)))
        return;
    for (long c = 1; c < kTracksColumns; ++c) {
        const long left = ColumnLeft(c);
        const QUAD cell(left, top, left + columnWidths[c], top + kRowHeight);
        if (cell.right <= columnWidths[0] || cell.left >= width)
            continue;
        if (editRow == row && editColumn == c)
            ctx->DrawHorzGradient(&sharedGradient, 14, cell.left, top, cell.Width());
        DrawCell(ctx, track, c, cell);
    }
    ctx->SetDrawingQuad(QUAD(0, kHeaderHeight, width, height));
}

void CTracksWindow::DrawDisabled(CGUIContext *ctx, QUAD cell)
{
    const long cx = (cell.left + cell.right) / 2;
    const long cy = (cell.top + cell.bottom) / 2;
    ctx->SelectPen(&sharedPen, 3);
    ctx->DrawLine(cx - 3, cy, cx + 3, cy);
    ctx->SelectPen(&sharedPen, 2);
    ctx->DrawLine(cx - 2, cy + 1, cx + 4, cy + 1);
}

long CTracksWindow::SliderEnd(QUAD cell, long value) const
{
    return cell.left + std::max(cell.Width() * std::max(value, 0L) / 127, 2L);
}

void CTracksWindow::DrawSlider(CGUIContext *ctx, QUAD cell, long value, long gradient)
{
    if (cell.Width() < 5)
        return;
    if (value < 0) {
        ctx->DrawTextA(cell, kAlignRightMiddle, 3, "-", -1);
        return;
    }
    ctx->DrawHorzGradient(&sharedGradient, gradient, cell.left, cell.top, SliderEnd(cell, value) - cell.left);
    ctx->DrawInt(cell, kAlignRightMiddle, 3, value, "%i");
}

void CTracksWindow::DrawUpDown(CGUIContext *ctx, QUAD cell, long value)
{
    ctx->DrawUpDownMark(cell, 1);
    QUAD number = cell;
    number.right -= kMarkWidth;
    ctx->DrawInt(number, kAlignRightMiddle, 3, value, "%i");
}

void CTracksWindow::DrawCell(CGUIContext *ctx, CTrack *track, long column, QUAD cell)
{
    const long kind = track->GetKind();
    const KindCells &cells = kKindCells[std::clamp(kind, 0L, 7L)];
    char text[256];
    ctx->SelectFontColor(&colBlack);
    switch (column) {
    case TRCOL_KIND:
        ctx->DrawImage(&sharedImage, 0, std::clamp(kind, 0L, 7L), cell.left + 5, cell.top + 5);
        break;
    case TRCOL_NAME:
        ctx->DrawTextA(cell, kAlignLeftMiddle, 3, track->name ? track->name : "", -1);
        break;
    case TRCOL_MUTE:
        ctx->DrawImage(&sharedImage, 1, track->IsMute() ? 1 : 0, cell.left + 5, cell.top + 5);
        break;
    case TRCOL_SOLO:
        ctx->DrawImage(&sharedImage, 1, track->IsSolo() ? 2 : 3, cell.left + 5, cell.top + 5);
        break;
    case TRCOL_USE:
        ctx->DrawImage(&sharedImage, 1, track->IsUseS() ? 4 : 5, cell.left + 5, cell.top + 5);
        break;
    case TRCOL_OUT: {
        long portKind = -1;
        OutPortText(song, track->output, text, sizeof text, portKind);
        if (portKind >= 0 && portKind <= 7)
            ctx->DrawImage(&sharedImage, 2, portKind, cell.left + 5, cell.top + 5);
        QUAD name = cell;
        name.left += 26;
        name.right -= kMarkWidth;
        ctx->DrawTextA(name, kAlignLeftMiddle, 0, text, -1);
        ctx->DrawDropDownMark(cell, kind != TRACK_AUDIO);
        break;
    }
    case TRCOL_CHANNEL:
        if (!cells.channel) {
            DrawDisabled(ctx, cell);
            break;
        }
        if (track->channel >= 0)
            std::snprintf(text, sizeof text, "%ld", track->channel + 1);
        else
            std::snprintf(text, sizeof text, "-");
        ctx->DrawTextA(cell, kAlignCentreMiddle, 0, text, -1);
        ctx->DrawDropDownMark(cell, 1);
        break;
    case TRCOL_BANK:
        if (!cells.bankProgram) {
            DrawDisabled(ctx, cell);
            break;
        }
        text[0] = 0;
        if (track->bank < 0 || !track->StringBank(text, track->bank))
            std::snprintf(text, sizeof text, track->bank < 0 ? "-" : "%ld", track->bank);
        if (track->IsBanksEnumed()) {
            QUAD name = cell;
            name.right -= kMarkWidth;
            ctx->DrawTextA(name, kAlignLeftMiddle, 3, text, -1);
            ctx->DrawDropDownMark(cell, 1);
        } else {
            ctx->DrawTextA(cell, kAlignRightMiddle, 3, text, -1);
        }
        break;
    case TRCOL_PROGRAM: {
        if (!cells.bankProgram) {
            DrawDisabled(ctx, cell);
            break;
        }
        text[0] = 0;
        if (track->program < 0 || !track->StringProg(text, track->bank, track->program))
            std::snprintf(text, sizeof text, track->program < 0 ? "-" : "%ld", track->program);
        QUAD name = cell;
        name.right -= kMarkWidth;
        ctx->DrawTextA(name, kAlignLeftMiddle, 3, text, -1);
        ctx->DrawDropDownMark(cell, 1);
        break;
    }
    case TRCOL_VOLUME:
        DrawSlider(ctx, cell, track->volume, cells.sliderGradient);
        break;
    case TRCOL_PAN:
        DrawSlider(ctx, cell, track->pan, cells.sliderGradient);
        break;
    case TRCOL_KEY:
        DrawUpDown(ctx, cell, track->transpose);
        break;
    case TRCOL_TIME:
        DrawUpDown(ctx, cell, track->timeOffset);
        break;
    case TRCOL_EFFECTS:
        if (kind == TRACK_MIDI)
            ctx->DrawInt(cell, kAlignRightMiddle, 4,
                         static_cast<CTrackMIDI *>(track)->effects.GetNumEffects(), "%i");
        else
            DrawDisabled(ctx, cell);
        break;
    default:
        break;
    }
}

void CTracksWindow::DrawNumbers(CGUIContext *ctx)
{
    const long w0 = columnWidths[0];
    const long first = std::max(GetRow(kHeaderHeight), 0L);
    const long last = GetRow(height);
    for (long row = std::max(first, 1L); row <= last; ++row) {
        const long top = RowTop(row);
        const QUAD cell(0, top, w0, top + kRowHeight);
        CTrack *track = song->GetTrack(row);
        if (track) {
            ctx->DrawHorzGradient(&sharedGradient, track->IsSlct() ? 13 : 12, 0, top, w0);
            ctx->SelectFontColor(track->IsSlct() ? &colWhite : &colBlack);
        } else {
            ctx->SelectFontColor(&colBlack);
        }
        ctx->DrawInt(cell, kAlignRightMiddle, 4, row, "%i");
    }
    ctx->SelectFontColor(&colBlack);
    ctx->SelectPen(&sharedPen, 3);
    ctx->DrawLine(w0 - 1, kHeaderHeight, w0 - 1, height);
}

} // namespace Quorvane

namespace Quorvane::tracks_layout {

void OutPortText(CSong *song, void *output, char *text, long size, long &kind)
{
    text[0] = 0;
    kind = -1;
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    if (!tract || !output || size < 2)
        return;
    long number = -1;
    kind = tract->GetOutInfo(output, text, number);
    text[size - 1] = 0;
    CreateOutPortName(text, kind, number, size);
}

} // namespace Quorvane::tracks_layout
