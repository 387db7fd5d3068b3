#include "plugin/framework/mfx/hosting/host_side.h"

namespace mfx_hosting {

// ---- EventQueue

HRESULT STDMETHODCALLTYPE EventQueue::QueryInterface(REFIID iid, void **out)
{
    return queryOne<IMfxEventQueue>(this, iid, out);
}

HRESULT STDMETHODCALLTYPE EventQueue::Add(const MfxEvent *event)
{
    if (!event)
        return E_POINTER;
    try {
        events.push_back(*event);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventQueue::GetCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    *count = static_cast<LONG>(events.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventQueue::GetAt(LONG index, MfxEvent *event)
{
    if (!event)
        return E_POINTER;
    if (index < 0 || index >= static_cast<LONG>(events.size()))
        return E_INVALIDARG;
    *event = events[static_cast<size_t>(index)];
    return S_OK;
}

// ---- HostContext

namespace {

template <typename Interface> HRESULT answer(Interface *face, void **out)
{
    face->AddRef();
    *out = face;
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE HostContext::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown))
        return answer(context(), out);
    if (IsEqualIID(iid, IID_IMfxTempoMap) && offersTempo)
        return answer(static_cast<IMfxTempoMap *>(this), out);
    if (IsEqualIID(iid, IID_IMfxMeterMap) && offersMeter)
        return answer(static_cast<IMfxMeterMap *>(this), out);
    if (IsEqualIID(iid, IID_IMfxRenderInfo) && offersRenderInfo)
        return answer(static_cast<IMfxRenderInfo *>(this), out);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE HostContext::GetTempoAt(LONG index, LONG *startTicks, LONG *tempo)
{
    if (!startTicks || !tempo)
        return E_POINTER;
    return timeline_->tempoAt(index, *startTicks, *tempo) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE HostContext::TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                              LONG *tick)
{
    if (!measure || !beat || !tick)
        return E_POINTER;
    timeline_->measureBeatTick(ticks, *measure, *beat, *tick);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HostContext::GetMeterAt(LONG index, LONG *startMeasure, LONG *numerator,
                                                  LONG *denominatorPower)
{
    if (!startMeasure || !numerator || !denominatorPower)
        return E_POINTER;
    return timeline_->meterAt(index, *startMeasure, *numerator, *denominatorPower) ? S_OK : E_FAIL;
}

} // namespace mfx_hosting
