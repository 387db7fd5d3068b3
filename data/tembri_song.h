// The song as the sound engine and its soft synths see it: its time base and
// the positions of its meter, key and tempo maps, all answered from the
// master track.
#pragma once

#include "data/quick_maps.h"

#include <cstdint>

namespace Quorvane {

class ITembriSong {
public:
    // Caches the master track; 1 when there is one.
    virtual int SongActivate() = 0;
    virtual long SongGetTimeBase() = 0;
    virtual long SongGetSPS() = 0;
    // Bars and beats counted from 0; all 0 at or before tick 0.
    virtual void SongGetMBTFromTime(long tick, long &bar, long &beat, long &tickInBeat) = 0;
    virtual long SongGetTimeFromMBT(long bar, long beat, long tickInBeat) = 0;
    virtual long SongGetNumMeters() = 0;
    virtual long SongGetMeterIndexAtTime(long tick) = 0;
    virtual int SongGetMeterByIndex(long index, QUICKMETER &meter) = 0;
    virtual long SongGetNumTonals() = 0;
    virtual long SongGetTonalIndexAtTime(long tick) = 0;
    virtual int SongGetTonalByIndex(long index, QUICKTONAL &tonal) = 0;
    // Engine samples: song samples divided by the tempo factor in force.
    virtual int64_t SongGetSampleFromTime(long tick) = 0;
    virtual long SongGetTimeFromSample(int64_t sample) = 0;
    virtual long SongGetNumTempos() = 0;
    virtual long SongGetTempoIndexAtTime(long tick) = 0;
    virtual int SongGetTempoByIndex(long index, QUICKTIMER &timer) = 0;
    // Quarters per minute now (at the play position while playing).
    virtual float SongGetTempoNow() = 0;
    virtual void SongSetModified() = 0;
    // Previews a packed MIDI message on the track with that id.
    virtual void SongPlayMMsg(unsigned long track, unsigned long message) = 0;

protected:
    ~ITembriSong() = default;
};

} // namespace Quorvane
