#include "bridge/dxi/bridge_pins.h"

#include "bridge/dxi/bridge_filter.h"

#include <control.h>

#include <cstdio>
#include <cwchar>
#include <new>

namespace Halvorin {

namespace {

// Module-wide: every output pin gets the next number, never reused.
volatile LONG lastOutputId = 0;

} // namespace

// ---- input

CBridgeInputPin::CBridgeInputPin(CBridgeFilter *filter, Quorvane::CriticalSection *lock, HRESULT *result)
    : CDsInputPin("CBridgeInputPin", filter, lock, result, L"Input"), owner_(filter)
{
}

HRESULT CBridgeInputPin::CheckMediaType(const CDsMediaType *type)
{
    if (checking_)
        return S_OK;
    checking_ = true;
    HRESULT hr = owner_->CheckInputType(type);
    for (CBridgeOutputPin *output : owner_->OutputPins())
        if (SUCCEEDED(hr) && output->IsConnected() &&
            FAILED(CBridgeFilter::CheckTypePair(type, &output->CurrentMediaType())))
            hr = VFW_E_TYPE_NOT_ACCEPTED;
    checking_ = false;
    return hr;
}

HRESULT CBridgeInputPin::SetMediaType(const CDsMediaType *type)
{
    const HRESULT hr = CDsInputPin::SetMediaType(type);
    return FAILED(hr) ? hr : owner_->StoreFormat(type, true);
}

HRESULT CBridgeInputPin::CompleteConnect(IPin *peer)
{
    const HRESULT hr = CDsInputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : owner_->ReconnectOutputs();
}

HRESULT STDMETHODCALLTYPE CBridgeInputPin::BeginFlush()
{
    HRESULT hr = S_OK;
    for (CBridgeOutputPin *output : owner_->OutputPins())
        if (output->IsConnected())
            if (const HRESULT told = output->DeliverBeginFlush(); SUCCEEDED(hr) && FAILED(told))
                hr = told;
    const HRESULT own = CDsInputPin::BeginFlush();
    return FAILED(hr) ? hr : own;
}

HRESULT STDMETHODCALLTYPE CBridgeInputPin::EndFlush()
{
    HRESULT hr = S_OK;
    for (CBridgeOutputPin *output : owner_->OutputPins())
        if (output->IsConnected())
            if (const HRESULT told = output->DeliverEndFlush(); SUCCEEDED(hr) && FAILED(told))
                hr = told;
    const HRESULT own = CDsInputPin::EndFlush();
    return FAILED(hr) ? hr : own;
}

HRESULT STDMETHODCALLTYPE CBridgeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    HRESULT hr = S_OK;
    for (CBridgeOutputPin *output : owner_->OutputPins())
        if (output->IsConnected())
            if (const HRESULT told = output->DeliverNewSegment(start, stop, rate);
                SUCCEEDED(hr) && FAILED(told))
                hr = told;
    const HRESULT own = CDsInputPin::NewSegment(start, stop, rate);
    return FAILED(hr) ? hr : own;
}

HRESULT STDMETHODCALLTYPE CBridgeInputPin::QueryInternalConnections(IPin **, ULONG *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBridgeInputPin::Receive(IMediaSample *sample)
{
    const HRESULT hr = CDsInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return owner_->Receive(sample);
}

HRESULT STDMETHODCALLTYPE CBridgeInputPin::EndOfStream()
{
    return owner_->StartEndOfStream();
}

// ---- outputs

CBridgeOutputPin::CBridgeOutputPin(CBridgeFilter *filter, Quorvane::CriticalSection *lock, HRESULT *result,
                                   const WCHAR *name, int number)
    : CDsOutputPin("CBridgeOutputPin", filter, lock, result, name), owner_(filter),
      id_(static_cast<int>(InterlockedIncrement(&lastOutputId)))
{
    if (!name) {
        WCHAR numbered[32];
        std::swprintf(numbered, 32, L"Output %d", number);
        const size_t length = std::wcslen(numbered) + 1;
        delete[] name_;
        name_ = new (std::nothrow) WCHAR[length];
        if (name_)
            std::wcscpy(name_, numbered);
    }
}

CBridgeOutputPin::~CBridgeOutputPin()
{
    if (position_)
        position_->Release();
}

ULONG STDMETHODCALLTYPE CBridgeOutputPin::NonDelegatingAddRef()
{
    Quorvane::CriticalSectionGuard guard(pinLock_);
    return static_cast<ULONG>(++references_);
}

ULONG STDMETHODCALLTYPE CBridgeOutputPin::NonDelegatingRelease()
{
    LONG left;
    {
        Quorvane::CriticalSectionGuard guard(pinLock_);
        left = --references_;
    }
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CBridgeOutputPin::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IMediaPosition || iid == IID_IMediaSeeking) {
        if (!position_) {
            const HRESULT hr =
                DsCreatePosPassThru(static_cast<IPin *>(this), FALSE, owner_->InputPin(), &position_);
            if (FAILED(hr))
                return hr;
        }
        return position_->QueryInterface(iid, out);
    }
    return CDsOutputPin::NonDelegatingQueryInterface(iid, out);
}

