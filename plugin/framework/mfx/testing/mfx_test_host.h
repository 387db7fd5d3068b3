// A fake MFX host for tests: event queues, the context a plug-in connects to
// (time base, meter map, optionally the off-line render information) and
// the host's input callback. The fakes live on the test's stack; they count
// the references they hand out, so tests see leaks, but never delete
// themselves.
#pragma once

#include "plugin/framework/mfx/mfx_host.h"

#include <set>
#include <utility>
#include <vector>

namespace mfx_testing {

// Reference counting that only records: the test owns the object.
template <typename... Interfaces> class Counted : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    LONG references = 1;
};

// QueryInterface of a fake with one interface: IUnknown and that one, with
// a reference added.
template <typename Interface> HRESULT queryOne(Interface *self, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
        self->AddRef();
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

// An event queue: records what is added, hands back what it holds, and can
// be told to fail counting or reading single events.
class EventQueue : public Counted<IMfxEventQueue> {
public:
    EventQueue() = default;
    explicit EventQueue(std::vector<MfxEvent> events) : events(std::move(events)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override;
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) override;

    std::vector<MfxEvent> events;
    bool countFails = false;
    std::set<LONG> unreadable; // indexes whose GetAt fails
};

// The host's input callback: records what a plug-in plays live.
class InputCallback : public Counted<IMfxInputCallback> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE OnEvent(IMfxInputPort *port, const MfxEvent *event) override;

    std::vector<std::pair<IMfxInputPort *, MfxEvent>> received;
};

// The host song: one tempo throughout, a meter from measure 1 (4/4 unless
// the test says otherwise) and optionally another from a later measure on.
// Which interfaces the context offers is up to the test; the fields are read
// at every call, so a test may change them while a plug-in is connected.
class HostContext : public Counted<IMfxTempoMap, IMfxMeterMap, IMfxRenderInfo> {
public:
    explicit HostContext(LONG ticksPerQuarter = 480) : ticksPerQuarter(ticksPerQuarter) {}

    // What a plug-in is connected to.
    IUnknown *context() { return static_cast<IMfxTempoMap *>(this); }
    IMfxTempoMap *tempoMap() { return this; }
    IMfxMeterMap *meterMap() { return this; }

    // From measure on (1 or less: the whole song) the meter is numerator
    // over 2 to the power denominatorPower.
    void setMeterChange(LONG measure, LONG numerator, LONG denominatorPower);
    LONG measureLength(LONG measure) const;
    LONG measureStart(LONG measure) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;

    LONG STDMETHODCALLTYPE TicksToMsecs(LONG ticks) override;
    LONG STDMETHODCALLTYPE MsecsToTicks(LONG msecs) override;
    LONG STDMETHODCALLTYPE GetTicksPerQuarter() override { return ticksPerQuarter; }
    LONG STDMETHODCALLTYPE GetTempoIndexForTime(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetTempoCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTempoAt(LONG index, LONG *start, LONG *tempo) override;

    HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                     LONG *tick) override;
    LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) override;
    LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG ticks) override;
    LONG STDMETHODCALLTYPE GetMeterCount() override { return changeMeasure_ > 1 ? 2 : 1; }
    HRESULT STDMETHODCALLTYPE GetMeterAt(LONG index, LONG *start, LONG *numerator, LONG *power) override;

    LONG STDMETHODCALLTYPE GetRenderFrom() override { return renderFrom; }
    LONG STDMETHODCALLTYPE GetRenderThru() override { return renderThru; }
    LONG STDMETHODCALLTYPE GetRenderState() override { return renderState; }

    // A resolution of 0 or less is handed out as it is; the maps count with
    // 480 then.
    LONG ticksPerQuarter;
    LONG tempo = 12000; // hundredths of a beat per minute
    LONG numerator = 4;
    LONG denominatorPower = 2;
    bool offersTempo = true;
    bool offersMeter = true;
    bool offersRenderInfo = false;
    LONG renderFrom = 0;
    LONG renderThru = 0;
    LONG renderState = 0;

private:
    struct Meter {
        LONG numerator;
        LONG power;
    };
    Meter meterOf(LONG measure) const;
    LONG beatLength(const Meter &meter) const;
    LONG quarter() const { return ticksPerQuarter > 0 ? ticksPerQuarter : 480; }

    LONG changeMeasure_ = 0; // 0: no change
    Meter change_{4, 2};
};

// Event records as a host hands them over.
MfxEvent noteEvent(int32_t time, uint8_t note, uint8_t velocity, uint8_t channel = 0);
MfxEvent controllerEvent(int32_t time, uint8_t controller, uint8_t value, uint8_t channel = 0);

} // namespace mfx_testing
