#include "plugin/fill/engine/fill_module.h"

#include "base/registry.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/library/pattern_path.h"
#include "plugin/fill/library/pattern_tree.h"

#include <atomic>
#include <memory>

#include <windows.h>

namespace Quorvane::FillModule {

namespace {

constexpr const char *kDefaultRegistryPath = "Quorvane\\Grindelvosket\\3";

struct ModuleState {
    CRITICAL_SECTION engineLock;
    std::vector<Grindelvosket *> live;
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
    f.fills = f.module + "Fills\\";
    f.loops = f.module + "Loops\\";
    f.drumMaps = f.module + "DrumMaps\\";
    f.noteNames = f.module + "NoteNames\\";
    state().foldersBuilt = true;
}

// The library folder as the tree names it: without the trailing backslash.
std::string libraryRoot()
{
    std::string root = state().folders.fills;
    if (!root.empty())
        root.pop_back();
    return root;
}

// After a disk change: every live engine reads its pads' patterns again and
// redraws its views.
void refreshAllEngines()
{
    EngineListGuard guard;
    for (Grindelvosket *engine : state().live)
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
    EngineListGuard guard;
    if (state().instances > 0 && --state().instances == 0) {
        state().readable = nullptr;
        state().library.reset();
    }
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

std::vector<Grindelvosket *> &liveEngines()
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

bool hasPatternLibrary()
{
    return state().library != nullptr;
}

PatternTree *patternLibrary()
{
    return state().library.get();
}

bool readPattern(const std::string &folder, const std::string &file, CMidiTrack &track)
{
    // Stored names are never trusted to stay inside the library, with a
    // library or without one.
    if (!isSafePatternPath(folder, file))
        return false;
    // No list lock here: engines read under their own lock, which comes
    // after the list lock.
    if (PatternTree *library = state().readable.load())
        return library->readPattern(folder, file, track);
    std::string path = dataFolders().fills;
    if (!folder.empty())
        path += withSeparator(folder);
    path += file;
    return track.loadSmfFile(path) == 0;
}

void refreshPatternLibrary()
{
    EngineListGuard guard;
    if (state().library)
        state().library->refresh();
}

} // namespace Quorvane::FillModule
