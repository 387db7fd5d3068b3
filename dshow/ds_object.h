// The kit's object base: the module's live-object count, the non-delegating
// unknown that lets every object be aggregated, and the scoped lock.
#pragma once

#include "base/critical_section.h"

#include <windows.h>
#include <unknwn.h>

// Objects of this module still alive; the module unloads only at 0.
LONG DsLiveObjectCount();

// Counts itself in the live-object count from construction to destruction.
class CDsObject {
public:
    CDsObject();
    ~CDsObject();
    CDsObject(const CDsObject &) = delete;
    CDsObject &operator=(const CDsObject &) = delete;
};

// The unknown an aggregating object holds: it answers for the inner object
// itself, while the object's public interfaces forward to the outer unknown.
struct IDsNonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

class CDsUnknown : public IDsNonDelegatingUnknown, public CDsObject {
public:
    // outer: the aggregating object, or null to stand alone.
    CDsUnknown(const char *objectName, IUnknown *outer);
    virtual ~CDsUnknown() = default;
    CDsUnknown(const CDsUnknown &) = delete;
    CDsUnknown &operator=(const CDsUnknown &) = delete;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // Where the public interfaces' QueryInterface, AddRef and Release go.
    IUnknown *GetOwner() const { return outer_; }
    // This object's own non-delegating unknown, seen as an IUnknown.
    IUnknown *NonDelegatingUnknown()
    {
        return reinterpret_cast<IUnknown *>(static_cast<IDsNonDelegatingUnknown *>(this));
    }

protected:
    volatile LONG refCount_ = 0;

private:
    IUnknown *outer_; // not referenced
};

// Stores the interface pointer in out and AddRefs it; E_POINTER for null out.
HRESULT DsGetInterface(IUnknown *object, void **out);

// The public IUnknown of a kit object: everything goes to the outer unknown.
#define DS_FORWARD_IUNKNOWN                                                                                  \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override                                \
    {                                                                                                        \
        return GetOwner()->QueryInterface(iid, out);                                                         \
    }                                                                                                        \
    ULONG STDMETHODCALLTYPE AddRef() override                                                                \
    {                                                                                                        \
        return GetOwner()->AddRef();                                                                         \
    }                                                                                                        \
    ULONG STDMETHODCALLTYPE Release() override                                                               \
    {                                                                                                        \
        return GetOwner()->Release();                                                                        \
    }

// Holds a filter's (or allocator's) critical section for one scope.
class CDsAutoLock : public Quorvane::CriticalSectionGuard {
public:
    explicit CDsAutoLock(Quorvane::CriticalSection *lock) : CriticalSectionGuard(*lock) {}
};
