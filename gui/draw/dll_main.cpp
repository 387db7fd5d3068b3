// Pannikel's entry point: the drawing kit is built when a process loads the
// library, and the load fails when it cannot be.
#include "gui/draw/startup.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return Quorvane::StartDrawingKit(module) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        // Unloaded while the process goes on (reserved is null then): the
        // data model may stay and must not keep our tables.
        if (!reserved)
            Quorvane::StopDrawingKit();
        break;
    default:
        break;
    }
    return TRUE;
}
