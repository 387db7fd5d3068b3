// The tests' VST 2 plug-ins by name, each held loaded by the test for its
// whole run (so what it saw can still be read after the module let it go),
// and taking a thread's messages while a test waits.
#pragma once

#include "outside/vst/tests/test_plugin_probe.h"

#include <windows.h>

#include <functional>
#include <string>

namespace vst_test {

// The folder of the test program, with a trailing backslash.
inline std::string testsFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// "stereo", "mono", "quad", "crash" or "effect".
inline std::string pluginPath(const std::string &name)
{
    return testsFolder() + "test_vst\\TembriTestVst_" + name + ".dll";
}

// The scan's fixtures: "crash" and "throw" fail in their open.
inline std::string scanFixture(const std::string &name)
{
    return testsFolder() + "vst_fixtures\\" + name + ".dll";
}

// Takes the thread's messages until done() or the bound (milliseconds).
inline void takeMessagesUntil(const std::function<bool()> &done, DWORD bound = 10000)
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < bound) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Takes the thread's messages for a while, for what must not come.
inline void takeMessagesFor(DWORD milliseconds)
{
    takeMessagesUntil([] { return false; }, milliseconds);
}

class HeldPlugin {
public:
    explicit HeldPlugin(const std::string &name) : path(pluginPath(name)), module(LoadLibraryA(path.c_str()))
    {
        reset();
    }
    ~HeldPlugin()
    {
        if (module)
            FreeLibrary(module);
    }
    HeldPlugin(const HeldPlugin &) = delete;
    HeldPlugin &operator=(const HeldPlugin &) = delete;

    TEST_VST_PROBE &probe() { return *entry<TestVstProbeProc>("TestVstProbe")(); }
    // What it saw and its parameters back to those of a fresh load.
    void reset()
    {
        if (module)
            entry<TestVstResetProc>("TestVstReset")();
    }

    // Its next parameter set holds its thread up (see the plug-in).
    void holdUpParameters(HANDLE entered, HANDLE release)
    {
        entry<TestVstHoldUpParametersProc>("TestVstHoldUpParameters")(entered, release);
    }
    const vst2::TimeInfo *askTime() { return entry<TestVstAskTimeProc>("TestVstAskTime")(); }

    const std::string path;
    const HMODULE module;

private:
    template <typename Proc> Proc entry(const char *name)
    {
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
};

} // namespace vst_test
