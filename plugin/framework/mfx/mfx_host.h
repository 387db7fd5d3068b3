// What a MIDI-effect plug-in and its MFX host say to each other: the plug-in
// interfaces the host drives, the host context interfaces a plug-in asks for
// at connect, the event queues and the name interfaces. Both sides build from
// this header, so the method order is the contract: never reorder, only
// append to new interfaces.
//
// Every interface has a __uuidof and an IID_<name> constant; the constants
// are defined once in the framework_mfx library.
#pragma once

#include "plugin/framework/mfx/mfx_event.h"

#include <windows.h>
#include <unknwn.h>

#define QUORVANE_MFX_IID(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                                    \
    DEFINE_GUID(IID_##type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8);                                      \
    __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)

struct IMfxInputPort;

// ---------------------------------------------------------------------------
// Event queues

// A list of events the host hands to a plug-in for one processing call: the
// input queue is read, the output queue is added to.
struct IMfxEventQueue : public IUnknown {
    // Appends a copy of the event. S_OK, or a failure when the queue is full
    // or read-only.
    virtual HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) = 0;
    // Number of events in the queue.
    virtual HRESULT STDMETHODCALLTYPE GetCount(LONG *count) = 0;
    // Copies event index (0-based); E_INVALIDARG outside the queue.
    virtual HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) = 0;
};
QUORVANE_MFX_IID(IMfxEventQueue, 0x8096BA8A, 0xF110, 0x52E4, 0xB0, 0xF8, 0x8B, 0xA9, 0x86, 0x1D, 0x64, 0x35);

// The host's side of a plug-in's live input port: the plug-in hands events
// here that the host is to play at once (previews).
struct IMfxInputCallback : public IUnknown {
    // An event for the host to play now, from the given plug-in port.
    virtual HRESULT STDMETHODCALLTYPE OnEvent(IMfxInputPort *port, const MfxEvent *event) = 0;
};
QUORVANE_MFX_IID(IMfxInputCallback, 0x7F0A45E7, 0xD270, 0x5C0D, 0xBC, 0xE0, 0x5A, 0xB5, 0x30, 0x96, 0x4F,
                 0xCD);

// ---------------------------------------------------------------------------
// Interfaces the plug-in implements and the host drives

struct IMfxEventFilter : public IUnknown {
    // Binds the plug-in to its host context (queried for the interfaces
    // below); E_POINTER for none, E_FAIL when a required one is missing.
    virtual HRESULT STDMETHODCALLTYPE Connect(IUnknown *context) = 0;
    // Lets go of every host interface; the context itself is not released.
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    // Playback starts at time (host ticks).
    virtual HRESULT STDMETHODCALLTYPE OnStart(LONG time) = 0;
    // Playback jumps back to restartTime after reaching loopEndTime.
    virtual HRESULT STDMETHODCALLTYPE OnLoop(LONG restartTime, LONG loopEndTime) = 0;
    // Playback stops at time.
    virtual HRESULT STDMETHODCALLTYPE OnStop(LONG time) = 0;
    // One processing window from..thru (host ticks): read the input queue,
    // add what the plug-in plays to the output queue.
    virtual HRESULT STDMETHODCALLTYPE OnEvents(LONG from, LONG thru, IMfxEventQueue *input,
                                               IMfxEventQueue *output) = 0;
    // Live events arriving while the host is not processing a window.
    virtual HRESULT STDMETHODCALLTYPE OnInput(IMfxEventQueue *input, IMfxEventQueue *output) = 0;
};
QUORVANE_MFX_IID(IMfxEventFilter, 0xDB388F0E, 0x4D62, 0x5D83, 0x96, 0xF9, 0xD5, 0xF0, 0x0B, 0x92, 0x6D, 0xAA);

