// A controller-like lane of a track (pitch wheel, aftertouch, a controller,
// tempo) as a stepped curve, and the pen with which the user draws a new
// curve over the data area - freehand, as a line or as a curve - before the
// window turns the stroke into events. The window gives the coordinate
// conversions (GetXFromTime, GetTimeFromX, GetYFromVal, GetValFromY).
//
// A stroke is drawn inverted on a context of the window's client, so
// drawing the same shape again takes it away.
#pragma once

#include "data/event_lanes.h"
#include "gui/pannikel_api.h"

namespace Quorvane {

class CAbstWindow;
class CGUIContext;
struct FIRSTVISIBLE;

// Stroke modes.
enum : long {
    STROKE_IDLE = -1,
    STROKE_FREEHAND = 1,
    STROKE_LINE = 2,
    STROKE_CURVE_UP = 3,
    STROKE_CURVE_DOWN = 4
};

struct PANNIKEL_API DRAWCTRL {
    DRAWCTRL() = default;
    DRAWCTRL(const DRAWCTRL &) = delete;
    DRAWCTRL &operator=(const DRAWCTRL &) = delete;
    // Ends a running stroke.
    ~DRAWCTRL() { DrawToolStop(); }

    void Init(CAbstWindow *owner, FIRSTVISIBLE *cache, long laneKind);

    // The lane between two times: the value in force at from (from the
    // first-visible cache), then the lane's events from firstIndex on.
    // baseY is the y of the lane's zero. With colourBySelection the pen is
    // shared pen 5 for selected events, else 4; without, the caller's.
    void DrawCtrl(CGUIContext *ctx, long from, long to, long laneBaseY, int colourBySelection,
                  long firstIndex);

    // 0 when no context can be had.
    int DrawToolStart(long mode, long x, long y);
    void DrawToolMove(long x, long y);
    // The stroke, inverted, on ctx (a paint draws it again this way).
    void DrawTool(CGUIContext *ctx);
    // Settles the stroke: from and to become its span in ticks, and every
    // column between its ends gets a value. The stroke leaves the window.
    void DrawToolRange(long &from, long &to);
    // The next settled column (after column; from the first for a negative
    // column) whose value lies tolerance or more away from value, or the
    // last column when it differs at all; -1 past the end. value and time
    // are the column's.
    long DrawToolGetNext(long column, long &value, long tolerance, long &time);
    // The settled value at a time; 0 outside the stroke.
    int DrawToolGetAt(long time, long &value);
    // Ends the stroke and gives the context back.
    void DrawToolStop();
    int IsDrawing() const { return toolContext != nullptr; }

    // Fields in their order.
    long segMode = 0;
    long baseY = 0;
    long lastX = 0x7fffffff;
    long lastY = 0;
    CAbstWindow *window = nullptr;
    FIRSTVISIBLE *firstVisible = nullptr;
    long kind = 0;
    long penSel = 0;
    long eventSel = 0;
    MonitorEventFn isMonitored = nullptr;
    ValMonitorFn monitorValue = nullptr;
    long toolMode = STROKE_IDLE;
    long startX = 0;
    long startY = 0;
    long lastToolX = 0;
    long lastToolY = 0;
    CGUIContext *toolContext = nullptr;
    long *columns = nullptr;
    long columnCount = 0;
    long firstColumn = 0;
    // Set by DrawToolRange: startX and lastToolX are column indices and the
    // stroke no longer shows.
    int settled = 0;

protected:
    void DrawSegment(CGUIContext *ctx, long x, long y);

private:
    void SelectLanePen(CGUIContext *ctx, long selected);
    long ColumnOf(long x) const;
    long FilledLeftOf(long column) const;
    long FilledRightOf(long column) const;
    // The segments between the filled columns lo..hi; a lone filled column
    // of the whole stroke shows as a dot.
    void DrawColumns(CGUIContext *ctx, long lo, long hi);
    void DrawLineOrCurve(CGUIContext *ctx);
    double CurveExponent(long leftY, long rightY) const;
    void ReleaseStroke();
};

} // namespace Quorvane
