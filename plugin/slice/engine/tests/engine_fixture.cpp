#include "plugin/slice/engine/tests/engine_fixture.h"

#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/slice/content/starter_loops.h"
#include "plugin/slice/engine/slice_module.h"

#include <windows.h>

namespace slice_test {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;

EngineSandbox::EngineSandbox(bool starter)
{
    initAppRegistry(registry_.product().c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
    CreateDirectoryA(patternsFolder().c_str(), nullptr);
    if (starter) {
        std::string error;
        EXPECT_TRUE(StarterLoops::writeStarterLibrary(patternsFolder(), &error)) << error;
    }
    SliceModule::setDataFolder(folder_.path());
}

EngineSandbox::~EngineSandbox() = default;

void EngineSandbox::setProfile(const char *section, const char *name, DWORD value) const
{
    HKEY key = nullptr;
    const std::string path = "Software\\" + registryPath() + "\\" + section;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(key);
}

bool TestEngine::said(const std::string &label) const
{
    for (const std::string &l : labels)
        if (l == label)
            return true;
    return false;
}

std::string stateOf(Vostrapellin &engine)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_TRUE(engine.saveState(out));
    return bytes;
}

std::string loopOf(Vostrapellin &engine)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_TRUE(engine.SaveLoop(out, false));
    return bytes;
}

bool loadStateBytes(Vostrapellin &engine, const std::string &bytes)
{
    std::string copy = bytes;
    stringStream in(copy);
    return engine.loadState(in);
}

bool loadLoopBytes(Vostrapellin &engine, const std::string &bytes)
{
    std::string copy = bytes;
    stringStream in(copy);
    return engine.LoadLoop(in, true);
}

std::vector<std::string> filesOf(const Vostrapellin &engine)
{
    std::vector<std::string> files;
    for (int i = 0; i < kSliceCount; ++i)
        files.push_back(engine.slice(i).content()->file);
    return files;
}

} // namespace slice_test
