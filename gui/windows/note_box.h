// A note as the piano-roll windows draw it: a box filled with the note's
// colour, lit on its left and top edges and shaded on its right and bottom
// ones. Edges that do not fit a narrow note are left out.
#pragma once

#include "gui/draw/draw_types.h"

namespace Quorvane {

class CGUIContext;

// q with its right and bottom edges inclusive; a box narrower than a pixel
// is drawn one pixel wide. lit and shade are shared pens.
void DrawNoteBox(CGUIContext *ctx, QUAD q, const RGBACOLOR *fill, long lit = 0, long shade = 1);

} // namespace Quorvane
