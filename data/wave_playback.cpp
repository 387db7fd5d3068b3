// Playback of CWave: a reader thread reads the wave ahead of the player into
// three buffers: the range holding the play position, the range after it,
// and (while looping) the loop start. A buffer belongs to the reader from
// the player's request until the reader has filled it, and to the player
// from then on, so the two never touch a buffer at once.
//
// The player runs on the render thread and never waits: what the reader has
// not read in time is silence, counted, and the play position moves on all
// the same, so the sound comes back in place once the reader catches up.
// Nothing the player calls per block allocates or touches the files; a
// request costs one event set.
#include "data/wave.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

// Loop fades and the largest block a player may ask for.
constexpr long kFadeFrames = 64;
constexpr long kMaxBlockFrames = 1 << 16;
// The speed the buffers are reserved for at least, so that a change of the
// tempo factor while playing needs no allocation.
constexpr float kReservedSpeed = 2.0f;
// Where a buffer points that holds nothing yet.
constexpr int64_t kNowhere = INT64_MIN / 4;

} // namespace

DWORD WINAPI CWave::ReaderMain(void *arg)
{
    CWave &wave = *static_cast<CWave *>(arg);
    for (;;) {
        WaitForSingleObject(wave.requestEvent, INFINITE);
        if (wave.stopReader)
            return 0;
        for (PLAYHDR &buffer : wave.buffers)
            if (!buffer.IsReady())
                wave.Fill(buffer);
    }
}

// Reads the buffer's frames up to the end of the wave and repeats the last
// one into two guard frames. A failed read leaves the buffer silent. A
// request that came while reading makes the buffer wait for the next pass.
void CWave::Fill(PLAYHDR &buffer)
{
    const long ticket = buffer.requested.load(std::memory_order_acquire);
    const int64_t start = buffer.start.load();
    const long capacity = buffer.capacity.load();
    long frames = 0;
    {
        CLock lock(sync);
        frames = static_cast<long>(std::clamp<int64_t>(length - start, 0, capacity));
        if (frames && !Read(buffer.buffer, start, static_cast<unsigned long>(frames)))
            frames = 0;
    }
    float *end = buffer.buffer + size_t(frames) * channels;
    for (int i = 0; i < 2 * channels; ++i)
        end[i] = frames ? end[i % channels - channels] : 0.0f;
    buffer.framesRead = frames;
    if (buffer.requested.load() == ticket)
        buffer.filled.store(ticket, std::memory_order_release);
    else
        SetEvent(requestEvent); // asked again meanwhile: another pass
    SetEvent(readyEvent);
}

// The buffers hold their capacity plus the guard frames for up to two
// channels; they only ever grow, so restarting playback at up to the
// reserved speed allocates nothing. Growing waits for the reader to let go
// of them (without wait it fails instead).
int CWave::ReserveBuffers(long capacity, long block, int wait)
{
    if (capacity > reservedCapacity) {
        if (!wait)
            return 0;
        for (PLAYHDR &buffer : buffers)
            if (!WaitForReady(&buffer, kPrimeWaitMs))
                return 0;
        const long reserve =
            std::max<long>(capacity, long(std::lround(block * kReservedSpeed)) * kBlocksPerHalf);
        const size_t bytes = size_t(reserve + kGuardFrames) * 2 * sizeof(float);
        for (PLAYHDR &buffer : buffers) {
            auto *grown = static_cast<float *>(std::realloc(buffer.buffer, bytes));
            if (!grown)
                return 0;
            buffer.buffer = grown;
        }
        reservedCapacity = reserve;
    }
    const long fadeFrames = capacity / kBlocksPerHalf;
    if (fadeFrames > fadeCapacity) {
        if (!wait)
            return 0;
        const long reserve = std::max<long>(fadeFrames, long(std::lround(block * kReservedSpeed)));
        auto *grown = static_cast<float *>(std::realloc(fadeBuffer, size_t(reserve) * 2 * sizeof(float)));
        if (!grown)
            return 0;
        fadeBuffer = grown;
        fadeCapacity = reserve;
    }
    return 1;
}

int CWave::InitPlayback(int64_t start, long block, float playSpeed, int wait)
{
    if (!playback || !IsStateOk())
        return 0;
    DeinitPlayback();
    const double frames = std::round(double(block) * double(playSpeed));
    if (!(frames >= 1.0 && frames <= kMaxBlockFrames))
        return 0;
    const long capacity = long(frames) * kBlocksPerHalf;
    if (!ReserveBuffers(capacity, block, wait))
        return 0;
    blockFrames = long(frames);
    speed = playSpeed;
    readCapacity = capacity;
    loopPending = 0;
    playPosition = start;
    // A start from the transport reads everything afresh (the samples may
    // have changed since); a restart at another speed while playing keeps
    // what the buffers hold, so the sound goes on.
    if (wait)
        for (PLAYHDR &buffer : buffers)
            buffer.start = kNowhere;
    playing = 1;
    PlanReading();
    // Primed when the reader is quick; when it is not, the first blocks are
    // late and playback starts all the same.
    if (wait)
        WaitForReady(&buffers[0], kPrimeWaitMs);
    return 1;
}

// Nothing to wait for: a fill still under way finishes on its own, and the
// next start asks for what it needs anew.
void CWave::DeinitPlayback()
{
    playing = 0;
    loopPending = 0;
    looping = 0;
}

void CWave::Request(PLAYHDR &buffer, int64_t start)
{
    buffer.start = start;
    buffer.capacity = readCapacity;
    buffer.requested.fetch_add(1, std::memory_order_release);
    SetEvent(requestEvent);
}

