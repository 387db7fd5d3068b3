// The output pin base: allocator negotiation with the connected input pin
// and delivery of samples downstream.
#pragma once

#include "dshow/ds_pin.h"

class CDsOutputPin : public CDsPin {
public:
    CDsOutputPin(const char *objectName, CDsFilter *filter, Quorvane::CriticalSection *lock, HRESULT *result,
                 const WCHAR *pinName);

    // Agrees the allocator with the downstream pin: its own first, else the
    // one InitAllocator makes.
    virtual HRESULT DecideAllocator(IMemInputPin *peer, IMemAllocator **allocator);
    // Sizes the allocator's buffers for this pin (request: the downstream
    // pin's requirements).
    virtual HRESULT DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request) = 0;
    virtual HRESULT GetDeliveryBuffer(IMediaSample **sample, REFERENCE_TIME *start, REFERENCE_TIME *stop,
                                      DWORD flags);
    virtual HRESULT Deliver(IMediaSample *sample);
    // The platform's memory allocator.
    virtual HRESULT InitAllocator(IMemAllocator **allocator);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    HRESULT CheckConnect(IPin *peer) override;
    HRESULT CompleteConnect(IPin *peer) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // An output pin receives no stream calls.
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    // The allocator agreed, not AddRef'd; null while unconnected.
    IMemAllocator *Allocator() const { return allocator_; }

protected:
    IMemAllocator *allocator_ = nullptr; // one reference held
    IMemInputPin *inputPin_ = nullptr;   // the connected pin's; one reference held
};
