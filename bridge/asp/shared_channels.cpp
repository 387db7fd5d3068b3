#include "bridge/asp/shared_channels.h"

#include <cstdio>
#include <cstring>

namespace Halvorin {

namespace {

// Shared between all processes that load the library; initialised, so the
// section holds data rather than being left out of the image.
HalvorinShared sharedSection __attribute__((section(".hvnshr"), shared)) = {};

const char *const eventBaseNames[kEventCount] = {"ASPHVNREQUEST", "ASPHVNREADY", "ASPHVNNOTIFY",
                                                 "ASPHVNNTFRDY"};

// The init flag's values; any other value is the id of the process that
// is setting the section up (an earlier build wrote 2 for any process).
constexpr LONG kNotSetUp = 0;
constexpr LONG kSetUp = 1;
constexpr LONG kSetUpByUnknown = 2;
// How long a load waits for a set-up whose maker still runs (or cannot be
// told) before it takes the set-up over: a set-up takes microseconds, so
// a maker that long in it died there, or its id went to another process.
constexpr DWORD kSetUpWaitMs = 2000;

void setUp()
{
    for (HalvorinChannel &channel : sharedSection.channels) {
        FullReset(channel);
        channel.client = 0;
        channel.programAttached = 0;
        channel.streaming = 0;
    }
    for (HalvorinChannelExtra &extra : sharedSection.extras)
        extra = {};
}

// Whether the process that set the flag to maker can still finish its
// set-up.
bool makerMayFinish(LONG maker)
{
    if (maker == kSetUpByUnknown)
        return true;
    return static_cast<DWORD>(maker) != GetCurrentProcessId() &&
           HolderAlive({static_cast<uint32_t>(maker), 0});
}

} // namespace

HalvorinShared &SharedSection()
{
    return sharedSection;
}

HalvorinChannel *SharedChannel(int channel)
{
    return channel >= 0 && channel < kChannels ? &sharedSection.channels[channel] : nullptr;
}

HalvorinChannelExtra &SharedExtra(int channel)
{
    return sharedSection.extras[channel];
}

HalvorinChannelExtra &SharedExtra(const HalvorinChannel &channel)
{
    return sharedSection.extras[&channel - sharedSection.channels];
}

void InitSharedSection()
{
    auto *flag = reinterpret_cast<volatile LONG *>(&sharedSection.initialised);
    const auto self = static_cast<LONG>(GetCurrentProcessId());
    // Two processes may load at once: one sets the section up, the other
    // waits until it is done. A maker that died in the middle (or an id of
    // a dead one) would hold every later load in here for ever.
    const DWORD start = GetTickCount();
    for (;;) {
        const LONG seen = *flag;
        if (seen == kSetUp)
            return;
        const bool takeOver =
            seen != kNotSetUp && (!makerMayFinish(seen) || GetTickCount() - start >= kSetUpWaitMs);
        if ((seen == kNotSetUp || takeOver) && InterlockedCompareExchange(flag, self, seen) == seen) {
            setUp();
            // Only the last taker finishes: a maker taken over waits on.
            if (InterlockedCompareExchange(flag, kSetUp, self) == self)
                return;
            continue;
        }
        Sleep(1);
    }
}

void LightReset(HalvorinChannel &channel)
{
    channel.pendingNote = kNoteNothing;
    channel.pendingPosition = 0;
    channel.pendingTempo = -1.0f;
    channel.pendingBend = kUnchanged;
    channel.pendingMod = kUnchanged;
    std::memset(channel.audio, 0, sizeof channel.audio);
    channel.framesInBuffer = 0;
    channel.readPosition = 0;
}

void FullReset(HalvorinChannel &channel)
{
    LightReset(channel);
    channel.sampleRate = 44100;
    channel.tempo = 100.0f;
    channel.note = kNoteNothing;
    channel.blockSize = 256;
    channel.bend = 0;
    channel.mod = 0;
}

HANDLE OpenChannelEvent(ChannelEvent event, int channel)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%i", eventBaseNames[event], channel);
    return CreateEventA(nullptr, TRUE, FALSE, name);
}

