#include "data/strings.h"

#include <cstdlib>
#include <cstring>

namespace Quorvane {

char *CreateString(const char *text, long length)
{
    if (!text)
        return nullptr;
    const size_t n = length < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(length));
    if (n == 0)
        return nullptr;
    char *copy = static_cast<char *>(std::malloc(n + 1));
    if (!copy)
        return nullptr;
    std::memcpy(copy, text, n);
    copy[n] = '\0';
    return copy;
}

long LengthString(const char *text)
{
    return text ? static_cast<long>(std::strlen(text)) : 0;
}

long CompareStringA(const char *a, const char *b)
{
    const int result = std::strcmp(a ? a : "", b ? b : "");
    return (result > 0) - (result < 0);
}

char *SingleLineString(char *text)
{
    for (char *c = text; c && *c; ++c) {
        if (static_cast<unsigned char>(*c) < 32)
            *c = ' ';
    }
    return text;
}

char *FileNameFromPath(char *path)
{
    if (!path)
        return path;
    const char *start = path;
    for (const char *c = path; *c; ++c) {
        if (*c == '\\' || *c == '/')
            start = c + 1;
    }
    std::memmove(path, start, std::strlen(start) + 1);
    if (char *dot = std::strrchr(path, '.'))
        *dot = '\0';
    return path;
}

long TextWidth(const char *text, long length, const long *widths)
{
    if (!text || !widths)
        return 0;
    if (length < 0)
        length = static_cast<long>(std::strlen(text));
    long sum = 0;
    for (long i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 32)
            sum += widths[c];
    }
    return sum;
}

} // namespace Quorvane
