#include "bridge/asp/registration.h"

#include "sound/module_keys.h"

namespace Halvorin {

HRESULT RegisterProvider(HMODULE module)
{
    return Quorvane::RegisterModuleValue(Quorvane::kStreamProviderKey, kProviderName, module) == S_OK
               ? S_OK
               : E_FAIL;
}

HRESULT UnregisterProvider()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Quorvane::kStreamProviderKey, 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return E_FAIL;
    const LONG result = RegDeleteValueA(key, kProviderName);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? S_OK : E_FAIL;
}

} // namespace Halvorin
