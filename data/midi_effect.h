// What a MIDI effect and the chain of a MIDI track say to each other. An
// effect module exports "CreateMIDIEffect" (no arguments), which returns a
// new effect object holding one reference. The chain hands the effect the
// events to process through an input queue and takes its events back through
// an output queue; the effect reports changes of its parameters through the
// callback the chain writes into it.
#pragma once

#include "data/seekable_stream.h"

#include <windows.h>

namespace Quorvane {

struct EVENT;

// The events an effect is given for one range of ticks.
class ITembriMEInQueue {
public:
    virtual long GetNumb() = 0;
    virtual EVENT *GetEvent(long index) = 0;
    // The ticks being processed: from up to to (exclusive).
    virtual void GetTimeBounds(long &from, long &to) = 0;

protected:
    ~ITembriMEInQueue() = default;
};

class ITembriMEOutQueue {
public:
    // Appends copies of count events, taking their payloads over; 1 on
    // success.
    virtual int AddEvent(EVENT *events, long count) = 0;

protected:
    ~ITembriMEOutQueue() = default;
};

// Play states: start (tick, end tick), stop (0, tick), jump (new tick, old
// tick).
enum : long { MEFF_START = 0, MEFF_STOP = 1, MEFF_JUMP = 2 };
// Codes of the class id operation: bind the hosted object to the class id
// given, give the class id back, give the hosted COM object (IUnknown*,
// without a reference of its own).
enum : long { MEFF_BIND_GUID = 0, MEFF_GET_GUID = 1, MEFF_GET_OBJECT = 2 };
// What a parameter-changed callback reports: 2 = a parameter changed.
enum : long { MEFF_PARAM_CHANGED = 2 };

using MEffParamChangedFn = void (*)(void *user, long code);

// The effect object. Its slots are fixed, since effect modules are built
// apart from the song: a slot's number is its place in this table. Slots
// no caller uses are kept so that the later ones stay where they are; an
// effect leaves them as they are here, answering 0.
class IQuorvaneMIDIEffect {
public:
    virtual HRESULT QueryInterface(REFIID iid, void **out) = 0; // 0
    virtual ULONG AddRef() = 0;                                 // 1
    // At 0 references the effect destroys itself.
    virtual ULONG Release() = 0; // 2
    // host is the song's ITembriSong, owner the track; 1 on success.
    virtual int Init(void *host, void *owner) = 0; // 3
    virtual void SetOnline(int online) = 0;        // 4
    virtual long Unused5() { return 0; }           // 5
    // 1 when the effect took the play state.
    virtual int SetPlayState(long state, long tick1, long tick2) = 0; // 6
    // Reads the input queue and adds what the effect plays to the output
    // queue; non-zero on success.
    virtual int Process(ITembriMEInQueue *input, ITembriMEOutQueue *output) = 0; // 7
    virtual long Unused8() { return 0; }                                         // 8
    // The effect's own state format; 1 on success.
    virtual int SaveState(Seekable::OutputStream *out) = 0; // 9
    virtual int LoadState(Seekable::InputStream *in) = 0;   // 10
    // The editor: its size, shown inside parent, closed; 0 without one.
    virtual int GetEditorSize(long &width, long &height) = 0; // 11
    virtual int OpenEditor(HWND parent) = 0;                  // 12
    virtual void CloseEditor() = 0;                           // 13
    virtual long Unused14() { return 0; }                     // 14
    // The effect's own name (owned by it), or null.
    virtual const char *GetName() = 0;    // 15
    virtual long Unused16() { return 0; } // 16
    virtual long Unused17() { return 0; } // 17
    virtual long Unused18() { return 0; } // 18
    virtual long Unused19() { return 0; } // 19
    virtual long Unused20() { return 0; } // 20
    virtual long Unused21() { return 0; } // 21
    virtual long Unused22() { return 0; } // 22
    virtual long Unused23() { return 0; } // 23
    virtual long Unused24() { return 0; } // 24
    virtual long Unused25() { return 0; } // 25
    virtual long Unused26() { return 0; } // 26
    // See MEFF_BIND_GUID ...; 1 on success.
    virtual int GuidOperation(long code, void *buffer, long size) = 0; // 27

    // Written by the chain that holds the effect.
    MEffParamChangedFn paramChanged = nullptr;
    void *paramChangedUser = nullptr;

protected:
    ~IQuorvaneMIDIEffect() = default;
};

using CreateMIDIEffectFn = IQuorvaneMIDIEffect *(*)();

} // namespace Quorvane
