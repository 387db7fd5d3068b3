#include "data/event_array.h"

#include "data/storage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace Quorvane {

bool EventBefore(const EVENT &a, const EVENT &b)
{
    if (a.time != b.time)
        return a.time < b.time;
    const long wa = a.GetWeight(), wb = b.GetWeight();
    if (wa != wb)
        return wa < wb;
    if (a.IsChannel() && b.IsChannel())
        return a.getChan() < b.getChan();
    return false;
}

namespace {

// A stable merge sort of count events of size bytes at events, through room
// (as large) and back. Events move as bytes, as they do in every array;
// each ends up exactly once in the result, so none is spoiled.
void mergeSort(unsigned char *events, unsigned char *room, long count, long size)
{
    const auto at = [size](unsigned char *base, long i) { return base + i * size; };
    const auto before = [&](unsigned char *base, long a, long b) {
        return EventBefore(*reinterpret_cast<const EVENT *>(at(base, a)),
                           *reinterpret_cast<const EVENT *>(at(base, b)));
    };
    unsigned char *from = events;
    unsigned char *to = room;
    for (long width = 1; width < count; width *= 2) {
        for (long low = 0; low < count; low += 2 * width) {
            const long middle = std::min(low + width, count), high = std::min(low + 2 * width, count);
            long left = low, right = middle;
            for (long out = low; out < high; ++out) {
                // The left run wins ties: equal events keep their order.
                const bool takeRight = left >= middle || (right < high && before(from, right, left));
                std::memcpy(at(to, out), at(from, takeRight ? right++ : left++), static_cast<size_t>(size));
            }
        }
        std::swap(from, to);
    }
    if (from != events)
        std::memcpy(events, from, static_cast<size_t>(count * size));
}

// Merges the sorted runs first..middle and middle..last in place, stably:
// the larger run's middle event and its place in the other run cut both in
// two, the inner halves swap places, and each side is merged the same way.
void mergeInPlace(EVENT *first, EVENT *middle, EVENT *last)
{
    const auto left = middle - first, right = last - middle;
    if (left == 0 || right == 0)
        return;
    if (left + right == 2) {
        if (EventBefore(*middle, *first))
            std::iter_swap(first, middle);
        return;
    }
    EVENT *leftCut, *rightCut;
    if (left > right) {
        leftCut = first + left / 2;
        rightCut = std::lower_bound(middle, last, *leftCut, EventBefore);
    } else {
        rightCut = middle + right / 2;
        leftCut = std::upper_bound(first, middle, *rightCut, EventBefore);
    }
    EVENT *newMiddle = std::rotate(leftCut, middle, rightCut);
    mergeInPlace(first, leftCut, newMiddle);
    mergeInPlace(newMiddle, rightCut, last);
}

// A stable sort that needs no room at all, in O(n log^2 n) moves.
void sortInPlace(EVENT *first, EVENT *last)
{
    constexpr long kShortRun = 16;
    if (last - first <= kShortRun) {
        for (EVENT *next = first + 1; next < last; ++next)
            std::rotate(std::upper_bound(first, next, *next, EventBefore), next, next + 1);
        return;
    }
    EVENT *middle = first + (last - first) / 2;
    sortInPlace(first, middle);
    sortInPlace(middle, last);
    mergeInPlace(first, middle, last);
}

} // namespace

void CEventArray::Sort(unsigned char *room, long roomEvents)
{
    if (count < 2)
        return;
    EVENT *events = GetEvent(0);
    if (std::is_sorted(events, events + count, EventBefore))
        return;
    if (room && roomEvents >= count)
        mergeSort(data, room, count, elemSize);
    else
        sortInPlace(events, events + count);
}

void CEventArray::Sort()
{
    if (count < 2)
        return;
    EVENT *events = GetEvent(0);
    // Events mostly come in order; then nothing moves (and the sort's
    // buffer is not taken from the heap).
    if (std::is_sorted(events, events + count, EventBefore))
        return;
    // Moves of EVENT hand the payload over, so the sort never copies one.
    std::stable_sort(events, events + count, EventBefore);
}

void CEventArray::Erase()
{
    long kept = 0;
    for (long i = 0; i < count; ++i) {
        EVENT *e = GetEvent(i);
        if (e->IsDelt()) {
            e->Clear();
            continue;
        }
        if (kept != i)
            PutElementTo(kept, e);
        ++kept;
    }
    if (kept != count && !Realloc(kept))
        count = kept;
}

int CEventArray::Save(CStorage *storage) const
{
    if (!storage)
        return 0;
    const int32_t n = count;
    if (!storage->Put32(&n))
        return 0;
    for (long i = 0; i < count; ++i) {
        const EVENT *e = GetEvent(i);
        if (!storage->Put32(&e->time) || !storage->Put8(&e->flags))
            return 0;
        switch (e->GetKind()) {
        case EVENT_SHORT:
            if (!storage->Put8(&e->status) || !storage->Put8(&e->data1) || !storage->Put8(&e->data2) ||
                !storage->Put32(&e->value))
                return 0;
            break;
        case EVENT_SPECIAL:
            if (!storage->Put8(&e->status) || !storage->Put32(&e->value) || !storage->Put32(&e->length))
                return 0;
            break;
        case EVENT_LONG: {
            const int32_t length = e->payload ? e->length : 0;
            if (!storage->Put8(&e->status) || !storage->Put32(&length) ||
                !storage->PutBuffer(e->payload, length))
                return 0;
            break;
        }
        default:
            return 0;
        }
    }
    return 1;
}

namespace {

// Reads one event's body after its time and flags; false leaves e owning
// at most a payload that its destructor frees.
bool loadBody(CStorage &storage, EVENT &e)
{
    switch (e.GetKind()) {
    case EVENT_SHORT:
        return storage.Get8(&e.status) && storage.Get8(&e.data1) && storage.Get8(&e.data2) &&
               storage.Get32(&e.value);
    case EVENT_SPECIAL:
        return storage.Get8(&e.status) && storage.Get32(&e.value) && storage.Get32(&e.length);
    case EVENT_LONG: {
        int32_t length = 0;
        if (!storage.Get8(&e.status) || !storage.Get32(&length))
            return false;
        if (length < 0 || length > storage.GetRemaining())
            return false;
        if (length == 0)
            return true;
        auto *bytes = static_cast<uint8_t *>(std::malloc(length));
        if (!bytes)
            return false;
        e.payload = bytes;
        e.length = length;
        return storage.GetBuffer(bytes, length);
    }
    default:
        return false;
    }
}

} // namespace

int CEventArray::Load(CStorage *storage)
{
    if (!storage)
        return 0;
    int32_t n = 0;
    if (!storage->Get32(&n))
        return 0;
    for (int32_t i = 0; i < n; ++i) {
        EVENT e;
        if (!storage->Get32(&e.time) || !storage->Get8(&e.flags) || !loadBody(*storage, e))
            return 0;
        if (!AddToTail(&e, 1))
            return 0;
    }
    return 1;
}

} // namespace Quorvane
