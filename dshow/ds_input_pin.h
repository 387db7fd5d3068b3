// The input pin base: the allocator offered upstream, the streaming check
// and flushing.
#pragma once

#include "dshow/ds_pin.h"

class CDsInputPin : public CDsPin, public IMemInputPin {
public:
    CDsInputPin(const char *objectName, CDsFilter *filter, Quorvane::CriticalSection *lock, HRESULT *result,
                const WCHAR *pinName);
    ~CDsInputPin() override;

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;

    // S_OK while samples may be received; S_FALSE while flushing.
    virtual HRESULT CheckStreaming();

    HRESULT Inactive() override;
    HRESULT BreakConnect() override;

    // IPin
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    // IQualityControl
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter *sender, Quality quality) override;
    // IMemInputPin
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator **allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator *allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES *properties) override;
    // The streaming check, then the sample's properties are kept; derived
    // pins take the data.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample *sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample **samples, LONG count, LONG *processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    // The allocator in use, not AddRef'd, or null.
    IMemAllocator *Allocator() const { return allocator_; }
    BOOL IsReadOnly() const { return readOnly_; }
    BOOL IsFlushing() const { return flushing_; }
    const AM_SAMPLE2_PROPERTIES &SampleProperties() const { return sampleProperties_; }

protected:
    IMemAllocator *allocator_ = nullptr; // one reference held
    BYTE readOnly_ = 0;
    BYTE flushing_ = 0;
    AM_SAMPLE2_PROPERTIES sampleProperties_ = {};
};
