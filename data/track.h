// The base of every track of a song: a chain element of the song's track
// list that owns a sorted event array and carries the track's identity,
// flags, output, channel and initial bank, program, volume and pan. The
// kinds derive from it; the virtual operations below are what the song, the
// sound engine and the equipment database call on any track.
#pragma once

#include "data/chain.h"
#include "data/corvadel_api.h"
#include "data/event_array.h"

#include <cstdint>

namespace Quorvane {

class CSong;
class CEvntTransChain;
class CEvntTransElem;

enum : long {
    TRACK_MASTER = 0,
    TRACK_CHORDS = 1,
    TRACK_MELTEXT = 2,
    TRACK_MIDI = 3,
    TRACK_AUDIO = 4,
    TRACK_PATTMIDI = 5,
    TRACK_PATTDRUMS = 6,
    TRACK_PATTSR = 7,
};

// What SendInitialToPort sends.
enum : unsigned long { SEND_BANK = 1, SEND_PROGRAM = 2, SEND_VOLUME = 4, SEND_PAN = 8, SEND_ALL = 15 };

enum : unsigned long {
    TRACK_MUTE = 1ul << 0,
    TRACK_SOLO = 1ul << 1,
    TRACK_USES = 1ul << 2,
    TRACK_SELECTED = 1ul << 31,
};

// What a track is given for one time cell of an audio buffer.
struct ASKPLAYBACK {
    long audible;
    long jumped;
    long jumpedFrom;
    long applyFactor;
    long factorChanged;
    long cellSamples;
    long cellTicks;
    int64_t bufferOffset;
    int64_t sampleLimit;
    long limitTick;
    float tempoFactor;
};

// Called before a track's messages of a cell are sent: returns the chain to
// send (it may replace or drop it).
using PrePlayFn = CEvntTransChain *(*)(CEvntTransChain *chain, long tick, long endTick, void *user);

class CORVADEL_API CTrack : public CChainElem, public CEventArray {
public:
    CTrack(unsigned long id, long kind, CSong *song);
    ~CTrack() override;

    // By id.
    long Compare(CChainElem *other) override;
    // Sets the play cursor to the first event at or after the tick.
    virtual void GoToTimePlay(long tick, CEventArray *events);
    // The base defaults: no name, flags 0, no output, channel -1, bank and
    // program -1, bank mode 0, volume 100, pan 64, no transposition or
    // offset. 0 when no output can be had.
    virtual int SetDefault();
    // The end tick from the events; 1 when it changed.
    virtual int UpdateLastTime();
    virtual int CheckInitial(int adjustChannel);
    virtual int CheckForSongInfo();
    // fromEvents: the fields take the controller 7 and 10 events at tick 0
    // (-1 when absent); else the tick-0 events follow the fields. 1 when
    // the fields, or the events, changed.
    virtual int CheckVolPanChanged(int fromEvents);
    // The same for the program change and the bank selects (by bank mode).
    virtual int CheckBankProgChanged(int fromEvents);
    // Rescales every event time and note duration by new / old, rounding
    // half up (a note keeps at least one tick).
    virtual int ChangeTimebase(long oldBase, long newBase);
    virtual int ChangeSPS(long oldRate, long newRate);
    // Names from the output; without an output or an answer the text is the
    // number and the result 0.
    virtual int IsBanksEnumed();
    virtual int IsNotesEnumed();
    virtual int EnumBanks(long index, char *name, long &number);
    virtual int StringBank(char *text, long bank);
    virtual int StringProg(char *text, long bank, long program);
    virtual int StringCtrl(char *text, long controller);
    virtual int StringNote(char *text, long note);
    virtual int OnStartPlayback();
    virtual void OnStopPlayback();
    virtual void AskPlayback(ASKPLAYBACK *cell);
    virtual void UpdateEdition() { ++edition; }

    // flags
    int IsSlct() const { return (flags & TRACK_SELECTED) != 0; }
    void SetSlct(int on) { SetFlag(TRACK_SELECTED, on); }
    int IsMute() const { return (flags & TRACK_MUTE) != 0; }
    void SetMute(int on) { SetFlag(TRACK_MUTE, on); }
    int IsSolo() const { return (flags & TRACK_SOLO) != 0; }
    void SetSolo(int on) { SetFlag(TRACK_SOLO, on); }
    int IsUseS() const { return (flags & TRACK_USES) != 0; }
    void SetUseS(int on) { SetFlag(TRACK_USES, on); }
    void StoreState() { savedFlags = flags; }
    void RestoreState() { flags = savedFlags; }

