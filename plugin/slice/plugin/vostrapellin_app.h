// The module's application object: its name, its per-user settings location
// and its help file. One instance, set up when the module loads.
#pragma once

#include "plugin/framework/plugin/plugin_module.h"

namespace Quorvane::LoopSlice {

class VostrapellinApp : public PluginApp {
public:
    static constexpr const char *kAppName = "Vostrapellin";
    static constexpr const char *kRegistryKey = "Quorvane\\Vostrapellin";
    static constexpr const char *kDefaultProfile = "3";

    VostrapellinApp() : PluginApp(kAppName, kRegistryKey, kDefaultProfile) {}
};

VostrapellinApp &theApp();

} // namespace Quorvane::LoopSlice
