// The 41 shared colours by name, in the order the colour file is searched.
#pragma once

#include "gui/draw/draw_types.h"

namespace Quorvane {

struct NamedColour {
    const char *name;
    RGBACOLOR *colour;
};

constexpr int kNamedColourCount = 41;
extern const NamedColour kNamedColours[kNamedColourCount];

} // namespace Quorvane
