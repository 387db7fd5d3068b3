// Drawings the editor windows and the program share: a two-channel level
// meter and a chord symbol.
#pragma once

#include "gui/pannikel_api.h"

namespace Quorvane {

class CGUIContext;

// Two bars of width pixels at y and y + 6, each 4 high, with an overload
// box 4 wide beside each, 2 pixels after the bar.
struct PANNIKEL_API SONGTRACT_DRAWLEVEL {
    long x;
    long y;
    long width;
    float level[2];   // 0..1 of the width
    long overload[2]; // nonzero lights the box
};

// A level above 0 lights at least one pixel; a level of 1 or more the whole
// bar.
PANNIKEL_API void DrawLevel(CGUIContext *ctx, const SONGTRACT_DRAWLEVEL *rec);

// chord: root in the low 16 bits (1..12, 0 a pause drawn as "P"), chord
// type in the high 16 bits. big: the root letter in the chord font, else
// in the default font on the same line. The accidental and the suffix
// follow in the small font.
PANNIKEL_API void DrawChord(CGUIContext *ctx, long chord, long x, long y, long key, int big);

} // namespace Quorvane
