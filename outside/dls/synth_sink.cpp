#include "outside/dls/synth_sink.h"

namespace {

constexpr LONGLONG kUnitsPerSecond = 10000000;

} // namespace

REFERENCE_TIME SynthSink::TimeOf(LONGLONG sample) const
{
    // Rounded up, so that SampleOf, rounding down, gives the sample back.
    return (sample * kUnitsPerSecond + rate_ - 1) / LONGLONG(rate_);
}

LONGLONG SynthSink::SampleOf(REFERENCE_TIME time) const
{
    return time * LONGLONG(rate_) / kUnitsPerSecond;
}

HRESULT SynthSink::QueryInterface(REFIID id, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDirectMusicSynthSink))
        *out = static_cast<IDirectMusicSynthSink *>(this);
    else if (IsEqualIID(id, IID_IReferenceClock))
        *out = static_cast<IReferenceClock *>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

HRESULT SynthSink::GetLatencyClock(IReferenceClock **clock)
{
    if (!clock)
        return E_POINTER;
    *clock = this;
    return S_OK;
}

HRESULT SynthSink::SampleToRefTime(LONGLONG sample, REFERENCE_TIME *time)
{
    if (!time)
        return E_POINTER;
    *time = TimeOf(sample);
    return S_OK;
}

HRESULT SynthSink::RefTimeToSample(REFERENCE_TIME time, LONGLONG *sample)
{
    if (!sample)
        return E_POINTER;
    *sample = SampleOf(time);
    return S_OK;
}

HRESULT SynthSink::GetDesiredBufferSize(LPDWORD frames)
{
    if (!frames)
        return E_POINTER;
    *frames = frames_;
    return S_OK;
}

HRESULT SynthSink::GetTime(REFERENCE_TIME *time)
{
    if (!time)
        return E_POINTER;
    *time = TimeOf(position_);
    return S_OK;
}
