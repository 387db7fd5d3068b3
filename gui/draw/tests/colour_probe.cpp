// Loads Pannikel (linked) from the folder it was copied to, beside its own
// colour file, and writes what it got: the 41 colours, and pixels of a pen
// and two gradients built from colours the file may change.
#include "gui/draw/gui_context.h"
#include "gui/draw/named_colours.h"
#include "gui/draw/shared_objects.h"

#include "canvas.h"

#include <cstdio>

using namespace Quorvane;

namespace {

const NamedColour kColours[] = {
#define PANNIKEL_COLOUR(name, r, g, b, a) {#name, &name},
#include "gui/draw/colour_list.h"
#undef PANNIKEL_COLOUR
};

void writePixel(FILE *out, const char *what, COLORREF c)
{
    std::fprintf(out, "%s %u %u %u\n", what, GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    FILE *out = std::fopen(argv[1], "w");
    if (!out)
        return 3;
    for (const NamedColour &n : kColours)
        std::fprintf(out, "%s %u %u %u %u\n", n.name, n.colour->R, n.colour->G, n.colour->B, n.colour->A);

    pannikel_test::Canvas canvas(20, 30, RGB(1, 2, 3));
    CGUIContext ctx(canvas.dc());
    ctx.SelectPen(&sharedPen, 4);
    ctx.DrawLine(0, 0, 10, 0);
    writePixel(out, "pen4", canvas.at(5, 0));
    for (long gradient : {0L, 20L}) {
        canvas.fill(RGB(1, 2, 3));
        ctx.DrawHorzGradient(&sharedGradient, gradient, 0, 0, 16);
        for (int row : {0, 12, 25}) {
            char what[32];
            std::snprintf(what, sizeof what, "gradient%ld.%d", gradient, row);
            writePixel(out, what, canvas.at(3, row));
        }
    }
    return std::fclose(out) == 0 ? 0 : 4;
}
