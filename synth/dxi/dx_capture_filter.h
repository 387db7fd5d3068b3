// The sink of a hosting graph: its one input pin keeps the synthesizer's
// last output sample, so the rendered audio is read in place.
#pragma once

#include "dshow/ds_filter.h"
#include "dshow/ds_input_pin.h"

#include <mmreg.h>

class CDxCaptureFilter;

class CDxCapturePin : public CDsInputPin {
public:
    CDxCapturePin(CDxCaptureFilter *filter, HRESULT *result);
    ~CDxCapturePin() override;

    HRESULT CheckMediaType(const CDsMediaType *type) override;
    HRESULT SetMediaType(const CDsMediaType *type) override;
    // The graph's allocator when one was set to offer.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator **allocator) override;
    // Keeps the sample (the one before is let go); S_FALSE for none.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample *sample) override;

    void SetOfferedAllocator(IMemAllocator *allocator);

private:
    CDxCaptureFilter *owner_;
    IMemAllocator *offered_ = nullptr; // one reference held
};

class CDxCaptureFilter : public CDsFilter {
public:
    explicit CDxCaptureFilter(HRESULT *result);
    ~CDxCaptureFilter() override;

    int GetPinCount() override { return 1; }
    CDsPin *GetPin(int index) override;

    // The kept sample's audio and its frames; E_FAIL without one.
    HRESULT ReadOutput(BYTE **data, int *frames);
    // Lets go of the kept sample (it goes back to its allocator).
    void ReleaseOutput();
    CDxCapturePin *Pin() { return &pin_; }
    const WAVEFORMATEX &Format() const { return format_; }

    Quorvane::CriticalSection lock;

private:
    friend class CDxCapturePin;
    WAVEFORMATEX format_ = {};
    IMediaSample *kept_ = nullptr; // one reference held
    CDxCapturePin pin_;
};