// Live MIDI: the host gives the plug-in a callback to reach the host's output.
struct IMfxInputPort : public IUnknown {
    // Keeps the callback (without a reference of its own); null clears it.
    virtual HRESULT STDMETHODCALLTYPE SetInputCallback(IMfxInputCallback *callback) = 0;
    // The callback kept, or null.
    virtual HRESULT STDMETHODCALLTYPE GetInputCallback(IMfxInputCallback **callback) = 0;
};
QUORVANE_MFX_IID(IMfxInputPort, 0x5F321ABA, 0xE7AD, 0x578C, 0x89, 0x98, 0xB2, 0xDC, 0x2C, 0x35, 0xD7, 0xDB);

// ---------------------------------------------------------------------------
// Host context interfaces, asked of the context at connect

// Required: the time base.
struct IMfxTempoMap : public IUnknown {
    // Milliseconds from the song start to a time in ticks.
    virtual LONG STDMETHODCALLTYPE TicksToMsecs(LONG ticks) = 0;
    // Time in ticks at milliseconds from the song start.
    virtual LONG STDMETHODCALLTYPE MsecsToTicks(LONG msecs) = 0;
    // Ticks per quarter note of the song.
    virtual LONG STDMETHODCALLTYPE GetTicksPerQuarter() = 0;
    // Index of the tempo entry in force at a time.
    virtual LONG STDMETHODCALLTYPE GetTempoIndexForTime(LONG ticks) = 0;
    // Number of tempo entries.
    virtual LONG STDMETHODCALLTYPE GetTempoCount() = 0;
    // Start time and tempo (hundredths of a beat per minute, 12000 = 120)
    // of entry index; E_FAIL for a bad index.
    virtual HRESULT STDMETHODCALLTYPE GetTempoAt(LONG index, LONG *startTicks, LONG *tempo) = 0;
};
QUORVANE_MFX_IID(IMfxTempoMap, 0xEA926E7E, 0x725C, 0x5B1A, 0x84, 0xCF, 0x66, 0xFC, 0x9D, 0x13, 0x92, 0xC7);

// Required: the meter map. Measures and beats count from 1, ticks within the
// beat from 0.
struct IMfxMeterMap : public IUnknown {
    // Measure, beat and tick of a time.
    virtual HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                             LONG *tick) = 0;
    // Time in ticks of a measure, beat and tick.
    virtual LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) = 0;
    // Index of the meter entry in force at a time.
    virtual LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG ticks) = 0;
    // Number of meter entries.
    virtual LONG STDMETHODCALLTYPE GetMeterCount() = 0;
    // First measure, numerator and denominator as a power of two (2 = a
    // quarter) of entry index; E_FAIL for a bad index.
    virtual HRESULT STDMETHODCALLTYPE GetMeterAt(LONG index, LONG *startMeasure, LONG *numerator,
                                                 LONG *denominatorPower) = 0;
};
QUORVANE_MFX_IID(IMfxMeterMap, 0xE87789A6, 0xA238, 0x546E, 0xA3, 0x0A, 0xC3, 0x5C, 0x2D, 0xC7, 0x22, 0x5A);

// Optional: offered by hosts that can render a song off-line.
struct IMfxRenderInfo : public IUnknown {
    // First tick of the range being rendered off-line.
    virtual LONG STDMETHODCALLTYPE GetRenderFrom() = 0;
    // Last tick of the range being rendered off-line.
    virtual LONG STDMETHODCALLTYPE GetRenderThru() = 0;
    // 0 while the host plays live, 1 or more while it renders off-line,
    // kMfxRenderStateUnknown when it cannot tell.
    virtual LONG STDMETHODCALLTYPE GetRenderState() = 0;
};
QUORVANE_MFX_IID(IMfxRenderInfo, 0x76F7557E, 0xB69E, 0x56B3, 0x8B, 0x11, 0x1C, 0x2B, 0x88, 0x56, 0x5A, 0x81);

constexpr LONG kMfxRenderStateUnknown = 0x7FFFFFFF;

