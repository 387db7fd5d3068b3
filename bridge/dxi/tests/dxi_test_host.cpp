#include "bridge/dxi/tests/dxi_test_host.h"

namespace dxi_test {

HRESULT STDMETHODCALLTYPE TestHost::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown)
        *out = static_cast<IHostTempoMap *>(this);
    else if (iid == IID_IHostTempoMap && offerTempoMap)
        *out = static_cast<IHostTempoMap *>(this);
    else if (iid == IID_IHostTimeConverter && offerConverter)
        *out = static_cast<IHostTimeConverter *>(this);
    else if (iid == IID_IHostPinListener && offerListener)
        *out = static_cast<IHostPinListener *>(this);
    else if (iid == IID_IHostCallback && offerCallback)
        *out = static_cast<IHostCallback *>(this);
    if (!*out)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

LONG STDMETHODCALLTYPE TestHost::TicksToMs(LONG tick)
{
    return static_cast<LONG>(static_cast<int64_t>(tick) * 6000000 /
                             (static_cast<int64_t>(tempo) * ticksPerQuarter));
}

LONG STDMETHODCALLTYPE TestHost::MsToTicks(LONG milliseconds)
{
    return static_cast<LONG>(static_cast<int64_t>(milliseconds) * tempo * ticksPerQuarter / 6000000);
}

HRESULT STDMETHODCALLTYPE TestHost::GetTempo(LONG index, LONG *startTick, LONG *tempoOut)
{
    if (index != 0 || !startTick || !tempoOut)
        return E_INVALIDARG;
    *startTick = 0;
    *tempoOut = tempo;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestHost::ConvertTime(DXI_TIME *time, LONG targetFormat)
{
    // samples = ticks x 60 x rate / (beats per minute x ticks per quarter)
    const int64_t scale = static_cast<int64_t>(tempo) * ticksPerQuarter;
    if (time->format == DXI_TIME_TICKS && targetFormat == DXI_TIME_SAMPLES) {
        time->samples = static_cast<int64_t>(time->ticks) * 6000 * sampleRate / scale;
    } else if (time->format == DXI_TIME_SAMPLES && targetFormat == DXI_TIME_TICKS) {
        time->ticks = static_cast<int32_t>(time->samples * scale / (6000 * static_cast<int64_t>(sampleRate)));
    } else {
        return E_NOTIMPL;
    }
    time->format = targetFormat;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestHost::OnPinChange(LONG phase, IBaseFilter *, LONG outputCount)
{
    pinChanges.push_back({phase, outputCount});
    if (duringPinChange)
        duringPinChange();
    return listenerAnswer;
}

HRESULT STDMETHODCALLTYPE EventList::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = iid == IID_IUnknown || iid == IID_IHostEventList ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE EventList::GetEventCount(LONG *count)
{
    *count = static_cast<LONG>(events.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventList::GetEvent(LONG index, DXI_EVENT *event)
{
    if (index < 0 || index >= static_cast<LONG>(events.size()))
        return E_INVALIDARG;
    *event = events[index];
    return S_OK;
}

DXI_EVENT Note(LONG tick, int number, int velocity, LONG duration)
{
    DXI_EVENT event = {};
    event.time = tick;
    event.kind = DXI_EVENT_NOTE;
    event.note.number = static_cast<uint8_t>(number);
    event.note.value = static_cast<uint8_t>(velocity);
    event.note.duration = duration;
    return event;
}

DXI_EVENT Controller(LONG tick, int number, int value)
{
    DXI_EVENT event = {};
    event.time = tick;
    event.kind = DXI_EVENT_CONTROLLER;
    event.note.number = static_cast<uint8_t>(number);
    event.note.value = static_cast<uint8_t>(value);
    return event;
}

DXI_EVENT Wheel(LONG tick, int value)
{
    DXI_EVENT event = {};
    event.time = tick;
    event.kind = DXI_EVENT_WHEEL;
    event.wheel = static_cast<int16_t>(value);
    return event;
}

} // namespace dxi_test
