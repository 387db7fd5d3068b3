// The chords window's painting: the left band, and per row of bars the
// chord names, the pitch-class grid with the chords' notes or a lane's
// curve, the bar numbers and the bar and beat lines.
#include "gui/windows/chords_window.h"

#include "data/music_text.h"
#include "data/song.h"
#include "data/text_widths.h"
#include "data/track_chords.h"
#include "gui/draw/draw_functions.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/song_pointer.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

namespace {

constexpr unsigned long kAlignRightMiddle = 6;

long keyOf(const CHORDSTRING *row)
{
    return row->kSign & ~kKeyContinues;
}

} // namespace

void CChordsWindow::Render(CGUIContext *ctx)
{
    if (rows.NeedResize()) {
        OnSize(kTimeMax, kTimeMax);
        Update(nullptr, 0);
        return;
    }
    const QUAD *view = ctx->GetQuadViewPort();
    const long firstRow = std::max(RowOf(std::max(view->top, 0L)), 0L);
    const long lastRow = std::min(RowOf(view->bottom), rows.GetNumb() - 1);
    DrawLeftBand(ctx, firstRow, lastRow);
    const long saved = currentRow;
    for (long i = firstRow; i <= lastRow; ++i) {
        if (!ctx->SetDrawingQuad(QUAD(leftBand, std::max(RowTop(i), 0L), width, RowTop(i) + rowHeight - 1)))
            continue;
        currentRow = i;
        DrawRow(ctx, i);
        ctx->ResetDrawingQuad();
    }
    currentRow = saved;
}

void CChordsWindow::DrawLeftBand(CGUIContext *ctx, long firstRow, long lastRow)
{
    if (!ctx->SetDrawingQuad(QUAD(0, 0, leftBand, height)))
        return;
    ctx->DrawVertGradient(&gradients, ResizingBand(), 0, 0, height);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(leftBand - 1, 0, leftBand - 1, height);
    ctx->SelectFont(&sharedFont, 1);
    ctx->SelectFontColor(&colBlack);
    const long half = (leftBand - 1) / 2;
    for (long i = firstRow; i <= lastRow; ++i) {
        const long top = GridTop(i);
        const long bottom = top + 12 * noteRowHeight;
        if (edit == LANE_CHORD) {
            for (long pc = 0; pc < 12; ++pc) {
                const long y = top + (11 - pc) * noteRowHeight;
                if (IsBlackNote(pc)) {
                    ctx->FillQuad(QUAD(0, y, half, y + noteRowHeight), &colBlack);
                    ctx->DrawLine(half, y + noteRowHeight / 2, leftBand - 1, y + noteRowHeight / 2);
                }
            }
            ctx->DrawLine(0, top, leftBand - 1, top);                                         // above B
            ctx->DrawLine(0, top + 7 * noteRowHeight, leftBand - 1, top + 7 * noteRowHeight); // E|F
            ctx->DrawLine(0, bottom, leftBand - 1, bottom);                                   // under C
        } else {
            const long centre = edit == LANE_WHEEL ? 0 : 64;
            currentRow = i;
            const long marks[3][2] = {{laneMax, top}, {laneMin, bottom - 1}, {centre, GetYFromVal(centre)}};
            for (const auto &mark : marks) {
                ctx->DrawLine(leftBand - 5, mark[1], leftBand - 1, mark[1]);
                ctx->DrawInt(QUAD(0, mark[1] - 7, leftBand - 6, mark[1] + 7), kAlignRightMiddle, 0, mark[0],
                             "%i");
            }
        }
    }
    ctx->ResetDrawingQuad();
}

void CChordsWindow::DrawRow(CGUIContext *ctx, long index)
{
    const CHORDSTRING *row = rows.GetAt(index);
    DrawGridShading(ctx, row, index);
    DrawBarStrip(ctx, row, index);
    DrawBarLines(ctx, row, index);
    if (edit == LANE_CHORD)
        DrawChords(ctx, row, index);
    else
        DrawLane(ctx, row, index);
}

