#include "gui/windows/lane_edit.h"

#include "data/event.h"
#include "data/event_lanes.h"
#include "data/track.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/first_visible.h"
#include "gui/windows/liaison.h"

namespace Quorvane {

int WriteStroke(CTrack *track, DRAWCTRL &tool, long lane, long from, long to, long minStep)
{
    int changed = track->DeleteByTime(lane, from, to);
    const long channel = track->channel >= 0 && track->channel <= 15 ? track->channel : 0;
    long value = kNoValue, time = 0;
    for (long column = tool.DrawToolGetNext(-1, value, minStep, time); column >= 0;
         column = tool.DrawToolGetNext(column + 1, value, minStep, time)) {
        EVENT e;
        if (lane == LANE_WHEEL)
            e.setWheel(channel, static_cast<short>(value));
        else if (lane == LANE_CAT)
            e.setCAT(channel, value);
        else
            e.setCtrl(channel, lane, value);
        e.time = time;
        if (!track->AddToTail(&e, 1))
            break;
        changed = 1;
    }
    track->Sort();
    return changed;
}

void SettleLaneFields(CTrack *track, long lane, CLiason *liason)
{
    int settingChanged = 0;
    if (lane == 7 || lane == 10)
        settingChanged = track->CheckVolPanChanged(1);
    else if (lane == 0 || lane == 32)
        settingChanged = track->CheckBankProgChanged(1);
    if (settingChanged && liason)
        liason->CallUpdateTrack(track, UPDATE_TRACKS_ROW);
}

} // namespace Quorvane
