// The VST 2 plug-in protocol, both sides: the effect record a plug-in's entry
// "main" hands its host, the dispatcher opcodes a host sends, the host
// callback ("audio master") a plug-in calls back with its opcodes, the time
// record, the MIDI event lists and the editor rectangle.
//
// These records cross from one module to another compiled by someone else,
// so their layouts are the protocol: native pointers and pointer-sized
// integers where the protocol has them, everything else fixed width. The
// static_asserts below pin the offsets for 64-bit and 32-bit builds.
#pragma once

#include <cstddef>
#include <cstdint>

// The protocol's calling convention (the C one; x64 has only one).
#if defined(_WIN32) && !defined(_WIN64)
#define VST2_CALL __cdecl
#else
#define VST2_CALL
#endif

// Declares a library's VST 2 entry: the export "main" taking the host
// callback and answering the effect record or null. C++ keeps the name
// "main" for programs, so the function gets another name in the source and
// the symbol "main" through an assembler label:
//     VST2_ENTRY(MyEntry) { ... }
#if defined(_WIN32) && !defined(_WIN64)
#define VST2_ENTRY_SYMBOL "_main"
#else
#define VST2_ENTRY_SYMBOL "main"
#endif
#define VST2_ENTRY(function)                                                                                 \
    extern "C" __declspec(dllexport) vst2::Effect *VST2_CALL function(vst2::HostCallback host) __asm__(      \
        VST2_ENTRY_SYMBOL);                                                                                  \
    extern "C" __declspec(dllexport) vst2::Effect *VST2_CALL function(vst2::HostCallback host)

