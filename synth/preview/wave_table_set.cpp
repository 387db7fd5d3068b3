#include "synth/preview/wave_table_set.h"

#include "synth/preview/preview_resources.h"

#include <windows.h>

#include <cmath>
#include <new>

namespace Quorvane {

namespace {

constexpr double kTonePeak = 0.1;
// The sounds are kept at a tenth of full scale, as the tones.
constexpr float kSoundScale = 0.1f;

struct SetChain {
    SetChain() { InitializeCriticalSection(&lock); }
    CChain sets;
    CRITICAL_SECTION lock;
};

SetChain &setChain()
{
    static SetChain chain;
    return chain;
}

void makeTones(WAVETABLE *tones, long rate)
{
    const double pi = 3.14159265358979323846;
    for (int t = 0; t < WAVE_TONES; ++t)
        tones[t].data.assign(static_cast<size_t>(rate), 0.0f);
    const double triangleStep = 0.4 / rate;
    const double sawStep = 0.2 / rate;
    double triangle = 0.0;
    for (long i = 0; i < rate; ++i) {
        tones[WAVE_SINE].data[i] = static_cast<float>(kTonePeak * std::sin(2.0 * pi * i / rate));
        tones[WAVE_TRIANGLE].data[i] = static_cast<float>(triangle);
        triangle += (i < rate / 4 || i >= rate - rate / 4) ? triangleStep : -triangleStep;
        tones[WAVE_SAW].data[i] =
            static_cast<float>(i < rate / 2 ? sawStep * i : -kTonePeak + sawStep * (i - rate / 2));
        tones[WAVE_SQUARE].data[i] = static_cast<float>(i == 0 || i == rate / 2 || i == rate - 1 ? 0.0
                                                        : i < rate / 2                           ? kTonePeak
                                                                       : -kTonePeak);
    }
}

} // namespace

CWaveTableSet::CWaveTableSet(long sampleRate) : rate(sampleRate)
{
    releaseFrames = rate * 20 / 1000;
    if (releaseFrames < 1)
        releaseFrames = 1;
    releaseStep = 1.0f / static_cast<float>(releaseFrames);
}

long CWaveTableSet::Compare(CChainElem *other)
{
    const long otherRate = static_cast<CWaveTableSet *>(other)->rate;
    return rate < otherRate ? -1 : rate > otherRate ? 1 : 0;
}

bool CWaveTableSet::make()
{
    if (rate <= 0)
        return false;
    try {
        makeTones(tones, rate);
    } catch (const std::bad_alloc &) {
        return false;
    }
    const int drumIds[DRUM_SOUNDS] = {kBigDrumSound, kLittleDrumSound, kHiHatSound};
    for (int d = 0; d < DRUM_SOUNDS; ++d)
        LoadPreviewSound(drumIds[d], rate, kSoundScale, drums[d].data);
    LoadPreviewSound(kClickSound, rate, kSoundScale, clicks[CLICK_NORMAL].data);
    LoadPreviewSound(kAccentClickSound, rate, kSoundScale, clicks[CLICK_ACCENT].data);
    return true;
}

const CWaveTableSet *CWaveTableSet::ForRate(long sampleRate)
{
    SetChain &chain = setChain();
    EnterCriticalSection(&chain.lock);
    CWaveTableSet *found = nullptr;
    for (auto *set = static_cast<CWaveTableSet *>(chain.sets.GetFirst()); set;
         set = static_cast<CWaveTableSet *>(set->next))
        if (set->rate == sampleRate)
            found = set;
    if (!found) {
        found = new (std::nothrow) CWaveTableSet(sampleRate);
        if (found && found->make()) {
            chain.sets.InsertSort(found);
        } else {
            delete found;
            found = nullptr;
        }
    }
    LeaveCriticalSection(&chain.lock);
    return found;
}

void CWaveTableSet::FreeAll()
{
    SetChain &chain = setChain();
    EnterCriticalSection(&chain.lock);
    chain.sets.Clear(nullptr);
    LeaveCriticalSection(&chain.lock);
}

} // namespace Quorvane
