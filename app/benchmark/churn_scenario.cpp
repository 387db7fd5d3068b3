// The live scenario's part playing while the window thread does what a
// musician does between songs, round after round: the hibernated song
// loaded with its parts (the parts let go first and attached again after,
// as the template chooser does), the output changed to another soft synth
// and back to the preview synthesizer, a fill drummer's editor opened and
// closed, and the tempo map edited. The render thread's line of figures
// tells, besides the usual, its longest wait for a lock.
#include "app/benchmark/render_scenarios.h"
#include "app/equipment_database.h"
#include "app/options/output_port.h"
#include "app/part_drummers.h"
#include "app/parts_sink.h"
#include "app/parts_song.h"
#include "app/saved_state.h"
#include "data/event.h"
#include "data/lock.h"
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "sound/benchmark/render_figures.h"
#include "sound/ssynth_elem.h"

#include <cstdio>
#include <vector>

using namespace Quorvane;
using namespace drummer_song;

namespace render_benchmark {

namespace {

constexpr const char *kName = "churn";
// Buffers the watch can time: more than an unpaced engine renders in the
// rounds of a full run.
constexpr size_t kMostBuffers = 2000000;

void pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class Churn {
public:
    Churn(CSoundMngr *manager, CSong &song) : manager_(manager), song_(song) {}
    ~Churn()
    {
        // The drummers go while the sink they detach from lives.
        drummers_.ReleaseAll();
        song_.ZeroSong();
        if (editorHost_)
            DestroyWindow(editorHost_);
    }
    Churn(const Churn &) = delete;
    Churn &operator=(const Churn &) = delete;

    // Fresh parts, hibernated into the database, and an editor window
    // (none without a display: the editor then stays shut).
    bool prepare()
    {
        if (!song_.SetDefault() || BuildFreshParts(song_, 0) != 0)
            return fail(kName, "the parts could not be built");
        layOutParts(song_, 1);
        SavedPartsState state{kSavedStateMagic, 0, 1, {}, 1, {1, 1, 1, 1}};
        for (int32_t &length : state.partLengths)
            length = kPartBars;
        if (!database_.SaveHibernation(&song_, &state, sizeof(state)))
            return fail(kName, "the song could not be hibernated into the database");
        if (!attach())
            return fail(kName, "the drummers could not be attached");
        editorHost_ = CreateWindowExA(0, "STATIC", "churn", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                      nullptr, nullptr, nullptr);
        if (!editorHost_)
            std::fprintf(stderr, "%s: no window for the editor (no display): it stays shut\n", kName);
        return true;
    }

    bool round() { return reloadParts() && changeOutput() && openAndCloseEditor() && editTempo(); }

private:
    bool attach()
    {
        drummers_.SetSong(song_.GetITembriSong());
        return AttachPartDrummers(song_, drummers_, &sink_);
    }

    // Stops, lets the parts go (every part back on the tract's first
    // output, a separate one deleted), loads the hibernated song, attaches
    // its drummers and plays again.
    bool reloadParts()
    {
        manager_->StopPlayback();
        drummers_.ReleaseAll();
        RoutePartsToFirstOutput(song_);
        std::vector<uint8_t> state;
        if (database_.LoadHibernation(&song_, state) != Hibernation::Restored)
            return fail(kName, "the hibernated song did not load");
        if (!attach())
            return fail(kName, "the loaded parts' drummers could not be attached");
        layOutParts(song_, 1);
        manager_->StartPlayback(song_.GetSongTract());
        pump();
        return manager_->IsPlayed() || fail(kName, "the loaded song did not play");
    }

    // Another soft synth's output (the preview synthesizer named by its
    // module is the same port as the preview output, which the parts keep),
    // and back to the preview.
    bool changeOutput()
    {
        PORTDESCR other(OUT_BY_NAME);
        PORTDESCR preview(OUT_PREVIEW);
        if (!other.SetData("Tembri Audio") || !preview.SetData("Default Preview"))
            return fail(kName, "no memory");
        const OutputChange there = ReplacePartsOutput(song_, other);
        const OutputChange back = ReplacePartsOutput(song_, preview);
        pump();
        return (there.changed && back.changed) || fail(kName, "the output did not change");
    }

    // The first fill drummer's editor of the playing part.
    bool openAndCloseEditor()
    {
        CMEffElem *elem = PartElement(song_, 0, 1);
        if (!elem || !elem->effect)
            return fail(kName, "no fill drummer");
        if (!editorHost_)
            return true;
        if (!elem->effect->OpenEditor(editorHost_))
            return fail(kName, "the drummer's editor did not open");
        pump();
        elem->effect->CloseEditor();
        pump();
        return true;
    }

    // A new first tempo, a tempo inserted where the song plays and taken
    // out again, and the first tempo back.
    bool editTempo()
    {
        const float tempo = ReadSongTempo(song_);
        if (!WriteFirstTempo(song_, tempo + 20.0f))
            return fail(kName, "the song has no tempo");
        CTrackMaster *master = song_.GetTrackMaster();
        {
            CLock lock(song_.GetSyncObj(), 1);
            EVENT inserted;
            inserted.setTempo(tempo + 40.0f);
            inserted.time = static_cast<int32_t>(song_.currentTick);
            master->AddToTail(&inserted, 1);
            master->Sort();
            master->UpdateParams(0);
        }
        pump();
        {
            CLock lock(song_.GetSyncObj(), 1);
            bool first = true;
            for (long i = 0; i < master->GetNumb(); ++i) {
                if (!master->GetEvent(i)->IsTempo())
                    continue;
                if (!first)
                    master->Delete(i--, 1);
                first = false;
            }
            master->UpdateParams(0);
        }
        return WriteFirstTempo(song_, tempo) || fail(kName, "the tempo did not come back");
    }

    CSoundMngr *manager_;
    CSong &song_;
    EquipmentDatabase database_;
    PartDrummers drummers_;
    PartsSink sink_{drummers_};
    HWND editorHost_ = nullptr;
};

bool churn(PlaybackEnvironment &environment, CSoundMngr *manager, CSong &song, long rounds)
{
    Churn churn(manager, song);
    if (!churn.prepare())
        return false;
    RenderWatch watch(kMostBuffers, nullptr);
    if (!hookPlaybackModules())
        return fail(kName, "the counters could not be put on the modules");
    int peak = 0;
    song.GetSongTract()->SetMonitor(1, &RenderWatch::onMixed, reinterpret_cast<ULONG_PTR>(&watch));
    DSCAPTURE capture = {};
    capture.unpaced = 1;
    capture.onBuffer = keepPeak;
    capture.user = &peak;
    const double cpuBefore = processCpuSeconds();
    bool ok = environment.setCapture(&capture) && manager->EngineStart();
    environment.setCapture(nullptr);
    if (!ok)
        return fail(kName, "the engine did not start");
    manager->StartPlayback(song.GetSongTract());
    for (long r = 0; ok && r < rounds; ++r)
        ok = churn.round();
    manager->EngineStop();
    const double cpu = processCpuSeconds() - cpuBefore;
    song.GetSongTract()->SetMonitor(0, nullptr, 0);
    if (!ok)
        return false;
    if (watch.countedBuffers() < 1)
        return fail(kName, "the song did not play");
    if (peak == 0)
        return fail(kName, "the parts played nothing");
    Figures figures = figuresOf(kName, watch, static_cast<double>(watch.countedBuffers() + 1) * kFrames, cpu,
                                kRate, kFrames);
    figures.withLockWaits = true;
    printFigures(figures);
    return true;
}

} // namespace

bool runChurn(PlaybackEnvironment &environment, long rounds)
{
    if (!registerSliceDrummer())
        return fail(kName, "the loop-slice drummer could not be registered");
    return withEngineSong(
        [&](CSoundMngr *manager, CSong &song) { return churn(environment, manager, song, rounds); });
}

} // namespace render_benchmark
