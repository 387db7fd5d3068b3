// The allocator base: the lock, the free list, the counts and the notify
// callback that a derived allocator's buffer management works with. The
// allocator keeps every sample it made: none is deleted while it is lent,
// and each lent sample keeps the allocator alive.
#pragma once

#include "dshow/ds_list.h"
#include "dshow/ds_media_sample.h"
#include "dshow/ds_object.h"
#include "dshow/ds_platform.h"

#include <windows.h>

class CDsAllocator : public CDsUnknown, public IMemAllocatorCallbackTemp {
public:
    // withSemaphore: make the free-buffer semaphore (E_OUTOFMEMORY through
    // result when it cannot be made); releaseCallbacks: answer
    // IMemAllocatorCallbackTemp.
    CDsAllocator(const char *objectName, IUnknown *outer, HRESULT *result, BOOL withSemaphore,
                 BOOL releaseCallbacks);
    // Deletes the samples; the derived allocator frees its buffers before.
    ~CDsAllocator() override;

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;

    // The derived allocator's buffer memory.
    virtual void Free() = 0;
    virtual HRESULT Alloc() = 0;

    // IMemAllocatorCallbackTemp
    HRESULT STDMETHODCALLTYPE SetNotify(IMemAllocatorNotifyCallbackTemp *notify) override;
    HRESULT STDMETHODCALLTYPE GetFreeCount(LONG *count) override;

protected:
    // Takes a new sample into the allocator's keeping, on the free list.
    // E_OUTOFMEMORY (the sample deleted) when it cannot be kept.
    HRESULT AddSample(CDsMediaSample *sample);
    // Deletes every sample made; VFW_E_BUFFERS_OUTSTANDING, and nothing
    // deleted, while any is lent.
    HRESULT DeleteSamples();
    // The head of the free list with a count of 1, or null when every
    // sample is lent. The allocator stays alive until it comes back.
    CDsMediaSample *LendSample();
    // A sample whose last reference went: back on the free list, the notify
    // callback told. The allocator may be gone when this returns.
    void ReturnSample(CDsMediaSample *sample);
    // Samples lent and not yet back.
    LONG LentCount();

    // Guards every field below. Lock order: a filter's lock may be held when
    // this one is taken, never the other way round; the allocator calls out
    // of itself only after leaving it.
    Quorvane::CriticalSection lock_;
    CDsMediaSample *freeList_ = nullptr;
    LONG freeCount_ = 0;
    HANDLE semaphore_ = nullptr;
    LONG waiting_ = 0;
    LONG count_ = 0;     // buffers agreed
    LONG allocated_ = 0; // buffers in existence
    LONG size_ = 0;      // bytes per buffer
    LONG alignment_ = 0;
    LONG prefix_ = 0;
    BOOL changed_ = FALSE;
    BOOL committed_ = FALSE;
    BOOL decommitInProgress_ = FALSE;
    IMemAllocatorNotifyCallbackTemp *notify_ = nullptr; // one reference held
    BOOL releaseCallbacks_;

private:
    CDsTypedList<CDsMediaSample> made_;
};
