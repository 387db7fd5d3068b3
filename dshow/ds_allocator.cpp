#include "dshow/ds_allocator.h"

CDsAllocator::CDsAllocator(const char *objectName, IUnknown *outer, HRESULT *result, BOOL withSemaphore,
                           BOOL releaseCallbacks)
    : CDsUnknown(objectName, outer), releaseCallbacks_(releaseCallbacks)
{
    if (withSemaphore) {
        semaphore_ = CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr);
        if (!semaphore_ && result)
            *result = E_OUTOFMEMORY;
    }
}

CDsAllocator::~CDsAllocator()
{
    // No sample is lent now: each lent one holds a reference on us.
    while (CDsMediaSample *sample = made_.RemoveHead())
        delete sample;
    if (semaphore_)
        CloseHandle(semaphore_);
    if (notify_)
        notify_->Release();
}

HRESULT STDMETHODCALLTYPE CDsAllocator::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IMemAllocator || (iid == IID_IMemAllocatorCallbackTemp && releaseCallbacks_))
        return DsGetInterface(static_cast<IMemAllocatorCallbackTemp *>(this), out);
    return CDsUnknown::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE CDsAllocator::SetNotify(IMemAllocatorNotifyCallbackTemp *notify)
{
    CDsAutoLock lock(&lock_);
    if (notify)
        notify->AddRef();
    if (notify_)
        notify_->Release();
    notify_ = notify;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsAllocator::GetFreeCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    CDsAutoLock lock(&lock_);
    *count = count_ - allocated_ + freeCount_;
    return S_OK;
}

HRESULT CDsAllocator::AddSample(CDsMediaSample *sample)
{
    CDsAutoLock lock(&lock_);
    if (!made_.AddTail(sample)) {
        delete sample;
        return E_OUTOFMEMORY;
    }
    sample->next_ = freeList_;
    freeList_ = sample;
    ++freeCount_;
    ++allocated_;
    return S_OK;
}

HRESULT CDsAllocator::DeleteSamples()
{
    CDsAutoLock lock(&lock_);
    if (LentCount() > 0)
        return VFW_E_BUFFERS_OUTSTANDING;
    while (CDsMediaSample *sample = made_.RemoveHead())
        delete sample;
    freeList_ = nullptr;
    freeCount_ = 0;
    allocated_ = 0;
    return S_OK;
}

LONG CDsAllocator::LentCount()
{
    CDsAutoLock lock(&lock_);
    return allocated_ - freeCount_;
}

CDsMediaSample *CDsAllocator::LendSample()
{
    CDsAutoLock lock(&lock_);
    CDsMediaSample *sample = freeList_;
    if (!sample)
        return nullptr;
    freeList_ = sample->next_;
    sample->next_ = nullptr;
    --freeCount_;
    sample->refCount_ = 1;
    AddRef();
    return sample;
}

void CDsAllocator::ReturnSample(CDsMediaSample *sample)
{
    IMemAllocatorNotifyCallbackTemp *notify = nullptr;
    {
        CDsAutoLock lock(&lock_);
        sample->next_ = freeList_;
        freeList_ = sample;
        ++freeCount_;
        notify = notify_;
        if (notify)
            notify->AddRef();
    }
    // Told outside the lock: the callback may call back into a filter.
    if (notify) {
        notify->NotifyRelease();
        notify->Release();
    }
    // The reference the lent sample held; it may be the last.
    Release();
}
