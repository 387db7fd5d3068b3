// The gestures the base carries out for the windows: the rubber band and
// span, the time ruler's selection, the drawing stroke and the left band's
// resize, from a record of what its helpers started.
#include "gui/windows/abst_window.h"

#include "data/song.h"
#include "data/track.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/left_band.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/time_line.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

namespace {

// The time ruler runs along the top of the windows that have one.
constexpr long kRulerBottom = 22;

} // namespace

long CAbstWindow::DropGesture()
{
    const long state = dragState;
    if (state == 0)
        return 0;
    const long kind = SharedGesture();
    ShowCursor(0, nullptr);
    dragState = 0;
    if (client)
        client->GUICLSetCapture(0);
    if (kind == SHARED_BAND_RESIZE)
        Update(nullptr, 0);
    else if (kind == SHARED_STROKE)
        strokeTool->DrawToolStop();
    return state;
}

long CAbstWindow::SharedGesture() const
{
    if (dragState == GESTURE_BAND_RESIZE)
        return SHARED_BAND_RESIZE;
    return dragState != 0 && dragState == sharedState ? sharedKind : SHARED_NONE;
}

int CAbstWindow::MoveSharedGesture(long x, long y)
{
    switch (SharedGesture()) {
    case SHARED_BAND_RESIZE:
        DragLeftBand(x);
        return 1;
    case SHARED_FRAME:
    case SHARED_TIME_SELECTION:
        MoveFrame(x, y);
        return 1;
    case SHARED_STROKE:
        MoveStroke(x, y);
        return 1;
    default:
        return 0;
    }
}

int CAbstWindow::ReleaseSharedGesture(int flag1)
{
    const long kind = SharedGesture();
    if (kind != SHARED_BAND_RESIZE && kind != SHARED_TIME_SELECTION)
        return 0;
    ShowCursor(0, nullptr);
    dragState = 0;
    if (kind == SHARED_BAND_RESIZE)
        Update(nullptr, 0);
    else
        ReleaseSpan(flag1);
    return 1;
}

int CAbstWindow::StartStroke(long state, DRAWCTRL &tool, long x, long y)
{
    if (!client || !tool.DrawToolStart(client->toolFlag, x, y))
        return 0;
    dragState = sharedState = state;
    sharedKind = SHARED_STROKE;
    strokeTool = &tool;
    client->GUICLSetCapture(1);
    return 1;
}

void CAbstWindow::StartFrame(long state, long x, long y, QUAD clip, int scrollsY)
{
    const long cx = x + scrollPosX;
    const long cy = std::clamp(y, clip.top, clip.bottom - 1) + (scrollsY ? scrollPosY : 0);
    StartFrameAt(state, QUAD(cx, cy, cx, cy), clip, scrollsY);
}

void CAbstWindow::StartSpan(long state, long x, QUAD clip)
{
    const long cx = x + scrollPosX;
    StartFrameAt(state, QUAD(cx, clip.top, cx, clip.bottom - 1), clip, 0, 1);
}

void CAbstWindow::StartFrameAt(long state, QUAD start, QUAD clip, int scrollsY, int span)
{
    dragState = sharedState = state;
    sharedKind = SHARED_FRAME;
    frame = start;
    frameClip = clip;
    frameScrollsY = scrollsY;
    frameSpan = span;
    if (client)
        client->GUICLSetCapture(1);
    ShowCursor(1, nullptr);
}

long CAbstWindow::MoveFrame(long x, long y)
{
    ShowCursor(0, nullptr);
    const long scrolled = ScrollFrame(frameClip, x, y, 1, frameScrollsY);
    frame.right = std::clamp(x, frameClip.left, frameClip.right - 1) + scrollPosX;
    if (!frameSpan)
        frame.bottom = std::clamp(y, frameClip.top, frameClip.bottom - 1) + (frameScrollsY ? scrollPosY : 0);
    ShowCursor(1, nullptr);
    return scrolled;
}

QUAD CAbstWindow::FrameOnWindow() const
{
    QUAD q = frame;
    q.OffsHorz(-scrollPosX);
    if (frameScrollsY)
        q.OffsVert(-scrollPosY);
    return q;
}

void CAbstWindow::ShowFrame()
{
    DrawFrame(FrameOnWindow(), frameClip, nullptr, 1);
}

