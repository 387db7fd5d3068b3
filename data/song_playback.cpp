// The song's side of playback: the transport operations and the per-buffer
// request of the sound engine, cut into time cells at the loop end and
// scaled by the tempo factor. The tracks play each cell themselves.
#include "data/song.h"

#include "data/meff_chain.h"
#include "data/sound_interfaces.h"
#include "data/track.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "sound/soft_synth.h"

#include <algorithm>
#include <climits>

namespace Quorvane {

namespace {

// Song samples of a number of engine frames at the factor, truncated.
int64_t songSamples(int64_t frames, const ASKPLAYBACK &cell)
{
    return cell.applyFactor ? static_cast<int64_t>(static_cast<double>(frames) * cell.tempoFactor) : frames;
}

// Engine frames that cover a number of song samples at the factor.
int64_t engineFrames(int64_t samples, const ASKPLAYBACK &cell)
{
    return cell.applyFactor ? static_cast<int64_t>(static_cast<double>(samples) / cell.tempoFactor) : samples;
}

} // namespace

int CSong::OnStartPlayback()
{
    {
        CLock lock(syncObject);
        if (rendering && !startingRender)
            return 0; // the off-line render owns the play position
        master = GetTrackMaster();
        if (!master)
            return 0;
        currentSample = master->GetSampleFromTime(playStartTick);
        currentTick = playStartTick;
        lastFactor = tempoFactor;
        jumped = 0;
        for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t))
            if (!t->OnStartPlayback())
                return 0;
        CheckSolo();
        lastStartTick = playStartTick;
    }
    tellEffects(MEFF_START);
    return 1;
}

void CSong::OnStopPlayback()
{
    {
        CLock lock(syncObject);
        for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t))
            t->OnStopPlayback();
    }
    tellEffects(MEFF_STOP);
}

void CSong::tellEffects(long state)
{
    // Nothing plays the effects now, so they are called without the lock
    // the render thread takes: what they do at a start or stop (a drummer
    // looks for its host's windows) never holds it up. A host's stop comes
    // on the stream provider's thread while the window thread may take
    // tracks or effects out, so each round takes under the lock the effects
    // of one track not told yet, held until they are told.
    const unsigned long walk = CMEffChain::NewWalk();
    for (;;) {
        CMEffElem *held[CMEffChain::kWalkRoom];
        int count = 0;
        long tick = 0;
        {
            CLock lock(syncObject);
            for (CTrack *t = GetNextTrack(nullptr); t && !count; t = GetNextTrack(t)) {
                auto *midi = dynamic_cast<CTrackMIDI *>(t);
                if (!midi || !midi->effects.IsOnline())
                    continue;
                count = midi->effects.HoldUntold(held, CMEffChain::kWalkRoom, walk);
                tick = currentTick - midi->timeOffset;
            }
        }
        if (!count)
            return;
        if (state == MEFF_START)
            CMEffChain::TellPlayState(held, count, MEFF_START, tick, INT_MAX);
        else
            CMEffChain::TellPlayState(held, count, MEFF_STOP, 0, tick);
        CMEffChain::LetGo(held, count);
    }
}

void CSong::OnRewPlayback()
{
    moveToMark(0);
}

void CSong::OnFFPlayback()
{
    moveToMark(1);
}

void CSong::moveToMark(int forward)
{
    CLock lock(syncObject);
    if (rendering)
        return;
    long target = forward ? LONG_MAX : 0;
    auto consider = [&](long mark) {
        if (forward && mark > playStartTick)
            target = std::min(target, mark);
        else if (!forward && mark < playStartTick)
            target = std::max(target, mark);
    };
    if (IsTimeSelection()) {
        consider(selectionStart);
        consider(selectionEnd);
    }
    consider(lastStartTick);
    consider(songEnd);
    if (target == playStartTick || target == LONG_MAX)
        return;
    if (playPositionFn) {
        currentTick = target;
        playPositionFn(playPositionUser);
    } else {
        playStartTick = target;
    }
}

