// The provider module's entry points: "GetASPInterface", whether the
// provider plays without a device, the capture settings for tests and
// benchmarks, and its registration as "DirectSound".
#include "outside/directsound/directsound_provider.h"
#include "sound/module_keys.h"

#include <mutex>
#include <new>

namespace {

HMODULE self = nullptr;
const char kProviderName[] = "DirectSound";

std::mutex captureLock;
bool captureSet = false;
DSCAPTURE captureSettings = {};
std::string capturePath;

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) Quorvane::IAudioStreamProvider *GetASPInterface()
{
    std::lock_guard<std::mutex> guard(captureLock);
    return new (std::nothrow) DirectSoundProvider(captureSet ? &captureSettings : nullptr, capturePath);
}

extern "C" __declspec(dllexport) int DirectSoundSetCapture(const DSCAPTURE *capture)
{
    std::lock_guard<std::mutex> guard(captureLock);
    captureSet = capture != nullptr;
    captureSettings = capture ? *capture : DSCAPTURE{};
    capturePath = (capture && capture->wavePath) ? capture->wavePath : "";
    captureSettings.wavePath = nullptr;
    return capturePath.size() < MAX_PATH;
}

extern "C" __declspec(dllexport) int ASPPlaysSilent()
{
    return DirectSoundPlaysSilent();
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Quorvane::RegisterModuleValue(Quorvane::kStreamProviderKey, kProviderName, self);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Quorvane::UnregisterModuleValue(Quorvane::kStreamProviderKey, kProviderName);
}