namespace {

uint64_t startTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return static_cast<uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

Holder holderOf(const uint32_t &id, const uint64_t &started)
{
    return {__atomic_load_n(&id, __ATOMIC_ACQUIRE), __atomic_load_n(&started, __ATOMIC_ACQUIRE)};
}

} // namespace

Holder ThisProcess()
{
    static const Holder self = {GetCurrentProcessId(), startTime(GetCurrentProcess())};
    return self;
}

Holder ClientOf(const HalvorinChannel &channel)
{
    return holderOf(channel.client, SharedExtra(channel).clientStarted);
}

Holder ProgramOf(const HalvorinChannel &channel)
{
    return holderOf(reinterpret_cast<const uint32_t &>(channel.programAttached),
                    SharedExtra(channel).programStarted);
}

namespace {

// The holder's process when it runs and is that very process; denied
// tells a process that may not be looked at.
HANDLE openHolder(const Holder &holder, bool &denied)
{
    denied = false;
    if (holder.id == 0)
        return nullptr;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, holder.id);
    if (!process) {
        denied = GetLastError() == ERROR_ACCESS_DENIED;
        return nullptr;
    }
    if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT ||
        (holder.started != 0 && startTime(process) != holder.started)) {
        CloseHandle(process);
        return nullptr;
    }
    return process;
}

} // namespace

HANDLE OpenHolder(const Holder &holder)
{
    bool denied;
    return openHolder(holder, denied);
}

bool HolderAlive(const Holder &holder)
{
    if (holder.id == 0)
        return false;
    if (holder.id == ThisProcess().id)
        return holder.started == 0 || holder.started == ThisProcess().started;
    bool denied;
    HANDLE process = openHolder(holder, denied);
    if (process)
        CloseHandle(process);
    // A process that runs but may not be looked at is still there.
    return process || denied;
}

HolderFields ClientFields(HalvorinChannel &channel)
{
    return {reinterpret_cast<volatile LONG *>(&channel.client),
            reinterpret_cast<volatile LONG64 *>(&SharedExtra(channel).clientStarted)};
}

HolderFields ProgramFields(HalvorinChannel &channel)
{
    return {reinterpret_cast<volatile LONG *>(&channel.programAttached),
            reinterpret_cast<volatile LONG64 *>(&SharedExtra(channel).programStarted)};
}

bool TakeFreeHolder(const HolderFields &fields, const Holder &taker)
{
    if (InterlockedCompareExchange(fields.id, static_cast<LONG>(taker.id), 0) != 0)
        return false;
    InterlockedExchange64(fields.started, static_cast<LONG64>(taker.started));
    return true;
}

bool TakeFromDeadHolder(const HolderFields &fields, const Holder &dead, const Holder &taker)
{
    // The start time goes to 0 first: whoever manages that takes the id,
    // and anyone else meanwhile sees a holder still taking the channel.
    if (dead.id == 0 || InterlockedCompareExchange64(fields.started, 0, static_cast<LONG64>(dead.started)) !=
                            static_cast<LONG64>(dead.started))
        return false;
    if (InterlockedCompareExchange(fields.id, static_cast<LONG>(taker.id), static_cast<LONG>(dead.id)) !=
        static_cast<LONG>(dead.id))
        return false;
    InterlockedExchange64(fields.started, static_cast<LONG64>(taker.started));
    return true;
}

void GiveUpHolder(const HolderFields &fields, const Holder &holder)
{
    if (static_cast<uint32_t>(*fields.id) != holder.id)
        return;
    InterlockedExchange64(fields.started, 0);
    InterlockedCompareExchange(fields.id, 0, static_cast<LONG>(holder.id));
}

bool ReplaceDeadProgram(HalvorinChannel &channel, const Holder &dead, const Holder &holder)
{
    if (!TakeFromDeadHolder(ProgramFields(channel), dead, holder))
        return false;
    StoreShared(channel.streaming, 0);
    LightReset(channel);
    return true;
}

bool AttachedProgramName(int channel, char (&name)[kProgramNameSize])
{
    const HalvorinChannel *held = SharedChannel(channel);
    if (!held || !held->programAttached)
        return false;
    // Written by another process: terminated here whatever it holds.
    std::memcpy(name, held->programName, sizeof name);
    name[sizeof name - 1] = '\0';
    return true;
}

} // namespace Halvorin
