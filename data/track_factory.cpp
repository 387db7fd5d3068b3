// The track kinds the song can make. The master track is made by the song
// itself.
#include "data/song.h"
#include "data/track_audio.h"
#include "data/track_chords.h"
#include "data/track_meltext.h"
#include "data/track_midi.h"

#include <new>

namespace Quorvane {

CTrack *CreateTrack(long kind, unsigned long id, CSong *song)
{
    switch (kind) {
    case TRACK_CHORDS:
        return new (std::nothrow) CTrackChords(id, song);
    case TRACK_MELTEXT:
        return new (std::nothrow) CTrackMelText(id, song);
    case TRACK_MIDI:
        return new (std::nothrow) CTrackMIDI(id, song);
    case TRACK_AUDIO:
        return new (std::nothrow) CTrackAudio(id, song);
    case TRACK_PATTMIDI:
        return new (std::nothrow) CTrackPattMIDI(id, song);
    case TRACK_PATTDRUMS:
        return new (std::nothrow) CTrackPattDrums(id, song);
    case TRACK_PATTSR:
        return new (std::nothrow) CTrackPattSR(id, song);
    default:
        return nullptr;
    }
}

} // namespace Quorvane
