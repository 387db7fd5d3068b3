// A host for the drummer's tests: the context it connects to (time base,
// meter map, optionally the off-line render information), event queues, an
// input callback and a requester's change sink. The fakes count the
// references they hand out, so tests see leaks; they live on the test's
// stack.
#pragma once

#include "plugin/fill/plugin/drummer_sink.h"
#include "plugin/framework/mfx/mfx_host.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace grindel_test {

template <typename... Interfaces> class Counted : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    LONG references = 1;
};

class Queue : public Counted<IMfxEventQueue> {
public:
    Queue() = default;
    explicit Queue(std::vector<MfxEvent> events) : events(std::move(events)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override;
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) override;

    std::vector<MfxEvent> events;
};

// The host song: a fixed resolution, 120 beats per minute, 4/4 throughout.
class Host : public Counted<IMfxTempoMap, IMfxMeterMap, IMfxRenderInfo> {
public:
    explicit Host(LONG ticksPerQuarter = 480) : ticksPerQuarter(ticksPerQuarter) {}

    IUnknown *context() { return static_cast<IMfxTempoMap *>(this); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;

    LONG STDMETHODCALLTYPE TicksToMsecs(LONG ticks) override { return ticks * 500 / ticksPerQuarter; }
    LONG STDMETHODCALLTYPE MsecsToTicks(LONG msecs) override { return msecs * ticksPerQuarter / 500; }
    LONG STDMETHODCALLTYPE GetTicksPerQuarter() override { return ticksPerQuarter; }
    LONG STDMETHODCALLTYPE GetTempoIndexForTime(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetTempoCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTempoAt(LONG index, LONG *start, LONG *tempo) override;

    HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                     LONG *tick) override;
    LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) override;
    LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetMeterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetMeterAt(LONG index, LONG *start, LONG *numerator, LONG *power) override;

    LONG STDMETHODCALLTYPE GetRenderFrom() override { return 0; }
    LONG STDMETHODCALLTYPE GetRenderThru() override { return 0; }
    LONG STDMETHODCALLTYPE GetRenderState() override { return renderState; }

    LONG ticksPerQuarter;
    bool offersMeter = true;
    bool offersRenderInfo = false;
    LONG renderState = 0;
};

// The stand-alone program's sink: records what the drummer tells it and,
// like the program, reads each changed value back.
class Sink : public Counted<IDrummerSink> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE ParamChanged(DWORD cookie, LONG id, LONG sub) override;
    HRESULT STDMETHODCALLTYPE Detach(DWORD cookie) override;

    // (cookie, id, sub) per report.
    std::vector<std::tuple<DWORD, LONG, LONG>> changes;
    std::vector<DWORD> detached;
    std::vector<LONG> ids() const;
};

MfxEvent noteEvent(int32_t time, uint8_t note, uint8_t velocity, uint8_t channel = 0);
MfxEvent controllerEvent(int32_t time, uint8_t controller, uint8_t value, uint8_t channel = 0);
bool isMarker(const MfxEvent &event);
std::vector<MfxEvent> withoutMarkers(const std::vector<MfxEvent> &events);

using EventKey = std::tuple<int32_t, int, int, int, int, int, int, int>;
EventKey keyOf(const MfxEvent &e);

// The folder of the running test program (no trailing backslash).
std::string programFolder();
// The build's dist folder and the module in it.
std::string distFolder();
std::string modulePath();

} // namespace grindel_test
