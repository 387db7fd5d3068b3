// What the module's COM entry points do, apart from the exports themselves,
// so that a test can run them against any registry root.
#pragma once

#include "plugin/framework/plugin/plugin_module.h"

namespace Quorvane {

struct GrindelvosketServerTraits {
    // Descriptions written as the classes' default values.
    static constexpr const char *kDrummerDescription = "Quorvane Grindelvosket";
    static constexpr const char *kPageDescription = "Quorvane Grindelvosket Property Page";

    static const DrummerClasses &classes();
    static com::ObjectFactory *makeDrummerFactory();
};

struct GrindelvosketServer : DrummerServerOf<GrindelvosketServerTraits> {};

} // namespace Quorvane
