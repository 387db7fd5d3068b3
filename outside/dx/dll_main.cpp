// The module's entry points: the effect by "CreateAudioEffect", the answer
// to which DirectX effects it can host ("CheckDXAudioFilter", asked when the
// installed effects are listed), and its registration as "Tembri DX" with
// the sound engine.
#include "outside/dx/dmo_effect.h"
#include "sound/module_entry.h"

TEMBRI_AUDIO_EFFECT_MODULE("Tembri DX", CDmoEffect)

// A class is hosted when it is a DMO that takes and gives stereo float.
extern "C" __declspec(dllexport) BOOL CheckDXAudioFilter(const CLSID *filter)
{
    IMediaObject *dmo = filter ? OpenStereoDmo(*filter, 44100.0f) : nullptr;
    if (!dmo)
        return FALSE;
    dmo->FreeStreamingResources();
    dmo->Release();
    return TRUE;
}
