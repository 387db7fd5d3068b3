// The MIDI window: binding, the kinds it edits, coordinates and painting.
#include "gui/windows/midi_window.h"

#include "data/event.h"
#include "data/song.h"
#include "data/text_widths.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/key_rows.h"
#include "gui/windows/left_band.h"
#include "gui/windows/note_box.h"
#include "gui/windows/song_pointer.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
constexpr long kMinRowHeight = 4;
constexpr long kMaxRowHeight = 20;
constexpr unsigned long kAlignLeftMiddle = 4;

} // namespace

CMIDIWindow::CMIDIWindow()
{
    bkgndColour = &colBkgndMIDI;
    SetLeftBand(gradients, wMIDILeftBand, &wMIDILeftBand);
    topBand = kRulerBottom;
    bandsStay = 1;
    timeRuler = &timeLine;
    ShareZoomVert(rowH, ZoomMIDIVert, kMinRowHeight, kMaxRowHeight);
    lastDur = 960;
}

CMIDIWindow::~CMIDIWindow()
{
    drawCtrl.DrawToolStop();
}

int CMIDIWindow::InitLocal()
{
    if (!client || !song)
        return 0;
    CTrack *found = BoundTrack(TRACK_MIDI);
    if (!found)
        return 0;
    track = static_cast<CTrackMIDI *>(found);
    dataObject = track;
    if (!timeLine.Init(song, this) || !BuildLeftBand(2))
        return 0;
    firstVisible.Init(track);
    drawCtrl.Init(this, &firstVisible, -2);
    client->tool = TOOL_DRAW;
    client->toolFlag = 0;
    CTrackMaster *master = song->GetTrackMaster();
    lastDur = master ? master->GetTimeBase() : TicksPerQuarter();
    lastVel = 100;
    SetEdit(edit);
    return 1;
}

void CMIDIWindow::UpdateLeftBand()
{
    QUAD q(0, 0, leftBand, height);
    Update(&q, 0);
}

const char *CMIDIWindow::KindName(char *text)
{
    switch (edit) {
    case LANE_NOTE:
        return std::strcpy(text, "Notes");
    case LANE_VELOCITY:
        return std::strcpy(text, "Velocity");
    case LANE_WHEEL:
        return std::strcpy(text, "Wheel");
    case LANE_CAT:
        return std::strcpy(text, "Chan.Aft.");
    default:
        text[0] = 0;
        if (track)
            track->StringCtrl(text, edit);
        return text;
    }
}

void CMIDIWindow::SetEdit(long kind)
{
    if (!((kind >= 0 && kind <= LANE_CAT) || kind == LANE_NOTE || kind == LANE_VELOCITY))
        kind = LANE_NOTE;
    edit = kind;
    const long h = DataHeight();
    if (kind == LANE_WHEEL)
        lane.SetWheel(h);
    else if (kind == LANE_VELOCITY)
        lane.SetVelocity(h);
    else
        lane.SetByte(h);
    scrollYByRedraw = NoteMode() ? 0 : 1;
    drawCtrl.Init(this, &firstVisible, kind);
    QUAD below(0, kRulerBottom, width, height);
    Update(&below, 0);
    if (client) {
        char name[96], text[100];
        std::snprintf(text, sizeof text, " %s", KindName(name));
        client->GUICLSetStatusText(2, text);
    }
}

void CMIDIWindow::SetByKSign(int on)
{
    byKSign = on ? 1 : 0;
    QUAD data = DataQuad();
    Update(&data, 0);
}

void CMIDIWindow::Resize()
{
    CalcScroll(width, leftBand, SongLength() / std::max(zoom, 1L), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, kRulerBottom, 128 * rowH, scrollMaxY, scrollPageY, scrollPosY);
    SetEdit(edit);
}

long CMIDIWindow::GetYFromVal(long value)
{
    if (NoteMode())
        return RowTop(value);
    return lane.YFromVal(value, kRulerBottom);
}

long CMIDIWindow::GetValFromY(long y)
{
    if (NoteMode())
        return std::clamp(127 - (scrollPosY - kRulerBottom + y) / std::max(rowH, 1L), 0L, 127L);
    return lane.ValFromY(y, kRulerBottom);
}

void CMIDIWindow::SetZoomVert(long h)
{
    const long oldH = rowH;
    const long oldY = scrollPosY;
    h = KeepZoomVert(h);
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
    // the row in the middle stays there
    const long half = DataHeight() / 2;
    const long y = std::clamp(h * (half + oldY) / std::max(oldH, 1L) - half, 0L, std::max(scrollMaxY, 0L));
    if (y != scrollPosY)
        ScrollToPosition(scrollPosX, y);
}

void CMIDIWindow::OnActivate()
{
    EnsureVisibleTime(GetSongPtr(song), 1);
    if (!track)
        return;
    const long now = GetSongPtr(song);
    long pitch = -1;
    for (long i = 0; i < track->GetNumb(); ++i) {
        const EVENT *e = track->GetEvent(i);
        if (!e->IsNote())
            continue;
        pitch = e->data1;
        if (e->time >= now)
            break;
    }
    if (pitch < 0)
        pitch = 60;
    const long y = rowH * (127 - pitch) - DataHeight() / 2;
    ScrollToPosition(scrollPosX, std::clamp(y, 0L, std::max(scrollMaxY, 0L)));
}