    unsigned long GetID() const { return id; }
    long GetKind() const { return kind; }
    uint64_t GetEdition() const { return edition; }
    // A copy (length -1: up to the terminator); 0 when memory runs out.
    int SetName(const char *text, long length = -1);
    // The channel to send on: 0 outside 0..14.
    long GetTrackChan() const { return (channel >= 0 && channel <= 14) ? channel : 0; }
    long GetDBID() const { return dbId; }
    void SetDBID(long recordId) { dbId = recordId; }
    void SetPrePlayFn(PrePlayFn fn, void *user)
    {
        prePlayFn = fn;
        prePlayUser = user;
    }
    // Sends one message to the output at once, on the track's channel; a
    // note is transposed, folding by octaves into the MIDI range.
    void PreviewMMsg(unsigned long message);
    // All notes off, then the (transposed) note for 300 ms, on the track's
    // channel; only with an output the sound manager lets the song use.
    void PreviewNote(long note);
    // All notes off and the chord: to the track's output when the tract
    // gives its type as 0, else to the preview output.
    void PreviewChord(long root, long type);
    // Sends the bank select, program, volume and pan that the flags ask for
    // (SEND_BANK ...) at once; 1 when a chain went out.
    int SendInitialToPort(unsigned long what);

    // --- playback of one time cell, the step every kind shares
    struct CELLSPAN {
        long localTick;      // the song's tick less the track's time offset
        long endTick;        // the cell holds the events before it
        int64_t startSample; // song samples at the cell's start
        int64_t endSample;
    };
    // Moves the play cursor in events to the cell (searching again after a
    // jump or an edit) and gives the cell in the track's own ticks.
    CELLSPAN BeginCell(const ASKPLAYBACK *cell, const CEventArray *events);
    // The events from the cursor on that lie before endTick (first up to
    // last); the cursor moves past them.
    void TakeEventsBefore(long endTick, const CEventArray *events, long &first, long &last);
    // The buffer offset of a song sample position inside the cell.
    int64_t CellOffset(const ASKPLAYBACK *cell, const CELLSPAN &span, int64_t sample) const;
    // A message at the tick's place in the buffer, added to *chain; null when
    // the tick lies at or beyond the cell's sample limit or memory ran out.
    CEvntTransElem *CellMessage(const ASKPLAYBACK *cell, const CELLSPAN &span, long tick,
                                CEvntTransChain **chain);
    // Hands the cell's messages (the chain may be null) to an output,
    // through the pre-play callback.
    void SendCell(CEvntTransChain *chain, const CELLSPAN &span, void *out);

    // --- editing by event lane (see event_lanes.h); 1 when anything changed
    // Unselects the lane's events except keep.
    int ResetSelection(long code, EVENT *keep);
    // Erases the lane's events from from up to to (exclusive); with to not
    // after from, those at from.
    int DeleteByTime(long code, long from, long to);
    // The same for events whose lane value lies in low..high.
    int DeleteByRange(long code, long from, long to, long low, long high);
    int DeleteBySelection();
    // Selects the lane's events in the time and value range; without add the
    // lane's other events are unselected.
    int SelectByRange(long code, long from, long to, long low, long high, int add);

    unsigned long id;
    long kind;
    char *name = nullptr;
    unsigned long flags = 0;
    void *output = nullptr;
    long channel = -1;
    long bank = -1;
    long bankMode = 0;
    long program = -1;
    long volume = 100;
    long pan = 64;
    long transpose = 0;
    long timeOffset = 0;
    long lastTime = 0;
    uint64_t edition = 0;
    long dbId = -1;
    unsigned long savedFlags = 0;
    CSong *song;
    uint64_t cachedEdition = 0;
    long playCursor = 0;
    PrePlayFn prePlayFn = nullptr;
    void *prePlayUser = nullptr;

protected:
    void SetFlag(unsigned long bit, int on) { flags = on ? (flags | bit) : (flags & ~bit); }
};

} // namespace Quorvane
