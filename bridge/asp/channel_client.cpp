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
    HalvorinChannelExtra *extra = nullptr;
    HANDLE events[kEventCount] = {};
    // Segments since the tempo was last sent unasked (0..10).
    int blockCounter = 0;
    // Whether this claim launched the program on its channel: only then
    // does letting the channel go ask the program to let go too (a host
    // that scans its plug-ins makes and closes instances, and must not
    // take the program of another instance away).
    bool launched = false;
    // A program that did not answer in time: the numbers of the request
    // and the notification it still owes, who it is, and its process when
    // that could be opened. Until it answers, lets go or is found dead,
    // the host asks it nothing and is not kept waiting for it.
    bool owing = false;
    uint32_t owedRequest = 0;
    uint32_t owedNotify = 0;
    Holder silentProgram;
    HANDLE silentProcess = nullptr;
};

// This process's claims, by channel.
HalvorinChannelClient *clients[kChannels] = {};

// The tempo goes out again at least every this many segments.
constexpr int kTempoRepeat = 10;

WaitBound waitBound_ = kWaitBound;

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
    client.silentProgram = {};
    client.owing = false;
}

// The program that went silent is dead: the channel is freed for a
// program started again.
bool silentProgramDied(HalvorinChannelClient &client)
{
    if (client.silentProcess && WaitForSingleObject(client.silentProcess, 0) == WAIT_TIMEOUT)
        return false;
    if (!client.silentProcess && HolderAlive(client.silentProgram))
        return false;
    ReplaceDeadProgram(*client.channel, client.silentProgram, Holder{});
    forgetSilentProgram(client);
    return true;
}

// The program asked did not answer within the wait (or owes an earlier
// host its answer): the host goes on without it until it has answered all
// it was asked, and a dead program frees the channel at once.
void programFellSilent(HalvorinChannelClient &client, const Holder &asked)
{
    client.owing = true;
    client.owedRequest = client.extra->request;
    client.owedNotify = client.extra->notify;
    client.silentProgram = asked;
    client.silentProcess = OpenHolder(asked);
    silentProgramDied(client);
}

// Whether the program answers again: it answered all it owed (its late
// audio is dropped), it let go, or another program took the channel.
bool programAnswers(HalvorinChannelClient &client)
{
    if (!client.owing)
        return true;
    HalvorinChannel &channel = *client.channel;
    if (ProgramOf(channel) != client.silentProgram) {
        forgetSilentProgram(client);
        return true;
    }
    if (LoadShared(client.extra->answer) == client.owedRequest &&
        LoadShared(client.extra->notified) == client.owedNotify) {
        channel.readPosition = channel.framesInBuffer;
        forgetSilentProgram(client);
        return true;
    }
    silentProgramDied(client);
    return false;
}

// Whether the channel is now this process's: it was free, or held by a
// host that died holding it.
bool takeClaim(HalvorinChannel &channel)
{
    const HolderFields fields = ClientFields(channel);
    // Two hosts claiming at once: the exchanges let one of them win.
    if (TakeFreeHolder(fields, ThisProcess()))
        return true;
    const Holder holder = ClientOf(channel);
    return !HolderAlive(holder) && TakeFromDeadHolder(fields, holder, ThisProcess());
}

// An earlier host (one that died, or let go while the program was late)
// may have left a request or a notification with the program: until the
// program has answered it, this host asks it nothing, and what it answers
// then is dropped. The events go out again for a host that died between
// numbering its hand-off and setting the event.
void takeOverEarlierHandOffs(HalvorinChannelClient &client)
{
    const HalvorinChannelExtra &extra = *client.extra;
    const Holder program = ProgramOf(*client.channel);
    if (program.id == 0 ||
        (LoadShared(extra.answer) == extra.request && LoadShared(extra.notified) == extra.notify))
        return;
    programFellSilent(client, program);
    SetEvent(client.events[kEventRequest]);
    SetEvent(client.events[kEventNotify]);
}

