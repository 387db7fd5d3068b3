// Where the sound engine finds its modules: under HKEY_LOCAL_MACHINE, one
// key per kind of module, one string value per module (its name, its path).
// Modules write their own value when they are registered.
#pragma once

#include <windows.h>

namespace Quorvane {

extern const char kSoftSynthKey[];
extern const char kAudioEffectKey[];
extern const char kStreamProviderKey[];

// The module an output of the kind loads (null for kind 3, which names its
// own, and for a kind the engine refuses).
const char *OutputModuleName(long kind);
// The module an effect of the kind loads (null for kind 0, which names its
// own, and for a kind the engine refuses).
const char *EffectModuleName(long kind);

// Writes the module's full path as the value name under the key; S_OK or
// SELFREG_E_CLASS.
HRESULT RegisterModuleValue(const char *key, const char *name, HMODULE module);
// The same with a path given.
HRESULT RegisterModulePath(const char *key, const char *name, const char *path);
// Removes the value; S_OK also when it was not there.
HRESULT UnregisterModuleValue(const char *key, const char *name);

} // namespace Quorvane
