// A buffer with timing, flags and an optional media type that an allocator
// lends to a pin; on its last Release it goes back to its allocator, clean,
// instead of being deleted. Only the allocator deletes samples.
#pragma once

#include "dshow/ds_media_type.h"
#include "dshow/ds_platform.h"

#include <windows.h>

class CDsAllocator;

// Sample flags are the platform's AM_SAMPLE_ bits (type changed: a media type
// is attached), and this one the sample keeps to itself.
constexpr DWORD kDsSampleMediaTimeValid = 0x20;

class CDsMediaSample : public IMediaSample2 {
public:
    CDsMediaSample(const char *objectName, CDsAllocator *allocator, HRESULT *result, BYTE *buffer,
                   LONG length);
    virtual ~CDsMediaSample();
    CDsMediaSample(const CDsMediaSample &) = delete;
    CDsMediaSample &operator=(const CDsMediaSample &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE **buffer) override;
    LONG STDMETHODCALLTYPE GetSize() override;
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME *start, REFERENCE_TIME *stop) override;
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME *start, REFERENCE_TIME *stop) override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override;
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL on) override;
    HRESULT STDMETHODCALLTYPE IsPreroll() override;
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL on) override;
    LONG STDMETHODCALLTYPE GetActualDataLength() override;
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE **type) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override;
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL on) override;
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG *start, LONGLONG *stop) override;
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG *start, LONGLONG *stop) override;
    // A prefix of the sample-properties record takes part: each field whose
    // end the given size reaches.
    HRESULT STDMETHODCALLTYPE GetProperties(DWORD size, BYTE *properties) override;
    HRESULT STDMETHODCALLTYPE SetProperties(DWORD size, const BYTE *properties) override;

    LONG RefCount() const { return refCount_; }

protected:
    void SetFlag(DWORD flag, BOOL on) { flags_ = on ? (flags_ | flag) : (flags_ & ~flag); }

    DWORD flags_ = 0;
    DWORD typeSpecificFlags_ = 0;
    BYTE *buffer_; // not owned
    LONG actualLength_;
    LONG bufferSize_;
    CDsAllocator *allocator_;        // not referenced
    CDsMediaSample *next_ = nullptr; // the allocator's free list
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    LONGLONG mediaStart_ = 0;
    LONG mediaStopDifference_ = 0;
    AM_MEDIA_TYPE *mediaType_ = nullptr; // owned task-allocator block
    DWORD streamId_ = 0;
    volatile LONG refCount_ = 0;

    friend class CDsAllocator;
};
