// Plays 36 loop-slice drummers (one per part of twelve, three times over)
// with the starter library for one minute of song at 44.1 kHz in blocks of
// 256 frames, each block a host tick window at 120 BPM and 960 ticks per
// quarter: all six slices sounding, swing and humanize on, and a trigger
// note at every bar switching each drummer to its next quick pad. Prints
// what a block costs (mean, 99th percentile, worst) for all 36 and per
// drummer, the heap allocations and file opens counted on the processing
// thread (target: none), and what a compose of 100 attempts costs.
// usage: slice_benchmark [--short]   (--short plays four seconds)
#include "base/registry.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "plugin/slice/content/starter_loops.h"
#include "plugin/slice/engine/slice_module.h"
#include "plugin/slice/plugin/vostrapellin_mfx.h"
#include "testing/benchmark_options.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace Quorvane;
using namespace Quorvane::LoopSlice;

namespace {

constexpr int kDrummers = 36;
constexpr int kSampleRate = 44100;
constexpr int kBlockFrames = 256;
constexpr LONG kTpq = 960;
constexpr int64_t kTicksPerSecond = 2 * kTpq; // 120 BPM
constexpr int32_t kBar = 4 * kTpq;

double nowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double mean = 0;
    double p99 = 0;
    double worst = 0;
};

