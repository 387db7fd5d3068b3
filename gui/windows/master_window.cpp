#include "gui/windows/master_window.h"

#include "data/music_text.h"
#include "data/song.h"
#include "data/text_widths.h"
#include "data/track_master.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/left_band.h"
#include "gui/windows/liaison.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
constexpr long kMeterY = 35;
constexpr long kLaneTop = 48;
constexpr long kMinTempo = 10;
constexpr long kMaxTempo = 250;
constexpr unsigned long kAlignRightMiddle = 6;
constexpr unsigned long kAlignCentreMiddle = 5;

} // namespace

CMasterWindow::CMasterWindow()
{
    bkgndColour = &colBkgndMaster;
    SetLeftBand(gradients, 40, nullptr);
    topBand = kLaneTop;
    bandsStay = 1;
    timeRuler = &timeLine;
}

int CMasterWindow::InitLocal()
{
    if (!client || !song)
        return 0;
    CTrack *found = BoundTrack(TRACK_MASTER);
    if (!found)
        return 0;
    track = static_cast<CTrackMaster *>(found);
    if (!timeLine.Init(song, this) || !BuildLeftBand(2))
        return 0;
    firstVisible.Init(track);
    tool.Init(this, &firstVisible, LANE_TEMPO);
    client->tool = TOOL_DRAW;
    client->toolFlag = 1;
    return 1;
}

void CMasterWindow::Resize()
{
    CalcScroll(width, leftBand, SongLength() / std::max(zoom, 1L), scrollMaxX, scrollPageX, scrollPosX);
    scrollMaxY = scrollPageY = scrollPosY = 0;
}

// --- the tempo scale: 10 at the bottom, 250 at the top

long CMasterWindow::GetYFromVal(long bpm)
{
    const long lane = std::max(LaneHeight(), 1L);
    return height - std::lround(static_cast<double>(lane) * (bpm - kMinTempo) / (kMaxTempo - kMinTempo));
}

long CMasterWindow::GetValFromY(long y)
{
    const long lane = std::max(LaneHeight(), 1L);
    long bpm = std::lround(static_cast<double>(height - y) * (kMaxTempo - kMinTempo) / lane) + kMinTempo;
    bpm = std::clamp(bpm, kMinTempo, kMaxTempo);
    const long digit = bpm % 10;
    if (digit == 1 || digit == 9) {
        const long round = digit == 1 ? bpm - 1 : bpm + 1;
        if (std::labs(GetYFromVal(round) - y) <= 1)
            bpm = round;
    }
    return bpm;
}

int CMasterWindow::GridValues(long *values) const
{
    const long heights = LaneHeight() / std::max(HeightD, 1L);
    static const long all[] = {50, 100, 200, 150};
    long first = 0, count = 0;
    if (heights >= 10)
        count = 4;
    else if (heights >= 8)
        first = 1, count = 3;
    else if (heights >= 7)
        first = 1, count = 2;
    else if (heights >= 4)
        first = 3, count = 1;
    for (long i = 0; i < count; ++i)
        values[i] = all[first + i];
    return static_cast<int>(count);
}

// --- painting

void CMasterWindow::Render(CGUIContext *ctx)
{
    timeLine.Draw(ctx);
    DrawStrip(ctx);
    long values[4];
    const int lines = GridValues(values);
    const long right = width - rightMargin;
    if (ctx->SetDrawingQuad(QUAD(leftBand, kLaneTop, right, height))) {
        ctx->SelectPen(&sharedPen, 3);
        for (int i = 0; i < lines; ++i) {
            const long y = GetYFromVal(values[i]);
            ctx->DrawLine(leftBand, y, right, y);
        }
        ctx->ResetDrawingQuad();
    }
    timeLine.DrawGrid(ctx);
    DrawLeftBand(ctx);
    DrawLeftCorner(ctx);
    const QUAD *view = ctx->GetQuadViewPort();
    const long from = GetTimeFromX(std::max(view->left, leftBand));
    const long to = GetTimeFromX(std::min(view->right, right)) + std::max(zoom, 1L);
    const long first = firstVisible.GetFirstVisible(from, from, LANE_TEMPO, zoom, ptabWidthL);
    DrawSignatures(ctx, from, to, first);
    if (ctx->SetDrawingQuad(QUAD(leftBand, kLaneTop, right, height))) {
        tool.DrawCtrl(ctx, from, to, GetYFromVal(kMinTempo), 1, first);
        if (dragState == MASTER_DRAW_TEMPO)
            tool.DrawTool(ctx);
        ctx->ResetDrawingQuad();
    }
}

