// The master track playing a cell: the metronome's clicks on the beats (an
// accent on each bar's first), and the tempo for the instruments that follow
// the song's tempo, which listen on the chord track's output.
#include "data/event.h"
#include "data/evnt_trans.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"

namespace Quorvane {

namespace {

constexpr float kDefaultTempo = 100.0f;

// The chord track's output, where the tempo goes; null without one.
void *tempoOutput(CSong *song)
{
    CTrack *chords = song->GetTrackChords();
    return chords ? chords->output : nullptr;
}

} // namespace

void CTrackMaster::GoToTimePlay(long tick, CEventArray *)
{
    // Always from the start: the tempo in force is that of the last tempo
    // event before the tick.
    tempoNow = kDefaultTempo;
    long i = 0;
    for (; i < GetNumb() && GetEvent(i)->time < tick; ++i)
        if (GetEvent(i)->IsTempo())
            tempoNow = GetEvent(i)->getTempoVal();
    playCursor = i;
    cachedEdition = edition;
}

int CTrackMaster::OnStartPlayback()
{
    tempoNow = kDefaultTempo;
    CTrack::OnStartPlayback();
    void *out = tempoOutput(song);
    IQuorvaneSongTract *tract = song->GetSongTract();
    CEvntTransChain *chain = nullptr;
    if (out && tract && CEvntTransChain::AddNewEvntTransElem(0, &chain)) {
        chain->GetFirstElem()->SetTempo(tempoNow, song->tempoFactor, song->playStartTick);
        tract->InsertEvents(out, chain);
    }
    return 1;
}

void CTrackMaster::AskPlayback(ASKPLAYBACK *cell)
{
    void *tempoOut = tempoOutput(song);
    const CELLSPAN span = BeginCell(cell, this);
    long first, last;
    TakeEventsBefore(span.endTick, this, first, last);

    // Clicks on every beat that falls in the cell's samples (a beat on the
    // tick two cells share sounds once), counted from the bar holding the
    // cell's start; a bar's first beat is accented, also right after a meter
    // change.
    if (song->metronome) {
        CEvntTransChain *clicks = nullptr;
        long next = 0;
        const QUICKMETER *meter = GetPQMFromTime(span.localTick, next);
        long beat =
            meter->startTick + (span.localTick - meter->startTick) / meter->ticksPerBar * meter->ticksPerBar;
        while (beat < span.localTick + cell->cellTicks) {
            if (beat >= next) {
                meter = GetPQMFromTime(next, next);
                beat = meter->startTick;
                continue;
            }
            const int64_t sample = GetSampleFromTime(beat);
            if (sample >= span.startSample && sample < span.endSample) {
                if (CEvntTransElem *click = CellMessage(cell, span, beat, &clicks))
                    click->SetMetro((beat - meter->startTick) % meter->ticksPerBar == 0, beat);
            }
            beat += meter->ticksPerBeat;
        }
        SendCell(clicks, span, output);
    }

    // The tempo events of the cell; a new tempo factor goes out at the
    // cell's start with the tempo in force.
    if (!tempoOut)
        return;
    CEvntTransChain *tempos = nullptr;
    bool factorSent = !cell->factorChanged;
    for (long i = first; i < last; ++i) {
        const EVENT *e = GetEvent(i);
        if (!e->IsTempo())
            continue;
        CEvntTransElem *message = CellMessage(cell, span, e->time, &tempos);
        if (!message)
            continue;
        if (!factorSent && message->sample != cell->bufferOffset) {
            if (CEvntTransElem *factor = CEvntTransChain::AddNewEvntTransElem(cell->bufferOffset, &tempos))
                factor->SetTempo(tempoNow, cell->tempoFactor, span.localTick);
        }
        factorSent = true;
        message->SetTempo(e, cell->tempoFactor);
        tempoNow = e->getTempoVal();
    }
    if (!factorSent) {
        if (CEvntTransElem *factor = CEvntTransChain::AddNewEvntTransElem(cell->bufferOffset, &tempos))
            factor->SetTempo(tempoNow, cell->tempoFactor, span.localTick);
    }
    SendCell(tempos, span, tempoOut);
}

} // namespace Quorvane
