// What all engines of one loaded drummer module share: the data folders, the
// pattern library, the list of live engines with its lock, the instance
// count and the registry path of the module's settings. Each drummer names
// its engine, its library, its folders and its registry path in a traits
// type and instantiates the module once (drummer_module_impl.h).
#pragma once

#include <string>
#include <vector>

namespace Quorvane {

// The traits a drummer gives:
//   Engine, Library: its engine and pattern library types;
//   kDefaultRegistryPath: below HKEY_CURRENT_USER\Software;
//   kLibraryFolder: the library's folder in the module's folder;
//   kTellEnginesFromCopy: whether engines hear of a library change from a
//     copy of the list, outside the list lock (when an engine's handling
//     takes locks that may not come after it), or under the list lock.
template <class Traits> class DrummerModule {
public:
    using Engine = typename Traits::Engine;
    using Library = typename Traits::Library;

    struct DataFolders {
        std::string module; // ends with a backslash
        std::string library;
        std::string loops;
        std::string drumMaps;
        std::string noteNames;
    };

    // Built from the module's folder by the first engine constructed, unless
    // a folder was set.
    static const DataFolders &dataFolders();
    // Roots the data folders (and the pattern library) in another folder.
    static void setDataFolder(const std::string &folder);

    // The default path below HKEY_CURRENT_USER\Software, or the root the
    // module's registry settings were given.
    static std::string registryPath();

    // Instance count; the first engine builds the folders, the last one lets
    // the pattern library go.
    static void engineConstructed();
    static void engineDestroyed();
    static int instanceCount();

    // The engine-list lock (recursive) and the live engines in the order
    // they came.
    static void lockEngines();
    static void unlockEngines();
    static std::vector<Engine *> &liveEngines();

    class EngineListGuard {
    public:
        EngineListGuard() { lockEngines(); }
        ~EngineListGuard() { unlockEngines(); }
        EngineListGuard(const EngineListGuard &) = delete;
        EngineListGuard &operator=(const EngineListGuard &) = delete;
    };

    // The shared pattern library; made by the first engine that connects.
    static void ensurePatternLibrary();
    static bool hasPatternLibrary();
    // The library, or null before the first engine connected; engines read
    // it without the list lock.
    static Library *patternLibrary();
    // Every live engine takes its patterns anew (the library's change
    // callback).
    static void refreshAllEngines();

    // folder with a trailing separator (none added to an empty one).
    static std::string withSeparator(std::string folder);
};

} // namespace Quorvane
