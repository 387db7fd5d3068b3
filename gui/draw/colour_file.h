// The colour file beside the program that loads the library: one setting a
// line, "name=R,G,B,A", the numbers decimal, hexadecimal (0x) or octal
// (leading 0), each kept as its low byte. Unknown names, lines with fewer
// than four numbers and blanks before the "=" change nothing; a later line
// for a colour wins.
#pragma once

#include <string>

namespace Quorvane {

// The program's path with its extension replaced by ".gui" (appended when
// the file name has none).
std::string ColourFilePath(const std::string &programPath);

// Applies one line; whether it named a colour and set it.
bool ApplyColourLine(const char *line);

// Reads the file if there is one; a missing or unreadable file changes
// nothing.
void ReadColourFile(const std::string &path);

} // namespace Quorvane