namespace vst2 {

// A four-character code as the protocol compares it: the first character in
// the highest byte.
constexpr int32_t FourCC(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

// The name of the entry a plug-in library exports, and the name 64-bit
// hosts look for first (the same entry).
constexpr char kEntryName[] = "main";
constexpr char kEntryName64[] = "VSTPluginMain";
// The effect record's magic.
constexpr int32_t kEffectMagic = FourCC('V', 's', 't', 'P');
// The protocol version a version 2 host answers (hostVersion) at least.
constexpr intptr_t kHostVersion2 = 2;

struct Effect;

// The host's callback: (effect or null, opcode, index, value, pointer, option).
using HostCallback = intptr_t(VST2_CALL *)(Effect *effect, int32_t opcode, int32_t index, intptr_t value,
                                           void *ptr, float opt);
// The plug-in's side, reached through the effect record.
using DispatcherProc = intptr_t(VST2_CALL *)(Effect *effect, int32_t opcode, int32_t index, intptr_t value,
                                             void *ptr, float opt);
using ProcessProc = void(VST2_CALL *)(Effect *effect, float **inputs, float **outputs, int32_t frames);
using ProcessDoubleProc = void(VST2_CALL *)(Effect *effect, double **inputs, double **outputs,
                                            int32_t frames);
using SetParameterProc = void(VST2_CALL *)(Effect *effect, int32_t index, float value);
using GetParameterProc = float(VST2_CALL *)(Effect *effect, int32_t index);
// The type of the entry "main".
using EntryProc = Effect *(VST2_CALL *)(HostCallback host);

// Effect flags.
enum : int32_t {
    effFlagsHasEditor = 0x1,
    effFlagsHasClip = 0x2,
    effFlagsHasVu = 0x4,
    effFlagsCanMono = 0x8,
    effFlagsCanReplacing = 0x10,
    effFlagsProgramChunks = 0x20,
    effFlagsIsSynth = 0x100,
    effFlagsNoSoundInStop = 0x200,
    effFlagsCanDoubleReplacing = 0x1000,
};

// The effect record, made by the plug-in and owned by it until effClose.
struct Effect {
    int32_t magic; // kEffectMagic
    DispatcherProc dispatcher;
    ProcessProc process; // accumulating: adds into the outputs
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t reserved1;
    intptr_t reserved2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void *object; // the plug-in's own
    void *user;   // the host's own
    int32_t uniqueId;
    int32_t version;
    ProcessProc processReplacing; // replacing: overwrites the outputs
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// Opcodes a host sends to the plug-in's dispatcher.
enum : int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4, // ptr: text
    effGetProgramName = 5, // ptr: buffer of kMaxProgramNameLength + 1 bytes
    effSetSampleRate = 10, // opt: the rate
    effSetBlockSize = 11,  // value: frames
    effMainsChanged = 12,  // value: 0 suspend, 1 resume
    effEditGetRect = 13,   // ptr: EditorRect** to fill
    effEditOpen = 14,      // ptr: the parent window
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,      // index: 0 bank, 1 program; ptr: void** to the plug-in's block; answers its size
    effSetChunk = 24,      // index as effGetChunk; value: size; ptr: the block
    effProcessEvents = 25, // ptr: Events*
    effGetProgramNameIndexed = 29, // index: the program; ptr: buffer as effGetProgramName
    effGetPlugCategory = 35,
    effGetEffectName = 45, // ptr: buffer of kMaxEffectNameLength + 1 bytes
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effCanDo = 51, // ptr: the question
    effGetVstVersion = 58,
};

// Opcodes a plug-in sends to the host callback.
enum : int32_t {
    hostAutomate = 0, // index: parameter; opt: its new value
    hostVersion = 1,
    hostWantEvents = 6,    // value: 1
    hostGetTime = 7,       // value: the TimeInfo fields wanted; answers TimeInfo* or 0
    hostProcessEvents = 8, // ptr: Events* the plug-in sends
    hostTempoAt = 10,      // value: sample position; answers tempo x 10000
    hostGetSampleRate = 16,
    hostGetBlockSize = 17,
    hostGetCurrentProcessLevel = 23, // answers 1 user-interface thread, 2 real-time thread
    hostGetVendorString = 32,        // ptr: buffer of kMaxVendorStringLength + 1 bytes
    hostGetProductString = 33,
    hostCanDo = 37, // ptr: the question
    hostUpdateDisplay = 42,
    hostBeginEdit = 43, // index: parameter
    hostEndEdit = 44,   // index: parameter
};

// What effGetPlugCategory answers.
enum : int32_t {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Text buffer sizes, without the terminator the buffers have room for.
constexpr int kMaxProgramNameLength = 24;
constexpr int kMaxEffectNameLength = 32;
constexpr int kMaxVendorStringLength = 64;
constexpr int kMaxProductStringLength = 64;

// Transport and which fields of TimeInfo are valid (or wanted).
enum : int32_t {
    kTimeTransportChanged = 0x1,
    kTimeTransportPlaying = 0x2,
    kTimeTransportCycleActive = 0x4,
    kTimeTransportRecording = 0x8,
    kTimeNanosValid = 0x100,
    kTimePpqPosValid = 0x200,
    kTimeTempoValid = 0x400,
    kTimeBarsValid = 0x800,
    kTimeCyclePosValid = 0x1000,
    kTimeSigValid = 0x2000,
    kTimeSmpteValid = 0x4000,
    kTimeClockValid = 0x8000,
};

// The host's time information (hostGetTime), kept by the host.
struct TimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos; // musical position in quarter notes
    double tempo;  // quarter notes per minute
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    int32_t smpteOffset;
    int32_t smpteFrameRate;
    int32_t samplesToNextClock;
    int32_t flags;
};

// Event types.
enum : int32_t { kEventMidi = 1, kEventSysEx = 6 };

// Any event; its type says which record it is.
struct Event {
    int32_t type;
    int32_t byteSize; // of the record after these first two fields
    int32_t deltaFrames;
    int32_t flags;
    char data[16];
};

struct MidiEvent {
    int32_t type; // kEventMidi
    int32_t byteSize;
    int32_t deltaFrames; // frames into the current block
    int32_t flags;
    int32_t noteLength;
    int32_t noteOffset;
    char midiData[4]; // status and up to two data bytes
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

// A list of events; the array really holds numEvents pointers.
struct Events {
    int32_t numEvents;
    intptr_t reserved;
    Event *events[2];
};

// The editor's rectangle (effEditGetRect).
struct EditorRect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

#define VST2_PTR(n) static_cast<std::size_t>((n) * sizeof(void *))
static_assert(offsetof(Effect, dispatcher) == VST2_PTR(1));
static_assert(offsetof(Effect, getParameter) == VST2_PTR(4));
static_assert(offsetof(Effect, numPrograms) == VST2_PTR(5));
static_assert(offsetof(Effect, flags) == VST2_PTR(5) + 16);
static_assert(offsetof(Effect, reserved1) == (sizeof(void *) == 8 ? 64 : 40));
static_assert(offsetof(Effect, initialDelay) == (sizeof(void *) == 8 ? 80 : 48));
static_assert(offsetof(Effect, ioRatio) == (sizeof(void *) == 8 ? 92 : 60));
static_assert(offsetof(Effect, object) == (sizeof(void *) == 8 ? 96 : 64));
static_assert(offsetof(Effect, uniqueId) == (sizeof(void *) == 8 ? 112 : 72));
static_assert(offsetof(Effect, processReplacing) == (sizeof(void *) == 8 ? 120 : 80));
static_assert(offsetof(Effect, future) == (sizeof(void *) == 8 ? 136 : 88));
static_assert(sizeof(Effect) == (sizeof(void *) == 8 ? 192 : 144));
static_assert(offsetof(TimeInfo, tempo) == 32 && offsetof(TimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(TimeInfo, flags) == 84 && sizeof(TimeInfo) == 88);
static_assert(sizeof(Event) == 32 && sizeof(MidiEvent) == 32 && offsetof(MidiEvent, midiData) == 24);
static_assert(offsetof(Events, events) == VST2_PTR(2) && sizeof(EditorRect) == 8);
#undef VST2_PTR

} // namespace vst2
