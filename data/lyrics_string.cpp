#include "data/lyrics_string.h"

#include "data/strings.h"
#include "data/text_widths.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

bool isSeparator(char c)
{
    return c == ' ' || (c != 0 && std::strchr(",./<>?;':[]{}!@#$%^&*()-=\\_+|`\"", c) != nullptr);
}

} // namespace

void STRING::Clear()
{
    std::free(text);
    Spoil();
}

void STRING::Spoil()
{
    text = nullptr;
    length = widthT = widthL = 0;
}

long STRING::PosToIndex(long position) const
{
    long seen = 0;
    for (long i = 0; i < length; ++i) {
        if (text[i] == kNodeDivider)
            continue;
        if (seen == position)
            return i;
        ++seen;
    }
    return length;
}

long STRING::IndexToPos(long index) const
{
    index = std::clamp(index, 0L, length);
    long pos = 0;
    for (long i = 0; i < index; ++i)
        pos += text[i] != kNodeDivider;
    return pos;
}

int STRING::IsEOS(long index) const
{
    for (long i = std::max(index, 0L); i < length; ++i) {
        if (text[i] != kNodeDivider)
            return 0;
    }
    return 1;
}

int STRING::IsBOS(long index) const
{
    for (long i = 0; i < std::min(index, length); ++i) {
        if (text[i] != kNodeDivider)
            return 0;
    }
    return 1;
}

int STRING::HasDivider(long index, long count) const
{
    for (long i = index; i < index + count && i < length; ++i) {
        if (text[i] == kNodeDivider)
            return 1;
    }
    return 0;
}

int STRING::WordRight(long &position) const
{
    const long start = std::max(position, 0L);
    const long count = CharCount();
    long pos = start;
    if (pos < count) {
        bool passed = isSeparator(At(PosToIndex(pos)));
        while (++pos < count) {
            const bool separator = isSeparator(At(PosToIndex(pos)));
            if (passed && !separator)
                break;
            passed = passed || separator;
        }
    }
    const int moved = pos != position;
    position = pos;
    return moved;
}

int STRING::WordLeft(long &position) const
{
    if (position <= 0) {
        const int moved = position != 0;
        position = 0;
        return moved;
    }
    long pos = std::min(position, CharCount());
    // At the line end the cursor counts as one position further left.
    if (IsEOS(PosToIndex(pos)))
        --pos;
    if (pos > 0) {
        const bool separator = isSeparator(At(PosToIndex(pos - 1)));
        while (pos > 0 && isSeparator(At(PosToIndex(pos - 1))) == separator)
            --pos;
    }
    const int moved = pos != position;
    position = std::max(pos, 0L);
    return moved;
}

int STRING::InsertBytes(long index, const char *bytes, long count)
{
    if (count <= 0)
        return 1;
    index = std::clamp(index, 0L, length);
    char *grown = static_cast<char *>(std::realloc(text, length + count));
    if (!grown)
        return 0;
    std::memmove(grown + index + count, grown + index, length - index);
    std::memcpy(grown + index, bytes, count);
    text = grown;
    length += count;
    widthT += TextWidth(bytes, count, ptabWidthT);
    widthL += TextWidth(bytes, count, ptabWidthL);
    return 1;
}

int STRING::DeleteBytes(long index, long count)
{
    index = std::clamp(index, 0L, length);
    count = std::clamp(count, 0L, length - index);
    if (count == 0)
        return 1;
    widthT -= TextWidth(text + index, count, ptabWidthT);
    widthL -= TextWidth(text + index, count, ptabWidthL);
    std::memmove(text + index, text + index + count, length - index - count);
    length -= count;
    if (length == 0) {
        std::free(text);
        text = nullptr;
    } else if (char *shrunk = static_cast<char *>(std::realloc(text, length))) {
        text = shrunk;
    }
    return 1;
}

void STRING::ReplaceByte(long index, char c)
{
    widthT += TextWidth(&c, 1, ptabWidthT) - TextWidth(text + index, 1, ptabWidthT);
    widthL += TextWidth(&c, 1, ptabWidthL) - TextWidth(text + index, 1, ptabWidthL);
    text[index] = c;
}

void STRING::Measure()
{
    widthT = TextWidth(text, length, ptabWidthT);
    widthL = TextWidth(text, length, ptabWidthL);
}

} // namespace Quorvane
