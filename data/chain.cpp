#include "data/chain.h"

namespace Quorvane {

CChainElem::~CChainElem() = default;

CChain::~CChain()
{
    Clear(nullptr);
}

long CChain::GetNumb() const
{
    long n = 0;
    for (CChainElem *e = first; e; e = e->next)
        ++n;
    return n;
}

CChainElem *CChain::GetLast(CChainElem *from) const
{
    CChainElem *e = from ? from : first;
    if (!e)
        return nullptr;
    while (e->next)
        e = e->next;
    return e;
}

namespace {

// Last element of a run linked by next; fixes the run's back links on the way.
CChainElem *runTail(CChainElem *run)
{
    CChainElem *tail = run;
    while (tail->next) {
        tail->next->prev = tail;
        tail = tail->next;
    }
    return tail;
}

} // namespace

void CChain::InsertBefore(CChainElem *run, CChainElem *where)
{
    if (!run)
        return;
    CChainElem *tail = runTail(run);
    if (!where || where == first) {
        run->prev = nullptr;
        tail->next = first;
        if (first)
            first->prev = tail;
        first = run;
        return;
    }
    run->prev = where->prev;
    tail->next = where;
    if (where->prev)
        where->prev->next = run;
    where->prev = tail;
}

void CChain::InsertAfter(CChainElem *run, CChainElem *where)
{
    if (!run)
        return;
    if (!where)
        where = GetLast();
    if (!where) {
        runTail(run)->next = nullptr;
        run->prev = nullptr;
        first = run;
        return;
    }
    CChainElem *tail = runTail(run);
    tail->next = where->next;
    if (where->next)
        where->next->prev = tail;
    where->next = run;
    run->prev = where;
}

void CChain::InsertSort(CChainElem *elem, CChainElem *hint)
{
    if (!elem)
        return;
    elem->next = elem->prev = nullptr;
    if (!hint) {
        for (CChainElem *e = first; e; e = e->next) {
            if (e->Compare(elem) >= 0) {
                InsertBefore(elem, e);
                return;
            }
        }
        InsertAfter(elem, nullptr);
        return;
    }
    CChainElem *e = GetLast(hint);
    while (e && e->Compare(elem) > 0)
        e = e->prev;
    if (e)
        InsertAfter(elem, e);
    else
        InsertBefore(elem, nullptr);
}

void CChain::Unlink(CChainElem *elem)
{
    if (elem->prev)
        elem->prev->next = elem->next;
    else if (first == elem)
        first = elem->next;
    if (elem->next)
        elem->next->prev = elem->prev;
    elem->next = elem->prev = nullptr;
}

CChainElem *CChain::Delete(CChainElem *elem, long count)
{
    while (elem && count-- > 0) {
        CChainElem *following = elem->next;
        Unlink(elem);
        delete elem;
        elem = following;
    }
    return elem;
}

CChainElem *CChain::DetachAfter(CChainElem *elem)
{
    CChainElem *run = elem ? elem->next : first;
    if (elem)
        elem->next = nullptr;
    else
        first = nullptr;
    if (run)
        run->prev = nullptr;
    return run;
}

void CChain::Clear(CChainElem *from)
{
    if (!from) {
        from = first;
        first = nullptr;
    } else if (from->prev) {
        from->prev->next = nullptr;
    } else if (first == from) {
        first = nullptr;
    }
    while (from) {
        CChainElem *following = from->next;
        delete from;
        from = following;
    }
}

int CChain::Rearrange(CChainElem *elem, int up)
{
    if (!elem || !first)
        return 0;
    CChainElem *other = up ? elem->prev : elem->next;
    if (!other)
        return 0;
    // Move the later of the two in front of the earlier one.
    CChainElem *earlier = up ? other : elem;
    CChainElem *later = up ? elem : other;
    Unlink(later);
    later->next = nullptr;
    InsertBefore(later, earlier);
    return 1;
}

} // namespace Quorvane
