// The result of a part: what its three drummers play over the part's
// length, written as a Standard MIDI File or rendered into a WAVE file. The
// caller stops playback, switches to the part and sends the drummers their
// plain velocity, bend and modulation first, and lays the part tracks out
// again afterwards (both writers leave the part track empty).
#pragma once

#include <cstdint>

namespace Quorvane {

class CSong;
class CStorage;
class CTrackMIDI;

// Whether a message a part's drummers play is left out of what the part
// plays, live and exported: key aftertouch (the mark a drummer leaves for a
// window with nothing to play) and the pitch wheel (the bend that gives a
// part track its length).
constexpr bool LeftOutOfPart(uint8_t status)
{
    return (status & 0xF0) == 0xA0 || (status & 0xF0) == 0xE0;
}

// Runs the track's drummers over ticks 0 .. end - 1 into the track (the
// messages left out of a part left out) and writes the song's sounding
// tracks, each ending at end: format 0 (one track) or 1. The track's events
// are all gone afterwards.
bool ExportPartMidi(CSong &song, CTrackMIDI &track, long end, bool format0, CStorage &storage);

// Renders the track alone (the metronome silent), its drummers' events of
// ticks 0 .. end - 1 only, and writes the sound in the sample format given
// (16, 24, 32 or 0x8020 for 32-bit float), exactly as long as the part: the
// sound that rings on past the end is added to the start, as it sounds when
// the part loops.
bool ExportPartWave(CSong &song, CTrackMIDI &track, long end, unsigned format, CStorage &storage);

} // namespace Quorvane
