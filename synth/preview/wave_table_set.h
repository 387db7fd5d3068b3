// The preview synthesizer's waveforms for one sample rate: four one-second
// tones (sine, triangle, saw, square), the three drum sounds and the two
// metronome clicks. A set is made on first use of its rate and kept, with
// the sets of other rates, until the module is unloaded.
#pragma once

#include "data/chain.h"

#include <vector>

namespace Quorvane {

enum : int { WAVE_SINE = 0, WAVE_TRIANGLE, WAVE_SAW, WAVE_SQUARE, WAVE_TONES };
enum : int { DRUM_BIG = 0, DRUM_LITTLE, DRUM_HIHAT, DRUM_SOUNDS };
enum : int { CLICK_NORMAL = 0, CLICK_ACCENT, CLICK_SOUNDS };

// A table of mono samples.
struct WAVETABLE {
    const float *samples() const { return data.data(); }
    long length() const { return static_cast<long>(data.size()); }
    std::vector<float> data;
};

class CWaveTableSet : public CChainElem {
public:
    explicit CWaveTableSet(long sampleRate);
    long Compare(CChainElem *other) override;

    // The set of the rate, made when there is none yet; null when it could
    // not be made.
    static const CWaveTableSet *ForRate(long sampleRate);
    // Frees every set (the module is going).
    static void FreeAll();

    long rate;
    WAVETABLE tones[WAVE_TONES];
    WAVETABLE drums[DRUM_SOUNDS];
    WAVETABLE clicks[CLICK_SOUNDS];
    // 20 ms of frames, at least 1, and its reciprocal.
    long releaseFrames;
    float releaseStep;

private:
    bool make();
};

} // namespace Quorvane
