// Texts of the parts list laid out in the room a box gives them, by the
// width table of the font they are drawn in (256 widths, one a character).
#pragma once

#include <string>
#include <vector>

namespace Quorvane {

long TextWidth(const std::string &text, const long *widths);

// The text when it fits the room; else cut from its end and closed with
// "..." (as much of that as fits).
std::string FitText(const std::string &text, const long *widths, long room);

// A drummer row's label: the drummer's name, and for a fill drummer its
// element number after a blank. The number always stays whole; the name
// gives way.
std::string DrummerLabel(const char *name, int element, const long *widths, long room);

// A field's text on one line when it fits, else broken at its last blank
// into two lines, or a single word where the first line is full (the
// second line still fitted to the room).
std::vector<std::string> FieldLines(const std::string &text, const long *widths, long room);

} // namespace Quorvane
