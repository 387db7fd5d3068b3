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
};

// This process's claims, by channel.
HalvorinChannelClient *clients[kChannels] = {};

// The tempo goes out again at least every this many segments.
constexpr int kTempoRepeat = 10;

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

int claim()
{
    const LONG token = static_cast<LONG>(GetCurrentProcessId());
    for (int n = 0; n < kChannels; ++n) {
        HalvorinChannel &channel = *SharedChannel(n);
        // Two hosts claiming at once: the exchange lets one of them win.
        if (InterlockedCompareExchange(clientWord(channel), token, 0) != 0)
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
    closeEvents(*client);
    delete client;
    clients[n] = nullptr;
    FullReset(*channel);
    InterlockedExchange(clientWord(*channel), 0);
    return 0;
}

// Sets the event and waits until the other side answers with its partner.
void handshake(HalvorinChannelClient &client, ChannelEvent ask, ChannelEvent answer)
{
    SetEvent(client.events[ask]);
    WaitForSingleObject(client.events[answer], INFINITE);
    ResetEvent(client.events[answer]);
}

// Hands the program what changed since the last segment, and waits until
// its notify callback has run.
void publish(HalvorinChannelClient &client, BridgeRenderBlock &block)
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
    if (changed)
        handshake(client, kEventNotify, kEventNotifyReady);
    if (++client.blockCounter > kTempoRepeat)
        client.blockCounter = 0;
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

// Takes the program's audio until the segment is full, asking for more
// (at most one engine buffer a request) while the program streams.
void pull(HalvorinChannelClient &client, const BridgeRenderBlock &block)
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
        handshake(client, kEventRequest, kEventReady);
    }
}

// No program streams: silence, the input passed through, or the buffers
// left alone, by mode.
void withoutProgram(const BridgeRenderBlock &block)
{
    const size_t frames = static_cast<size_t>(block.frames);
    if (block.mode == kModeReplace) {
        for (float *buffer : {block.bufferA, block.bufferB})
            if (buffer)
                std::memset(buffer, 0, frames * sizeof(float));
    } else if (block.mode == kModeInterleaved && block.bufferA) {
        if (block.bufferB)
            std::memmove(block.bufferA, block.bufferB, 2 * frames * sizeof(float));
        else
            std::memset(block.bufferA, 0, 2 * frames * sizeof(float));
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
    if (channel->streaming && client) {
        publish(*client, *block);
        if (block->frames > 0)
            pull(*client, *block);
    } else if (block->frames > 0) {
        withoutProgram(*block);
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
