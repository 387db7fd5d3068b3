// The track kinds the song can make. The master track is made by the song
// itself; the other kinds join here as they are built.
#include "data/song.h"

namespace Quorvane {

CTrack *CreateTrack(long, unsigned long, CSong *)
{
    return nullptr;
}

} // namespace Quorvane
