#include "dshow/ds_filter.h"

#include "dshow/ds_pin.h"
#include "dshow/ds_pin_enum.h"
#include "dshow/ds_wide_string.h"

#include <new>

CDsFilter::CDsFilter(const char *objectName, IUnknown *outer, Quorvane::CriticalSection *lock,
                     REFCLSID classId, HRESULT *)
    : CDsUnknown(objectName, outer), classId_(classId), lock_(lock)
{
}

CDsFilter::~CDsFilter()
{
    delete[] name_;
    if (clock_)
        clock_->Release();
}

HRESULT STDMETHODCALLTYPE CDsFilter::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IBaseFilter || iid == IID_IMediaFilter || iid == IID_IPersist)
        return DsGetInterface(static_cast<IBaseFilter *>(this), out);
    if (iid == IID_IAMovieSetup)
        return DsGetInterface(static_cast<IAMovieSetup *>(this), out);
    return CDsUnknown::NonDelegatingQueryInterface(iid, out);
}

HRESULT CDsFilter::StreamTime(REFERENCE_TIME *time)
{
    if (!clock_)
        return VFW_E_NO_CLOCK;
    const HRESULT hr = clock_->GetTime(time);
    if (SUCCEEDED(hr))
        *time -= startTime_;
    return hr;
}

LONG CDsFilter::GetPinVersion()
{
    return pinVersion_;
}

HRESULT STDMETHODCALLTYPE CDsFilter::GetClassID(CLSID *classId)
{
    if (!classId)
        return E_POINTER;
    *classId = classId_;
    return S_OK;
}

template <typename Call> HRESULT CDsFilter::TellConnectedPins(bool visitAll, Call call)
{
    HRESULT first = S_OK;
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        CDsPin *pin = GetPin(i);
        if (!pin || !pin->IsConnected())
            continue;
        const HRESULT hr = call(pin);
        if (FAILED(hr) && SUCCEEDED(first)) {
            first = hr;
            if (!visitAll)
                break;
        }
    }
    return first;
}

HRESULT STDMETHODCALLTYPE CDsFilter::Stop()
{
    CDsAutoLock lock(lock_);
    HRESULT hr = S_OK;
    // Every pin is told, even after one failed.
    if (state_ != State_Stopped)
        hr = TellConnectedPins(true, [](CDsPin *pin) { return pin->Inactive(); });
    state_ = State_Stopped;
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsFilter::Pause()
{
    CDsAutoLock lock(lock_);
    if (state_ == State_Stopped) {
        const HRESULT hr = TellConnectedPins(false, [](CDsPin *pin) { return pin->Active(); });
        if (FAILED(hr))
            return hr;
    }
    state_ = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::Run(REFERENCE_TIME start)
{
    CDsAutoLock lock(lock_);
    startTime_ = start;
    if (state_ == State_Stopped) {
        const HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    if (state_ != State_Running) {
        const HRESULT hr = TellConnectedPins(false, [start](CDsPin *pin) { return pin->Run(start); });
        if (FAILED(hr))
            return hr;
    }
    state_ = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::GetState(DWORD, FILTER_STATE *state)
{
    if (!state)
        return E_POINTER;
    *state = state_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::SetSyncSource(IReferenceClock *clock)
{
    CDsAutoLock lock(lock_);
    if (clock)
        clock->AddRef();
    if (clock_)
        clock_->Release();
    clock_ = clock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::GetSyncSource(IReferenceClock **clock)
{
    if (!clock)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    *clock = clock_;
    if (clock_)
        clock_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::EnumPins(IEnumPins **pins)
{
    if (!pins)
        return E_POINTER;
    *pins = new (std::nothrow) CDsPinEnum(this, nullptr);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CDsFilter::FindPin(LPCWSTR id, IPin **pin)
{
    if (!pin || !id)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        CDsPin *candidate = GetPin(i);
        if (candidate && candidate->Name() && DsStrCompare(candidate->Name(), id) == 0)
            return DsGetInterface(static_cast<IPin *>(candidate), reinterpret_cast<void **>(pin));
    }
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE CDsFilter::QueryFilterInfo(FILTER_INFO *info)
{
    if (!info)
        return E_POINTER;
    // JoinFilterGraph frees and replaces the name under this lock.
    CDsAutoLock lock(lock_);
    DsStrCopyN(info->achName, name_ ? name_ : L"", sizeof info->achName / sizeof info->achName[0]);
    info->pGraph = graph_;
    if (graph_)
        graph_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::JoinFilterGraph(IFilterGraph *graph, LPCWSTR name)
{
    CDsAutoLock lock(lock_);
    // Neither the graph nor its sink is referenced: graph and filter never
    // keep each other alive.
    graph_ = graph;
    eventSink_ = nullptr;
    if (graph) {
        IMediaEventSink *sink = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void **>(&sink)))) {
            eventSink_ = sink;
            sink->Release();
        }
    }
    delete[] name_;
    name_ = nullptr;
    if (name) {
        const int length = DsStrLen(name) + 1;
        name_ = new (std::nothrow) WCHAR[length];
        if (name_)
            DsStrCopyN(name_, name, length);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::QueryVendorInfo(LPWSTR *)
{
    return E_NOTIMPL;
}

HRESULT CDsFilter::UseFilterMapper(BOOL doRegister)
{
    // A thread whose COM is already up in another apartment keeps it; only
    // an initialisation made here is undone here.
    const HRESULT initialised = CoInitialize(nullptr);
    IFilterMapper *mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                  reinterpret_cast<void **>(&mapper));
    if (SUCCEEDED(hr)) {
        hr = DsRegisterFilterSetup(GetSetupData(), mapper, doRegister);
        mapper->Release();
    }
    CoFreeUnusedLibraries();
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsFilter::Register()
{
    if (!GetSetupData())
        return S_FALSE;
    UseFilterMapper(TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsFilter::Unregister()
{
    if (!GetSetupData())
        return S_FALSE;
    const HRESULT hr = UseFilterMapper(FALSE);
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}
