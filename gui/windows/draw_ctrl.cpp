#include "gui/windows/draw_ctrl.h"

#include "data/event.h"
#include "data/track.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/first_visible.h"
#include "gui/windows/gui_client.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace Quorvane {

namespace {

constexpr long kNone = 0x7fffffff;
constexpr long kEmpty = -1;

enum : long { SEG_EVENT = 0, SEG_START_VALUE = 1, SEG_START_EMPTY = 2, SEG_END = 3 };

// Pixels between the points of a drawn curve.
long curveStep(long span)
{
    if (span < 16)
        return 1;
    if (span < 32)
        return 2;
    if (span < 128)
        return 4;
    return 8;
}

} // namespace

void DRAWCTRL::Init(CAbstWindow *owner, FIRSTVISIBLE *cache, long laneKind)
{
    window = owner;
    firstVisible = cache;
    kind = laneKind;
    isMonitored = IsMonitorEventFn(kind);
    monitorValue = ValMonitorEventFn(kind);
    toolMode = STROKE_IDLE;
}

void DRAWCTRL::SelectLanePen(CGUIContext *ctx, long selected)
{
    penSel = selected;
    ctx->SelectPen(&sharedPen, selected ? 5 : 4);
}

void DRAWCTRL::DrawCtrl(CGUIContext *ctx, long from, long to, long laneBaseY, int colourBySelection,
                        long firstIndex)
{
    if (!ctx || !window)
        return;
    baseY = laneBaseY;
    int selected = 0;
    const long inForce = firstVisible ? firstVisible->GetValMonitored(selected) : kNoValue;
    penSel = eventSel = selected ? 1 : 0;
    if (colourBySelection)
        SelectLanePen(ctx, penSel);
    const long fromX = window->GetXFromTime(from);
    if (inForce != kNoValue) {
        segMode = SEG_START_VALUE;
        DrawSegment(ctx, fromX, window->GetYFromVal(inForce));
    } else {
        segMode = SEG_START_EMPTY;
        DrawSegment(ctx, fromX, baseY);
    }
    segMode = SEG_EVENT;
    CTrack *track = firstVisible ? firstVisible->GetTrack() : nullptr;
    bool penFixed = inForce != kNoValue;
    if (track && isMonitored) {
        for (long i = std::max(firstIndex, 0L); i < track->GetNumb(); ++i) {
            const EVENT *event = track->GetEvent(i);
            if (event->time > to)
                break;
            if (!isMonitored(event, kind))
                continue;
            if (colourBySelection) {
                eventSel = event->IsSlct() ? 1 : 0;
                if (!penFixed) {
                    SelectLanePen(ctx, eventSel);
                    penFixed = true;
                }
            }
            DrawSegment(ctx, window->GetXFromTime(event->time),
                        window->GetYFromVal(monitorValue ? monitorValue(event) : 0));
        }
    }
    segMode = SEG_END;
    DrawSegment(ctx, window->GetXFromTime(to) + 1, lastY);
}

void DRAWCTRL::DrawSegment(CGUIContext *ctx, long x, long y)
{
    switch (segMode) {
    case SEG_START_VALUE:
        ctx->StartLine(x, y);
        lastX = x;
        lastY = y;
        break;
    case SEG_START_EMPTY:
        ctx->StartLine(x, baseY);
        lastX = kNone;
        lastY = baseY;
        break;
    case SEG_EVENT: {
        const bool sameSide = (y >= baseY && lastY >= baseY) || (y <= baseY && lastY <= baseY);
        const long r = sameSide ? baseY : lastY;
        if (lastX == kNone) {
            ctx->StartLine(x, r);
            ctx->ContinueLine(x, y);
        } else {
            ctx->ContinueLine(x, lastY);
            if (eventSel != penSel)
                SelectLanePen(ctx, eventSel);
            if (std::labs(y - r) < std::labs(lastY - r)) {
                ctx->ContinueLine(x, r);
                ctx->StartLine(x, y);
            } else {
                ctx->StartLine(x, r);
                ctx->ContinueLine(x, y);
            }
        }
        lastX = x;
        lastY = y;
        break;
    }
    case SEG_END:
        if (lastX != kNone)
            ctx->ContinueLine(x + 1, lastY);
        break;
    default:
        break;
    }
}

long DRAWCTRL::ColumnOf(long x) const
{
    return std::clamp(x - firstColumn, 0L, std::max(columnCount - 1, 0L));
}

long DRAWCTRL::FilledLeftOf(long column) const
{
    for (long c = column - 1; c >= 0; --c)
        if (columns[c] != kEmpty)
            return c;
    return -1;
}

