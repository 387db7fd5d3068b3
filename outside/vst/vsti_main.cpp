// The module's entry points: the output by "CreateSoftSynth", and its
// registration as "Tembri VSTi" with the sound engine.
#include "outside/vst/vsti_synth.h"
#include "sound/module_keys.h"

#include <new>

namespace {

HMODULE self = nullptr;
const char kSynthName[] = "Tembri VSTi";

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
    return new (std::nothrow) CVstiSynth;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Quorvane::RegisterModuleValue(Quorvane::kSoftSynthKey, kSynthName, self);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Quorvane::UnregisterModuleValue(Quorvane::kSoftSynthKey, kSynthName);
}
