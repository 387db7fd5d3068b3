#include "data/event_lanes.h"

#include "data/event.h"

namespace Quorvane {

namespace {

int isController(const EVENT *e, long lane)
{
    return e->IsCtrl(lane);
}
int isWheel(const EVENT *e, long)
{
    return e->IsWheel();
}
int isCAT(const EVENT *e, long)
{
    return e->IsCAT();
}
int isTempo(const EVENT *e, long)
{
    return e->IsTempo();
}
int isNote(const EVENT *e, long)
{
    return e->IsNote();
}
int isChord(const EVENT *e, long)
{
    return e->IsChord();
}
int isMelody(const EVENT *e, long)
{
    return e->IsMelody();
}
int isAny(const EVENT *, long)
{
    return 1;
}
int isNone(const EVENT *, long)
{
    return 0;
}

long data1Of(const EVENT *e)
{
    return e->data1;
}
long data2Of(const EVENT *e)
{
    return e->data2;
}
long wheelOf(const EVENT *e)
{
    return e->getWheelVal();
}
long tempoOf(const EVENT *e)
{
    return static_cast<long>(e->getTempoVal());
}
long valueOf(const EVENT *e)
{
    return e->value;
}
long chordRootOf(const EVENT *e)
{
    return e->getChordNote();
}
long zero(const EVENT *)
{
    return 0;
}

} // namespace

MonitorEventFn IsMonitorEventFn(long code)
{
    if (code >= 0 && code <= 127)
        return isController;
    switch (code) {
    case LANE_WHEEL:
        return isWheel;
    case LANE_CAT:
        return isCAT;
    case LANE_TEMPO:
        return isTempo;
    case LANE_NOTE:
    case LANE_VELOCITY:
        return isNote;
    case LANE_CHORD:
    case LANE_CHORD_ROOT:
        return isChord;
    case LANE_MELODY:
        return isMelody;
    case LANE_ALL:
        return isAny;
    default:
        return isNone;
    }
}

ValMonitorFn ValMonitorEventFn(long code)
{
    if (code >= 0 && code <= 127)
        return data2Of;
    switch (code) {
    case LANE_WHEEL:
        return wheelOf;
    case LANE_CAT:
    case LANE_NOTE:
        return data1Of;
    case LANE_TEMPO:
        return tempoOf;
    case LANE_VELOCITY:
        return data2Of;
    case LANE_CHORD:
    case LANE_MELODY:
        return valueOf;
    case LANE_CHORD_ROOT:
        return chordRootOf;
    default:
        return zero;
    }
}

} // namespace Quorvane
