// What the module's COM entry points do, apart from the exports themselves,
// so that a test can run them against any registry root.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane::LoopSlice::VostrapellinServer {

// Descriptions written as the classes' default values.
constexpr const char *kDrummerDescription = "Quorvane Vostrapellin";
constexpr const char *kPageDescription = "Quorvane Vostrapellin Property Page";

// A factory for the drummer or its property page, answered for iid;
// CLASS_E_CLASSNOTAVAILABLE for any other class id.
HRESULT getClassObject(REFCLSID clsid, REFIID iid, void **out);
// Registers both classes below classesRoot with modulePath as their
// server. S_OK, or SELFREG_E_CLASS when any step failed.
HRESULT registerServer(HKEY classesRoot, const std::string &modulePath);
// Removes both class keys. S_OK, or SELFREG_E_CLASS when one stays.
HRESULT unregisterServer(HKEY classesRoot);

} // namespace Quorvane::LoopSlice::VostrapellinServer
