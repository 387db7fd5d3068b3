#include "dshow/ds_output_pin.h"

#include "dshow/ds_platform.h"

CDsOutputPin::CDsOutputPin(const char *objectName, CDsFilter *filter, Quorvane::CriticalSection *lock,
                           HRESULT *result, const WCHAR *pinName)
    : CDsPin(objectName, filter, lock, result, pinName, PINDIR_OUTPUT)
{
}

HRESULT CDsOutputPin::CheckConnect(IPin *peer)
{
    HRESULT hr = CDsPin::CheckConnect(peer);
    if (FAILED(hr))
        return hr;
    if (inputPin_) {
        inputPin_->Release();
        inputPin_ = nullptr;
    }
    hr = peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void **>(&inputPin_));
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CDsOutputPin::CompleteConnect(IPin *)
{
    return DecideAllocator(inputPin_, &allocator_);
}

HRESULT CDsOutputPin::DecideAllocator(IMemInputPin *peer, IMemAllocator **allocator)
{
    ALLOCATOR_PROPERTIES request = {};
    peer->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0)
        request.cbAlign = 1;

    // Sizes and announces one allocator; releases it when that fails.
    auto agree = [&](HRESULT hr) {
        if (SUCCEEDED(hr))
            hr = DecideBufferSize(*allocator, &request);
        if (SUCCEEDED(hr))
            hr = peer->NotifyAllocator(*allocator, FALSE);
        if (FAILED(hr) && *allocator) {
            (*allocator)->Release();
            *allocator = nullptr;
        }
        return hr;
    };

    *allocator = nullptr;
    HRESULT hr = agree(peer->GetAllocator(allocator));
    if (SUCCEEDED(hr))
        return S_OK;
    hr = agree(InitAllocator(allocator));
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CDsOutputPin::GetDeliveryBuffer(IMediaSample **sample, REFERENCE_TIME *start, REFERENCE_TIME *stop,
                                        DWORD flags)
{
    if (!allocator_)
        return E_NOINTERFACE;
    return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT CDsOutputPin::Deliver(IMediaSample *sample)
{
    if (!inputPin_)
        return VFW_E_NOT_CONNECTED;
    return inputPin_->Receive(sample);
}

HRESULT CDsOutputPin::InitAllocator(IMemAllocator **allocator)
{
    return DsCreateMemoryAllocator(allocator);
}

HRESULT CDsOutputPin::DeliverEndOfStream()
{
    if (!connected_)
        return VFW_E_NOT_CONNECTED;
    return connected_->EndOfStream();
}

HRESULT CDsOutputPin::DeliverBeginFlush()
{
    if (!connected_)
        return VFW_E_NOT_CONNECTED;
    return connected_->BeginFlush();
}

HRESULT CDsOutputPin::DeliverEndFlush()
{
    if (!connected_)
        return VFW_E_NOT_CONNECTED;
    return connected_->EndFlush();
}

HRESULT CDsOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (!connected_)
        return VFW_E_NOT_CONNECTED;
    return connected_->NewSegment(start, stop, rate);
}

HRESULT CDsOutputPin::Active()
{
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    return allocator_->Commit();
}

HRESULT CDsOutputPin::Inactive()
{
    runTimeError_ = 0;
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    return allocator_->Decommit();
}

HRESULT CDsOutputPin::BreakConnect()
{
    const HRESULT hr = DropAllocator(allocator_);
    if (FAILED(hr))
        return hr;
    if (inputPin_) {
        inputPin_->Release();
        inputPin_ = nullptr;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsOutputPin::EndOfStream()
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CDsOutputPin::BeginFlush()
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CDsOutputPin::EndFlush()
{
    return E_UNEXPECTED;
}
