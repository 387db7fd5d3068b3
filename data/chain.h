// An intrusive doubly linked list. Elements carry their own links; the chain
// holds only its head. Other libraries derive from both classes, so the
// insertion rules below (and their tie-breaks) are part of the interface.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

class CORVADEL_API CChainElem {
public:
    CChainElem() = default;
    // Copies the links as they are (shallow).
    CChainElem(const CChainElem &) = default;
    CChainElem &operator=(const CChainElem &) = default;
    virtual ~CChainElem();
    // Negative, zero or positive for this element before, equal to or after
    // other.
    virtual long Compare(CChainElem *other) = 0;

    CChainElem *GetNext() const { return next; }
    CChainElem *GetPrev() const { return prev; }

    CChainElem *next = nullptr;
    CChainElem *prev = nullptr;
};

class CORVADEL_API CChain {
public:
    CChain() = default;
    // A chain owns its elements; a copy would destroy them twice.
    CChain(const CChain &) = delete;
    CChain &operator=(const CChain &) = delete;
    // Destroys every element still linked.
    virtual ~CChain();

    CChainElem *GetFirst() const { return first; }
    int HaveData() const { return first != nullptr; }
    long GetNumb() const;
    // The last element reached from from (from the head when null).
    CChainElem *GetLast(CChainElem *from = nullptr) const;

    // run may be several elements already linked by next; the whole run goes
    // in. Before null or the head: the run becomes the head.
    void InsertBefore(CChainElem *run, CChainElem *where);
    // After null: appended at the end.
    void InsertAfter(CChainElem *run, CChainElem *where);
    // Without a hint an element goes before its equals, with a hint after
    // them (the hint only says where to start looking for the end).
    void InsertSort(CChainElem *elem, CChainElem *hint = nullptr);
    // Unlinks and destroys count elements from elem; returns the element that
    // followed them.
    CChainElem *Delete(CChainElem *elem, long count = 1);
    // Destroys from and everything after it (everything for null).
    void Clear(CChainElem *from = nullptr);
    // Takes everything after elem (everything for null) out of the chain
    // without destroying it: the run that comes back (null when nothing
    // followed) is still linked by next, for a chain of the caller's to
    // take over.
    CChainElem *DetachAfter(CChainElem *elem);
    // Swaps elem with its predecessor (up) or successor; 0 without one.
    int Rearrange(CChainElem *elem, int up);

    CChainElem *first = nullptr;

protected:
    // Takes elem out of the chain without destroying it.
    void Unlink(CChainElem *elem);
};

} // namespace Quorvane
