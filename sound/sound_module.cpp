#include "sound/sound_module.h"

#include "data/module_loader.h"

#include <cstdlib>

namespace Quorvane {

namespace {

using EntryProc = void *(*)(unsigned char, long);

} // namespace

SOUNDMODULE::~SOUNDMODULE()
{
    Unload();
    std::free(name);
}

void *SOUNDMODULE::Load(const char *moduleName, const char *key, const char *entry)
{
    Unload();
    std::free(name);
    name = nullptr;
    handle = LoadModuleByName(key, moduleName, &name);
    if (!handle)
        return nullptr;
    auto create = reinterpret_cast<EntryProc>(reinterpret_cast<void (*)()>(GetProcAddress(handle, entry)));
    if (create)
        iface = create(flag, number);
    return iface;
}

void SOUNDMODULE::Unload()
{
    iface = nullptr;
    if (handle) {
        FreeLibrary(handle);
        handle = nullptr;
    }
}

} // namespace Quorvane
