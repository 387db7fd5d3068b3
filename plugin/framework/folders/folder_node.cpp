#include "plugin/framework/folders/folder_node.h"

#include "plugin/framework/folders/volume_file.h"

#include <windows.h>

#include <cstring>

namespace Quorvane::DirectoryTrees {

namespace {

bool endsWithNoCase(const std::string &name, const char *extension)
{
    const size_t length = std::strlen(extension);
    return name.size() >= length && lstrcmpiA(name.c_str() + name.size() - length, extension) == 0;
}

} // namespace

bool isVolumeFileName(const std::string &name)
{
    return name.find('.') == std::string::npos || endsWithNoCase(name, ".vol");
}

bool isPatternFileName(const std::string &name)
{
    return endsWithNoCase(name, ".mid");
}

FolderNode::FolderNode(std::string name, Tree *parent) : Tree(std::move(name), parent) {}

void FolderNode::rescan()
{
    // Below the deepest level we take no further folders, which also ends
    // any loop through linked folders.
    const bool foldersWanted = depth() < kMaxDepth;

    // Read the folder into a scratch tree first, so that what is unchanged
    // can stay as it is. Listings come in no promised order: the children
    // are gathered and sorted once.
    Tree fresh(std::string(), nullptr);
    std::vector<std::unique_ptr<Tree>> folders;
    std::vector<std::unique_ptr<Leaf>> leaves;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((getPath() + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (foldersWanted)
                    folders.push_back(std::make_unique<FolderNode>(name, this));
            } else if (isVolumeFileName(name)) {
                if (foldersWanted)
                    folders.push_back(std::make_unique<VolumeNode>(name, this));
            } else if (isPatternFileName(name)) {
                leaves.push_back(std::make_unique<Leaf>(name, this));
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    fresh.addSubTrees(std::move(folders));
    fresh.addLeaves(std::move(leaves));
    mergeFrom(fresh, false);
    Tree::rescan();
}

} // namespace Quorvane::DirectoryTrees
