// The chords window: binding, lanes, row layout and coordinates.
#include "gui/windows/chords_window.h"

#include "data/song.h"
#include "data/text_widths.h"
#include "data/track_chords.h"
#include "data/track_master.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/left_band.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

constexpr long kMinRowHeight = 5;
constexpr long kMaxRowHeight = 20;

} // namespace

CChordsWindow::CChordsWindow()
{
    bkgndColour = &colBkgndChords;
    ShareZoomHorz(ZoomChordsHorz);
    SetLeftBand(gradients, wChordsLeftBand, &wChordsLeftBand);
    bandsStay = 1;
    ShareZoomVert(noteRowHeight, ZoomChordsVert, kMinRowHeight, kMaxRowHeight);
    rowHeight = HeightL + 12 * noteRowHeight + 30;
}

int CChordsWindow::InitLocal()
{
    CTrack *found = BoundTrack(TRACK_CHORDS);
    if (!found)
        return 0;
    track = static_cast<CTrackChords *>(found);
    if (!rows.Init(song) || !BuildLeftBand(4))
        return 0;
    CGUIContext *ctx = client->GUICLGetContext();
    if (!ctx)
        return 0;
    const int built = gradients.SetGradient(2, ctx, HeightL + 1, &colLtGray, 30, 1) &&
                      gradients.SetGradient(3, ctx, HeightL + 1, &colSlctTrMeas, 30, 1);
    client->GUICLReleaseContext(ctx);
    if (!built)
        return 0;
    client->tool = TOOL_DRAW;
    chordCache.Init(track);
    laneCache.Init(track);
    SetEdit(edit);
    return 1;
}

void CChordsWindow::Resize()
{
    rows.Resize(width, height, zoom, leftBand);
    CalcScroll(width, leftBand, rows.GetSizeW(), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, 0, rows.GetSizeH(noteRowHeight), scrollMaxY, scrollPageY, scrollPosY);
    SetEdit(edit);
}

void CChordsWindow::SetEdit(long lane)
{
    if (!((lane >= 0 && lane <= LANE_CAT) || lane == LANE_CHORD))
        lane = LANE_CHORD;
    edit = lane;
    const long laneHeight = 12 * noteRowHeight;
    if (lane == LANE_WHEEL) {
        laneTop = 8192;
        laneMin = -8192;
        laneMax = 8191;
        snapStep = 2048;
        snapTolerance = 128;
        pixelsPerValue = laneHeight / 16384.0;
    } else {
        laneTop = 127;
        laneMin = 0;
        laneMax = 127;
        snapStep = 16;
        snapTolerance = 1;
        pixelsPerValue = laneHeight / 127.0;
    }
    tool.Init(this, &laneCache, lane == LANE_CHORD ? LANE_WHEEL : lane);
    Update(nullptr, 0);
    if (client) {
        char name[96];
        char text[100];
        std::snprintf(text, sizeof text, " %s", LaneName(name));
        client->GUICLSetStatusText(2, text);
    }
}

const char *CChordsWindow::LaneName(char *text)
{
    if (edit == LANE_CHORD)
        return std::strcpy(text, "Chords");
    if (edit == LANE_WHEEL)
        return std::strcpy(text, "Wheel");
    if (edit == LANE_CAT)
        return std::strcpy(text, "Chan.Aft.");
    text[0] = 0;
    if (track)
        track->StringCtrl(text, edit);
    return text;
}

void CChordsWindow::SetByKSign(int on)
{
    byKSign = on ? 1 : 0;
    QUAD data = DataQuad();
    Update(&data, 0);
}

long CChordsWindow::GetKSign(long time)
{
    CTrackMaster *master = song ? song->GetTrackMaster() : nullptr;
    return master ? master->GetKSign(time) : 15;
}

char *CChordsWindow::StringTime(long time, char *text)
{
    text[0] = 0;
    CTrackMaster *master = song ? song->GetTrackMaster() : nullptr;
    return master ? master->StringTime(time, text) : text;
}

long CChordsWindow::GridTime(long time)
{
    CTrackMaster *master = song ? song->GetTrackMaster() : nullptr;
    return master ? master->GridTime(time, snap, grid) : time;
}

void CChordsWindow::SetZoomVert(long h)
{
    KeepZoomVert(h);
    rowHeight = HeightL + 12 * noteRowHeight + 30;
    OnSize(kTimeMax, kTimeMax);
    Update(nullptr, 0);
}

// --- coordinates

long CChordsWindow::RowOf(long y) const
{
    return (scrollPosY + y) / rowHeight;
}

long CChordsWindow::XInRow(const CHORDSTRING *row, long time) const
{
    return (time - row->time) / std::max(zoom, 1L) - scrollPosX + leftBand + 6;
}

long CChordsWindow::GetTimeFromXY(long x, long y)
{
    const long count = rows.GetNumb();
    if (count == 0)
        return 0;
    const long index = RowOf(y);
    if (index >= count)
        return RowEndTime(rows.GetAt(count - 1));
    const CHORDSTRING *row = rows.GetAt(std::max(index, 0L));
    const long offset = (x + scrollPosX - leftBand - 6) * std::max(zoom, 1L);
    return row->time + std::clamp(offset, 0L, row->bars * row->ticksPerBar);
}

