#include "synth/dxi/dx_capture_filter.h"

#include "synth/dxi/dx_media_types.h"
#include "platform/dxi.h"

#include <cstring>

namespace {

// {3314C0E7-494E-540D-AE78-CFCB892FA067}
constexpr CLSID kCaptureClass = dxi_detail::guid("3314C0E7-494E-540D-AE78-CFCB892FA067");

} // namespace

CDxCapturePin::CDxCapturePin(CDxCaptureFilter *filter, HRESULT *result)
    : CDsInputPin("CDxCapturePin", filter, &filter->lock, result, L"In"), owner_(filter)
{
}

CDxCapturePin::~CDxCapturePin()
{
    if (offered_)
        offered_->Release();
}

HRESULT CDxCapturePin::CheckMediaType(const CDsMediaType *type)
{
    return DxCheckFloatAudio(type, true);
}

HRESULT CDxCapturePin::SetMediaType(const CDsMediaType *type)
{
    const HRESULT hr = CDsInputPin::SetMediaType(type);
    if (SUCCEEDED(hr) && type->pbFormat && type->cbFormat >= sizeof(WAVEFORMATEX))
        std::memcpy(&owner_->format_, type->pbFormat, sizeof(WAVEFORMATEX));
    return hr;
}

HRESULT STDMETHODCALLTYPE CDxCapturePin::GetAllocator(IMemAllocator **allocator)
{
    if (!allocator)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    if (!offered_)
        return CDsInputPin::GetAllocator(allocator);
    return DsGetInterface(offered_, reinterpret_cast<void **>(allocator));
}

HRESULT STDMETHODCALLTYPE CDxCapturePin::Receive(IMediaSample *sample)
{
    if (!sample)
        return S_FALSE;
    CDsAutoLock lock(lock_);
    sample->AddRef();
    if (owner_->kept_)
        owner_->kept_->Release();
    owner_->kept_ = sample;
    return S_OK;
}

void CDxCapturePin::SetOfferedAllocator(IMemAllocator *allocator)
{
    CDsAutoLock lock(lock_);
    if (allocator)
        allocator->AddRef();
    if (offered_)
        offered_->Release();
    offered_ = allocator;
}

CDxCaptureFilter::CDxCaptureFilter(HRESULT *result)
    : CDsFilter(nullptr, nullptr, &lock, kCaptureClass, result), pin_(this, result)
{
}

CDxCaptureFilter::~CDxCaptureFilter()
{
    ReleaseOutput();
}

CDsPin *CDxCaptureFilter::GetPin(int index)
{
    CDsAutoLock guard(&lock);
    return index == 0 ? &pin_ : nullptr;
}

HRESULT CDxCaptureFilter::ReadOutput(BYTE **data, int *frames)
{
    CDsAutoLock guard(&lock);
    if (!kept_ || !format_.nBlockAlign)
        return E_FAIL;
    const HRESULT hr = kept_->GetPointer(data);
    if (FAILED(hr))
        return hr;
    *frames = kept_->GetActualDataLength() / format_.nBlockAlign;
    return S_OK;
}

void CDxCaptureFilter::ReleaseOutput()
{
    IMediaSample *kept = nullptr;
    {
        CDsAutoLock guard(&lock);
        kept = kept_;
        kept_ = nullptr;
    }
    // Let go outside the lock: the sample goes back to its allocator.
    if (kept)
        kept->Release();
}
