// The one allocator of a hosting graph: both connections take their samples
// from it, so their requests merge. Its samples live in one block of memory
// made once per opening, and each fills itself with near-silence only when a
// reader asks for its pointer (the float-buffer interface).
#pragma once

#include "dshow/ds_allocator.h"
#include "platform/dxi.h"

// How the graph's own pins recognise this allocator and drive it.
inline constexpr IID IID_IDxAllocatorControl = dxi_detail::guid("FA808DDF-06B2-5540-8A85-E78677E200EC");

struct IDxAllocatorControl : public IUnknown {
    // Frees the samples and the memory; the next request starts afresh and
    // count becomes the number of buffers agreed.
    virtual HRESULT STDMETHODCALLTYPE Reset(LONG count) = 0; // 3
    virtual HRESULT STDMETHODCALLTYPE Allocate() = 0;        // 4
    virtual HRESULT STDMETHODCALLTYPE FreeSamples() = 0;     // 5
};

// What a sample that fills itself writes into every float: 1.0e-30, never 0.
inline constexpr uint32_t kDxFillBits = 0x0DA24260;

class CDxFloatSample : public CDsMediaSample, public IDXiFloatBuffer {
public:
    CDxFloatSample(CDsAllocator *allocator, HRESULT *result, BYTE *buffer, LONG length);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return CDsMediaSample::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return CDsMediaSample::Release(); }
    // Fills the actual data (the whole buffer when that is out of range)
    // first when a fill is pending.
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE **buffer) override;

    // IDXiFloatBuffer
    LONG STDMETHODCALLTYPE GetPendingFill() override { return pendingFill_; }
    HRESULT STDMETHODCALLTYPE SetPendingFill(LONG pending) override;
    HRESULT STDMETHODCALLTYPE GetBufferNoFill(BYTE **buffer) override;

private:
    LONG pendingFill_ = 0;
};

class CDxSampleAllocator : public CDsAllocator, public IDxAllocatorControl {
public:
    // The most bytes a buffer holds: a block of 16384 stereo float frames.
    static constexpr LONG kMaxBufferSize = 0x20000;

    explicit CDxSampleAllocator(HRESULT *result);
    ~CDxSampleAllocator() override;

    // IUnknown of the allocator itself (both its interfaces).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }

    void Free() override;
    HRESULT Alloc() override { return Allocate(); }

    // IMemAllocator. A request merges with the earlier ones: counts add up,
    // the size is the largest asked (at most kMaxBufferSize), and the size
    // answered is the one kept, so a caller that needs more sees it.
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES *request,
                                            ALLOCATOR_PROPERTIES *actual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES *properties) override;
    HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Decommit() override { return S_OK; }
    // Never waits: E_OUTOFMEMORY at once when every sample is out.
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample **sample, REFERENCE_TIME *start, REFERENCE_TIME *stop,
                                        DWORD flags) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample *sample) override;

    // IDxAllocatorControl. Nothing is freed while a sample is lent
    // (VFW_E_BUFFERS_OUTSTANDING).
    HRESULT STDMETHODCALLTYPE Reset(LONG count) override;
    HRESULT STDMETHODCALLTYPE Allocate() override;
    HRESULT STDMETHODCALLTYPE FreeSamples() override;

    LONG Allocated() const { return allocated_; }

private:
    // Frees the samples, then the memory; nothing while one is lent.
    HRESULT FreeAll();

    BYTE *memory_ = nullptr; // VirtualAlloc block
    BOOL firstRequest_ = TRUE;
};
