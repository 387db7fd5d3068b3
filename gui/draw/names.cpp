#include "gui/draw/names.h"

#include "data/storage.h"
#include "data/strings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

// Hands write a copy of the old name (empty for an empty one); nothing
// when the buffer is unusable or the copy cannot be made.
template <typename Write> void rewrite(char *name, long size, Write write)
{
    if (!name || size <= 0)
        return;
    char *old = nullptr;
    if (*name && !(old = CreateString(name)))
        return;
    write(static_cast<size_t>(size), old ? old : "");
    std::free(old);
}

const char *wordOf(long kind, const char *const *words, long count)
{
    return kind >= 0 && kind < count ? words[kind] : "?";
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

void CreateOutPortName(char *name, long kind, long index, long size)
{
    static const char *const kFormatWords[] = {"ZQi", "VSTi", "DXi", "DLS"};
    const int number = static_cast<int>(index + 1);
    rewrite(name, size, [&](size_t room, const char *old) {
        switch (kind) {
        case 0:
            std::snprintf(name, room, "Default Preview");
            break;
        case 1:
            std::snprintf(name, room, "Chords: %s", old);
            break;
        case 3:
        case 4:
        case 5:
        case 6:
            if (index < 0)
                std::snprintf(name, room, "%s: %s", kFormatWords[kind - 3], old);
            else
                std::snprintf(name, room, "%s %i: %s", kFormatWords[kind - 3], number, old);
            break;
        case 7:
            std::snprintf(name, room, "MIDI: %s", old);
            break;
        default:
            std::snprintf(name, room, "%s %i", old, number);
            break;
        }
    });
}

void CreateAEffName(char *name, long kind, long bus, long size)
{
    static const char *const kWords[] = {"ZQ", "VST", "DX"};
    const char *word = wordOf(kind, kWords, 3);
    rewrite(name, size, [&](size_t room, const char *old) {
        if (bus == 0)
            std::snprintf(name, room, "%s: %s [Master Out]", word, old);
        else if (bus > 0)
            std::snprintf(name, room, "%s: %s [Audio Bus %i]", word, old, static_cast<int>(bus));
        else
            std::snprintf(name, room, "%s: %s", word, old);
    });
}

void CreateMEffName(char *name, long kind, long track, long size)
{
    static const char *const kWords[] = {"ZQ", "MFX"};
    const char *word = wordOf(kind, kWords, 2);
    rewrite(name, size, [&](size_t room, const char *old) {
        if (track >= 0)
            std::snprintf(name, room, "%s: %s [Track %i]", word, old, static_cast<int>(track));
        else
            std::snprintf(name, room, "%s: %s", word, old);
    });
}

long GetStringHexLen(long n)
{
    const long lines = n > 10 ? n / 10 : 0;
    const long rest = n - 10 * lines;
    return 1 + 31 * lines + (rest > 0 ? 3 * rest - 1 : 0);
}

void StringHex(const unsigned char *data, long n, char *text)
{
    static const char kDigits[] = "0123456789ABCDEF";
    if (!text)
        return;
    char *out = text;
    for (long i = 0; data && i < n; ++i) {
        if (i > 0) {
            if (i % 10 == 0) {
                *out++ = '\r';
                *out++ = '\n';
            } else {
                *out++ = ' ';
            }
        }
        *out++ = kDigits[data[i] >> 4];
        *out++ = kDigits[data[i] & 15];
    }
    *out = 0;
}

int HexString(unsigned char **data, long *n, const char *text)
{
    if (!data || !n)
        return 0;
    *data = nullptr;
    *n = 0;
    if (!text || !*text)
        return 1;
    CMemStorage bytes(128);
    int digits = 0;
    unsigned char value = 0;
    for (long i = 0;; ++i) {
        const char c = text[i];
        const int digit = hexDigit(c);
        if (digit >= 0) {
            if (digits == 2) {
                *n = i;
                return 0;
            }
            value = static_cast<unsigned char>(value << 4 | digit);
            ++digits;
            continue;
        }
        if (c != ' ' && c != '\r' && c != '\n' && c != 0) {
            *n = i;
            return 0;
        }
        if (digits > 0 && !bytes.Put8(&value)) {
            *n = -1;
            return 0;
        }
        digits = 0;
        value = 0;
        if (c == 0)
            break;
    }
    void *block = nullptr;
    long length = 0;
    bytes.Detach(&block, &length);
    *data = static_cast<unsigned char *>(block);
    *n = length;
    return 1;
}

long MouseCaptOffset(long pos, long edge, long step)
{
    const long d = pos - edge;
    if (d == 0)
        return 0;
    if (d < 0)
        return d >= -3 ? -1 : -step;
    return d <= 3 ? 1 : step;
}

} // namespace Quorvane
