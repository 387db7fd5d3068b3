#include "plugin/framework/plugin/tests/test_host.h"

namespace plugin_test {

namespace {

template <typename Interface> HRESULT answer(Interface *face, void **out)
{
    face->AddRef();
    *out = face;
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE TestQueue::QueryInterface(REFIID iid, void **out)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMfxEventQueue))
        return answer(static_cast<IMfxEventQueue *>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TestQueue::Add(const MfxEvent *event)
{
    events.push_back(*event);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestQueue::GetCount(LONG *count)
{
    if (countFails)
        return E_FAIL;
    *count = static_cast<LONG>(events.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestQueue::GetAt(LONG index, MfxEvent *event)
{
    if (index < 0 || index >= static_cast<LONG>(events.size()) || unreadable.count(index))
        return E_INVALIDARG;
    *event = events[index];
    return S_OK;
}

MfxEvent note(int32_t time, uint8_t key, uint8_t velocity)
{
    MfxEvent event{};
    event.time = time;
    event.kind = MfxNote;
    event.note = key;
    event.velocity = velocity;
    event.duration = 10;
    return event;
}

HRESULT STDMETHODCALLTYPE TestInputCallback::QueryInterface(REFIID iid, void **out)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMfxInputCallback))
        return answer(static_cast<IMfxInputCallback *>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TestInputCallback::OnEvent(IMfxInputPort *port, const MfxEvent *event)
{
    received.emplace_back(port, *event);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestHost::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown))
        return answer(static_cast<IUnknown *>(static_cast<IMfxTempoMap *>(this)), out);
    if (IsEqualIID(iid, IID_IMfxTempoMap) && offersTempo)
        return answer(static_cast<IMfxTempoMap *>(this), out);
    if (IsEqualIID(iid, IID_IMfxMeterMap) && offersMeter)
        return answer(static_cast<IMfxMeterMap *>(this), out);
    if (IsEqualIID(iid, IID_IMfxRenderInfo) && offersRenderInfo)
        return answer(static_cast<IMfxRenderInfo *>(this), out);
    return E_NOINTERFACE;
}

LONG STDMETHODCALLTYPE TestHost::TicksToMsecs(LONG ticks)
{
    return static_cast<LONG>(static_cast<int64_t>(ticks) * 500 / ticksPerQuarter);
}

LONG STDMETHODCALLTYPE TestHost::MsecsToTicks(LONG msecs)
{
    return static_cast<LONG>(static_cast<int64_t>(msecs) * ticksPerQuarter / 500);
}

HRESULT STDMETHODCALLTYPE TestHost::GetTempoAt(LONG index, LONG *start, LONG *tempo)
{
    if (index != 0)
        return E_FAIL;
    *start = 0;
    *tempo = 12000;
    return S_OK;
}

namespace {

LONG beatTicks(const TestHost &host)
{
    return host.ticksPerQuarter * 4 >> host.denominatorPower;
}

} // namespace

HRESULT STDMETHODCALLTYPE TestHost::TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat, LONG *tick)
{
    const LONG perBeat = beatTicks(*this);
    const LONG beats = ticks / perBeat;
    *measure = beats / numerator + 1;
    *beat = beats % numerator + 1;
    *tick = ticks % perBeat;
    return S_OK;
}

LONG STDMETHODCALLTYPE TestHost::MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick)
{
    return ((measure - 1) * numerator + (beat - 1)) * beatTicks(*this) + tick;
}

HRESULT STDMETHODCALLTYPE TestHost::GetMeterAt(LONG index, LONG *start, LONG *num, LONG *power)
{
    if (index != 0)
        return E_FAIL;
    *start = 1;
    *num = numerator;
    *power = denominatorPower;
    return S_OK;
}

} // namespace plugin_test
