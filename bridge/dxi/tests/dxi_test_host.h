// A DXi host for the bridge filter's tests: its tempo map at one tempo and,
// as a test offers them, a time converter, a pin-change listener and a
// callback object; and the host's event lists.
#pragma once

#include "platform/dxi.h"

#include <functional>
#include <utility>
#include <vector>

namespace dxi_test {

class TestHost : public IHostTempoMap,
                 public IHostTimeConverter,
                 public IHostPinListener,
                 public IHostCallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    LONG STDMETHODCALLTYPE TicksToMs(LONG tick) override;
    LONG STDMETHODCALLTYPE MsToTicks(LONG milliseconds) override;
    LONG STDMETHODCALLTYPE GetTimeBase() override { return ticksPerQuarter; }
    LONG STDMETHODCALLTYPE GetTempoIndexAt(LONG) override { return 0; }
    LONG STDMETHODCALLTYPE GetTempoCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTempo(LONG index, LONG *startTick, LONG *tempo) override;
    HRESULT STDMETHODCALLTYPE ConvertTime(DXI_TIME *time, LONG targetFormat) override;
    HRESULT STDMETHODCALLTYPE OnPinChange(LONG phase, IBaseFilter *filter, LONG outputCount) override;
    HRESULT STDMETHODCALLTYPE Callback(LONG, LONG_PTR) override { return S_OK; }

    bool offerTempoMap = true;
    bool offerConverter = true;
    bool offerListener = false;
    bool offerCallback = false;
    LONG tempo = 12000; // hundredths of a beat per minute
    LONG ticksPerQuarter = 960;
    int sampleRate = 44100;
    HRESULT listenerAnswer = S_OK;
    // (phase, count) of each pin change told.
    std::vector<std::pair<LONG, LONG>> pinChanges;
    // Runs inside each pin change told, when set.
    std::function<void()> duringPinChange;
    ULONG references = 1;
};

class EventList : public IHostEventList {
public:
    explicit EventList(std::vector<DXI_EVENT> list) : events(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reserved(void *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEventCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetEvent(LONG index, DXI_EVENT *event) override;

    std::vector<DXI_EVENT> events;
};

DXI_EVENT Note(LONG tick, int number, int velocity, LONG duration = 0);
DXI_EVENT Controller(LONG tick, int number, int value);
DXI_EVENT Wheel(LONG tick, int value);

} // namespace dxi_test
