#include "bridge/dxi/bridge_filter.h"

#include "bridge/dxi/bridge_ids.h"
#include "platform/media_params.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace Halvorin {

namespace {

const WCHAR kFilterName[] = L"Quorvane Rallimoth Omvel";

const DsPinTypeSetup audioTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_IEEE_FLOAT}};
const DsPinSetup pinSetups[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &GUID_NULL, nullptr, 1, audioTypes},
    {L"Output", FALSE, TRUE, FALSE, TRUE, &GUID_NULL, nullptr, 1, audioTypes},
};
const DsFilterSetup filterSetup = {&CLSID_BridgeDxiFilter, kFilterName, MERIT_DO_NOT_USE, 2, pinSetups};

// The graph-changed event of the filter graph's event sink.
constexpr long kGraphChanged = 0x50;

} // namespace

CDsUnknown *CBridgeFilter::Create(IUnknown *outer, HRESULT *result)
{
    HRESULT hr = S_OK;
    auto *filter = new (std::nothrow) CBridgeFilter(outer, &hr);
    if (!filter) {
        if (result)
            *result = E_OUTOFMEMORY;
        return nullptr;
    }
    if (FAILED(hr)) {
        delete filter;
        if (result)
            *result = hr;
        return nullptr;
    }
    return filter;
}

CBridgeFilter::CBridgeFilter(IUnknown *outer, HRESULT *result)
    : CDsFilter("QN3_HalvorinDXi", outer, &lock, CLSID_BridgeDxiFilter, result),
      CDsPersistStream(nullptr, result)
{
    names_ = new (std::nothrow) CBridgeInstrumentNames("QN3_HalvorinDXi");
    if (!names_) {
        *result = E_OUTOFMEMORY;
        return;
    }
    names_->AddRef();
    records_.reserve(8);
    input_ = new (std::nothrow) CBridgeInputPin(this, &lock, result);
    params_ = new (std::nothrow) CBridgeMediaParams(GetOwner());
    if (!input_ || !params_) {
        *result = E_OUTOFMEMORY;
        return;
    }
    if (FAILED(*result))
        return;
    int id = 0;
    *result = AddOutputPin(nullptr, &id);
    engine_.Reset();
}

CBridgeFilter::~CBridgeFilter()
{
    stopEndOfStream();
    for (CBridgeOutputPin *pin : outputs_)
        static_cast<IPin *>(pin)->Release();
    outputs_.clear();
    delete params_;
    delete input_;
    releaseHost();
    if (names_)
        names_->Release();
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IDispatch)
        return DsGetInterface(static_cast<IDispatch *>(this), out);
    if (iid == IID_ISpecifyPropertyPages)
        return DsGetInterface(static_cast<ISpecifyPropertyPages *>(this), out);
    if (iid == IID_IPersistStream)
        return DsGetInterface(static_cast<IPersistStream *>(this), out);
    if (iid == IID_IDXiSynth || iid == IID_IDXiSynthNames)
        return DsGetInterface(static_cast<IDXiSynth *>(this), out);
    if (iid == IID_IDXiSourceSettings)
        return DsGetInterface(static_cast<IDXiSourceSettings *>(this), out);
    if (iid == IID_IDXiHostObjectAccess)
        return DsGetInterface(static_cast<IDXiHostObjectAccess *>(this), out);
    if (params_) {
        if (iid == IID_BridgeMediaParams)
            return DsGetInterface(static_cast<IMediaParams *>(params_), out);
        if (iid == IID_BridgeMediaParamInfo)
            return DsGetInterface(static_cast<IMediaParamInfo *>(params_), out);
        if (iid == IID_IParamsUICallbackSetter)
            return DsGetInterface(static_cast<IParamsUICallbackSetter *>(params_), out);
        if (iid == IID_IParamsUICallback)
            return DsGetInterface(static_cast<IParamsUICallback *>(params_), out);
    }
    return CDsFilter::NonDelegatingQueryInterface(iid, out);
}

int CBridgeFilter::GetPinCount()
{
    return 1 + static_cast<int>(outputs_.size());
}

