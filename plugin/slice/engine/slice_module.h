// What all loop-slice engines of one loaded module share: the data folders,
// the pattern library, the list of live engines with its lock, the instance
// count and the registry path of the module's settings.
#pragma once

#include <string>
#include <vector>

namespace Quorvane {
class PatternTree;
}

namespace Quorvane::LoopSlice {

class Vostrapellin;

namespace SliceModule {

struct DataFolders {
    std::string module; // ends with a backslash
    std::string patterns;
    std::string loops;
    std::string drumMaps;
    std::string noteNames;
};

// Built from the module's folder by the first engine constructed, unless a
// folder was set.
const DataFolders &dataFolders();
// Roots the data folders (and the pattern library) in another folder; for
// tests.
void setDataFolder(const std::string &folder);

// "Quorvane\Vostrapellin\<profile>" below HKEY_CURRENT_USER\Software, or
// the root the module's registry settings were given.
std::string registryPath();

// Instance count; the first engine builds the folders, the last one lets
// the pattern library go.
void engineConstructed();
void engineDestroyed();
int instanceCount();

// The engine-list lock (recursive) and the attached engines in attach
// order. Lock order: this lock first, then an engine's pad lock, then a
// slice's lock; the pattern library's lock is taken on its own.
void lockEngines();
void unlockEngines();
std::vector<Vostrapellin *> &liveEngines();

class EngineListGuard {
public:
    EngineListGuard() { lockEngines(); }
    ~EngineListGuard() { unlockEngines(); }
    EngineListGuard(const EngineListGuard &) = delete;
    EngineListGuard &operator=(const EngineListGuard &) = delete;
};

// The shared pattern library of the "Patterns" folder; made by the first
// engine that attaches, on its thread, which must pump messages for the
// library to follow the disk.
void ensurePatternLibrary();
// The library, or null before the first engine attached.
PatternTree *patternLibrary();
// Rescans the library now and lets every live engine know.
void refreshPatternLibrary();

} // namespace SliceModule
} // namespace Quorvane::LoopSlice
