// The plug-in a hosting module hosts, as the engine names it: the path of
// its library, a string of at most MAX_PATH characters.
#pragma once

#include "outside/vst/vst_plugin_host.h"

namespace Quorvane {

// The path into out (MAX_PATH + 1 bytes); false when nothing is hosted.
bool ReportVstSelection(const VstPluginHost &plugin, void *out);
// Opens the plug-in the string names; false when it is missing, of the
// other kind, or refused.
bool SelectVstPlugin(VstPluginHost &plugin, const void *data, bool instrument);

} // namespace Quorvane