HRESULT CBridgeOutputPin::CheckMediaType(const CDsMediaType *type)
{
    HRESULT hr = owner_->CheckOutputType(type);
    if (FAILED(hr))
        return hr;
    CBridgeInputPin *input = owner_->InputPin();
    if (!input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return CBridgeFilter::CheckTypePair(&input->CurrentMediaType(), type);
}

HRESULT CBridgeOutputPin::SetMediaType(const CDsMediaType *type)
{
    if (!owner_->InputPin()->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const HRESULT hr = CDsOutputPin::SetMediaType(type);
    return FAILED(hr) ? hr : owner_->StoreFormat(type, false);
}

HRESULT CBridgeOutputPin::GetMediaType(int position, CDsMediaType *type)
{
    CBridgeInputPin *input = owner_->InputPin();
    if (!input->IsConnected() || position > 0)
        return VFW_S_NO_MORE_ITEMS;
    if (position < 0)
        return E_INVALIDARG;
    if (!owner_->HasInputFormat() || !type)
        return E_FAIL;
    *type = input->CurrentMediaType();
    if (type->cbFormat >= sizeof(WAVEFORMATEX) - sizeof(WORD) && type->pbFormat) {
        auto *format = reinterpret_cast<WAVEFORMATEX *>(type->pbFormat);
        const WAVEFORMATEX &head = owner_->InputFormat();
        format->wFormatTag = head.wFormatTag;
        format->nChannels = head.nChannels;
        format->nSamplesPerSec = head.nSamplesPerSec;
        format->nAvgBytesPerSec = head.nAvgBytesPerSec;
        format->nBlockAlign = head.nBlockAlign;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeOutputPin::EnumMediaTypes(IEnumMediaTypes **types)
{
    IPin *upstream = owner_->InputPin()->GetConnected();
    if (!upstream)
        return VFW_E_NOT_CONNECTED;
    return upstream->EnumMediaTypes(types);
}

HRESULT CBridgeOutputPin::DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request)
{
    if (!allocator || !request)
        return E_POINTER;
    ALLOCATOR_PROPERTIES wanted = *request;
    CBridgeInputPin *input = owner_->InputPin();
    if (input->IsConnected() && input->Allocator()) {
        input->Allocator()->GetProperties(&wanted);
        const CDsMediaType &in = input->CurrentMediaType();
        const CDsMediaType &out = CurrentMediaType();
        if (in.pbFormat && out.pbFormat &&
            reinterpret_cast<const WAVEFORMATEX *>(in.pbFormat)->nChannels == 1 &&
            reinterpret_cast<const WAVEFORMATEX *>(out.pbFormat)->nChannels == 2)
            wanted.cbBuffer *= 2;
    }
    if (wanted.cBuffers < 1)
        wanted.cBuffers = 1;
    if (wanted.cbBuffer <= 0) {
        const int align =
            CurrentMediaType().pbFormat
                ? reinterpret_cast<const WAVEFORMATEX *>(CurrentMediaType().pbFormat)->nBlockAlign
                : 8;
        wanted.cbBuffer = 2048 * align;
    }
    if (wanted.cbAlign < 1)
        wanted.cbAlign = 1;
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(&wanted, &actual);
    if (FAILED(hr))
        return hr;
    *request = actual;
    return S_OK;
}

} // namespace Halvorin
