// The sorted array of events every track and pattern owns, and its stored
// form (the event block) that song files and the equipment database embed.
#pragma once

#include "data/corvadel_api.h"
#include "data/event.h"
#include "data/struct_array.h"

namespace Quorvane {

class CStorage;

class CORVADEL_API CEventArray : public CStructArray {
public:
    CEventArray() : CStructArray(sizeof(EVENT), 128) {}

    EVENT *GetEvent(long index) const { return static_cast<EVENT *>(GetElementAt(index)); }
    // Appends count events (which give up their payloads).
    int AddToTail(EVENT *events, long n) { return Insert(count, n, events); }
    // By time, then weight, then channel among channel messages. Stable:
    // equal events keep their order, so exports are deterministic.
    void Sort();
    // The same sort without the heap: room holds roomEvents events' bytes,
    // through which the sort merges; with room for fewer than the array
    // holds (or none) it sorts in place, more slowly but still without the
    // heap.
    void Sort(unsigned char *room, long roomEvents);
    // Removes the events marked deleted, keeping the order of the rest.
    void Erase();

    // Event block, little-endian: count, then per event time, flags and by
    // kind (short: status, data1, data2, value; special: type, value,
    // length; long: type, length, payload). 0 on a write error or an
    // invalid event.
    int Save(CStorage *storage) const;
    // Appends the events read. Fails (keeping those before) on a short read,
    // an invalid event, or a payload longer than what the storage holds.
    int Load(CStorage *storage);
};

// Whether a sorts before b.
CORVADEL_API bool EventBefore(const EVENT &a, const EVENT &b);

} // namespace Quorvane
