// Rendering the selected tracks off line: the song plays them buffer by
// buffer through its tract in render mode, and the mixed frames go into a
// new audio track.
#include "data/song.h"

#include "data/sound_interfaces.h"
#include "data/track_audio.h"
#include "data/track_master.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Quorvane {

namespace {

// Buffers rendered after the song end while the sound dies out, at most.
constexpr int kTailBuffers = 100;
// Frames faded out at the end.
constexpr long kFadeFrames = 16;

bool silent(const std::vector<float> &buffer)
{
    return std::all_of(buffer.begin(), buffer.end(), [](float v) { return v == 0.0f; });
}

} // namespace

CTrackAudio *CSong::RenderSelectedTracks()
{
    // The play position serves one player: refused while the song plays
    // live or renders already, and from here on playback refuses to start
    // (the bridge asks for starts on its own thread).
    {
        CLock claim(syncObject);
        if (rendering || IsPlayed())
            return nullptr;
        rendering = 1;
    }
    CTrackAudio *rendered = renderSelected();
    CLock release(syncObject);
    rendering = 0;
    return rendered;
}

CTrackAudio *CSong::renderSelected()
{
    if (!songTract || !master)
        master = GetTrackMaster();
    if (!songTract || !master || params.bufferFrames <= 0)
        return nullptr;
    auto *target = static_cast<CTrackAudio *>(InsertNewTrack(TRACK_AUDIO, -1, 0));
    if (!target)
        return nullptr;
    // Only the selected tracks sound (the new one not), from the start,
    // once through.
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        t->StoreState();
        t->SetSolo(0);
        if (t != master)
            t->SetMute(!t->IsSlct() || t == target);
    }
    const long savedStart = playStartTick, savedLoop = loop;
    playStartTick = 0;
    loop = 0;
    // What lies at or past the song end (a looping effect's next pass) is
    // not the song's: nothing is sent from there on, and notes still
    // sounding end there. What they leave sounding is the tail.
    const int64_t savedLimit = endOfPlayLimit;
    endOfPlayLimit = master->GetSampleFromTime(songEnd);
    const long frames = params.bufferFrames;
    std::vector<float> buffer(static_cast<size_t>(2 * frames));
    int ok;
    {
        CLock start(syncObject);
        startingRender = 1;
        ok = songTract->SetRenderMode(1);
        startingRender = 0;
    }
    int64_t position = 0;
    // The song through to its end, then its sound until it dies out. Each
    // buffer holds the song lock as the render thread's do (the tract's
    // synthesizers read the song's maps); the file is written without it.
    for (int tail = 0; ok;) {
        CLock pass(syncObject);
        const bool playing = currentTick < songEnd;
        if (playing)
            AskPlayback(frames);
        else if (++tail > kTailBuffers)
            break;
        songTract->RenderBuffer(buffer.data(), frames);
        pass.Unlock();
        if (!playing && silent(buffer))
            break;
        ok = target->wave.Write(buffer.data(), position, static_cast<unsigned long>(frames));
        position += frames;
    }
    {
        CLock stop(syncObject);
        songTract->SetRenderMode(0);
    }
    playStartTick = savedStart;
    loop = savedLoop;
    endOfPlayLimit = savedLimit;
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t))
        t->RestoreState();
    target->SetMute(0);
    if (!ok) {
        DeleteTrack(target, 0);
        return nullptr;
    }
    target->wave.length = position;
    // The last frames fade out, so the track does not end on a click.
    const long fade = static_cast<long>(std::min<int64_t>(kFadeFrames, position));
    if (fade > 0) {
        std::vector<float> last(static_cast<size_t>(2 * fade));
        if (target->wave.Read(last.data(), position - fade, static_cast<unsigned long>(fade))) {
            for (long i = 0; i < fade; ++i) {
                const float gain = static_cast<float>(fade - 1 - i) / static_cast<float>(fade);
                last[2 * i] *= gain;
                last[2 * i + 1] *= gain;
            }
            target->wave.Write(last.data(), position - fade, static_cast<unsigned long>(fade));
        }
    }
    target->UpdateLastTime();
    Update();
    return target;
}

} // namespace Quorvane
