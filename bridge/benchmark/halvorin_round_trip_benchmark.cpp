// What a host block costs through the bridge, across two processes, against
// the floor the machine gives the same exchange: this program is the host,
// loading the VST instrument QN3_HalvorinVSTi from the build's dist folder
// and calling its processReplacing on a time-critical thread, paced at the
// block period, with a note at the start of every eighth block; a second
// process of this program is the program's side, the real sound engine on
// the stream provider "Halvorin", playing one part (a MIDI track with its
// fill drummer into the preview synthesizer) that a host note starts.
// The floor is the bridge's three hand-offs as plain event ping-pongs in
// the same two processes and the same run, half a period after each
// block: the host's thread wakes a time-critical thread of the program,
// which wakes a second one, which wakes the host (no audio).
// At 64, 256 and 1024 frames and 44.1 kHz it prints, one line per size,
//   256 frames: floor median A ms, 99th percentile B ms, maximum C ms; bridge
//   median D ms, 99th percentile E ms, maximum F ms; bridge/floor median D/A,
//   99th percentile E/B
// (on one line), then the heap allocations, file calls and kernel waits on
// the host's audio thread, and how long the host's call takes when the
// program is killed in the middle of the streaming.
// usage: halvorin_round_trip_benchmark [--short]   (run it with scripts/wine-run.sh)
// Exits non-zero when it cannot run, the program is never heard, the floor
// does not answer, the host's thread does not come back, or the audio
// thread allocates or touches a file.
#include "bridge/asp/halvorin_request.h"
#include "platform/vst2/vst2.h"
#include "sound/asp_registry.h"
#include "sound/module_keys.h"
#include "sound/sound_mngr.h"
#include "sound/tests/drummer_song.h"

#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

constexpr int kRate = 44100;
constexpr int kMaxFrames = 1024;
// A host note every so many blocks: each one is a notification.
constexpr int kNoteEvery = 8;
// Longest the host waits for the floor's answer before it gives up.
constexpr DWORD kFloorWaitMs = 2000;

std::string argument(const std::string &line, const std::string &name)
{
    const size_t at = line.find(name);
    if (at == std::string::npos)
        return {};
    const size_t from = at + name.size();
    return line.substr(from, line.find(' ', from) - from);
}

double now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// ---- the floor: three plain hand-offs between the two processes

// The floor's events of a host process: the host wakes the first of the
// program's threads, that one the second, and the second the host.
enum FloorEvent { kToFirst, kToSecond, kToHost, kFloorEvents };

HANDLE floorEvent(DWORD hostId, FloorEvent which)
{
    char name[64];
    std::snprintf(name, sizeof name, "HalvorinFloor%lu_%d", static_cast<unsigned long>(hostId), which);
    return CreateEventA(nullptr, FALSE, FALSE, name);
}

// One of the program's floor threads: time-critical, as the provider's
// thread and the engine's render thread are; it passes each wake-up on.
struct FloorRelay {
    HANDLE from = nullptr;
    HANDLE to = nullptr;
    HANDLE stop = nullptr;

    static DWORD WINAPI run(void *self)
    {
        auto *relay = static_cast<FloorRelay *>(self);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        const HANDLE events[] = {relay->from, relay->stop};
        while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0)
            SetEvent(relay->to);
        return 0;
    }
};

// ---- the program's side

struct Program {
    IQuorvaneSoundMngr *manager = nullptr;
    std::unique_ptr<CSong> song;
};

// The least the program does with the host's notes: a note starts the part.
void notified(ULONG_PTR user, long note, long, float, long, long)
{
    auto *program = reinterpret_cast<Program *>(user);
    if (note != Halvorin::kNoteNothing && (note & 0xFFFF) < 128 && !program->manager->IsPlayed())
        program->manager->StartPlayback(program->song->GetSongTract());
}

