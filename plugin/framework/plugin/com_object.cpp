#include "plugin/framework/plugin/com_object.h"

#include <objbase.h>

namespace Quorvane {
namespace com {

namespace {

LONG liveObjects = 0;
LONG moduleLocks = 0;

// Any address inside this module finds the module.
void moduleAnchor() {}

} // namespace

LONG liveObjectCount()
{
    return InterlockedCompareExchange(&liveObjects, 0, 0);
}

LONG moduleLockCount()
{
    return InterlockedCompareExchange(&moduleLocks, 0, 0);
}

bool canUnloadModule()
{
    return liveObjectCount() == 0 && moduleLockCount() == 0;
}

HMODULE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleAnchor), &module);
    return module;
}

ObjectBase::ObjectBase()
{
    InterlockedIncrement(&liveObjects);
}

ObjectBase::~ObjectBase()
{
    InterlockedDecrement(&liveObjects);
}

HRESULT STDMETHODCALLTYPE ObjectFactory::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ObjectFactory::Release()
{
    const LONG left = countDown();
    if (left > 0)
        return static_cast<ULONG>(left);
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE ObjectFactory::CreateInstance(IUnknown *outer, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return createObject(iid, out);
}

HRESULT STDMETHODCALLTYPE ObjectFactory::LockServer(BOOL lock)
{
    if (lock)
        InterlockedIncrement(&moduleLocks);
    else
        InterlockedDecrement(&moduleLocks);
    return S_OK;
}

HRESULT answerFactory(ObjectFactory *factory, REFIID iid, void **out)
{
    if (!out) {
        delete factory;
        return E_POINTER;
    }
    *out = nullptr;
    if (!factory)
        return E_OUTOFMEMORY;
    factory->AddRef();
    const HRESULT result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
}

} // namespace com
} // namespace Quorvane
