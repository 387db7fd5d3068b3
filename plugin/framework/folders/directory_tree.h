// The pattern library as one tree: folders, volume files and the pattern
// files in them. Every leaf opens a typed stream on its content, wherever that
// content lies.
#pragma once

#include "base/file.h"
#include "base/object.h"
#include "base/stream.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Quorvane::DirectoryTrees {

class Tree;

// Deepest folder nesting we read or write below one root; deeper levels are
// left out rather than followed.
constexpr int kMaxDepth = 64;

// Whether a name may stand for one path component: not empty, not "." or
// "..", no separator, drive colon or control character.
bool isSafeNodeName(const std::string &name);
// Whether a relative path of names joined by backslashes names only safe
// components (none empty); an empty path is not one.
bool isSafeRelativePath(const std::string &path);

class Node {
public:
    enum Flags : uint32_t {
        IsTree = 1,   // a folder of any kind
        InVolume = 2, // read from a volume file, or the volume itself
    };

    Node(std::string name, Tree *parent, uint32_t flags);
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;
    virtual ~Node();

    // Writes the node's content to a volume; false when it could not.
    virtual bool save(OutputStream &out);

    uint32_t flags() const { return flags_; }
    bool isTree() const { return (flags_ & IsTree) != 0; }
    bool isInVolume() const { return (flags_ & InVolume) != 0; }
    Tree *parent() const { return parent_; }
    const std::string &name() const { return name_; }
    Node *nextSibling() const { return next_; }
    Node *previousSibling() const { return previous_; }

    // The full path: a folder's ends with a backslash, a volume's is its file.
    std::string getPath() const;

private:
    friend class Tree;

    uint32_t flags_;
    Tree *parent_;
    std::string name_;
    Node *next_ = nullptr;
    Node *previous_ = nullptr;
};

// A reference-counted typed stream over one leaf's content.
class InStream : public InputStream, public RefCounted {
public:
    int32_t addRef() override { return ++count_; }
    int32_t release() override;

protected:
    virtual ~InStream() = default;

private:
    std::atomic<int32_t> count_{1};
};

// Reads a file on disk; a file that cannot be opened reads nothing.
class FileInStream : public Object, public InStream {
public:
    explicit FileInStream(const std::string &path);

    bool isOpen() const { return file_.isOpen(); }
    bool atEnd() override;
    uint32_t readBytes(void *buffer, uint32_t count) override;

private:
    File file_;
};

class Leaf : public Node {
public:
    Leaf(std::string name, Tree *parent, uint32_t flags = 0);

    // A stream at the start of the content, or null when out of memory.
    virtual RefPtr<InStream> open();
    // Writes the data length and the bytes of the file.
    bool save(OutputStream &out) override;
    // Takes over the content of a fresh copy of this leaf read by a rescan;
    // a file on disk has nothing to take.
    virtual void adopt(Leaf &) {}

    Leaf *nextLeaf() const { return static_cast<Leaf *>(nextSibling()); }
    Leaf *previousLeaf() const { return static_cast<Leaf *>(previousSibling()); }
};

class Tree : public Node {
public:
    Tree(std::string name, Tree *parent, uint32_t flags = 0);
    ~Tree() override;

    // Writes the folder block: file entries, end mark, sub-folder entries,
    // end mark.
    bool save(OutputStream &out) override;

    // Names from below the ancestor down to this tree, joined by backslashes.
    virtual std::string getRelativePath(const Tree *ancestor) const;
    virtual uint32_t getPathLength() const;
    // Writes getPathLength() characters, no terminator; returns the end.
    virtual char *writePath(char *buffer) const;
    // Refreshes the tree from its source; here: every sub-tree in order.
    virtual void rescan();

