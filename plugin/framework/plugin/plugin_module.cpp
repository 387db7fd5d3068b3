#include "plugin/framework/plugin/plugin_module.h"

#include "base/registry.h"
#include "plugin/framework/plugin/mfx_property_page.h"

#include <olectl.h>

namespace Quorvane {

bool PluginApp::InitInstance(HMODULE module)
{
    module_ = module;
    initAppRegistry(name_.c_str(), module, DLL_PROCESS_ATTACH, profileName_.c_str());
    helpFile_ = getModuleFolder() + name_;
    return true;
}

void PluginApp::ExitInstance()
{
    module_ = nullptr;
}

std::string PluginApp::modulePath() const
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module_, path, MAX_PATH);
    if (!module_ || length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(path, length);
}

namespace DrummerServer {

HRESULT getClassObject(const DrummerClasses &classes, com::ObjectFactory *(*makeDrummerFactory)(),
                       REFCLSID clsid, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    com::ObjectFactory *factory = nullptr;
    try {
        if (IsEqualCLSID(clsid, *classes.drummer))
            factory = makeDrummerFactory();
        else if (IsEqualCLSID(clsid, *classes.page))
            // The page's title names its own module, whatever the
            // framework's default would be.
            factory = new MfxPropertyPage::Factory(classes.pageTitle);
        else
            return CLASS_E_CLASSNOTAVAILABLE;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return com::answerFactory(factory, iid, out);
}

HRESULT registerServer(const DrummerClasses &classes, HKEY classesRoot, const std::string &modulePath)
{
    if (modulePath.empty())
        return SELFREG_E_CLASS;
    const bool drummer = com::registerInprocServer(classesRoot, *classes.drummer, classes.drummerDescription,
                                                   modulePath.c_str());
    const bool page =
        com::registerInprocServer(classesRoot, *classes.page, classes.pageDescription, modulePath.c_str());
    return drummer && page ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterServer(const DrummerClasses &classes, HKEY classesRoot)
{
    const bool drummer = com::unregisterInprocServer(classesRoot, *classes.drummer);
    const bool page = com::unregisterInprocServer(classesRoot, *classes.page);
    return drummer && page ? S_OK : SELFREG_E_CLASS;
}

} // namespace DrummerServer
} // namespace Quorvane
