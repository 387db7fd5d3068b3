#include "plugin/slice/plugin/com_server.h"

#include "plugin/framework/plugin/plugin_module.h"
#include "plugin/slice/plugin/vostrapellin_ids.h"
#include "plugin/slice/plugin/vostrapellin_mfx.h"

namespace Quorvane::LoopSlice::VostrapellinServer {

namespace {

const DrummerClasses &classes()
{
    static const DrummerClasses served{&CLSID_VostrapellinMFX, kDrummerDescription,
                                       &CLSID_VostrapellinPropertyPage, kPageDescription, L"Vostrapellin"};
    return served;
}

com::ObjectFactory *makeDrummerFactory()
{
    return new VostrapellinMFX::Factory();
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

} // namespace Quorvane::LoopSlice::VostrapellinServer
