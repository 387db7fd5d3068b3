// Brings a folder tree control in line with a folder tree, keeping the items
// that are still right (and so their selection and expansion).
#pragma once

#include "plugin/fill/library/folder_tree_control.h"
#include "plugin/framework/folders/directory_tree.h"

namespace Quorvane {

// The children of `parent` become the sub-folders of `folder`, in the tree's
// order, recursively. With a null folder the level is emptied.
void syncFolderTreeControl(FolderTreeControl &control, FolderTreeControl::Item parent,
                           const DirectoryTrees::Tree *folder);

} // namespace Quorvane
