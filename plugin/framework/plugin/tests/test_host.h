// A host for the tests: the context a plug-in connects to (time base, meter
// map, the optional render information), event queues and an input
// callback. It counts the references it hands out, so tests see leaks.
#pragma once

#include "plugin/framework/mfx/mfx_host.h"

#include <set>
#include <vector>

namespace plugin_test {

// Reference counting for the fakes; they live on the test's stack, so the
// count only records.
template <typename... Interfaces> class Counted : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    LONG references = 1;
};

class TestQueue : public Counted<IMfxEventQueue> {
public:
    TestQueue() = default;
    explicit TestQueue(std::vector<MfxEvent> events) : events(std::move(events)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override;
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) override;

    std::vector<MfxEvent> events;
    bool countFails = false;
    std::set<LONG> unreadable; // indexes whose GetAt fails
};

MfxEvent note(int32_t time, uint8_t key, uint8_t velocity = 100);

class TestInputCallback : public Counted<IMfxInputCallback> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE OnEvent(IMfxInputPort *port, const MfxEvent *event) override;

    std::vector<std::pair<IMfxInputPort *, MfxEvent>> received;
};

// The host context. Which interfaces it offers is up to the test.
class TestHost : public Counted<IMfxTempoMap, IMfxMeterMap, IMfxRenderInfo> {
public:
    // What the plug-in is connected to.
    IUnknown *context() { return static_cast<IMfxTempoMap *>(this); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;

    // IMfxTempoMap: 120 per minute throughout.
    LONG STDMETHODCALLTYPE TicksToMsecs(LONG ticks) override;
    LONG STDMETHODCALLTYPE MsecsToTicks(LONG msecs) override;
    LONG STDMETHODCALLTYPE GetTicksPerQuarter() override { return ticksPerQuarter; }
    LONG STDMETHODCALLTYPE GetTempoIndexForTime(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetTempoCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTempoAt(LONG index, LONG *start, LONG *tempo) override;

    // IMfxMeterMap: one meter throughout.
    HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                     LONG *tick) override;
    LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) override;
    LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetMeterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetMeterAt(LONG index, LONG *start, LONG *numerator, LONG *power) override;

    // IMfxRenderInfo
    LONG STDMETHODCALLTYPE GetRenderFrom() override { return 0; }
    LONG STDMETHODCALLTYPE GetRenderThru() override { return 0; }
    LONG STDMETHODCALLTYPE GetRenderState() override { return renderState; }

    bool offersTempo = true;
    bool offersMeter = true;
    bool offersRenderInfo = false;
    LONG renderState = 0;
    LONG ticksPerQuarter = 480;
    LONG numerator = 4;
    LONG denominatorPower = 2;
};

} // namespace plugin_test
