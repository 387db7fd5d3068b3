// The chord track and the melody track playing a cell: chords for the
// song's chord-following instruments, and the melody as one sounding note
// that each melody event ends.
#include "data/event.h"
#include "data/evnt_trans.h"
#include "data/song.h"
#include "data/track_chords.h"
#include "data/track_meltext.h"

namespace Quorvane {

int CTrackChords::OnStartPlayback()
{
    chordNow = -1;
    return CTrack::OnStartPlayback();
}

void CTrackChords::AskPlayback(ASKPLAYBACK *cell)
{
    const CELLSPAN span = BeginCell(cell, this);
    long first, last;
    TakeEventsBefore(span.endTick, this, first, last);
    CEvntTransChain *chain = nullptr;
    if (!cell->audible) {
        // The sounding chord ends.
        if (chordNow >= 0) {
            if (CEvntTransElem *none = CEvntTransChain::AddNewEvntTransElem(cell->bufferOffset, &chain))
                none->SetChord(kNoChord, 0, 0);
            chordNow = -1;
        }
        SendCell(chain, span, output);
        return;
    }
    for (long i = first; i < last; ++i) {
        const EVENT *e = GetEvent(i);
        if (!e->IsChord() && !e->IsChannel())
            continue;
        CEvntTransElem *message = CellMessage(cell, span, e->time, &chain);
        if (!message)
            continue;
        if (e->IsChord()) {
            message->SetChord(e, timeOffset, transpose);
            chordNow = message->Byte(1) == kNoChord ? -1 : message->Byte(1);
        } else {
            message->SetChordMMSg(e, timeOffset);
        }
    }
    SendCell(chain, span, output);
}

int CTrackMelText::OnStartPlayback()
{
    melodyNow = -1;
    return CTrack::OnStartPlayback();
}

void CTrackMelText::AskPlayback(ASKPLAYBACK *cell)
{
    const CELLSPAN span = BeginCell(cell, this);
    long first, last;
    TakeEventsBefore(span.endTick, this, first, last);
    CEvntTransChain *chain = nullptr;
    if (!cell->audible) {
        if (melodyNow >= 0) {
            if (CEvntTransElem *off = CEvntTransChain::AddNewEvntTransElem(cell->bufferOffset, &chain))
                off->SetNote(melodyNow, transpose, 0, GetTrackChan());
            melodyNow = -1;
        }
        SendCell(chain, span, output);
        return;
    }
    for (long i = first; i < last; ++i) {
        const EVENT *e = GetEvent(i);
        if (!e->IsMelody())
            continue;
        if (melodyNow >= 0) {
            CEvntTransElem *off = CellMessage(cell, span, e->time, &chain);
            if (!off)
                continue;
            off->SetNote(melodyNow, transpose, 0, GetTrackChan());
            melodyNow = -1;
        }
        if (e->value >= 1) {
            CEvntTransElem *on = CellMessage(cell, span, e->time, &chain);
            if (!on)
                continue;
            melodyNow = static_cast<long>(e->value) - 1;
            on->SetNote(melodyNow, transpose, 100, GetTrackChan());
        }
    }
    SendCell(chain, span, output);
}

} // namespace Quorvane
