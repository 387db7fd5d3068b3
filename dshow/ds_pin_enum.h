// Enumerates a filter's pins. When the filter's pins change under it, Next
// starts again from the first pin but hands out no pin twice before Reset,
// while Skip and Clone report the enumerator out of step.
#pragma once

#include "dshow/ds_list.h"
#include "dshow/ds_platform.h"

#include <windows.h>

class CDsFilter;

class CDsPinEnum : public IEnumPins {
public:
    // toClone: an enumerator whose place and handed-out pins are copied.
    CDsPinEnum(CDsFilter *filter, CDsPinEnum *toClone);
    virtual ~CDsPinEnum();
    CDsPinEnum(const CDsPinEnum &) = delete;
    CDsPinEnum &operator=(const CDsPinEnum &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, IPin **pins, ULONG *fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins **clone) override;

private:
    // Back in step with the filter, from the first pin.
    void Refresh();
    bool InStep() const;

    LONG position_ = 0;
    LONG pinCount_ = 0;
    CDsFilter *filter_; // one reference held
    LONG version_ = 0;
    volatile LONG refCount_ = 1;
    CDsPinList handedOut_;
    bool complete_ = true; // false when a clone could not copy the handed-out pins
};
