// Selecting and erasing a track's events by event lane, for the editors.
#include "data/event_lanes.h"
#include "data/track.h"

#include <climits>

namespace Quorvane {

namespace {

// Whether an event lies in the time span: from up to to (exclusive), or
// exactly at from when to is not after it.
bool inSpan(const EVENT *e, long from, long to)
{
    return to > from ? (e->time >= from && e->time < to) : e->time == from;
}

} // namespace

int CTrack::ResetSelection(long code, EVENT *keep)
{
    const MonitorEventFn belongs = IsMonitorEventFn(code);
    int changed = 0;
    for (long i = 0; i < count; ++i) {
        EVENT *e = GetEvent(i);
        if (e != keep && e->IsSlct() && belongs(e, code)) {
            e->SetSlct(0);
            changed = 1;
        }
    }
    return changed;
}

int CTrack::DeleteByTime(long code, long from, long to)
{
    return DeleteByRange(code, from, to, LONG_MIN, LONG_MAX);
}

int CTrack::DeleteByRange(long code, long from, long to, long low, long high)
{
    const MonitorEventFn belongs = IsMonitorEventFn(code);
    const ValMonitorFn valueOf = ValMonitorEventFn(code);
    int marked = 0;
    for (long i = 0; i < count; ++i) {
        EVENT *e = GetEvent(i);
        if (!inSpan(e, from, to) || !belongs(e, code))
            continue;
        const long value = valueOf(e);
        if (value >= low && value <= high) {
            e->SetDelt();
            marked = 1;
        }
    }
    if (marked) {
        Erase();
        UpdateEdition();
    }
    return marked;
}

int CTrack::DeleteBySelection()
{
    int marked = 0;
    for (long i = 0; i < count; ++i) {
        if (GetEvent(i)->IsSlct()) {
            GetEvent(i)->SetDelt();
            marked = 1;
        }
    }
    if (marked) {
        Erase();
        UpdateEdition();
    }
    return marked;
}

int CTrack::SelectByRange(long code, long from, long to, long low, long high, int add)
{
    const MonitorEventFn belongs = IsMonitorEventFn(code);
    const ValMonitorFn valueOf = ValMonitorEventFn(code);
    int changed = 0;
    for (long i = 0; i < count; ++i) {
        EVENT *e = GetEvent(i);
        if (!belongs(e, code))
            continue;
        const long value = valueOf(e);
        const bool inside = e->time >= from && e->time < to && value >= low && value <= high;
        const int select = inside ? 1 : (add ? e->IsSlct() : 0);
        if (select != e->IsSlct()) {
            e->SetSlct(select);
            changed = 1;
        }
    }
    return changed;
}

} // namespace Quorvane
