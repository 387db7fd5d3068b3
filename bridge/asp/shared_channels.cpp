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

// The transient value of the init flag while one process sets it up.
constexpr LONG kInitialising = 2;

} // namespace

HalvorinShared &SharedSection()
{
    return sharedSection;
}

HalvorinChannel *SharedChannel(int channel)
{
    return channel >= 0 && channel < kChannels ? &sharedSection.channels[channel] : nullptr;
}

void InitSharedSection()
{
    auto *flag = reinterpret_cast<volatile LONG *>(&sharedSection.initialised);
    // Two processes may load at once: one sets the section up, the other
    // waits until it is done.
    const LONG seen = InterlockedCompareExchange(flag, kInitialising, 0);
    if (seen == 0) {
        for (HalvorinChannel &channel : sharedSection.channels) {
            FullReset(channel);
            channel.client = 0;
            channel.programAttached = 0;
            channel.streaming = 0;
        }
        InterlockedExchange(flag, 1);
        return;
    }
    while (*flag == kInitialising)
        Sleep(0);
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

bool HolderAlive(uint32_t processId)
{
    if (processId == 0)
        return false;
    if (processId == GetCurrentProcessId())
        return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        // A process that runs but may not be waited on is still there.
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

bool ReplaceDeadProgram(HalvorinChannel &channel, int32_t processId, int32_t holder)
{
    auto *attached = reinterpret_cast<volatile LONG *>(&channel.programAttached);
    if (processId == 0 || InterlockedCompareExchange(attached, holder, processId) != processId)
        return false;
    channel.streaming = 0;
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
