#include "dshow/ds_list.h"

#include <new>

struct CDsListNode {
    CDsListNode *previous;
    CDsListNode *next;
    void *object;
};

CDsList::~CDsList()
{
    RemoveAll();
    while (CDsListNode *node = cache_.spare) {
        cache_.spare = node->next;
        delete node;
    }
    cache_.used = 0;
}

void CDsList::RemoveAll()
{
    while (CDsListNode *node = first_) {
        first_ = node->next;
        delete node;
    }
    last_ = nullptr;
    count_ = 0;
}

void *CDsList::GetNext(DsPosition &position) const
{
    if (!position)
        return nullptr;
    void *object = position->object;
    position = position->next;
    return object;
}

void *CDsList::GetAt(DsPosition position) const
{
    return position ? position->object : nullptr;
}

DsPosition CDsList::Find(const void *object) const
{
    for (CDsListNode *node = first_; node; node = node->next)
        if (node->object == object)
            return node;
    return nullptr;
}

DsPosition CDsList::AddTail(void *object)
{
    CDsListNode *node = cache_.spare;
    if (node) {
        cache_.spare = node->next;
        --cache_.used;
    } else {
        node = new (std::nothrow) CDsListNode;
        if (!node)
            return nullptr;
    }
    node->object = object;
    node->next = nullptr;
    node->previous = last_;
    if (last_)
        last_->next = node;
    else
        first_ = node;
    last_ = node;
    ++count_;
    return node;
}

BOOL CDsList::AppendList(const CDsList &other)
{
    for (CDsListNode *node = other.first_; node; node = node->next)
        if (!AddTail(node->object))
            return FALSE;
    return TRUE;
}

void *CDsList::Remove(DsPosition position)
{
    if (!position)
        return nullptr;
    CDsListNode *node = position;
    (node->previous ? node->previous->next : first_) = node->next;
    (node->next ? node->next->previous : last_) = node->previous;
    void *object = node->object;
    if (cache_.used < cache_.limit) {
        node->next = cache_.spare;
        cache_.spare = node;
        ++cache_.used;
    } else {
        delete node;
    }
    --count_;
    return object;
}
