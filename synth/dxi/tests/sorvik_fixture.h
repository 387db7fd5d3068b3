// What Sorvik's tests share: the module made by "CreateSoftSynth" beside the
// tests, the registered test instrument's switches, a song with tempo and
// meter changes, and a player that feeds notes at their frames as the
// sound engine does and keeps what comes out.
#pragma once

#include "data/io_params.h"
#include "data/song.h"
#include "data/tests/fake_sound.h"
#include "sound/soft_synth.h"
#include "synth/dxi/tests/instrument/instrument_control.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace sorvik_test {

// Sorvik.dll and the test instrument's module; null entries when missing.
struct Modules {
    Quorvane::CreateSoftSynthProc create = nullptr;
    TEST_DXI_CONTROL *control = nullptr;
    TestDxiLiveObjectsProc liveObjects = nullptr;
    HMODULE instrument = nullptr;
};
Modules &modules();
// The instrument's switches back to their start.
void resetControl();

// A song at rate: 960 ticks per quarter, 120 quarters per minute and 4/4
// from tick 0, 90 and 3/4 from bar 3 (tick 7680).
struct MusicSong {
    explicit MusicSong(long rate = 44100);
    Quorvane::ITembriSong *tembri() { return song.GetITembriSong(); }
    int64_t sampleOf(long tick) { return tembri()->SongGetSampleFromTime(tick); }
    // The song at another rate.
    void setRate(long rate);

    FakeSoundMngr sound;
    Quorvane::IOPARAMS params;
    Quorvane::CSong song{nullptr, &sound};
};

// One Sorvik object with the song; destroyed with the object.
struct Hosted {
    Hosted(MusicSong &song, float rate, int block);
    ~Hosted();
    Hosted(const Hosted &) = delete;
    Hosted &operator=(const Hosted &) = delete;
    bool select(const CLSID &classId) { return host->SelectInstrument(0, &classId); }

    Quorvane::IQuorvaneSoftSynth *synth = nullptr;
    Quorvane::IZQSSExTembri *host = nullptr;
    Quorvane::IZQSSExEnum *names = nullptr;
};

// A song message as the engine hands it over: bytes, tick, duration.
std::array<uint8_t, 12> message(uint8_t status, uint8_t data1, uint8_t data2, int32_t tick,
                                int32_t duration = 240);

// Plays blocks through a hosted instrument as the engine's render thread
// does and keeps the left and right channels.
struct Player {
    Player(Hosted &hosted, MusicSong &song, int block) : hosted(hosted), song(song), block(block) {}
    // Transport start at tick; the output frame where the tick sounds.
    int64_t start(long tick);
    // Blocks until the output holds frames; notes (ticks) are sent in the
    // block their sample falls in.
    void play(const std::vector<long> &notes, int64_t frames, bool replacing = true);
    // The song loops from loopEnd back to loopStart once, in the block that
    // reaches loopEnd; notes after the jump are ticks from loopStart on.
    // The output frames where each note should sound.
    std::vector<int64_t> playLoop(long loopStart, long loopEnd, const std::vector<long> &before,
                                  const std::vector<long> &after, int64_t frames);
    // Where the output holds sound after silence.
    std::vector<int64_t> onsets() const;

    Hosted &hosted;
    MusicSong &song;
    int block;
    int64_t songSample = 0; // the song's sample at the next block
    std::vector<float> left, right;
    std::vector<bool> sounded; // per block: the render answered sound
};

} // namespace sorvik_test
