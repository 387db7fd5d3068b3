#include "data/text_nodes.h"

#include "data/event_array.h"

#include <algorithm>
#include <climits>

namespace Quorvane {

namespace {

// (line, index) order, line first.
bool after(const TEXTNODE &node, long line, long index)
{
    return node.line > line || (node.line == line && node.start > index);
}

} // namespace

int CTextNodes::Append(const TEXTNODE &node)
{
    TEXTNODE copy = node;
    return Insert(count, 1, &copy);
}

long CTextNodes::FindByChar(long line, long index)
{
    if (count == 0 || after(*GetNode(0), line, index))
        return -1;
    long i = std::clamp(cacheChar, 0L, count - 1);
    while (i > 0 && after(*GetNode(i), line, index))
        --i;
    while (i + 1 < count && !after(*GetNode(i + 1), line, index))
        ++i;
    cacheChar = i;
    return i;
}

long CTextNodes::FindByDivider(long line, long index)
{
    if (count == 0)
        return -1;
    long i = std::clamp(cacheDivider, 0L, count - 1);
    while (i > 0 && after(*GetNode(i), line, index))
        --i;
    while (i + 1 < count && !after(*GetNode(i + 1), line, index))
        ++i;
    const TEXTNODE &node = *GetNode(i);
    if (node.line != line || node.start != index)
        return -1;
    cacheDivider = i;
    return i;
}

void CTextNodes::GetTextBounds(long node, long &line, long &index, long &nextLine, long &nextIndex) const
{
    line = index = nextLine = nextIndex = INT_MAX;
    if (const TEXTNODE *n = GetNode(node)) {
        line = n->line;
        index = n->start;
    } else {
        return;
    }
    if (const TEXTNODE *n = GetNode(node + 1)) {
        nextLine = n->line;
        nextIndex = n->start;
    }
}

int CTimeNodes::Build(const CEventArray *chords, const CEventArray *own)
{
    Clear();
    cache = 0;
    const long chordCount = chords ? chords->GetNumb() : 0;
    const long ownCount = own ? own->GetNumb() : 0;
    auto nextChord = [&](long from) {
        while (from < chordCount && !chords->GetEvent(from)->IsChord())
            ++from;
        return from;
    };
    long c = nextChord(0);
    long o = 0;
    while (c < chordCount || o < ownCount) {
        const long chordTick = c < chordCount ? chords->GetEvent(c)->time : INT_MAX;
        const long ownTick = o < ownCount ? own->GetEvent(o)->time : INT_MAX;
        TIMENODE node;
        node.tick = std::min(chordTick, ownTick);
        if (c < chordCount && chordTick == node.tick) {
            node.chord = chords->GetEvent(c);
            c = nextChord(c + 1);
        }
        if (o < ownCount && ownTick == node.tick) {
            node.own = own->GetEvent(o);
            ++o;
        }
        if (!Insert(count, 1, &node))
            return 0;
    }
    return 1;
}

long CTimeNodes::GoToTime(long tick, long &nodeCount)
{
    nodeCount = count;
    if (count == 0 || tick == 0)
        return 0;
    long i = std::clamp(cache, 0L, count - 1);
    while (i > 0 && GetNode(i)->tick > tick)
        --i;
    while (i + 1 < count && GetNode(i + 1)->tick <= tick)
        ++i;
    cache = i;
    return i;
}

} // namespace Quorvane
