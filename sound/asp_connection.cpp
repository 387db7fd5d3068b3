// Connecting the sound manager to its stream provider: the buffers and
// events it hands over, the provider module, and letting go of them.
#include "sound/asp_registry.h"
#include "sound/sound_mngr.h"
#include "sound/tindrel_module.h"

#include <cstdlib>

namespace Quorvane {

namespace {

constexpr int kEventCount = kAspBuffers + 2;

// The calling thread's visible top-level window that no other owns.
HWND applicationWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM out) -> BOOL {
            if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER))
                return TRUE;
            *reinterpret_cast<HWND *>(out) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND startWindow = nullptr;

INT_PTR CALLBACK startProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

} // namespace

int CSoundMngr::ConnectASP()
{
    openParams = {};
    openParams.port = params.aspPort;
    openParams.sampleRate = params.sampleRate;
    openParams.sampleFormat = params.bitsPerSample;
    openParams.bufferCount = kAspBuffers;
    openParams.framesPerBuffer = params.bufferFrames;
    const int bytes = AspBytesPerSample(openParams.sampleFormat);
    const long frames = openParams.framesPerBuffer;
    if (bytes == 0 || frames <= 0)
        return 0;
    const size_t samples = static_cast<size_t>(frames) * 2 * kAspBuffers;
    openParams.sampleBuffers = std::calloc(samples, bytes);
    openParams.floatBuffers = static_cast<float *>(std::calloc(samples, sizeof(float)));
    if (!openParams.sampleBuffers || !openParams.floatBuffers)
        return 0;
    mainWindow = applicationWindow();
    openParams.mainWindow = &mainWindow;
    events = static_cast<HANDLE *>(std::calloc(kEventCount, sizeof(HANDLE)));
    if (!events)
        return 0;
    for (int i = 0; i < kEventCount; ++i)
        if (!(events[i] = CreateEventA(nullptr, FALSE, FALSE, nullptr)))
            return 0;
    openParams.bufferEvents = events + 1;

    char path[kAspPathSize];
    if (params.asp < 0 || params.asp >= SndGetNumASP() || !SndGetASPModuleName(params.asp, path))
        return 0;
    providerModule = LoadLibraryA(path);
    if (!providerModule)
        return 0;
    auto getInterface = reinterpret_cast<GetASPInterfaceProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(providerModule, "GetASPInterface")));
    provider = getInterface ? getInterface() : nullptr;
    if (!provider)
        return 0;
    return provider->Open(&openParams, clientName);
}

void CSoundMngr::DisconnectASP()
{
    if (provider) {
        provider->Release();
        provider = nullptr;
    }
    std::free(openParams.sampleBuffers);
    std::free(openParams.floatBuffers);
    std::free(openParams.framesWanted);
    openParams.sampleBuffers = nullptr;
    openParams.floatBuffers = nullptr;
    openParams.framesWanted = nullptr;
    if (providerModule) {
        FreeLibrary(providerModule);
        providerModule = nullptr;
    }
    if (events) {
        for (int i = 0; i < kEventCount; ++i)
            if (events[i])
                CloseHandle(events[i]);
        std::free(events);
        events = nullptr;
    }
    openParams.bufferEvents = nullptr;
}

void CSoundMngr::StartMessage(int show)
{
    if (!show) {
        if (startWindow)
            DestroyWindow(startWindow);
        startWindow = nullptr;
        return;
    }
    if (startWindow)
        return;
    startWindow =
        CreateDialogParamA(TindrelModule(), MAKEINTRESOURCEA(kStartMessageDialog), nullptr, startProc, 0);
    if (!startWindow)
        return;
    RECT over = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (HWND main = applicationWindow())
        GetWindowRect(main, &over);
    RECT own;
    GetWindowRect(startWindow, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(startWindow, HWND_TOP, (over.left + over.right - width) / 2,
                 (over.top + over.bottom - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(startWindow, SW_SHOWNOACTIVATE);
    UpdateWindow(startWindow);
}

} // namespace Quorvane
