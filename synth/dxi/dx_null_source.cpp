#include "synth/dxi/dx_null_source.h"

#include "synth/dxi/dx_media_types.h"
#include "synth/dxi/dx_sample_allocator.h"

namespace {

// {777C6A82-155C-5E08-A8C3-2B96C1EE2D10}
constexpr CLSID kNullSourceClass = dxi_detail::guid("777C6A82-155C-5E08-A8C3-2B96C1EE2D10");

bool isGraphAllocator(IMemAllocator *allocator)
{
    IDxAllocatorControl *control = nullptr;
    if (!allocator ||
        FAILED(allocator->QueryInterface(IID_IDxAllocatorControl, reinterpret_cast<void **>(&control))))
        return false;
    control->Release();
    return true;
}

} // namespace

CDxNullSourceStream::CDxNullSourceStream(CDxNullSource *filter, HRESULT *result, const WAVEFORMATEX &format,
                                         LONG blockBytes)
    : CDsOutputPin("CDxNullSourceStream", filter, &filter->lock, result, L"Plug-in src"), format_(format),
      blockBytes_(blockBytes), owner_(filter)
{
}

HRESULT CDxNullSourceStream::CheckMediaType(const CDsMediaType *type)
{
    return DxCheckFloatAudio(type, false);
}

HRESULT CDxNullSourceStream::GetMediaType(int position, CDsMediaType *type)
{
    CDsAutoLock lock(lock_);
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = DxFloatAudioType(format_);
    return S_OK;
}

HRESULT CDxNullSourceStream::DecideAllocator(IMemInputPin *peer, IMemAllocator **allocator)
{
    ALLOCATOR_PROPERTIES request = {};
    peer->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0)
        request.cbAlign = 1;
    *allocator = nullptr;
    if (SUCCEEDED(peer->GetAllocator(allocator)) && isGraphAllocator(*allocator) &&
        SUCCEEDED(DecideBufferSize(*allocator, &request)) &&
        SUCCEEDED(peer->NotifyAllocator(*allocator, FALSE)))
        return S_OK;
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }
    HRESULT hr = InitAllocator(allocator);
    if (SUCCEEDED(hr))
        hr = DecideBufferSize(*allocator, &request);
    if (SUCCEEDED(hr))
        hr = peer->NotifyAllocator(*allocator, FALSE);
    if (FAILED(hr) && *allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }
    return hr;
}

HRESULT CDxNullSourceStream::DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request)
{
    CDsAutoLock lock(lock_);
    ALLOCATOR_PROPERTIES asked = *request;
    asked.cBuffers = 2;
    asked.cbBuffer = blockBytes_;
    ALLOCATOR_PROPERTIES granted = {};
    const HRESULT hr = allocator->SetProperties(&asked, &granted);
    if (FAILED(hr))
        return hr;
    return granted.cbBuffer < asked.cbBuffer ? E_FAIL : S_OK;
}

HRESULT CDxNullSourceStream::InitAllocator(IMemAllocator **allocator)
{
    return owner_->GetAllocator(allocator);
}

HRESULT CDxNullSourceStream::DeliverBlock(REFERENCE_TIME start, int frames, BOOL discontinuity)
{
    CDsAutoLock streamLock(&streamLock_);
    CDsAutoLock lock(lock_);
    IMediaSample *sample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    sample->SetTime(&start, nullptr);
    sample->SetDiscontinuity(discontinuity);
    IDXiFloatBuffer *floats = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IDXiFloatBuffer, reinterpret_cast<void **>(&floats)))) {
        floats->SetPendingFill(1);
        floats->Release();
    } else {
        BYTE *buffer = nullptr;
        if (SUCCEEDED(sample->GetPointer(&buffer)))
            for (LONG i = 0; i < sample->GetSize() / 4; ++i)
                memcpy(buffer + 4 * i, &kDxFillBits, 4);
    }
    hr = sample->SetActualDataLength(frames * format_.nBlockAlign);
    if (SUCCEEDED(hr))
        hr = Deliver(sample);
    sample->Release();
    return hr;
}

CDxNullSource::CDxNullSource(HRESULT *result, const WAVEFORMATEX &format, LONG blockBytes)
    : CDsFilter("CDxNullSource", nullptr, &lock, kNullSourceClass, result),
      stream_(this, result, format, blockBytes)
{
    if (format.wBitsPerSample != 32 && result)
        *result = E_INVALIDARG;
}

CDxNullSource::~CDxNullSource()
{
    if (allocator_)
        allocator_->Release();
}

CDsPin *CDxNullSource::GetPin(int index)
{
    return index == 0 ? &stream_ : nullptr;
}

HRESULT CDxNullSource::SetAllocator(IMemAllocator *allocator)
{
    if (!isGraphAllocator(allocator))
        return S_FALSE;
    CDsAutoLock guard(&lock);
    allocator->AddRef();
    if (allocator_)
        allocator_->Release();
    allocator_ = allocator;
    return S_OK;
}

HRESULT CDxNullSource::GetAllocator(IMemAllocator **allocator)
{
    if (!allocator)
        return E_POINTER;
    CDsAutoLock guard(&lock);
    *allocator = allocator_;
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    allocator_->AddRef();
    return S_OK;
}
