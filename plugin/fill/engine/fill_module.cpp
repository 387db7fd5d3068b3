#include "plugin/fill/engine/fill_module.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/library/pattern_path.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/framework/plugin/drummer_module_impl.h"

namespace Quorvane {

template class DrummerModule<FillModuleTraits>;

bool FillModule::readPattern(const std::string &folder, const std::string &file, CMidiTrack &track)
{
    // Stored names are never trusted to stay inside the library, with a
    // library or without one.
    if (!isSafePatternPath(folder, file))
        return false;
    // No list lock here: engines read under their own lock, which comes
    // after the list lock.
    if (PatternTree *library = patternLibrary())
        return library->readPattern(folder, file, track);
    std::string path = dataFolders().library;
    if (!folder.empty())
        path += withSeparator(folder);
    path += file;
    return track.loadSmfFile(path) == 0;
}

void FillModule::refreshPatternLibrary()
{
    // Under the list lock: the last engine takes the library away under it
    // (and destroys it only after leaving it), so the library outlives this
    // refresh.
    EngineListGuard guard;
    if (PatternTree *library = patternLibrary())
        library->refresh();
}

} // namespace Quorvane
