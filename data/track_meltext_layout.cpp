// Where the lyrics track's text nodes are drawn: a node starts at its time
// node's tick and is as wide as its text in the time line's font.
#include "data/text_widths.h"
#include "data/track_meltext.h"

#include <algorithm>

namespace Quorvane {

long CTrackMelText::GetTextNodeFromX(long x, long ticksPerPixel, long &mode, long firstNode)
{
    const long nodes = std::min(text.GetNumNodes(), timeNodes.GetNumb());
    if (firstNode < 0 || firstNode >= nodes || ticksPerPixel <= 0)
        return -1;
    const auto left = [&](long i) { return timeNodes.GetNode(i)->tick / ticksPerPixel; };
    const auto holds = [&](long i) { return x >= left(i) && x < left(i) + text.GetTextNode(i)->widthD; };
    for (long i = firstNode; i < nodes; ++i) {
        const TEXTNODE *node = text.GetTextNode(i);
        switch (mode) {
        case 0:
        case 1:
            if (left(i) + (mode == 0 ? node->widthD : node->widthL) >= x)
                return i;
            break;
        case 2:
            if (left(i) > x)
                return -1;
            if (holds(i)) {
                mode = x - left(i);
                return i;
            }
            break;
        case 3:
            if (left(i) > x) {
                if (left(i) - x < CharWidth(ptabWidthD, ' '))
                    return i;
                return i > firstNode && holds(i - 1) ? i - 1 : -1;
            }
            break;
        default:
            return -1;
        }
    }
    return mode == 3 && holds(nodes - 1) ? nodes - 1 : -1;
}

int CTrackMelText::GetStrChrInNode(long node, long xOffset, long &line, long &index)
{
    const TEXTNODE *start = text.GetTextNode(node);
    if (!start)
        return 0;
    line = start->line;
    index = start->start;
    long sum = 0;
    for (;;) {
        const STRING *s = text.GetLine(line);
        if (!s)
            return 0;
        // A line end counts as a blank; passing it leads to the next line.
        const bool atEnd = index >= s->length;
        const char c = atEnd ? ' ' : s->At(index);
        if (!atEnd && c == kNodeDivider)
            return 0;
        const long width = CharWidth(ptabWidthD, c);
        if (sum + width >= xOffset) {
            if (sum + width - width / 2 < xOffset)
                ++index;
            break;
        }
        sum += width;
        if (atEnd) {
            ++line;
            index = 0;
        } else {
            ++index;
        }
    }
    if (const STRING *s = text.GetLine(line); s && index >= s->length) {
        ++line;
        index = 0;
    }
    return line < text.GetNumLines();
}

} // namespace Quorvane
