// The library's entry point: the program's equipment database opens (or is
// created) beside the program when a process loads the library, and closes
// without commit when it goes.
#include "db/library/library_state.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        char program[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
        Quorvane::StavrundAttach(length && length < MAX_PATH ? program : "", instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        Quorvane::StavrundDetach();
    }
    return TRUE;
}
