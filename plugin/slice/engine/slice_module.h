// What all loop-slice engines of one loaded module share: the data folders,
// the pattern library of the "Patterns" folder, the list of live engines
// with its lock, the instance count and the registry path of the module's
// settings.
//
// The registry path is "Quorvane\Vostrapellin\<profile>" below
// HKEY_CURRENT_USER\Software. The live engines are the attached ones, in
// attach order. Lock order: the engine-list lock first, then an engine's pad
// lock, then a slice's lock; the pattern library's lock is taken on its own,
// so engines hear of a library change from a copy of the list. The library
// is made by the first engine that attaches, on its thread, which must pump
// messages for the library to follow the disk.
#pragma once

#include "plugin/framework/plugin/drummer_module.h"

namespace Quorvane {
class PatternTree;
}

namespace Quorvane::LoopSlice {

class Vostrapellin;

struct SliceModuleTraits {
    using Engine = Vostrapellin;
    using Library = PatternTree;
    static constexpr const char *kDefaultRegistryPath = "Quorvane\\Vostrapellin\\3";
    static constexpr const char *kLibraryFolder = "Patterns";
    static constexpr bool kTellEnginesFromCopy = true;
};

} // namespace Quorvane::LoopSlice

namespace Quorvane {
extern template class DrummerModule<LoopSlice::SliceModuleTraits>;
}

namespace Quorvane::LoopSlice {

struct SliceModule : DrummerModule<SliceModuleTraits> {
    // Rescans the library now and lets every live engine know.
    static void refreshPatternLibrary();
};

} // namespace Quorvane::LoopSlice
