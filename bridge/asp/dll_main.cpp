// The stream provider library ASPHalvorin: loaded by a host's bridge
// plug-ins and by the program at once, it sets up the shared channels for
// the first process that loads it and registers itself as the stream
// provider "Halvorin".
#include "bridge/asp/channel_client.h"
#include "bridge/asp/halvorin_provider.h"
#include "bridge/asp/program_control.h"
#include "bridge/asp/registration.h"
#include "bridge/asp/shared_channels.h"
#include "bridge/common/this_module.h"

#include <new>

using namespace Halvorin;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        InitSharedSection();
    }
    return TRUE;
}

extern "C" __declspec(dllexport) int ASPHalvorinRequest(int channel, int op, void *data)
{
    return HalvorinRequest(channel, op, data);
}

extern "C" __declspec(dllexport) int ASPHalvorinCanConnect(int channel, int *sampleRate, int *blockSize)
{
    return CanConnect(channel, sampleRate, blockSize);
}

extern "C" __declspec(dllexport) Quorvane::IAudioStreamProvider *GetASPInterface()
{
    return new (std::nothrow) CHalvorinProvider;
}

// For the tests across processes, which run a host against the library
// as shipped; no host or program calls it. A test of what the protocol
// does lets the host wait as long as a loaded machine needs, and sets the
// shipped bound back where it tests that bound.
extern "C" __declspec(dllexport) void ASPHalvorinTestWaitBound(DWORD marginMs, DWORD longestMs)
{
    SetWaitBound({marginMs, longestMs});
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return RegisterProvider(ThisModule());
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return UnregisterProvider();
}