long DRAWCTRL::FilledRightOf(long column) const
{
    for (long c = column + 1; c < columnCount; ++c)
        if (columns[c] != kEmpty)
            return c;
    return -1;
}

int DRAWCTRL::DrawToolStart(long mode, long x, long y)
{
    DrawToolStop();
    if (mode < STROKE_FREEHAND || mode > STROKE_CURVE_DOWN)
        mode = STROKE_FREEHAND; // a host that never chose a stroke draws freehand
    CGUIClient *client = window ? window->GetGUIClient() : nullptr;
    CGUIContext *ctx = client ? client->GUICLGetContext() : nullptr;
    if (!ctx)
        return 0;
    ctx->InitViewport();
    if (!ctx->Prepare()) {
        client->GUICLReleaseContext(ctx);
        return 0;
    }
    firstColumn = window->leftBand;
    columnCount = std::max((window->width - window->rightMargin) - window->leftBand + 1, 1L);
    columns = static_cast<long *>(std::malloc(sizeof(long) * columnCount));
    if (!columns) {
        ctx->Unprepare();
        client->GUICLReleaseContext(ctx);
        return 0;
    }
    std::fill(columns, columns + columnCount, kEmpty);
    x = firstColumn + ColumnOf(x);
    columns[x - firstColumn] = y;
    startX = lastToolX = x;
    startY = lastToolY = y;
    toolMode = mode;
    toolContext = ctx;
    settled = 0;
    DrawTool(ctx);
    return 1;
}

void DRAWCTRL::DrawColumns(CGUIContext *ctx, long lo, long hi)
{
    long previous = -1;
    long filled = 0;
    for (long c = lo; c <= hi; ++c) {
        if (columns[c] == kEmpty)
            continue;
        ++filled;
        if (previous >= 0)
            ctx->DrawLine(firstColumn + previous, columns[previous], firstColumn + c, columns[c]);
        previous = c;
    }
    // A stroke of one column shows as a dot.
    if (filled == 1 && lo == 0 && hi == columnCount - 1)
        ctx->DrawLine(firstColumn + previous, columns[previous], firstColumn + previous + 1,
                      columns[previous]);
}

double DRAWCTRL::CurveExponent(long leftY, long rightY) const
{
    const bool up = rightY >= leftY;
    return (toolMode == STROKE_CURVE_UP && up) || (toolMode == STROKE_CURVE_DOWN && !up) ? 4.0 : 0.5;
}

void DRAWCTRL::DrawLineOrCurve(CGUIContext *ctx)
{
    long xl = startX, yl = startY, xr = lastToolX, yr = lastToolY;
    if (xl > xr) {
        std::swap(xl, xr);
        std::swap(yl, yr);
    }
    if (toolMode == STROKE_LINE || xr == xl) {
        ctx->DrawLine(xl, yl, xr, yr);
        return;
    }
    const double e = CurveExponent(yl, yr);
    const double k = (yr - yl) / std::pow(static_cast<double>(xr - xl), e);
    const long step = curveStep(xr - xl);
    ctx->StartLine(xl, yl);
    for (long x = xl + 1; x < xr; x += step)
        ctx->ContinueLine(x, yl + static_cast<long>(k * std::pow(static_cast<double>(x - xl), e)));
    ctx->ContinueLine(xr, yr);
}

void DRAWCTRL::DrawTool(CGUIContext *ctx)
{
    if (!ctx || !columns || settled)
        return;
    const int wasInvert = ctx->invert;
    ctx->SelectInvert(1);
    if (toolMode == STROKE_FREEHAND)
        DrawColumns(ctx, 0, columnCount - 1);
    else
        DrawLineOrCurve(ctx);
    ctx->SelectInvert(wasInvert);
}

void DRAWCTRL::DrawToolMove(long x, long y)
{
    if (!toolContext || settled)
        return;
    CGUIContext *ctx = toolContext;
    if (toolMode != STROKE_FREEHAND) {
        DrawTool(ctx);
        lastToolX = firstColumn + ColumnOf(x);
        lastToolY = y;
        DrawTool(ctx);
        return;
    }
    const long c = ColumnOf(x);
    const long p = lastToolX - firstColumn;
    const long left = c > p ? p : FilledLeftOf(c);
    const long right = c < p ? p : FilledRightOf(c);
    const long lo = left >= 0 ? left : c;
    const long hi = right >= 0 ? right : c;
    ctx->SelectInvert(1);
    // A lone dot goes as a whole; otherwise the part between the anchors.
    if (FilledLeftOf(p) < 0 && FilledRightOf(p) < 0)
        DrawColumns(ctx, 0, columnCount - 1);
    else
        DrawColumns(ctx, lo, hi);
    for (long k = left >= 0 ? left + 1 : lo; k <= (right >= 0 ? right - 1 : hi); ++k)
        columns[k] = kEmpty;
    columns[c] = y;
    if (left >= 0)
        ctx->DrawLine(firstColumn + left, columns[left], firstColumn + c, y);
    if (right >= 0)
        ctx->DrawLine(firstColumn + c, y, firstColumn + right, columns[right]);
    if (left < 0 && right < 0)
        DrawColumns(ctx, 0, columnCount - 1);
    lastToolX = firstColumn + c;
    lastToolY = y;
}

