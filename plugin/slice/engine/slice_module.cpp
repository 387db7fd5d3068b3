#include "plugin/slice/engine/slice_module.h"

#include "plugin/fill/library/pattern_tree.h"
#include "plugin/framework/plugin/drummer_module_impl.h"
#include "plugin/slice/engine/vostrapellin.h"

namespace Quorvane {
template class DrummerModule<LoopSlice::SliceModuleTraits>;
}

namespace Quorvane::LoopSlice {

void SliceModule::refreshPatternLibrary()
{
    if (PatternTree *library = patternLibrary())
        library->refresh();
    refreshAllEngines();
}

} // namespace Quorvane::LoopSlice
