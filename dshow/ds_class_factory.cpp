#include "dshow/ds_class_factory.h"

#include <new>

namespace {
volatile LONG serverLocks = 0;
} // namespace

CDsClassFactory::CDsClassFactory(const DsFactoryTemplate *classTemplate) : template_(classTemplate) {}

HRESULT STDMETHODCALLTYPE CDsClassFactory::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory)
        return DsGetInterface(static_cast<IClassFactory *>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDsClassFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE CDsClassFactory::Release()
{
    const LONG left = InterlockedDecrement(&refCount_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CDsClassFactory::CreateInstance(IUnknown *outer, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    // An aggregating caller must hold the inner object by its unknown.
    if (outer && iid != IID_IUnknown)
        return E_NOINTERFACE;
    HRESULT result = S_OK;
    CDsUnknown *object = template_->create(outer, &result);
    if (!object)
        return FAILED(result) ? result : E_OUTOFMEMORY;
    object->NonDelegatingAddRef();
    HRESULT hr = result;
    if (SUCCEEDED(hr))
        hr = object->NonDelegatingQueryInterface(iid, out);
    object->NonDelegatingRelease();
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsClassFactory::LockServer(BOOL lock)
{
    if (lock)
        InterlockedIncrement(&serverLocks);
    else
        InterlockedDecrement(&serverLocks);
    return S_OK;
}

LONG CDsClassFactory::LockCount()
{
    return InterlockedCompareExchange(&serverLocks, 0, 0);
}

HRESULT DsGetClassObject(const DsFactoryTemplate *templates, int count, REFCLSID classId, REFIID iid,
                         void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;
    for (int i = 0; i < count; ++i) {
        if (*templates[i].classId != classId)
            continue;
        auto *factory = new (std::nothrow) CDsClassFactory(&templates[i]);
        if (!factory)
            return E_OUTOFMEMORY;
        factory->AddRef();
        *out = static_cast<IClassFactory *>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT DsCanUnloadNow()
{
    return DsLiveObjectCount() == 0 && CDsClassFactory::LockCount() == 0 ? S_OK : S_FALSE;
}