Figures figuresOf(std::vector<double> times)
{
    Figures f;
    if (times.empty())
        return f;
    double sum = 0;
    for (double t : times)
        sum += t;
    f.mean = sum / static_cast<double>(times.size());
    std::sort(times.begin(), times.end());
    f.p99 = times[times.size() * 99 / 100];
    f.worst = times.back();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    // A minute of song and twelve composes, or a few seconds and two.
    const bool quick = testing_support::shortRun(argc, argv);
    const int seconds = quick ? 4 : 60;
    const int composeRuns = quick ? 2 : 12;
    testing_support::RegistrySandbox registry;
    testing_support::TempFolder data;
    initAppRegistry(registry.product().c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
    std::string error;
    if (!StarterLoops::writeStarterLibrary(data.path() + "\\Patterns", &error)) {
        fprintf(stderr, "library: %s\n", error.c_str());
        return 1;
    }
    SliceModule::setDataFolder(data.path());

    // The drummers, each with its host and ten pads of its own.
    const char *collections[] = {"16 Funk", "8 Shuffle", "Straight Rock"};
    std::vector<std::unique_ptr<mfx_testing::HostContext>> hosts;
    std::vector<VostrapellinMFX *> drummers;
    for (int d = 0; d < kDrummers; ++d) {
        hosts.push_back(std::make_unique<mfx_testing::HostContext>(kTpq));
        auto *drummer = new VostrapellinMFX();
        drummer->AddRef();
        if (drummer->Connect(hosts.back()->context()) != S_OK) {
            fprintf(stderr, "connect failed\n");
            return 1;
        }
        drummer->setVolume(collections[d % 3]);
        for (int layer = 0; layer < 3; ++layer)
            drummer->slice(layer).setMute(false, false);
        drummer->setSwingPc(40, false);
        drummer->setHumanizeVelo(8, false);
        drummer->setTriggerEnabled(true);
        for (int pad = 0; pad < Vostrapellin::kPadCount; ++pad) {
            drummer->selectPad(pad, false);
            drummer->seedRandom(1000u * static_cast<uint32_t>(d) + static_cast<uint32_t>(pad));
            drummer->Random(nullptr);
        }
        drummer->selectPad(0, false);
        drummers.push_back(drummer);
    }

    // The song's windows and the trigger note of each bar.
    const int blocks = kSampleRate * seconds / kBlockFrames;
    std::vector<std::pair<int32_t, int32_t>> windows;
    std::vector<mfx_testing::EventQueue> inputs(static_cast<size_t>(blocks));
    const uint8_t low = static_cast<uint8_t>(drummers[0]->triggerLow());
    int bars = 0;
    for (int b = 0; b < blocks; ++b) {
        const int32_t from = static_cast<int32_t>(int64_t(b) * kBlockFrames * kTicksPerSecond / kSampleRate);
        const int32_t thru =
            static_cast<int32_t>(int64_t(b + 1) * kBlockFrames * kTicksPerSecond / kSampleRate) - 1;
        windows.emplace_back(from, thru);
        const int32_t bar = (thru / kBar) * kBar;
        if (bar >= from && bar <= thru) {
            inputs[static_cast<size_t>(b)].events.push_back(
                mfx_testing::noteEvent(bar, static_cast<uint8_t>(low + (bars + 1) % 10), 100));
            ++bars;
        }
    }
    std::vector<mfx_testing::EventQueue> outputs(kDrummers);
    for (auto &output : outputs)
        output.events.reserve(4096);

    std::vector<double> all(static_cast<size_t>(blocks));
    std::vector<double> each;
    each.reserve(static_cast<size_t>(blocks) * kDrummers);
    long allocations = -1;
    long fileOpens = -1;
    long notes = 0;
    std::thread host([&] {
        testing_support::RealTimeCounter counter;
        for (VostrapellinMFX *drummer : drummers)
            drummer->OnStart(0);
        for (int b = 0; b < blocks; ++b) {
            const double start = nowMs();
            for (int d = 0; d < kDrummers; ++d) {
                const double one = nowMs();
                outputs[static_cast<size_t>(d)].clear();
                drummers[static_cast<size_t>(d)]->OnEvents(
                    windows[static_cast<size_t>(b)].first, windows[static_cast<size_t>(b)].second,
                    &inputs[static_cast<size_t>(b)], &outputs[static_cast<size_t>(d)]);
                each.push_back(nowMs() - one);
                for (const MfxEvent &e : outputs[static_cast<size_t>(d)].events)
                    notes += e.kind == MfxNote ? 1 : 0;
            }
            all[static_cast<size_t>(b)] = nowMs() - start;
        }
        allocations = counter.allocations();
        fileOpens = counter.fileOpens() + counter.fileAccesses();
    });
    host.join();

    // Composes of 100 attempts on the window thread.
    std::vector<double> composes;
    for (int c = 0; c < composeRuns; ++c) {
        VostrapellinMFX &drummer = *drummers[static_cast<size_t>(c)];
        drummer.seedRandom(static_cast<uint32_t>(c) + 77);
        const double start = nowMs();
        drummer.Random(nullptr);
        composes.push_back(nowMs() - start);
    }

    const double period = 1000.0 * kBlockFrames / kSampleRate;
    const Figures a = figuresOf(all);
    const Figures e = figuresOf(each);
    const Figures c = figuresOf(composes);
    printf("%d drummers, %d blocks of %d frames at %d Hz (%.3f ms each), %d bars switched, %ld notes\n",
           kDrummers, blocks, kBlockFrames, kSampleRate, period, bars, notes);
    printf("all 36 per block: mean %.4f ms (%.3f%%), 99th %.4f ms, worst %.4f ms (%.2f%%)\n", a.mean,
           100 * a.mean / period, a.p99, a.worst, 100 * a.worst / period);
    printf("one drummer per block: mean %.5f ms (%.4f%%), 99th %.5f ms, worst %.4f ms\n", e.mean,
           100 * e.mean / period, e.p99, e.worst);
    const size_t worstBlock = static_cast<size_t>(std::max_element(all.begin(), all.end()) - all.begin());
    const long slow =
        static_cast<long>(std::count_if(all.begin(), all.end(), [](double t) { return t > 0.5; }));
    printf("worst block: %zu (%s a bar start); blocks over 0.5 ms: %ld\n", worstBlock,
           inputs[worstBlock].events.empty() ? "not" : "at", slow);
    printf("processing thread: %ld allocations, %ld file opens and accesses\n", allocations, fileOpens);
    printf("compose of 100 attempts: mean %.2f ms, worst %.2f ms (%zu runs)\n", c.mean, c.worst,
           composes.size());

    for (VostrapellinMFX *drummer : drummers) {
        drummer->Disconnect();
        drummer->Release();
    }
    return allocations == 0 && fileOpens == 0 ? 0 : 1;
}