void CChordsWindow::DrawGridShading(CGUIContext *ctx, const CHORDSTRING *row, long index)
{
    const long left = XInRow(row, row->time), right = XInRow(row, RowEndTime(row));
    const long top = GridTop(index);
    if (edit != LANE_CHORD) {
        ctx->SelectPen(&sharedPen, 3);
        const long y = GetYFromVal(edit == LANE_WHEEL ? 0 : 64);
        ctx->DrawLine(left, y, right, y);
        return;
    }
    for (long pc = 0; pc < 12; ++pc) {
        const RGBACOLOR *shade = nullptr;
        if (byKSign) {
            const long stage = GetStageByNote(pc, keyOf(row));
            if (stage == 0 || stage == 3 || stage == 4)
                shade = &colSlctChords;
            else if (stage >= 0)
                shade = &colSlctChords1;
        } else if (IsBlackNote(pc)) {
            shade = &colSlctChords1;
        }
        if (shade) {
            const long y = top + (11 - pc) * noteRowHeight;
            ctx->FillQuad(QUAD(left, y, right, y + noteRowHeight), shade);
        }
    }
}

void CChordsWindow::DrawBarStrip(CGUIContext *ctx, const CHORDSTRING *row, long index)
{
    const long left = XInRow(row, row->time), right = XInRow(row, RowEndTime(row));
    const long top = GridTop(index) + 12 * noteRowHeight;
    const long bottom = RowTop(index) + rowHeight - 1;
    ctx->DrawHorzGradient(&gradients, 2, left, top, right - left);
    long selLeft = right, selRight = right;
    if (song->IsTimeSelection()) {
        selLeft = std::clamp(XInRow(row, song->selectionStart), left, right);
        selRight = std::clamp(XInRow(row, song->selectionEnd), left, right);
        if (selRight > selLeft)
            ctx->DrawHorzGradient(&gradients, 3, selLeft, top, selRight - selLeft);
    }
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(left, top, right, top);
    ctx->DrawLine(left, bottom, right + 1, bottom);
    ctx->SelectFont(&sharedFont, 1);
    char text[64];
    for (long b = 0; b < row->bars; ++b) {
        const long x = XInRow(row, row->time + b * row->ticksPerBar);
        if (b == 0 && !(row->kSign & kKeyContinues)) {
            char key[48];
            std::snprintf(text, sizeof text, "%ld %s", row->bar + 1, GetKSignText(keyOf(row), key, 0));
        } else {
            std::snprintf(text, sizeof text, "%ld", row->bar + b + 1);
        }
        const bool selected = x >= selLeft && x < selRight;
        ctx->SelectFontColor(selected ? &colWhite : &colBlack);
        ctx->DrawTextA(x + 3, top + 1, text, -1);
    }
}

void CChordsWindow::DrawBarLines(CGUIContext *ctx, const CHORDSTRING *row, long index)
{
    const long nameLine = RowTop(index) + 28;
    const long gridBottom = GridTop(index) + 12 * noteRowHeight;
    const long rowBottom = RowTop(index) + rowHeight - 1;
    const long left = XInRow(row, row->time), right = XInRow(row, RowEndTime(row));
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(left, nameLine, right + 1, nameLine);
    const long beat = std::max(row->ticksPerBeat, 1L);
    for (long b = 0; b < row->bars; ++b) {
        const long barTime = row->time + b * row->ticksPerBar;
        ctx->SelectPen(&sharedPen, 3);
        for (long t = barTime + beat; t < barTime + row->ticksPerBar; t += beat) {
            const long x = XInRow(row, t);
            ctx->DrawLine(x, nameLine, x, gridBottom);
        }
        const long x = XInRow(row, barTime);
        ctx->SelectPen(&sharedPen, 1);
        ctx->DrawLine(x, nameLine, x, b == 0 ? rowBottom : gridBottom);
    }
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(right, nameLine, right, rowBottom);
}

