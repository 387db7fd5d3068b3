#include "synth/dxi/tests/sorvik_fixture.h"

#include "data/event.h"
#include "data/track_master.h"

#include <cstring>
#include <string>

using namespace Quorvane;

namespace sorvik_test {

namespace {

std::string testsFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

template <typename Proc> Proc entry(HMODULE module, const char *name)
{
    return module ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

} // namespace

Modules &modules()
{
    static Modules m = [] {
        Modules loaded;
        HMODULE sorvik = LoadLibraryA((testsFolder() + "Sorvik.dll").c_str());
        loaded.create = entry<CreateSoftSynthProc>(sorvik, "CreateSoftSynth");
        loaded.instrument = LoadLibraryA((testsFolder() + "TembriTestDXi.dll").c_str());
        auto control = entry<TestDxiControlProc>(loaded.instrument, "TestDxiControl");
        loaded.control = control ? control() : nullptr;
        loaded.liveObjects = entry<TestDxiLiveObjectsProc>(loaded.instrument, "TestDxiLiveObjects");
        return loaded;
    }();
    return m;
}

void resetControl()
{
    if (modules().control)
        *modules().control = TEST_DXI_CONTROL();
}

MusicSong::MusicSong(long rate)
{
    params.sampleRate = rate;
    song.UpdateIOParams(&params);
    song.SetDefault();
    CTrackMaster *master = song.GetTrackMaster();
    EVENT tempo;
    tempo.setTempo(120.0f);
    tempo.time = 0;
    master->AddToTail(&tempo, 1);
    EVENT slower;
    slower.setTempo(90.0f);
    slower.time = 7680;
    master->AddToTail(&slower, 1);
    EVENT meter;
    meter.setTSign(3, 2);
    meter.time = 7680;
    master->AddToTail(&meter, 1);
    master->Sort();
    master->UpdateParams(0);
}

void MusicSong::setRate(long rate)
{
    params.sampleRate = rate;
    song.UpdateIOParams(&params);
}

Hosted::Hosted(MusicSong &song, float rate, int block)
{
    if (!modules().create)
        return;
    synth = modules().create(1, 128);
    synth->SetSampleRate(rate);
    synth->SetBlockSize(block);
    host = static_cast<IZQSSExTembri *>(synth->GetSubInterface(SSEX_TEMBRI));
    names = static_cast<IZQSSExEnum *>(synth->GetSubInterface(SSEX_ENUM));
    host->SetSong(song.tembri());
}

Hosted::~Hosted()
{
    if (synth)
        synth->Destroy();
}

std::array<uint8_t, 12> message(uint8_t status, uint8_t data1, uint8_t data2, int32_t tick, int32_t duration)
{
    std::array<uint8_t, 12> bytes = {status, data1, data2, 0};
    std::memcpy(bytes.data() + 4, &tick, 4);
    std::memcpy(bytes.data() + 8, &duration, 4);
    return bytes;
}

int64_t Player::start(long tick)
{
    hosted.host->Transport(SSTRANSPORT_START, tick, tick, 1.0f);
    songSample = song.sampleOf(tick);
    return static_cast<int64_t>(left.size());
}

void Player::play(const std::vector<long> &notes, int64_t frames, bool replacing)
{
    std::vector<float> buffer(2 * static_cast<size_t>(block));
    while (static_cast<int64_t>(left.size()) < frames) {
        for (long tick : notes) {
            const int64_t at = song.sampleOf(tick) - songSample;
            if (at >= 0 && at < block) {
                const auto bytes = message(0x90, 60, 100, tick);
                hosted.synth->MidiIn(bytes.data(), static_cast<int>(at));
            }
        }
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        float *target[1] = {buffer.data()};
        sounded.push_back(replacing ? hosted.synth->RenderReplacing(target, block)
                                    : hosted.synth->RenderAdding(target, block));
        for (int i = 0; i < block; ++i) {
            left.push_back(buffer[2 * i]);
            right.push_back(buffer[2 * i + 1]);
        }
        songSample += block;
    }
}

std::vector<int64_t> Player::playLoop(long loopStart, long loopEnd, const std::vector<long> &before,
                                      const std::vector<long> &after, int64_t frames)
{
    std::vector<int64_t> expected;
    const int64_t end = song.sampleOf(loopEnd);
    // Up to the block that holds the loop's end.
    while (songSample + block <= end) {
        play(before, static_cast<int64_t>(left.size()) + block);
    }
    const int64_t blockStart = static_cast<int64_t>(left.size());
    const int64_t jump = end - songSample; // frames before the jump
    const int64_t startSample = song.sampleOf(loopStart);
    hosted.host->Transport(SSTRANSPORT_LOOP, loopStart, loopEnd, 1.0f);
    auto send = [&](long tick, int64_t offset) {
        const auto bytes = message(0x90, 60, 100, tick);
        hosted.synth->MidiIn(bytes.data(), static_cast<int>(offset));
    };
    for (long tick : before) {
        const int64_t at = song.sampleOf(tick) - songSample;
        if (at >= 0 && at < jump) {
            send(tick, at);
            expected.push_back(blockStart + song.sampleOf(tick + 2) - songSample);
        }
    }
    for (long tick : after) {
        const int64_t at = jump + song.sampleOf(tick) - startSample;
        if (at >= jump && at < block)
            send(tick, at);
        expected.push_back(blockStart + jump + song.sampleOf(tick + 2) - startSample);
    }
    songSample = startSample - jump;
    play({}, blockStart + block);
    play(after, frames);
    return expected;
}

std::vector<int64_t> Player::onsets() const
{
    std::vector<int64_t> found;
    for (size_t i = 0; i < left.size(); ++i)
        if (left[i] != 0.0f && (i == 0 || left[i - 1] == 0.0f))
            found.push_back(static_cast<int64_t>(i));
    return found;
}

} // namespace sorvik_test
