// A MIDI track playing a cell: its events, or what its chain of MIDI effects
// makes of them while the chain is online, as notes (on and off) and
// channel messages.
#include "data/event.h"
#include "data/evnt_trans.h"
#include "data/song.h"
#include "data/track_master.h"
#include "data/track_midi.h"

#include <algorithm>
#include <climits>

namespace Quorvane {

namespace {

// Room for what each of the chain's effects makes of a cell beyond the
// events it is given.
constexpr long kCellEvents = 256;

} // namespace

int CTrackMIDI::OnStartPlayback()
{
    lastProcessed = 0;
    CTrack::OnStartPlayback();
    GoToTimePlay(song->playStartTick - timeOffset, const_cast<CEventArray *>(GetPlayEvents()));
    // However dense a cell, it brings no more of the track's own events
    // than the track holds, and each effect adds what it makes of it (a
    // part track holds none: its drummers make every event). Up to that the
    // render thread takes no room from the heap, nor does its sort.
    const long room = GetPlayEvents()->GetNumb() + kCellEvents * (1 + effects.GetNumEffects());
    cellEvents.Reserve(room);
    effects.ReservePlaying(room);
    return 1;
}

void CTrackMIDI::PlayEvents(const ASKPLAYBACK *cell, const CELLSPAN &span, const CEventArray *events,
                            long first, long last, CEvntTransChain **chain)
{
    CTrackMaster *master = song->master;
    for (long i = first; i < last; ++i) {
        const EVENT *e = events->GetEvent(i);
        if (!e->IsChannel())
            continue;
        const int64_t start = master->GetSampleFromTime(e->time);
        if (start >= cell->sampleLimit)
            continue;
        if (!e->IsNote()) {
            if (CEvntTransElem *message =
                    CEvntTransChain::AddNewEvntTransElem(CellOffset(cell, span, start), chain))
                message->SetMMsg(e, timeOffset, channel);
            continue;
        }
        // A note reaching the loop end is cut to end before it.
        long duration = static_cast<long>(e->value);
        int64_t end = master->GetSampleFromTime(e->time + duration);
        if (end >= cell->sampleLimit) {
            duration = cell->limitTick - e->time - 1;
            end = cell->sampleLimit - 1;
        }
        if (duration <= 0)
            continue;
        int64_t length = end - start;
        if (cell->applyFactor)
            length = static_cast<int64_t>(static_cast<double>(length) / cell->tempoFactor);
        CEvntTransElem *on = CEvntTransChain::AddNewEvntTransElem(CellOffset(cell, span, start), chain);
        CEvntTransElem *off =
            on ? CEvntTransChain::AddNewEvntTransElem(CellOffset(cell, span, end), chain) : nullptr;
        if (!off)
            continue;
        on->SetNoteOn(e, timeOffset, length, transpose, channel);
        on->duration = duration;
        off->SetNoteOff(e, timeOffset, transpose, channel);
        off->tick = e->time + duration + timeOffset;
    }
}

void CTrackMIDI::AskPlayback(ASKPLAYBACK *cell)
{
    const CEventArray *events = GetPlayEvents();
    const CELLSPAN span = BeginCell(cell, events);
    const bool online = effects.IsOnline() && effects.active;
    if (cell->jumped && online) {
        lastProcessed = 0;
        effects.SetPlayState(MEFF_JUMP, span.localTick, cell->jumpedFrom - timeOffset);
    }
    long first, last;
    if (!online || !cell->audible) {
        TakeEventsBefore(span.endTick, events, first, last);
        if (cell->audible) {
            CEvntTransChain *chain = nullptr;
            PlayEvents(cell, span, events, first, last, &chain);
            SendCell(chain, span, output);
        }
        return;
    }
    // The chain plays what it makes of the channel messages of the ticks
    // not processed yet, up to the last tick that starts inside the cell.
    // A message on a later tick (the one the next cell starts with) waits
    // for the cell that processes its tick.
    const long from = std::max(span.localTick, lastProcessed);
    const long to = std::min(song->master->GetTimeFromSample(span.endSample - 1), song->songEnd);
    TakeEventsBefore(to >= from ? to + 1 : span.endTick, events, first, last);
    cellEvents.Clear();
    for (long i = first; i < last; ++i) {
        if (!events->GetEvent(i)->IsChannel())
            continue;
        EVENT e = *events->GetEvent(i);
        cellEvents.AddToTail(&e, 1);
    }
    const CEventArray *processed = to >= from ? effects.ProcessPlaying(&cellEvents, from, to + 1) : nullptr;
    if (to >= from)
        lastProcessed = to + 1;
    const CEventArray *played = processed ? processed : &cellEvents;
    CEvntTransChain *chain = nullptr;
    PlayEvents(cell, span, played, 0, played->GetNumb(), &chain);
    SendCell(chain, span, output);
}

} // namespace Quorvane
