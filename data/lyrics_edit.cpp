// Editing the lyrics text by line and cursor position.
#include "data/lyrics_text.h"

#include "data/text_widths.h"

#include <algorithm>

namespace Quorvane {

int CText::AddNewChar(long line, long position, char c, int &mode)
{
    if (!EnsureLine(line))
        return 0;
    STRING *s = GetLine(line);
    const long index = s->PosToIndex(std::max(position, 0L));
    if (mode || s->IsEOS(index)) {
        if (!s->InsertBytes(index, &c, 1))
            return 0;
        mode = s->widthT > maxWidth;
        if (mode)
            CheckMaxWidth();
        return NodesInserted(line, index, &c, 1);
    }
    const long before = s->widthT;
    const char old = s->At(index);
    s->ReplaceByte(index, c);
    mode = !(before < maxWidth && s->widthT < maxWidth);
    if (mode)
        CheckMaxWidth();
    if (c == kNodeDivider)
        return UpdateNodes();
    NodesReplaced(line, index, old, c);
    return 1;
}

int CText::SetNewLine(long line, long position)
{
    if (!EnsureLine(line))
        return 0;
    STRING *s = GetLine(line);
    if (position <= 0) {
        if (!InsertLine(line, nullptr, 0))
            return 0;
        return UpdateNodes();
    }
    const long index = s->PosToIndex(position);
    if (s->IsEOS(index)) {
        if (!InsertLine(line + 1, nullptr, 0))
            return 0;
        return UpdateNodes();
    }
    if (!InsertLine(line + 1, s->text + index, s->length - index))
        return 0;
    s = GetLine(line); // the insertion may have moved the lines
    s->DeleteBytes(index, s->length - index);
    CheckMaxWidth();
    return UpdateNodes();
}

int CText::DeleteText(long &line, long &position, long &direction, int &widest)
{
    widest = 0;
    if (direction != -1 && direction != 1) {
        direction = 0;
        return 1;
    }
    if (count == 0) {
        line = position = direction = 0;
        return 1;
    }
    ClampLine(line);
    const long forwards = direction == 1;
    direction = 0;
    STRING *s = GetLine(line);
    position = std::clamp(position, 0L, s->CharCount());
    const long index = s->PosToIndex(position);
    const bool wasWidest = s->widthT == maxWidth;

    auto join = [&](long upper, long fromIndex) {
        // Appends the lower line's bytes from fromIndex to the upper line
        // and deletes the lower line.
        STRING *top = GetLine(upper);
        STRING *bottom = GetLine(upper + 1);
        if (!top->InsertBytes(top->length, bottom->text + fromIndex, bottom->length - fromIndex))
            return 0;
        DeleteLine(upper + 1);
        direction = 1;
        if (GetLine(upper)->widthT > maxWidth) {
            CheckMaxWidth();
            widest = 1;
        }
        return UpdateNodes();
    };
    auto remove = [&](long from, long n) {
        const bool adjusted = NodesBeforeDelete(line, from, n);
        s->DeleteBytes(from, n);
        if (wasWidest) {
            CheckMaxWidth();
            widest = 1;
        }
        return adjusted ? 1 : UpdateNodes();
    };

    if (!forwards) {
        if (s->IsBOS(index)) {
            if (line == 0)
                return 1;
            const long end = GetLine(line - 1)->CharCount();
            --line;
            position = end;
            return join(line, index);
        }
        --position;
        const long from = s->PosToIndex(position);
        return remove(from, index - from);
    }
    if (s->IsEOS(index)) {
        if (line + 1 >= count)
            return 1;
        return join(line, 0);
    }
    return remove(index, 1);
}

int CText::DeleteTextRange(long &fromLine, long &fromPosition, long toLine, long toPosition)
{
    if (count == 0) {
        fromLine = fromPosition = 0;
        return 1;
    }
    ClampLine(fromLine);
    ClampLine(toLine);
    fromPosition = std::max(fromPosition, 0L);
    toPosition = std::max(toPosition, 0L);
    if (toLine < fromLine || (toLine == fromLine && toPosition < fromPosition))
        return 0;

    STRING *first = GetLine(fromLine);
    const long fromIndex = first->PosToIndex(fromPosition);
    int ok = 1;
    if (toLine == fromLine) {
        const long start = first->IsBOS(fromIndex) ? 0 : fromIndex;
        const long toIndex = first->PosToIndex(toPosition);
        const long end = first->IsEOS(toIndex) ? first->length : toIndex;
        if (end > start)
            first->DeleteBytes(start, end - start);
    } else {
        for (long l = toLine - 1; l > fromLine; --l)
            DeleteLine(l);
        toLine = fromLine + 1;
        STRING *last = GetLine(toLine);
        const long toIndex = last->PosToIndex(toPosition);
        last->DeleteBytes(0, last->IsEOS(toIndex) ? last->length : toIndex);
        first = GetLine(fromLine);
        first->DeleteBytes(fromIndex, first->length - fromIndex);
        last = GetLine(toLine);
        ok = first->InsertBytes(first->length, last->text, last->length);
        if (ok)
            DeleteLine(toLine);
    }
    CheckMaxWidth();
    return UpdateNodes() && ok;
}

int CText::AddNodeDivider(long line, long index, int withHyphen)
{
    if (!EnsureLine(line))
        return 0;
    STRING *s = GetLine(line);
    index = std::clamp(index, 0L, s->length);
    char bytes[2] = {kNodeDivider, 0};
    long n = 1;
    if (withHyphen) {
        // The divider goes in front of the first character from the index
        // on that is neither a blank nor a hyphen; inside a word a hyphen
        // ends the syllable before it.
        long at = index;
        while (at < s->length && (s->At(at) == ' ' || s->At(at) == '-' || s->At(at) == kNodeDivider))
            ++at;
        if (at < s->length) {
            index = at;
            const char before = index > 0 ? s->At(index - 1) : ' ';
            if (before != ' ' && before != '-' && before != kNodeDivider) {
                bytes[0] = '-';
                bytes[1] = kNodeDivider;
                n = 2;
            }
        }
    }
    if (!s->InsertBytes(index, bytes, n))
        return 0;
    CheckMaxWidth();
    cursorLine = line;
    cursorPos = s->IndexToPos(index + n);
    return UpdateNodes();
}

int CText::DelNodeDivider(long node)
{
    const TEXTNODE *n = nodes.GetNode(node);
    if (node < 1 || !n)
        return 0;
    STRING *s = GetLine(n->line);
    const long at = n->start - 1;
    if (!s || at < 0 || at >= s->length || s->At(at) != kNodeDivider)
        return 0;
    cursorLine = n->line;
    cursorPos = s->IndexToPos(at);
    s->DeleteBytes(at, 1);
    return UpdateNodes();
}

int CText::CheckNumNodes(long wanted)
{
    wanted = std::max(wanted, 1L);
    if (nodes.GetNumb() <= wanted)
        return 1;
    // From the last node back, so earlier nodes keep their places.
    for (long k = nodes.GetNumb() - 1; k >= wanted; --k) {
        const TEXTNODE *n = nodes.GetNode(k);
        STRING *s = GetLine(n->line);
        const long at = n->start - 1;
        if (s && at >= 0 && at < s->length && s->At(at) == kNodeDivider)
            s->DeleteBytes(at, 1);
    }
    return UpdateNodes();
}

} // namespace Quorvane
