// The song as the sound engine sees it: every answer from the master track.
#include "data/song.h"

#include "data/sound_interfaces.h"
#include "data/track_master.h"

#include <algorithm>
#include <cmath>

namespace Quorvane {

ITembriSong *CSong::GetITembriSong()
{
    SongActivate();
    return this;
}

int CSong::SongActivate()
{
    master = GetTrackMaster();
    return master != nullptr;
}

long CSong::SongGetTimeBase()
{
    return master ? master->GetTimeBase() : UsableTimeBase(params.timeBase);
}

long CSong::SongGetSPS()
{
    return master ? master->GetSPS() : UsableSampleRate(params.sampleRate);
}

void CSong::SongGetMBTFromTime(long tick, long &bar, long &beat, long &tickInBeat)
{
    bar = beat = tickInBeat = 0;
    if (master)
        master->GetMBTFromTime(tick, bar, beat, tickInBeat);
}

long CSong::SongGetTimeFromMBT(long bar, long beat, long tickInBeat)
{
    return master ? master->GetTimeFromMBT(bar, beat, tickInBeat) : 0;
}

long CSong::SongGetNumMeters()
{
    return master ? master->GetNumMeters() : 0;
}

long CSong::SongGetMeterIndexAtTime(long tick)
{
    return master ? master->GetMeterIndexAtTime(tick) : -1;
}

int CSong::SongGetMeterByIndex(long index, QUICKMETER &out)
{
    return master && master->GetMeterByIndex(index, out);
}

long CSong::SongGetNumTonals()
{
    return master ? master->GetNumTonals() : 0;
}

long CSong::SongGetTonalIndexAtTime(long tick)
{
    return master ? master->GetTonalIndexAtTime(tick) : -1;
}

int CSong::SongGetTonalByIndex(long index, QUICKTONAL &out)
{
    return master && master->GetTonalByIndex(index, out);
}

// Engine samples run at the tempo factor: one engine sample is factor song
// samples.
int64_t CSong::SongGetSampleFromTime(long tick)
{
    if (!master)
        return 0;
    const double samples = static_cast<double>(master->GetSampleFromTime(tick)) / lastFactor;
    return static_cast<int64_t>(std::clamp(samples, -9.2e18, 9.2e18));
}

long CSong::SongGetTimeFromSample(int64_t sample)
{
    if (!master)
        return 0;
    const double songSamples = static_cast<double>(sample) * lastFactor;
    return master->GetTimeFromSample(static_cast<int64_t>(std::clamp(songSamples, -9.2e18, 9.2e18)));
}

long CSong::SongGetNumTempos()
{
    return master ? master->GetNumTempos() : 0;
}

long CSong::SongGetTempoIndexAtTime(long tick)
{
    return master ? master->GetTempoIndexAtTime(tick) : -1;
}

int CSong::SongGetTempoByIndex(long index, QUICKTIMER &out)
{
    return master && master->GetTempoByIndex(index, out);
}

float CSong::SongGetTempoNow()
{
    if (!master)
        return 100.0f;
    const bool playing = soundManager && soundManager->IsPlayed(this);
    return master->GetTempoAtTime(playing ? currentTick : playStartTick);
}

void CSong::SongSetModified()
{
    if (updateModifiedFn)
        updateModifiedFn(updateModifiedUser);
    else
        SetModified(1);
}

void CSong::SongPlayMMsg(unsigned long track, unsigned long message)
{
    if (track == 0)
        return;
    if (CTrack *t = GetTrack(static_cast<long>(track)))
        t->PreviewMMsg(message);
}

} // namespace Quorvane
