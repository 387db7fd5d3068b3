// The module behind an output or an effect, found by name under the key of
// its kind (see data/module_loader.h).
#pragma once

#include <windows.h>

namespace Quorvane {

// The module record of an output or effect: its owned name, the two numbers
// the entry is called with, the interface and the library.
struct SOUNDMODULE {
    SOUNDMODULE() = default;
    SOUNDMODULE(const SOUNDMODULE &) = delete;
    SOUNDMODULE &operator=(const SOUNDMODULE &) = delete;
    ~SOUNDMODULE();

    // Loads the library of the name (the program's file name without its
    // extension for null or empty) and calls its entry; the interface is
    // null on any failure.
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