int claim()
{
    for (int n = 0; n < kChannels; ++n) {
        HalvorinChannel &channel = *SharedChannel(n);
        if (!takeClaim(channel))
            continue;
        FullReset(channel);
        auto *client = new (std::nothrow) HalvorinChannelClient;
        bool ok = client != nullptr;
        if (ok) {
            client->channel = &channel;
            client->extra = &SharedExtra(n);
            for (int e = 0; e < kEventCount && ok; ++e)
                ok = (client->events[e] = OpenChannelEvent(static_cast<ChannelEvent>(e), n)) != nullptr;
        }
        if (!ok) {
            if (client)
                closeEvents(*client);
            delete client;
            GiveUpHolder(ClientFields(channel), ThisProcess());
            return -1;
        }
        ResetEvent(client->events[kEventReady]);
        ResetEvent(client->events[kEventNotifyReady]);
        takeOverEarlierHandOffs(*client);
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
    if (client->launched)
        DisconnectProgram(n);
    forgetSilentProgram(*client);
    closeEvents(*client);
    delete client;
    clients[n] = nullptr;
    FullReset(*channel);
    GiveUpHolder(ClientFields(*channel), ThisProcess());
    return 0;
}

// The milliseconds the program has for the segment.
DWORD waitBound(const BridgeRenderBlock &block)
{
    const int64_t rate = block.sampleRate > 0 ? block.sampleRate : 44100;
    const int64_t frames = block.frames > 0 ? block.frames : 0;
    const int64_t periods = (2000 * frames + rate - 1) / rate;
    return static_cast<DWORD>(std::min<int64_t>(waitBound_.marginMs + periods, waitBound_.longestMs));
}

enum class Answer { kGiven, kLeft, kLate };

// Waits until the program's answer carries the number: the program asked
// may instead let go (or another take its place), or miss the deadline (a
// tick count, which all waits of one segment share). An answer that wakes
// the host with another number (late, or left by an earlier party) is
// waited past.
Answer awaitAnswer(HalvorinChannelClient &client, ChannelEvent answer, const uint32_t &answered,
                   uint32_t number, const Holder &asked, DWORD deadline)
{
    const HalvorinChannel &channel = *client.channel;
    for (;;) {
        if (LoadShared(answered) == number)
            return Answer::kGiven;
        if (!LoadShared(channel.streaming) || ProgramOf(channel) != asked)
            return Answer::kLeft;
        const auto left = static_cast<LONG>(deadline - GetTickCount());
        if (WaitForSingleObject(client.events[answer], left > 0 ? static_cast<DWORD>(left) : 0) !=
            WAIT_OBJECT_0)
            return LoadShared(answered) == number ? Answer::kGiven : Answer::kLate;
        // Before the number is read again: an answer given after it sets
        // the event again.
        ResetEvent(client.events[answer]);
    }
}

// Sets the event that hands the numbered request or notification over and
// waits for its answer; a program that is late owes it from then on.
Answer handOver(HalvorinChannelClient &client, ChannelEvent ask, ChannelEvent answer, const uint32_t &number,
                const uint32_t &answered, DWORD deadline)
{
    const Holder asked = ProgramOf(*client.channel);
    SetEvent(client.events[ask]);
    const Answer given = awaitAnswer(client, answer, answered, number, asked, deadline);
    if (given == Answer::kLate)
        programFellSilent(client, asked);
    return given;
}

// Writes what changed since the last segment into the pending values and
// numbers them as the next notification; false when nothing changed. While
// the program has not taken the last one (it let go in the middle of it),
// nothing is written, and what changed waits for a later segment.
bool publish(HalvorinChannelClient &client, BridgeRenderBlock &block)
{
    HalvorinChannel &channel = *client.channel;
    HalvorinChannelExtra &extra = *client.extra;
    if (LoadShared(extra.notified) != extra.notify)
        return false;
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
    if (changed)
        StoreShared(extra.notify, extra.notify + 1);
    return changed;
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
// (at most one engine buffer a request) while the program streams; the
// first request also hands over a notification numbered before it. What a
// program that lets go or falls silent leaves of the segment is rendered
// as without program. asked: whether a request went out.
void pull(HalvorinChannelClient &client, const BridgeRenderBlock &block, DWORD deadline, bool &asked)
{
    HalvorinChannel &channel = *client.channel;
    HalvorinChannelExtra &extra = *client.extra;
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
        if (!LoadShared(channel.streaming) || most <= 0) {
            withoutProgram(block.mode, a, b, remaining);
            return;
        }
        channel.framesWanted = std::min(remaining, most);
        StoreShared(extra.request, extra.request + 1);
        asked = true;
        if (handOver(client, kEventRequest, kEventReady, extra.request, extra.answer, deadline) !=
            Answer::kGiven) {
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
    if (client && LoadShared(channel->streaming) && programAnswers(*client) &&
        LoadShared(channel->streaming)) {
        const bool told = publish(*client, *block);
        bool asked = false;
        if (block->frames > 0)
            pull(*client, *block, deadline, asked);
        // Without a request to carry it, the notification goes alone, and
        // the host waits until the program's callback has run.
        if (told && !asked)
            handOver(*client, kEventNotify, kEventNotifyReady, client->extra->notify, client->extra->notified,
                     deadline);
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
    const bool launch = name && name[0] != '\0';
    const int result = launch ? LaunchProgram(n, name) : DisconnectProgram(n);
    if (result && SharedChannel(n) && clients[n])
        clients[n]->launched = launch;
    return result;
}

} // namespace

WaitBound SetWaitBound(WaitBound bound)
{
    const WaitBound before = waitBound_;
    waitBound_ = bound;
    return before;
}

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
