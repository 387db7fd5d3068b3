// The MIDI message of a track event, as files and off-line exports write it.
#pragma once

#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/smf_codec.h"

namespace Quorvane {

// Note-on, key pressure, controller, program change, channel pressure and
// pitch bend convert; other kinds give false. Data bytes are kept to 7 bits.
bool eventToSmfMessage(const CMidiTrack::Event &event, SmfMessage &message);

// Clocks per metronome click of the time-signature meta event: 24 to the
// quarter, so one beat of the given denominator power.
uint8_t clocksPerBeat(int denominatorPower);

} // namespace Quorvane
