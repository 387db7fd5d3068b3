// Pellandor's entry points: the synthesizer by "CreateSoftSynth", and its
// registration as "Default Preview" with the sound engine. The editor's
// pictures and cursors are made when the module is loaded; without them the
// load fails.
#include "sound/module_keys.h"
#include "synth/preview/preview_editor_kit.h"
#include "synth/preview/preview_synth.h"
#include "synth/preview/wave_table_set.h"

#include <new>

namespace {

HMODULE self = nullptr;
const char kSynthName[] = "Default Preview";

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
        return Quorvane::StartPreviewEditorKit(instance) ? TRUE : FALSE;
    }
    if (reason == DLL_PROCESS_DETACH) {
        Quorvane::StopPreviewEditorKit();
        Quorvane::CWaveTableSet::FreeAll();
    }
    return TRUE;
}

extern "C" __declspec(dllexport) Quorvane::IQuorvaneSoftSynth *CreateSoftSynth(unsigned char, long)
{
    return new (std::nothrow) Quorvane::CPreviewSynth;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Quorvane::RegisterModuleValue(Quorvane::kSoftSynthKey, kSynthName, self);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Quorvane::UnregisterModuleValue(Quorvane::kSoftSynthKey, kSynthName);
}
