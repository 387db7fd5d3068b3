#include "gui/draw/shared_objects.h"

#include "gui/draw/named_colours.h"

namespace Quorvane {

CGUIFont sharedFont;
CGUIPen sharedPen;
CGUIImage sharedImage;
CGUIGradient sharedGradient;

FONTPARAMS DefFontParams(13, 500, nullptr);
FONTPARAMS LittleFontParams(10, 500, nullptr);
FONTPARAMS TextFontParams(16, 800, nullptr);
FONTPARAMS ChNtFontParams(18, 500, nullptr);

#define PANNIKEL_COLOUR(name, r, g, b, a) RGBACOLOR name(r, g, b, a);
#include "gui/draw/colour_list.h"
#undef PANNIKEL_COLOUR

const NamedColour kNamedColours[kNamedColourCount] = {
#define PANNIKEL_COLOUR(name, r, g, b, a) {#name, &name},
#include "gui/draw/colour_list.h"
#undef PANNIKEL_COLOUR
};

} // namespace Quorvane
