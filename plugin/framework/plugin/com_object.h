// The COM plumbing every object of a plug-in module shares: the module's
// live-object and lock counts (which decide whether the module may unload),
// an interlocked reference count, and a class factory over a creation
// operation of the class's own.
#pragma once

#include "base/com_registration.h"

#include <windows.h>
#include <unknwn.h>

#include <string>

namespace Quorvane {
namespace com {

// Objects alive in this module (every ObjectBase, factories included).
LONG liveObjectCount();
// IClassFactory::LockServer locks held on this module.
LONG moduleLockCount();
// Whether nothing keeps the module loaded.
bool canUnloadModule();

// The module handle of the code this framework is linked into: the plug-in
// DLL, or the executable for a test. Resources and window classes use it.
HMODULE thisModule();

// A reference count that starts at 0 and counts the object as live in the
// module for as long as it exists.
class ObjectBase {
public:
    ObjectBase(const ObjectBase &) = delete;
    ObjectBase &operator=(const ObjectBase &) = delete;

    LONG referenceCount() const { return references_; }

protected:
    ObjectBase();
    ~ObjectBase();

    ULONG countUp() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    LONG countDown() { return InterlockedDecrement(&references_); }

    LONG references_ = 0;
};

// An object that offers one interface (and IUnknown) and deletes itself
// when its last reference goes.
template <typename Interface> class SingleInterfaceObject : public Interface, public ObjectBase {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
            *out = static_cast<Interface *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return countUp(); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = countDown();
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

protected:
    SingleInterfaceObject() = default;
    virtual ~SingleInterfaceObject() = default;
};

// A class factory; the class supplies createObject. Aggregation is refused.
class ObjectFactory : public IClassFactory, public ObjectBase {
public:
    ObjectFactory() = default;
    virtual ~ObjectFactory() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return countUp(); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

protected:
    // A new object answered through its QueryInterface for iid.
    virtual HRESULT createObject(REFIID iid, void **out) = 0;
};

// The factory of a class made with new and handed out through its own
// QueryInterface (its reference count starts at 0).
template <typename T> class FactoryOf : public ObjectFactory {
protected:
    HRESULT createObject(REFIID iid, void **out) override
    {
        T *object = nullptr;
        try {
            object = new T();
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        object->AddRef();
        const HRESULT result = object->QueryInterface(iid, out);
        object->Release();
        return result;
    }
};

// Hands out the factory asked for: AddRefs it through QueryInterface and
// drops the caller's creation reference (start a factory at count 0).
HRESULT answerFactory(ObjectFactory *factory, REFIID iid, void **out);

} // namespace com
} // namespace Quorvane
