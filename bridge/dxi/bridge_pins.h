// The DXi bridge's pins: one audio input and any number of numbered audio
// outputs. Every check and stream call goes to the filter, under its lock.
#pragma once

#include "dshow/ds_input_pin.h"
#include "dshow/ds_output_pin.h"

namespace Halvorin {

class CBridgeFilter;

class CBridgeInputPin final : public CDsInputPin {
public:
    CBridgeInputPin(CBridgeFilter *filter, Quorvane::CriticalSection *lock, HRESULT *result);

    HRESULT CheckMediaType(const CDsMediaType *type) override;
    HRESULT SetMediaType(const CDsMediaType *type) override;
    HRESULT CompleteConnect(IPin *peer) override;

    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin **pins, ULONG *count) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample *sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;

private:
    CBridgeFilter *owner_;
    // The check asks the outputs, which ask this pin back.
    bool checking_ = false;
};

class CBridgeOutputPin final : public CDsOutputPin {
public:
    // name: the host's, or null for "Output <number>".
    CBridgeOutputPin(CBridgeFilter *filter, Quorvane::CriticalSection *lock, HRESULT *result,
                     const WCHAR *name, int number);
    ~CBridgeOutputPin() override;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;
    // A pin of its own lifetime: it counts its references and deletes
    // itself at 0.
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    HRESULT CheckMediaType(const CDsMediaType *type) override;
    HRESULT SetMediaType(const CDsMediaType *type) override;
    HRESULT GetMediaType(int position, CDsMediaType *type) override;
    HRESULT DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes **types) override;

    int Id() const { return id_; }

private:
    CBridgeFilter *owner_;
    int id_;
    Quorvane::CriticalSection pinLock_;
    LONG references_ = 0;
    IUnknown *position_ = nullptr; // the seeking pass-through, made on first request
};

} // namespace Halvorin
