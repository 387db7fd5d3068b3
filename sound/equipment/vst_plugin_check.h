// Opening one library as a VST 2 plug-in to learn what it is.
#pragma once

#include "sound/equipment/vst_lists.h"

#include <cstdint>
#include <string>

namespace Quorvane {

struct VstPluginCheck {
    uint32_t verdict = VST_NOT_PLUGIN;
    int32_t flags = 0;
    int32_t inputs = 0;
    int32_t outputs = 0;
};

// Whether the library exports the VST entry; it is mapped without running
// any of its code.
bool HasVstEntry(const std::string &path);

// Loads the library, opens its plug-in through the entry with the scan's
// host, asks whether it is the bridge's own plug-in, closes it and frees the
// library. A plug-in that crashes or throws is VST_CRUSHED; its library is
// freed only when its frames were unwound.
VstPluginCheck CheckVstPlugin(const std::string &path);

// Whether a checked plug-in is of the kind being listed (ENUM_OUT_VST:
// instruments; ENUM_AEFFECT_VST: effects with at least two inputs and two
// outputs).
bool IsWantedVstPlugin(const VstPluginCheck &check, long kind);

} // namespace Quorvane
