#include "plugin/fill/plugin/com_server.h"

#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/framework/plugin/plugin_module.h"

namespace Quorvane::GrindelvosketServer {

namespace {

const DrummerClasses &classes()
{
    static const DrummerClasses served{&CLSID_GrindelvosketMFX, kDrummerDescription,
                                       &CLSID_GrindelvosketPropertyPage, kPageDescription, L"Grindelvosket"};
    return served;
}

com::ObjectFactory *makeDrummerFactory()
{
    return new GrindelvosketMFX::Factory();
}

} // namespace

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void **out)
{
    return DrummerServer::getClassObject(classes(), makeDrummerFactory, clsid, iid, out);
}

HRESULT registerServer(HKEY classesRoot, const std::string &modulePath)
{
    return DrummerServer::registerServer(classes(), classesRoot, modulePath);
}

HRESULT unregisterServer(HKEY classesRoot)
{
    return DrummerServer::unregisterServer(classes(), classesRoot);
}

} // namespace Quorvane::GrindelvosketServer
