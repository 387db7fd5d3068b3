#include "outside/mfx/song_timeline.h"

#include "data/io_params.h"
#include "data/tembri_song.h"

#include <cmath>

namespace tembri_mfx {

using namespace Quorvane;

LONG SongTimeline::quarterTicks()
{
    return UsableTimeBase(song_->SongGetTimeBase());
}

LONG SongTimeline::ticksToMsecs(LONG ticks)
{
    return static_cast<LONG>(song_->SongGetSampleFromTime(ticks) * 1000 /
                             UsableSampleRate(song_->SongGetSPS()));
}

LONG SongTimeline::msecsToTicks(LONG msecs)
{
    return song_->SongGetTimeFromSample(int64_t(msecs) * UsableSampleRate(song_->SongGetSPS()) / 1000);
}

LONG SongTimeline::tempoCount()
{
    return song_->SongGetNumTempos();
}

LONG SongTimeline::tempoIndexAt(LONG ticks)
{
    return song_->SongGetTempoIndexAtTime(ticks);
}

bool SongTimeline::tempoAt(LONG index, LONG &startTicks, LONG &tempo)
{
    QUICKTIMER timer;
    if (!song_->SongGetTempoByIndex(index, timer) || !(timer.samplesPerTick > 0))
        return false;
    // Beats per minute = samples per minute / samples per quarter.
    const double perMinute = 60.0 * UsableSampleRate(song_->SongGetSPS());
    const double perQuarter = double(timer.samplesPerTick) * quarterTicks();
    startTicks = timer.startTick;
    tempo = static_cast<LONG>(std::lround(perMinute / perQuarter * 100.0));
    return true;
}

void SongTimeline::measureBeatTick(LONG ticks, LONG &measure, LONG &beat, LONG &tick)
{
    long bar = 0, beatInBar = 0, tickInBeat = 0;
    song_->SongGetMBTFromTime(ticks, bar, beatInBar, tickInBeat);
    measure = bar + 1;
    beat = beatInBar + 1;
    tick = tickInBeat;
}

LONG SongTimeline::ticksAt(LONG measure, LONG beat, LONG tick)
{
    return song_->SongGetTimeFromMBT(measure - 1, beat - 1, tick);
}

LONG SongTimeline::meterCount()
{
    return song_->SongGetNumMeters();
}

LONG SongTimeline::meterIndexAt(LONG ticks)
{
    return song_->SongGetMeterIndexAtTime(ticks);
}

bool SongTimeline::meterAt(LONG index, LONG &startMeasure, LONG &numerator, LONG &denominatorPower)
{
    QUICKMETER meter;
    if (!song_->SongGetMeterByIndex(index, meter))
        return false;
    startMeasure = meter.startBar + 1;
    numerator = meter.numerator;
    denominatorPower = meter.power;
    return true;
}

} // namespace tembri_mfx
