// The pin base: media-type agreement and the connection protocol. A pin
// lives as long as its filter (which deletes it), counts its references on
// the filter and locks with the filter's lock.
#pragma once

#include "dshow/ds_filter.h"
#include "dshow/ds_media_type.h"
#include "dshow/ds_object.h"
#include "dshow/ds_platform.h"

#include <windows.h>

class CDsPin : public CDsUnknown, public IPin, public IQualityControl {
public:
    // pinName is copied; a copy that cannot be made leaves the pin nameless.
    CDsPin(const char *objectName, CDsFilter *filter, Quorvane::CriticalSection *lock, HRESULT *result,
           const WCHAR *pinName, PIN_DIRECTION direction);
    ~CDsPin() override;

    DS_FORWARD_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // Changes whenever the pin's preferred types change.
    virtual LONG GetMediaTypeVersion();
    // Called by the filter on its way out of and into the stopped state.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME start);
    // S_OK accepts the type; anything else refuses it.
    virtual HRESULT CheckMediaType(const CDsMediaType *type) = 0;
    // Keeps the connection's type.
    virtual HRESULT SetMediaType(const CDsMediaType *type);
    virtual HRESULT CheckConnect(IPin *peer);
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin *peer);
    // The pin's preferred type at position (E_UNEXPECTED unless the derived
    // pin proposes types).
    virtual HRESULT GetMediaType(int position, CDsMediaType *type);

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin *peer, const AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin *peer, const AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin **peer) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO *info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION *direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR *id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes **types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin **pins, ULONG *count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IQualityControl
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter *sender, Quality quality) override;
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl *sink) override;

    BOOL IsConnected() const { return connected_ != nullptr; }
    // The connected pin, not AddRef'd.
    IPin *GetConnected() const { return connected_; }
    const WCHAR *Name() const { return name_; }
    CDsFilter *Filter() const { return filter_; }
    const CDsMediaType &CurrentMediaType() const { return connectionType_; }
    BOOL IsStopped() const { return filter_->IsStopped(); }
    REFERENCE_TIME SegmentStart() const { return segmentStart_; }
    REFERENCE_TIME SegmentStop() const { return segmentStop_; }
    double SegmentRate() const { return segmentRate_; }

protected:
    // Tells media-type enumerators that the preferred types changed.
    void IncrementTypeVersion() { InterlockedIncrement(&typeVersion_); }
    // Decommits and releases a pin's allocator; one that cannot be
    // decommitted stays, and the failure is answered.
    static HRESULT DropAllocator(IMemAllocator *&allocator);

    WCHAR *name_ = nullptr;
    IPin *connected_ = nullptr; // one reference held while connected
    PIN_DIRECTION direction_;
    Quorvane::CriticalSection *lock_; // the filter's
    BYTE runTimeError_ = 0;
    BYTE canReconnectWhenActive_ = 0;
    BYTE tryMyTypesFirst_ = 0;
    CDsFilter *filter_;                      // not referenced
    IQualityControl *qualitySink_ = nullptr; // not referenced
    volatile LONG typeVersion_ = 1;
    CDsMediaType connectionType_;
    REFERENCE_TIME segmentStart_ = 0;
    REFERENCE_TIME segmentStop_ = 0x7FFFFFFFFFFFFFFF;
    double segmentRate_ = 1.0;

private:
    // Whether a connection may be made now: not connected yet, and stopped
    // unless the pin may reconnect while active.
    HRESULT CheckConnectable();
    HRESULT AgreeMediaType(IPin *peer, const CDsMediaType *type);
    HRESULT TryMediaTypes(IPin *peer, const CDsMediaType *partial, IEnumMediaTypes *types);
    HRESULT AttemptConnection(IPin *peer, const CDsMediaType *type);
    // CheckConnect and CheckMediaType of one connection attempt.
    HRESULT CheckPeerAndType(IPin *peer, const CDsMediaType *type);
};

// The answers of a type agreement that only say "not this type".
inline bool DsIsTypeRefusal(HRESULT hr)
{
    return hr == E_FAIL || hr == VFW_E_TYPE_NOT_ACCEPTED || hr == E_INVALIDARG;
}
