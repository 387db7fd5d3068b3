#include "bridge/asp/channel_client.h"

#include "bridge/asp/program_control.h"
#include "bridge/asp/shared_channels.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>

namespace Halvorin {

namespace {

// A plug-in's hold on a channel, in the plug-in's process.
struct HalvorinChannelClient {
    HalvorinChannel *channel = nullptr;
    HANDLE events[kEventCount] = {};
    // Segments since the tempo was last sent unasked (0..10).
    int blockCounter = 0;
    // A program that did not answer in time: the answer it still owes (an
    // event, or -1 while it answers), its process id as the channel gave
    // it, and its process when that could be opened. Until it answers,
    // lets go or is found dead, the host is not kept waiting for it.
    int owedAnswer = -1;
    int32_t silentProgram = 0;
    HANDLE silentProcess = nullptr;
};

// This process's claims, by channel.
HalvorinChannelClient *clients[kChannels] = {};

// The tempo goes out again at least every this many segments.
constexpr int kTempoRepeat = 10;

// How long the host waits for the program's answers to one segment: two
// periods of the segment and a margin for the program's scheduling, never
// longer than the most.
constexpr DWORD kWaitMarginMs = 50;
constexpr DWORD kLongestWaitMs = 250;

volatile LONG *clientWord(HalvorinChannel &channel)
{
    return reinterpret_cast<volatile LONG *>(&channel.client);
}

void closeEvents(HalvorinChannelClient &client)
{
    for (HANDLE &event : client.events) {
        if (event)
            CloseHandle(event);
        event = nullptr;
    }
}

void forgetSilentProgram(HalvorinChannelClient &client)
{
    if (client.silentProcess)
        CloseHandle(client.silentProcess);
    client.silentProcess = nullptr;
    client.silentProgram = 0;
    client.owedAnswer = -1;
}

// The program that went silent is dead: the channel is freed for a
// program started again, and nothing it was asked stays pending.
bool silentProgramDied(HalvorinChannelClient &client)
{
    if (client.silentProcess && WaitForSingleObject(client.silentProcess, 0) == WAIT_TIMEOUT)
        return false;
    if (!client.silentProcess && HolderAlive(static_cast<uint32_t>(client.silentProgram)))
        return false;
    if (ReplaceDeadProgram(*client.channel, client.silentProgram, 0))
        for (HANDLE event : client.events)
            ResetEvent(event);
    forgetSilentProgram(client);
    return true;
}

// The program asked did not answer within the wait: the host goes on
// without it, and a dead program frees the channel at once. When another
// program took the channel meanwhile, that one was never asked: what was
// asked is dropped and the new program is not held to it.
void programFellSilent(HalvorinChannelClient &client, ChannelEvent ask, ChannelEvent answer, int32_t asked)
{
    if (client.channel->programAttached != asked) {
        ResetEvent(client.events[ask]);
        ResetEvent(client.events[answer]);
        return;
    }
    client.owedAnswer = answer;
    client.silentProgram = asked;
    client.silentProcess = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(asked));
    silentProgramDied(client);
}

// Whether the program answers again: it gave the answer it owed (late
// audio is dropped), it let go, or another program took the channel.
bool programAnswers(HalvorinChannelClient &client)
{
    if (client.owedAnswer < 0)
        return true;
    HalvorinChannel &channel = *client.channel;
    if (channel.programAttached != client.silentProgram) {
        forgetSilentProgram(client);
        return true;
    }
    HANDLE owed = client.events[client.owedAnswer];
    if (WaitForSingleObject(owed, 0) == WAIT_OBJECT_0) {
        ResetEvent(owed);
        channel.readPosition = channel.framesInBuffer;
        forgetSilentProgram(client);
        return true;
    }
    silentProgramDied(client);
    return false;
}

// Whether the channel is now this process's: it was free, or held by a
// host that died holding it (fromDeadHost).
bool takeClaim(HalvorinChannel &channel, LONG token, bool &fromDeadHost)
{
    // Two hosts claiming at once: the exchange lets one of them win.
    const LONG holder = InterlockedCompareExchange(clientWord(channel), token, 0);
    fromDeadHost = holder != 0;
    return holder == 0 || (!HolderAlive(static_cast<uint32_t>(holder)) &&
                           InterlockedCompareExchange(clientWord(channel), token, holder) == holder);
}

// A host that died may have left a request or a notification with the
// program: the program's answer to it comes within the longest wait, and
// must not pass for the answer to this host's first one.
void dropDeadHostsHandshake(HalvorinChannelClient &client)
{
    ResetEvent(client.events[kEventRequest]);
    ResetEvent(client.events[kEventNotify]);
    if (client.channel->programAttached)
        Sleep(kLongestWaitMs);
}

int claim()
{
    const LONG token = static_cast<LONG>(GetCurrentProcessId());
    for (int n = 0; n < kChannels; ++n) {
        HalvorinChannel &channel = *SharedChannel(n);
        bool fromDeadHost = false;
        if (!takeClaim(channel, token, fromDeadHost))
            continue;
        FullReset(channel);
        auto *client = new (std::nothrow) HalvorinChannelClient;
        bool ok = client != nullptr;
        if (ok) {
            client->channel = &channel;
            for (int e = 0; e < kEventCount && ok; ++e)
                ok = (client->events[e] = OpenChannelEvent(static_cast<ChannelEvent>(e), n)) != nullptr;
        }
        if (!ok) {
            if (client)
                closeEvents(*client);
            delete client;
            InterlockedExchange(clientWord(channel), 0);
            return -1;
        }
        if (fromDeadHost)
            dropDeadHostsHandshake(*client);
        ResetEvent(client->events[kEventReady]);
        ResetEvent(client->events[kEventNotifyReady]);
        clients[n] = client;
        return n;
    }
    return -1;
}

int release(int n)
{
    HalvorinChannel *channel = SharedChannel(n);
    HalvorinChannelClient *client = channel ? clients[n] : nullptr;
    // Only the process that holds the claim lets it go.
    if (!client)
        return 0;
    DisconnectProgram(n);
    forgetSilentProgram(*client);
    closeEvents(*client);
    delete client;
    clients[n] = nullptr;
    FullReset(*channel);
    InterlockedExchange(clientWord(*channel), 0);
    return 0;
}

// The milliseconds the program has for the segment.
DWORD waitBound(const BridgeRenderBlock &block)
{
    const int64_t rate = block.sampleRate > 0 ? block.sampleRate : 44100;
    const int64_t frames = block.frames > 0 ? block.frames : 0;
    const int64_t periods = (2000 * frames + rate - 1) / rate;
    return static_cast<DWORD>(std::min<int64_t>(kWaitMarginMs + periods, kLongestWaitMs));
}

// Sets the event and waits until the other side answers with its partner;
// false when it did not answer by the deadline (a tick count), which all
// waits of one segment share.
bool handshake(HalvorinChannelClient &client, ChannelEvent ask, ChannelEvent answer, DWORD deadline)
{
    const int32_t asked = client.channel->programAttached;
    const auto left = static_cast<LONG>(deadline - GetTickCount());
    SetEvent(client.events[ask]);
    if (WaitForSingleObject(client.events[answer], left > 0 ? static_cast<DWORD>(left) : 0) !=
        WAIT_OBJECT_0) {
        programFellSilent(client, ask, answer, asked);
        return false;
    }
    ResetEvent(client.events[answer]);
    return true;
}

// Hands the program what changed since the last segment, and waits until
// its notify callback has run; false when it did not in time.
bool publish(HalvorinChannelClient &client, BridgeRenderBlock &block, DWORD deadline)
{
    HalvorinChannel &channel = *client.channel;
    bool changed = false;
    if (block.tempo != channel.tempo || client.blockCounter == 0) {
        channel.pendingTempo = channel.tempo = block.tempo;
        changed = true;
    }
    if (block.noteCode != channel.note || block.velocity != 0) {
        channel.pendingNote = block.noteCode;
        // A stop is told once; from then on no note is held.
        if (block.noteCode == kNoteTransportStopped)
            block.noteCode = kNoteNone;
        channel.note = block.noteCode;
        channel.pendingPosition = block.position;
        if (channel.pendingNote >= 0 && channel.pendingNote <= 127)
            channel.pendingNote |= (block.velocity & 0x7F) << 16;
        changed = true;
    }
    if (block.bend != channel.bend) {
        channel.pendingBend = channel.bend = block.bend;
        changed = true;
    }
    if (block.mod != channel.mod) {
        channel.pendingMod = channel.mod = block.mod;
        changed = true;
    }
    if (++client.blockCounter > kTempoRepeat)
        client.blockCounter = 0;
    return !changed || handshake(client, kEventNotify, kEventNotifyReady, deadline);
}

// Copies n frames of the program's audio from the channel's
// buffer into the host's buffers by mode; the buffers move on.
void take(const float *audio, int n, int32_t mode, float *&a, float *&b)
{
    switch (mode) {
    case kModeAdd:
    case kModeReplace:
        for (int i = 0; i < n; ++i) {
            if (a)
                a[i] = mode == kModeAdd ? a[i] + audio[2 * i] : audio[2 * i];
            if (b)
                b[i] = mode == kModeAdd ? b[i] + audio[2 * i + 1] : audio[2 * i + 1];
        }
        if (a)
            a += n;
        if (b)
            b += n;
        break;
    default:
        if (a) {
            for (int i = 0; i < 2 * n; ++i)
                a[i] = audio[i] + (b ? b[i] : 0.0f);
            a += 2 * n;
        }
        if (b)
            b += 2 * n;
        break;
    }
}

// No program streams: silence, the input passed through, or the buffers
// left alone, by mode.
void withoutProgram(int32_t mode, float *a, float *b, int frames)
{
    const size_t count = static_cast<size_t>(frames);
    if (mode == kModeReplace) {
        for (float *buffer : {a, b})
            if (buffer)
                std::memset(buffer, 0, count * sizeof(float));
    } else if (mode == kModeInterleaved && a) {
        if (b)
            std::memmove(a, b, 2 * count * sizeof(float));
        else
            std::memset(a, 0, 2 * count * sizeof(float));
    }
}

// Takes the program's audio until the segment is full, asking for more
// (at most one engine buffer a request) while the program streams. What a
// program that falls silent leaves of it is rendered as without program.
void pull(HalvorinChannelClient &client, const BridgeRenderBlock &block, DWORD deadline)
{
    HalvorinChannel &channel = *client.channel;
    float *a = block.bufferA;
    float *b = block.bufferB;
    int remaining = block.frames;
    for (;;) {
        // The other process wrote these: only frames inside the buffer count.
        const int read = channel.readPosition;
        const int filled = std::min(channel.framesInBuffer, kAudioFrames);
        if (read >= 0 && read < filled) {
            const int n = std::min(filled - read, remaining);
            take(channel.audio + 2 * read, n, block.mode, a, b);
            channel.readPosition = read + n;
            remaining -= n;
            if (remaining <= 0)
                return;
        }
        const int most = channel.maxFramesPerRequest;
        if (!channel.streaming || most <= 0)
            return;
        channel.framesWanted = std::min(remaining, most);
        if (!handshake(client, kEventRequest, kEventReady, deadline)) {
            withoutProgram(block.mode, a, b, remaining);
            return;
        }
    }
}

int render(int n, BridgeRenderBlock *block)
{
    HalvorinChannel *channel = SharedChannel(n);
    if (!channel || !block)
        return 0;
    channel->sampleRate = block->sampleRate;
    channel->blockSize = block->frames;
    if (block->mode != kModeAdd && block->mode != kModeReplace && block->mode != kModeInterleaved)
        return 0;
    HalvorinChannelClient *client = clients[n];
    const DWORD deadline = GetTickCount() + waitBound(*block);
    if (channel->streaming && client && programAnswers(*client) && channel->streaming &&
        publish(*client, *block, deadline)) {
        if (block->frames > 0)
            pull(*client, *block, deadline);
    } else if (block->frames > 0) {
        withoutProgram(block->mode, block->bufferA, block->bufferB, block->frames);
    }
    return block->frames;
}

int setValue(int n, const void *data, int32_t HalvorinChannel::*field)
{
    HalvorinChannel *channel = SharedChannel(n);
    if (!channel || !data)
        return 0;
    channel->*field = *static_cast<const int *>(data);
    return 1;
}

int programName(int n, void *data)
{
    char name[kProgramNameSize];
    if (!data || !AttachedProgramName(n, name))
        return 0;
    std::memcpy(data, name, sizeof name);
    return 1;
}

int program(int n, const char *name)
{
    if (name && name[0] != '\0')
        return LaunchProgram(n, name);
    return DisconnectProgram(n);
}

} // namespace

int HalvorinRequest(int channel, int op, void *data)
{
    switch (op) {
    case kOpRender:
        return render(channel, static_cast<BridgeRenderBlock *>(data));
    case kOpSampleRate:
        return setValue(channel, data, &HalvorinChannel::sampleRate);
    case kOpBlockSize:
        return setValue(channel, data, &HalvorinChannel::blockSize);
    case kOpClaim:
        return claim();
    case kOpRelease:
        return release(channel);
    case kOpProgramName:
        return programName(channel, data);
    case kOpProgram:
        return program(channel, static_cast<const char *>(data));
    default:
        return 0;
    }
}

} // namespace Halvorin
