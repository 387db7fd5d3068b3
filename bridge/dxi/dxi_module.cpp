// QN3_HalvorinDXi: the module's class factories, its unload rule and its
// registration.
#include "bridge/common/this_module.h"
#include "bridge/dxi/bridge_filter.h"
#include "bridge/dxi/bridge_ids.h"
#include "bridge/dxi/bridge_property_page.h"
#include "bridge/dxi/dxi_registration.h"
#include "dshow/ds_class_factory.h"

using namespace Halvorin;

namespace {

const DsFactoryTemplate templates[] = {
    {L"Quorvane Rallimoth Omvel", &CLSID_BridgeDxiFilter, CBridgeFilter::Create, CBridgeFilter::Setup()},
    {L"Quorvane Rallimoth Omvel Properties", &CLSID_BridgeDxiPropertyPage, CBridgePropertyPage::Create,
     nullptr},
};

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void **out)
{
    return DsGetClassObject(templates, 2, classId, iid, out);
}

STDAPI DllCanUnloadNow()
{
    return DsCanUnloadNow();
}

STDAPI DllRegisterServer()
{
    return RegisterDxiBridge(ThisModule());
}

STDAPI DllUnregisterServer()
{
    return UnregisterDxiBridge();
}
