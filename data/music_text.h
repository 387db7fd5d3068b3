// Names of what the song stores: keys, notes, time signatures and chords,
// and the chord table that chord events and chord messages index.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

// Non-zero: key and note names use the German tables.
extern CORVADEL_API int bLatin;

// Number of chord types (0..66).
constexpr long kChordTypes = 67;

// The key's name, with the accidentals " (%s)" when asked; empty for an
// index outside 0..29.
CORVADEL_API char *GetKSignText(long index, char *buffer, int withAccidentals);
// major = index > 14, count of accidentals, sharps = index & 1; 0 (nothing
// written) outside 0..29.
CORVADEL_API int ParseKSign(long index, int &major, long &count, int &sharps);
// "%i/%i" with 2 to the power.
CORVADEL_API char *GetTSignText(long numerator, long power, char *buffer);
// The note's name spelled for the key (C major for an index outside 0..29),
// then the octave and " (number)" when asked.
CORVADEL_API char *GetNoteText(long note, char *buffer, int withOctave, int withNumber, long key);
// Semitone 0..11 of a scale degree 0..6 in the key; -1 for another degree.
CORVADEL_API long GetNoteByStage(long stage, long key);
// The scale degree of a note in the key, -1 when it is not in the scale.
CORVADEL_API long GetStageByNote(long note, long key);
CORVADEL_API int IsBlackNote(long note);
// The intervals above the root, ended by 0; empty for an unknown type.
CORVADEL_API const signed char *GetChordSteps(long type);
// The name suffix shown after the root; empty for an unknown type.
CORVADEL_API const char *GetChordName(long type);

} // namespace Quorvane
