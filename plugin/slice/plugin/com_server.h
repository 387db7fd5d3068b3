// What the module's COM entry points do, apart from the exports themselves,
// so that a test can run them against any registry root.
#pragma once

#include "plugin/framework/plugin/plugin_module.h"

namespace Quorvane::LoopSlice {

struct VostrapellinServerTraits {
    // Descriptions written as the classes' default values.
    static constexpr const char *kDrummerDescription = "Quorvane Vostrapellin";
    static constexpr const char *kPageDescription = "Quorvane Vostrapellin Property Page";

    static const DrummerClasses &classes();
    static com::ObjectFactory *makeDrummerFactory();
};

struct VostrapellinServer : DrummerServerOf<VostrapellinServerTraits> {};

} // namespace Quorvane::LoopSlice
