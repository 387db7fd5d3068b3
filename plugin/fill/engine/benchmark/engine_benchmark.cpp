// Plays 36 fill engines (twelve parts of three drummers) with the starter
// library for one minute of song at 44.1 kHz in blocks of 256 frames, each
// block turned into a host tick window at 120 BPM and 960 ticks per quarter,
// and prints what a block costs (mean, 99th percentile, worst) and the heap
// allocations and file opens counted on the processing path (target: none).
// Three songs: the fills spread over the minute; the host looping the first
// two bars so every fill plays all the time; and the same loop after a state
// load with a trigger note on every beat switching through all ten pads.
// usage: fill_engine_benchmark [--short]   (--short plays four seconds)
#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/mfx/host_window.h"
#include "testing/benchmark_options.h"
#include "testing/realtime_counters.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

constexpr int kParts = 12;
constexpr int kDrummersPerPart = 3;
constexpr int kEngines = kParts * kDrummersPerPart;
constexpr int kSampleRate = 44100;
constexpr int kBlockFrames = 256;
// Seconds of song each run plays: a minute, or a few with --short.
int songSeconds = 60;
constexpr LONG kTpq = 960;
constexpr LONG kTicksPerSecond = 2 * kTpq; // 120 BPM

template <typename Interface> class Unknown : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

class Queue : public Unknown<IMfxEventQueue> {
public:
    Queue() { events_.reserve(1 << 16); }
    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override
    {
        if (events_.size() == events_.capacity())
            return E_OUTOFMEMORY;
        events_.push_back(*event);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override
    {
        *count = static_cast<LONG>(events_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) override
    {
        if (index < 0 || index >= static_cast<LONG>(events_.size()))
            return E_INVALIDARG;
        *event = events_[index];
        return S_OK;
    }
    void clear() { events_.clear(); }
    size_t size() const { return events_.size(); }
    void add(const MfxEvent &event) { Add(&event); }

private:
    std::vector<MfxEvent> events_;
};

class Tempo : public Unknown<IMfxTempoMap> {
public:
    LONG STDMETHODCALLTYPE TicksToMsecs(LONG ticks) override { return ticks * 1000 / kTicksPerSecond; }
    LONG STDMETHODCALLTYPE MsecsToTicks(LONG ms) override { return ms * kTicksPerSecond / 1000; }
    LONG STDMETHODCALLTYPE GetTicksPerQuarter() override { return kTpq; }
    LONG STDMETHODCALLTYPE GetTempoIndexForTime(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetTempoCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTempoAt(LONG, LONG *start, LONG *tempo) override
    {
        *start = 0;
        *tempo = 12000;
        return S_OK;
    }
};

class Meter : public Unknown<IMfxMeterMap> {
public:
    HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                     LONG *tick) override
    {
        *measure = ticks / (4 * kTpq) + 1;
        *beat = ticks % (4 * kTpq) / kTpq + 1;
        *tick = ticks % kTpq;
        return S_OK;
    }
    LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) override
    {
        return ((measure - 1) * 4 + beat - 1) * kTpq + tick;
    }
    LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetMeterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetMeterAt(LONG, LONG *start, LONG *numerator, LONG *power) override
    {
        *start = 1;
        *numerator = 4;
        *power = 2;
        return S_OK;
    }
};

struct Figures {
    std::vector<double> blockMs;
    size_t events = 0;
    long allocations = 0;
    long fileOpens = 0;
};

constexpr uint8_t kTriggerBase = 24;

// The trigger notes of a host window: one on every beat, walking through
// the ten pads.
void triggersIn(LONG from, LONG thru, Queue &input)
{
    for (LONG beat = (from + kTpq - 1) / kTpq; beat * kTpq <= thru; ++beat) {
        MfxEvent trigger{};
        trigger.time = beat * kTpq;
        trigger.kind = MfxNote;
        trigger.note = static_cast<uint8_t>(kTriggerBase + beat % 10);
        trigger.velocity = 100;
        trigger.duration = 10;
        input.add(trigger);
    }
}

// The song's seconds; with loopTicks > 0 the host jumps back to 0 there.
Figures playMinute(std::vector<std::unique_ptr<Grindelvosket>> &engines, LONG loopTicks, bool triggers)
{
    HostWindow window;
    window.restart(0);
    Queue input;
    Queue output;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Figures figures;
    const long blocks = static_cast<long>(int64_t(songSeconds) * kSampleRate / kBlockFrames);
    figures.blockMs.reserve(blocks);
    LONG songOffset = 0;
    for (long b = 0; b < blocks; ++b) {
        LONG from = static_cast<LONG>(int64_t(b) * kBlockFrames * kTicksPerSecond / kSampleRate) - songOffset;
        LONG thru =
            static_cast<LONG>(int64_t(b + 1) * kBlockFrames * kTicksPerSecond / kSampleRate) - songOffset;
        if (loopTicks > 0 && from >= loopTicks) {
            songOffset += from;
            thru -= from;
            from = 0;
            window.restart(0);
        }
        // Every engine gets the same window: the same rule makes it.
        const HostWindow::Range range = window.next(from, thru);
        if (range.empty)
            continue;
        input.clear();
        if (triggers)
            triggersIn(range.from, range.thru, input);
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        {
            // Counts what the processing path itself allocates and opens.
            testing_support::RealTimeCounter counter;
            QueryPerformanceCounter(&start);
            for (auto &engine : engines)
                engine->processRange(range.from, range.thru, &input, &output);
            QueryPerformanceCounter(&end);
            figures.allocations += counter.allocations();
            figures.fileOpens += counter.fileOpens();
        }
        figures.blockMs.push_back(double(end.QuadPart - start.QuadPart) * 1000.0 /
                                  double(frequency.QuadPart));
        figures.events += output.size();
        output.clear();
    }
    return figures;
}

void print(const char *title, const Figures &f)
{
    const double periodMs = 1000.0 * kBlockFrames / kSampleRate;
    std::vector<double> sorted = f.blockMs;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double ms : sorted)
        total += ms;
    const double mean = total / static_cast<double>(sorted.size());
    const double p99 = sorted[sorted.size() * 99 / 100];
    const double worst = sorted.back();
    const auto share = [periodMs](double ms) { return 100.0 * ms / periodMs; };
    std::printf("%s\n", title);
    std::printf("  blocks %zu, events emitted %zu\n", sorted.size(), f.events);
    std::printf("  per block, all %d engines: %.4f ms mean, %.4f ms 99th percentile, %.4f ms worst\n",
                kEngines, mean, p99, worst);
    std::printf("    (%.3f%% / %.3f%% / %.3f%% of the %.3f ms period)\n", share(mean), share(p99),
                share(worst), periodMs);
    std::printf("  per block, one engine: %.2f us mean (%.4f%% of the period)\n", mean * 1000.0 / kEngines,
                share(mean) / kEngines);
    std::printf("  on the processing path: %ld heap allocations, %ld file opens\n", f.allocations,
                f.fileOpens);
}

