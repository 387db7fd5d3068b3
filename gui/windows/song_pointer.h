// The song pointer as the editors show and move it: while the song plays,
// the play position; stopped, the tick playback starts from.
#pragma once

namespace Quorvane {

class CSong;

int IsSongPlayed(const CSong *song);
long GetSongPtr(const CSong *song);
// Stopped, only the start tick moves; playing, playback restarts there.
void JumpSongPtr(CSong *song, long tick);

} // namespace Quorvane
