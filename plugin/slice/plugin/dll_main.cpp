// The module's entry point and its COM exports. Nothing thrown inside may
// leave through them.
#include "plugin/slice/plugin/com_server.h"
#include "plugin/slice/plugin/vostrapellin_app.h"

#include <objbase.h>

using namespace Quorvane::LoopSlice;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            DisableThreadLibraryCalls(instance);
            return theApp().InitInstance(instance) ? TRUE : FALSE;
        }
        if (reason == DLL_PROCESS_DETACH)
            theApp().ExitInstance();
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **out)
{
    try {
        return VostrapellinServer::getClassObject(clsid, iid, out);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    try {
        return VostrapellinServer::registerServer(HKEY_CLASSES_ROOT, theApp().modulePath());
    } catch (...) {
        return E_UNEXPECTED;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    try {
        return VostrapellinServer::unregisterServer(HKEY_CLASSES_ROOT);
    } catch (...) {
        return E_UNEXPECTED;
    }
}
