#include "gui/windows/song_pointer.h"

#include "data/song.h"
#include "data/sound_interfaces.h"

namespace Quorvane {

int IsSongPlayed(const CSong *song)
{
    return song && song->soundManager && song->soundManager->IsPlayed(const_cast<CSong *>(song));
}

long GetSongPtr(const CSong *song)
{
    if (!song)
        return 0;
    return IsSongPlayed(song) ? song->currentTick : song->playStartTick;
}

void JumpSongPtr(CSong *song, long tick)
{
    if (!song)
        return;
    CLock lock(song->GetSyncObj());
    if (!IsSongPlayed(song)) {
        song->playStartTick = tick;
        return;
    }
    song->soundManager->StopPlayback();
    song->playStartTick = tick;
    song->soundManager->StartPlayback(song->songTract);
}

} // namespace Quorvane
