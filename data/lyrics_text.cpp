#include "data/lyrics_text.h"

#include "data/storage.h"
#include "data/text_widths.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>

namespace Quorvane {

int bKeyInsert = 1;

// --- lines ------------------------------------------------------------------

void CText::ClampLine(long &line) const
{
    line = count == 0 ? 0 : std::clamp(line, 0L, count - 1);
}

int CText::EnsureLine(long &line)
{
    if (count == 0 && !InsertLine(0, nullptr, 0))
        return 0;
    ClampLine(line);
    return 1;
}

int CText::InsertLine(long at, const char *bytes, long length)
{
    STRING line;
    if (length > 0 && !line.InsertBytes(0, bytes, length))
        return 0;
    if (!Insert(std::clamp(at, 0L, count), 1, &line)) {
        line.Clear();
        return 0;
    }
    return 1;
}

long CText::CheckMaxWidth()
{
    maxWidth = 0;
    for (long i = 0; i < count; ++i)
        maxWidth = std::max(maxWidth, GetLine(i)->widthT);
    return maxWidth;
}

// --- cursor and layout --------------------------------------------------------

long CText::GetPosByX(long &line, long x, const long *widths)
{
    ClampLine(line);
    const STRING *s = GetLine(line);
    if (!s || !widths)
        return 0;
    long sum = 0, pos = 0;
    for (long i = 0; i < s->length; ++i) {
        const char c = s->At(i);
        if (c == kNodeDivider)
            continue;
        const long w = CharWidth(widths, c);
        if (sum + w >= x)
            return (x - sum < w / 2) ? pos : pos + 1;
        sum += w;
        ++pos;
    }
    return pos;
}

long CText::GetIndexByX(long line, long x)
{
    const STRING *s = GetLine(line);
    if (!s || x >= s->widthT)
        return -1;
    return s->PosToIndex(GetPosByX(line, x, ptabWidthT));
}

void CText::MoveCursorT(long &line, long &position, long &x, long &width)
{
    ClampLine(line);
    position = std::max(position, 0L);
    const STRING *s = GetLine(line);
    const long chars = s ? s->CharCount() : 0;
    if (position >= chars) {
        position = chars;
        x = s ? s->widthT : 0;
        width = CharWidth(ptabWidthT, kNodeDivider);
        return;
    }
    const long index = s->PosToIndex(position);
    x = 0;
    for (long i = 0; i < index; ++i) {
        if (s->At(i) != kNodeDivider)
            x += CharWidth(ptabWidthT, s->At(i));
    }
    width = CharWidth(ptabWidthT, s->At(index));
}

int CText::WordRight(long &line, long &position)
{
    ClampLine(line);
    const STRING *s = GetLine(line);
    if (!s)
        return 0;
    if (s->WordRight(position))
        return 1;
    if (line + 1 >= count)
        return 0;
    ++line;
    position = 0;
    return 1;
}

int CText::WordLeft(long &line, long &position)
{
    ClampLine(line);
    const STRING *s = GetLine(line);
    if (!s)
        return 0;
    if (s->WordLeft(position))
        return 1;
    if (line == 0)
        return 0;
    --line;
    position = INT_MAX;
    return 1;
}

// --- nodes --------------------------------------------------------------------

int CText::UpdateNodes()
{
    nodes.Clear();
    nodes.cacheChar = nodes.cacheDivider = 0;
    if (count == 0)
        return 1;
    TEXTNODE running;
    for (long l = 0; l < count; ++l) {
        const STRING *s = GetLine(l);
        for (long i = 0; i < s->length; ++i) {
            const char c = s->At(i);
            if (c == kNodeDivider) {
                if (!nodes.Append(running))
                    return 0;
                running = TEXTNODE();
                running.line = l;
                running.start = i + 1;
                continue;
            }
            running.widthD += CharWidth(ptabWidthD, c);
            running.widthL += CharWidth(ptabWidthL, c);
        }
        // A line break counts as a blank in the node that spans it.
        running.widthD += CharWidth(ptabWidthD, ' ');
        running.widthL += CharWidth(ptabWidthL, ' ');
    }
    if (running.widthD != 0 && !nodes.Append(running))
        return 0;
    return 1;
}

int CText::NodesInserted(long line, long index, const char *bytes, long n)
{
    for (long i = 0; i < n; ++i) {
        if (bytes[i] == kNodeDivider)
            return UpdateNodes();
    }
    const long holder = nodes.FindByChar(line, index);
    if (holder < 0)
        return UpdateNodes();
    TEXTNODE *node = nodes.GetNode(holder);
    for (long i = 0; i < n; ++i) {
        node->widthD += CharWidth(ptabWidthD, bytes[i]);
        node->widthL += CharWidth(ptabWidthL, bytes[i]);
    }
    for (long k = holder + 1; k < nodes.GetNumb() && nodes.GetNode(k)->line == line; ++k)
        nodes.GetNode(k)->start += n;
    return 1;
}

bool CText::NodesBeforeDelete(long line, long index, long n)
{
    const STRING *s = GetLine(line);
    if (!s || s->HasDivider(index, n))
        return false;
    const long holder = nodes.FindByChar(line, index);
    if (holder < 0)
        return false;
    TEXTNODE *node = nodes.GetNode(holder);
    for (long i = index; i < index + n && i < s->length; ++i) {
        node->widthD -= CharWidth(ptabWidthD, s->At(i));
        node->widthL -= CharWidth(ptabWidthL, s->At(i));
    }
    for (long k = holder + 1; k < nodes.GetNumb() && nodes.GetNode(k)->line == line; ++k)
        nodes.GetNode(k)->start -= n;
    return true;
}

void CText::NodesReplaced(long line, long index, char before, char after)
{
    const long holder = nodes.FindByChar(line, index);
    if (holder < 0) {
        UpdateNodes();
        return;
    }
    TEXTNODE *node = nodes.GetNode(holder);
    node->widthD += CharWidth(ptabWidthD, after) - CharWidth(ptabWidthD, before);
    node->widthL += CharWidth(ptabWidthL, after) - CharWidth(ptabWidthL, before);
}

// --- storage ------------------------------------------------------------------

int CText::Save(CStorage *storage) const
{
    if (!storage)
        return 0;
    const int32_t lines = count;
    if (!storage->Put32(&lines))
        return 0;
    for (long l = 0; l < count; ++l) {
        const STRING *s = GetLine(l);
        const int32_t length = s->length;
        if (!storage->Put32(&length) || !storage->PutBuffer(s->text, length))
            return 0;
    }
    return 1;
}

int CText::Load(CStorage *storage)
{
    if (!storage)
        return 0;
    int32_t lines = 0;
    int ok = storage->Get32(&lines);
    for (int32_t l = 0; ok && l < lines; ++l) {
        int32_t length = 0;
        if (!storage->Get32(&length) || length < 0 || length > storage->GetRemaining()) {
            ok = 0;
            break;
        }
        std::unique_ptr<char[]> bytes(new (std::nothrow) char[length > 0 ? length : 1]);
        ok = bytes && storage->GetBuffer(bytes.get(), length) && InsertLine(count, bytes.get(), length);
    }
    CheckMaxWidth();
    return UpdateNodes() && ok;
}

int CText::CreateFromText(CStorage *storage)
{
    if (!storage || storage->SetPos(0) != 0)
        return 0;
    const long length = storage->GetLength();
    if (length < 0)
        return 0;
    std::unique_ptr<char[]> all(new (std::nothrow) char[length > 0 ? length : 1]);
    if (!all || !storage->GetBuffer(all.get(), length))
        return 0;
    int ok = 1;
    long lineStart = 0;
    for (long i = 0; ok && i <= length; ++i) {
        const bool end = i == length;
        const char c = end ? 0 : all[i];
        if (!end && c != '\r' && c != '\n') {
            const unsigned char u = static_cast<unsigned char>(c);
            if (u != 1 && u < 32)
                all[i] = ' ';
            continue;
        }
        // A last line without a line end counts only when it holds something.
        if (!end || i > lineStart)
            ok = InsertLine(count, all.get() + lineStart, i - lineStart);
        if (!end && i + 1 < length && (all[i + 1] == '\r' || all[i + 1] == '\n') && all[i + 1] != c)
            ++i; // CR LF or LF CR is one break
        lineStart = i + 1;
    }
    CheckMaxWidth();
    return UpdateNodes() && ok;
}

} // namespace Quorvane
