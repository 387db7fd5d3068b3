// MIDI tracks and the three pattern track kinds, which hold MIDI events the
// same way: notes with durations and channel messages, with the initial
// bank, program, volume and pan taken from the events. A MIDI track plays
// its events through its chain of MIDI effects.
#pragma once

#include "data/corvadel_api.h"
#include "data/meff_chain.h"
#include "data/track.h"

namespace Quorvane {

// The handling MIDI tracks and the pattern kinds share.
class CORVADEL_API CTrackMIDIEvents : public CTrack {
public:
    CTrackMIDIEvents(unsigned long id, long kind, CSong *song) : CTrack(id, kind, song) {}

    // The last event, or the end of a note when later.
    int UpdateLastTime() override;
    // The first bank selects, volume, pan and program change move to tick 0
    // and become the track's fields; a text or track name at tick 0 names
    // the track; with adjustChannel a track on one channel takes that
    // channel.
    int CheckInitial(int adjustChannel) override;
    // A copyright text at tick 0 becomes the song's copyright.
    int CheckForSongInfo() override;

protected:
    // The name; no volume or pan; the song's default MIDI output, else the
    // tract's preview output. 0 without one.
    int SetMIDIDefaults(const char *trackName);
};

class CORVADEL_API CTrackMIDI : public CTrackMIDIEvents {
public:
    CTrackMIDI(unsigned long id, CSong *song);
    ~CTrackMIDI() override;

    int SetDefault() override { return SetMIDIDefaults("MIDI"); }
    // Bumps the edition; with the chain offline the whole track is processed
    // again and a changed result replaces the cached one.
    void UpdateEdition() override;

    // Erases every note that sounds within from..to + margin with a pitch
    // between low and high (either order); then from and to are the erased
    // notes' earliest start and latest end. 1 when any went.
    int DeleteNoteByRange(long &from, long &to, long low, long high, long margin);
    // What playback plays: the offline result when there is one.
    const CEventArray *GetPlayEvents() const;
    // Playback: the events, through the chain when it is online (room made
    // for the densest cell the track can bring, and what its effects make
    // of it). The song tells the online chain's effects of the start and
    // the stop itself, without its lock.
    int OnStartPlayback() override;
    void AskPlayback(ASKPLAYBACK *cell) override;
    // What the chain reports.
    static void OnParamChanged(void *user, long code);

    CMEffChain effects;
    // The offline result (owned), or null.
    CEventArray *offlineResult = nullptr;
    long lastProcessed = 0;
    // The channel messages of a cell on their way into the chain.
    CEventArray cellEvents;

private:
    // The cell's notes and channel messages into *chain.
    void PlayEvents(const ASKPLAYBACK *cell, const CELLSPAN &span, const CEventArray *events, long first,
                    long last, CEvntTransChain **chain);
};

class CORVADEL_API CTrackPattMIDI : public CTrackMIDIEvents {
public:
    CTrackPattMIDI(unsigned long id, CSong *song) : CTrackMIDIEvents(id, TRACK_PATTMIDI, song) {}
    int SetDefault() override { return SetMIDIDefaults("MIDI Patterns"); }
};

class CORVADEL_API CTrackPattDrums : public CTrackMIDIEvents {
public:
    CTrackPattDrums(unsigned long id, CSong *song) : CTrackMIDIEvents(id, TRACK_PATTDRUMS, song) {}
    int SetDefault() override { return SetMIDIDefaults("Drums Patterns"); }
};

class CORVADEL_API CTrackPattSR : public CTrackMIDIEvents {
public:
    CTrackPattSR(unsigned long id, CSong *song) : CTrackMIDIEvents(id, TRACK_PATTSR, song) {}
    int SetDefault() override { return SetMIDIDefaults("Strummarel Patterns"); }
};

} // namespace Quorvane