// --- painting

void CMIDIWindow::Render(CGUIContext *ctx)
{
    timeLine.Draw(ctx);
    DrawLeftBand(ctx);
    DrawHoszGrid(ctx);
    timeLine.DrawGrid(ctx);
    DrawLeftCorner(ctx);

    noteQuads.ResetContent();
    const QUAD data = DataQuad();
    QUAD visible = data;
    if (!ctx->QuadToViewport(visible) || !track)
        return;
    const long step = std::max(zoom, 1L);
    // in note mode every visible note is drawn, so that the hit list holds
    // them all
    const long left = NoteMode() ? data.left : visible.left;
    const long right = NoteMode() ? data.right : visible.right;
    const long from = std::max(GetTimeFromX(left) - step, 0L);
    const long to = GetTimeFromX(right) + step;
    const long first = firstVisible.GetFirstVisible(from, from, NoteMode() ? LANE_NOTE : edit);
    if (!ctx->SetDrawingQuad(data))
        return;
    DrawNotes(ctx, from, to, first);
    if (edit == LANE_VELOCITY)
        DrawVelocities(ctx, from, to, first);
    else if (!NoteMode())
        drawCtrl.DrawCtrl(ctx, from, to, GetYFromVal(0), 1, first);
    if (dragState == MIDI_DRAW)
        drawCtrl.DrawTool(ctx);
    ctx->ResetDrawingQuad();
}

QUAD CMIDIWindow::NoteQuad(const EVENT *note) const
{
    const long step = std::max(zoom, 1L);
    const long left = note->time / step + leftBand;
    const long top = (127 - note->data1) * rowH + kRulerBottom;
    return QUAD(left, top, left + note->value / step - 1, top + rowH - 1);
}

void CMIDIWindow::DrawNotes(CGUIContext *ctx, long, long to, long first)
{
    for (long i = std::max(first, 0L); i < track->GetNumb(); ++i) {
        EVENT *e = track->GetEvent(i);
        if (e->time > to)
            break;
        if (!e->IsNote())
            continue;
        QUAD q = NoteQuad(e);
        q.OffsHorz(-scrollPosX);
        q.OffsVert(-scrollPosY);
        if (NoteMode()) {
            noteQuads.AddToTail(&q, e);
            DrawNoteBox(ctx, q, e->IsSlct() ? &colFillNoteSlct : &colFillNoteNorm);
        } else {
            DrawNoteBox(ctx, q, &colFillNoteBkgn, 3, 3);
        }
    }
}

void CMIDIWindow::DrawVelocities(CGUIContext *ctx, long, long to, long first)
{
    for (long i = std::max(first, 0L); i < track->GetNumb(); ++i) {
        const EVENT *e = track->GetEvent(i);
        if (e->time > to)
            break;
        if (!e->IsNote())
            continue;
        const long x = GetXFromTime(e->time);
        const long y = GetYFromVal(e->getNoteVel());
        ctx->SelectPen(&sharedPen, e->IsSlct() ? 5 : 4);
        ctx->DrawLine(x, height, x, y);
        ctx->DrawLine(x - 1, y, x + 3, y);
    }
}

void CMIDIWindow::DrawLeftBand(CGUIContext *ctx)
{
    const QUAD band(0, kRulerBottom, leftBand, height);
    if (!ctx->IsQuadInViewport(band) || !ctx->SetDrawingQuad(band))
        return;
    ctx->DrawVertGradient(&gradients, 0, 0, kRulerBottom, height - kRulerBottom);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(leftBand - 1, kRulerBottom, leftBand - 1, height);
    if (NoteMode())
        DrawKeyboard(ctx);
    else
        lane.DrawBand(ctx, leftBand, kRulerBottom, height);
    ctx->ResetDrawingQuad();
}

void CMIDIWindow::DrawKeyboard(CGUIContext *ctx)
{
    const KeyRows rows(RowTop(127), rowH, kRulerBottom, height);
    if (track && rowH >= HeightL && track->IsNotesEnumed()) {
        ctx->SelectFont(&sharedFont, 1);
        ctx->SelectFontColor(&colBlack);
        char name[128];
        for (long note = rows.first; note <= rows.last; ++note) {
            name[0] = 0;
            if (track->StringNote(name, note))
                ctx->DrawTextA(QUAD(0, RowTop(note), leftBand - 1, RowTop(note) + rowH), kAlignLeftMiddle, 3,
                               name, -1);
        }
        return;
    }
    rows.DrawKeyboard(ctx, leftBand);
}

void CMIDIWindow::DrawHoszGrid(CGUIContext *ctx)
{
    const QUAD data = DataQuad();
    if (!ctx->IsQuadInViewport(data) || !ctx->SetDrawingQuad(data))
        return;
    if (NoteMode())
        KeyRows(RowTop(127), rowH, kRulerBottom, height)
            .DrawShading(ctx, this, timeLine, data, byKSign, &colSlctMIDI, &colSlctMIDI1, 0);
    else
        lane.DrawGrid(ctx, data.left, data.right, kRulerBottom, height);
    ctx->ResetDrawingQuad();
}

void CMIDIWindow::DrawLeftCorner(CGUIContext *ctx)
{
    left_band::DrawCorner(ctx, gradients, leftBand, kRulerBottom, ResizingBand());
}

} // namespace Quorvane
