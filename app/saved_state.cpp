#include "app/saved_state.h"

#include <algorithm>
#include <cstring>

namespace Quorvane {

bool ReadSavedState(const void *data, size_t size, SavedPartsState &out)
{
    if (!data || size != sizeof(SavedPartsState))
        return false;
    SavedPartsState state;
    std::memcpy(&state, data, sizeof(state));
    if (state.magic != kSavedStateMagic)
        return false;
    state.currentPart = std::clamp(state.currentPart, 0, kParts - 1);
    state.frontEditor = std::clamp(state.frontEditor, 0, kEditorWindows - 1);
    // Lengths outside the measures the window offers would give a loop it
    // cannot show or none at all.
    for (int32_t &length : state.partLengths)
        length = std::clamp(length, 1, 8);
    state.loop = state.loop ? 1 : 0;
    for (int32_t &docked : state.docked)
        docked = docked ? 1 : 0;
    out = state;
    return true;
}

} // namespace Quorvane
