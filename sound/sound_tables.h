// Lookup tables that soft synths and editors share: note frequencies, the
// volume curve and the equal-power pan curve, with the gains and pitch-wheel
// factors made from them. Built when the library loads; every input is
// clamped to its table.
#pragma once

#include "sound/tindrel_api.h"

namespace Quorvane {

// 128 note frequencies in Hz (entry 69 is 440).
TINDREL_API extern float *pSndFreqTab;
// 128 volumes, entry i = sqrt(i / 100).
TINDREL_API extern float *pSndVolTab;
// 129 pan gains, entry j = sqrt(j / 64) (64 is the centre).
TINDREL_API extern float *pSndPanTab;

// Left and right gains of a volume (0..127) and pan (0..128).
TINDREL_API void SndGetVolPan(long volume, long pan, float &left, float &right);
// The same scaled by a velocity (0..127).
TINDREL_API void SndGetVolPanVel(long volume, long pan, long velocity, float &left, float &right);
// Frequency factor of a pitch-wheel value (-8192..8191) with its range and
// an offset in semitones (together at most 24 either way).
TINDREL_API float SndGetWheelFactor(long bend, long range, long offset);

// Made and freed by the library's entry point; false when memory ran out
// (nothing is left made then).
bool MakeSoundTables();
void FreeSoundTables();

} // namespace Quorvane
