#include "plugin/slice/engine/slice_module.h"

#include "base/registry.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace Quorvane::LoopSlice::SliceModule {

namespace {

constexpr const char *kDefaultRegistryPath = "Quorvane\\Vostrapellin\\3";

struct ModuleState {
    CRITICAL_SECTION engineLock;
    std::vector<Vostrapellin *> live;
    int instances = 0;
    bool foldersBuilt = false;
    std::string folderOverride;
    DataFolders folders;
    std::unique_ptr<PatternTree> library;
    // The library as engines read it without the list lock: made and let go
    // under that lock, and it lives as long as any engine.
    std::atomic<PatternTree *> readable{nullptr};

    ModuleState() { InitializeCriticalSection(&engineLock); }
    ~ModuleState() { DeleteCriticalSection(&engineLock); }
};

ModuleState &state()
{
    static ModuleState instance;
    return instance;
}

std::string withSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

void buildFolders(const std::string &moduleFolder)
{
    DataFolders &f = state().folders;
    f.module = withSeparator(moduleFolder);
    f.patterns = f.module + "Patterns\\";
    f.loops = f.module + "Loops\\";
    f.drumMaps = f.module + "DrumMaps\\";
    f.noteNames = f.module + "NoteNames\\";
    state().foldersBuilt = true;
}

// The library folder as the tree names it: without the trailing backslash.
std::string libraryRoot()
{
    std::string root = state().folders.patterns;
    if (!root.empty())
        root.pop_back();
    return root;
}

// After a disk change, on the window thread: every live engine takes its
// patterns anew. The engines are copied first: each takes its own locks.
void refreshAllEngines()
{
    std::vector<Vostrapellin *> engines;
    {
        EngineListGuard guard;
        engines = state().live;
    }
    for (Vostrapellin *engine : engines)
        engine->libraryChanged();
}

} // namespace

const DataFolders &dataFolders()
{
    ModuleState &s = state();
    if (!s.foldersBuilt)
        buildFolders(s.folderOverride.empty() ? getModuleFolder() : s.folderOverride);
    return s.folders;
}

void setDataFolder(const std::string &folder)
{
    EngineListGuard guard;
    state().folderOverride = folder;
    buildFolders(folder);
    if (state().library)
        state().library->setRoot(libraryRoot());
}

std::string registryPath()
{
    const std::string &root = appRegistryRoot();
    const std::string prefix = "Software\\";
    if (appRegistryInitialised() && root.size() > prefix.size() &&
        root.compare(0, prefix.size(), prefix) == 0)
        return root.substr(prefix.size());
    return kDefaultRegistryPath;
}

void engineConstructed()
{
    EngineListGuard guard;
    if (state().instances++ == 0)
        dataFolders();
}

void engineDestroyed()
{
    std::unique_ptr<PatternTree> library;
    {
        EngineListGuard guard;
        if (state().instances > 0 && --state().instances == 0) {
            state().readable = nullptr;
            library = std::move(state().library);
        }
    }
    // Destroyed outside the list lock: its watcher may be calling back.
}

int instanceCount()
{
    return state().instances;
}

void lockEngines()
{
    EnterCriticalSection(&state().engineLock);
}

void unlockEngines()
{
    LeaveCriticalSection(&state().engineLock);
}

std::vector<Vostrapellin *> &liveEngines()
{
    return state().live;
}

void ensurePatternLibrary()
{
    EngineListGuard guard;
    if (state().library)
        return;
    dataFolders();
    state().library = std::make_unique<PatternTree>();
    state().library->setRoot(libraryRoot());
    state().library->setCallback(refreshAllEngines);
    state().readable = state().library.get();
}

PatternTree *patternLibrary()
{
    return state().readable.load();
}

void refreshPatternLibrary()
{
    if (PatternTree *library = patternLibrary())
        library->refresh();
    refreshAllEngines();
}

} // namespace Quorvane::LoopSlice::SliceModule
