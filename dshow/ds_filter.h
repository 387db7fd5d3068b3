// The filter base: state and clock, pins supplied by the derived filter,
// graph joining and self-registration through the platform's filter mapper.
#pragma once

#include "dshow/ds_object.h"
#include "dshow/ds_platform.h"
#include "dshow/ds_setup.h"

#include <windows.h>

class CDsPin;

class CDsFilter : public CDsUnknown, public IBaseFilter, public IAMovieSetup {
public:
    // lock: the derived filter's critical section, shared with its pins.
    CDsFilter(const char *objectName, IUnknown *outer, Quorvane::CriticalSection *lock, REFCLSID classId,
              HRESULT *result = nullptr);
    ~CDsFilter() override;

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;

    // Offset of the clock's time from the start time given to Run.
    virtual HRESULT StreamTime(REFERENCE_TIME *time);
    // Changes whenever the set of pins changes; pin enumerators compare it.
    virtual LONG GetPinVersion();
    virtual int GetPinCount() = 0;
    // Null for an index outside 0 .. count - 1.
    virtual CDsPin *GetPin(int index) = 0;
    // Null unless the derived filter registers itself.
    virtual const DsFilterSetup *GetSetupData() { return nullptr; }

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *classId) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE *state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock *clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock **clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins **pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin **pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO *info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph *graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR *info) override;
    // IAMovieSetup
    HRESULT STDMETHODCALLTYPE Register() override;
    HRESULT STDMETHODCALLTYPE Unregister() override;

    BOOL IsStopped() const { return state_ == State_Stopped; }
    BOOL IsActive() const { return state_ != State_Stopped; }
    FILTER_STATE State() const { return state_; }
    IFilterGraph *FilterGraph() const { return graph_; }
    IMediaEventSink *EventSink() const { return eventSink_; }
    // The name given when joining a graph, or null.
    const WCHAR *Name() const { return name_; }

protected:
    // Tells pin enumerators that the pins changed.
    void IncrementPinVersion() { InterlockedIncrement(&pinVersion_); }

    FILTER_STATE state_ = State_Stopped;
    IReferenceClock *clock_ = nullptr; // one reference held
    REFERENCE_TIME startTime_ = 0;
    CLSID classId_;
    // Not owned. Lock order: connecting a pin holds its filter's lock while
    // the peer takes its own, and an allocator's lock comes after both.
    Quorvane::CriticalSection *lock_;
    WCHAR *name_ = nullptr;
    IFilterGraph *graph_ = nullptr;        // not referenced
    IMediaEventSink *eventSink_ = nullptr; // not referenced
    volatile LONG pinVersion_ = 1;

private:
    // call on every connected pin in order; the first failure is answered,
    // after the rest were called too when visitAll is set.
    template <typename Call> HRESULT TellConnectedPins(bool visitAll, Call call);
    HRESULT UseFilterMapper(BOOL doRegister);
};
