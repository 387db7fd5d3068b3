#include "outside/halvorinapp/halvorin_app.h"

#include "data/io_params.h"
#include "outside/halvorinapp/bridge_switch.h"
#include "outside/halvorinapp/instance_link.h"
#include "sound/asp_registry.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace Quorvane {

namespace {

// Messages of the callback window: a channel arrived (wParam), the bridge
// let go.
constexpr UINT kChannelArrived = WM_APP + 1;
constexpr UINT kBridgeLetGo = WM_APP + 2;
// How long a second process waits for the running instance to take its
// channel before it runs itself.
constexpr DWORD kHandOverWait = 3000;

// The bridge provider's answer to a program that wants one of its channels:
// it lets go of whatever program holds the channel and reports the host's
// rate and the nearest block size.
using CanConnectProc = int (*)(int channel, int *sampleRate, int *blockSize);

HMODULE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

} // namespace

struct CHalvorinApp::State {
    explicit State(const char *name) : title(name ? name : ""), link(title)
    {
        InitializeCriticalSection(&section);
    }
    ~State() { DeleteCriticalSection(&section); }

    void startWatcher();
    void stopWatcher();
    static DWORD WINAPI watch(void *state);
    // From the watcher: to the callback window, or kept until there is one.
    void deliver(UINT message, long value);
    void createWindow();
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::string title;
    InstanceLink link;
    std::atomic<long> channel{-1};
    HANDLE releaseEvent = nullptr;
    HANDLE stopEvent = nullptr;
    HANDLE watcher = nullptr;

    // Guards the window handle and what waits for it.
    CRITICAL_SECTION section;
    HWND window = nullptr;
    long pendingChannel = -1;
    bool pendingRelease = false;
    // Touched only on the thread of the window.
    BridgeParamsChangedProc changed = nullptr;
    BridgeReleasedProc released = nullptr;
    ULONG_PTR user = 0;
};

void CHalvorinApp::State::startWatcher()
{
    if (watcher)
        return;
    // The bridge creates, sets and closes this event; holding it open keeps
    // the setting until the watcher has seen it.
    releaseEvent = CreateEventA(nullptr, TRUE, FALSE, (title + "_DCNT").c_str());
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (releaseEvent && stopEvent)
        watcher = CreateThread(nullptr, 0, &State::watch, this, 0, nullptr);
}

void CHalvorinApp::State::stopWatcher()
{
    if (watcher) {
        SetEvent(stopEvent);
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
        watcher = nullptr;
    }
    if (stopEvent)
        CloseHandle(stopEvent);
    if (releaseEvent)
        CloseHandle(releaseEvent);
    stopEvent = releaseEvent = nullptr;
}

DWORD WINAPI CHalvorinApp::State::watch(void *argument)
{
    auto *self = static_cast<State *>(argument);
    HANDLE handles[3] = {self->stopEvent, self->releaseEvent, self->link.handOverEvent()};
    const DWORD count = handles[2] ? 3 : 2;
    for (;;) {
        const DWORD which = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0 + 1) {
            ResetEvent(self->releaseEvent);
            // Only a program that streams for the bridge has anything to
            // let go of.
            if (self->channel.exchange(-1) >= 0) {
                self->link.setAttached(false);
                self->deliver(kBridgeLetGo, 0);
            }
        } else if (which == WAIT_OBJECT_0 + 2) {
            const long handed = self->link.takeChannel();
            if (handed >= 0 && handed < kBridgeChannels) {
                self->channel = handed;
                self->link.setAttached(true);
                self->deliver(kChannelArrived, handed);
            }
        } else {
            return 0;
        }
    }
}

