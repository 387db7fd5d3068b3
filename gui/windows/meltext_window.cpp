// The melody-text window: binding, rows and painting.
#include "gui/windows/meltext_window.h"

#include "data/event.h"
#include "data/song.h"
#include "data/text_widths.h"
#include "data/track_chords.h"
#include "data/track_meltext.h"
#include "gui/draw/draw_functions.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/key_rows.h"
#include "gui/windows/left_band.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/note_box.h"
#include "gui/windows/song_pointer.h"
#include "gui/windows/window_globals.h"

#include <algorithm>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
constexpr long kStripsTop = 48;
constexpr long kLyricStrip = 26;
constexpr long kMinNoteHeight = 4;
constexpr long kMaxNoteHeight = 20;

} // namespace

CMelTextWindow::CMelTextWindow()
{
    bkgndColour = &colBkgndMelText;
    // the width stays this window's own
    SetLeftBand(gradients, wMelLeftBand, nullptr);
    topBand = kStripsTop;
    timeRuler = &timeLine;
    bottomMargin = kLyricStrip;
    ShareZoomVert(noteHeight, ZoomMelVert, kMinNoteHeight, kMaxNoteHeight);
}

int CMelTextWindow::InitLocal()
{
    if (!client || !song)
        return 0;
    CTrack *found = BoundTrack(TRACK_MELTEXT);
    if (!found)
        return 0;
    track = static_cast<CTrackMelText *>(found);
    dataObject = track;
    if (!timeLine.Init(song, this) || !BuildLeftBand(2))
        return 0;
    firstVisible.Init(track);
    client->tool = TOOL_DRAW;
    return track->UpdateNodes(Chords());
}

CTrackChords *CMelTextWindow::Chords() const
{
    return song ? static_cast<CTrackChords *>(song->GetTrackChords()) : nullptr;
}

long CMelTextWindow::KeyAt(long time)
{
    long next;
    return timeLine.GetKSign(time, next);
}

void CMelTextWindow::SetByKSign(int on)
{
    byKSign = on ? 1 : 0;
    QUAD roll = DataQuad();
    Update(&roll, 0);
}

void CMelTextWindow::Resize()
{
    CalcScroll(width, leftBand, SongLength() / std::max(zoom, 1L), scrollMaxX, scrollPageX, scrollPosX);
    // the roll lies between the strips above and below it
    CalcScroll(height, topBand + bottomMargin, 128 * noteHeight, scrollMaxY, scrollPageY, scrollPosY);
}

void CMelTextWindow::ModifyScrollQuad(long axis, QUAD *quad)
{
    if (axis == 0) {
        quad->left = leftBand;
    } else {
        quad->top = RollTop();
        quad->bottom = std::max(RollBottom(), RollTop());
    }
}

long CMelTextWindow::GetYFromVal(long pitch)
{
    return noteHeight * (127 - pitch) + RowOrigin();
}

long CMelTextWindow::GetValFromY(long y)
{
    return std::clamp(127 - (scrollPosY - RollTop() + y) / std::max(noteHeight, 1L), 0L, 127L);
}

void CMelTextWindow::SetZoomVert(long h)
{
    const long middle = GetValFromY((RollTop() + RollBottom()) / 2);
    KeepZoomVert(h);
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
    const long y = noteHeight * (127 - middle) - (RollBottom() - RollTop()) / 2;
    ScrollToPosition(scrollPosX, std::clamp(y, 0L, std::max(scrollMaxY, 0L)));
}

void CMelTextWindow::OnActivate()
{
    const long now = GetSongPtr(song);
    EnsureVisibleTime(now, 1);
    if (!track)
        return;
    const long index = track->GetMelodyAtTime(now, now);
    long pitch = 60;
    for (long i = index; i >= 0; --i) {
        const EVENT *e = track->GetEvent(i);
        if (e->IsMelody() && e->time <= now && e->value > 0) {
            pitch = e->getMelodyNote();
            break;
        }
    }
    const long y = noteHeight * (127 - pitch) - (RollBottom() - RollTop()) / 2;
    ScrollToPosition(scrollPosX, std::clamp(y, 0L, std::max(scrollMaxY, 0L)));
}

