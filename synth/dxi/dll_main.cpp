// Sorvik's entry points: the adapter by "CreateSoftSynth", and its
// registration as "Tembri DXi" with the sound engine.
#include "sound/module_keys.h"
#include "synth/dxi/dxi_adapter.h"

#include <new>

namespace {

HMODULE self = nullptr;
const char kSynthName[] = "Tembri DXi";

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) Quorvane::IQuorvaneSoftSynth *CreateSoftSynth(unsigned char, long)
{
    return new (std::nothrow) Quorvane::CDXiAdapter;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Quorvane::RegisterModuleValue(Quorvane::kSoftSynthKey, kSynthName, self);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Quorvane::UnregisterModuleValue(Quorvane::kSoftSynthKey, kSynthName);
}
