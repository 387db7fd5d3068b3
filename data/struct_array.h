// A growable array of fixed-size elements kept in one malloc block. Elements
// move by raw byte copies: whatever an element owns travels with its bytes,
// and the source of a move is told to forget it (Spoil).
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

// Base of every array element; no data of its own.
struct CORVADEL_API STRUCTELEM {
    // Releases everything the element owns.
    virtual void Clear();
    // Forgets owned memory without releasing it (its bytes were moved away).
    virtual void Spoil();
};

class CORVADEL_API CStructArray {
public:
    CStructArray(long elementSize, long growStep);
    // An array owns its elements; a copy would free them twice.
    CStructArray(const CStructArray &) = delete;
    CStructArray &operator=(const CStructArray &) = delete;
    // Clears every element and frees the block.
    virtual ~CStructArray();
    virtual int HaveData() { return count != 0; }

    long GetNumb() const { return count; }
    // No bounds check: indices are the caller's duty.
    void *GetElementAt(long index) const { return data + index * elemSize; }

    // Raw-copies count elements from source to index (the tail moves up),
    // then spoils the sources. 0 when the block cannot grow (unchanged then).
    int Insert(long index, long count, STRUCTELEM *source);
    // Clears count elements at index and closes the gap.
    int Delete(long index, long count);
    // Raw copy over the target (not cleared first), then Spoil of the source.
    void PutElementTo(long index, STRUCTELEM *source);
    void PutElementTo(STRUCTELEM *target, STRUCTELEM *source);
    // Clears every element and frees the block (a reserved block stays).
    void Clear();
    // Keeps a block of at least n elements from now on, also when the array
    // empties, so an array reused while audio plays needs no heap; 0 when
    // the block cannot be had.
    int Reserve(long n);

    long elemSize;
    long growStep;
    long capacity = 0;
    long count = 0;
    unsigned char *data = nullptr;
    long reserved = 0;

protected:
    // Sets the count to n; the block is kept in whole grow steps, grows to
    // at least twice its size and shrinks to fit once half of it is free.
    // Neither constructs nor clears elements. 0 when the block cannot change.
    int Realloc(long n);
    STRUCTELEM *ElementAt(long index) const { return reinterpret_cast<STRUCTELEM *>(GetElementAt(index)); }
};

} // namespace Quorvane
