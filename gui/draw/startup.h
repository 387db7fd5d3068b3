// The drawing kit's start-up when the library is loaded, and what it gives
// back when the library goes.
#pragma once

#include <windows.h>

namespace Quorvane {

// Reads the colour file beside the program, builds the shared gradients,
// pens, fonts and images (the images from the module's own "GUIIMAGE"
// resources) and publishes the fonts' metrics to the data model. 0 when
// any object cannot be built.
int StartDrawingKit(HMODULE module);

// Gives the data model its own metrics back, so its text layout never reads
// tables of a library that is gone.
void StopDrawingKit();

} // namespace Quorvane
