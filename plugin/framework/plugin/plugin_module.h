// What a drummer module is apart from its drummer: its application object
// (name, per-user settings location, help file) and its COM server (the
// drummer's class and its property page's, their factories and their
// self-registration).
#pragma once

#include "plugin/framework/plugin/com_object.h"

#include <windows.h>

#include <string>

namespace Quorvane {

class PluginApp {
public:
    // name: the module's product name; registryKey: below
    // HKEY_CURRENT_USER\Software; profile: the settings' sub key.
    PluginApp(const char *name, const char *registryKey, const char *profile)
        : name_(name), registryKey_(registryKey), profileName_(profile)
    {
    }

    // Remembers the module, roots the module's registry settings and finds
    // the help file beside the module. True when the module can be used.
    bool InitInstance(HMODULE module);
    void ExitInstance();

    // "<registry key>\<profile>", below HKEY_CURRENT_USER\Software.
    std::string getRegistryPath() const { return registryKey_ + "\\" + profileName_; }
    const std::string &helpFilePath() const { return helpFile_; }
    const std::string &profileName() const { return profileName_; }
    HMODULE module() const { return module_; }
    // The module's full path (empty before InitInstance).
    std::string modulePath() const;

private:
    std::string name_;
    std::string registryKey_;
    std::string profileName_;
    HMODULE module_ = nullptr;
    std::string helpFile_;
};

// The two classes a drummer module serves.
struct DrummerClasses {
    const GUID *drummer;
    const char *drummerDescription;
    const GUID *page;
    const char *pageDescription;
    // The property page's title: the module's name.
    const wchar_t *pageTitle;
};

namespace DrummerServer {

// A factory for the drummer (made by makeDrummerFactory) or its property
// page, answered for iid; CLASS_E_CLASSNOTAVAILABLE for any other class id.
HRESULT getClassObject(const DrummerClasses &classes, com::ObjectFactory *(*makeDrummerFactory)(),
                       REFCLSID clsid, REFIID iid, void **out);
// Registers both classes below classesRoot with modulePath as their
// server. S_OK, or SELFREG_E_CLASS when any step failed (the steps that
// could be done stay done).
HRESULT registerServer(const DrummerClasses &classes, HKEY classesRoot, const std::string &modulePath);
// Removes both class keys. S_OK, or SELFREG_E_CLASS when one stays.
HRESULT unregisterServer(const DrummerClasses &classes, HKEY classesRoot);

} // namespace DrummerServer

// One drummer module's COM server over the shared rules. Traits gives
// classes(), the module's DrummerClasses, and makeDrummerFactory(), which
// makes its drummer's class factory.
template <class Traits> struct DrummerServerOf {
    // A factory for the drummer or its property page, answered for iid;
    // CLASS_E_CLASSNOTAVAILABLE for any other class id.
    static HRESULT getClassObject(REFCLSID clsid, REFIID iid, void **out)
    {
        return DrummerServer::getClassObject(Traits::classes(), Traits::makeDrummerFactory, clsid, iid, out);
    }
    // Registers both classes below classesRoot with modulePath as their
    // server. S_OK, or SELFREG_E_CLASS when any step failed (the steps that
    // could be done stay done).
    static HRESULT registerServer(HKEY classesRoot, const std::string &modulePath)
    {
        return DrummerServer::registerServer(Traits::classes(), classesRoot, modulePath);
    }
    // Removes both class keys. S_OK, or SELFREG_E_CLASS when one stays.
    static HRESULT unregisterServer(HKEY classesRoot)
    {
        return DrummerServer::unregisterServer(Traits::classes(), classesRoot);
    }
};

} // namespace Quorvane
