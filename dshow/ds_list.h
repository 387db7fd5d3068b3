// A doubly linked list of object pointers with a cache of spare nodes, so a
// list that shrinks and grows again does not go back to the heap. The list
// never owns or releases its objects; its owner guards it.
#pragma once

#include <windows.h>

struct CDsListNode;
// An opaque place in a list; null is no place (empty list, or past the end).
using DsPosition = CDsListNode *;

class CDsList {
public:
    CDsList() = default;
    ~CDsList();
    CDsList(const CDsList &) = delete;
    CDsList &operator=(const CDsList &) = delete;

    // Frees every node (they do not go to the cache).
    void RemoveAll();
    DsPosition GetHeadPosition() const { return first_; }
    // The object at position, and position moved to the next node.
    void *GetNext(DsPosition &position) const;
    void *GetAt(DsPosition position) const;
    // The first node, from the head, that holds object.
    DsPosition Find(const void *object) const;
    // The new node's position, or null when no node could be had.
    DsPosition AddTail(void *object);
    // Adds the other list's objects in order; FALSE at the first failure.
    BOOL AppendList(const CDsList &other);
    void *RemoveHead() { return Remove(first_); }
    // The object the node held; the node goes to the cache while it has room.
    void *Remove(DsPosition position);
    int GetCount() const { return count_; }

private:
    struct CDsNodeCache {
        int limit = 10;
        int used = 0;
        CDsListNode *spare = nullptr; // chained through next
    };

    CDsListNode *first_ = nullptr;
    CDsListNode *last_ = nullptr;
    int count_ = 0;
    CDsNodeCache cache_;
};

// A list whose objects are of one type.
template <typename T> class CDsTypedList : public CDsList {
public:
    T *GetNext(DsPosition &position) const { return static_cast<T *>(CDsList::GetNext(position)); }
    T *GetAt(DsPosition position) const { return static_cast<T *>(CDsList::GetAt(position)); }
    T *RemoveHead() { return static_cast<T *>(CDsList::RemoveHead()); }
    T *Remove(DsPosition position) { return static_cast<T *>(CDsList::Remove(position)); }
    DsPosition AddTail(T *object) { return CDsList::AddTail(object); }
};

class CDsPin;
using CDsPinList = CDsTypedList<CDsPin>;
