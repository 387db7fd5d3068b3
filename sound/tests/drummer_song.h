// What the end-to-end tests and the render benchmark share: a process whose
// module registrations and user settings are private (but the drummer's
// class, which COM finds machine-wide), songs with MIDI tracks whose chains
// hold the fill drummer through "Tembri MFX", and the engine playing them
// into the "DirectSound" provider's unpaced capture.
#pragma once

#include "data/io_params.h"
#include "data/song.h"
#include "data/track_midi.h"
#include "outside/directsound/directsound_capture.h"
#include "sound/sound_mngr.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drummer_song {

// The build's dist folder (beside the folder of the running program).
std::string distFolder();

class PlaybackEnvironment {
public:
    // False from ok() when a module could not be had.
    PlaybackEnvironment();
    ~PlaybackEnvironment();
    PlaybackEnvironment(const PlaybackEnvironment &) = delete;
    PlaybackEnvironment &operator=(const PlaybackEnvironment &) = delete;

    bool ok() const { return ok_; }
    // The provider's capture for the engines started from now on.
    int setCapture(const DSCAPTURE *capture);

private:
    testing_support::CurrentUserOverride user_;
    testing_support::LocalMachineOverride machine_;
    HMODULE drummer_ = nullptr;
    HMODULE provider_ = nullptr;
    bool ok_ = false;
};

// Registers the loop-slice drummer's class (which COM finds machine-wide)
// from dist once a process; the module stays loaded. False when it could
// not be.
bool registerSliceDrummer();

// Routes every module that playback runs through the real-time counters;
// false when one could not be.
bool hookPlaybackModules();

// Engine parameters for the "DirectSound" provider.
Quorvane::IOPARAMS engineParams(long rate, long format, long frames);

// Four bars of 4/4 at 960 ticks per quarter: the drummer's fill is bar 3.
constexpr long kBars = 4;
constexpr long kBarTicks = 3840;

// A MIDI track with a kick or hi-hat every two beats on the drum channel
// (bars bars of them) and the fill drummer on its chain; null on failure.
// The ticks the drummer sounds go into hits when given.
Quorvane::CTrackMIDI *addDrummerTrack(Quorvane::CSong *song, long bars, std::vector<int32_t> *hits);

// Plays the song from its start into the capture of buffers buffers;
// startFrame is where its tick 0 landed in the capture, -1 on failure.
struct Playback {
    int64_t startFrame = -1;
    bool stoppedByItself = false;
};
Playback playIntoCapture(PlaybackEnvironment &environment, Quorvane::CSoundMngr *manager,
                         Quorvane::CSong *song, DSCAPTURE capture);

} // namespace drummer_song
