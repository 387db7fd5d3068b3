// What all fill engines of one loaded module share: the data folders, the
// pattern library, the list of live engines with its lock, the instance
// count and the registry path of the module's settings.
//
// The registry path is "Quorvane\Grindelvosket\3" below
// HKEY_CURRENT_USER\Software. Lock order: the engine-list lock first, then
// an engine's, then the pattern library's; nothing that holds an engine's
// lock takes the list lock.
#pragma once

#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/plugin/drummer_module.h"

#include <string>

namespace Quorvane {

class Grindelvosket;
class PatternTree;

struct FillModuleTraits {
    using Engine = Grindelvosket;
    using Library = PatternTree;
    static constexpr const char *kDefaultRegistryPath = "Quorvane\\Grindelvosket\\3";
    static constexpr const char *kLibraryFolder = "Fills";
    static constexpr bool kTellEnginesFromCopy = false;
};

extern template class DrummerModule<FillModuleTraits>;

struct FillModule : DrummerModule<FillModuleTraits> {
    // Reads a pattern of the library (folder relative to the Fills folder)
    // into track; false when there is none, it is not a valid file, or the
    // names would lead out of the library. Takes no list lock.
    static bool readPattern(const std::string &folder, const std::string &file, CMidiTrack &track);
    // Rescans the library now (tests and the panel's refresh command).
    static void refreshPatternLibrary();
};

} // namespace Quorvane
