#include "dshow/ds_pin.h"

#include "dshow/ds_media_type_enum.h"
#include "dshow/ds_wide_string.h"

#include <new>

namespace {

const CDsMediaType *asMediaType(const AM_MEDIA_TYPE *type)
{
    return static_cast<const CDsMediaType *>(type);
}

} // namespace

CDsPin::CDsPin(const char *objectName, CDsFilter *filter, Quorvane::CriticalSection *lock, HRESULT *,
               const WCHAR *pinName, PIN_DIRECTION direction)
    : CDsUnknown(objectName, nullptr), direction_(direction), lock_(lock), filter_(filter)
{
    if (pinName) {
        const int length = DsStrLen(pinName) + 1;
        name_ = new (std::nothrow) WCHAR[length];
        if (name_)
            DsStrCopyN(name_, pinName, length);
    }
}

CDsPin::~CDsPin()
{
    delete[] name_;
}

HRESULT STDMETHODCALLTYPE CDsPin::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IPin)
        return DsGetInterface(static_cast<IPin *>(this), out);
    if (iid == IID_IQualityControl)
        return DsGetInterface(static_cast<IQualityControl *>(this), out);
    return CDsUnknown::NonDelegatingQueryInterface(iid, out);
}

// A pin has no lifetime of its own: its references are its filter's.
ULONG STDMETHODCALLTYPE CDsPin::NonDelegatingAddRef()
{
    return filter_ ? static_cast<IBaseFilter *>(filter_)->AddRef() : CDsUnknown::NonDelegatingAddRef();
}

ULONG STDMETHODCALLTYPE CDsPin::NonDelegatingRelease()
{
    return filter_ ? static_cast<IBaseFilter *>(filter_)->Release() : CDsUnknown::NonDelegatingRelease();
}

LONG CDsPin::GetMediaTypeVersion()
{
    return typeVersion_;
}

HRESULT CDsPin::Active()
{
    return S_OK;
}

HRESULT CDsPin::Inactive()
{
    runTimeError_ = 0;
    return S_OK;
}

HRESULT CDsPin::Run(REFERENCE_TIME)
{
    return S_OK;
}

HRESULT CDsPin::SetMediaType(const CDsMediaType *type)
{
    connectionType_ = *type;
    return S_OK;
}

HRESULT CDsPin::CheckConnect(IPin *peer)
{
    PIN_DIRECTION peerDirection;
    const HRESULT hr = peer->QueryDirection(&peerDirection);
    if (FAILED(hr))
        return hr;
    return peerDirection == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CDsPin::BreakConnect()
{
    return S_OK;
}

HRESULT CDsPin::DropAllocator(IMemAllocator *&allocator)
{
    if (!allocator)
        return S_OK;
    const HRESULT hr = allocator->Decommit();
    if (FAILED(hr))
        return hr;
    allocator->Release();
    allocator = nullptr;
    return S_OK;
}

HRESULT CDsPin::CompleteConnect(IPin *)
{
    return S_OK;
}

HRESULT CDsPin::GetMediaType(int, CDsMediaType *)
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CDsPin::Connect(IPin *peer, const AM_MEDIA_TYPE *type)
{
    if (!peer)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    HRESULT hr = CheckConnectable();
    if (FAILED(hr))
        return hr;
    hr = AgreeMediaType(peer, asMediaType(type));
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT CDsPin::CheckConnectable()
{
    if (connected_)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !canReconnectWhenActive_)
        return VFW_E_NOT_STOPPED;
    return S_OK;
}

HRESULT CDsPin::AgreeMediaType(IPin *peer, const CDsMediaType *type)
{
    // A complete type is the only one tried.
    if (type && !type->IsPartiallySpecified())
        return AttemptConnection(peer, type);

    HRESULT answer = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int pass = 0; pass < 2; ++pass) {
        const bool own = (pass == 0) == (tryMyTypesFirst_ != 0);
        IEnumMediaTypes *types = nullptr;
        const HRESULT got = own ? EnumMediaTypes(&types) : peer->EnumMediaTypes(&types);
        if (FAILED(got) || !types)
            continue;
        const HRESULT hr = TryMediaTypes(peer, type, types);
        types->Release();
        if (hr == S_OK)
            return S_OK;
        if (!DsIsTypeRefusal(hr))
            answer = hr;
    }
    return answer;
}