void CAbstWindow::FrameRange(long &from, long &to, long &low, long &high)
{
    QUAD q = FrameOnWindow();
    q.Normalize();
    from = GetTimeFromX(q.left);
    to = GetTimeFromX(q.right + 1);
    low = GetValFromY(q.bottom);
    high = GetValFromY(q.top);
}

void CAbstWindow::SelectInFrame(CTrack *track, long lane, int flag1)
{
    long from, to, low, high;
    FrameRange(from, to, low, high);
    if (!track->SelectByRange(lane, from, to, low, high, flag1))
        return;
    if (liason)
        liason->CallUpdateTrack(track, UPDATE_TRACK_WINDOWS);
    else
        Update(nullptr, 0);
}

void CAbstWindow::MoveStroke(long x, long y)
{
    const QUAD data = DataQuad();
    BoundMouseInQuad(x, y);
    x = std::clamp(x, data.left, data.right - 1);
    y = std::clamp(y, data.top, data.bottom - 1);
    strokeTool->DrawToolMove(x, y);
    if (!timeRuler)
        return;
    char text[96], when[48];
    std::snprintf(text, sizeof text, "[%ld] %s", GetValFromY(y), timeRuler->StringTime(x, when));
    if (client)
        client->GUICLSetStatusText(1, text);
}

void CAbstWindow::DragLeftBand(long x)
{
    if (!bandGradients)
        return;
    const long wanted = left_band::Drag(*bandGradients, client, leftBand, dragX, x);
    if (wanted == leftBand)
        return;
    leftBand = wanted;
    if (bandShared)
        *bandShared = wanted;
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
}

void CAbstWindow::StartBandResize()
{
    dragState = GESTURE_BAND_RESIZE;
    if (client)
        client->GUICLSetCapture(1);
    Update(nullptr, 0);
}

void CAbstWindow::HoverLeftBand(int edge)
{
    if (!client)
        return;
    if (edge)
        client->GUICLSetStatusText(0, "Resize band");
    else
        client->GUICLClearStatusText(0);
    SetCursorType(edge ? CURSOR_RESIZE : CURSOR_ARROW);
}

int CAbstWindow::HoverBandOrRuler(long x, long y, int onEdge)
{
    if (x < leftBand) {
        HoverLeftBand(onEdge);
        return 1;
    }
    if (y >= kRulerBottom || !client || !timeRuler)
        return 0;
    char when[48];
    client->GUICLSetStatusText(0, "Set Song Pointer");
    client->GUICLSetStatusText(1, timeRuler->StringTime(x, when));
    SetCursorType(ToolCursor());
    return 1;
}

void CAbstWindow::PressRuler(long x, int flag1, long trackId)
{
    const long time = timeRuler->GridTime(GetTimeFromX(x));
    MoveSongPointer(time);
    if (flag1 && song->SetTimeSelection(-1, -1) && liason)
        liason->CallUpdate(1, 0, kAnyKey, kAnyKey);
    if (CMeasWindow *measures = liason ? liason->GetMainMeas() : nullptr)
        measures->SelectTrack(trackId, trackId, song->IsTimeSelection());
    // the span starts where the pointer went, even when that scrolled
    StartSpan(GESTURE_TIME_SELECTION, GetXFromTime(time),
              QUAD(leftBand, 0, width - rightMargin, kRulerBottom));
    sharedKind = SHARED_TIME_SELECTION;
    spanTrackId = trackId;
}

void CAbstWindow::ReleaseSpan(int flag1)
{
    const long trackId = spanTrackId;
    const long time0 = timeRuler->GridTime(GetTimeFromX(frame.left - scrollPosX));
    const long time1 = timeRuler->GridTime(GetTimeFromX(frame.right - scrollPosX));
    int changed = 0;
    if (time0 != time1)
        changed = song->SetTimeSelection(std::min(time0, time1), std::max(time0, time1));
    else if (flag1)
        changed = song->SetTimeSelection(-1, -1);
    if (changed && liason)
        liason->CallUpdate(1, 0, kAnyKey, kAnyKey);
    if (CMeasWindow *measures = liason ? liason->GetMainMeas() : nullptr)
        measures->SelectTrack(trackId, trackId, song->IsTimeSelection());
}

} // namespace Quorvane
