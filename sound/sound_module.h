// Finding, loading and unloading the module behind an output or an effect.
// A module is named; its path comes from the registry value of that name
// under the key of its kind, else it is the name with ".zql" in the folder
// of the running program. The name is a name, never a path: one with a
// folder separator, a drive colon or ".." is refused before anything loads.
#pragma once

#include <windows.h>

namespace Quorvane {

// True when the name is a plain module name.
bool IsModuleName(const char *name);

// The module record of an output or effect: its owned name, the two numbers
// the entry is called with, the interface and the library.
struct SOUNDMODULE {
    SOUNDMODULE() = default;
    SOUNDMODULE(const SOUNDMODULE &) = delete;
    SOUNDMODULE &operator=(const SOUNDMODULE &) = delete;
    ~SOUNDMODULE();

    // Copies the name (the program's file name without its extension for
    // null or empty), loads the library and calls its entry; the interface
    // is null on any failure.
    void *Load(const char *moduleName, const char *key, const char *entry);
    // Frees the library; the caller has destroyed the interface.
    void Unload();

    char *name = nullptr;
    unsigned char flag = 1;
    long number = 128;
    void *iface = nullptr;
    HMODULE handle = nullptr;
};

} // namespace Quorvane
