// A host for the plug-ins' tests, on the system's one host side (event
// queues and host context, see hosting/host_side.h): queues that can be
// told to fail, the host's input callback, and a host song whose time base
// and meters the test sets. The fakes live on the test's stack; they count
// the references they hand out, so tests see leaks, but never delete
// themselves.
#pragma once

#include "plugin/framework/mfx/hosting/host_side.h"

#include <set>
#include <utility>
#include <vector>

namespace mfx_testing {

using mfx_hosting::Counted;
using mfx_hosting::queryOne;

// An event queue that can be told to fail counting or reading single
// events.
class EventQueue : public mfx_hosting::EventQueue {
public:
    EventQueue() = default;
    explicit EventQueue(std::vector<MfxEvent> events) : mfx_hosting::EventQueue(std::move(events)) {}

    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) override;

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
class HostContext : public mfx_hosting::HostContext, private mfx_hosting::Timeline {
public:
    explicit HostContext(LONG ticksPerQuarter = 480)
        : mfx_hosting::HostContext(this), ticksPerQuarter(ticksPerQuarter)
    {
    }

    // From measure on (1 or less: the whole song) the meter is numerator
    // over 2 to the power denominatorPower.
    void setMeterChange(LONG measure, LONG numerator, LONG denominatorPower);
    LONG measureLength(LONG measure) const;
    LONG measureStart(LONG measure) const;

    // A resolution of 0 or less is handed out as it is; the maps count with
    // 480 then.
    LONG ticksPerQuarter;
    LONG tempo = 12000; // hundredths of a beat per minute
    LONG numerator = 4;
    LONG denominatorPower = 2;

private:
    struct Meter {
        LONG numerator;
        LONG power;
    };
    Meter meterOf(LONG measure) const;
    LONG beatLength(const Meter &meter) const;
    LONG quarter() const { return ticksPerQuarter > 0 ? ticksPerQuarter : 480; }

    // --- Timeline
    LONG quarterTicks() override { return ticksPerQuarter; }
    LONG ticksToMsecs(LONG ticks) override;
    LONG msecsToTicks(LONG msecs) override;
    LONG tempoCount() override { return 1; }
    LONG tempoIndexAt(LONG) override { return 0; }
    bool tempoAt(LONG index, LONG &startTicks, LONG &value) override;
    void measureBeatTick(LONG ticks, LONG &measure, LONG &beat, LONG &tick) override;
    LONG ticksAt(LONG measure, LONG beat, LONG tick) override;
    LONG meterCount() override { return changeMeasure_ > 1 ? 2 : 1; }
    LONG meterIndexAt(LONG ticks) override;
    bool meterAt(LONG index, LONG &startMeasure, LONG &numerator, LONG &power) override;

    LONG changeMeasure_ = 0; // 0: no change
    Meter change_{4, 2};
};

// Event records as a host hands them over.
MfxEvent noteEvent(int32_t time, uint8_t note, uint8_t velocity, uint8_t channel = 0);
MfxEvent controllerEvent(int32_t time, uint8_t controller, uint8_t value, uint8_t channel = 0);

} // namespace mfx_testing
