// The source of a hosting graph: one output pin that hands the synthesizer
// one input block per render call, taken from the graph's own allocator and
// filled with near-silence only if the synthesizer reads it.
#pragma once

#include "dshow/ds_filter.h"
#include "dshow/ds_output_pin.h"

#include <mmreg.h>

class CDxNullSource;

class CDxNullSourceStream : public CDsOutputPin {
public:
    CDxNullSourceStream(CDxNullSource *filter, HRESULT *result, const WAVEFORMATEX &format, LONG blockBytes);

    HRESULT CheckMediaType(const CDsMediaType *type) override;
    HRESULT GetMediaType(int position, CDsMediaType *type) override;
    // The downstream pin's allocator when it is the graph's, else the
    // source's own (which is the graph's too).
    HRESULT DecideAllocator(IMemInputPin *peer, IMemAllocator **allocator) override;
    // Two buffers of one block; a grant below that fails.
    HRESULT DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request) override;
    HRESULT InitAllocator(IMemAllocator **allocator) override;

    // Delivers one block of frames stamped with start (100 ns units).
    HRESULT DeliverBlock(REFERENCE_TIME start, int frames, BOOL discontinuity);

private:
    Quorvane::CriticalSection streamLock_; // taken before the filter's
    WAVEFORMATEX format_;
    LONG blockBytes_;
    CDxNullSource *owner_;
};

class CDxNullSource : public CDsFilter {
public:
    // E_INVALIDARG through result for a format that is not 32-bit.
    CDxNullSource(HRESULT *result, const WAVEFORMATEX &format, LONG blockBytes);
    ~CDxNullSource() override;

    int GetPinCount() override { return 1; }
    CDsPin *GetPin(int index) override;

    // Kept only when it is the graph's allocator (S_FALSE otherwise).
    HRESULT SetAllocator(IMemAllocator *allocator);
    // The allocator kept, AddRef'd.
    HRESULT GetAllocator(IMemAllocator **allocator);
    CDxNullSourceStream *Stream() { return &stream_; }

    Quorvane::CriticalSection lock;

private:
    CDxNullSourceStream stream_;
    IMemAllocator *allocator_ = nullptr; // one reference held
};
