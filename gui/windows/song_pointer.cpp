#include "gui/windows/song_pointer.h"

#include "data/song.h"

namespace Quorvane {

int IsSongPlayed(const CSong *song)
{
    return song && const_cast<CSong *>(song)->IsPlayed();
}

long GetSongPtr(const CSong *song)
{
    if (!song)
        return 0;
    return IsSongPlayed(song) ? song->currentTick : song->playStartTick;
}

void JumpSongPtr(CSong *song, long tick)
{
    if (song)
        song->JumpSongPtr(tick);
}

} // namespace Quorvane