void CHalvorinApp::State::deliver(UINT message, long value)
{
    EnterCriticalSection(&section);
    if (window) {
        PostMessageA(window, message, static_cast<WPARAM>(value), 0);
    } else if (message == kChannelArrived) {
        pendingChannel = value;
        pendingRelease = false;
    } else if (pendingChannel >= 0) {
        // Arrived and gone before anyone heard of it.
        pendingChannel = -1;
    } else {
        pendingRelease = true;
    }
    LeaveCriticalSection(&section);
}

void CHalvorinApp::State::createWindow()
{
    static const char kClass[] = "Quorvane.HalvorinApp.Callbacks";
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &State::windowProc;
    windowClass.hInstance = thisModule();
    windowClass.lpszClassName = kClass;
    RegisterClassExA(&windowClass); // fails harmlessly once registered
    window = CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, thisModule(), nullptr);
    if (window)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK CHalvorinApp::State::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<State *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message == kChannelArrived) {
        if (self->changed)
            self->changed(self->user, static_cast<long>(wParam));
        return 0;
    }
    if (self && message == kBridgeLetGo) {
        if (self->released)
            self->released(self->user);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

CHalvorinApp::CHalvorinApp(const char *title) : state(new State(title)) {}

CHalvorinApp::~CHalvorinApp()
{
    state->stopWatcher();
    if (state->window)
        DestroyWindow(state->window);
    delete state;
}

int CHalvorinApp::LaunchApp(const char *commandLine)
{
    const long channel = ParseBridgeChannel(commandLine);
    if (!state->link.becomeRunningInstance() && channel >= 0 && state->link.handOver(channel, kHandOverWait))
        return 0;
    if (channel >= 0) {
        state->channel = channel;
        state->link.setAttached(true);
    }
    state->startWatcher();
    return 1;
}

int CHalvorinApp::CheckIOParams(IOPARAMS *params, long channel)
{
    if (channel < 0)
        channel = state->channel;
    if (!params || channel < 0 || channel >= kBridgeChannels)
        return 0;
    long index = 0;
    char path[kAspPathSize] = {};
    if (!SndGetASPHalvorin(index, path))
        return 0;
    params->asp = index;
    params->aspPort = channel;
    // The bridge carries 32-bit float frames.
    params->bitsPerSample = kFloatSamples;
    if (HMODULE provider = LoadLibraryA(path)) {
        auto canConnect = reinterpret_cast<CanConnectProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(provider, "ASPHalvorinCanConnect")));
        int sampleRate = 0;
        int blockSize = 0;
        if (canConnect && canConnect(static_cast<int>(channel), &sampleRate, &blockSize)) {
            if (sampleRate > 0)
                params->sampleRate = sampleRate;
            if (blockSize > 0)
                params->bufferFrames = blockSize;
        }
        FreeLibrary(provider);
    }
    return 1;
}

void CHalvorinApp::SetCallback(BridgeParamsChangedProc changed, BridgeReleasedProc released, ULONG_PTR user)
{
    state->changed = changed;
    state->released = released;
    state->user = user;
    EnterCriticalSection(&state->section);
    if (changed || released) {
        if (!state->window)
            state->createWindow();
        if (state->window && state->pendingChannel >= 0)
            PostMessageA(state->window, kChannelArrived, static_cast<WPARAM>(state->pendingChannel), 0);
        if (state->window && state->pendingRelease)
            PostMessageA(state->window, kBridgeLetGo, 0, 0);
        if (state->window) {
            state->pendingChannel = -1;
            state->pendingRelease = false;
        }
        LeaveCriticalSection(&state->section);
        return;
    }
    if (state->window) {
        DestroyWindow(state->window);
        state->window = nullptr;
    }
    LeaveCriticalSection(&state->section);
    // The program is closing: no channel is taken from now on, so a
    // process the bridge starts meanwhile runs itself.
    state->stopWatcher();
    state->link.retire();
}

int CHalvorinApp::IsAttached() const
{
    return state->channel >= 0 ? 1 : 0;
}

long CHalvorinApp::GetChannel() const
{
    return state->channel;
}

} // namespace Quorvane
