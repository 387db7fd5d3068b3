// The tests' VST 2 plug-ins by name, each held loaded by the test for its
// whole run (so what it saw can still be read after the module let it go).
#pragma once

#include "outside/vst/tests/test_plugin_probe.h"

#include <windows.h>

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

    const std::string path;
    const HMODULE module;

private:
    template <typename Proc> Proc entry(const char *name)
    {
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
};

} // namespace vst_test