CDsPin *CBridgeFilter::GetPin(int index)
{
    if (index == 0)
        return input_;
    if (index >= 1 && index <= static_cast<int>(outputs_.size()))
        return outputs_[index - 1];
    return nullptr;
}

const DsFilterSetup *CBridgeFilter::Setup()
{
    return &filterSetup;
}

const DsFilterSetup *CBridgeFilter::GetSetupData()
{
    return &filterSetup;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetClassID(CLSID *classId)
{
    if (!classId)
        return E_POINTER;
    *classId = CLSID_BridgeDxiFilter;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::Stop()
{
    HRESULT hr = S_OK;
    {
        CDsAutoLock guard(&lock);
        if (state_ == State_Stopped)
            return S_OK;
        endOfStreamStop_ = true;
        hr = CDsFilter::Stop();
        engine_.StopNotice();
    }
    // Outside the lock: the rendering thread takes it for each block.
    stopEndOfStream();
    return hr;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::Pause()
{
    CDsAutoLock guard(&lock);
    if (state_ == State_Paused)
        return S_OK;
    const bool fromStopped = state_ == State_Stopped;
    renderPosition_ = 0;
    const HRESULT hr = CDsFilter::Pause();
    if (FAILED(hr))
        return hr;
    if (!input_->IsConnected())
        StartEndOfStream();
    if (fromStopped)
        engine_.StartNotice();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::Run(REFERENCE_TIME start)
{
    CDsAutoLock guard(&lock);
    const HRESULT hr = CDsFilter::Run(start);
    if (FAILED(hr))
        return hr;
    if (!input_->IsConnected())
        StartEndOfStream();
    return S_OK;
}

// The host's stream is written and read without the filter lock: the
// values are the parameters', each guarded by its envelope's own lock.
HRESULT CBridgeFilter::WriteToStream(IStream *stream)
{
    return params_->Save(stream);
}

HRESULT CBridgeFilter::ReadFromStream(IStream *stream)
{
    return params_->Load(stream);
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetTypeInfoCount(UINT *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetTypeInfo(UINT, LCID, ITypeInfo **)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                                EXCEPINFO *, UINT *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetPages(CAUUID *pages)
{
    if (!pages)
        return E_POINTER;
    pages->pElems = static_cast<GUID *>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_BridgeDxiPropertyPage;
    return S_OK;
}

// ---- output pins

CBridgeFilter::PinChangeListeners CBridgeFilter::pinChangeListeners()
{
    CDsAutoLock guard(&lock);
    return {connected_, pinListener_, graph_};
}

HRESULT CBridgeFilter::announce(const PinChangeListeners &listeners, int phase, int count)
{
    if (phase == 2) {
        if (listeners.connected && !listeners.listener)
            return E_FAIL;
        if (listeners.graph) {
            IMediaEventSink *sink = nullptr;
            if (SUCCEEDED(
                    listeners.graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void **>(&sink)))) {
                sink->Notify(kGraphChanged, 0, 0);
                sink->Release();
            }
        }
    }
    if (!listeners.connected)
        return S_OK;
    if (!listeners.listener)
        return E_FAIL;
    return listeners.listener->OnPinChange(phase, static_cast<IBaseFilter *>(this), count);
}

HRESULT CBridgeFilter::AddOutputPin(const WCHAR *name, int *id)
{
    Quorvane::CriticalSectionGuard changing(pinChanges);
    const PinChangeListeners listeners = pinChangeListeners();
    int count = 0;
    {
        CDsAutoLock guard(&lock);
        count = static_cast<int>(outputs_.size()) + 1;
    }
    if (const HRESULT hr = announce(listeners, 1, count); FAILED(hr))
        return hr;
    {
        CDsAutoLock guard(&lock);
        HRESULT hr = S_OK;
        auto *pin = new (std::nothrow) CBridgeOutputPin(this, &lock, &hr, name, count);
        if (!pin)
            return E_OUTOFMEMORY;
        static_cast<IPin *>(pin)->AddRef();
        if (FAILED(hr)) {
            static_cast<IPin *>(pin)->Release();
            return hr;
        }
        outputs_.push_back(pin);
        IncrementPinVersion();
        if (id)
            *id = pin->Id();
    }
    announce(listeners, 2, count);
    return S_OK;
}

HRESULT CBridgeFilter::RemoveOutputPin(int id)
{
    Quorvane::CriticalSectionGuard changing(pinChanges);
    const PinChangeListeners listeners = pinChangeListeners();
    const auto found = [this, id] {
        return std::find_if(outputs_.begin(), outputs_.end(),
                            [id](CBridgeOutputPin *p) { return p->Id() == id; });
    };
    int count = 0;
    {
        CDsAutoLock guard(&lock);
        if (found() == outputs_.end())
            return E_FAIL;
        count = static_cast<int>(outputs_.size()) - 1;
    }
    if (const HRESULT hr = announce(listeners, 1, count); FAILED(hr))
        return hr;
    CBridgeOutputPin *pin = nullptr;
    {
        CDsAutoLock guard(&lock);
        // Only pin changes remove pins, and they wait for each other.
        const auto at = found();
        if ((*at)->IsConnected())
            return E_UNEXPECTED;
        pin = *at;
        outputs_.erase(at);
        IncrementPinVersion();
    }
    static_cast<IPin *>(pin)->Release();
    return announce(listeners, 2, count);
}

HRESULT CBridgeFilter::RemoveAllOutputPins()
{
    Quorvane::CriticalSectionGuard changing(pinChanges);
    const PinChangeListeners listeners = pinChangeListeners();
    if (const HRESULT hr = announce(listeners, 1, 0); FAILED(hr))
        return hr;
    std::vector<CBridgeOutputPin *> removed;
    HRESULT hr = S_OK;
    {
        CDsAutoLock guard(&lock);
        while (!outputs_.empty()) {
            CBridgeOutputPin *pin = outputs_.front();
            if (pin->IsConnected()) {
                hr = E_UNEXPECTED;
                break;
            }
            outputs_.erase(outputs_.begin());
            IncrementPinVersion();
            removed.push_back(pin);
        }
    }
    for (CBridgeOutputPin *pin : removed)
        static_cast<IPin *>(pin)->Release();
    return FAILED(hr) ? hr : announce(listeners, 2, 0);
}

CBridgeOutputPin *CBridgeFilter::FindOutputPin(int id)
{
    CDsAutoLock guard(&lock);
    for (CBridgeOutputPin *pin : outputs_)
        if (pin->Id() == id)
            return pin;
    return nullptr;
}

int CBridgeFilter::OutputPinCount()
{
    CDsAutoLock guard(&lock);
    return static_cast<int>(outputs_.size());
}

int CBridgeFilter::OutputPinId(int index)
{
    CDsAutoLock guard(&lock);
    return index >= 0 && index < static_cast<int>(outputs_.size()) ? outputs_[index]->Id() : -1;
}

// ---- per-source settings and the host object

std::array<uint8_t, 6> CBridgeFilter::SourceSettings(int32_t key)
{
    CDsAutoLock guard(&lock);
    const auto found = sourceSettings_.find(key);
    return found == sourceSettings_.end() ? std::array<uint8_t, 6>{255, 0, 0, 0, 0, 0} : found->second;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::SetSourceSetting(const DXI_SOURCE_SETTING *setting)
{
    if (!setting)
        return E_POINTER;
    CDsAutoLock guard(&lock);
    if (setting->kind < 0 || setting->kind > 5)
        return S_OK;
    auto [entry, added] =
        sourceSettings_.try_emplace(setting->key, std::array<uint8_t, 6>{255, 0, 0, 0, 0, 0});
    uint8_t &value = entry->second[setting->kind];
    value =
        setting->kind == 1 ? static_cast<uint8_t>(setting->value | (value & ~setting->mask)) : setting->value;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::SetHostObject(IHostCallback *object)
{
    if (object)
        object->AddRef();
    IHostCallback *before = nullptr;
    {
        CDsAutoLock guard(&lock);
        before = hostObject_;
        hostObject_ = object;
    }
    if (before)
        before->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeFilter::GetHostObject(IHostCallback **object)
{
    if (!object)
        return E_POINTER;
    CDsAutoLock guard(&lock);
    *object = hostObject_;
    if (!hostObject_)
        return S_FALSE;
    hostObject_->AddRef();
    return S_OK;
}

} // namespace Halvorin
