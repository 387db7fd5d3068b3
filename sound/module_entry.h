// The entry points every sound module of its own kind has: DllMain keeps the
// module's handle, the creation entry makes the module's object, and the
// module registers itself by name under its kind's key. One line in the
// module's main file names the module and its class:
//
//     TEMBRI_SOFT_SYNTH_MODULE("Tembri Audio", CAudioSynth)
#pragma once

#include "sound/module_keys.h"

#include <windows.h>

#include <new>

#define TEMBRI_SOUND_MODULE(Interface, createEntry, kindKey, moduleName, Class)                              \
    namespace {                                                                                              \
    HMODULE moduleSelf = nullptr;                                                                            \
    }                                                                                                        \
    BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)                                            \
    {                                                                                                        \
        if (reason == DLL_PROCESS_ATTACH) {                                                                  \
            moduleSelf = instance;                                                                           \
            DisableThreadLibraryCalls(instance);                                                             \
        }                                                                                                    \
        return TRUE;                                                                                         \
    }                                                                                                        \
    extern "C" __declspec(dllexport) Quorvane::Interface *createEntry(unsigned char, long)                   \
    {                                                                                                        \
        return new (std::nothrow) Class;                                                                     \
    }                                                                                                        \
    extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()                                                    \
    {                                                                                                        \
        return Quorvane::RegisterModuleValue(Quorvane::kindKey, moduleName, moduleSelf);                     \
    }                                                                                                        \
    extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()                                                  \
    {                                                                                                        \
        return Quorvane::UnregisterModuleValue(Quorvane::kindKey, moduleName);                               \
    }

#define TEMBRI_SOFT_SYNTH_MODULE(moduleName, Class)                                                          \
    TEMBRI_SOUND_MODULE(IQuorvaneSoftSynth, CreateSoftSynth, kSoftSynthKey, moduleName, Class)

#define TEMBRI_AUDIO_EFFECT_MODULE(moduleName, Class)                                                        \
    TEMBRI_SOUND_MODULE(IQuorvaneAudioEffect, CreateAudioEffect, kAudioEffectKey, moduleName, Class)
