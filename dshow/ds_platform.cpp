#include "dshow/ds_platform.h"

HRESULT DsCreateMemoryAllocator(IMemAllocator **allocator)
{
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void **>(allocator));
}

HRESULT DsCreatePosPassThru(IUnknown *outer, BOOL renderer, IPin *pin, IUnknown **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    IUnknown *inner = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SeekingPassThru, outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void **>(&inner));
    if (FAILED(hr))
        return hr;
    ISeekingPassThru *passThru = nullptr;
    hr = inner->QueryInterface(IID_ISeekingPassThru, reinterpret_cast<void **>(&passThru));
    if (FAILED(hr)) {
        inner->Release();
        return hr;
    }
    hr = passThru->Init(renderer, pin);
    passThru->Release();
    if (FAILED(hr)) {
        inner->Release();
        return hr;
    }
    *out = inner;
    return S_OK;
}