void CMelTextWindow::UpdateTime(long from, long to, int, int erase)
{
    CAbstWindow::UpdateTime(from, to, 1, erase);
}

void CMelTextWindow::UpdateChords(long time)
{
    const long left = std::max(time == 0 ? leftBand : GetXFromTime(time) - 1, leftBand);
    QUAD chords(left, kRulerBottom, width, kStripsTop);
    Update(&chords, 0);
    UpdateText();
}

void CMelTextWindow::UpdateText()
{
    QUAD lyrics(leftBand, height - kLyricStrip, width, height);
    Update(&lyrics, 0);
}

void CMelTextWindow::UpdateDependencies()
{
    if (!liason) {
        Update(nullptr, 0);
        return;
    }
    // this window and the lyric text window of the track
    const long id = static_cast<long>(track->GetID());
    liason->CallUpdate(1, 1, id, kAnyKey);
    if (CMeasWindow *measures = liason->GetMainMeas())
        measures->UpdateTrack(id, 0, kTimeMax);
}

// --- painting

void CMelTextWindow::Render(CGUIContext *ctx)
{
    timeLine.Draw(ctx);
    DrawLeftBand(ctx);
    const QUAD roll = DataQuad();
    if (roll.bottom > roll.top &&
        ctx->SetDrawingQuad(QUAD(roll.left, roll.top, roll.right, roll.bottom - 1))) {
        KeyRows(RowOrigin(), noteHeight, roll.top, roll.bottom)
            .DrawShading(ctx, this, timeLine, roll, byKSign, &colSlctMelText, &colSlctMelText1, 1);
        ctx->ResetDrawingQuad();
    }
    timeLine.DrawGrid(ctx);
    DrawLeftCorners(ctx);
    if (!track)
        return;
    const QUAD *view = ctx->GetQuadViewPort();
    const long step = std::max(zoom, 1L);
    const long from = std::max(GetTimeFromX(std::max(view->left, leftBand)) - step, 0L);
    const long to = GetTimeFromX(std::min(view->right, width)) + step;
    DrawChordStrip(ctx, from, to);
    DrawLyricStrip(ctx, from, to);
    DrawMelody(ctx, from, to);
}

void CMelTextWindow::DrawLeftBand(CGUIContext *ctx)
{
    const QUAD band(0, kStripsTop, leftBand, RollBottom());
    if (band.bottom <= band.top || !ctx->IsQuadInViewport(band) ||
        !ctx->SetDrawingQuad(QUAD(0, band.top, leftBand, band.bottom - 1)))
        return;
    ctx->DrawVertGradient(&gradients, 0, 0, band.top, band.Height());
    KeyRows(RowOrigin(), noteHeight, band.top, band.bottom).DrawKeyboard(ctx, leftBand);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(leftBand - 1, band.top, leftBand - 1, band.bottom);
    ctx->ResetDrawingQuad();
}

void CMelTextWindow::DrawLeftCorners(CGUIContext *ctx)
{
    const int resizing = ResizingBand();
    left_band::DrawCorner(ctx, gradients, leftBand, kStripsTop, resizing);
    const long top = height - kLyricStrip;
    const QUAD corner(0, top, leftBand, height);
    if (!ctx->IsQuadInViewport(corner) || !ctx->SetDrawingQuad(corner))
        return;
    ctx->DrawVertGradient(&gradients, resizing ? 1 : 0, 0, top, kLyricStrip);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(leftBand - 1, top, leftBand - 1, height);
    ctx->SelectPen(&sharedPen, 3);
    ctx->DrawLine(0, top, leftBand, top);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(0, top + 1, leftBand, top + 1);
    ctx->SelectPen(&sharedPen, 0);
    ctx->DrawLine(0, top + 2, leftBand, top + 2);
    ctx->ResetDrawingQuad();
}

