// A track's events as a song file stores them (an event block): read whole
// and put right before the track takes them, so that no track ever holds
// events out of time order or notes no instrument can play.
#pragma once

namespace Quorvane {

class CEventArray;
class CStorage;

// Reads an event block and replaces the track's events with it, put right:
// events sorted by time (none before 0), channel messages with data bytes
// of 7 bits, notes with a velocity and a duration of at least 1. A block
// that does not read whole is refused (0) and the track keeps its events.
int TakeEventBlock(CEventArray &track, CStorage &block);

} // namespace Quorvane
