#include "plugin/fill/library/pattern_tree.h"

#include "plugin/fill/library/pattern_path.h"
#include "plugin/fill/library/tree_control_sync.h"
#include "plugin/fill/library/updater_window.h"

namespace Quorvane {

using DirectoryTrees::FolderNode;
using DirectoryTrees::InStream;
using DirectoryTrees::Leaf;
using DirectoryTrees::LeafIterator;
using DirectoryTrees::Node;
using DirectoryTrees::Tree;

namespace {

// "A\B" and "A\B\" both name folder B; listings show it as "A\B\".
std::string asFolderPrefix(const std::string &relative)
{
    return relative.empty() ? relative : relative + '\\';
}

// The node a path names exactly, folder or file; null when any part is
// missing.
const Node *findExactly(const Tree &root, const std::string &path)
{
    const Tree *tree = &root;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        const bool last = end == std::string::npos || end + 1 == path.size();
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(start, end - start);
        if (const Tree *sub = tree->findChildTree(name)) {
            if (last)
                return sub;
            tree = sub;
        } else {
            return last ? tree->findLeaf(name) : nullptr;
        }
        start = end + 1;
    }
    return tree;
}

// The folder a path names exactly; null for a missing folder, a pattern
// or a name that could leave the library.
const Tree *findFolder(const Tree &root, const std::string &path)
{
    const std::string within = canonicalPatternFolder(path);
    if (within.empty())
        return &root;
    if (!DirectoryTrees::isSafeRelativePath(within))
        return nullptr;
    const Node *node = findExactly(root, within);
    return node && node->isTree() ? static_cast<const Tree *>(node) : nullptr;
}

} // namespace

PatternTree::PatternTree()
{
    patternTreeChangedMessage();
    classAcquired_ = acquireUpdaterClass(&PatternTree::updaterProcedure);
    if (classAcquired_)
        window_ = createUpdaterWindow(this);
}