long CChordsWindow::GetXYFromTime(long time, long &x, long &y)
{
    x = y = 0;
    const long count = rows.GetNumb();
    if (count == 0)
        return -1;
    const CHORDSTRING *last = rows.GetAt(count - 1);
    time = std::min(time, RowEndTime(last) - 1);
    long lo = 0, hi = count - 1;
    while (lo < hi) {
        const long m = (lo + hi + 1) / 2;
        if (rows.GetAt(m)->time <= time)
            lo = m;
        else
            hi = m - 1;
    }
    x = XInRow(rows.GetAt(lo), std::max(time, 0L));
    y = RowTop(lo);
    return lo;
}

long CChordsWindow::GetTimeFromX(long x)
{
    const CHORDSTRING *row = rows.GetAt(currentRow);
    if (!row)
        return 0;
    const long offset = (x + scrollPosX - leftBand - 6) * std::max(zoom, 1L);
    return row->time + std::clamp(offset, 0L, row->bars * row->ticksPerBar);
}

long CChordsWindow::GetXFromTime(long time)
{
    if (time >= kTimeMax)
        return kTimeMax;
    const CHORDSTRING *row = rows.GetAt(currentRow);
    return row ? XInRow(row, time) : leftBand + 6;
}

long CChordsWindow::GetYFromVal(long value)
{
    return std::lround((laneTop - value) * pixelsPerValue) - scrollPosY + LaneTopContent(currentRow);
}

long CChordsWindow::GetValFromY(long y)
{
    const long raw = laneTop - std::lround((y + scrollPosY - LaneTopContent(currentRow)) / pixelsPerValue);
    long value = raw;
    const long below = static_cast<long>(std::floor(static_cast<double>(raw) / snapStep)) * snapStep;
    const long dBelow = raw - below, dAbove = below + snapStep - raw;
    if (dBelow <= snapTolerance || dAbove <= snapTolerance) {
        long nearest;
        if (dBelow != dAbove)
            nearest = dBelow < dAbove ? below : below + snapStep;
        else
            nearest = raw >= 0 ? below + snapStep : below; // away from zero
        if (std::labs(GetYFromVal(nearest) - y) <= 1)
            value = nearest;
    }
    return std::clamp(value, laneMin, laneMax);
}

long CChordsWindow::InCell(long x, long y)
{
    const long index = RowOf(y);
    const CHORDSTRING *row = rows.GetAt(index);
    if (!row || y < 0)
        return CELL_OUTSIDE;
    if (x < XInRow(row, row->time) || x >= XInRow(row, RowEndTime(row)))
        return CELL_OUTSIDE;
    const long dy = y - RowTop(index);
    if (dy <= 28)
        return CELL_NAMES;
    const long gy = dy - 29;
    if (edit == LANE_CHORD)
        return gy < 12 * noteRowHeight ? 11 - gy / noteRowHeight : CELL_BELOW;
    // A lane's bottom edge is its lowest value.
    if (gy > 12 * noteRowHeight)
        return CELL_BELOW;
    const long saved = currentRow;
    currentRow = index;
    const long value = GetValFromY(y);
    currentRow = saved;
    return edit == LANE_WHEEL ? value + 8192 : value;
}

long CChordsWindow::InChordNote(long time, long pitchClass, EVENT *&event)
{
    event = nullptr;
    const long index = track->GetChordAtTime(time, time);
    EVENT *chord = index >= 0 ? track->GetEvent(index) : nullptr;
    const long nextIndex = track->GetNextChord(index);
    EVENT *next = nextIndex >= 0 ? track->GetEvent(nextIndex) : nullptr;
    const long reach = 3 * std::max(zoom, 1L);
    if (next && next->time > time && next->time - time < reach && next->getChordNote() == pitchClass) {
        event = next;
        return CHORDS_MOVE;
    }
    event = chord;
    if (!chord || chord->getChordNote() != pitchClass)
        return CHORDS_NEW_CHORD;
    return time - chord->time < reach ? CHORDS_MOVE : CHORDS_TRANSPOSE;
}

void CChordsWindow::UpdateTime(long from, long to, int, int erase)
{
    long x, y;
    if (GetXYFromTime(std::max(from, 0L), x, y) < 0)
        return;
    long bottom = height;
    if (to < kTimeMax) {
        long x2, y2;
        GetXYFromTime(to, x2, y2);
        bottom = y2 + rowHeight;
    }
    QUAD q(leftBand, std::max(y, 0L), width, std::min(bottom, height));
    if (q.bottom > q.top)
        Update(&q, erase);
}

void CChordsWindow::UpdateChords(long time)
{
    UpdateTime(time, kTimeMax, 0, 0);
}

void CChordsWindow::EnsureVisibleTime(long time, int)
{
    long x, y;
    if (GetXYFromTime(time, x, y) < 0)
        return;
    long newX = scrollPosX, newY = scrollPosY;
    if (y < 0)
        newY += y;
    else if (y + rowHeight > height)
        newY += y + rowHeight - height;
    if (x < leftBand)
        newX -= leftBand + 6 - x;
    else if (x >= width - rightMargin)
        newX += x - (width - rightMargin) + 1;
    ScrollToPosition(newX, newY);
}

} // namespace Quorvane