    // Insert in byte order of the names. A name already present is not
    // inserted: false, and the caller keeps the node.
    bool addLeaf(Leaf *leaf);
    bool addSubTree(Tree *tree);
    // Add many children at once, sorted once: a folder of n entries is read
    // in n log n, whatever order they come in. A name already present, or
    // repeated in the list (the first stays), is not added; such nodes are
    // deleted.
    void addLeaves(std::vector<std::unique_ptr<Leaf>> leaves);
    void addSubTrees(std::vector<std::unique_ptr<Tree>> trees);
    // Unlink a child; the caller owns it afterwards.
    void removeLeaf(Leaf *leaf);
    void removeSubTree(Tree *tree);
    // Deletes every child.
    void clear();

    Leaf *firstLeaf() const { return firstLeaf_; }
    Leaf *lastLeaf() const { return lastLeaf_; }
    Tree *firstSubTree() const { return firstTree_; }
    Tree *lastSubTree() const { return lastTree_; }
    Tree *nextTree() const { return static_cast<Tree *>(nextSibling()); }
    Tree *previousTree() const { return static_cast<Tree *>(previousSibling()); }

    Leaf *findLeaf(const std::string &name) const;
    Tree *findChildTree(const std::string &name) const;
    // Follows backslash-separated folder names from start on; returns the
    // deepest tree reached, never null.
    Tree *findSubTree(const std::string &path, size_t start = 0);
    // A leaf by its path relative to this tree, or null.
    Node *findNodeByPath(const std::string &path);
    // Levels below the root (0 for the root).
    int depth() const;

    // Whether this tree's own path ends with a backslash; children add one
    // when it does not.
    virtual bool pathEndsWithSeparator() const { return true; }
    // The part of a child's path that this tree gives: its path with a
    // backslash at the end.
    uint32_t childPrefixLength() const;
    char *writeChildPrefix(char *buffer) const;

protected:
    // Brings the children in line with a freshly read tree, which is left
    // holding what was not taken. Same-named children of the same class stay
    // (with their identity and children); with deep set their children are
    // merged too and kept leaves adopt the fresh content.
    void mergeFrom(Tree &fresh, bool deep);

private:
    bool saveBlock(OutputStream &out, int depth);
    template <typename T> void unlink(T *node, T *&first, T *&last);
    template <typename T> void linkBefore(T *node, T *before, T *&first, T *&last);
    template <typename T> bool insertSorted(T *node, T *&first, T *&last);
    template <typename T> void insertAll(std::vector<std::unique_ptr<T>> &nodes, T *&first, T *&last);
    template <typename T>
    void mergeList(Tree &fresh, T *&first, T *&last, T *&freshFirst, T *&freshLast, bool deep);

    Leaf *firstLeaf_ = nullptr;
    Leaf *lastLeaf_ = nullptr;
    Tree *firstTree_ = nullptr;
    Tree *lastTree_ = nullptr;
};

// Walks every leaf below a root depth-first: a tree's own leaves, then its
// sub-trees in order. A plain value.
class LeafIterator {
public:
    LeafIterator() = default;
    explicit LeafIterator(Tree *root);

    Leaf *current() const { return current_; }
    Tree *root() const { return root_; }
    // The following leaf, or null at the end; never leaves the root.
    Leaf *next();
    // The walk backward: the leaf before the current one, or null before the
    // first; never leaves the root.
    Leaf *previous();
    // Moves to the last leaf of the walk (null when the root holds none).
    Leaf *last();
    // Moves to the leaf at a path below the root; false (and no move) when
    // there is none.
    bool seek(const std::string &path);
    // The current leaf's folder relative to the root; empty without a leaf.
    std::string getFolderPath() const;

private:
    Leaf *firstLeafFrom(Tree *tree) const;
    // The last leaf of a tree's subtree, else the last one walked before it.
    Leaf *lastLeafFrom(Tree *tree) const;
    // The last leaf walked before a tree's subtree.
    Leaf *leafBefore(Tree *tree) const;

    Leaf *current_ = nullptr;
    Tree *root_ = nullptr;
};

} // namespace Quorvane::DirectoryTrees