void CChordsWindow::DrawNoteCell(CGUIContext *ctx, QUAD cell, const RGBACOLOR *colour)
{
    const long w = cell.Width();
    if (w >= 3)
        ctx->FillQuad(QUAD(cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1), colour);
    if (w >= 2) {
        ctx->SelectPen(&sharedPen, 0);
        ctx->DrawLine(cell.left, cell.bottom - 1, cell.left, cell.top);
        ctx->DrawLine(cell.left, cell.top, cell.right - 1, cell.top);
        ctx->SelectPen(&sharedPen, 1);
        ctx->DrawLine(cell.right - 1, cell.top, cell.right - 1, cell.bottom - 1);
        ctx->DrawLine(cell.right - 1, cell.bottom - 1, cell.left, cell.bottom - 1);
    }
}

void CChordsWindow::DrawChordNotes(CGUIContext *ctx, const EVENT *chord, long index, long left, long right)
{
    const long root = chord->getChordNote();
    if (root < 0 || root > 11)
        return;
    const long top = GridTop(index);
    auto cellOf = [&](long pc) {
        const long y = top + (11 - pc) * noteRowHeight;
        return QUAD(left, y, right, y + noteRowHeight);
    };
    for (const signed char *step = GetChordSteps(chord->getChordType()); *step; ++step)
        DrawNoteCell(ctx, cellOf(((root + *step) % 12 + 12) % 12), &colFillChordBkgn);
    DrawNoteCell(ctx, cellOf(root), chord->IsSlct() ? &colFillChordSlct : &colFillChordNorm);
}

void CChordsWindow::DrawChords(CGUIContext *ctx, const CHORDSTRING *row, long index)
{
    const long rowEnd = RowEndTime(row);
    const long top = RowTop(index);
    for (long k = std::max(chordCache.GetFirstVisible(row->time, row->time, LANE_CHORD), 0L);
         k < track->GetNumb(); ++k) {
        const EVENT *chord = track->GetEvent(k);
        if (chord->time >= rowEnd)
            break;
        if (!chord->IsChord())
            continue;
        const long nextIndex = track->GetNextChord(k);
        const long end = nextIndex >= 0 ? track->GetEvent(nextIndex)->time : rowEnd;
        if (end <= row->time)
            continue;
        const long left = XInRow(row, std::max<long>(chord->time, row->time));
        const long right = XInRow(row, std::min(end, rowEnd));
        DrawChordNotes(ctx, chord, index, left, right);
        if (chord->time >= row->time) {
            ctx->SelectPen(&sharedPen, 1);
            ctx->DrawLine(left, top + 25, left, top + 28);
            ctx->SelectFontColor(chord->IsSlct() ? &colFillChordSlct : &colBlack);
            DrawChord(ctx, chord->value, left + 2, top + 6, keyOf(row), 1);
        }
    }
}

void CChordsWindow::DrawLane(CGUIContext *ctx, const CHORDSTRING *row, long index)
{
    const long rowEnd = RowEndTime(row);
    const long first = laneCache.GetFirstVisible(row->time, row->time, edit);
    DRAWCTRL curve;
    curve.Init(this, &laneCache, edit);
    curve.DrawCtrl(ctx, row->time, rowEnd - 1, GetYFromVal(edit == LANE_WHEEL ? 0 : laneMin), 1, first);
    if (dragState == CHORDS_DRAW_LANE && tool.IsDrawing() && strokeRow == index)
        tool.DrawTool(ctx);
}

// --- the song pointer: in its row, from under the names to a triangle at
// the row's foot.

int CChordsWindow::PointerShape(CAbstWindow *window, long time, SongPtrShape &shape)
{
    auto *self = static_cast<CChordsWindow *>(window);
    long x, y;
    if (self->GetXYFromTime(time, x, y) < 0)
        return 0;
    const long bottom = y + self->rowHeight;
    shape.x = x;
    shape.stemEnd = y + 28;
    shape.tip = bottom - 5;
    shape.edge = bottom - 1;
    shape.clip = QUAD(self->leftBand, 0, self->width, self->height);
    return 1;
}

void CChordsWindow::ShowSongPtr(int on, CGUIContext *ctx)
{
    ShowSongPtrShaped(on, ctx, &CChordsWindow::PointerShape);
}

} // namespace Quorvane
