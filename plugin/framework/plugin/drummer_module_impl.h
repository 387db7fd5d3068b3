// The drummer module's state and rules; included once per drummer, by the
// file that instantiates its module.
#pragma once

#include "base/registry.h"
#include "plugin/framework/plugin/drummer_module.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace Quorvane {

template <class Traits> struct DrummerModuleState {
    using Module = DrummerModule<Traits>;
    CRITICAL_SECTION engineLock;
    std::vector<typename Module::Engine *> live;
    int instances = 0;
    bool foldersBuilt = false;
    std::string folderOverride;
    typename Module::DataFolders folders;
    std::unique_ptr<typename Module::Library> library;
    // The library as engines read it without the list lock: made and taken
    // away under that lock (and destroyed after it), and it lives as long as
    // any engine.
    std::atomic<typename Module::Library *> readable{nullptr};

    DrummerModuleState() { InitializeCriticalSection(&engineLock); }
    ~DrummerModuleState() { DeleteCriticalSection(&engineLock); }

    static DrummerModuleState &get()
    {
        static DrummerModuleState instance;
        return instance;
    }

    void buildFolders(const std::string &moduleFolder)
    {
        folders.module = Module::withSeparator(moduleFolder);
        folders.library = folders.module + Traits::kLibraryFolder + "\\";
        folders.loops = folders.module + "Loops\\";
        folders.drumMaps = folders.module + "DrumMaps\\";
        folders.noteNames = folders.module + "NoteNames\\";
        foldersBuilt = true;
    }

    // The library folder as the tree names it: without the trailing
    // backslash.
    std::string libraryRoot() const
    {
        std::string root = folders.library;
        if (!root.empty())
            root.pop_back();
        return root;
    }
};

template <class Traits> std::string DrummerModule<Traits>::withSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

template <class Traits>
const typename DrummerModule<Traits>::DataFolders &DrummerModule<Traits>::dataFolders()
{
    auto &s = DrummerModuleState<Traits>::get();
    if (!s.foldersBuilt)
        s.buildFolders(s.folderOverride.empty() ? getModuleFolder() : s.folderOverride);
    return s.folders;
}

template <class Traits> void DrummerModule<Traits>::setDataFolder(const std::string &folder)
{
    EngineListGuard guard;
    auto &s = DrummerModuleState<Traits>::get();
    s.folderOverride = folder;
    s.buildFolders(folder);
    if (s.library)
        s.library->setRoot(s.libraryRoot());
}

template <class Traits> std::string DrummerModule<Traits>::registryPath()
{
    const std::string &root = appRegistryRoot();
    const std::string prefix = "Software\\";
    if (appRegistryInitialised() && root.size() > prefix.size() &&
        root.compare(0, prefix.size(), prefix) == 0)
        return root.substr(prefix.size());
    return Traits::kDefaultRegistryPath;
}

template <class Traits> void DrummerModule<Traits>::engineConstructed()
{
    EngineListGuard guard;
    if (DrummerModuleState<Traits>::get().instances++ == 0)
        dataFolders();
}

template <class Traits> void DrummerModule<Traits>::engineDestroyed()
{
    auto &s = DrummerModuleState<Traits>::get();
    std::unique_ptr<Library> library;
    {
        EngineListGuard guard;
        if (s.instances > 0 && --s.instances == 0) {
            s.readable = nullptr;
            library = std::move(s.library);
        }
    }
    // Destroyed outside the list lock: its watcher may be calling back.
}

template <class Traits> int DrummerModule<Traits>::instanceCount()
{
    return DrummerModuleState<Traits>::get().instances;
}

template <class Traits> void DrummerModule<Traits>::lockEngines()
{
    EnterCriticalSection(&DrummerModuleState<Traits>::get().engineLock);
}

template <class Traits> void DrummerModule<Traits>::unlockEngines()
{
    LeaveCriticalSection(&DrummerModuleState<Traits>::get().engineLock);
}

template <class Traits>
std::vector<typename DrummerModule<Traits>::Engine *> &DrummerModule<Traits>::liveEngines()
{
    return DrummerModuleState<Traits>::get().live;
}

template <class Traits> void DrummerModule<Traits>::refreshAllEngines()
{
    auto &s = DrummerModuleState<Traits>::get();
    if constexpr (Traits::kTellEnginesFromCopy) {
        std::vector<Engine *> engines;
        {
            EngineListGuard guard;
            engines = s.live;
        }
        for (Engine *engine : engines)
            engine->libraryChanged();
    } else {
        EngineListGuard guard;
        for (Engine *engine : s.live)
            engine->libraryChanged();
    }
}

template <class Traits> void DrummerModule<Traits>::ensurePatternLibrary()
{
    EngineListGuard guard;
    auto &s = DrummerModuleState<Traits>::get();
    if (s.library)
        return;
    dataFolders();
    s.library = std::make_unique<Library>();
    s.library->setRoot(s.libraryRoot());
    s.library->setCallback(refreshAllEngines);
    s.readable = s.library.get();
}

template <class Traits> bool DrummerModule<Traits>::hasPatternLibrary()
{
    return DrummerModuleState<Traits>::get().readable.load() != nullptr;
}

template <class Traits> typename DrummerModule<Traits>::Library *DrummerModule<Traits>::patternLibrary()
{
    return DrummerModuleState<Traits>::get().readable.load();
}

} // namespace Quorvane
