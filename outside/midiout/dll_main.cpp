// The module's entry points: the output by "CreateSoftSynth", and its
// registration as "Tembri MIDI" with the sound engine.
#include "outside/midiout/midi_out_synth.h"
#include "sound/module_keys.h"

#include <new>

namespace {

HMODULE self = nullptr;
const char kSynthName[] = "Tembri MIDI";

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
    return new (std::nothrow) CMidiOutSynth;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Quorvane::RegisterModuleValue(Quorvane::kSoftSynthKey, kSynthName, self);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Quorvane::UnregisterModuleValue(Quorvane::kSoftSynthKey, kSynthName);
}
