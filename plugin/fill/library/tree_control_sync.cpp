#include "plugin/fill/library/tree_control_sync.h"

namespace Quorvane {

namespace {

using DirectoryTrees::Tree;
using Item = FolderTreeControl::Item;

int imageOf(const Tree &folder)
{
    return folder.isInVolume() ? FolderTreeControl::VolumeFolderImage : FolderTreeControl::FolderImage;
}

int selectedImageOf(const Tree &folder)
{
    return folder.isInVolume() ? FolderTreeControl::SelectedVolumeFolderImage
                               : FolderTreeControl::SelectedFolderImage;
}

} // namespace

void syncFolderTreeControl(FolderTreeControl &control, Item parent, const Tree *folder)
{
    // Both lists are in byte order of the names, so one parallel walk finds
    // what to keep, insert and delete.
    const Tree *sub = folder ? folder->firstSubTree() : nullptr;
    Item item = control.firstChild(parent);
    Item previous = nullptr;
    while (sub && item) {
        const int order = sub->name().compare(control.text(item));
        if (order == 0) {
            syncFolderTreeControl(control, item, sub);
            previous = item;
            item = control.nextSibling(item);
            sub = sub->nextTree();
        } else if (order < 0) {
            if (Item added = control.insertAfter(parent, previous, sub->name(), imageOf(*sub),
                                                 selectedImageOf(*sub))) {
                syncFolderTreeControl(control, added, sub);
                previous = added;
            }
            sub = sub->nextTree();
        } else {
            Item gone = item;
            item = control.nextSibling(item);
            control.deleteItem(gone);
        }
    }
    for (; sub; sub = sub->nextTree()) {
        if (Item added = control.append(parent, sub->name(), imageOf(*sub), selectedImageOf(*sub)))
            syncFolderTreeControl(control, added, sub);
    }
    while (item) {
        Item gone = item;
        item = control.nextSibling(item);
        control.deleteItem(gone);
    }
}

} // namespace Quorvane
