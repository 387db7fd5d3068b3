#include "dshow/ds_pin_enum.h"

#include "dshow/ds_filter.h"
#include "dshow/ds_pin.h"

#include <new>

CDsPinEnum::CDsPinEnum(CDsFilter *filter, CDsPinEnum *toClone) : filter_(filter)
{
    static_cast<IBaseFilter *>(filter_)->AddRef();
    if (toClone) {
        position_ = toClone->position_;
        pinCount_ = toClone->pinCount_;
        version_ = toClone->version_;
        complete_ = handedOut_.AppendList(toClone->handedOut_) != FALSE;
    } else {
        version_ = filter_->GetPinVersion();
        pinCount_ = filter_->GetPinCount();
    }
}

CDsPinEnum::~CDsPinEnum()
{
    static_cast<IBaseFilter *>(filter_)->Release();
}

HRESULT STDMETHODCALLTYPE CDsPinEnum::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IEnumPins || iid == IID_IUnknown) {
        *out = static_cast<IEnumPins *>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDsPinEnum::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE CDsPinEnum::Release()
{
    const LONG left = InterlockedDecrement(&refCount_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

bool CDsPinEnum::InStep() const
{
    return filter_->GetPinVersion() == version_;
}

void CDsPinEnum::Refresh()
{
    version_ = filter_->GetPinVersion();
    pinCount_ = filter_->GetPinCount();
    position_ = 0;
}

HRESULT STDMETHODCALLTYPE CDsPinEnum::Next(ULONG wanted, IPin **pins, ULONG *fetched)
{
    if (!pins)
        return E_POINTER;
    if (fetched)
        *fetched = 0;
    else if (wanted > 1)
        return E_INVALIDARG;
    // Pins handed out before the change stay handed out.
    if (!InStep())
        Refresh();

    const LONG available = pinCount_ - position_;
    if (available <= 0 || wanted == 0)
        return S_FALSE;
    LONG stillWanted = static_cast<LONG>(wanted) < available ? static_cast<LONG>(wanted) : available;
    ULONG placed = 0;
    while (stillWanted > 0 && position_ < pinCount_) {
        CDsPin *pin = filter_->GetPin(position_++);
        if (!pin) {
            // The filter lost a pin: give back what this call placed.
            while (placed > 0) {
                IPin *given = pins[--placed];
                handedOut_.Remove(handedOut_.Find(static_cast<CDsPin *>(given)));
                given->Release();
                pins[placed] = nullptr;
            }
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        if (handedOut_.Find(pin))
            continue;
        if (!handedOut_.AddTail(pin))
            break;
        pins[placed] = static_cast<IPin *>(pin);
        pins[placed]->AddRef();
        ++placed;
        --stillWanted;
    }
    if (fetched)
        *fetched = placed;
    return placed == wanted ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CDsPinEnum::Skip(ULONG count)
{
    if (!InStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    if (count > static_cast<ULONG>(pinCount_ - position_))
        return S_FALSE;
    position_ += static_cast<LONG>(count);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPinEnum::Reset()
{
    Refresh();
    handedOut_.RemoveAll();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsPinEnum::Clone(IEnumPins **clone)
{
    if (!clone)
        return E_POINTER;
    *clone = nullptr;
    if (!InStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    auto *copy = new (std::nothrow) CDsPinEnum(filter_, this);
    if (copy && !copy->complete_) {
        copy->Release();
        copy = nullptr;
    }
    if (!copy)
        return E_OUTOFMEMORY;
    *clone = copy;
    return S_OK;
}
