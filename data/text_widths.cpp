#include "data/text_widths.h"

#include <array>
#include <cstring>

namespace Quorvane {

namespace {

// A plain proportional face of about eight points: narrow punctuation and
// thin letters, wide m and w, and the node divider (byte 1) as wide as a
// cursor. Other control bytes take no room.
constexpr std::array<long, 256> defaultWidths()
{
    std::array<long, 256> widths{};
    widths[1] = 2;
    for (int c = 32; c < 256; ++c)
        widths[c] = 6;
    for (unsigned char c : "il.,:;!|'")
        widths[c] = 3;
    for (unsigned char c : " frtIJ()[]{}`")
        widths[c] = 4;
    for (unsigned char c = 'A'; c <= 'Z'; ++c) {
        if (c != 'I' && c != 'J')
            widths[c] = 8;
    }
    for (unsigned char c : "mwMW@")
        widths[c] = 9;
    widths[0] = 0;
    return widths;
}

std::array<long, 256> tableD = defaultWidths();
std::array<long, 256> tableL = defaultWidths();
std::array<long, 256> tableT = defaultWidths();
std::array<long, 256> tableC = defaultWidths();

} // namespace

long HeightD = 13;
long HeightL = 13;
long HeightT = 13;
long HeightC = 13;

long *ptabWidthD = tableD.data();
long *ptabWidthL = tableL.data();
long *ptabWidthT = tableT.data();
long *ptabWidthC = tableC.data();

} // namespace Quorvane
