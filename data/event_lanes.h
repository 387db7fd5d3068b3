// Event lanes: one code names a family of events for editors and for the
// tracks' selection and deletion operations. 0..127 controllers by number,
// 128 pitch wheel, 129 channel aftertouch, 130 tempo, 131 note pitch, 132
// note velocity, 133 chord, 134 chord root, 135 melody, -1 every event;
// any other code matches nothing.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

struct EVENT;

enum : long {
    LANE_WHEEL = 128,
    LANE_CAT = 129,
    LANE_TEMPO = 130,
    LANE_NOTE = 131,
    LANE_VELOCITY = 132,
    LANE_CHORD = 133,
    LANE_CHORD_ROOT = 134,
    LANE_MELODY = 135,
    LANE_ALL = -1,
};

// Whether an event belongs to the lane (the code is passed back as lane).
using MonitorEventFn = int (*)(const EVENT *event, long lane);
// The event's value in the lane.
using ValMonitorFn = long (*)(const EVENT *event);

CORVADEL_API MonitorEventFn IsMonitorEventFn(long code);
CORVADEL_API ValMonitorFn ValMonitorEventFn(long code);

} // namespace Quorvane
