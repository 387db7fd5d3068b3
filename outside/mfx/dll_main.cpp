// The module "Tembri MFX": the MIDI effect a song's MIDI-effect element
// loads for an effect given by class id. It registers itself under the
// name "Tembri MFX" among the MIDI-effect modules.
#include "data/meff_chain.h"
#include "outside/mfx/mfx_host_effect.h"

#include <windows.h>
#include <olectl.h>

#include <new>
#include <string>

namespace {

HMODULE self = nullptr;

std::string modulePath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" Quorvane::IQuorvaneMIDIEffect *CreateMIDIEffect()
{
    return new (std::nothrow) tembri_mfx::MfxHostEffect;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    const std::string path = modulePath();
    HKEY key = nullptr;
    if (path.empty() || RegCreateKeyExA(HKEY_LOCAL_MACHINE, Quorvane::kMIDIEffectKey, 0, nullptr, 0,
                                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    const LONG written =
        RegSetValueExA(key, Quorvane::kMfxHostModule, 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
    return written == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Quorvane::kMIDIEffectKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return S_OK;
    const LONG removed = RegDeleteValueA(key, Quorvane::kMfxHostModule);
    RegCloseKey(key);
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
