#include "data/struct_array.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

void STRUCTELEM::Clear() {}
void STRUCTELEM::Spoil() {}

CStructArray::CStructArray(long elementSize, long step)
    : elemSize(elementSize > 0 ? elementSize : 1), growStep(step > 0 ? step : 1)
{
}

CStructArray::~CStructArray()
{
    reserved = 0;
    Clear();
}

namespace {

// n elements rounded up to whole grow steps (0 for none).
long long inWholeSteps(long long n, long step)
{
    return n > 0 ? (n + step - 1) / step * step : 0;
}

} // namespace

int CStructArray::Realloc(long n)
{
    if (n == count)
        return 1;
    if (n <= 0 && reserved == 0) {
        std::free(data);
        data = nullptr;
        capacity = count = 0;
        return 1;
    }
    long long wanted = std::max<long long>(inWholeSteps(n, growStep), reserved);
    if (wanted > capacity) {
        // At least twice the block: elements added one by one (the lines of
        // an imported text) then copy the block a few times, not at every
        // grow step.
        const long long doubled = inWholeSteps(2LL * capacity, growStep);
        if (doubled > wanted && doubled * elemSize <= LONG_MAX)
            wanted = doubled;
    } else if (wanted > capacity / 2) {
        // A block shrinks only once half of it is free, so that deleting
        // after it grew does not copy it each time.
        wanted = capacity;
    }
    if (wanted * elemSize > LONG_MAX)
        return 0;
    if (wanted != capacity) {
        void *block = std::realloc(data, static_cast<size_t>(wanted * elemSize));
        if (!block)
            return 0;
        data = static_cast<unsigned char *>(block);
        capacity = static_cast<long>(wanted);
    }
    count = n > 0 ? n : 0;
    return 1;
}

int CStructArray::Reserve(long n)
{
    const long long wanted = inWholeSteps(n, growStep);
    if (wanted * elemSize > LONG_MAX)
        return 0;
    if (wanted > capacity) {
        void *block = std::realloc(data, static_cast<size_t>(wanted * elemSize));
        if (!block)
            return 0;
        data = static_cast<unsigned char *>(block);
        capacity = static_cast<long>(wanted);
    }
    reserved = static_cast<long>(wanted);
    return 1;
}

int CStructArray::Insert(long index, long n, STRUCTELEM *source)
{
    if (n <= 0 || !source)
        return 1;
    const long old = count;
    if (n > LONG_MAX - old || !Realloc(old + n))
        return 0;
    std::memmove(data + (index + n) * elemSize, data + index * elemSize, (old - index) * elemSize);
    std::memcpy(data + index * elemSize, source, n * elemSize);
    auto *bytes = reinterpret_cast<unsigned char *>(source);
    for (long i = 0; i < n; ++i)
        reinterpret_cast<STRUCTELEM *>(bytes + i * elemSize)->Spoil();
    return 1;
}

int CStructArray::Delete(long index, long n)
{
    if (n <= 0)
        return 1;
    for (long i = 0; i < n; ++i)
        ElementAt(index + i)->Clear();
    std::memmove(data + index * elemSize, data + (index + n) * elemSize, (count - index - n) * elemSize);
    if (Realloc(count - n))
        return 1;
    // The block could not shrink: keep it, the elements are gone all the same.
    count -= n;
    return 0;
}

void CStructArray::PutElementTo(long index, STRUCTELEM *source)
{
    PutElementTo(ElementAt(index), source);
}

void CStructArray::PutElementTo(STRUCTELEM *target, STRUCTELEM *source)
{
    if (!target || !source || target == source)
        return;
    std::memcpy(static_cast<void *>(target), static_cast<const void *>(source), elemSize);
    source->Spoil();
}

void CStructArray::Clear()
{
    for (long i = 0; i < count; ++i)
        ElementAt(i)->Clear();
    Realloc(0);
}

} // namespace Quorvane
