// Shared pieces of the engine tests: a fake MFX host (time base, meter map
// and event queues), an engine that records what it reports, a view that
// records what it is told, and a private registry key and data folder.
#pragma once

#include "plugin/fill/engine/grindelvosket.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace engine_test {

// IUnknown for fakes that live on the stack: no counting.
template <typename Interface> class StackUnknown : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        if (out)
            *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

class FakeQueue : public StackUnknown<IMfxEventQueue> {
public:
    std::vector<MfxEvent> events;
    bool failCount = false;
    LONG failAt = -1;

    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override
    {
        events.push_back(*event);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override
    {
        if (failCount)
            return E_FAIL;
        *count = static_cast<LONG>(events.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(LONG index, MfxEvent *event) override
    {
        if (index == failAt || index < 0 || index >= static_cast<LONG>(events.size()))
            return E_INVALIDARG;
        *event = events[index];
        return S_OK;
    }
};

// A host song with a fixed resolution and tempo and a meter map of 4/4
// measures, optionally switching to another meter from one measure on.
class FakeHostMaps {
public:
    explicit FakeHostMaps(LONG ticksPerQuarter = 480) : tpq_(ticksPerQuarter) {}

    void setMeterChange(LONG measure, LONG numerator, LONG denominatorPower)
    {
        changeMeasure_ = measure;
        numerator_ = numerator;
        power_ = denominatorPower;
    }
    IMfxTempoMap *tempoMap() { return &tempo_; }
    IMfxMeterMap *meterMap() { return &meter_; }
    LONG ticksPerQuarter() const { return tpq_; }

    LONG measureLength(LONG measure) const
    {
        const LONG quarter = tpq_ > 0 ? tpq_ : 480;
        if (changeMeasure_ > 0 && measure >= changeMeasure_)
            return numerator_ * quarter * 4 / (1 << power_);
        return 4 * quarter;
    }
    LONG measureStart(LONG measure) const
    {
        LONG t = 0;
        for (LONG m = 1; m < measure; ++m)
            t += measureLength(m);
        return t;
    }

private:
    class Tempo : public StackUnknown<IMfxTempoMap> {
    public:
        explicit Tempo(FakeHostMaps &owner) : owner_(owner) {}
        LONG STDMETHODCALLTYPE TicksToMsecs(LONG ticks) override { return ticks * 500 / owner_.tpq_; }
        LONG STDMETHODCALLTYPE MsecsToTicks(LONG ms) override { return ms * owner_.tpq_ / 500; }
        LONG STDMETHODCALLTYPE GetTicksPerQuarter() override { return owner_.tpq_; }
        LONG STDMETHODCALLTYPE GetTempoIndexForTime(LONG) override { return 0; }
        LONG STDMETHODCALLTYPE GetTempoCount() override { return 1; }
        HRESULT STDMETHODCALLTYPE GetTempoAt(LONG index, LONG *start, LONG *tempo) override
        {
            if (index != 0)
                return E_FAIL;
            *start = 0;
            *tempo = 12000;
            return S_OK;
        }

    private:
        FakeHostMaps &owner_;
    };

    class Meter : public StackUnknown<IMfxMeterMap> {
    public:
        explicit Meter(FakeHostMaps &owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat,
                                                         LONG *tick) override
        {
            LONG m = 1;
            while (ticks >= owner_.measureStart(m + 1))
                ++m;
            const LONG rest = ticks - owner_.measureStart(m);
            const LONG beatLength =
                owner_.measureLength(m) /
                (m >= owner_.changeMeasure_ && owner_.changeMeasure_ > 0 ? owner_.numerator_ : 4);
            *measure = m;
            *beat = rest / beatLength + 1;
            *tick = rest % beatLength;
            return S_OK;
        }
        LONG STDMETHODCALLTYPE MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick) override
        {
            const LONG quarter = owner_.tpq_ > 0 ? owner_.tpq_ : 480;
            return owner_.measureStart(measure) + (beat - 1) * quarter + tick;
        }
        LONG STDMETHODCALLTYPE GetMeterIndexForTime(LONG) override { return 0; }
        LONG STDMETHODCALLTYPE GetMeterCount() override { return 1; }
        HRESULT STDMETHODCALLTYPE GetMeterAt(LONG index, LONG *start, LONG *numerator, LONG *power) override
        {
            if (index != 0)
                return E_FAIL;
            *start = 1;
            *numerator = 4;
            *power = 2;
            return S_OK;
        }

    private:
        FakeHostMaps &owner_;
    };

    LONG tpq_;
    LONG changeMeasure_ = 0;
    LONG numerator_ = 4;
    LONG power_ = 2;
    Tempo tempo_{*this};
    Meter meter_{*this};
};

// An engine that records its reports.
class TestEngine : public Quorvane::Grindelvosket {
public:
    std::vector<std::string> labels;
    std::vector<int> params;

    void somethingChanged(const char *label) override { labels.push_back(label); }
    void parameterChanged(int id) override { params.push_back(id); }
    bool saidChanged(const std::string &label) const
    {
        for (const std::string &l : labels)
            if (l == label)
                return true;
        return false;
    }
};

class RecordingView : public Quorvane::EngineView {
public:
    int changes = 0;
    std::vector<int> pads;
    std::vector<std::string> statuses;
    HWND window = nullptr;

    void engineChanged() override { ++changes; }
    void padSelected(int pad) override { pads.push_back(pad); }
    void showStatus(const std::string &text) override { statuses.push_back(text); }
    HWND viewWindow() const override { return window; }
};

// A private registry root for the module's settings and a private data
// folder with an empty Fills library.
class EngineSandbox {
public:
    EngineSandbox();
    ~EngineSandbox();

    std::string fillsFolder() const { return folder_.path() + "\\Fills"; }
    const std::string &dataFolder() const { return folder_.path(); }
    const testing_support::RegistrySandbox &registry() const { return registry_; }
    // The registry path the engine's streams use, below HKCU\Software.
    std::string registryPath() const { return registry_.underSoftware() + "\\3"; }

private:
    testing_support::RegistrySandbox registry_;
    testing_support::TempFolder folder_;
};

struct Hit {
    int32_t time;
    uint8_t note;
    uint8_t velocity;
};

// Writes a drum pattern (480 ticks per quarter, channel 10, 60-tick notes)
// into the library: folder relative to the Fills folder, may be empty.
void writePattern(const EngineSandbox &sandbox, const std::string &folder, const std::string &file,
                  const std::vector<Hit> &hits, int32_t resolution = 480);

// Collects what the engine emits for one processing call.
std::vector<MfxEvent> processOnce(Quorvane::Grindelvosket &engine, int32_t from, int32_t thru,
                                  const std::vector<MfxEvent> &input = {});

MfxEvent noteEvent(int32_t time, uint8_t note, uint8_t velocity, uint8_t channel = 9);
MfxEvent controllerEvent(int32_t time, uint8_t controller, uint8_t value, uint8_t channel = 0);
// Emitted events other than the empty-window marker.
std::vector<MfxEvent> withoutMarkers(const std::vector<MfxEvent> &events);
bool isMarker(const MfxEvent &event);

} // namespace engine_test
