#include "base/com_registration.h"

#include <objbase.h>

#include <cstring>

namespace Quorvane {
namespace com {

std::string guidString(REFGUID id)
{
    wchar_t wide[40] = {};
    StringFromGUID2(id, wide, 40);
    char text[40] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}

bool registerInprocServer(HKEY classesRoot, REFCLSID clsid, const char *description, const char *modulePath,
                          const char *threadingModel)
{
    const std::string path = "CLSID\\" + guidString(clsid);
    HKEY classKey = nullptr;
    if (RegCreateKeyExA(classesRoot, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &classKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool written = RegSetValueExA(classKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(description),
                                  static_cast<DWORD>(std::strlen(description) + 1)) == ERROR_SUCCESS;
    HKEY serverKey = nullptr;
    if (RegCreateKeyExA(classKey, "InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey, nullptr) ==
        ERROR_SUCCESS) {
        written = RegSetValueExA(serverKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(modulePath),
                                 static_cast<DWORD>(std::strlen(modulePath) + 1)) == ERROR_SUCCESS &&
                  written;
        if (threadingModel)
            written = RegSetValueExA(serverKey, "ThreadingModel", 0, REG_SZ,
                                     reinterpret_cast<const BYTE *>(threadingModel),
                                     static_cast<DWORD>(std::strlen(threadingModel) + 1)) == ERROR_SUCCESS &&
                      written;
        RegCloseKey(serverKey);
    } else {
        written = false;
    }
    RegCloseKey(classKey);
    return written;
}

bool unregisterInprocServer(HKEY classesRoot, REFCLSID clsid)
{
    const std::string path = "CLSID\\" + guidString(clsid);
    const LSTATUS result = RegDeleteTreeA(classesRoot, path.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace com
} // namespace Quorvane
