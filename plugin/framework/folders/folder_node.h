// A folder on disk: its sub-folders, volume files and pattern files.
#pragma once

#include "plugin/framework/folders/directory_tree.h"

namespace Quorvane::DirectoryTrees {

// A volume file is named without a dot, or with the extension ".vol".
bool isVolumeFileName(const std::string &name);
// A pattern file has the extension ".mid", in any case.
bool isPatternFileName(const std::string &name);

class FolderNode : public Tree {
public:
    FolderNode(std::string name, Tree *parent);

    // Re-reads the folder and everything below it. Children that are still
    // there keep their identity; folders nested deeper than kMaxDepth below
    // the root are left out.
    void rescan() override;
};

} // namespace Quorvane::DirectoryTrees
