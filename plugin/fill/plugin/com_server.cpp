#include "plugin/fill/plugin/com_server.h"

#include "plugin/fill/plugin/grindelvosket_app.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/framework/plugin/mfx_property_page.h"

#include <olectl.h>

namespace Quorvane::GrindelvosketServer {

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    com::ObjectFactory *factory = nullptr;
    try {
        if (IsEqualCLSID(clsid, CLSID_GrindelvosketMFX))
            factory = new GrindelvosketMFX::Factory();
        else if (IsEqualCLSID(clsid, CLSID_GrindelvosketPropertyPage))
            // The page's title names this module, whatever the framework's
            // default would be.
            factory = new MfxPropertyPage::Factory(L"Grindelvosket");
        else
            return CLASS_E_CLASSNOTAVAILABLE;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return com::answerFactory(factory, iid, out);
}

HRESULT registerServer(HKEY classesRoot, const std::string &modulePath)
{
    if (modulePath.empty())
        return SELFREG_E_CLASS;
    const bool drummer = com::registerInprocServer(classesRoot, CLSID_GrindelvosketMFX, kDrummerDescription,
                                                   modulePath.c_str());
    const bool page = com::registerInprocServer(classesRoot, CLSID_GrindelvosketPropertyPage,
                                                kPageDescription, modulePath.c_str());
    return drummer && page ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterServer(HKEY classesRoot)
{
    const bool drummer = com::unregisterInprocServer(classesRoot, CLSID_GrindelvosketMFX);
    const bool page = com::unregisterInprocServer(classesRoot, CLSID_GrindelvosketPropertyPage);
    return drummer && page ? S_OK : SELFREG_E_CLASS;
}

} // namespace Quorvane::GrindelvosketServer