void CMasterWindow::DrawStrip(CGUIContext *ctx)
{
    const long right = width - rightMargin;
    if (!ctx->SetDrawingQuad(QUAD(leftBand, kRulerBottom, right, kLaneTop - 1)))
        return;
    ctx->DrawHorzGradient(&sharedGradient, 0, leftBand, kRulerBottom, right - leftBand);
    if (song->IsTimeSelection()) {
        const long left = std::max(GetXFromTime(song->selectionStart), leftBand);
        const long end = std::min(GetXFromTime(song->selectionEnd), right);
        if (end > left)
            ctx->DrawHorzGradient(&sharedGradient, 6, left, kRulerBottom, end - left);
    }
    ctx->ResetDrawingQuad();
}

void CMasterWindow::DrawLeftBand(CGUIContext *ctx)
{
    if (!ctx->SetDrawingQuad(QUAD(0, kLaneTop, leftBand, height)))
        return;
    ctx->DrawVertGradient(&gradients, 0, 0, kLaneTop, height - kLaneTop);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(leftBand - 1, kLaneTop, leftBand - 1, height);
    if (LaneHeight() > 2 * HeightD) {
        ctx->SelectFont(&sharedFont, 0);
        ctx->SelectFontColor(&colBlack);
        ctx->DrawTextA(QUAD(0, kLaneTop, leftBand - 6, kLaneTop + HeightD), kAlignRightMiddle, 0, "250", -1);
        ctx->DrawTextA(QUAD(0, height - HeightD, leftBand - 6, height), kAlignRightMiddle, 0, "10", -1);
        long values[4];
        const int lines = GridValues(values);
        for (int i = 0; i < lines; ++i) {
            const long y = GetYFromVal(values[i]);
            ctx->DrawLine(leftBand - 6, y, leftBand - 1, y);
            ctx->DrawInt(QUAD(0, y - HeightD / 2, leftBand - 6, y + HeightD - HeightD / 2),
                         kAlignCentreMiddle, 0, values[i], "%i");
        }
    }
    ctx->ResetDrawingQuad();
}

void CMasterWindow::DrawLeftCorner(CGUIContext *ctx)
{
    left_band::DrawCorner(ctx, gradients, leftBand, kLaneTop, ResizingBand());
}

void CMasterWindow::DrawSignatures(CGUIContext *ctx, long, long to, long first)
{
    if (!ctx->SetDrawingQuad(QUAD(leftBand, kRulerBottom, width - rightMargin, kLaneTop - 1)))
        return;
    ctx->SelectFont(&sharedFont, 1);
    ctx->SelectFontColor(&colBlack);
    char text[64];
    for (long k = std::max(first, 0L); k < track->GetNumb(); ++k) {
        const EVENT *e = track->GetEvent(k);
        if (e->time > to)
            break;
        if (e->IsTSign())
            ctx->DrawTextA(GetXFromTime(e->time), kMeterY,
                           GetTSignText(e->getTSignVal1(), e->getTSignVal2(), text), -1);
        else if (e->IsKSign())
            ctx->DrawTextA(GetXFromTime(e->time), kRulerBottom, GetKSignText(e->getKSignVal(), text, 0), -1);
    }
    ctx->ResetDrawingQuad();
}

// --- gestures