// A state whose ten pads each hold another starter fill at measure 1,
// with trigger notes on.
std::string tenPadState(const std::vector<FillContent::FillDefinition> &fills)
{
    Grindelvosket source;
    for (int pad = 9; pad >= 0; --pad) {
        const FillContent::FillDefinition &fill = fills[pad % fills.size()];
        source.selectPad(pad);
        source.setPattern(fill.folder, fill.fileName(), false);
        source.setSwingPc(3 * pad, false);
        source.setPunchRange(-1, source.fillLength());
    }
    source.setFillMeasure(1);
    source.setTriggerEnabled(true);
    source.setTriggerBase(kTriggerBase);
    std::string state;
    stringStream out(state);
    source.saveState(out);
    return state;
}

std::string tempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + "fill_engine_benchmark_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void removeTree(const std::string &folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    if (testing_support::shortRun(argc, argv))
        songSeconds = 4;
    const std::string product = "GrindelvosketBenchmark" + std::to_string(GetCurrentProcessId());
    initAppRegistry(product.c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
    const std::string folder = tempFolder();
    std::string error;
    if (!FillContent::writeStarterLibrary(folder + "\\Fills", &error)) {
        std::fprintf(stderr, "cannot write the starter library: %s\n", error.c_str());
        return 1;
    }
    FillModule::setDataFolder(folder);

    Tempo tempo;
    Meter meter;
    std::vector<FillContent::FillDefinition> fills;
    for (const FillContent::FillDefinition &fill : FillContent::starterFills())
        if (fill.volume.empty())
            fills.push_back(fill);
    {
        std::vector<std::unique_ptr<Grindelvosket>> engines;
        for (int e = 0; e < kEngines; ++e) {
            auto engine = std::make_unique<Grindelvosket>();
            engine->registerEngine();
            engine->attachHostMaps(&tempo, &meter);
            const FillContent::FillDefinition &fill = fills[e % fills.size()];
            engine->setPattern(fill.folder, fill.fileName(), false);
            engine->setSwingPc(30, false);
            engine->setHumanizeVelo(6, false);
            engine->setVeloDyn(40, false);
            engine->setZones(1, 1, 1, false);
            engines.push_back(std::move(engine));
        }

        // The fills spread over the minute (30 bars): part p's drummers at
        // measures 2 + 2p + d.
        for (int e = 0; e < kEngines; ++e)
            engines[e]->setFillMeasure(2 + 2 * (e / kDrummersPerPart) + e % kDrummersPerPart);
        print("Song with the fills spread over the minute:", playMinute(engines, 0, false));

        // Every fill at measure 1 and the host looping two bars: the loopers
        // play in every block.
        for (auto &engine : engines) {
            engine->setFillMeasure(1);
            engine->setPunchRange(-1, engine->fillLength());
        }
        print("Host looping bars 1-2, every fill playing:", playMinute(engines, 2 * 4 * kTpq, false));

        // Ten pads of different fills, stored in a state that every engine
        // then loads (as a host loads a song); trigger notes on every beat
        // switch through all ten.
        const std::string state = tenPadState(fills);
        for (auto &engine : engines) {
            std::string copy = state;
            stringStream in(copy);
            if (!engine->loadState(in)) {
                std::fprintf(stderr, "the pad state does not load\n");
                return 1;
            }
        }
        print("Host looping bars 1-2 after a state load, a pad switch on every beat:",
              playMinute(engines, 2 * 4 * kTpq, true));

        for (auto &engine : engines)
            engine->unregisterEngine();
    }
    removeTree(folder);
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Quorvane\\" + product).c_str());
    return 0;
}
