// The edits of a controller-like lane that the MIDI and audio windows
// share: a settled stroke of the drawing tool written into the lane, and
// the track settings that follow controllers at tick 0.
#pragma once

namespace Quorvane {

class CTrack;
class CLiason;
struct DRAWCTRL;

// The lane's events from from up to to give way to the stroke's points,
// each minStep or more from the one before, on the track's channel (the
// pitch wheel, channel aftertouch or a controller). 1 when anything changed.
int WriteStroke(CTrack *track, DRAWCTRL &tool, long lane, long from, long to, long minStep);

// Under the song lock after a lane edit: the volume and pan (controllers 7
// and 10) or bank and program (0 and 32) fields follow the tick-0 events;
// the tracks window's row shows a change.
void SettleLaneFields(CTrack *track, long lane, CLiason *liason);

} // namespace Quorvane
