// The channels that a host's process and the program's process share: a
// data section of this library that every process loading it sees, and
// the four named events per channel that order all writes to it (there is
// no lock). Offsets and widths are binding: the records hold no pointers.
#pragma once

#include "bridge/asp/halvorin_request.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace Halvorin {

constexpr int kAudioFrames = 2048;

struct HalvorinChannel {
    // Non-zero while a host plug-in holds the channel. The holder writes
    // its process id here (a token; its own client record stays in its
    // process), so another process only tests it against 0.
    uint32_t client;
    // Non-zero while a program's provider has the channel open: the
    // program's process id (not just 1), so that a host or a restarted
    // program can tell a program that died without letting go.
    int32_t programAttached;
    int32_t streaming; // from Start until Release
    char programName[kProgramNameSize];
    int32_t sampleRate;
    float tempo; // last published
    int32_t note;
    int32_t blockSize;
    int32_t bend;
    int32_t mod;
    int32_t maxFramesPerRequest; // the program's frames per engine buffer
    int32_t framesWanted;        // of the current request
    // What the next notification carries.
    int32_t pendingNote;
    int32_t pendingPosition;
    float pendingTempo;
    int32_t pendingBend;
    int32_t pendingMod;
    float audio[2 * kAudioFrames]; // interleaved stereo
    int32_t framesInBuffer;
    int32_t readPosition;
};
static_assert(sizeof(HalvorinChannel) == 16520);
static_assert(offsetof(HalvorinChannel, programName) == 12);
static_assert(offsetof(HalvorinChannel, sampleRate) == 76);
static_assert(offsetof(HalvorinChannel, pendingNote) == 108);
static_assert(offsetof(HalvorinChannel, audio) == 128);
static_assert(offsetof(HalvorinChannel, framesInBuffer) == 16512);

struct HalvorinShared {
    HalvorinChannel channels[kChannels];
    // 0 until the first process set the section up, then 1.
    int32_t initialised;
};
static_assert(sizeof(HalvorinShared) == 66084);
static_assert(offsetof(HalvorinShared, initialised) == 66080);

// The section itself.
HalvorinShared &SharedSection();
// The channel, or null outside 0..3.
HalvorinChannel *SharedChannel(int channel);

// Sets the section up for the first process that loads the library; every
// later load leaves it as it is.
void InitSharedSection();

// Pending values and audio back to nothing; a full reset also gives the
// shared values their defaults. Neither touches the holders' fields.
void FullReset(HalvorinChannel &channel);
void LightReset(HalvorinChannel &channel);

// The per-channel events, all manual-reset, made by whichever side comes
// first.
enum ChannelEvent { kEventRequest, kEventReady, kEventNotify, kEventNotifyReady, kEventCount };
HANDLE OpenChannelEvent(ChannelEvent event, int channel);

// Whether the process that wrote its id into a holder's field still runs;
// false for 0. A holder whose process is gone holds nothing.
bool HolderAlive(uint32_t processId);

// Frees the channel of a program whose process is gone (attached as
// processId): it no longer streams, its audio and pending values go, and
// holder (0 for none) takes its place. False when the channel no longer
// holds that program.
bool ReplaceDeadProgram(HalvorinChannel &channel, int32_t processId, int32_t holder);

// The program's name on the channel (terminated inside the buffer) when a
// program is attached; false otherwise.
bool AttachedProgramName(int channel, char (&name)[kProgramNameSize]);

} // namespace Halvorin