// ---------------------------------------------------------------------------
// Names

// One list of names, e.g. the note names of one instrument.
struct IMfxNameList : public IUnknown {
    // The list's title, at most size bytes with its terminating zero.
    virtual HRESULT STDMETHODCALLTYPE GetTitle(char *buffer, LONG size) = 0;
    // Number of entries.
    virtual HRESULT STDMETHODCALLTYPE GetCount(LONG *count) = 0;
    // Name of entry index, at most size bytes with its terminating zero;
    // E_FAIL for a bad index or an entry without a name.
    virtual HRESULT STDMETHODCALLTYPE GetName(LONG index, char *buffer, LONG size) = 0;
};
QUORVANE_MFX_IID(IMfxNameList, 0xF238385E, 0x9CC8, 0x56E4, 0x80, 0x99, 0xA2, 0xBE, 0x2E, 0xF0, 0x85, 0x55);

// The host's note-name sets: set count, and each set as a name list (its
// title the set name, its entries the note names).
struct IMfxNameSet : public IUnknown {
    // Number of sets.
    virtual HRESULT STDMETHODCALLTYPE GetCount(LONG *count) = 0;
    // Set index (0-based), AddRef'd; E_FAIL for a bad index.
    virtual HRESULT STDMETHODCALLTYPE GetNameList(LONG index, IMfxNameList **list) = 0;
};
QUORVANE_MFX_IID(IMfxNameSet, 0x662ECC3E, 0xDF1A, 0x58BB, 0xAD, 0x93, 0xDD, 0x3A, 0x05, 0x67, 0x23, 0xD9);

// Asked of the context: hands out the host's current name sets, AddRef'd.
// Plug-ins use the note names.
struct IMfxNameSetSource : public IUnknown {
    // The patch (program) names.
    virtual HRESULT STDMETHODCALLTYPE GetPatchNames(IMfxNameSet **names) = 0;
    // The note names of the plug-in's track.
    virtual HRESULT STDMETHODCALLTYPE GetNoteNames(IMfxNameSet **names) = 0;
    // The controller names.
    virtual HRESULT STDMETHODCALLTYPE GetControllerNames(IMfxNameSet **names) = 0;
};
QUORVANE_MFX_IID(IMfxNameSetSource, 0xC40DEBE0, 0x14EA, 0x5C5B, 0xA5, 0x34, 0xBD, 0x44, 0xF6, 0x21, 0xF4,
                 0x4E);

// Asked of the context when the host drives a drum module: 96 drum sounds
// on the notes from kMfxDrumModuleFirstNote up.
constexpr int kMfxDrumModuleNoteCount = 96;
constexpr int kMfxDrumModuleFirstNote = 24;
constexpr int kMfxDrumModuleShortNameSize = 5;

struct IMfxDrumModule : public IUnknown {
    // Fills 96 short names of 5 bytes each, note 24 first; a name shorter
    // than 5 bytes ends with a zero byte.
    virtual HRESULT STDMETHODCALLTYPE
    GetShortNames(char names[kMfxDrumModuleNoteCount * kMfxDrumModuleShortNameSize]) = 0;
    // The long name of a note, at most size bytes with its terminating zero;
    // S_OK with a name, S_FALSE when the note has none.
    virtual HRESULT STDMETHODCALLTYPE GetLongName(LONG note, char *buffer, LONG size) = 0;
};
QUORVANE_MFX_IID(IMfxDrumModule, 0xEC0B1623, 0xD4BD, 0x5683, 0x9D, 0x3B, 0xEA, 0xA3, 0x8D, 0x92, 0x16, 0x47);

// ---------------------------------------------------------------------------
// Commands a plug-in posts to the host's main window (WM_COMMAND, wParam =
// command | notification code 1 << 16) for transport request 0 and 1.
constexpr WORD kMfxHostTransportCommand0 = 32797;
constexpr WORD kMfxHostTransportCommand1 = 32798;
