// A MIDI track's chain of MIDI effects. An element binds an effect module
// by name (registered under "Software\Quorvane\MIDIEffect" of the local
// machine, else a ".zql" file beside the program) or, by class id, through
// the MFX host module "Tembri MFX". The chain runs online (each buffer's
// events as they are played) or offline (the whole track once after every
// change, the result cached in the track).
#pragma once

#include "data/chain.h"
#include "data/corvadel_api.h"
#include "data/event_array.h"
#include "data/midi_effect.h"
#include "data/module_loader.h"

#include <windows.h>

#include <atomic>

namespace Quorvane {

struct PORTDESCR;
struct SYNCOBJECT;
class CTrackMIDI;

// The module hosting MFX plug-ins by class id.
constexpr const char *kMfxHostModule = "Tembri MFX";
// Where effect modules are registered (values: name -> path).
constexpr const char *kMIDIEffectKey = "Software\\Quorvane\\MIDIEffect";

// Loads the module and creates its effect. A null or empty name means the
// running program's own name. Leaves effect null when the name is not plain
// or the module or its entry is missing.
CORVADEL_API void LoadMEffectModule(const char *name, IQuorvaneMIDIEffect *&effect, HMODULE &module);
// Releases the effect, then unloads the module (either may be null).
CORVADEL_API void FreeMEffectModule(IQuorvaneMIDIEffect *&effect, HMODULE &module);

class CORVADEL_API CMEffElem : public CChainElem {
public:
    // By name (kind 0) or class id (kind 1) with the descriptor's state;
    // host is the song's ITembriSong, owner the track. Without an effect
    // object when anything fails.
    CMEffElem(PORTDESCR *descriptor, void *host, void *owner);
    ~CMEffElem() override;
    CMEffElem(const CMEffElem &) = delete;
    CMEffElem &operator=(const CMEffElem &) = delete;

    // Elements keep the order they are put in.
    long Compare(CChainElem *) override { return 0; }
    // The effect's own name, else the module name.
    const char *GetName();
    // Kind, module name or class id and, withState, the saved state; 0 on
    // failure.
    int GetMEffectDescr(PORTDESCR *descriptor, int withState);
    // Loads the descriptor's state into the effect; 1 without a state, 0
    // without an effect or descriptor or when the effect refuses it.
    int SetMEffectState(PORTDESCR *descriptor);
    int IsActive() const { return active && effect; }

    long kind;
    long active = 1;
    char *moduleName = nullptr;
    IQuorvaneMIDIEffect *effect = nullptr;
    HMODULE module = nullptr;
    // Set while a chain holds a reference on the effect.
    int chained = 0;
    // Walks that tell the effect something with the song's lock let go
    // hold the element until they are done; it is destroyed only when none
    // does. The mark is the last walk that took it.
    std::atomic<long> holds{0};
    unsigned long walkMark = 0;
};

class CORVADEL_API CMEffChain : public CChain, public ITembriMEInQueue, public ITembriMEOutQueue {
public:
    explicit CMEffChain(CTrackMIDI *owner) : track(owner) {}
    ~CMEffChain() override;

    // Every change playback sees takes the song's lock itself, and only to
    // link, unlink, move or switch: the effects (program code, such as the
    // drummers) are called and destroyed without it, so a caller does not
    // hold it.
    //
    // Hands the effect the chain's reference, callback and online flag (and,
    // while the song plays, the start), then inserts it after after (at the
    // end for null).
    void AddNewMEffElem(CMEffElem *elem, CMEffElem *after = nullptr);
    // Unlinks the element, then destroys it once no walk holds it.
    void DeleteMEffElem(CMEffElem *elem);
    // Toggles the element on or off; while the song plays the effect hears
    // of its start before it plays and of its stop after.
    void ActiveMEffElem(CMEffElem *elem);
    void MoveMEffElem(CMEffElem *elem, int up);
    // Online, the effects hear of it (and of a running song) before
    // playback runs them; offline, after.
    void SetOnline(int online);
    int IsOnline() const { return online; }
    long GetNumEffects() const { return CChain::GetNumb(); }
    CMEffElem *GetFirstElem() const { return static_cast<CMEffElem *>(first); }
    // Every effect in order; 0 at the first refusal. For a caller that
    // holds the song's lock (the render thread).
    int SetPlayState(long state, long tick1, long tick2);

    // Telling the effects without the song's lock, safe against elements
    // taken out meanwhile on another thread: a walk takes (holds) under the
    // lock what it will tell, tells it with the lock let go, then lets it
    // go. A new walk's mark:
    static unsigned long NewWalk();
    // Under the song's lock: up to room effects the walk has not taken yet,
    // each held and marked; how many.
    int HoldUntold(CMEffElem **held, int room, unsigned long walk);
    // Without the lock: the play state to the held effects in order, until
    // the first refusal.
    static void TellPlayState(CMEffElem *const *held, int count, long state, long tick1, long tick2);
    static void LetGo(CMEffElem *const *held, int count);
    // Returns once no walk holds the element (taken out of every chain).
    static void WaitUntilLetGo(CMEffElem *elem);
    // What a walk takes at once.
    static constexpr int kWalkRoom = 32;
    // What the active effects make of input over from..to (exclusive): a new
    // array the caller owns, or null without an active effect or when an
    // array cannot be made.
    CEventArray *Process(CEventArray *input, long from, long to);
    // The same while the song plays: the array is the chain's own, valid
    // until the next call, and no heap is needed (nor by its sort) once
    // ReservePlaying made room for as many events as a cell brings and the
    // effects make of it.
    const CEventArray *ProcessPlaying(CEventArray *input, long from, long to);
    int ReservePlaying(long events);

    // --- ITembriMEInQueue, ITembriMEOutQueue (during Process)
    long GetNumb() override;
    EVENT *GetEvent(long index) override;
    void GetTimeBounds(long &from, long &to) override;
    int AddEvent(EVENT *events, long count) override;

    long active = 0;
    long online = 1;
    CTrackMIDI *track;
    CEventArray *input = nullptr;
    CEventArray *output = nullptr;
    long fromTick = 0;
    long toTick = 0;

protected:
    void CheckActive();

private:
    CEventArray *run(CEventArray *input, long from, long to, bool reuse);
    CEventArray playing[2];
    // Its reserved block is the room the playing arrays are sorted through.
    CEventArray sortRoom;

    // Offline: the track reprocesses. Online while the song plays: what
    // the effect needs to know about the play state now.
    void Reprocess();
    bool SongPlays() const;
    // The song's tick on the track, read under the song's lock.
    long NowTick() const;
    SYNCOBJECT *songLock() const;
    // Every effect told of the mode, and going online of a running song.
    void tellOnline(int on);
};

} // namespace Quorvane
