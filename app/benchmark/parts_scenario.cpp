#include "app/benchmark/render_scenarios.h"
#include "app/parts_song.h"
#include "data/song.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "sound/benchmark/render_figures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Quorvane;
using namespace drummer_song;

namespace render_benchmark {

void layOutParts(CSong &song, int soundingParts)
{
    int lengths[kPartCount];
    for (int part = 0; part < kPartCount; ++part) {
        lengths[part] = kPartBars;
        PartTrack(song, part)->SetMute(part >= soundingParts);
    }
    RelayoutPartTracks(song, lengths);
    song.SetTimeSelection(0, LoopTicks(song, kPartBars));
    song.loop = 1;
}

void keepPeak(void *user, const void *bytes, int32_t frames, int32_t bytesPerFrame)
{
    auto *peak = static_cast<int *>(user);
    const auto *samples = static_cast<const int16_t *>(bytes);
    for (int32_t i = 0; i < frames * bytesPerFrame / 2; ++i)
        *peak = std::max(*peak, std::abs(static_cast<int>(samples[i])));
}

bool fail(const char *name, const char *what)
{
    std::fprintf(stderr, "%s: %s\n", name, what);
    return false;
}

bool withEngineSong(const std::function<bool(CSoundMngr *, CSong &)> &run)
{
    IOPARAMS params = engineParams(kRate, 16, kFrames);
    auto *manager = new CSoundMngr("render benchmark");
    manager->Init(&params);
    bool ok = false;
    {
        CSong song(&params, manager);
        ok = run(manager, song);
    }
    manager->Release();
    return ok;
}

namespace {

// Lays the parts out, plays them and prints the figures.
bool play(PlaybackEnvironment &environment, CSoundMngr *manager, CSong &song, const char *name,
          int soundingParts, long bars)
{
    if (!song.SetDefault() || BuildFreshParts(song, 0) != 0)
        return fail(name, "the parts could not be built");
    layOutParts(song, soundingParts);

    const int64_t songFrames = song.GetTrackMaster()->GetSampleFromTime(LoopTicks(song, bars));
    // The engine renders unpaced from its start: some buffers go by before
    // the song plays.
    const auto buffers = static_cast<int32_t>(songFrames / kFrames + 100);
    RenderWatch watch(static_cast<size_t>(buffers), manager);
    if (!hookPlaybackModules())
        return fail(name, "the counters could not be put on the modules");
    int peak = 0;
    song.GetSongTract()->SetMonitor(1, &RenderWatch::onMixed, reinterpret_cast<ULONG_PTR>(&watch));
    DSCAPTURE capture = {};
    capture.maxBuffers = buffers;
    capture.onBuffer = keepPeak;
    capture.user = &peak;
    const double cpuBefore = processCpuSeconds();
    const Playback playback = playIntoCapture(environment, manager, &song, capture);
    const double cpu = processCpuSeconds() - cpuBefore;
    song.GetSongTract()->SetMonitor(0, nullptr, 0);
    if (playback.startFrame < 0 || watch.countedBuffers() < 1)
        return fail(name, "the song did not play");
    if (peak == 0)
        return fail(name, "the parts played nothing");
    printFigures(figuresOf(name, watch, static_cast<double>(buffers) * kFrames, cpu, kRate, kFrames));
    return true;
}

} // namespace

bool runParts(PlaybackEnvironment &environment, const char *name, int soundingParts, long bars)
{
    if (!registerSliceDrummer())
        return fail(name, "the loop-slice drummer could not be registered");
    return withEngineSong([&](CSoundMngr *manager, CSong &song) {
        return play(environment, manager, song, name, soundingParts, bars);
    });
}

} // namespace render_benchmark
