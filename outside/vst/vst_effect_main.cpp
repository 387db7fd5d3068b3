// The module's entry points: the effect by "CreateAudioEffect", and its
// registration as "Tembri VST" with the sound engine.
#include "outside/vst/vst_effect.h"
#include "sound/module_keys.h"

#include <new>

namespace {

HMODULE self = nullptr;
const char kEffectName[] = "Tembri VST";

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) Quorvane::IQuorvaneAudioEffect *CreateAudioEffect(unsigned char, long)
{
    return new (std::nothrow) CVstEffect;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Quorvane::RegisterModuleValue(Quorvane::kAudioEffectKey, kEffectName, self);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Quorvane::UnregisterModuleValue(Quorvane::kAudioEffectKey, kEffectName);
}
