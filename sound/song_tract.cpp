// The song tract's life, its mixing, transport and monitoring.
#include "sound/song_tract.h"

#include "data/io_params.h"
#include "data/song.h"
#include "sound/sound_mngr.h"

#include <algorithm>
#include <cstring>

namespace Quorvane {

void SongModifiedCallback(unsigned long, long code, ULONG_PTR user)
{
    if (code == 2 && user)
        reinterpret_cast<CSong *>(user)->SongSetModified();
}

CSongTract::CSongTract(CSoundMngr *soundManager, CSong *tractSong)
    : manager(soundManager), song(tractSong), outputs(&soundManager->params), buses(&soundManager->params),
      masterEffects(&soundManager->params)
{
}

CSongTract::~CSongTract()
{
    CLock::UnprepareSyncObject(syncObject);
    masterEffects.Clear();
    buses.Clear();
    outputs.Clear();
}

void CSongTract::setHost(IQuorvaneSoftSynth *synth)
{
    synth->hostCallback = SongModifiedCallback;
    synth->hostUser = reinterpret_cast<ULONG_PTR>(song);
}

void CSongTract::setHost(IQuorvaneAudioEffect *effect)
{
    effect->hostCallback = SongModifiedCallback;
    effect->hostUser = reinterpret_cast<ULONG_PTR>(song);
}

int CSongTract::Init()
{
    syncObject = CLock::PrepareSyncObject();
    if (!syncObject)
        return 0;
    CLock lock(syncObject);
    blockFrames = std::max(0L, manager->params.bufferFrames);
    CSBusElem *bus = buses.InsertBus();
    if (!bus)
        return 0;
    CSSynthElem *preview = outputs.InsertSSynth(OUT_PREVIEW, "Default Preview");
    if (!preview || !connect(preview, bus))
        return 0;
    if (preview->hostExtension && song)
        preview->hostExtension->SetSong(song->GetITembriSong());
    setHost(preview->Synth());
    return 1;
}

int CSongTract::FillAccum(float *buffer, long frames, int, int64_t blockStart, int fromRender)
{
    if (renderMode && !fromRender)
        return 0;
    CLock lock(syncObject);
    frames = std::min(frames, blockFrames);
    if (frames <= 0)
        return 0;
    int sound = 0;
    for (CSBusElem *bus = buses.First(); bus; bus = static_cast<CSBusElem *>(bus->next)) {
        if (!bus->FillAccum(frames, blockStart))
            continue;
        const size_t count = 2 * static_cast<size_t>(frames);
        if (!sound)
            std::memcpy(buffer, bus->buffer, sizeof(float) * count);
        else
            for (size_t i = 0; i < count; ++i)
                buffer[i] += bus->buffer[i];
        sound = 1;
    }
    const int master = masterEffects.EffectAccum(buffer, frames, sound, monitor);
    if (monitorCallback)
        monitorCallback(monitorUser);
    return sound | master;
}

void CSongTract::notifyTransport(long code)
{
    const long tick = song ? song->currentTick : 0;
    const float factor = song ? song->tempoFactor : 1.0f;
    for (CSSynthElem *out = outputs.First(); out; out = static_cast<CSSynthElem *>(out->next))
        if (out->hostExtension)
            out->hostExtension->Transport(code, tick, tick, factor);
}

void CSongTract::StartPlayback()
{
    CLock lock(syncObject);
    notifyTransport(SSTRANSPORT_START);
    for (CSBusElem *bus = buses.First(); bus; bus = static_cast<CSBusElem *>(bus->next))
        bus->effects.Restart();
    masterEffects.Restart();
}

void CSongTract::StopPlayback()
{
    CLock lock(syncObject);
    notifyTransport(SSTRANSPORT_STOP);
}

void CSongTract::DropQueues()
{
    CLock lock(syncObject);
    if (renderMode)
        return;
    for (CSSynthElem *out = outputs.First(); out; out = static_cast<CSSynthElem *>(out->next))
        out->DropQueue();
}

int CSongTract::UpdateIOParams(int framesChanged, int rateChanged)
{
    CLock lock(syncObject);
    for (CSSynthElem *out = outputs.First(); out; out = static_cast<CSSynthElem *>(out->next))
        out->UpdateIOParams(framesChanged, rateChanged);
    // Every bus's effects follow, not only the master's.
    for (CSBusElem *bus = buses.First(); bus; bus = static_cast<CSBusElem *>(bus->next)) {
        bus->effects.UpdateIOParams(framesChanged, rateChanged);
        if (framesChanged && !bus->AllocBuffer()) {
            blockFrames = 0;
            return 0;
        }
    }
    masterEffects.UpdateIOParams(framesChanged, rateChanged);
    blockFrames = std::max(0L, manager->params.bufferFrames);
    return 1;
}

void CSongTract::InsertEvents(void *out, CEvntTransChain *chain)
{
    if (!chain)
        return;
    CLock lock(syncObject);
    CSSynthElem *target = output(out);
    if (!target) {
        delete chain;
        return;
    }
    const int64_t base = renderMode ? renderPosition : manager->GetSamplePosition();
    target->EatOther(chain, base);
}

void CSongTract::SetMonitor(int on, MonitorProc callback, ULONG_PTR user)
{
    if (on == monitor)
        return;
    CLock lock(syncObject);
    monitor = on;
    masterEffects.ResetMonitor();
    for (CSBusElem *bus = buses.First(); bus; bus = static_cast<CSBusElem *>(bus->next)) {
        bus->monitor = on;
        bus->effects.ResetMonitor();
    }
    monitorCallback = callback;
    monitorUser = user;
}

int CSongTract::SetRenderMode(int on)
{
    if (!on) {
        renderMode = 0;
        if (song)
            song->OnStopPlayback();
        StopPlayback();
        return 1;
    }
    renderMode = 1;
    if (!song || !song->OnStartPlayback()) {
        renderMode = 0;
        return 0;
    }
    renderPosition = 0;
    StartPlayback();
    return 1;
}

void CSongTract::RenderBuffer(float *buffer, long frames)
{
    // Whatever the tract does not write is silence.
    std::memset(buffer, 0, sizeof(float) * 2 * static_cast<size_t>(std::max(0L, frames)));
    FillAccum(buffer, frames, 1, renderPosition, 1);
    renderPosition += std::max(0L, manager->params.bufferFrames);
}

} // namespace Quorvane
