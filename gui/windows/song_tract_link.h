// What the song-wide windows ask of the song tract window: refresh what it
// shows, close its MIDI-effect editors, show one track's MIDI effects.
#pragma once

namespace Quorvane {

class CAbstWindow;
class CGUIClient;
class CLiason;
class CSongTractWindow;

// The window as a song tract window; null when it is not one.
CSongTractWindow *AsSongTractWindow(CAbstWindow *window);
// The client of the song tract window registered in the liaison, or null.
CGUIClient *SongTractClient(CLiason *liason);
void SongTractRefresh(CSongTractWindow *window);
void SongTractCloseMIDIEffects(CSongTractWindow *window);
void SongTractShowMIDIEffects(CSongTractWindow *window, long trackId);

} // namespace Quorvane
