// Playback of CWave: a reader thread fills two halves of a double buffer
// ahead of the player. A half belongs to the reader while it is not ready
// and to the player while it is; the player hands it over (InitReading) and
// takes it back (WaitForReady), so the two never touch a half at once.
// Nothing the player calls per block allocates or touches the files.
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

} // namespace

DWORD WINAPI CWave::ReaderMain(void *arg)
{
    CWave &wave = *static_cast<CWave *>(arg);
    for (;;) {
        WaitForSingleObject(wave.requestEvent, INFINITE);
        if (wave.stopReader)
            return 0;
        for (PLAYHDR &half : wave.halves)
            if (!half.ready)
                wave.Fill(half);
    }
}

// Reads the half's frames up to the end of the wave and repeats the last
// one into two guard frames. A failed read leaves the half silent; either
// way the half goes back to the player.
void CWave::Fill(PLAYHDR &half)
{
    long frames = 0;
    {
        CLock lock(sync);
        frames = static_cast<long>(std::clamp<int64_t>(length - half.start, 0, half.capacity));
        if (frames && !Read(half.buffer, half.start, static_cast<unsigned long>(frames)))
            frames = 0;
    }
    float *end = half.buffer + size_t(frames) * channels;
    for (int i = 0; i < 2 * channels; ++i)
        end[i] = frames ? end[i % channels - channels] : 0.0f;
    half.framesRead = frames;
    half.ready = 1;
    SetEvent(readyEvent);
}

// The halves hold their capacity plus the guard frames for up to two
// channels; buffers only ever grow, so restarting playback at the same or
// a lower speed allocates nothing.
int CWave::ReserveHalves(long capacity, long fadeFrames)
{
    if (capacity > reservedCapacity) {
        const size_t bytes = size_t(capacity + kGuardFrames) * 2 * sizeof(float);
        for (PLAYHDR &half : halves) {
            auto *grown = static_cast<float *>(std::realloc(half.buffer, bytes));
            if (!grown)
                return 0;
            half.buffer = grown;
        }
        reservedCapacity = capacity;
    }
    if (fadeFrames > fadeCapacity) {
        auto *grown = static_cast<float *>(std::realloc(fadeBuffer, size_t(fadeFrames) * 2 * sizeof(float)));
        if (!grown)
            return 0;
        fadeBuffer = grown;
        fadeCapacity = fadeFrames;
    }
    return 1;
}

int CWave::InitPlayback(int64_t start, long block, float playSpeed)
{
    if (!playback || !IsStateOk())
        return 0;
    DeinitPlayback();
    const double frames = std::round(double(block) * double(playSpeed));
    if (!(frames >= 1.0 && frames <= kMaxBlockFrames))
        return 0;
    const long capacity = long(frames) * kBlocksPerHalf;
    if (!ReserveHalves(capacity, long(frames)))
        return 0;
    blockFrames = long(frames);
    speed = playSpeed;
    loopPending = 0;
    playIndex = 0;
    for (PLAYHDR &half : halves) {
        half.start = start + half.index * capacity;
        half.blocks = 0;
        half.capacity = capacity;
        InitReading(&half);
    }
    playing = 1;
    return WaitForReady(&halves[0]);
}

void CWave::DeinitPlayback()
{
    playing = 0;
    loopPending = 0;
    for (PLAYHDR &half : halves)
        WaitForReady(&half);
}

float *CWave::GetPlaybackData(long &frames, int &switchNow)
{
    switchNow = 0;
    PLAYHDR &half = halves[playIndex];
    if (!playing || !WaitForReady(&half) || half.blocks >= kBlocksPerHalf) {
        switchNow = playing && half.blocks >= kBlocksPerHalf;
        frames = 0;
        return nullptr;
    }
    const long want = std::clamp(frames, 0L, blockFrames);
    // After a loop mark the block ends on the block boundary.
    const long offset = loopPending ? (half.blocks + 1) * blockFrames - want : half.blocks * blockFrames;
    const long got = std::clamp(half.framesRead - offset, 0L, want);
    float *data = half.buffer + size_t(offset) * channels;
    if (got && (loopPending || want < blockFrames)) {
        // Faded in a copy: the half may be played again after the loop.
        std::memcpy(fadeBuffer, data, size_t(got) * bytesPerFrame);
        data = fadeBuffer;
        const long fade = std::min(got, kFadeFrames);
        if (loopPending)
            FadeLoop(data, fade, 1);
        else
            FadeLoop(data + size_t(got - fade) * channels, fade, 0);
    }
    loopPending = 0;
    ++half.blocks;
    switchNow = half.blocks >= kBlocksPerHalf;
    frames = got;
    return data;
}

void CWave::ChangePlaybackBuffer()
{
    if (!playing)
        return;
    PLAYHDR &done = halves[playIndex];
    WaitForReady(&done);
    playIndex ^= 1;
    done.start += 2 * done.capacity;
    done.blocks = 0;
    InitReading(&done);
}

void CWave::LoopPlayback(int64_t loopStart, long offset)
{
    if (!playing)
        return;
    const int64_t start =
        offset ? loopStart - (blockFrames - std::clamp(offset, 0L, blockFrames)) : loopStart;
    PLAYHDR &current = halves[playIndex];
    if (current.start == start) {
        current.blocks = 0;
    } else {
        for (PLAYHDR &half : halves)
            WaitForReady(&half);
        playIndex = 0;
        for (PLAYHDR &half : halves) {
            half.start = start + half.index * half.capacity;
            half.blocks = 0;
            InitReading(&half);
        }
        WaitForReady(&halves[0]);
    }
    loopPending = 1;
}

void CWave::InitReading(PLAYHDR *half)
{
    half->ready = 0;
    SetEvent(requestEvent);
}

// The flag decides; the event only saves polling, so a wake-up meant for
// another waiter is never lost for long.
int CWave::WaitForReady(PLAYHDR *half)
{
    while (!half->ready) {
        ResetEvent(readyEvent);
        if (half->ready)
            break;
        HANDLE handles[2] = {readyEvent, readerThread};
        const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, 50);
        if (woke != WAIT_OBJECT_0 && woke != WAIT_TIMEOUT)
            return half->ready; // the reader is gone
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
