// The nodes of a lyrics text (one per syllable or word sung on one melody
// note) and the time nodes that give each of them its tick.
#pragma once

#include "data/corvadel_api.h"
#include "data/struct_array.h"

namespace Quorvane {

struct EVENT;
class CEventArray;

struct CORVADEL_API TEXTNODE : public STRUCTELEM {
    long line = 0;
    // Index of the node's first byte in its line.
    long start = 0;
    long widthD = 0;
    long widthL = 0;
};

class CORVADEL_API CTextNodes : public CStructArray {
public:
    CTextNodes() : CStructArray(sizeof(TEXTNODE), 32) {}

    TEXTNODE *GetNode(long index) const
    {
        return (index >= 0 && index < count) ? static_cast<TEXTNODE *>(GetElementAt(index)) : nullptr;
    }
    int Append(const TEXTNODE &node);
    // The node that holds (line, index): the last one starting at or before
    // it; -1 when the first starts after it.
    long FindByChar(long line, long index);
    // The node that starts exactly at (line, index); -1 when none.
    long FindByDivider(long line, long index);
    // The node's start and the next node's start; INT_MAX where there is none.
    void GetTextBounds(long node, long &line, long &index, long &nextLine, long &nextIndex) const;

    long cacheChar = 0;
    long cacheDivider = 0;
};

// Each time node belongs to the text node of the same number. The event
// pointers point into the two event arrays and hold only until either
// changes.
struct CORVADEL_API TIMENODE : public STRUCTELEM {
    long tick = 0;
    EVENT *chord = nullptr;
    EVENT *own = nullptr;
};

class CORVADEL_API CTimeNodes : public CStructArray {
public:
    CTimeNodes() : CStructArray(sizeof(TIMENODE), 32) {}

    TIMENODE *GetNode(long index) const
    {
        return (index >= 0 && index < count) ? static_cast<TIMENODE *>(GetElementAt(index)) : nullptr;
    }
    // One node per tick where a chord event (of chords) or any event of own
    // lies; a chord and an own event at one tick share a node. Either array
    // may be null. 0 when a node cannot be appended.
    int Build(const CEventArray *chords, const CEventArray *own);
    // The last node at or before the tick (0 for tick 0 or when the first is
    // later); count is the number of nodes.
    long GoToTime(long tick, long &nodeCount);

    long cache = 0;
};

} // namespace Quorvane
