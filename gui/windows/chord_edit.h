// A chord entered by name at a tick of the song's chord track, as the
// chords and melody-text windows take it from their host.
#pragma once

namespace Quorvane {

class CSong;
class CGUIClient;
class CTrackChords;
class CLiason;

// Asks the host (request 1: the chord sounding at the tick or 0, and the
// key signature there) and stores its answer: a chord starting at the tick
// takes the new value ("Edit Chord"), else a new selected chord goes in
// ("New Chord"). 0 when the host cancelled or nothing changed.
int EnterChordAt(CSong *song, CGUIClient *client, CTrackChords *track, long time, long key);

// A chord edit from the tick on is done: the track's extent, the song, the
// lyric nodes and every window that shows chords follow.
void ChordsChanged(CSong *song, CLiason *liason, CTrackChords *track, long from);

} // namespace Quorvane
