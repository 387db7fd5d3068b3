// The registry, kept by the host per song, of the editor windows open on
// that song, ordered by two keys (key1 names what a window shows, key2 is
// the host's own). Through it a window that changed the song updates the
// others. Broadcasts walk it in key order, so the tracks window (-2) and
// the measures window (-1) are served before the track windows and the
// song tract window (32767).
#pragma once

#include "data/chain.h"
#include "gui/pannikel_api.h"

namespace Quorvane {

class CAbstWindow;
class CGUIClient;
class CTrack;
class CTracksWindow;
class CMeasWindow;
class CSongTractWindow;

// Liaison keys of the song-wide windows; in searches kAnyKey matches any
// key, and a window whose client gives kAnyKey as key1 is not registered.
enum : long { KEY_TRACKS = -2, KEY_MEASURES = -1, KEY_SONG_TRACT = 32767, kAnyKey = 0x7fffffff };
// Keys from here up name song-wide windows, never a track.
constexpr long kFirstSongWindowKey = 32766;

// What CallUpdateTrack repaints.
enum : unsigned long { UPDATE_TRACKS_ROW = 1, UPDATE_MEASURES_ROW = 2, UPDATE_TRACK_WINDOWS = 4 };

class PANNIKEL_API CLiasonElem : public CChainElem {
public:
    CLiasonElem(long key1, long key2, CAbstWindow *window) : key1(key1), key2(key2), window(window) {}
    // By key1, then key2.
    long Compare(CChainElem *other) override;
    CGUIClient *GetGUIClient() const;
    CLiasonElem *Next() const { return static_cast<CLiasonElem *>(next); }

    long key1;
    long key2;
    CAbstWindow *window;
};

// Owns its elements, not the windows.
class PANNIKEL_API CLiason : public CChain {
public:
    CLiasonElem *First() const { return static_cast<CLiasonElem *>(first); }
    CLiasonElem *Find(CAbstWindow *window) const;
    // The first match after after (from the start for null); repeated calls
    // with the last result walk all matches in key order.
    CLiasonElem *Find(long key1, long key2, CLiasonElem *after) const;
    // The first window registered under -2, -1 or 32767 that is of that
    // class; null when there is none.
    CTracksWindow *GetMainTracks() const;
    CMeasWindow *GetMainMeas() const;
    CSongTractWindow *GetSongTract() const;

    // For every match: with resize OnSize (recompute only), with update a
    // repaint of the whole window.
    void CallUpdate(int update, int resize, long key1, long key2);
    void CallUpdateSongPtr(int ensureVisible);
    void CallUpdateChords(long time);
    // The song tract window refreshes all it shows.
    void CallUpdateSongTract();
    // flags: UPDATE_TRACKS_ROW (not for the master track),
    // UPDATE_MEASURES_ROW, UPDATE_TRACK_WINDOWS (the track's own windows
    // repaint wholly).
    void CallUpdateTrack(CTrack *track, unsigned long flags);
    void CallUpdateTrackOnPortChanging(CTrack *track);
    // The host's timer.
    void OnTimer();
};

} // namespace Quorvane
