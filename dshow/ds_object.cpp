#include "dshow/ds_object.h"

#include <algorithm>

namespace {
volatile LONG liveObjects = 0;
} // namespace

LONG DsLiveObjectCount()
{
    return InterlockedCompareExchange(&liveObjects, 0, 0);
}

CDsObject::CDsObject()
{
    InterlockedIncrement(&liveObjects);
}

CDsObject::~CDsObject()
{
    InterlockedDecrement(&liveObjects);
}

CDsUnknown::CDsUnknown(const char *, IUnknown *outer) : outer_(outer ? outer : NonDelegatingUnknown()) {}

HRESULT STDMETHODCALLTYPE CDsUnknown::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown)
        return DsGetInterface(NonDelegatingUnknown(), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDsUnknown::NonDelegatingAddRef()
{
    return static_cast<ULONG>(std::max<LONG>(InterlockedIncrement(&refCount_), 1));
}

ULONG STDMETHODCALLTYPE CDsUnknown::NonDelegatingRelease()
{
    const LONG left = InterlockedDecrement(&refCount_);
    if (left != 0)
        return static_cast<ULONG>(std::max<LONG>(left, 1));
    // Releases the destructor makes on the object itself must not reach 0 again.
    refCount_ = 1;
    delete this;
    return 0;
}

HRESULT DsGetInterface(IUnknown *object, void **out)
{
    if (!out)
        return E_POINTER;
    *out = object;
    object->AddRef();
    return S_OK;
}
