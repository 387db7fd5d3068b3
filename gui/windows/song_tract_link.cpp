// The library has no song tract window yet, so no window is one and these
// requests go nowhere; the window's own operations take their place when it
// joins.
#include "gui/windows/song_tract_link.h"

namespace Quorvane {

CSongTractWindow *AsSongTractWindow(CAbstWindow *)
{
    return nullptr;
}

CGUIClient *SongTractClient(CLiason *)
{
    return nullptr;
}

void SongTractRefresh(CSongTractWindow *) {}
void SongTractCloseMIDIEffects(CSongTractWindow *) {}
void SongTractShowMIDIEffects(CSongTractWindow *, long) {}

} // namespace Quorvane
