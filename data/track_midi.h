// MIDI tracks and the three pattern track kinds, which hold MIDI events the
// same way: notes with durations and channel messages, with the initial
// bank, program, volume and pan taken from the events. A MIDI track plays
// its events through its chain of MIDI effects.
#pragma once

#include "data/corvadel_api.h"
#include "data/meff_chain.h"
#include "data/track.h"

namespace Quorvane {

// The handling the MIDI-like kinds share.
namespace MIDIEvents {
// The last event, or the end of a note when later.
CORVADEL_API int UpdateLastTime(CTrack &track);
// The first bank selects, volume, pan and program change move to tick 0
// and become the track's fields; a text or track name at tick 0 names the
// track; with adjustChannel a track on one channel takes that channel.
CORVADEL_API int CheckInitial(CTrack &track, int adjustChannel);
// A copyright text at tick 0 becomes the song's copyright.
CORVADEL_API int CheckForSongInfo(CTrack &track);
// No name, no volume or pan; the song's default MIDI output, else the
// tract's preview output. 0 without one.
CORVADEL_API int SetDefault(CTrack &track, const char *name);
} // namespace MIDIEvents

class CORVADEL_API CTrackMIDI : public CTrack {
public:
    CTrackMIDI(unsigned long id, CSong *song);
    ~CTrackMIDI() override;

    int SetDefault() override;
    int UpdateLastTime() override { return MIDIEvents::UpdateLastTime(*this); }
    int CheckInitial(int adjustChannel) override { return MIDIEvents::CheckInitial(*this, adjustChannel); }
    int CheckForSongInfo() override { return MIDIEvents::CheckForSongInfo(*this); }
    // Bumps the edition; with the chain offline the whole track is processed
    // again and a changed result replaces the cached one.
    void UpdateEdition() override;

    // Erases every note that sounds within from..to + margin with a pitch
    // between low and high (either order); then from and to are the erased
    // notes' earliest start and latest end. 1 when any went.
    int DeleteNoteByRange(long &from, long &to, long low, long high, long margin);
    // What playback plays: the offline result when there is one.
    const CEventArray *GetPlayEvents() const;
    // What the chain reports.
    static void OnParamChanged(void *user, long code);

    CMEffChain effects;
    // The offline result (owned), or null.
    CEventArray *offlineResult = nullptr;
    long lastProcessed = 0;
};

class CORVADEL_API CTrackPattMIDI : public CTrack {
public:
    CTrackPattMIDI(unsigned long id, CSong *song) : CTrack(id, TRACK_PATTMIDI, song) {}
    int SetDefault() override { return MIDIEvents::SetDefault(*this, "MIDI Patterns"); }
    int UpdateLastTime() override { return MIDIEvents::UpdateLastTime(*this); }
    int CheckInitial(int adjustChannel) override { return MIDIEvents::CheckInitial(*this, adjustChannel); }
    int CheckForSongInfo() override { return MIDIEvents::CheckForSongInfo(*this); }
};

class CORVADEL_API CTrackPattDrums : public CTrack {
public:
    CTrackPattDrums(unsigned long id, CSong *song) : CTrack(id, TRACK_PATTDRUMS, song) {}
    int SetDefault() override { return MIDIEvents::SetDefault(*this, "Drums Patterns"); }
    int UpdateLastTime() override { return MIDIEvents::UpdateLastTime(*this); }
    int CheckInitial(int adjustChannel) override { return MIDIEvents::CheckInitial(*this, adjustChannel); }
    int CheckForSongInfo() override { return MIDIEvents::CheckForSongInfo(*this); }
};

class CORVADEL_API CTrackPattSR : public CTrack {
public:
    CTrackPattSR(unsigned long id, CSong *song) : CTrack(id, TRACK_PATTSR, song) {}
    int SetDefault() override { return MIDIEvents::SetDefault(*this, "Strummarel Patterns"); }
    int UpdateLastTime() override { return MIDIEvents::UpdateLastTime(*this); }
    int CheckInitial(int adjustChannel) override { return MIDIEvents::CheckInitial(*this, adjustChannel); }
    int CheckForSongInfo() override { return MIDIEvents::CheckForSongInfo(*this); }
};

} // namespace Quorvane
