#include "plugin/framework/folders/directory_tree.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <typeinfo>
#include <vector>

namespace Quorvane::DirectoryTrees {

namespace {

bool endsWithSeparator(const std::string &text)
{
    return !text.empty() && (text.back() == '\\' || text.back() == '/');
}

char *writeName(const std::string &name, char *out)
{
    std::memcpy(out, name.data(), name.size());
    return out + name.size();
}

template <typename T> T *following(T *node)
{
    return static_cast<T *>(node->nextSibling());
}

} // namespace

bool isSafeNodeName(const std::string &name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20;
    });
}

bool isSafeRelativePath(const std::string &path)
{
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('\\', start);
        if (!isSafeNodeName(path.substr(start, end == std::string::npos ? std::string::npos : end - start)))
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

// ---- Node -------------------------------------------------------------------

Node::Node(std::string name, Tree *parent, uint32_t flags)
    : flags_(flags), parent_(parent), name_(std::move(name))
{
}

Node::~Node() = default;

bool Node::save(OutputStream &)
{
    return true;
}

std::string Node::getPath() const
{
    if (isTree()) {
        const Tree &tree = static_cast<const Tree &>(*this);
        std::string path(tree.getPathLength(), '\0');
        tree.writePath(path.data());
        return path;
    }
    if (!parent_)
        return name_;
    std::string path(parent_->childPrefixLength() + name_.size(), '\0');
    writeName(name_, parent_->writeChildPrefix(path.data()));
    return path;
}

// ---- Streams ----------------------------------------------------------------

int32_t InStream::release()
{
    const int32_t left = --count_;
    if (left == 0)
        delete this;
    return left;
}

FileInStream::FileInStream(const std::string &path) : file_(path.c_str(), GENERIC_READ, OPEN_EXISTING) {}

bool FileInStream::atEnd()
{
    return !file_.isOpen() || file_.seek(0, FILE_CURRENT) >= file_.getSize();
}

uint32_t FileInStream::readBytes(void *buffer, uint32_t count)
{
    return file_.read(buffer, count);
}

// ---- Leaf -------------------------------------------------------------------

Leaf::Leaf(std::string name, Tree *parent, uint32_t flags) : Node(std::move(name), parent, flags) {}

RefPtr<InStream> Leaf::open()
{
    return RefPtr<InStream>::adopt(new FileInStream(getPath()));
}

bool Leaf::save(OutputStream &out)
{
    File file(getPath().c_str(), GENERIC_READ, OPEN_EXISTING);
    if (!file.isOpen())
        return false;
    const uint32_t size = file.getSize();
    if (size == INVALID_FILE_SIZE || !out.write(size))
        return false;

    std::vector<char> chunk(std::min<uint32_t>(size, 64 * 1024) + 1);
    for (uint32_t left = size; left > 0;) {
        const uint32_t piece = std::min<uint32_t>(left, static_cast<uint32_t>(chunk.size() - 1));
        if (file.read(chunk.data(), piece) != piece || out.writeBytes(chunk.data(), piece) != piece)
            return false;
        left -= piece;
    }
    // A file that grew while we copied it (or is too big to count) would
    // leave the entry's length wrong.
    return file.read(chunk.data(), 1) == 0;
}

// ---- Tree -------------------------------------------------------------------

Tree::Tree(std::string name, Tree *parent, uint32_t flags) : Node(std::move(name), parent, flags | IsTree) {}

Tree::~Tree()
{
    clear();
}

void Tree::clear()
{
    while (Leaf *leaf = firstLeaf_) {
        removeLeaf(leaf);
        delete leaf;
    }
    while (Tree *tree = firstTree_) {
        removeSubTree(tree);
        delete tree;
    }
}

bool Tree::save(OutputStream &out)
{
    return saveBlock(out, 0);
}

bool Tree::saveBlock(OutputStream &out, int depth)
{
    // The reader refuses deeper volumes, so we do not write them.
    if (depth > kMaxDepth)
        return false;
    for (Leaf *leaf = firstLeaf_; leaf; leaf = leaf->nextLeaf()) {
        if (!isSafeNodeName(leaf->name()) || !out.write(leaf->name()) || !leaf->save(out))
            return false;
    }
    if (!out.write(uint32_t{0}))
        return false;
    for (Tree *tree = firstTree_; tree; tree = tree->nextTree()) {
        if (!isSafeNodeName(tree->name()) || !out.write(tree->name()) || !tree->saveBlock(out, depth + 1))
            return false;
    }
    return out.write(uint32_t{0});
}

std::string Tree::getRelativePath(const Tree *ancestor) const
{
    std::vector<const std::string *> names;
    for (const Tree *tree = this; tree != ancestor && tree->parent(); tree = tree->parent())
        names.push_back(&tree->name());
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!path.empty())
            path += '\\';
        path += **name;
    }
    return path;
}

