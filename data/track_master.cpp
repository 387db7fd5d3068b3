#include "data/track_master.h"

#include "data/io_params.h"
#include "data/lock.h"
#include "data/song.h"
#include "data/sound_interfaces.h"

namespace Quorvane {

CTrackMaster::CTrackMaster(CSong *owner)
    : CTrack(0, TRACK_MASTER, owner), timeBase(UsableTimeBase(owner ? owner->GetTimeBase() : 0)),
      sampleRate(UsableSampleRate(owner ? owner->GetSPS() : 0))
{
    // The default maps (4/4, C major, 100 quarters per minute) until events
    // say otherwise, so lookups always find a segment.
    meter.Update(this, timeBase);
    tonal.Update(this, meter);
    timer.Update(this, sampleRate, timeBase);
}

int CTrackMaster::SetDefault()
{
    CTrack::SetDefault();
    CStructArray::Clear();
    EVENT meterEvent, keyEvent, tempoEvent;
    if (!meterEvent.setTSign(4, 2) || !keyEvent.setKSign(15) || !tempoEvent.setTempo(100.0f))
        return 0;
    if (!AddToTail(&meterEvent, 1) || !AddToTail(&keyEvent, 1) || !AddToTail(&tempoEvent, 1))
        return 0;
    Sort();
    if (!UpdateParams(0))
        return 0;
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    output = tract ? tract->GetOutPreview() : nullptr;
    return output != nullptr;
}

int CTrackMaster::CheckInitial(int)
{
    bool meterAt0 = false, keyAt0 = false, tempoAt0 = false;
    for (long i = 0; i < count && GetEvent(i)->time <= 0; ++i) {
        const EVENT *e = GetEvent(i);
        meterAt0 |= e->time == 0 && e->IsTSign();
        keyAt0 |= e->time == 0 && e->IsKSign();
        tempoAt0 |= e->time == 0 && e->IsTempo();
    }
    if (meterAt0 && keyAt0 && tempoAt0)
        return 1;
    EVENT meterEvent, keyEvent, tempoEvent;
    if (!meterEvent.setTSign(4, 2) || !keyEvent.setKSign(15) || !tempoEvent.setTempo(100.0f))
        return 0;
    CLock lock(song ? song->GetSyncObj() : nullptr);
    if ((!meterAt0 && !AddToTail(&meterEvent, 1)) || (!keyAt0 && !AddToTail(&keyEvent, 1)) ||
        (!tempoAt0 && !AddToTail(&tempoEvent, 1)))
        return 0;
    Sort();
    UpdateEdition();
    return 1;
}

int CTrackMaster::UpdateParams(int checkKeyPlaces)
{
    CLock lock(song ? song->GetSyncObj() : nullptr);
    if (song) {
        timeBase = UsableTimeBase(song->GetTimeBase());
        sampleRate = UsableSampleRate(song->GetSPS());
    }
    if (!meter.Update(this, timeBase))
        return 0;
    if (checkKeyPlaces && tonal.CheckPlaces(this, meter))
        Sort();
    return tonal.Update(this, meter) && timer.Update(this, sampleRate, timeBase);
}

} // namespace Quorvane