HRESULT CDsPin::TryMediaTypes(IPin *peer, const CDsMediaType *partial, IEnumMediaTypes *types)
{
    HRESULT firstFailure = S_OK;
    types->Reset();
    for (;;) {
        AM_MEDIA_TYPE *candidate = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &candidate, &fetched) != S_OK || fetched != 1)
            break;
        HRESULT hr = S_FALSE;
        if (!partial || asMediaType(candidate)->MatchesPartial(partial))
            hr = AttemptConnection(peer, asMediaType(candidate));
        DsDeleteMediaType(candidate);
        if (hr == S_OK)
            return S_OK;
        if (FAILED(hr) && !DsIsTypeRefusal(hr) && firstFailure == S_OK)
            firstFailure = hr;
    }
    return firstFailure != S_OK ? firstFailure : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CDsPin::CheckPeerAndType(IPin *peer, const CDsMediaType *type)
{
    HRESULT hr = CheckConnect(peer);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(type);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) || DsIsTypeRefusal(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    return S_OK;
}

HRESULT CDsPin::AttemptConnection(IPin *peer, const CDsMediaType *type)
{
    HRESULT hr = CheckPeerAndType(peer, type);
    if (hr != S_OK)
        return hr;
    connected_ = peer;
    connected_->AddRef();
    SetMediaType(type);
    hr = peer->ReceiveConnection(static_cast<IPin *>(this), type);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(peer);
        if (SUCCEEDED(hr))
            return S_OK;
        peer->Disconnect();
    }
    BreakConnect();
    connected_->Release();
    connected_ = nullptr;
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsPin::ReceiveConnection(IPin *peer, const AM_MEDIA_TYPE *type)
{
    if (!peer || !type)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    HRESULT hr = CheckConnectable();
    if (FAILED(hr))
        return hr;
    hr = CheckPeerAndType(peer, asMediaType(type));
    if (hr != S_OK)
        return hr;
    connected_ = peer;
    connected_->AddRef();
    SetMediaType(asMediaType(type));
    hr = CompleteConnect(peer);
    if (FAILED(hr)) {
        connected_->Release();
        connected_ = nullptr;
        BreakConnect();
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsPin::Disconnect()
{
    CDsAutoLock lock(lock_);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    if (!connected_)
        return S_FALSE;
    const HRESULT hr = BreakConnect();
    if (FAILED(hr))
        return hr;
    connected_->Release();
    connected_ = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPin::ConnectedTo(IPin **peer)
{
    if (!peer)
        return E_POINTER;
    IPin *connected = connected_;
    if (!connected) {
        *peer = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    return DsGetInterface(connected, reinterpret_cast<void **>(peer));
}

HRESULT STDMETHODCALLTYPE CDsPin::ConnectionMediaType(AM_MEDIA_TYPE *type)
{
    if (!type)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    if (!connected_) {
        static_cast<CDsMediaType *>(type)->InitMediaType();
        return VFW_E_NOT_CONNECTED;
    }
    DsCopyMediaType(type, &connectionType_);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPin::QueryPinInfo(PIN_INFO *info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = filter_;
    if (filter_)
        static_cast<IBaseFilter *>(filter_)->AddRef();
    DsStrCopyN(info->achName, name_ ? name_ : L"", sizeof info->achName / sizeof info->achName[0]);
    info->dir = direction_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPin::QueryDirection(PIN_DIRECTION *direction)
{
    if (!direction)
        return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPin::QueryId(LPWSTR *id)
{
    // A nameless pin answers an empty id.
    return DsGetWideString(name_ ? name_ : L"", id);
}

HRESULT STDMETHODCALLTYPE CDsPin::QueryAccept(const AM_MEDIA_TYPE *type)
{
    if (!type)
        return E_POINTER;
    const HRESULT hr = CheckMediaType(asMediaType(type));
    return FAILED(hr) ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE CDsPin::EnumMediaTypes(IEnumMediaTypes **types)
{
    if (!types)
        return E_POINTER;
    *types = new (std::nothrow) CDsMediaTypeEnum(this, nullptr);
    return *types ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CDsPin::QueryInternalConnections(IPin **, ULONG *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDsPin::EndOfStream()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    segmentStart_ = start;
    segmentStop_ = stop;
    segmentRate_ = rate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPin::Notify(IBaseFilter *, Quality)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDsPin::SetSink(IQualityControl *sink)
{
    CDsAutoLock lock(lock_);
    qualitySink_ = sink;
    return S_OK;
}
