// Font metrics that text layout reads: line heights and tables of 256 pixel
// widths by byte value, one set each for the fonts of the time line (D),
// lyrics (L), texts (T) and chords (C). The drawing kit points them at its
// fonts' real metrics at start-up; until then they hold defaults, so texts
// measure without it. Tables are indexed by unsigned bytes.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

extern CORVADEL_API long HeightD;
extern CORVADEL_API long HeightL;
extern CORVADEL_API long HeightT;
extern CORVADEL_API long HeightC;

extern CORVADEL_API long *ptabWidthD;
extern CORVADEL_API long *ptabWidthL;
extern CORVADEL_API long *ptabWidthT;
extern CORVADEL_API long *ptabWidthC;

// The width of one byte in a table.
inline long CharWidth(const long *table, char c)
{
    return table[static_cast<unsigned char>(c)];
}

} // namespace Quorvane