uint32_t Tree::getPathLength() const
{
    if (!parent())
        return static_cast<uint32_t>(name().size()) + (endsWithSeparator(name()) ? 0 : 1);
    return parent()->childPrefixLength() + static_cast<uint32_t>(name().size()) + 1;
}

char *Tree::writePath(char *buffer) const
{
    if (!parent()) {
        buffer = writeName(name(), buffer);
        if (!endsWithSeparator(name()))
            *buffer++ = '\\';
        return buffer;
    }
    buffer = writeName(name(), parent()->writeChildPrefix(buffer));
    *buffer++ = '\\';
    return buffer;
}

uint32_t Tree::childPrefixLength() const
{
    return getPathLength() + (pathEndsWithSeparator() ? 0 : 1);
}

char *Tree::writeChildPrefix(char *buffer) const
{
    buffer = writePath(buffer);
    if (!pathEndsWithSeparator())
        *buffer++ = '\\';
    return buffer;
}

void Tree::rescan()
{
    for (Tree *tree = firstTree_; tree; tree = tree->nextTree())
        tree->rescan();
}

template <typename T> void Tree::unlink(T *node, T *&first, T *&last)
{
    Node *previous = node->previous_;
    Node *next = node->next_;
    if (previous)
        previous->next_ = next;
    else
        first = static_cast<T *>(next);
    if (next)
        next->previous_ = previous;
    else
        last = static_cast<T *>(previous);
    node->next_ = nullptr;
    node->previous_ = nullptr;
}

template <typename T> void Tree::linkBefore(T *node, T *before, T *&first, T *&last)
{
    static_cast<Node *>(node)->parent_ = this;
    Node *previous = before ? before->previous_ : static_cast<Node *>(last);
    node->previous_ = previous;
    node->next_ = before;
    if (previous)
        previous->next_ = node;
    else
        first = node;
    if (before)
        before->previous_ = node;
    else
        last = node;
}

template <typename T> bool Tree::insertSorted(T *node, T *&first, T *&last)
{
    // Children that come in name order go to the end at once.
    if (last && last->name() < node->name()) {
        linkBefore(node, static_cast<T *>(nullptr), first, last);
        return true;
    }
    T *before = first;
    while (before && before->name() < node->name())
        before = following(before);
    if (before && before->name() == node->name())
        return false;
    linkBefore(node, before, first, last);
    return true;
}

template <typename T> void Tree::insertAll(std::vector<std::unique_ptr<T>> &nodes, T *&first, T *&last)
{
    std::stable_sort(
        nodes.begin(), nodes.end(),
        [](const std::unique_ptr<T> &a, const std::unique_ptr<T> &b) { return a->name() < b->name(); });
    // One walk along the list for the whole sorted batch.
    T *before = first;
    T *added = nullptr;
    for (std::unique_ptr<T> &node : nodes) {
        if (added && added->name() == node->name())
            continue;
        while (before && before->name() < node->name())
            before = following(before);
        if (before && before->name() == node->name())
            continue;
        added = node.release();
        linkBefore(added, before, first, last);
    }
}

void Tree::addLeaves(std::vector<std::unique_ptr<Leaf>> leaves)
{
    insertAll(leaves, firstLeaf_, lastLeaf_);
}

void Tree::addSubTrees(std::vector<std::unique_ptr<Tree>> trees)
{
    insertAll(trees, firstTree_, lastTree_);
}

bool Tree::addLeaf(Leaf *leaf)
{
    return insertSorted(leaf, firstLeaf_, lastLeaf_);
}

bool Tree::addSubTree(Tree *tree)
{
    return insertSorted(tree, firstTree_, lastTree_);
}

void Tree::removeLeaf(Leaf *leaf)
{
    unlink(leaf, firstLeaf_, lastLeaf_);
}

void Tree::removeSubTree(Tree *tree)
{
    unlink(tree, firstTree_, lastTree_);
}

