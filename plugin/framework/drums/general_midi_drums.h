// The General MIDI percussion names of notes 35..81.
#pragma once

namespace Quorvane {

constexpr int kGeneralMidiFirstDrum = 35;
constexpr int kGeneralMidiLastDrum = 81;

// The drum name of a note, or null outside 35..81.
const char *generalMidiDrumName(int note);

} // namespace Quorvane
