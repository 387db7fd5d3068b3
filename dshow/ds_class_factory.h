// The module's class factory: one factory per class of the module's table of
// templates, and the module's unload rule.
#pragma once

#include "dshow/ds_object.h"
#include "dshow/ds_setup.h"

#include <windows.h>
#include <unknwn.h>

// Makes one object of a class, aggregated by outer when it is not null;
// null when it cannot be made (the reason, when known, in result).
using DsCreateObject = CDsUnknown *(*)(IUnknown *outer, HRESULT *result);

struct DsFactoryTemplate {
    const WCHAR *name;
    const CLSID *classId;
    DsCreateObject create;
    const DsFilterSetup *setup; // null for a class the filter mapper does not know
};

class CDsClassFactory : public IClassFactory, public CDsObject {
public:
    explicit CDsClassFactory(const DsFactoryTemplate *classTemplate);
    virtual ~CDsClassFactory() = default;
    CDsClassFactory(const CDsClassFactory &) = delete;
    CDsClassFactory &operator=(const CDsClassFactory &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    // Locks taken through LockServer in this module.
    static LONG LockCount();

private:
    const DsFactoryTemplate *template_;
    volatile LONG refCount_ = 0;
};

// DllGetClassObject over a module's templates.
HRESULT DsGetClassObject(const DsFactoryTemplate *templates, int count, REFCLSID classId, REFIID iid,
                         void **out);
// DllCanUnloadNow: S_OK when no object lives and no lock is held.
HRESULT DsCanUnloadNow();
