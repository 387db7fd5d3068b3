// What hosting costs: one minute of the test instrument rendered through
// Sorvik at 44.1 kHz in blocks of 256 frames, a note every 100 ms, with the
// time of each block against the block's period and the heap allocations
// and file accesses of the render calls after opening. Not a test: it
// prints figures; it fails when the instrument cannot be hosted or never
// sounds. It registers the test instrument from the tests folder.
// usage: sorvik_benchmark [--short]   (--short renders two seconds)
#include "data/event.h"
#include "data/song.h"
#include "data/tests/fake_sound.h"
#include "data/track_master.h"
#include "sound/soft_synth.h"
#include "synth/dxi/tests/instrument/instrument_control.h"
#include "testing/benchmark_options.h"
#include "testing/realtime_counters.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

std::string folderOf(const std::string &path)
{
    return path.substr(0, path.find_last_of('\\'));
}

template <typename Proc> Proc entry(HMODULE module, const char *name)
{
    return module ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

constexpr long kRate = 44100;
constexpr int kBlock = 256;

} // namespace

int main(int argc, char **argv)
{
    const int64_t frames = (testing_support::shortRun(argc, argv) ? 2 : 60) * int64_t(kRate);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string tests = folderOf(folderOf(path)) + "\\tests\\";
    HMODULE instrument = LoadLibraryA((tests + "TembriTestDXi.dll").c_str());
    HMODULE sorvik = LoadLibraryA((tests + "Sorvik.dll").c_str());
    using Register = HRESULT(STDAPICALLTYPE *)();
    auto registerServer = entry<Register>(instrument, "DllRegisterServer");
    auto create = entry<CreateSoftSynthProc>(sorvik, "CreateSoftSynth");
    if (!registerServer || registerServer() != S_OK || !create) {
        std::printf("the test instrument or Sorvik is missing in %s\n", tests.c_str());
        return 1;
    }
    // The modules the render calls run in, and this program (its own
    // bookkeeping is made before the counting starts).
    for (HMODULE module : {sorvik, instrument, GetModuleHandleA("Corvadel.dll"), HMODULE()})
        testing_support::installRealTimeHooks(module);

    FakeSoundMngr sound;
    CSong song(nullptr, &sound);
    song.SetDefault();
    CTrackMaster *master = song.GetTrackMaster();
    EVENT tempo;
    tempo.setTempo(120.0f);
    master->AddToTail(&tempo, 1);
    master->UpdateParams(0);
    ITembriSong *tembri = song.GetITembriSong();

    IQuorvaneSoftSynth *synth = create(1, 128);
    synth->SetSampleRate(static_cast<float>(kRate));
    synth->SetBlockSize(kBlock);
    auto *host = static_cast<IZQSSExTembri *>(synth->GetSubInterface(SSEX_TEMBRI));
    host->SetSong(tembri);
    if (!host->SelectInstrument(0, &CLSID_TestDxi)) {
        std::printf("the test instrument did not open\n");
        return 1;
    }
    host->Transport(SSTRANSPORT_START, 0, 0, 1.0f);

    std::vector<float> buffer(2 * kBlock);
    float *target[1] = {buffer.data()};
    std::vector<double> times;
    times.reserve(frames / kBlock + 1);
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    const int64_t noteEvery = kRate / 10;
    long blocks = 0, sounding = 0;
    testing_support::RealTimeCounter counter;
    for (int64_t at = 0; at < frames; at += kBlock) {
        QueryPerformanceCounter(&before);
        const int64_t next = (at + noteEvery - 1) / noteEvery * noteEvery;
        if (next < at + kBlock) {
            const long tick = tembri->SongGetTimeFromSample(next);
            std::array<uint8_t, 12> message = {0x90, static_cast<uint8_t>(48 + next / noteEvery % 24), 100,
                                               0};
            std::memcpy(message.data() + 4, &tick, 4);
            const int32_t duration = 240;
            std::memcpy(message.data() + 8, &duration, 4);
            synth->MidiIn(message.data(), static_cast<int>(next - at));
        }
        sounding += synth->RenderReplacing(target, kBlock);
        QueryPerformanceCounter(&after);
        times.push_back(1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) / frequency.QuadPart);
        ++blocks;
    }
    const long allocations = counter.allocations();
    const long fileOpens = counter.fileOpens() + counter.fileAccesses();
    synth->Destroy();

    std::sort(times.begin(), times.end());
    const double period = 1000.0 * kBlock / kRate;
    std::printf(
        "Sorvik hosting the test instrument: %ld blocks of %d frames at %ld Hz (%.0f s), %ld sounding\n",
        blocks, kBlock, kRate, double(frames) / kRate, sounding);
    std::printf("block period          %8.3f ms\n", period);
    std::printf("time per block median %8.4f ms (%.2f%% of the period)\n", times[times.size() / 2],
                100.0 * times[times.size() / 2] / period);
    std::printf("time per block p99    %8.4f ms\n", times[times.size() * 99 / 100]);
    std::printf("time per block max    %8.4f ms\n", times.back());
    std::printf("heap allocations      %ld (%.4f per block)\n", allocations, double(allocations) / blocks);
    std::printf("file opens and accesses %ld\n", fileOpens);
    CoUninitialize();
    return sounding > 0 ? 0 : 1;
}
