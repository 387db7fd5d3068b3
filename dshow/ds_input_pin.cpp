#include "dshow/ds_input_pin.h"

#include "dshow/ds_platform.h"

CDsInputPin::CDsInputPin(const char *objectName, CDsFilter *filter, Quorvane::CriticalSection *lock,
                         HRESULT *result, const WCHAR *pinName)
    : CDsPin(objectName, filter, lock, result, pinName, PINDIR_INPUT)
{
}

CDsInputPin::~CDsInputPin()
{
    if (allocator_)
        allocator_->Release();
}

HRESULT STDMETHODCALLTYPE CDsInputPin::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IMemInputPin)
        return DsGetInterface(static_cast<IMemInputPin *>(this), out);
    return CDsPin::NonDelegatingQueryInterface(iid, out);
}

HRESULT CDsInputPin::CheckStreaming()
{
    if (IsStopped())
        return VFW_E_WRONG_STATE;
    if (flushing_)
        return S_FALSE;
    if (runTimeError_)
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT CDsInputPin::Inactive()
{
    runTimeError_ = 0;
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    flushing_ = 0;
    return allocator_->Decommit();
}

HRESULT CDsInputPin::BreakConnect()
{
    return DropAllocator(allocator_);
}

HRESULT STDMETHODCALLTYPE CDsInputPin::BeginFlush()
{
    CDsAutoLock lock(lock_);
    flushing_ = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsInputPin::EndFlush()
{
    CDsAutoLock lock(lock_);
    flushing_ = 0;
    runTimeError_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsInputPin::Notify(IBaseFilter *sender, Quality)
{
    return sender ? S_OK : E_POINTER;
}

HRESULT STDMETHODCALLTYPE CDsInputPin::GetAllocator(IMemAllocator **allocator)
{
    if (!allocator)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    if (!allocator_) {
        const HRESULT hr = DsCreateMemoryAllocator(&allocator_);
        if (FAILED(hr))
            return hr;
    }
    return DsGetInterface(allocator_, reinterpret_cast<void **>(allocator));
}

HRESULT STDMETHODCALLTYPE CDsInputPin::NotifyAllocator(IMemAllocator *allocator, BOOL readOnly)
{
    if (!allocator)
        return E_POINTER;
    CDsAutoLock lock(lock_);
    allocator->AddRef();
    if (allocator_)
        allocator_->Release();
    allocator_ = allocator;
    readOnly_ = static_cast<BYTE>(readOnly != FALSE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDsInputPin::Receive(IMediaSample *sample)
{
    if (!sample)
        return E_POINTER;
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    IMediaSample2 *sample2 = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IMediaSample2, reinterpret_cast<void **>(&sample2)))) {
        const HRESULT got =
            sample2->GetProperties(sizeof sampleProperties_, reinterpret_cast<BYTE *>(&sampleProperties_));
        sample2->Release();
        if (FAILED(got))
            return got;
    } else {
        sampleProperties_ = {};
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsInputPin::ReceiveMultiple(IMediaSample **samples, LONG count, LONG *processed)
{
    if (!samples)
        return E_POINTER;
    HRESULT hr = S_OK;
    LONG done = 0;
    while (done < count) {
        hr = Receive(samples[done]);
        if (hr != S_OK)
            break;
        ++done;
    }
    if (processed)
        *processed = done;
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsInputPin::ReceiveCanBlock()
{
    const int count = filter_->GetPinCount();
    bool anyConnectedOutput = false;
    for (int i = 0; i < count; ++i) {
        CDsPin *pin = filter_->GetPin(i);
        if (!pin)
            continue;
        PIN_DIRECTION direction;
        const HRESULT hr = pin->QueryDirection(&direction);
        if (FAILED(hr))
            return hr;
        IPin *connected = pin->GetConnected();
        if (direction != PINDIR_OUTPUT || !connected)
            continue;
        anyConnectedOutput = true;
        IMemInputPin *input = nullptr;
        if (FAILED(connected->QueryInterface(IID_IMemInputPin, reinterpret_cast<void **>(&input))))
            return S_OK;
        const HRESULT blocks = input->ReceiveCanBlock();
        input->Release();
        if (blocks != S_FALSE)
            return S_OK;
    }
    return anyConnectedOutput ? S_FALSE : S_OK;
}
