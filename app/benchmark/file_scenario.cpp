#include "app/files/result_export.h"
#include "data/song.h"
#include "data/storage.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "sound/benchmark/render_figures.h"
#include "app/benchmark/render_scenarios.h"

#include <cstdio>
#include <memory>

using namespace Quorvane;
using namespace drummer_song;

namespace render_benchmark {

namespace {

constexpr uint8_t kDrumChannel = 9;
// The sample format Export Audio offers first.
constexpr unsigned kWaveFormat = 16;
constexpr long kWaveHeaderBytes = 44;

bool holdsDrums(CTrack *track)
{
    for (long i = 0; i < track->GetNumb(); ++i)
        if (track->GetEvent(i)->IsNote() && track->GetEvent(i)->getChan() == kDrumChannel)
            return true;
    return false;
}

// A part is one track: the first that plays drums.
CTrackMIDI *drumTrack(CSong &song)
{
    CTrackMIDI *drums = nullptr;
    int others = 0;
    for (CTrack *t = song.GetNextTrack(TRACK_MIDI, nullptr); t; t = song.GetNextTrack(TRACK_MIDI, t)) {
        if (!drums && holdsDrums(t))
            drums = static_cast<CTrackMIDI *>(t);
        else if (t->GetNumb() > 0)
            ++others;
    }
    if (drums && others)
        std::fprintf(stderr, "file: %d further tracks of the file are not rendered\n", others);
    return drums;
}

// Only the first bars.
void cutAfter(CSong &song, CTrackMIDI &track, long bars)
{
    const long end = song.GetITembriSong()->SongGetTimeFromMBT(bars, 0, 0);
    for (long i = track.GetNumb() - 1; i >= 0; --i)
        if (track.GetEvent(i)->time >= end)
            track.Delete(i, 1);
    track.UpdateLastTime();
    song.Update();
}

bool fail(const char *what)
{
    return render_benchmark::fail("file", what);
}

double nowSeconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool render(CSong &song, const std::string &smf, const std::string &out, long bars)
{
    CFileStorage file(smf.c_str(), "rb");
    if (!file.IsOpen())
        return fail(("cannot open " + smf).c_str());
    if (!song.ImportSMF(&file))
        return fail(("not a Standard MIDI File: " + smf).c_str());
    CTrackMIDI *drums = drumTrack(song);
    if (!drums)
        return fail("the file has no notes on the drum channel (10)");
    drums->output = song.GetSongTract()->GetOutPreview();
    if (bars > 0)
        cutAfter(song, *drums, bars);

    const int64_t songFrames = song.GetTrackMaster()->GetSampleFromTime(song.songEnd);
    // The song, and the sound dying out after it.
    RenderWatch watch(static_cast<size_t>(songFrames / kFrames + 200), nullptr);
    if (!hookPlaybackModules())
        return fail("the counters could not be put on the modules");
    std::unique_ptr<CStorage> wave;
    if (out.empty())
        wave = std::make_unique<CMemStorage>(1 << 20);
    else
        wave = std::make_unique<CFileStorage>(out.c_str(), "wb");
    song.GetSongTract()->SetMonitor(1, &RenderWatch::onMixed, reinterpret_cast<ULONG_PTR>(&watch));
    const double cpuBefore = processCpuSeconds();
    const double start = nowSeconds();
    const bool exported = ExportPartWave(song, *drums, song.songEnd, kWaveFormat, *wave);
    const double wall = nowSeconds() - start;
    const double cpu = processCpuSeconds() - cpuBefore;
    song.GetSongTract()->SetMonitor(0, nullptr, 0);
    const long bytes = wave->GetLength();
    wave.reset();
    if (!exported)
        return fail("Export Audio failed");
    const double frames = static_cast<double>(watch.countedBuffers() + 1) * kFrames;
    if (bytes < kWaveHeaderBytes + 4 * songFrames)
        return fail("the WAVE is shorter than the song");
    Figures figures = figuresOf("file", watch, frames, cpu, kRate, kFrames);
    figures.wall = wall;
    figures.wallFrames = frames;
    printFigures(figures);
    return true;
}

} // namespace

bool runFile(PlaybackEnvironment &, const std::string &smf, const std::string &out, long bars)
{
    return withEngineSong([&](CSoundMngr *, CSong &song) {
        return song.SetDefault() ? render(song, smf, out, bars) : fail("no song");
    });
}

} // namespace render_benchmark
