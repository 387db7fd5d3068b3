// What a bridge plug-in hands the stream provider ASPHalvorin: the export
// "ASPHalvorinRequest" with its operations, the render block of one audio
// segment and the note codes both sides speak. The block is passed inside
// the host's process only, so its buffers are native pointers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Halvorin {

// The channels the provider offers, one host plug-in and one program each.
constexpr int kChannels = 4;

// Note codes of the render block and of the provider's notifications:
// 0..127 a note is held; the others below.
constexpr int32_t kNoteTransportStopped = 130;
constexpr int32_t kNoteNone = 131;
constexpr int32_t kNoteNothing = 0xFFFF;
// What the notification carries for a value that did not change.
constexpr int32_t kUnchanged = 0x7FFFFFFF;

// The operations of ASPHalvorinRequest.
enum RequestOp : int {
    kOpRender = 0,      // data: BridgeRenderBlock*; frames rendered
    kOpSampleRate = 1,  // data: int* rate
    kOpBlockSize = 2,   // data: int* frames
    kOpClaim = 3,       // the first free channel, or -1
    kOpRelease = 4,     // lets the channel go
    kOpProgramName = 5, // data: char[64] out
    kOpProgram = 6,     // data: the program to launch, or null/"" to let it go
};

// How op 0 hands the audio over.
enum RenderMode : int32_t {
    kModeAdd = 0,         // add into two mono buffers
    kModeReplace = 1,     // replace two mono buffers
    kModeInterleaved = 2, // one interleaved stereo buffer, plus an optional input
};

// The program the bridge plug-ins launch and recognise.
constexpr char kProgramName[] = "Rallimoth Omvel";
constexpr int kProgramNameSize = 64;

// One audio segment. The nine leading fields keep their 32-bit offsets;
// the buffers follow at 36 as native pointers.
#pragma pack(push, 4)
struct BridgeRenderBlock {
    int32_t sampleRate; // host rate in Hz
    float tempo;        // beats per minute
    int32_t noteCode;   // 0..127, 130 or 131; 130 comes back as 131
    int32_t position;   // ticks at 960 per quarter note
    int32_t velocity;   // 1..127 with a note starting in this segment, else 0
    int32_t bend;       // -8192..8191
    int32_t mod;        // 0..127
    int32_t mode;       // RenderMode
    int32_t frames;     // frames in this segment
    // Modes 0 and 1: left; mode 2: interleaved stereo output.
    float *bufferA;
    // Modes 0 and 1: right; mode 2: interleaved stereo input added to the
    // output, or null.
    float *bufferB;
};
#pragma pack(pop)
static_assert(offsetof(BridgeRenderBlock, frames) == 32);
static_assert(offsetof(BridgeRenderBlock, bufferA) == 36);

using RequestProc = int (*)(int channel, int op, void *data);

} // namespace Halvorin
