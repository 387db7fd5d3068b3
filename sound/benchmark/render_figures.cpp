#include "sound/benchmark/render_figures.h"

#include "data/evnt_trans.h"
#include "sound/sound_mngr.h"
#include "sound/tests/drummer_song.h"

#include <algorithm>
#include <cstdio>

namespace render_benchmark {

namespace {

double fileTimeSeconds(const FILETIME &t)
{
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
}

double counterSeconds(int64_t ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

} // namespace

RenderWatch::RenderWatch(size_t buffers, Quorvane::CSoundMngr *playing)
    : playing_(playing), stamps_(buffers, 0)
{
}

RenderWatch::~RenderWatch()
{
    delete counter_;
}

void RenderWatch::onMixed(ULONG_PTR user)
{
    auto *watch = reinterpret_cast<RenderWatch *>(user);
    if (watch->playing_ && !watch->playing_->IsPlayed())
        return;
    // Buffers beyond those reserved are neither timed nor counted.
    if (watch->count_ >= watch->stamps_.size())
        return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    watch->stamps_[watch->count_++] = now.QuadPart;
    // Made before it counts: its own allocation is not the thread's. The
    // modules loaded since the scenario hooked them (the engine's MIDI
    // output module) are hooked now.
    if (!watch->counter_) {
        drummer_song::hookPlaybackModules();
        watch->counter_ = new testing_support::RealTimeCounter;
        watch->poolFallbacksBefore_ = Quorvane::CEvntTransElem::GetPoolHeapFallbacks();
    }
    watch->poolHeapFallbacks_ =
        Quorvane::CEvntTransElem::GetPoolHeapFallbacks() - watch->poolFallbacksBefore_;
    watch->kernelWaits_ = watch->counter_->kernelWaits();
    watch->allocations_ = watch->counter_->allocations();
    watch->fileAccesses_ = watch->counter_->fileOpens() + watch->counter_->fileAccesses();
    watch->longestLockWait_ = watch->counter_->longestLockWait();
    watch->slowLockWaits_ = watch->counter_->slowLockWaits();
}

std::vector<double> RenderWatch::intervals() const
{
    std::vector<double> result;
    for (size_t i = 1; i < count_; ++i)
        result.push_back(counterSeconds(stamps_[i] - stamps_[i - 1]));
    return result;
}

Figures figuresOf(const std::string &name, const RenderWatch &watch, double frames, double cpu, long rate,
                  long bufferFrames)
{
    Figures f;
    f.name = name;
    f.frames = frames;
    f.cpu = cpu;
    f.frameRate = rate;
    f.bufferFrames = bufferFrames;
    f.perBuffer = watch.intervals();
    for (double t : f.perBuffer)
        f.wall += t;
    f.wallFrames = static_cast<double>(f.perBuffer.size()) * static_cast<double>(bufferFrames);
    f.buffers = watch.countedBuffers();
    f.kernelWaits = watch.kernelWaits();
    f.allocations = watch.allocations();
    f.fileAccesses = watch.fileAccesses();
    f.longestLockWait = watch.longestLockWait();
    f.slowLockWaits = watch.slowLockWaits();
    f.poolSlabs = Quorvane::CEvntTransElem::GetPoolSlabs();
    f.poolHeapFallbacks = watch.poolHeapFallbacks();
    return f;
}

void printFigures(const Figures &f)
{
    std::vector<double> sorted = f.perBuffer;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty())
        sorted.push_back(0.0);
    const double period = 1e3 * static_cast<double>(f.bufferFrames) / static_cast<double>(f.frameRate);
    const double median = 1e3 * sorted[sorted.size() / 2];
    const double p99 = 1e3 * sorted[sorted.size() * 99 / 100];
    const double maximum = 1e3 * sorted.back();
    const double wallAudio = f.wallFrames / f.frameRate;
    const double buffers = f.buffers > 0 ? static_cast<double>(f.buffers) : 1.0;
    std::printf("%s: %.1f audio s per wall s, %.1f audio s per CPU s; per buffer median %.3f ms (%.1f %%), "
                "99th percentile %.3f ms (%.1f %%), maximum %.3f ms (%.1f %%); %.2f kernel waits, "
                "%.2f allocations, %.2f file accesses per buffer on the render thread",
                f.name.c_str(), f.wall > 0 ? wallAudio / f.wall : 0.0,
                f.cpu > 0 ? f.frames / f.frameRate / f.cpu : 0.0, median, 100 * median / period, p99,
                100 * p99 / period, maximum, 100 * maximum / period, f.kernelWaits / buffers,
                f.allocations / buffers, f.fileAccesses / buffers);
    std::printf("; message pool %d slabs, %ld heap fallbacks", f.poolSlabs, f.poolHeapFallbacks);
    if (f.withLockWaits)
        std::printf("; longest lock wait %.3f ms, %ld lock waits over 0.5 ms", 1e3 * f.longestLockWait,
                    f.slowLockWaits);
    std::printf("\n");
    std::fflush(stdout);
}

double processCpuSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return fileTimeSeconds(kernel) + fileTimeSeconds(user);
}

} // namespace render_benchmark
