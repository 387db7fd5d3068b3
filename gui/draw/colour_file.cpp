#include "gui/draw/colour_file.h"

#include "gui/draw/named_colours.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

// Lines longer than this are cut; the rest of such a line is skipped.
constexpr size_t kLineLimit = 255;

// "%i" followed by the separator (none after the last number).
bool readNumber(const char *&p, char separator, unsigned char &byte)
{
    char *end = nullptr;
    const long long value = std::strtoll(p, &end, 0);
    if (end == p)
        return false;
    p = end;
    if (separator) {
        if (*p != separator)
            return false;
        ++p;
    }
    byte = static_cast<unsigned char>(value);
    return true;
}

} // namespace

std::string ColourFilePath(const std::string &programPath)
{
    const size_t slash = programPath.find_last_of("\\/");
    const size_t dot = programPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? programPath.substr(0, dot) : programPath) + ".gui";
}

bool ApplyColourLine(const char *line)
{
    for (const NamedColour &named : kNamedColours) {
        const size_t length = std::strlen(named.name);
        if (std::strncmp(line, named.name, length) != 0 || line[length] != '=')
            continue;
        const char *p = line + length + 1;
        unsigned char r, g, b, a;
        if (!readNumber(p, ',', r) || !readNumber(p, ',', g) || !readNumber(p, ',', b) ||
            !readNumber(p, 0, a))
            return false;
        named.colour->Set(r, g, b, a);
        return true;
    }
    return false;
}

void ReadColourFile(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
        return;
    char line[kLineLimit + 1];
    while (std::fgets(line, sizeof line, file)) {
        size_t length = std::strlen(line);
        const bool complete = length > 0 && line[length - 1] == '\n';
        if (complete)
            line[--length] = 0;
        else if (length == kLineLimit) {
            // Cut: skip what is left of the line.
            int c;
            while ((c = std::fgetc(file)) != EOF && c != '\n') {
            }
        }
        if (length > 0)
            ApplyColourLine(line);
    }
    std::fclose(file);
}

} // namespace Quorvane
