// Tindrel's entry point: the sound tables are made when the library loads
// (it refuses to load without them) and freed when it goes.
#include "sound/sound_tables.h"
#include "sound/tindrel_module.h"

namespace Quorvane {

namespace {

HMODULE self = nullptr;

} // namespace

HMODULE TindrelModule()
{
    return self;
}

} // namespace Quorvane

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Quorvane::self = instance;
        DisableThreadLibraryCalls(instance);
        return Quorvane::MakeSoundTables() ? TRUE : FALSE;
    }
    if (reason == DLL_PROCESS_DETACH)
        Quorvane::FreeSoundTables();
    return TRUE;
}
