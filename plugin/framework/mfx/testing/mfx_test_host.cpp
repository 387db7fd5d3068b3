#include "plugin/framework/mfx/testing/mfx_test_host.h"

#include <algorithm>
#include <cstdint>

namespace mfx_testing {

// ---- EventQueue

HRESULT STDMETHODCALLTYPE EventQueue::GetCount(LONG *count)
{
    return countFails ? E_FAIL : mfx_hosting::EventQueue::GetCount(count);
}

HRESULT STDMETHODCALLTYPE EventQueue::GetAt(LONG index, MfxEvent *event)
{
    return unreadable.count(index) ? E_INVALIDARG : mfx_hosting::EventQueue::GetAt(index, event);
}

// ---- InputCallback

HRESULT STDMETHODCALLTYPE InputCallback::QueryInterface(REFIID iid, void **out)
{
    return queryOne<IMfxInputCallback>(this, iid, out);
}

HRESULT STDMETHODCALLTYPE InputCallback::OnEvent(IMfxInputPort *port, const MfxEvent *event)
{
    received.emplace_back(port, *event);
    return S_OK;
}

// ---- HostContext

void HostContext::setMeterChange(LONG measure, LONG newNumerator, LONG newDenominatorPower)
{
    if (measure <= 1) {
        numerator = newNumerator;
        denominatorPower = newDenominatorPower;
        changeMeasure_ = 0;
        return;
    }
    changeMeasure_ = measure;
    change_ = {newNumerator, newDenominatorPower};
}

HostContext::Meter HostContext::meterOf(LONG measure) const
{
    if (changeMeasure_ > 1 && measure >= changeMeasure_)
        return change_;
    return {numerator, denominatorPower};
}

LONG HostContext::beatLength(const Meter &meter) const
{
    return std::max<LONG>(1, quarter() * 4 >> meter.power);
}

LONG HostContext::measureLength(LONG measure) const
{
    const Meter meter = meterOf(measure);
    return std::max<LONG>(1, meter.numerator) * beatLength(meter);
}

LONG HostContext::measureStart(LONG measure) const
{
    if (changeMeasure_ <= 1 || measure <= changeMeasure_)
        return (measure - 1) * measureLength(1);
    return (changeMeasure_ - 1) * measureLength(1) +
           (measure - changeMeasure_) * measureLength(changeMeasure_);
}

LONG HostContext::ticksToMsecs(LONG ticks)
{
    const int64_t perMinute = static_cast<int64_t>(tempo > 0 ? tempo : 12000) * quarter();
    return static_cast<LONG>(static_cast<int64_t>(ticks) * 6000000 / perMinute);
}

LONG HostContext::msecsToTicks(LONG msecs)
{
    const int64_t perMinute = static_cast<int64_t>(tempo > 0 ? tempo : 12000) * quarter();
    return static_cast<LONG>(static_cast<int64_t>(msecs) * perMinute / 6000000);
}

bool HostContext::tempoAt(LONG index, LONG &start, LONG &value)
{
    if (index != 0)
        return false;
    start = 0;
    value = tempo;
    return true;
}

void HostContext::measureBeatTick(LONG ticks, LONG &measure, LONG &beat, LONG &tick)
{
    LONG first = 1;
    LONG from = 0;
    if (changeMeasure_ > 1 && ticks >= measureStart(changeMeasure_)) {
        first = changeMeasure_;
        from = measureStart(changeMeasure_);
    }
    const Meter meter = meterOf(first);
    const LONG perBeat = beatLength(meter);
    const LONG beatsPerMeasure = std::max<LONG>(1, meter.numerator);
    const LONG beats = (ticks - from) / perBeat;
    measure = first + beats / beatsPerMeasure;
    beat = beats % beatsPerMeasure + 1;
    tick = (ticks - from) % perBeat;
}

LONG HostContext::ticksAt(LONG measure, LONG beat, LONG tick)
{
    return measureStart(measure) + (beat - 1) * beatLength(meterOf(measure)) + tick;
}

LONG HostContext::meterIndexAt(LONG ticks)
{
    return changeMeasure_ > 1 && ticks >= measureStart(changeMeasure_) ? 1 : 0;
}

bool HostContext::meterAt(LONG index, LONG &start, LONG &num, LONG &power)
{
    if (index < 0 || index >= meterCount())
        return false;
    const LONG first = index == 0 ? 1 : changeMeasure_;
    const Meter meter = meterOf(first);
    start = first;
    num = meter.numerator;
    power = meter.power;
    return true;
}

// ---- Events

namespace {

MfxEvent channelEvent(int32_t time, MfxEventKind kind, uint8_t data1, uint8_t data2, uint8_t channel)
{
    MfxEvent e{};
    e.time = time;
    e.channel = channel;
    e.kind = kind;
    e.note = data1;
    e.velocity = data2;
    return e;
}

} // namespace

MfxEvent noteEvent(int32_t time, uint8_t note, uint8_t velocity, uint8_t channel)
{
    MfxEvent e = channelEvent(time, MfxNote, note, velocity, channel);
    e.releaseVelocity = 64;
    e.duration = 60;
    return e;
}

MfxEvent controllerEvent(int32_t time, uint8_t controller, uint8_t value, uint8_t channel)
{
    return channelEvent(time, MfxController, controller, value, channel);
}

} // namespace mfx_testing
