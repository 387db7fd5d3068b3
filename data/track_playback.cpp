// What every track does to play one time cell of an audio buffer: find its
// events, place them in the buffer by their sample positions, and hand the
// messages to its output. The kinds build on it (the song calls them under
// its mutex, on the sound engine's render thread).
#include "data/evnt_trans.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track.h"
#include "data/track_master.h"

#include <algorithm>

namespace Quorvane {

namespace {

int64_t songSamples(const ASKPLAYBACK *cell)
{
    return cell->applyFactor
               ? static_cast<int64_t>(static_cast<double>(cell->cellSamples) * cell->tempoFactor)
               : cell->cellSamples;
}

} // namespace

int CTrack::OnStartPlayback()
{
    const long start = song->playStartTick;
    cachedEdition = edition + 1;
    GoToTimePlay(start - timeOffset, nullptr);
    IQuorvaneSoundMngr *manager = song->GetSoundMngr();
    const bool resumed = start != 0 && manager && manager->IsLastPlayed(song);
    if (!IsMute() && !resumed)
        SendInitialToPort(SEND_ALL);
    return 1;
}

CTrack::CELLSPAN CTrack::BeginCell(const ASKPLAYBACK *cell, const CEventArray *events)
{
    CTrackMaster *master = song->master;
    CELLSPAN span;
    span.localTick = song->currentTick - timeOffset;
    if (timeOffset == 0) {
        span.startSample = song->currentSample;
        span.endTick = span.localTick + cell->cellTicks;
    } else {
        span.startSample = master->GetSampleFromTime(span.localTick);
        span.endTick = master->GetTimeFromSample(span.startSample + songSamples(cell)) + 1;
    }
    span.endSample = span.startSample + songSamples(cell);
    // After a jump or an edit the cursor is searched again.
    if (cell->jumped || cachedEdition != edition)
        GoToTimePlay(span.localTick, const_cast<CEventArray *>(events));
    return span;
}

void CTrack::TakeEventsBefore(long endTick, const CEventArray *events, long &first, long &last)
{
    first = last = std::min(playCursor, events->GetNumb());
    while (last < events->GetNumb() && events->GetEvent(last)->time < endTick)
        ++last;
    playCursor = last;
}

int64_t CTrack::CellOffset(const ASKPLAYBACK *cell, const CELLSPAN &span, int64_t sample) const
{
    int64_t offset = std::max<int64_t>(0, sample - span.startSample);
    if (cell->applyFactor)
        offset = static_cast<int64_t>(static_cast<double>(offset) / cell->tempoFactor);
    return offset + cell->bufferOffset;
}

CEvntTransElem *CTrack::CellMessage(const ASKPLAYBACK *cell, const CELLSPAN &span, long tick,
                                    CEvntTransChain **chain)
{
    const int64_t sample = song->master->GetSampleFromTime(tick);
    if (sample >= cell->sampleLimit)
        return nullptr;
    return CEvntTransChain::AddNewEvntTransElem(CellOffset(cell, span, sample), chain);
}

void CTrack::SendCell(CEvntTransChain *chain, const CELLSPAN &span, void *out)
{
    if (chain && prePlayFn)
        chain = prePlayFn(chain, span.localTick, span.endTick, prePlayUser);
    if (!chain)
        return;
    IQuorvaneSongTract *tract = song->GetSongTract();
    if (tract && out)
        tract->InsertEvents(out, chain);
    else
        delete chain;
}

} // namespace Quorvane
