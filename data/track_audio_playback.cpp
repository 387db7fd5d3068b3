// An audio track playing a cell: the frames of its wave, read ahead by the
// wave's reader thread (the loop start as well), handed block by block to
// the output's host extension (silence making up what the wave does not
// have, or what the reader did not read in time), and its volume and pan
// controllers to the output. Nothing here waits for the reader but the
// start from the transport.
#include "data/event.h"
#include "data/evnt_trans.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "sound/soft_synth.h"

#include <cmath>

namespace Quorvane {

namespace {

// The block operation's code for frames of silence.
constexpr long kSilentBlock = 2;

} // namespace

int CTrackAudio::StartWave(float factor, int wait)
{
    StopWave();
    wavePlaying = wave.InitPlayback(song->currentSample - startOffset, song->GetBuffSamples(), factor, wait);
    return wavePlaying;
}

void CTrackAudio::StopWave()
{
    if (wavePlaying)
        wave.DeinitPlayback();
    wavePlaying = 0;
}

int CTrackAudio::OnStartPlayback()
{
    IQuorvaneSongTract *tract = song->GetSongTract();
    hostExtension = tract && output ? tract->GetISSExTembri(output) : nullptr;
    if (hostExtension && !IsMute())
        StartWave(song->tempoFactor, 1);
    return CTrack::OnStartPlayback();
}

void CTrackAudio::OnStopPlayback()
{
    StopWave();
    hostExtension = nullptr;
}

void CTrackAudio::AskPlayback(ASKPLAYBACK *cell)
{
    const CELLSPAN span = BeginCell(cell, this);
    long first, last;
    TakeEventsBefore(span.endTick, this, first, last);
    if (hostExtension) {
        const long frames = cell->applyFactor
                                ? static_cast<long>(std::floor(cell->cellSamples * cell->tempoFactor + 0.5))
                                : cell->cellSamples;
        bool blocks = true;
        if (!cell->audible) {
            StopWave();
            hostExtension->AudioBlock(kSilentBlock, nullptr, frames);
            blocks = false;
        } else if (cell->factorChanged && !StartWave(cell->tempoFactor, 0)) {
            // The wave cannot follow the new speed: the track falls silent.
            SetMute(1);
            return;
        } else if (cell->jumped && wavePlaying) {
            wave.LoopPlayback(song->currentSample - startOffset);
        } else if (!wavePlaying && !StartWave(cell->tempoFactor, 0)) {
            blocks = false;
        }
        // The loop start read ahead, so that the jump back finds it.
        long loopStart, loopEnd;
        const int looping = wavePlaying && song->GetLoopRange(loopStart, loopEnd);
        wave.KeepLoopReady(looping ? song->master->GetSampleFromTime(loopStart) - startOffset : 0, looping);
        if (blocks) {
            long given = frames;
            int switchNow = 0;
            const float *block = wave.GetPlaybackData(given, switchNow);
            if (block && given > 0)
                hostExtension->AudioBlock(IsStereo() ? 2 : 1, block, given);
            else
                given = 0;
            if (given < frames)
                hostExtension->AudioBlock(kSilentBlock, nullptr, frames - given);
            if (switchNow)
                wave.ChangePlaybackBuffer();
        }
    }
    if (!cell->audible)
        return;
    // The volume and pan controllers, as a MIDI track's messages.
    CEvntTransChain *chain = nullptr;
    for (long i = first; i < last; ++i) {
        const EVENT *e = GetEvent(i);
        if (!e->IsChannel())
            continue;
        if (CEvntTransElem *message = CellMessage(cell, span, e->time, &chain))
            message->SetMMsg(e, timeOffset, -1);
    }
    SendCell(chain, span, output);
}

} // namespace Quorvane