void CMasterWindow::OnLButtonDown(long x, long y, int flag1, int)
{
    DropGesture();
    if (!song || !track || !client)
        return;
    dragX = x;
    dragY = y;
    if (x >= leftBand - 3 && x < leftBand) {
        StartBandResize();
        return;
    }
    if (x < leftBand)
        return;
    const long tool = client->tool;
    const long right = width - rightMargin;
    if (y < kRulerBottom) {
        PressRuler(x, flag1, 0);
        return;
    }
    if (y < kLaneTop) {
        if (tool == TOOL_SELECT)
            MoveSongPointer(timeLine.GridTime(GetTimeFromX(x)));
        else if (tool == TOOL_DRAW)
            EditSignature(x, y);
        else
            StartFrame(MASTER_ERASE_SIGNATURES, x, y, QUAD(leftBand, kRulerBottom, right, kLaneTop));
        return;
    }
    if (tool == TOOL_SELECT) {
        StartFrame(MASTER_SELECT_TEMPO, x, y, QUAD(leftBand, kLaneTop, right, height));
    } else if (tool == TOOL_DRAW) {
        StartStroke(MASTER_DRAW_TEMPO, this->tool, x, y);
    } else {
        StartFrame(MASTER_ERASE_TEMPO, x, y, QUAD(leftBand, kLaneTop, right, height));
    }
}

void CMasterWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song || !track || !client)
        return;
    if (dragState == MASTER_DRAW_TEMPO) {
        // the stroke stays in the lane: its columns are window pixels
        tool.DrawToolMove(std::clamp(x, leftBand, width - rightMargin - 1),
                          std::clamp(y, kLaneTop, height - 1));
        return;
    }
    if (!MoveSharedGesture(x, y))
        SetHoverStatus(x, y);
}

void CMasterWindow::SetHoverStatus(long x, long y)
{
    if (x >= leftBand - 3 && x < leftBand) {
        HoverLeftBand(1);
        return;
    }
    client->GUICLSetStatusText(0, y < kRulerBottom ? "Set Song Pointer" : "");
    SetCursorType(ToolCursor());
    char when[48], text[80];
    timeLine.StringTime(x, when);
    if (y >= kLaneTop)
        std::snprintf(text, sizeof text, "[%ld] %s", GetValFromY(y), when);
    else
        std::snprintf(text, sizeof text, "%s", when);
    client->GUICLSetStatusText(1, text);
}

void CMasterWindow::OnLButtonUp(long x, long y, int flag1, int)
{
    if (!song || !track || dragState == 0)
        return;
    const long state = dragState;
    if (state == MASTER_DRAW_TEMPO) {
        dragState = 0;
        DrawTempo();
        tool.DrawToolStop();
        if (client)
            client->GUICLSetCapture(0);
        SetHoverStatus(x, y);
        return;
    }
    DropGesture();
    switch (state) {
    case GESTURE_TIME_SELECTION:
        ReleaseSpan(flag1);
        break;
    case MASTER_SELECT_TEMPO: {
        long from, to, low, high;
        FrameRange(from, to, low, high);
        if (track->SelectByRange(LANE_TEMPO, from, to, low, high, flag1))
            Update(nullptr, 0);
        break;
    }
    case MASTER_ERASE_TEMPO:
        DeleteTempo();
        break;
    case MASTER_ERASE_SIGNATURES:
        DeleteSignatures();
        break;
    default:
        break;
    }
    SetHoverStatus(x, y);
}

void CMasterWindow::MasterChanged()
{
    track->UpdateParams(0);
    track->UpdateEdition();
    if (liason)
        liason->CallUpdate(1, 1, kAnyKey, kAnyKey);
    else
        Update(nullptr, 0);
}

