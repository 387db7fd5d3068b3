// The event the engine emits for a processing window that has nothing else
// to play, as the engine's and the plug-in's tests recognise it.
#pragma once

#include "plugin/framework/mfx/mfx_event.h"

#include <vector>

namespace engine_test {

inline bool isMarker(const MfxEvent &event)
{
    return event.kind == MfxKeyAftertouch && event.note == 0 && event.velocity == 0;
}

// Emitted events other than the empty-window marker.
inline std::vector<MfxEvent> withoutMarkers(const std::vector<MfxEvent> &events)
{
    std::vector<MfxEvent> kept;
    for (const MfxEvent &e : events)
        if (!isMarker(e))
            kept.push_back(e);
    return kept;
}

} // namespace engine_test