PatternTree::~PatternTree()
{
    HWND window;
    {
        CriticalSectionGuard guard(lock_);
        // The watcher thread ends before anything it could touch goes away.
        stop();
        window = window_.exchange(nullptr);
        if (window)
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    // A window of another thread cannot be destroyed from here; it closes
    // on its own thread and no longer knows the tree.
    if (window && !DestroyWindow(window))
        PostMessageA(window, WM_CLOSE, 0, 0);
    tree_.reset();
    if (classAcquired_)
        releaseUpdaterClass();
}

LRESULT CALLBACK PatternTree::updaterProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        const auto *create = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_DESTROY) {
        if (auto *tree = reinterpret_cast<PatternTree *>(GetWindowLongPtrA(window, GWLP_USERDATA)))
            tree->onUpdaterDestroyed();
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    } else if (message == patternTreeChangedMessage()) {
        if (auto *tree = reinterpret_cast<PatternTree *>(GetWindowLongPtrA(window, GWLP_USERDATA)))
            tree->onChangeReported();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PatternTree::onUpdaterDestroyed()
{
    CriticalSectionGuard guard(lock_);
    stop();
    window_ = nullptr;
}

void PatternTree::onChangeReported()
{
    refresh();
    ChangeCallback callback;
    {
        CriticalSectionGuard guard(lock_);
        callback = callback_;
    }
    // Outside the lock: the callback takes the engines' locks.
    if (callback)
        callback();
}

void PatternTree::watchLocked()
{
    if (window_.load() && tree_)
        start();
}

void PatternTree::rescanLocked()
{
    stop();
    // Armed before reading, so that a change made while we read is reported
    // and not lost; reading itself changes no names.
    watchLocked();
    if (tree_)
        tree_->rescan();
}

void PatternTree::setRoot(const std::string &path)
{
    CriticalSectionGuard guard(lock_);
    if (tree_ ? tree_->name() == path : path.empty())
        return;
    stop();
    tree_.reset();
    // An empty name would stand for the root of the current drive.
    if (!path.empty())
        tree_ = std::make_unique<FolderNode>(path, nullptr);
    rescanLocked();
}

std::string PatternTree::getRootPath() const
{
    CriticalSectionGuard guard(lock_);
    return tree_ ? tree_->name() : std::string();
}

const char *PatternTree::path()
{
    CriticalSectionGuard guard(lock_);
    return tree_ ? tree_->name().c_str() : nullptr;
}

void PatternTree::changed()
{
    if (HWND window = window_.load()) {
        PostMessageA(window, patternTreeChangedMessage(), 0, 0);
        return;
    }
    CriticalSectionGuard guard(lock_);
    if (tree_)
        tree_->rescan();
}

void PatternTree::setCallback(ChangeCallback callback)
{
    CriticalSectionGuard guard(lock_);
    callback_ = std::move(callback);
    if (!callback_) {
        stop();
    } else if (!isWatching()) {
        // The library may have changed while nobody watched.
        rescanLocked();
    }
}

void PatternTree::refresh()
{
    CriticalSectionGuard guard(lock_);
    rescanLocked();
}

PatternListing PatternTree::findNode(const std::string &relativePath) const
{
    CriticalSectionGuard guard(lock_);
    PatternListing listing;
    if (!tree_)
        return listing;
    Tree *folder = tree_->findSubTree(relativePath);
    listing.folder = asFolderPrefix(folder->getRelativePath(tree_.get()));
    LeafIterator leaves(folder);
    for (Leaf *leaf = leaves.current(); leaf; leaf = leaves.next())
        listing.entries.push_back({asFolderPrefix(leaves.getFolderPath()), leaf->name(), leaf->isInVolume()});
    return listing;
}

RefPtr<InStream> PatternTree::openPattern(const std::string &folder, const std::string &file) const
{
    // A name that could climb out of the library finds nothing.
    const std::string within = canonicalPatternFolder(folder);
    if (!isSafePatternPath(within, file))
        return {};
    CriticalSectionGuard guard(lock_);
    if (!tree_)
        return {};
    Node *node = tree_->findSubTree(within)->findNodeByPath(file);
    if (!node || node->isTree())
        return {};
    // The stream owns what it reads (a file handle, or a share of a volume
    // entry's bytes), so it outlives the node.
    return static_cast<Leaf *>(node)->open();
}

bool PatternTree::readPattern(const std::string &folder, const std::string &file, CMidiTrack &track) const
{
    RefPtr<InStream> stream = openPattern(folder, file);
    return stream && track.loadSmf(*stream) == 0;
}

bool PatternTree::isInVolume(const std::string &relativePath) const
{
    CriticalSectionGuard guard(lock_);
    if (!tree_ || relativePath.empty())
        return false;
    const Node *node = findExactly(*tree_, relativePath);
    return node && node->isInVolume();
}

bool PatternTree::resolve(std::string &path, int depth) const
{
    CriticalSectionGuard guard(lock_);
    if (!tree_)
        return false;
    const Tree *folder = findFolder(*tree_, path);
    if (!folder)
        folder = tree_.get();
    while (folder->depth() < depth && folder->firstSubTree())
        folder = folder->firstSubTree();
    const std::string found = asFolderPrefix(folder->getRelativePath(tree_.get()));
    const bool same = found == path;
    path = found;
    return same;
}

std::string PatternTree::firstFolder() const
{
    CriticalSectionGuard guard(lock_);
    return tree_ && tree_->firstSubTree() ? asFolderPrefix(tree_->firstSubTree()->name()) : std::string();
}

std::vector<std::string> PatternTree::folderNames(const std::string &relativePath) const
{
    CriticalSectionGuard guard(lock_);
    std::vector<std::string> names;
    if (const Tree *folder = tree_ ? findFolder(*tree_, relativePath) : nullptr)
        for (const Tree *sub = folder->firstSubTree(); sub; sub = sub->nextTree())
            names.push_back(sub->name());
    return names;
}

void PatternTree::fillTreeControl(FolderTreeControl &control) const
{
    CriticalSectionGuard guard(lock_);
    syncFolderTreeControl(control, nullptr, tree_.get());
}

} // namespace Quorvane
