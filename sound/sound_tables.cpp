#include "sound/sound_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Quorvane {

float *pSndFreqTab = nullptr;
float *pSndVolTab = nullptr;
float *pSndPanTab = nullptr;

namespace {

constexpr int kNotes = 128;
constexpr int kVolumes = 128;
constexpr int kPans = 129;
// Pitch factors of -25..+25 semitones; entry 25 is 1.0.
constexpr int kWheelSteps = 51;
constexpr int kWheelCentre = 25;
constexpr long kMaxWheelSemitones = 24;
float wheelTable[kWheelSteps];

// Each entry from its neighbour, rounded to a float as stored: the tables
// carry the rounding of the repeated product, not of a direct power.
void fillBySemitones(float *table, int count, int anchor, float anchorValue)
{
    const float up = static_cast<float>(std::pow(2.0, 1.0 / 12.0));
    const float down = 1.0f / up;
    table[anchor] = anchorValue;
    for (int i = anchor + 1; i < count; ++i)
        table[i] = up * table[i - 1];
    for (int i = anchor - 1; i >= 0; --i)
        table[i] = down * table[i + 1];
}

float *newTable(int count)
{
    return static_cast<float *>(std::malloc(sizeof(float) * count));
}

} // namespace

bool MakeSoundTables()
{
    pSndFreqTab = newTable(kNotes);
    pSndVolTab = newTable(kVolumes);
    pSndPanTab = newTable(kPans);
    if (!pSndFreqTab || !pSndVolTab || !pSndPanTab) {
        FreeSoundTables();
        return false;
    }
    fillBySemitones(pSndFreqTab, kNotes, 69, 440.0f);
    fillBySemitones(wheelTable, kWheelSteps, kWheelCentre, 1.0f);
    for (int i = 0; i < kVolumes; ++i)
        pSndVolTab[i] = std::sqrt(static_cast<float>(i) * 0.01f);
    for (int j = 0; j < kPans; ++j)
        pSndPanTab[j] = std::sqrt(static_cast<float>(j) / 64.0f);
    return true;
}

void FreeSoundTables()
{
    for (float **table : {&pSndFreqTab, &pSndVolTab, &pSndPanTab}) {
        std::free(*table);
        *table = nullptr;
    }
}

void SndGetVolPan(long volume, long pan, float &left, float &right)
{
    const float gain = pSndVolTab[std::clamp(volume, 0L, long{kVolumes - 1})];
    pan = std::clamp(pan, 0L, long{kPans - 1});
    left = gain * pSndPanTab[kPans - 1 - pan];
    right = gain * pSndPanTab[pan];
}

void SndGetVolPanVel(long volume, long pan, long velocity, float &left, float &right)
{
    const float gain = static_cast<float>(std::clamp(velocity, 0L, 127L)) *
                       pSndVolTab[std::clamp(volume, 0L, long{kVolumes - 1})] * (1.0f / 127.0f);
    pan = std::clamp(pan, 0L, long{kPans - 1});
    left = gain * pSndPanTab[kPans - 1 - pan];
    right = gain * pSndPanTab[pan];
}

float SndGetWheelFactor(long bend, long range, long offset)
{
    if (range <= 0 || (bend == 0 && offset == 0))
        return 1.0f;
    bend = std::clamp(bend, -8192L, 8191L);
    range = std::min(range, kMaxWheelSemitones);
    const long steps = 8192 / range;
    const long semitones = bend / steps;
    const long rest = bend - semitones * steps;
    // The neighbours used for the rest stay inside the table.
    const long index = std::clamp(semitones + offset + kWheelCentre, 1L, long{kWheelSteps - 2});
    const float base = wheelTable[index];
    if (rest > 0)
        return base + (wheelTable[index + 1] - base) * static_cast<float>(rest) / static_cast<float>(steps);
    if (rest < 0)
        return base + (base - wheelTable[index - 1]) * static_cast<float>(rest) / static_cast<float>(steps);
    return base;
}

} // namespace Quorvane
