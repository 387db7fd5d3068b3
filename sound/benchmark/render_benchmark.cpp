// What the whole path costs: a song of twelve MIDI tracks, each with its
// fill drummer through "Tembri MFX", output to the preview synthesizer,
// rendered off line by the sound manager's render thread into the
// "DirectSound" provider's unpaced capture at 256 frames and 44.1 kHz.
// Prints the real-time factor (audio seconds per wall second and per CPU
// second), the time per buffer against the buffer's period, and the heap
// allocations and file calls the render thread made while it played.
// usage: render_benchmark [bars]   (run it with scripts/wine-run.sh)
#include "sound/tests/drummer_song.h"

#include "data/track_master.h"

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace Quorvane;
using namespace drummer_song;

namespace {

constexpr long kFrames = 256;
constexpr long kRate = 44100;
constexpr int kTracks = 12;

// The time each captured buffer came back, on the provider's thread.
struct Timing {
    std::vector<int64_t> stamps;
    size_t count = 0;
};

void onBuffer(void *user, const void *, int32_t, int32_t)
{
    auto *t = static_cast<Timing *>(user);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (t->count < t->stamps.size())
        t->stamps[t->count++] = now.QuadPart;
}

double cpuSeconds(HANDLE thread = nullptr);

// The counter goes on the render thread with the first buffer it mixes and
// counts from then on.
struct Counting {
    testing_support::RealTimeCounter *counter = nullptr;
    // The render thread's CPU seconds, read every so many buffers, and
    // the buffers counted until then.
    long buffers = 0;
    double cpu = 0.0;
    long cpuBuffers = 0;
};

void onMixed(ULONG_PTR user)
{
    auto *c = reinterpret_cast<Counting *>(user);
    if (++c->buffers % 256 == 0) {
        c->cpu = cpuSeconds(GetCurrentThread());
        c->cpuBuffers = c->buffers;
    }
    if (!c->counter)
        c->counter = new testing_support::RealTimeCounter;
}

double seconds(int64_t ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

double fileTimeSeconds(const FILETIME &t)
{
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
}

// CPU seconds of the process, or of a thread.
double cpuSeconds(HANDLE thread)
{
    FILETIME created, ended, kernel, user;
    if (thread)
        GetThreadTimes(thread, &created, &ended, &kernel, &user);
    else
        GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return fileTimeSeconds(kernel) + fileTimeSeconds(user);
}

} // namespace

int main(int argc, char **argv)
{
    const long bars = argc > 1 ? std::max(4L, std::atol(argv[1])) : 32;
    OleInitialize(nullptr);
    {
        PlaybackEnvironment environment;
        if (!environment.ok()) {
            std::fprintf(stderr, "the modules could not be had\n");
            return 1;
        }
        IOPARAMS params = engineParams(kRate, 16, kFrames);
        auto *manager = new CSoundMngr("render benchmark");
        manager->Init(&params);
        auto song = std::make_unique<CSong>(&params, manager);
        if (!song->SetDefault())
            return 1;
        for (int t = 0; t < kTracks; ++t) {
            if (!addDrummerTrack(song.get(), bars, nullptr)) {
                std::fprintf(stderr, "track %d: no drummer\n", t);
                return 1;
            }
        }
        song->Update();
        song->songEnd = bars * kBarTicks;

        const int64_t songFrames = song->GetTrackMaster()->GetSampleFromTime(song->songEnd);
        const int32_t buffers = static_cast<int32_t>(songFrames / kFrames + 100);
        Timing timing;
        timing.stamps.assign(static_cast<size_t>(buffers), 0);
        if (!hookPlaybackModules()) {
            std::fprintf(stderr, "the counters could not be put on the modules\n");
            return 1;
        }
        Counting counting;
        song->GetSongTract()->SetMonitor(1, onMixed, reinterpret_cast<ULONG_PTR>(&counting));
        DSCAPTURE capture = {};
        capture.maxBuffers = buffers;
        capture.onBuffer = onBuffer;
        capture.user = &timing;
        const double cpuBefore = cpuSeconds();
        const Playback playback = playIntoCapture(environment, manager, song.get(), capture);
        const double cpu = cpuSeconds() - cpuBefore;
        if (playback.startFrame < 0 || timing.count != static_cast<size_t>(buffers)) {
            std::fprintf(stderr, "the song did not play\n");
            return 1;
        }

        // The buffers the song played (the first one's time is its
        // distance from the one before).
        const size_t first = static_cast<size_t>(playback.startFrame / kFrames);
        const size_t last = first + static_cast<size_t>(songFrames / kFrames);
        std::vector<double> perBuffer;
        for (size_t i = std::max<size_t>(first, 1); i < last && i < timing.count; ++i)
            perBuffer.push_back(seconds(timing.stamps[i] - timing.stamps[i - 1]));
        std::vector<double> sorted = perBuffer;
        std::sort(sorted.begin(), sorted.end());
        double wall = 0.0;
        for (double t : perBuffer)
            wall += t;
        const double audio = static_cast<double>(perBuffer.size()) * kFrames / kRate;
        const double period = 1e3 * kFrames / kRate;
        const double allAudio = static_cast<double>(buffers) * kFrames / kRate;

        std::printf(
            "song: %d tracks with their fill drummer, %ld bars, %.1f s at %ld Hz, %ld frames a buffer\n",
            kTracks, bars, audio, kRate, kFrames);
        std::printf("real-time factor: %.1f audio s per wall s, %.1f audio s per CPU s\n", audio / wall,
                    allAudio / cpu);
        std::printf("time per buffer: median %.3f ms, 99th percentile %.3f ms, maximum %.3f ms "
                    "(buffer period %.3f ms)\n",
                    1e3 * sorted[sorted.size() / 2], 1e3 * sorted[sorted.size() * 99 / 100],
                    1e3 * sorted.back(), period);
        if (counting.cpuBuffers)
            std::printf("render thread CPU: %.3f ms per buffer\n", 1e3 * counting.cpu / counting.cpuBuffers);
        if (counting.counter)
            std::printf(
                "render thread after start: %ld heap allocations, %ld file opens, %ld file accesses\n",
                counting.counter->allocations(), counting.counter->fileOpens(),
                counting.counter->fileAccesses());
        delete counting.counter;
        song.reset();
        manager->Release();
    }
    OleUninitialize();
    return 0;
}
