// What all fill engines of one loaded module share: the data folders, the
// pattern library, the list of live engines with its lock, the instance
// count and the registry path of the module's settings.
#pragma once

#include "plugin/framework/midi/midi_track.h"

#include <string>
#include <vector>

namespace Quorvane {

class Grindelvosket;
class PatternTree;

namespace FillModule {

struct DataFolders {
    std::string module; // ends with a backslash
    std::string fills;
    std::string loops;
    std::string drumMaps;
    std::string noteNames;
};

// Built from the module's folder by the first engine constructed, unless a
// folder was set.
const DataFolders &dataFolders();
// Roots the data folders (and the pattern library) in another folder; for
// hosts that keep the data elsewhere, and for tests.
void setDataFolder(const std::string &folder);

// "Quorvane\Grindelvosket\3" below HKEY_CURRENT_USER\Software, or the root
// the module's registry settings were given.
std::string registryPath();

// Instance count; the first engine builds the folders, the last one lets
// the pattern library go.
void engineConstructed();
void engineDestroyed();
int instanceCount();

// The engine-list lock (recursive) and the live engines in connection order.
// Lock order: this lock first, then an engine's, then the pattern library's;
// nothing that holds an engine's lock takes this one.
void lockEngines();
void unlockEngines();
std::vector<Grindelvosket *> &liveEngines();

class EngineListGuard {
public:
    EngineListGuard() { lockEngines(); }
    ~EngineListGuard() { unlockEngines(); }
    EngineListGuard(const EngineListGuard &) = delete;
    EngineListGuard &operator=(const EngineListGuard &) = delete;
};

// The shared pattern library; made by the first engine that connects.
void ensurePatternLibrary();
bool hasPatternLibrary();
// The library, or null before the first engine connected.
PatternTree *patternLibrary();
// Reads a pattern of the library (folder relative to the Fills folder) into
// track; false when there is none, it is not a valid file, or the names
// would lead out of the library. Takes no list lock.
bool readPattern(const std::string &folder, const std::string &file, CMidiTrack &track);
// Rescans the library now (tests and the panel's refresh command).
void refreshPatternLibrary();

} // namespace FillModule
} // namespace Quorvane