void CMelTextWindow::DrawChordStrip(CGUIContext *ctx, long from, long to)
{
    const long right = width - rightMargin;
    const QUAD strip(leftBand, kRulerBottom, right, kStripsTop);
    if (!ctx->IsQuadInViewport(strip) ||
        !ctx->SetDrawingQuad(QUAD(leftBand, kRulerBottom, right, kStripsTop - 1)))
        return;
    ctx->DrawHorzGradient(&sharedGradient, 1, leftBand, kRulerBottom, right - leftBand);
    long count = 0;
    // one node earlier: its name may reach into the view
    long i = std::max(track->timeNodes.GoToTime(from, count) - 1, 0L);
    for (; i < count; ++i) {
        const TIMENODE *node = track->timeNodes.GetNode(i);
        if (node->tick > to)
            break;
        if (!node->chord)
            continue;
        const long x = GetXFromTime(node->tick);
        DrawChord(ctx, node->chord->value, x, kRulerBottom + 1, KeyAt(node->tick), 0);
        ctx->SelectPen(&sharedPen, 1);
        ctx->DrawLine(x, kStripsTop - 3, x, kStripsTop);
    }
    ctx->ResetDrawingQuad();
}

void CMelTextWindow::DrawLyricStrip(CGUIContext *ctx, long from, long to)
{
    const long right = width - rightMargin;
    const long top = height - kLyricStrip;
    const QUAD strip(leftBand, top, right, height);
    if (!ctx->IsQuadInViewport(strip) || !ctx->SetDrawingQuad(strip))
        return;
    ctx->DrawHorzGradient(&sharedGradient, 2, leftBand, top, right - leftBand);
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    ctx->SelectPen(&sharedPen, 1);
    const long nodes = std::min(track->text.GetNumNodes(), track->timeNodes.GetNumb());
    const long first = firstVisible.GetFirstVisible(from, from, std::max(zoom, 1L), ptabWidthD);
    for (long i = std::max(first, 0L); i < nodes; ++i) {
        const TIMENODE *timeNode = track->timeNodes.GetNode(i);
        if (timeNode->tick > to)
            break;
        const TEXTNODE *node = track->text.GetTextNode(i);
        const long x = GetXFromTime(timeNode->tick);
        ctx->DrawTextA(x, top + (kLyricStrip - HeightD) / 2, &track->text, node->line, node->start,
                       ptabWidthD);
        ctx->DrawLine(x, top, x, height);
    }
    ctx->ResetDrawingQuad();
}

long CMelTextWindow::NoteEnd(long index) const
{
    for (long i = index + 1; i < track->GetNumb(); ++i)
        if (track->GetEvent(i)->IsMelody())
            return track->GetEvent(i)->time;
    return kTimeMax;
}

QUAD CMelTextWindow::NoteQuad(const EVENT *note, long index) const
{
    const long step = std::max(zoom, 1L);
    const long end = NoteEnd(index);
    const long left = note->time / step + leftBand;
    const long right = end >= kTimeMax ? width + 10 + scrollPosX : end / step + leftBand - 1;
    const long top = noteHeight * (127 - note->getMelodyNote()) + RollTop();
    return QUAD(left, top, right, top + noteHeight - 1);
}

void CMelTextWindow::DrawMelody(CGUIContext *ctx, long from, long to)
{
    const QUAD roll = DataQuad();
    if (roll.bottom <= roll.top ||
        !ctx->SetDrawingQuad(QUAD(roll.left, roll.top, roll.right, roll.bottom - 1)))
        return;
    long i = track->GetMelodyAtTime(from, from);
    for (i = std::max(i, 0L); i < track->GetNumb(); ++i) {
        const EVENT *e = track->GetEvent(i);
        if (e->time > to)
            break;
        if (!e->IsMelody() || e->value <= 0)
            continue;
        QUAD q = NoteQuad(e, i);
        q.OffsHorz(-scrollPosX);
        q.OffsVert(-scrollPosY);
        DrawNoteBox(ctx, q, e->IsSlct() ? &colFillMelSlct : &colFillMelNorm);
    }
    ctx->ResetDrawingQuad();
}

} // namespace Quorvane