CWave::PLAYHDR *CWave::ReadyHolding(int64_t position)
{
    for (PLAYHDR &buffer : buffers) {
        const int64_t start = buffer.start.load();
        if (start <= position && position < start + buffer.capacity.load() && buffer.IsReady())
            return &buffer;
    }
    return nullptr;
}

void CWave::PlanReading()
{
    if (!playing)
        return;
    bool claimed[kPlayBuffers] = {};
    // The range holding the play position starts where a buffer asked for
    // it starts (ready or not: a late one is not asked again).
    int64_t wanted[3];
    int count = 0;
    int64_t current = playPosition;
    long currentLength = readCapacity;
    for (const PLAYHDR &buffer : buffers) {
        const int64_t start = buffer.start.load();
        const long length = buffer.capacity.load();
        if (start <= playPosition && playPosition < start + length) {
            current = start;
            currentLength = length;
            break;
        }
    }
    wanted[count++] = current;
    wanted[count++] = current + currentLength;
    if (looping && (loopStart < current || loopStart >= current + currentLength + readCapacity))
        wanted[count++] = loopStart;
    bool found[3] = {};
    for (int w = 0; w < count; ++w)
        for (int i = 0; i < kPlayBuffers && !found[w]; ++i)
            if (!claimed[i] && buffers[i].start.load() == wanted[w])
                found[w] = claimed[i] = true;
    for (int w = 0; w < count; ++w) {
        for (int i = 0; i < kPlayBuffers && !found[w]; ++i) {
            if (!claimed[i]) {
                Request(buffers[i], wanted[w]);
                found[w] = claimed[i] = true;
            }
        }
    }
}

float *CWave::GetPlaybackData(long &frames, int &switchNow)
{
    switchNow = 0;
    if (!playing) {
        frames = 0;
        return nullptr;
    }
    const long want = std::clamp(frames, 0L, blockFrames);
    const int64_t from = playPosition;
    float *data = nullptr;
    long got = 0;
    bool late = false;
    PLAYHDR *whole = ReadyHolding(from);
    if (whole && from + want <= whole->start + whole->capacity) {
        const long offset = static_cast<long>(from - whole->start);
        got = std::clamp(whole->framesRead - offset, 0L, want);
        data = whole->buffer + size_t(offset) * channels;
        switchNow = from + want == whole->start + whole->capacity;
    } else {
        // Pieced together from the buffers that hold parts of it; what none
        // holds yet is silence.
        data = fadeBuffer;
        for (long done = 0; done < want;) {
            const int64_t at = from + done;
            long piece = want - done;
            if (PLAYHDR *part = ReadyHolding(at)) {
                const long offset = static_cast<long>(at - part->start);
                piece = std::min<long>(piece, part->capacity - offset);
                const long real = std::clamp(part->framesRead - offset, 0L, piece);
                std::memcpy(data + size_t(done) * channels, part->buffer + size_t(offset) * channels,
                            size_t(real) * bytesPerFrame);
                std::memset(data + size_t(done + real) * channels, 0, size_t(piece - real) * bytesPerFrame);
                if (real)
                    got = done + real;
                switchNow = 1;
            } else {
                // Silence up to where a ready buffer takes over.
                for (const PLAYHDR &buffer : buffers) {
                    const int64_t start = buffer.start.load();
                    if (start > at && start < at + piece && buffer.IsReady())
                        piece = static_cast<long>(start - at);
                }
                std::memset(data + size_t(done) * channels, 0, size_t(piece) * bytesPerFrame);
                late = true;
            }
            done += piece;
        }
    }
    if (late) {
        ++lateBlocks;
        switchNow = 1;
    }
    if (got && (loopPending || want < blockFrames)) {
        // Faded in a copy: the buffer may be played again after the loop.
        if (data != fadeBuffer) {
            std::memcpy(fadeBuffer, data, size_t(got) * bytesPerFrame);
            data = fadeBuffer;
        }
        const long fade = std::min(got, kFadeFrames);
        if (loopPending)
            FadeLoop(data, fade, 1);
        else
            FadeLoop(data + size_t(got - fade) * channels, fade, 0);
    }
    loopPending = 0;
    playPosition = from + want;
    frames = got;
    return got ? data : nullptr;
}

void CWave::ChangePlaybackBuffer()
{
    PlanReading();
}

void CWave::LoopPlayback(int64_t start)
{
    if (!playing)
        return;
    playPosition = start;
    loopPending = 1;
    PlanReading();
}

void CWave::KeepLoopReady(int64_t start, int loops)
{
    if (looping == (loops != 0) && (!loops || loopStart == start))
        return;
    looping = loops != 0;
    loopStart = start;
    PlanReading();
}

void CWave::InitReading(PLAYHDR *buffer)
{
    Request(*buffer, buffer->start.load());
}

// The flags decide; the event only saves polling, so a wake-up meant for
// another waiter is never lost for long.
int CWave::WaitForReady(PLAYHDR *buffer, DWORD limit)
{
    const ULONGLONG until = limit == INFINITE ? ~0ull : GetTickCount64() + limit;
    while (!buffer->IsReady()) {
        ResetEvent(readyEvent);
        if (buffer->IsReady())
            break;
        if (GetTickCount64() >= until)
            return 0;
        HANDLE handles[2] = {readyEvent, readerThread};
        const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, 50);
        if (woke != WAIT_OBJECT_0 && woke != WAIT_TIMEOUT)
            return buffer->IsReady(); // the reader is gone
    }
    return 1;
}

void CWave::FadeLoop(float *buffer, long frames, int fadeIn)
{
    if (!buffer || frames < 4)
        return;
    const long samples = frames * channels;
    for (long i = 0; i < samples; ++i)
        buffer[i] *= (fadeIn ? float(i) : float(samples - 1 - i)) / float(samples);
}

} // namespace Quorvane
