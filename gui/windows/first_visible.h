// Where drawing must start in a track's time-sorted events for a view that
// begins at a given time: an event that starts left of the view (a note
// still sounding, a label reaching into it) may still show. The walk is
// cached, so scrolling forward re-walks only the events passed since; a
// change of the track (its edition) or of the lane starts over. It also
// gives the value of one monitored lane in force at that point, for
// drawing controller curves from the left edge.
#pragma once

#include "data/event_lanes.h"
#include "data/struct_array.h"
#include "gui/pannikel_api.h"

namespace Quorvane {

class CTrack;
struct EVENT;

// No monitored value.
constexpr long kNoValue = 0x7fffffff;

struct PANNIKEL_API FIRSTVISIBLE : public STRUCTELEM {
    FIRSTVISIBLE() { Clear(); }

    // Forgets the walk (not the track).
    void Clear() override;
    void Init(CTrack *newTrack) { track = newTrack; }
    CTrack *GetTrack() const { return track; }
    long GetValMonitored(int &selected) const
    {
        selected = flag;
        return monitored;
    }

    // The event index to draw from for a view starting at anchor (usually
    // the window's left edge), drawing from time on; kind is the monitored
    // lane.
    long GetFirstVisible(long time, long anchor, long kind);
    // The same, time and key signatures and texts counting with the width
    // of their labels (scale ticks per pixel, widths a 256-entry table).
    long GetFirstVisible(long time, long anchor, long kind, long scale, long *widths);
    // A lyrics track's text nodes instead of events.
    long GetFirstVisible(long time, long anchor, long scale, long *widths);

    void GoToTime(long time);
    void GoToTimeTW(long time);
    void GoToTimeMT(long time);

    CTrack *track = nullptr;
    long index;
    long anchorIndex;
    long end;
    long anchorEnd;
    long anchorTime;
    long edition[2];
    long kind;
    long monitored;
    long anchorMonitored;
    long flag;
    long anchorFlag;
    long scale;
    long *widths;
    MonitorEventFn isMonitored;
    ValMonitorFn monitorValue;

private:
    enum Walk { EVENTS, LABELS, NODES };
    long FirstVisible(long time, long anchor, long newKind, long newScale, long *newWidths, Walk walk);
    void WalkTo(long time, Walk walk);
    void WalkEvents(long time, bool withLabels);
    // The end of an event as this walk sees it.
    long EventEnd(const EVENT *event, bool withLabels) const;
};

} // namespace Quorvane
