// The song of the parts window: twelve MIDI part tracks (ids 1..12), each
// with a chain of three drummers (the loop-slice drummer, then two fill
// drummers), only the selected part unmuted, each track as long as its
// part's loop, and the tempo in the master track's first tempo event.
#pragma once

#include "app/part_drummers.h"

namespace Quorvane {

class CSong;
class CTrack;
class CTrackMIDI;
class CMEffElem;
struct PORTDESCR;

constexpr int kMaxPartMeasures = 8;

CTrackMIDI *PartTrack(CSong &song, int part);

// The twelve part tracks with their drummers, only the selected part
// unmuted. 0 on success, else the message to show (502 no track, 503 no
// loop-slice drummer, 504 no fill drummer).
int BuildFreshParts(CSong &song, int selectedPart);

// Appends a drummer made from the descriptor to the track's chain; false
// when the drummer could not be made.
bool AddDrummerElement(CSong &song, CTrackMIDI &track, PORTDESCR &descriptor, bool active);

// The element (0..2) of a part's drummer chain, null when there is none.
CMEffElem *PartElement(CSong &song, int part, int element);

// The drummer COM object of a part's element (no reference of its own),
// null when there is none.
IUnknown *PartDrummerObject(CSong &song, int part, int element);

// Whether a chain of tracks (a template's, before it takes the song's
// place) holds the twelve part tracks, each with its three drummers.
bool HoldsPartTracks(const CTrack *first);

// Every part's three drummers into the table, attached to the sink; false
// at the first that is missing or refuses, whose element goes into
// failedElement when given.
bool AttachPartDrummers(CSong &song, PartDrummers &drummers, IDrummerSink *sink, int *failedElement = nullptr);

// Mutes every part track but the selected one.
void ApplyPartMutes(CSong &song, int selectedPart);

// What the template chooser does to the song before a template loads:
// every part track back on the tract's first output, without its event
// hook, under the song lock; the separate output the parts played on (when
// there was one) goes after the lock is let go, its module freed without
// it. The first output (null without one).
void *RoutePartsToFirstOutput(CSong &song);

// Under the song lock: every part track keeps only its events at time 0,
// and each unmuted one gets a zero bend at its loop's last tick, which
// gives it the loop's length.
void RelayoutPartTracks(CSong &song, const int (&lengths)[kPartCount]);

// Ticks of a loop of that many measures.
long LoopTicks(CSong &song, int measures);

// The master track's first tempo in beats per minute, 100 without one.
float ReadSongTempo(CSong &song);
// Writes the tempo into the master track's first tempo event (under the
// song lock); false without one.
bool WriteFirstTempo(CSong &song, float beatsPerMinute);

} // namespace Quorvane
