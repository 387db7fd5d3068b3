// The channels that a host's process and the program's process share: a
// data section of this library that every process loading it sees, and
// the four named events per channel that order all writes to it (there is
// no lock). Offsets and widths are binding: the records hold no pointers.
// The section has grown at its end only: behind the four channel records
// and the init flag, each channel's numbered hand-offs and the start times
// of its holders' processes.
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

// What a channel record grew by. Each hand-off is numbered: the host
// writes its number after what it hands over and before it sets the
// event; the program writes the number it answers after the answer and
// before it sets its event. A waiter that wakes compares the numbers, so a
// late answer, or an event an earlier party left set, never passes for the
// current one.
struct HalvorinChannelExtra {
    uint32_t request;  // host: its latest request for audio
    uint32_t answer;   // program: the request whose audio the channel holds
    uint32_t notify;   // host: its latest notification
    uint32_t notified; // program: the latest notification its callback took
    // The holders' processes' creation times (FILETIME), beside their ids
    // in client and programAttached: an id that another process took over
    // after the holder died does not keep the channel. 0 while a holder is
    // still taking the channel.
    uint64_t clientStarted;
    uint64_t programStarted;
};
static_assert(sizeof(HalvorinChannelExtra) == 32);

struct HalvorinShared {
    HalvorinChannel channels[kChannels];
    // 0 until the first process set the section up, then 1; in between
    // the id of the process that sets it up.
    int32_t initialised;
    HalvorinChannelExtra extras[kChannels];
};
static_assert(offsetof(HalvorinShared, initialised) == 66080);
static_assert(offsetof(HalvorinShared, extras) == 66088);
static_assert(sizeof(HalvorinShared) == 66216);

// The section itself.
HalvorinShared &SharedSection();
// The channel, or null outside 0..3.
HalvorinChannel *SharedChannel(int channel);
// What the channel's record grew by; the channel must be 0..3.
HalvorinChannelExtra &SharedExtra(int channel);
HalvorinChannelExtra &SharedExtra(const HalvorinChannel &channel);

// A number or a field another process writes, read and written in order
// with the fields around it.
inline uint32_t LoadShared(const uint32_t &field)
{
    return __atomic_load_n(&field, __ATOMIC_ACQUIRE);
}
inline int32_t LoadShared(const int32_t &field)
{
    return __atomic_load_n(&field, __ATOMIC_ACQUIRE);
}
inline void StoreShared(uint32_t &field, uint32_t value)
{
    __atomic_store_n(&field, value, __ATOMIC_RELEASE);
}
inline void StoreShared(int32_t &field, int32_t value)
{
    __atomic_store_n(&field, value, __ATOMIC_RELEASE);
}

// Sets the section up for the first process that loads the library; every
// later load leaves it as it is, and finishes a set-up whose maker is gone.
void InitSharedSection();

// Pending values and audio back to nothing; a full reset also gives the
// shared values their defaults. Neither touches the holders' fields.
void FullReset(HalvorinChannel &channel);
void LightReset(HalvorinChannel &channel);

// The per-channel events, made by whichever side comes first, manual-reset
// (the first maker decides, so a peer of any build may have made them
// either way): the waiter resets the event after its wait and only then
// reads the numbers, which, not the events, say whether an answer is the
// current one.
enum ChannelEvent { kEventRequest, kEventReady, kEventNotify, kEventNotifyReady, kEventCount };
HANDLE OpenChannelEvent(ChannelEvent event, int channel);

// A process that holds a channel: its id and its creation time.
struct Holder {
    uint32_t id = 0;
    uint64_t started = 0;
    bool operator==(const Holder &) const = default;
};
// This process as a holder.
Holder ThisProcess();
// The host that holds the channel's claim, and the program attached to it.
Holder ClientOf(const HalvorinChannel &channel);
Holder ProgramOf(const HalvorinChannel &channel);

// The holder's process, opened for waiting, when it still runs and is
// that very process (not another one that took its id over); null
// otherwise.
HANDLE OpenHolder(const Holder &holder);
// Whether the holder's process still runs; false for id 0. A holder whose
// process is gone holds nothing; one that cannot be looked at is taken
// to run, as is one still taking its channel (started 0).
bool HolderAlive(const Holder &holder);

// A holder's pair of fields: its id word (client or programAttached) and
// its start time.
struct HolderFields {
    volatile LONG *id;
    volatile LONG64 *started;
};
HolderFields ClientFields(HalvorinChannel &channel);
HolderFields ProgramFields(HalvorinChannel &channel);

// Takes the fields when nobody holds them; false when somebody does.
bool TakeFreeHolder(const HolderFields &fields, const Holder &taker);
// Takes the fields over from a holder who died holding them; false when
// another process took them first.
bool TakeFromDeadHolder(const HolderFields &fields, const Holder &dead, const Holder &taker);
// Gives the fields up when holder holds them: the start time first, so
// that nobody takes the holder for a dead one in between.
void GiveUpHolder(const HolderFields &fields, const Holder &holder);

// Frees the channel of a program whose process is gone: it no longer
// streams, its audio and pending values go, and holder (an empty one for
// none) takes its place. False when the channel no longer holds that
// program.
bool ReplaceDeadProgram(HalvorinChannel &channel, const Holder &dead, const Holder &holder);

// The program's name on the channel (terminated inside the buffer) when a
// program is attached; false otherwise.
bool AttachedProgramName(int channel, char (&name)[kProgramNameSize]);

} // namespace Halvorin
