// Enumerates a pin's preferred media types. When the pin's types change
// under it, Next, Skip and Clone report the enumerator out of step until
// Reset.
#pragma once

#include "dshow/ds_platform.h"

#include <windows.h>

class CDsPin;

class CDsMediaTypeEnum : public IEnumMediaTypes {
public:
    // toClone: an enumerator whose place and version are copied.
    CDsMediaTypeEnum(CDsPin *pin, CDsMediaTypeEnum *toClone);
    virtual ~CDsMediaTypeEnum();
    CDsMediaTypeEnum(const CDsMediaTypeEnum &) = delete;
    CDsMediaTypeEnum &operator=(const CDsMediaTypeEnum &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // Each type handed out is a task-allocator block the receiver frees
    // with DsDeleteMediaType.
    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, AM_MEDIA_TYPE **types, ULONG *fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes **clone) override;

private:
    bool InStep() const;

    LONG position_ = 0;
    CDsPin *pin_; // one reference held
    LONG version_ = 0;
    volatile LONG refCount_ = 1;
};
