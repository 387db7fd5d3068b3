// The analysis columns of the patterns view (shown while Ctrl is held): where
// a pattern's notes start and end, how many there are and which instruments
// they use, before and after the engine fits them to the drum set, how dense
// the merged rhythm is, and how many notes fall in each drum group.
#pragma once

#include "plugin/framework/midi/midi_track.h"

#include <string>

namespace Quorvane {

class Grindelvosket;

// Fills cells 4..20 (Start ... X) of a list row from a pattern.
void analysePattern(Grindelvosket &engine, const CMidiTrack &pattern, std::string cells[21]);

} // namespace Quorvane