template <typename T>
void Tree::mergeList(Tree &fresh, T *&first, T *&last, T *&freshFirst, T *&freshLast, bool deep)
{
    T *old = first;
    T *next = freshFirst;
    while (old || next) {
        const int order = !old ? 1 : !next ? -1 : old->name().compare(next->name());
        if (order == 0 && typeid(*old) == typeid(*next)) {
            if (deep) {
                if constexpr (std::is_same_v<T, Tree>)
                    old->mergeFrom(*next, true);
                else
                    old->adopt(*next);
            }
            old = following(old);
            next = following(next);
            continue;
        }
        if (order <= 0) {
            // Gone from the source, or now something of another kind.
            T *gone = old;
            old = following(old);
            unlink(gone, first, last);
            delete gone;
            if (order < 0)
                continue;
        }
        T *added = next;
        next = following(next);
        fresh.unlink(added, freshFirst, freshLast);
        linkBefore(added, old, first, last);
    }
}

void Tree::mergeFrom(Tree &fresh, bool deep)
{
    mergeList(fresh, firstLeaf_, lastLeaf_, fresh.firstLeaf_, fresh.lastLeaf_, deep);
    mergeList(fresh, firstTree_, lastTree_, fresh.firstTree_, fresh.lastTree_, deep);
}

Leaf *Tree::findLeaf(const std::string &name) const
{
    for (Leaf *leaf = firstLeaf_; leaf; leaf = leaf->nextLeaf())
        if (leaf->name() == name)
            return leaf;
    return nullptr;
}

Tree *Tree::findChildTree(const std::string &name) const
{
    for (Tree *tree = firstTree_; tree; tree = tree->nextTree())
        if (tree->name() == name)
            return tree;
    return nullptr;
}

Tree *Tree::findSubTree(const std::string &path, size_t start)
{
    Tree *tree = this;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        Tree *child = tree->findChildTree(path.substr(start, end - start));
        if (!child)
            break;
        tree = child;
        start = end + 1;
    }
    return tree;
}

Node *Tree::findNodeByPath(const std::string &path)
{
    Tree *tree = this;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('\\', start);
        if (slash == std::string::npos)
            return tree->findLeaf(path.substr(start));
        // A folder that is not there leaves us where we are.
        tree = tree->findSubTree(path.substr(start, slash - start));
        start = slash + 1;
    }
}

int Tree::depth() const
{
    int levels = 0;
    for (const Tree *tree = parent(); tree; tree = tree->parent())
        ++levels;
    return levels;
}

// ---- LeafIterator -----------------------------------------------------------

namespace {

// The tree after this one in depth-first order, without leaving the root.
Tree *followingTree(Tree *tree, const Tree *root)
{
    if (tree->firstSubTree())
        return tree->firstSubTree();
    for (; tree && tree != root; tree = tree->parent()) {
        if (tree->nextTree())
            return tree->nextTree();
    }
    return nullptr;
}

} // namespace

LeafIterator::LeafIterator(Tree *root) : root_(root)
{
    current_ = firstLeafFrom(root);
}

Leaf *LeafIterator::firstLeafFrom(Tree *tree) const
{
    for (; tree; tree = followingTree(tree, root_)) {
        if (tree->firstLeaf())
            return tree->firstLeaf();
    }
    return nullptr;
}

Leaf *LeafIterator::next()
{
    if (!current_)
        return nullptr;
    if (current_->nextLeaf())
        current_ = current_->nextLeaf();
    else
        current_ = firstLeafFrom(followingTree(current_->parent(), root_));
    return current_;
}

Leaf *LeafIterator::lastLeafFrom(Tree *tree) const
{
    // A folder's sub-folders come after its own leaves.
    while (Tree *sub = tree->lastSubTree())
        tree = sub;
    return tree->lastLeaf() ? tree->lastLeaf() : leafBefore(tree);
}

Leaf *LeafIterator::leafBefore(Tree *tree) const
{
    for (; tree && tree != root_; tree = tree->parent()) {
        if (Tree *previous = tree->previousTree())
            return lastLeafFrom(previous);
        if (tree->parent() && tree->parent()->lastLeaf())
            return tree->parent()->lastLeaf();
    }
    return nullptr;
}

Leaf *LeafIterator::previous()
{
    if (!current_)
        return nullptr;
    if (current_->previousLeaf())
        current_ = current_->previousLeaf();
    else
        current_ = leafBefore(current_->parent());
    return current_;
}

Leaf *LeafIterator::last()
{
    current_ = root_ ? lastLeafFrom(root_) : nullptr;
    return current_;
}

bool LeafIterator::seek(const std::string &path)
{
    Node *node = root_ ? root_->findNodeByPath(path) : nullptr;
    if (!node || node->isTree())
        return false;
    current_ = static_cast<Leaf *>(node);
    return true;
}

std::string LeafIterator::getFolderPath() const
{
    return current_ && current_->parent() ? current_->parent()->getRelativePath(root_) : std::string();
}

} // namespace Quorvane::DirectoryTrees
