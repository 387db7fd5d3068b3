// What the program asks of the tracks a New Song template made, before
// they take the place of the song's own.
#pragma once

namespace Quorvane {

class CTrack;

// Called with the first of the made tracks (in the template's order, the
// master not among them; null when there are none): 0 refuses the template
// and the song stays as it was.
using NewSongTracksCheck = int (*)(const CTrack *first, void *user);

// The one check of the library (null: none).
void SetNewSongTracksCheck(NewSongTracksCheck check, void *user);
// 1 when no check is set or the tracks pass it.
int NewSongTracksPass(const CTrack *first);

} // namespace Quorvane
