// The module's application object: its name, its per-user settings location
// and its help file. One instance, set up when the module loads.
#pragma once

#include "plugin/framework/plugin/plugin_module.h"

namespace Quorvane {

class GrindelvosketApp : public PluginApp {
public:
    static constexpr const char *kAppName = "Grindelvosket";
    static constexpr const char *kRegistryKey = "Quorvane\\Grindelvosket";
    static constexpr const char *kDefaultProfile = "3";

    GrindelvosketApp() : PluginApp(kAppName, kRegistryKey, kDefaultProfile) {}
};

GrindelvosketApp &theApp();

} // namespace Quorvane
