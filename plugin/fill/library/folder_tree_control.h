// The folder tree of a patterns view, as the pattern library fills it: the
// view implements this over its tree control, tests over a fake.
#pragma once

#include <string>

namespace Quorvane {

class FolderTreeControl {
public:
    // An item of the control; null stands for the invisible root when given
    // as a parent, and for "no item" when returned.
    using Item = void *;

    // Image pairs (normal, selected) of folders on disk and inside volumes.
    enum Image {
        FolderImage = 0,
        SelectedFolderImage = 1,
        VolumeFolderImage = 2,
        SelectedVolumeFolderImage = 3,
    };

    virtual ~FolderTreeControl() = default;

    virtual Item firstChild(Item parent) = 0;
    virtual Item nextSibling(Item item) = 0;
    virtual std::string text(Item item) = 0;
    // Inserts below parent right after `after`, or first when after is null;
    // null when the control refused.
    virtual Item insertAfter(Item parent, Item after, const std::string &text, int image,
                             int selectedImage) = 0;
    // Inserts below parent after its last child; null when refused.
    virtual Item append(Item parent, const std::string &text, int image, int selectedImage) = 0;
    // Deletes the item with everything below it.
    virtual void deleteItem(Item item) = 0;
};

} // namespace Quorvane
