// Play and stop of the selected part, the host's notes, transport, tempo,
// bend and modulation turned into part switches, starts and drummer
// parameters, and the accent that a hard note adds at the start. What it
// needs of the window, the song and the sound manager comes through
// TransportHost, so the rules can be followed without them.
#pragma once

#include "app/program_options.h"

#include <climits>
#include <cstdint>

namespace Quorvane {

class CEvntTransChain;

class TransportHost {
public:
    virtual ~TransportHost() = default;
    virtual bool IsPlaying() = 0;
    // Sets the song's start offset and starts playback.
    virtual void StartPlayback(long startOffset) = 0;
    // Stops playback and clears the song's start offset.
    virtual void StopPlayback() = 0;
    // Set while a chooser, dialog or popup of the window runs: nothing
    // starts.
    virtual bool IsBusy() = 0;
    virtual long TicksPerQuarter() = 0;
    // The selected part's loop, and one measure.
    virtual long LoopLength() = 0;
    virtual long MeasureLength() = 0;
    virtual long SongPosition() = 0;
    virtual void JumpSongPtr(long tick) = 0;
    virtual int SelectedPart() = 0;
    // mode 0 redraws, 1 posts and 2 sends the switch to the window.
    virtual void SwitchPart(int part, int mode, bool restart) = 0;
    // On the part's three drummers.
    virtual void SetDrummerParam(int part, long id, long value) = 0;
    // The part track's MIDI channel (-1 when none).
    virtual long PartChannel(int part) = 0;
    virtual long SamplesOfTicks(long ticks) = 0;
    // The master track's first tempo event takes the tempo.
    virtual void WriteFirstTempo(float beatsPerMinute) = 0;
    // A tempo event at the play position, under the song lock.
    virtual void InsertTempoHere(float beatsPerMinute) = 0;
    // The events InsertTempoHere added go again.
    virtual void EraseInsertedTempos() = 0;
    virtual void Redraw() = 0;
};

// Host notification codes (low 16 bits of the note code).
constexpr unsigned long kHostNoNote = 0xFFFF;
constexpr unsigned long kHostStartAt = 128;
constexpr unsigned long kHostRelocate = 129;
constexpr unsigned long kHostStop = 130;
constexpr unsigned long kHostStop2 = 131;
// Positions from the host come in 960 ticks per quarter.
constexpr long kHostTicksPerQuarter = 960;
// Bend and modulation that did not change.
constexpr long kHostUnchanged = INT_MAX;

constexpr float kMinTempo = 10.0f;
constexpr float kMaxTempo = 500.0f;
constexpr float kDefaultTempo = 100.0f;

class Transport {
public:
    Transport(TransportHost &host, const ProgramOptions &options) : host_(host), options_(options)
    {
        triggerVelocity_ = options.veloStat;
    }

    void TogglePlay();
    void Start();
    void Stop();
    // The stream provider's news (on its thread).
    void OnHostNotify(unsigned long noteCode, long position, float tempo, long bend, long mod);
    // 10..500 beats per minute; others are ignored.
    void SetTempo(float beatsPerMinute);
    void OnLoopFlip();
    // A part track's block of messages between two ticks: silenced under
    // the accent, the accent's notes added, aftertouch and bends removed.
    // Returns the chain to send, null when nothing is left.
    CEvntTransChain *FilterBlock(CEvntTransChain *chain, long tick, long endTick);

    float Tempo() const { return tempo_; }
    void SetTempoValue(float beatsPerMinute) { tempo_ = beatsPerMinute; }
    // After the playback options changed: the trigger velocity becomes the
    // plain velocity, and the host's last bend is forgotten.
    void ResetPlaybackValues()
    {
        triggerVelocity_ = options_.veloStat;
        lastBend_ = 0;
    }
    long TriggerVelocity() const { return triggerVelocity_; }
    long LastBend() const { return lastBend_; }
    long PendingOffset() const { return pendingOffset_; }
    bool AccentArmed() const { return accent_; }
    bool CutArmed() const { return cut_; }

private:
    void applyPendingTempo();
    // Position from the host in song ticks within the loop.
    long hostPositionInLoop(long position);

    TransportHost &host_;
    const ProgramOptions &options_;
    float tempo_ = kDefaultTempo;
    bool tempoPending_ = false;
    long pendingOffset_ = 0;
    long triggerVelocity_;
    long lastBend_ = 0;
    long lastMod_ = 0;
    // The accent: armed at start, its notes sent in the block that holds
    // its start; the drummers stay silent until the cut time.
    bool cut_ = false;
    bool accent_ = false;
    long cutTime_ = 0;
    long accentStart_ = 0;
    long accentNote1_ = 0;
    long accentNote2_ = 0;
    long accentVelocity_ = 0;
    long accentChannel_ = 9;
    long accentSamples_ = 0;
};

// Whether a note (of a part: its number 0..11) is a black key.
bool IsBlackKey(long note);

} // namespace Quorvane