int runProgram(const std::string &line)
{
    drummer_song::PlaybackEnvironment environment;
    if (!environment.ok())
        return 3;
    const std::string provider = drummer_song::distFolder() + "\\ASPHalvorin.dll";
    RegisterModulePath(kStreamProviderKey, "Halvorin", provider.c_str());
    HANDLE letGo = CreateEventA(nullptr, TRUE, FALSE, "Rallimoth Omvel_DCNT");
    IOPARAMS params;
    params.sampleRate = kRate;
    params.bitsPerSample = kAspFloat;
    params.bufferFrames = std::atoi(argument(line, "-frames:").c_str());
    params.aspPort = std::atoi(argument(line, "-halvorin:channel:").c_str()) - 1;
    char path[kAspPathSize];
    if (!letGo || !SndGetASPHalvorin(params.asp, path))
        return 4;
    Program program;
    program.manager = TindrelGetSoundMngrInterface(Halvorin::kProgramName);
    if (!program.manager || !program.manager->Init(&params))
        return 5;
    program.song = std::make_unique<CSong>(&params, program.manager);
    constexpr long kBars = 96;
    if (!program.song->SetDefault() || !drummer_song::addDrummerTrack(program.song.get(), kBars, nullptr))
        return 6;
    program.song->Update();
    program.song->songEnd = kBars * drummer_song::kBarTicks;
    // The floor's two threads beside the engine's.
    const auto host = static_cast<DWORD>(std::strtoul(argument(line, "-floor:").c_str(), nullptr, 10));
    HANDLE events[kFloorEvents];
    for (int e = 0; e < kFloorEvents; ++e)
        events[e] = floorEvent(host, static_cast<FloorEvent>(e));
    HANDLE stopFloor = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FloorRelay relays[] = {{events[kToFirst], events[kToSecond], stopFloor},
                           {events[kToSecond], events[kToHost], stopFloor}};
    HANDLE threads[2] = {};
    for (int t = 0; t < 2; ++t)
        threads[t] = CreateThread(nullptr, 0, FloorRelay::run, &relays[t], 0, nullptr);
    // The engine hands the callback to the provider it started.
    if (!threads[0] || !threads[1] || !program.manager->EngineStart())
        return 7;
    program.manager->SetNotify(notified, reinterpret_cast<ULONG_PTR>(&program));
    // Until the host lets go, or for long enough in any case.
    WaitForSingleObject(letGo, 180000);
    SetEvent(stopFloor);
    WaitForMultipleObjects(2, threads, TRUE, 10000);
    program.manager->SetNotify(nullptr, 0);
    program.manager->EngineStop();
    program.song.reset();
    program.manager->Release();
    CloseHandle(letGo);
    return 0;
}

// ---- the host's side

vst2::TimeInfo hostTime = {};

intptr_t VST2_CALL hostCallback(vst2::Effect *, int32_t opcode, int32_t, intptr_t, void *ptr, float)
{
    switch (opcode) {
    case vst2::hostVersion:
        return 2400;
    case vst2::hostCanDo:
        return ptr && std::strcmp(static_cast<const char *>(ptr), "sendVstTimeInfo") == 0;
    case vst2::hostWantEvents:
        return 1;
    case vst2::hostGetTime:
        return reinterpret_cast<intptr_t>(&hostTime);
    default:
        return 0;
    }
}

// One MIDI event list, made before the audio thread runs.
struct NoteList {
    vst2::MidiEvent note = {};
    vst2::Events list = {};
    NoteList()
    {
        note.type = vst2::kEventMidi;
        note.byteSize = sizeof note;
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst2::Event *>(&note);
    }
};

// Waits until the time (seconds of now()), sleeping while it is far.
void waitUntil(double time)
{
    for (double t = now(); t < time; t = now()) {
        if (time - t > 0.002)
            Sleep(1);
        else
            SwitchToThread();
    }
}

// The host's audio thread: block after block, each timed, paced at the
// block period, until told to stop or the blocks run out; half a period
// after each measured block, one ping-pong of the floor.
struct AudioThread {
    vst2::Effect *effect = nullptr;
    int frames = 256;
    int blocks = 0;
    HANDLE floor[kFloorEvents] = {};
    std::vector<double> starts, ends; // of each block, in seconds
    std::vector<double> floorTrips;   // of each measured block's ping-pong, in ms
    std::vector<float> left = std::vector<float>(kMaxFrames), right = std::vector<float>(kMaxFrames);
    NoteList notes;
    std::atomic<bool> stop{false};
    std::atomic<int> done{0};
    // What the thread did from countFrom to countTo (the measured blocks,
    // the floor's ping-pongs not counted), and from then to its end (the
    // program's death among them).
    struct Counts {
        long allocations = 0, fileOpens = 0, fileAccesses = 0, kernelWaits = 0;
        bool clean() const { return !allocations && !fileOpens && !fileAccesses; }
    } measured, dying;
    // The measured blocks: from a few blocks after the program is first
    // heard, so many of them.
    int measuredBlocks = 0;
    std::atomic<int> countFrom{-1};
    std::atomic<int> countTo{-1};
    std::atomic<bool> floorFailed{false};

