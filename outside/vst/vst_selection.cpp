#include "outside/vst/vst_selection.h"

#include <cstring>

namespace Quorvane {

bool ReportVstSelection(const VstPluginHost &plugin, void *out)
{
    if (!out || !plugin.IsOpen() || plugin.Path().size() > MAX_PATH)
        return false;
    std::memcpy(out, plugin.Path().c_str(), plugin.Path().size() + 1);
    return true;
}

bool SelectVstPlugin(VstPluginHost &plugin, const void *data, bool instrument)
{
    if (!data)
        return false;
    const char *text = static_cast<const char *>(data);
    const size_t length = strnlen(text, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return false;
    return plugin.Open(std::string(text, length), instrument);
}

} // namespace Quorvane