void DRAWCTRL::DrawToolRange(long &from, long &to)
{
    from = to = 0;
    if (!columns || settled)
        return;
    DrawTool(toolContext); // the stroke leaves the window
    long first, last;
    if (toolMode == STROKE_FREEHAND) {
        first = columns[0] != kEmpty ? 0 : FilledRightOf(0);
        last = columns[columnCount - 1] != kEmpty ? columnCount - 1 : FilledLeftOf(columnCount - 1);
        if (first < 0)
            first = last = lastToolX - firstColumn;
        startX = first;
        lastToolX = last;
        startY = columns[first] != kEmpty ? columns[first] : startY;
        lastToolY = columns[last] != kEmpty ? columns[last] : startY;
    } else {
        if (startX > lastToolX) {
            std::swap(startX, lastToolX);
            std::swap(startY, lastToolY);
        }
        startX -= firstColumn;
        lastToolX -= firstColumn;
        first = startX;
        last = lastToolX;
    }
    settled = 1;
    from = window->GetTimeFromX(firstColumn + first);
    to = window->GetTimeFromX(firstColumn + last + 1);
    if (first == last) {
        if (columns[first] == kEmpty)
            columns[first] = startY;
        return;
    }
    switch (toolMode) {
    case STROKE_FREEHAND:
        for (long c1 = first, c2; (c2 = FilledRightOf(c1)) >= 0 && c2 <= last; c1 = c2)
            for (long c = c1 + 1; c < c2; ++c)
                columns[c] = columns[c1] + (c - c1) * (columns[c2] - columns[c1]) / (c2 - c1);
        break;
    case STROKE_LINE:
        for (long c = first; c <= last; ++c)
            columns[c] = startY + (c - first) * (lastToolY - startY) / (last - first);
        break;
    default: {
        const double e = CurveExponent(startY, lastToolY);
        const double k = (lastToolY - startY) / std::pow(static_cast<double>(last - first), e);
        columns[first] = startY;
        columns[last] = lastToolY;
        for (long c = first + 1; c < last; ++c)
            columns[c] = startY + static_cast<long>(k * std::pow(static_cast<double>(c - first), e));
        break;
    }
    }
}

long DRAWCTRL::DrawToolGetNext(long column, long &value, long tolerance, long &time)
{
    if (!columns || !settled)
        return -1;
    long c = column;
    if (column < 0) {
        c = startX;
        const long v = window->GetValFromY(columns[c]);
        if (v != value) {
            value = v;
            time = window->GetTimeFromX(firstColumn + c);
            return c;
        }
    }
    for (; c <= lastToolX; ++c) {
        if (c < startX)
            continue;
        const long v = window->GetValFromY(columns[c]);
        if (v <= value - tolerance || v >= value + tolerance || (c == lastToolX && v != value)) {
            value = v;
            time = window->GetTimeFromX(firstColumn + c);
            return c;
        }
    }
    return -1;
}

int DRAWCTRL::DrawToolGetAt(long time, long &value)
{
    if (!columns || !settled)
        return 0;
    const long c = window->GetXFromTime(time) - firstColumn;
    if (c < startX || c > lastToolX)
        return 0;
    value = window->GetValFromY(columns[c]);
    return 1;
}

void DRAWCTRL::DrawToolStop()
{
    if (toolContext) {
        if (!settled)
            DrawTool(toolContext);
        toolContext->Unprepare();
        if (CGUIClient *client = window ? window->GetGUIClient() : nullptr)
            client->GUICLReleaseContext(toolContext);
        toolContext = nullptr;
    }
    ReleaseStroke();
}

void DRAWCTRL::ReleaseStroke()
{
    std::free(columns);
    columns = nullptr;
    columnCount = 0;
    settled = 0;
    toolMode = STROKE_IDLE;
}

} // namespace Quorvane
