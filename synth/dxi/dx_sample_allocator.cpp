#include "synth/dxi/dx_sample_allocator.h"

#include <algorithm>
#include <cstring>
#include <new>

CDxFloatSample::CDxFloatSample(CDsAllocator *allocator, HRESULT *result, BYTE *buffer, LONG length)
    : CDsMediaSample("CDxFloatSample", allocator, result, buffer, length)
{
}

HRESULT STDMETHODCALLTYPE CDxFloatSample::QueryInterface(REFIID iid, void **out)
{
    if (out && iid == IID_IDXiFloatBuffer) {
        *out = static_cast<IDXiFloatBuffer *>(this);
        AddRef();
        return S_OK;
    }
    return CDsMediaSample::QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE CDxFloatSample::GetPointer(BYTE **buffer)
{
    const HRESULT hr = CDsMediaSample::GetPointer(buffer);
    if (FAILED(hr) || !pendingFill_)
        return hr;
    LONG length = actualLength_;
    if (length < 0 || length > bufferSize_)
        length = bufferSize_;
    const size_t floats = static_cast<ULONG>(length) / 4;
    for (size_t i = 0; i < floats; ++i)
        std::memcpy(buffer_ + 4 * i, &kDxFillBits, 4);
    pendingFill_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxFloatSample::SetPendingFill(LONG pending)
{
    pendingFill_ = pending;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxFloatSample::GetBufferNoFill(BYTE **buffer)
{
    const HRESULT hr = CDsMediaSample::GetPointer(buffer);
    if (SUCCEEDED(hr))
        pendingFill_ = 0;
    return hr;
}

CDxSampleAllocator::CDxSampleAllocator(HRESULT *result)
    : CDsAllocator("CDxSampleAllocator", nullptr, result, FALSE, FALSE)
{
}

CDxSampleAllocator::~CDxSampleAllocator()
{
    // No sample is lent now: each lent one keeps the allocator alive.
    FreeAll();
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::QueryInterface(REFIID iid, void **out)
{
    if (out && iid == IID_IDxAllocatorControl)
        return DsGetInterface(static_cast<IDxAllocatorControl *>(this), out);
    return GetOwner()->QueryInterface(iid, out);
}

HRESULT CDxSampleAllocator::FreeAll()
{
    const HRESULT hr = DeleteSamples();
    if (FAILED(hr))
        return hr;
    if (memory_)
        VirtualFree(memory_, 0, MEM_RELEASE);
    memory_ = nullptr;
    return S_OK;
}

void CDxSampleAllocator::Free()
{
    FreeAll();
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::SetProperties(ALLOCATOR_PROPERTIES *request,
                                                            ALLOCATOR_PROPERTIES *actual)
{
    if (!actual || !request)
        return E_POINTER;
    CDsAutoLock lock(&lock_);
    *actual = {};
    if (committed_)
        return VFW_E_ALREADY_COMMITTED;
    if (LentCount() > 0)
        return VFW_E_BUFFERS_OUTSTANDING;
    const LONG align = std::max(request->cbAlign, 1L);
    const LONG rounded = (request->cbBuffer + request->cbPrefix + align - 1) / align * align;
    if (firstRequest_) {
        alignment_ = request->cbAlign;
        prefix_ = request->cbPrefix;
        firstRequest_ = FALSE;
    } else {
        alignment_ = std::max(alignment_, request->cbAlign);
    }
    count_ += request->cBuffers;
    size_ = std::min(std::max(size_, rounded - prefix_), kMaxBufferSize);
    // The size kept, not the size asked: a request above the limit must
    // see that it did not get what it asked.
    actual->cbBuffer = std::min(rounded - request->cbPrefix, size_);
    actual->cBuffers = request->cBuffers;
    actual->cbAlign = request->cbAlign;
    actual->cbPrefix = request->cbPrefix;
    changed_ = TRUE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::GetProperties(ALLOCATOR_PROPERTIES *properties)
{
    if (!properties)
        return E_POINTER;
    CDsAutoLock lock(&lock_);
    properties->cbBuffer = size_;
    properties->cBuffers = std::min(count_, 2L);
    properties->cbAlign = alignment_;
    properties->cbPrefix = prefix_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::GetBuffer(IMediaSample **sample, REFERENCE_TIME *,
                                                        REFERENCE_TIME *, DWORD)
{
    if (!sample)
        return E_POINTER;
    *sample = nullptr;
    if (!committed_)
        return VFW_E_NOT_COMMITTED;
    auto *lent = static_cast<CDxFloatSample *>(LendSample());
    if (!lent)
        return E_OUTOFMEMORY;
    lent->SetPendingFill(0);
    *sample = lent;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::ReleaseBuffer(IMediaSample *sample)
{
    if (!sample)
        return E_POINTER;
    ReturnSample(static_cast<CDxFloatSample *>(sample));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::Reset(LONG count)
{
    CDsAutoLock lock(&lock_);
    const HRESULT hr = FreeAll();
    if (FAILED(hr))
        return hr;
    size_ = alignment_ = prefix_ = 0;
    count_ = count;
    firstRequest_ = TRUE;
    changed_ = TRUE;
    committed_ = FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::Allocate()
{
    CDsAutoLock lock(&lock_);
    if (count_ == 0 && size_ == 0)
        return S_OK;
    if (count_ <= 0 || size_ <= 0 || alignment_ <= 0)
        return VFW_E_SIZENOTSET;
    if (changed_) {
        const HRESULT hr = FreeAll();
        if (FAILED(hr))
            return hr;
        const SIZE_T bytes = static_cast<SIZE_T>(count_) * static_cast<SIZE_T>(size_ + prefix_);
        memory_ = static_cast<BYTE *>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!memory_)
            return E_OUTOFMEMORY;
    }
    for (BYTE *next = memory_ + static_cast<SIZE_T>(allocated_) * (size_ + prefix_) + prefix_;
         allocated_ < count_; next += size_ + prefix_) {
        HRESULT hr = S_OK;
        auto *sample = new (std::nothrow) CDxFloatSample(this, &hr, next, size_);
        if (!sample)
            return E_OUTOFMEMORY;
        if (FAILED(hr)) {
            delete sample;
            return hr;
        }
        hr = AddSample(sample);
        if (FAILED(hr))
            return hr;
    }
    committed_ = TRUE;
    changed_ = FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDxSampleAllocator::FreeSamples()
{
    CDsAutoLock lock(&lock_);
    const HRESULT hr = DeleteSamples();
    if (FAILED(hr))
        return hr;
    committed_ = FALSE;
    return S_OK;
}