    static DWORD WINAPI run(void *self)
    {
        static_cast<AudioThread *>(self)->loop();
        return 0;
    }
    void loop()
    {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        const double period = static_cast<double>(frames) / kRate;
        float *outputs[] = {left.data(), right.data()};
        std::unique_ptr<testing_support::RealTimeCounter> counter;
        Counts counted;
        double next = now();
        for (int b = 0; b < blocks && !stop; ++b) {
            const bool measuring = b >= countFrom && b < countTo;
            if (b == countFrom)
                counter = std::make_unique<testing_support::RealTimeCounter>();
            if (b == countTo && counter) {
                measured = counted;
                counted = {};
            }
            if (b % kNoteEvery == 0) {
                notes.note.deltaFrames = 0;
                notes.note.midiData[0] = static_cast<char>(0x90);
                notes.note.midiData[1] = static_cast<char>(36 + (b / kNoteEvery) % 12);
                notes.note.midiData[2] = static_cast<char>(100);
            }
            if (counter)
                counter->reset();
            starts[b] = now();
            if (b % kNoteEvery == 0)
                effect->dispatcher(effect, vst2::effProcessEvents, 0, 0, &notes.list, 0.0f);
            effect->processReplacing(effect, nullptr, outputs, frames);
            ends[b] = now();
            if (counter)
                counted = {counted.allocations + counter->allocations(),
                           counted.fileOpens + counter->fileOpens(),
                           counted.fileAccesses + counter->fileAccesses(),
                           counted.kernelWaits + counter->kernelWaits()};
            hostTime.samplePos += frames;
            hostTime.ppqPos += frames * hostTime.tempo / (60.0 * kRate);
            if (countFrom < 0 &&
                std::any_of(left.begin(), left.begin() + frames, [](float s) { return s != 0.0f; })) {
                countTo = b + 4 + measuredBlocks;
                countFrom = b + 4;
            }
            next += period;
            if (measuring) {
                waitUntil(next - period / 2);
                const double start = now();
                SetEvent(floor[kToFirst]);
                if (WaitForSingleObject(floor[kToHost], kFloorWaitMs) != WAIT_OBJECT_0)
                    floorFailed = true;
                floorTrips.push_back(1e3 * (now() - start));
            }
            done = b + 1;
            waitUntil(next);
        }
        if (counter)
            dying = counted;
    }
};

struct Figures {
    double median = 0.0, p99 = 0.0, max = 0.0;
};

Figures figures(std::vector<double> times)
{
    Figures f;
    if (times.empty())
        return f;
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.p99 = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    f.max = times.back();
    return f;
}

