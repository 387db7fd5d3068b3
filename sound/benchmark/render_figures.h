// What the render benchmark measures of a scenario and the one line it
// prints for it: the real-time factors, the time per buffer against the
// buffer's period, and what the render thread did per buffer (kernel waits,
// heap allocations, file accesses), counted by the real-time counters; and
// the message pool's slabs and the messages that found it empty.
#pragma once

#include "testing/realtime_counters.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane {
class CSoundMngr;
}

namespace render_benchmark {

// Watches the render thread through the tract's monitor callback, which
// it calls once per mixed buffer: stamps each buffer (as many as reserved)
// and counts on the thread from the first buffer to the last. With a
// manager, only buffers mixed while it plays a song count.
class RenderWatch {
public:
    RenderWatch(size_t buffers, Quorvane::CSoundMngr *playing);
    ~RenderWatch();
    RenderWatch(const RenderWatch &) = delete;
    RenderWatch &operator=(const RenderWatch &) = delete;

    static void onMixed(ULONG_PTR watch);

    // The time between one counted buffer and the next, in seconds.
    std::vector<double> intervals() const;
    // Buffers counted after the first (the counts start inside it).
    long countedBuffers() const { return count_ > 0 ? static_cast<long>(count_) - 1 : 0; }
    // What the thread did from the first buffer to the last.
    long kernelWaits() const { return kernelWaits_; }
    long allocations() const { return allocations_; }
    long fileAccesses() const { return fileAccesses_; }
    // The longest wait for a lock another thread held, in seconds, and the
    // waits longer than 0.5 ms.
    double longestLockWait() const { return longestLockWait_; }
    long slowLockWaits() const { return slowLockWaits_; }
    // Messages that found the message pool empty from the first buffer to
    // the last (on any thread).
    long poolHeapFallbacks() const { return poolHeapFallbacks_; }

private:
    Quorvane::CSoundMngr *playing_;
    std::vector<int64_t> stamps_;
    size_t count_ = 0;
    testing_support::RealTimeCounter *counter_ = nullptr;
    long kernelWaits_ = 0, allocations_ = 0, fileAccesses_ = 0;
    double longestLockWait_ = 0.0;
    long slowLockWaits_ = 0;
    long poolFallbacksBefore_ = 0, poolHeapFallbacks_ = 0;
};

struct Figures {
    std::string name;
    double frames = 0;     // audio frames rendered in all
    double cpu = 0;        // process CPU seconds for all frames
    double wallFrames = 0; // audio frames of the wall time measured
    double wall = 0;       // wall seconds (the counted buffers' by default)
    long frameRate = 0;
    long bufferFrames = 0;
    std::vector<double> perBuffer; // seconds
    long buffers = 0;              // counted buffers
    long kernelWaits = 0, allocations = 0, fileAccesses = 0;
    int poolSlabs = 0;
    long poolHeapFallbacks = 0;
    // Printed only when asked for.
    bool withLockWaits = false;
    double longestLockWait = 0; // seconds
    long slowLockWaits = 0;
};

// The figures of a watched run; cpu is the process's CPU seconds spent on
// frames frames.
Figures figuresOf(const std::string &name, const RenderWatch &watch, double frames, double cpu, long rate,
                  long bufferFrames);

// NAME: X audio s per wall s, Y audio s per CPU s; per buffer median A ms
// (a %), 99th percentile B ms (b %), maximum C ms (c %); K kernel waits, N
// allocations, F file accesses per buffer on the render thread; message
// pool P slabs, H heap fallbacks[; longest lock wait L ms, S lock waits
// over 0.5 ms]
void printFigures(const Figures &figures);

// CPU seconds of the whole process so far.
double processCpuSeconds();

} // namespace render_benchmark
