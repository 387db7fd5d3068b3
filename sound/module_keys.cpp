#include "sound/module_keys.h"

#include <olectl.h>

#include <cstring>

namespace Quorvane {

const char kSoftSynthKey[] = "Software\\Quorvane\\SoftSynth";
const char kAudioEffectKey[] = "Software\\Quorvane\\AudioEffect";
const char kStreamProviderKey[] = "Software\\Quorvane\\AudioStreamProviders";

const char *OutputModuleName(long kind)
{
    static const char *const modules[] = {"Default Preview", "Strummarel", "Tembri Audio", nullptr,
                                          "Tembri VSTi",     "Tembri DXi", "Tembri DLS",   "Tembri MIDI"};
    return kind >= 0 && kind < long(sizeof modules / sizeof *modules) ? modules[kind] : nullptr;
}

const char *EffectModuleName(long kind)
{
    static const char *const modules[] = {nullptr, "Tembri VST", "Tembri DX"};
    return kind >= 0 && kind < long(sizeof modules / sizeof *modules) ? modules[kind] : nullptr;
}

HRESULT RegisterModuleValue(const char *key, const char *name, HMODULE module)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return SELFREG_E_CLASS;
    return RegisterModulePath(key, name, path);
}

HRESULT RegisterModulePath(const char *key, const char *name, const char *path)
{
    HKEY opened = nullptr;
    if (!path || RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                                 nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    const LONG result = RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(path),
                                       static_cast<DWORD>(std::strlen(path) + 1));
    RegCloseKey(opened);
    return result == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterModuleValue(const char *key, const char *name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
        return S_OK;
    const LONG result = RegDeleteValueA(opened, name);
    RegCloseKey(opened);
    return (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) ? S_OK : SELFREG_E_CLASS;
}

} // namespace Quorvane
