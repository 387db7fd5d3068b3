// The DXi side of the bridge filter: the host connection, the host's
// transport and events, its tempo at each block, and the name questions
// passed on to the instrument names.
#include "bridge/dxi/bridge_filter.h"

#include <algorithm>
#include <utility>

namespace Halvorin {

namespace {

template <typename Interface> void drop(Interface *&held)
{
    if (held)
        held->Release();
    held = nullptr;
}

template <typename Interface> Interface *query(IUnknown *host, const IID &iid)
{
    Interface *found = nullptr;
    if (FAILED(host->QueryInterface(iid, reinterpret_cast<void **>(&found))))
        return nullptr;
    return found;
}

} // namespace

void CBridgeFilter::releaseHost()
{
    drop(tempoMap_);
    drop(converter_);
    drop(hostObject_);
    drop(pinListener_);
}

// The host is asked for its interfaces outside the filter lock; those of
// an earlier connection are let go outside it too.
HRESULT STDMETHODCALLTYPE CBridgeFilter::ConnectHost(IUnknown *host)
{
    if (!host)
        return E_POINTER;
    bool connected;
    {
        CDsAutoLock guard(&lock);
        connected = connected_;
    }
    if (connected) {
        host->Release();
        return E_UNEXPECTED;
    }
    IHostTempoMap *tempoMap = nullptr;
    IHostTimeConverter *converter = nullptr;
    IHostCallback *hostObject = nullptr;
    IHostPinListener *pinListener = nullptr;
    HRESULT hr = host->QueryInterface(IID_IHostTempoMap, reinterpret_cast<void **>(&tempoMap));
    if (SUCCEEDED(hr)) {
        converter = query<IHostTimeConverter>(host, IID_IHostTimeConverter);
        hostObject = query<IHostCallback>(host, IID_IHostCallback);
        pinListener = query<IHostPinListener>(host, IID_IHostPinListener);
    } else {
        tempoMap = nullptr;
    }
    host->Release();
    {
        // A pin change tells the listener outside the filter lock: it is
        // not let go meanwhile.
        Quorvane::CriticalSectionGuard changing(pinChanges);
        CDsAutoLock guard(&lock);
        if (connected_) {
            hr = E_UNEXPECTED;
        } else {
            // The earlier connection's go, also when this one fails.
            std::swap(tempoMap_, tempoMap);
            std::swap(converter_, converter);
            std::swap(hostObject_, hostObject);
            std::swap(pinListener_, pinListener);
            connected_ = SUCCEEDED(hr);
        }
    }
    drop(tempoMap);
    drop(converter);
    drop(hostObject);
    drop(pinListener);
    return hr;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::DisconnectHost()
{
    CDsAutoLock guard(&lock);
    connected_ = false;
    return S_OK;
}

int64_t CBridgeFilter::TicksToSamples(LONG ticks)
{
    CDsAutoLock guard(&lock);
    if (converter_) {
        DXI_TIME time = {};
        time.format = DXI_TIME_TICKS;
        time.ticks = ticks;
        return SUCCEEDED(converter_->ConvertTime(&time, DXI_TIME_SAMPLES)) ? time.samples : 0;
    }
    if (tempoMap_)
        return static_cast<int64_t>(tempoMap_->TicksToMs(ticks)) * streamRate() / 1000;
    return 0;
}

LONG CBridgeFilter::SamplesToTicks(int64_t samples)
{
    CDsAutoLock guard(&lock);
    if (converter_) {
        DXI_TIME time = {};
        time.format = DXI_TIME_SAMPLES;
        time.samples = samples;
        return SUCCEEDED(converter_->ConvertTime(&time, DXI_TIME_TICKS)) ? time.ticks : 0;
    }
    const int32_t rate = streamRate();
    if (tempoMap_ && rate > 0)
        return tempoMap_->MsToTicks(static_cast<LONG>(samples * 1000 / rate));
    return 0;
}

LONG CBridgeFilter::GetTempoState(int frames, TempoState *state)
{
    CDsAutoLock guard(&lock);
    bool relocated = false;
    int64_t position = transportStart_;
    if (playing_) {
        if (relocation_.tick >= 0 && samplesSinceStart_ + frames >= relocation_.samplePosition) {
            rebaseOffset_ = relocation_.offset;
            relocated = true;
        }
        position = transportStart_ - rebaseOffset_ + samplesSinceStart_;
    }
    const LONG ticks = SamplesToTicks(position);
    state->tempo = static_cast<int32_t>(engine_.segmenter.block.tempo * 100.0f);
    state->ticksPerQuarter = 960;
    if (tempoMap_) {
        LONG start = 0, tempo = 0;
        if (SUCCEEDED(tempoMap_->GetTempo(tempoMap_->GetTempoIndexAt(ticks), &start, &tempo)))
            state->tempo = tempo;
        state->ticksPerQuarter = tempoMap_->GetTimeBase();
    }
    state->justStarted = justStarted_;
    state->justStopped = justStopped_;
    justStarted_ = justStopped_ = false;
    if (!relocated)
        return ticks;
    const LONG tick = relocation_.tick;
    relocation_.tick = -1;
    return tick;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::TransportStart(LONG tick)
{
    CDsAutoLock guard(&lock);
    transportStart_ = TicksToSamples(tick);
    samplesSinceStart_ = 0;
    rebaseOffset_ = 0;
    relocation_ = {};
    justStarted_ = true;
    playing_ = true;
    queue_.Clear();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::TransportStop(LONG tick)
{
    CDsAutoLock guard(&lock);
    transportStart_ = TicksToSamples(tick);
    justStopped_ = true;
    playing_ = false;
    queue_.Clear();
    return S_OK;
}

// The host jumps back from the loop's end to its start: from the next block
// on, positions are counted from the start again.
HRESULT STDMETHODCALLTYPE CBridgeFilter::TransportLoop(LONG from, LONG to)
{
    CDsAutoLock guard(&lock);
    relocation_.tick = from;
    relocation_.samplePosition = samplesSinceStart_;
    relocation_.offset = rebaseOffset_ + TicksToSamples(to) - TicksToSamples(from);
    return S_OK;
}

HRESULT CBridgeFilter::QueueShortMessage(LONG tick, DWORD message, LONG duration)
{
    CDsAutoLock guard(&lock);
    return queueMessage(tick, message, duration, true);
}

HRESULT CBridgeFilter::queueMessage(LONG tick, DWORD message, LONG duration, bool dueNow)
{
    QueuedEvent queued;
    if (!ShortMessageEvent(tick, TicksToSamples(tick), message, queued))
        return S_FALSE;
    if (queued.kind == QueuedEvent::kNote)
        queued.duration = duration;
    queued.dueNow = dueNow;
    queue_.Add(queued);
    return S_OK;
}

namespace {

DWORD packed(uint8_t status, int first, int second)
{
    return status | static_cast<DWORD>(first & 0x7F) << 8 | static_cast<DWORD>(second & 0x7F) << 16;
}

// The host's event as a short message; 0 for a kind the bridge drops.
DWORD shortMessageOf(const DXI_EVENT &event)
{
    const uint8_t channel = event.channel & 0x0F;
    switch (event.kind) {
    case DXI_EVENT_NOTE:
        return packed(0x90 | channel, event.note.number, event.note.value);
    case DXI_EVENT_CONTROLLER:
        return packed(0xB0 | channel, event.note.number, event.note.value);
    case DXI_EVENT_WHEEL: {
        const int wheel = std::clamp(event.wheel + 8192, 0, 0x3FFF);
        return packed(0xE0 | channel, wheel, wheel >> 7);
    }
    default:
        return 0;
    }
}

} // namespace

HRESULT STDMETHODCALLTYPE CBridgeFilter::ProcessEvents(LONG, LONG, LONG, IHostEventList *events)
{
    if (!events)
        return E_POINTER;
    CDsAutoLock guard(&lock);
    LONG count = 0;
    if (FAILED(events->GetEventCount(&count)))
        return E_FAIL;
    for (LONG i = 0; i < count; ++i) {
        DXI_EVENT event = {};
        if (FAILED(events->GetEvent(i, &event)))
            return E_FAIL;
        const DWORD message = shortMessageOf(event);
        if (!message)
            continue;
        const bool note = event.kind == DXI_EVENT_NOTE;
        QueueShortMessage(event.time, message, note ? event.note.duration : 0);
        // A note with a duration: its release, when its time comes.
        if (note && event.note.duration > 0 && (event.note.value & 0x7F) > 0)
            queueMessage(event.time + event.note.duration, packed(0x80, event.note.number, 0), 0, false);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::ProcessTempoChanges(LONG, IHostTempoChangeList *changes)
{
    // The tempo is asked of the host's tempo map at every block.
    return changes ? S_OK : E_POINTER;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetBanks(int32_t **banks, int32_t *count)
{
    CDsAutoLock guard(&lock);
    return names_->GetBanks(banks, count);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::QueryPatch(LONG bank, LONG patch)
{
    CDsAutoLock guard(&lock);
    return names_->QueryPatch(bank, patch);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::QueryPatch2(LONG bank, LONG patch)
{
    CDsAutoLock guard(&lock);
    return names_->QueryPatch2(bank, patch);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetPatchNames(LONG bank, INameList **list)
{
    CDsAutoLock guard(&lock);
    return names_->GetPatchNames(bank, list);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetNoteNames(LONG bank, LONG patch, INameList **list)
{
    CDsAutoLock guard(&lock);
    return names_->GetNoteNames(bank, patch, list);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetControllerNames(INameList **list)
{
    CDsAutoLock guard(&lock);
    return names_->GetControllerNames(list);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetRpnNames(INameList **list)
{
    CDsAutoLock guard(&lock);
    return names_->GetRpnNames(list);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetNrpnNames(INameList **list)
{
    CDsAutoLock guard(&lock);
    return names_->GetNrpnNames(list);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetInstrumentNames(IInstrumentNames **names)
{
    if (!names)
        return E_POINTER;
    CDsAutoLock guard(&lock);
    names_->AddRef();
    *names = names_;
    return S_OK;
}

} // namespace Halvorin
