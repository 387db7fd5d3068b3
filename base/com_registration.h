// Registration of a module's COM classes below a classes root.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {
namespace com {

// Class registration below a root (HKEY_CLASSES_ROOT, or a per-user
// "Software\Classes" key): "CLSID\{...}" with the description as default
// value and "InprocServer32" naming the module (with its "ThreadingModel"
// when one is given).
bool registerInprocServer(HKEY classesRoot, REFCLSID clsid, const char *description, const char *modulePath,
                          const char *threadingModel = nullptr);
// Removes "CLSID\{...}" with its sub keys; true when it is gone.
bool unregisterInprocServer(HKEY classesRoot, REFCLSID clsid);
// "{XXXXXXXX-XXXX-...}".
std::string guidString(REFGUID id);

} // namespace com
} // namespace Quorvane
