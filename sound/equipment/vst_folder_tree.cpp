#include "sound/equipment/vst_folder_tree.h"

#include "sound/equipment/vst_plugin_check.h"

#include <windows.h>

#include <algorithm>

namespace Quorvane {

namespace {

// Deeper folders are not walked (a link may loop back).
constexpr int kMaxDepth = 32;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Without trailing separators, except a drive's root ("C:\").
std::string TrimFolder(std::string path)
{
    while (path.size() > 1 && IsSeparator(path.back()) && !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    return path;
}

std::string Join(const std::string &folder, const char *name)
{
    return folder + (IsSeparator(folder.back()) ? "" : "\\") + name;
}

int Components(const std::string &path)
{
    int count = 0;
    for (size_t i = 0; i < path.size(); ++i)
        if (!IsSeparator(path[i]) && (i == 0 || IsSeparator(path[i - 1])))
            ++count;
    return count;
}

bool HasDllExtension(const std::string &name)
{
    return name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".dll") == 0;
}

} // namespace

int VstFolderTree::AddNode(VstTreeNode node)
{
    nodes_.push_back(std::move(node));
    return static_cast<int>(nodes_.size()) - 1;
}

bool VstFolderTree::Build(const std::vector<const char *> &folders, VstScanCache &cache,
                          const CStructArray *known)
{
    nodes_.clear();
    roots_.clear();
    std::vector<bool> found;
    for (const char *text : folders) {
        if (!text || !*text)
            continue;
        const std::string path = TrimFolder(text);
        const bool walked = std::any_of(roots_.begin(), roots_.end(), [&](int root) {
            return _stricmp(nodes_[root].path.c_str(), path.c_str()) == 0;
        });
        if (walked)
            continue;
        VstTreeNode root;
        root.path = path;
        root.label = path;
        root.folder = true;
        roots_.push_back(AddNode(std::move(root)));
        if (!Walk(roots_.back(), 0, cache, known, found))
            return false;
    }
    SortChildren(roots_);
    cache.DropUnless([&](long index) { return index < static_cast<long>(found.size()) && found[index]; });
    return true;
}

bool VstFolderTree::Walk(int folder, int depth, VstScanCache &cache, const CStructArray *known,
                         std::vector<bool> &found)
{
    const std::string path = nodes_[folder].path;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(Join(path, "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    std::vector<int> children;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        VstTreeNode node;
        node.path = Join(path, entry.cFileName);
        node.label = name;
        node.parent = folder;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth >= kMaxDepth || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            node.folder = true;
            children.push_back(AddNode(std::move(node)));
        } else if (HasDllExtension(name) && HasVstEntry(node.path)) {
            children.push_back(AddNode(std::move(node)));
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    // In the order shown: the files here, then the folders below.
    SortChildren(children);
    for (int child : children) {
        VstTreeNode &file = nodes_[child];
        if (file.folder)
            continue;
        file.cacheIndex = cache.Find(file.path);
        if (file.cacheIndex < 0 && (file.cacheIndex = cache.Add(file.path)) < 0)
            return false;
        if (found.size() <= static_cast<size_t>(file.cacheIndex))
            found.resize(file.cacheIndex + 1, false);
        found[file.cacheIndex] = true;
        file.checked = IsKnownPlugin(known, file.label);
    }
    for (int child : children)
        if (nodes_[child].folder && !Walk(child, depth + 1, cache, known, found))
            return false;
    // A known file starts checked, and so do the folders above it.
    for (int child : children)
        if (nodes_[child].checked)
            nodes_[folder].checked = true;
    nodes_[folder].children = std::move(children);
    return true;
}

void VstFolderTree::SortChildren(std::vector<int> &children) const
{
    std::sort(children.begin(), children.end(), [this](int a, int b) {
        const VstTreeNode &x = nodes_[a];
        const VstTreeNode &y = nodes_[b];
        if (x.folder != y.folder)
            return x.folder;
        if (!x.folder)
            return _stricmp(x.label.c_str(), y.label.c_str()) < 0;
        // Folders: more path components first, then by path.
        const int xs = Components(x.path);
        const int ys = Components(y.path);
        if (xs != ys)
            return xs > ys;
        return _stricmp(x.path.c_str(), y.path.c_str()) < 0;
    });
}

void VstFolderTree::SetBelow(int node, bool checked)
{
    nodes_[node].checked = checked;
    for (int child : nodes_[node].children)
        SetBelow(child, checked);
}

void VstFolderTree::SetChecked(int node, bool checked)
{
    SetBelow(node, checked);
    for (int up = nodes_[node].parent; up >= 0; up = nodes_[up].parent) {
        if (checked) {
            nodes_[up].checked = true;
            continue;
        }
        const auto &siblings = nodes_[up].children;
        if (std::any_of(siblings.begin(), siblings.end(),
                        [this](int child) { return nodes_[child].checked; }))
            break;
        nodes_[up].checked = false;
    }
}

void VstFolderTree::CollectChecked(int node, std::vector<int> &files) const
{
    if (!nodes_[node].folder) {
        if (nodes_[node].checked)
            files.push_back(node);
        return;
    }
    for (int child : nodes_[node].children)
        CollectChecked(child, files);
}

std::vector<int> VstFolderTree::CheckedFiles() const
{
    std::vector<int> files;
    for (int root : roots_)
        CollectChecked(root, files);
    return files;
}

} // namespace Quorvane