void CSong::JumpSongPtr(long tick)
{
    // A jump while playing restarts playback there as one step: the sound
    // manager's transport turn keeps a stop or start from another thread
    // out of it, while the song's lock is let go between (the effects hear
    // of the stop and the start without it).
    if (soundManager)
        soundManager->HoldTransport(1);
    bool restart = false;
    {
        CLock lock(syncObject);
        if (!rendering) {
            restart = IsPlayed() != 0;
            if (!restart)
                playStartTick = tick;
        }
    }
    if (restart) {
        soundManager->StopPlayback();
        {
            CLock lock(syncObject);
            playStartTick = tick;
        }
        soundManager->StartPlayback(songTract);
    }
    if (soundManager)
        soundManager->HoldTransport(0);
}

int CSong::IsPlayed()
{
    return soundManager && soundManager->IsPlayed(this);
}

void CSong::notifyOutputs(long code, long tick, long position, float factor)
{
    if (!songTract)
        return;
    for (void *out = songTract->GetNextOut(nullptr); out; out = songTract->GetNextOut(out))
        if (IZQSSExTembri *host = songTract->GetISSExTembri(out))
            host->Transport(code, tick, position, factor);
}

void CSong::AskPlayback(long frames)
{
    if (!soundManager)
        return;
    CLock lock(syncObject);
    if (!master || frames <= 0)
        return;
    const long startTick = currentTick;
    ASKPLAYBACK cell = {};
    cell.applyFactor = tempoFactor != 1.0f;
    cell.jumped = jumped;
    cell.tempoFactor = tempoFactor;
    if (tempoFactor != lastFactor) {
        cell.factorChanged = 1;
        lastFactor = tempoFactor;
        notifyOutputs(SSTRANSPORT_FACTOR, currentTick, currentTick, tempoFactor);
    }

    long loopStart, loopEnd;
    bool stopped = false;
    if (GetLoopRange(loopStart, loopEnd)) {
        cell.limitTick = loopEnd;
        cell.sampleLimit = master->GetSampleFromTime(loopEnd);
        long jumpedFrom = startTick;
        auto wrap = [&] {
            if (loopFlipFn)
                loopFlipFn(this, loopFlipUser);
            currentSample = master->GetSampleFromTime(loopStart);
            currentTick = loopStart;
            jumped = cell.jumped = 1;
            cell.jumpedFrom = jumpedFrom;
            jumpedFrom = loopEnd;
            notifyOutputs(SSTRANSPORT_LOOP, loopStart, cell.jumpedFrom, tempoFactor);
            cell.factorChanged = 0;
        };
        if (currentSample > cell.sampleLimit)
            wrap();
        for (int64_t remaining = frames; remaining > 0;) {
            if (currentSample + songSamples(remaining, cell) < cell.sampleLimit) {
                cell.cellSamples = static_cast<long>(remaining);
                AskPlaybackTimeCell(&cell);
                cell.factorChanged = 0;
                break;
            }
            // At least one frame a cell, so a loop shorter than a frame
            // still moves on.
            const int64_t toEnd =
                std::clamp<int64_t>(engineFrames(cell.sampleLimit - currentSample, cell), 1, remaining);
            cell.cellSamples = static_cast<long>(toEnd);
            AskPlaybackTimeCell(&cell);
            cell.bufferOffset += toEnd;
            remaining -= toEnd;
            wrap();
        }
    } else if (currentTick >= songEnd) {
        soundManager->StopPlayback();
        currentTick = songEnd;
        stopped = true;
    } else {
        cell.sampleLimit = endOfPlayLimit;
        cell.limitTick = endOfPlayLimit == INT64_MAX ? LONG_MAX : master->GetTimeFromSample(endOfPlayLimit);
        cell.cellSamples = frames;
        AskPlaybackTimeCell(&cell);
    }
    if ((currentTick != startTick || stopped) && playPositionFn)
        playPositionFn(playPositionUser);
}

void CSong::AskPlaybackTimeCell(ASKPLAYBACK *cell)
{
    const int64_t endSample = currentSample + songSamples(cell->cellSamples, *cell);
    const long endTick = master->GetTimeFromSample(endSample);
    cell->cellTicks = endTick - currentTick + 1;
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        cell->audible = soloMode ? t->IsSolo() : !t->IsMute();
        t->AskPlayback(cell);
    }
    currentSample = endSample;
    currentTick = endTick;
    jumped = 0;
}

} // namespace Quorvane
