// The parts window's sink as the drummers see it: a COM object that lives
// as long as the window (its references are only counted) and hands each
// call to the window's drummer table.
#pragma once

#include "app/part_drummers.h"

namespace Quorvane {

class PartsSink : public IDrummerSink {
public:
    explicit PartsSink(PartDrummers &drummers) : drummers_(drummers) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDrummerSink) {
            *out = static_cast<IDrummerSink *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        return static_cast<ULONG>(InterlockedDecrement(&references_));
    }
    HRESULT STDMETHODCALLTYPE ParamChanged(DWORD cookie, LONG id, LONG sub) override
    {
        return drummers_.ParamChanged(cookie, id, sub);
    }
    HRESULT STDMETHODCALLTYPE Detach(DWORD cookie) override { return drummers_.Detach(cookie); }

    LONG References() const { return references_; }

private:
    PartDrummers &drummers_;
    LONG references_ = 0;
};

} // namespace Quorvane
