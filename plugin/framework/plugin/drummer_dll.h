// The entry point and COM exports of a drummer module. Each drummer's
// dll_main.cpp states them once with QUORVANE_DRUMMER_DLL_EXPORTS, naming its
// application object's accessor and its COM server (getClassObject,
// registerServer, unregisterServer); the rules are here. Nothing thrown
// inside may leave through an export.
#pragma once

#include <windows.h>

#include <objbase.h>

namespace Quorvane::DrummerDll {

// The module loads or unloads: its application object starts or ends.
template <class AppOf> BOOL onDllMain(AppOf app, HINSTANCE instance, DWORD reason)
{
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            DisableThreadLibraryCalls(instance);
            return app().InitInstance(instance) ? TRUE : FALSE;
        }
        if (reason == DLL_PROCESS_DETACH)
            app().ExitInstance();
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

// Runs an export's work; what it throws becomes E_UNEXPECTED.
template <class Call> HRESULT guarded(Call call)
{
    try {
        return call();
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace Quorvane::DrummerDll

#define QUORVANE_DRUMMER_DLL_EXPORTS(appOf, Server)                                                          \
    BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)                                            \
    {                                                                                                        \
        return ::Quorvane::DrummerDll::onDllMain(                                                            \
            []() -> auto & { return appOf(); }, instance, reason);                                           \
    }                                                                                                        \
    extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **out)              \
    {                                                                                                        \
        return ::Quorvane::DrummerDll::guarded([&] { return Server::getClassObject(clsid, iid, out); });     \
    }                                                                                                        \
    extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()                                                    \
    {                                                                                                        \
        return ::Quorvane::DrummerDll::guarded(                                                              \
            [] { return Server::registerServer(HKEY_CLASSES_ROOT, appOf().modulePath()); });                 \
    }                                                                                                        \
    extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()                                                  \
    {                                                                                                        \
        return ::Quorvane::DrummerDll::guarded([] { return Server::unregisterServer(HKEY_CLASSES_ROOT); });  \
    }