HANDLE startProgram(int channel, int frames)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string line = std::string("\"") + self + "\" -program -frames:" + std::to_string(frames) +
                       " -floor:" + std::to_string(GetCurrentProcessId()) +
                       " -halvorin:channel:" + std::to_string(channel + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// One block size: a program started for it, blocks until it is heard, the
// measured blocks with the floor beside them, then the program killed while
// the host streams on.
bool measure(vst2::Effect *effect, int channel, int frames, int measured)
{
    effect->dispatcher(effect, vst2::effSetBlockSize, 0, frames, nullptr, 0.0f);
    effect->dispatcher(effect, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
    HANDLE program = startProgram(channel, frames);
    if (!program) {
        std::fprintf(stderr, "the program's side could not be started\n");
        return false;
    }
    // Long enough to hear the program start, the measured blocks, and the
    // program killed.
    const int warmUp = 30 * kRate / frames;
    const int afterKill = std::max(40, kRate / (2 * frames));
    auto audio = std::make_unique<AudioThread>();
    audio->effect = effect;
    audio->frames = frames;
    audio->blocks = warmUp + measured + afterKill + 2 * kRate / frames;
    audio->starts.assign(audio->blocks, 0.0);
    audio->ends.assign(audio->blocks, 0.0);
    audio->measuredBlocks = measured;
    audio->floorTrips.reserve(measured);
    for (int e = 0; e < kFloorEvents; ++e)
        audio->floor[e] = floorEvent(GetCurrentProcessId(), static_cast<FloorEvent>(e));
    HANDLE thread = CreateThread(nullptr, 0, AudioThread::run, audio.get(), 0, nullptr);
    bool ok = thread != nullptr;
    // Blocks until the program's part sounds, then the measured ones.
    for (const double start = now(); ok && audio->countFrom < 0; Sleep(5)) {
        if (now() - start > 25.0 || WaitForSingleObject(program, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "%d frames: the program was never heard\n", frames);
            ok = false;
        }
    }
    while (ok && audio->done < audio->countTo && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT)
        Sleep(5);
    // Killed in the middle of the host's streaming.
    const double killedAt = now();
    const int doneAtKill = audio->done;
    TerminateProcess(program, 9);
    WaitForSingleObject(program, 10000);
    CloseHandle(program);
    while (ok && audio->done < doneAtKill + afterKill && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT)
        Sleep(5);
    audio->stop = true;
    if (thread && WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "%d frames: the host's audio thread did not come back\n", frames);
        return false;
    }
    if (thread)
        CloseHandle(thread);
    for (HANDLE event : audio->floor)
        CloseHandle(event);
    if (!ok)
        return false;
    if (audio->floorFailed) {
        std::fprintf(stderr, "%d frames: the floor's ping-pong was not answered\n", frames);
        return false;
    }

    std::vector<double> trips;
    for (int b = audio->countFrom; b < audio->countTo; ++b)
        trips.push_back(1e3 * (audio->ends[b] - audio->starts[b]));
    const Figures bridge = figures(trips);
    const Figures floor = figures(audio->floorTrips);
    // The host call in flight at the kill and those after it, until the
    // host streams silence without waiting.
    double givenBack = 0.0;
    for (int b = std::max(0, doneAtKill - 1); b < audio->done; ++b)
        if (audio->ends[b] > killedAt)
            givenBack = std::max(givenBack, 1e3 * (audio->ends[b] - std::max(audio->starts[b], killedAt)));
    const double period = 1e3 * frames / kRate;
    std::printf("%d frames: floor median %.3f ms, 99th percentile %.3f ms, maximum %.3f ms; bridge median "
                "%.3f ms, 99th percentile %.3f ms, maximum %.3f ms; bridge/floor median %.2f, 99th "
                "percentile %.2f\n",
                frames, floor.median, floor.p99, floor.max, bridge.median, bridge.p99, bridge.max,
                bridge.median / floor.median, bridge.p99 / floor.p99);
    std::printf(
        "      %zu blocks, period %.3f ms; audio thread: %ld heap allocations, %ld file opens, %ld file "
        "accesses, %.2f kernel waits a block; while the program died: %ld, %ld, %ld\n",
        trips.size(), period, audio->measured.allocations, audio->measured.fileOpens,
        audio->measured.fileAccesses,
        static_cast<double>(audio->measured.kernelWaits) / static_cast<double>(trips.size()),
        audio->dying.allocations, audio->dying.fileOpens, audio->dying.fileAccesses);
    std::printf("      program killed while streaming: the host's call came back within %.3f ms "
                "(wait bound %.3f ms)\n",
                givenBack, std::min(250.0, 50.0 + 2 * period));
    if (!audio->measured.clean() || !audio->dying.clean()) {
        std::fprintf(stderr, "%d frames: the host's audio thread allocated or touched a file\n", frames);
        return false;
    }
    return true;
}

int runHost(bool brief)
{
    testing_support::LocalMachineOverride machine;
    if (!machine.active())
        return 2;
    const std::string dist = drummer_song::distFolder();
    const std::string provider = dist + "\\ASPHalvorin.dll";
    RegisterModulePath(kStreamProviderKey, "Halvorin", provider.c_str());
    HMODULE plugin = LoadLibraryA((dist + "\\QN3_HalvorinVSTi.dll").c_str());
    auto entry = plugin ? reinterpret_cast<vst2::EntryProc>(
                              reinterpret_cast<void (*)()>(GetProcAddress(plugin, vst2::kEntryName)))
                        : nullptr;
    if (!entry) {
        std::fprintf(stderr, "QN3_HalvorinVSTi.dll could not be loaded from %s\n", dist.c_str());
        return 2;
    }
    hostTime.sampleRate = kRate;
    hostTime.tempo = 120.0;
    hostTime.flags = vst2::kTimeTempoValid | vst2::kTimePpqPosValid | vst2::kTimeTransportPlaying;
    vst2::Effect *effect = entry(hostCallback);
    if (!effect) {
        std::fprintf(stderr, "the instrument found no channel of the provider\n");
        return 2;
    }
    effect->dispatcher(effect, vst2::effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    char channelName[vst2::kMaxProgramNameLength + 1] = {};
    effect->dispatcher(effect, vst2::effGetProgramName, 0, 0, channelName, 0.0f);
    const int channel = std::atoi(channelName) - 1;
    bool ok = channel >= 0 && testing_support::installRealTimeHooks(plugin) &&
              testing_support::installRealTimeHooks(GetModuleHandleA("ASPHalvorin.dll"));
    if (!ok)
        std::fprintf(stderr, "no channel, or the counters could not be put on the bridge's modules\n");
    std::printf("host: VST instrument on Halvorin channel %d, 44.1 kHz, a note every %d blocks; program: the "
                "sound engine playing one part\n",
                channel + 1, kNoteEvery);
    for (int frames : {64, 256, 1024}) {
        if (!ok)
            break;
        const int measured = brief ? 100 : std::max(500, 20 * kRate / frames);
        ok = measure(effect, channel, frames, measured);
    }
    effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
    FreeLibrary(plugin);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string line = GetCommandLineA();
    if (line.find(" -program") != std::string::npos) {
        OleInitialize(nullptr);
        const int result = runProgram(line);
        OleUninitialize();
        return result;
    }
    bool brief = false;
    for (int i = 1; i < argc; ++i)
        brief = brief || std::strcmp(argv[i], "--short") == 0;
    return runHost(brief);
}
