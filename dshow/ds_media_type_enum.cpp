#include "dshow/ds_media_type_enum.h"

#include "dshow/ds_pin.h"

#include <new>

CDsMediaTypeEnum::CDsMediaTypeEnum(CDsPin *pin, CDsMediaTypeEnum *toClone) : pin_(pin)
{
    static_cast<IPin *>(pin_)->AddRef();
    if (toClone) {
        position_ = toClone->position_;
        version_ = toClone->version_;
    } else {
        version_ = pin_->GetMediaTypeVersion();
    }
}

CDsMediaTypeEnum::~CDsMediaTypeEnum()
{
    static_cast<IPin *>(pin_)->Release();
}

HRESULT STDMETHODCALLTYPE CDsMediaTypeEnum::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IEnumMediaTypes || iid == IID_IUnknown) {
        *out = static_cast<IEnumMediaTypes *>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDsMediaTypeEnum::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE CDsMediaTypeEnum::Release()
{
    const LONG left = InterlockedDecrement(&refCount_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

bool CDsMediaTypeEnum::InStep() const
{
    return pin_->GetMediaTypeVersion() == version_;
}

HRESULT STDMETHODCALLTYPE CDsMediaTypeEnum::Next(ULONG wanted, AM_MEDIA_TYPE **types, ULONG *fetched)
{
    if (!types)
        return E_POINTER;
    if (!InStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    if (fetched)
        *fetched = 0;
    else if (wanted > 1)
        return E_INVALIDARG;

    ULONG filled = 0;
    while (filled < wanted) {
        CDsMediaType type;
        const HRESULT hr = pin_->GetMediaType(position_++, &type);
        if (hr != S_OK)
            break;
        auto *block = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!block)
            break;
        // The block takes over the format block and the format unknown.
        *block = type;
        type.cbFormat = 0;
        type.pbFormat = nullptr;
        type.pUnk = nullptr;
        types[filled++] = block;
    }
    if (fetched)
        *fetched = filled;
    return filled == wanted ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CDsMediaTypeEnum::Skip(ULONG count)
{
    if (count == 0)
        return S_OK;
    if (!InStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    position_ += static_cast<LONG>(count);
    CDsMediaType type;
    return pin_->GetMediaType(position_ - 1, &type) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CDsMediaTypeEnum::Reset()
{
    position_ = 0;
    version_ = pin_->GetMediaTypeVersion();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaTypeEnum::Clone(IEnumMediaTypes **clone)
{
    if (!clone)
        return E_POINTER;
    *clone = nullptr;
    if (!InStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    *clone = new (std::nothrow) CDsMediaTypeEnum(pin_, this);
    return *clone ? S_OK : E_OUTOFMEMORY;
}