void CMasterWindow::DrawTempo()
{
    long from = 0, to = 0;
    tool.DrawToolRange(from, to);
    EditStep step(song, client, "Draw tempo", static_cast<long>(track->GetID()));
    track->DeleteByTime(LANE_TEMPO, from, to);
    auto insert = [&](long time, long bpm) {
        EVENT e;
        if (!e.setTempo(static_cast<float>(bpm)))
            return false;
        e.time = time;
        return track->AddToTail(&e, 1) != 0;
    };
    if (!snap) {
        long value = kNoValue, time = 0;
        for (long column = tool.DrawToolGetNext(-1, value, 5, time); column >= 0;
             column = tool.DrawToolGetNext(column + 1, value, 5, time))
            if (!insert(time, value))
                return;
    } else {
        long last = kNoValue, inserted = 0;
        long time = timeLine.GridTime(from);
        if (time < from)
            time = from;
        while (time < to) {
            long value;
            if (tool.DrawToolGetAt(time, value) && value != last) {
                if (!insert(time, value))
                    return;
                last = value;
                ++inserted;
            }
            const long step = grid == 0 ? 0 : track->GetGrid(grid);
            long next;
            if (step > 0) {
                next = (time / step + 1) * step;
            } else {
                long bar, beat, tick;
                track->GetMBTFromTime(time, bar, beat, tick);
                next = track->GetTimeFromMBT(bar + 1, 0, 0);
            }
            time = std::max(next, time + 1);
        }
        long value;
        if (!inserted && tool.DrawToolGetAt(from, value) && !insert(from, value))
            return;
    }
    track->Sort();
    step.Done();
    MasterChanged();
}

void CMasterWindow::DeleteTempo()
{
    long from, to, low, high;
    FrameRange(from, to, low, high);
    EditStep step(song, client, "Delete tempo", static_cast<long>(track->GetID()));
    if (!track->DeleteByRange(LANE_TEMPO, from, to, low, high)) {
        step.Discard();
        return;
    }
    step.Done();
    MasterChanged();
}

void CMasterWindow::DeleteSignatures()
{
    long from, to, low, high;
    FrameRange(from, to, low, high);
    EditStep step(song, client, "Delete signatures", static_cast<long>(track->GetID()));
    int marked = 0;
    for (long k = 0; k < track->GetNumb(); ++k) {
        EVENT *e = track->GetEvent(k);
        if ((e->IsTSign() || e->IsKSign()) && e->time >= from && e->time < to) {
            e->SetDelt();
            marked = 1;
        }
    }
    if (!marked) {
        step.Discard();
        return;
    }
    track->Erase();
    step.Done();
    MasterChanged();
}

void CMasterWindow::EditSignature(long x, long y)
{
    const long time = track->GridTime(GetTimeFromX(x), 1, 0);
    MoveSongPointer(time);
    client->GUICLSetMousePos(GetXFromTime(time), y);
    const bool key = y < kMeterY;
    long next;
    const QUICKMETER *meter = track->GetPQMFromTime(time, next);
    const long current =
        key ? track->GetKSign(time) : (meter ? meter->numerator * 256 + meter->power : 4 * 256 + 2);
    const long result =
        static_cast<long>(client->GUICLRequest(key ? MASTERREQ_KEY : MASTERREQ_METER, current, 0));
    if (result < 0)
        return;
    const long numerator = result >> 8, power = result & 0xFF;
    if (key ? result > 29 : (numerator < 1 || numerator > 255 || power > 5))
        return; // not a signature
    EditStep step(song, client, key ? "Key signature" : "Time signature", static_cast<long>(track->GetID()));
    EVENT *standing = nullptr;
    for (long k = 0; k < track->GetNumb() && !standing; ++k) {
        EVENT *e = track->GetEvent(k);
        if (e->time == time && (key ? e->IsKSign() : e->IsTSign()))
            standing = e;
    }
    int changed;
    if (standing) {
        changed = key ? standing->getKSignVal() != result
                      : standing->getTSignVal1() != numerator || standing->getTSignVal2() != power;
        if (changed && !(key ? standing->setKSign(result) : standing->setTSign(numerator, power)))
            changed = 0;
        standing->time = time;
    } else {
        EVENT e;
        changed = key ? e.setKSign(result) : e.setTSign(numerator, power);
        e.time = time;
        changed = changed && track->AddToTail(&e, 1);
        if (changed)
            track->Sort();
    }
    if (!changed) {
        step.Discard();
        return;
    }
    step.Done();
    MasterChanged();
}

void CMasterWindow::OnMouseWheel(float delta, int)
{
    if (dragState == MASTER_DRAW_TEMPO)
        return;
    WheelScroll(static_cast<long>(static_cast<float>(TicksPerQuarter()) * delta /
                                  (-2.0f * static_cast<float>(std::max(zoom, 1L)))),
                0);
}

} // namespace Quorvane
