#include "db/songfile/song_events.h"

#include "data/event_array.h"
#include "data/storage.h"

namespace Quorvane {

namespace {

void Repair(EVENT &e)
{
    if (e.time < 0)
        e.time = 0;
    // Only channel messages carry data bytes an instrument reads.
    if (!e.IsShort() || e.status < 0x80 || e.status >= 0xF0)
        return;
    e.data1 &= 0x7F;
    e.data2 &= 0x7F;
    if (e.IsNote()) {
        if (e.data2 == 0)
            e.data2 = 1;
        if (e.value < 1)
            e.value = 1;
    }
}

} // namespace

int TakeEventBlock(CEventArray &track, CStorage &block)
{
    CEventArray events;
    if (!events.Load(&block))
        return 0;
    for (long i = 0; i < events.count; ++i)
        Repair(*events.GetEvent(i));
    events.Sort();
    track.Clear();
    return events.count == 0 || track.AddToTail(events.GetEvent(0), events.count);
}

} // namespace Quorvane
