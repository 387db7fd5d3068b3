// The two windows of the patterns view, taken over from the common controls:
// the folder tree (which the pattern library fills) and the pattern list.
// Keys they do not use go on to the panel.
#pragma once

#include "plugin/fill/panel/patterns_view.h"

namespace Quorvane {

// Whether the tree or the list keeps a key (navigation, and Delete in the
// list); every other key, and every key with Ctrl held, goes to the panel.
bool keptByPatternsControl(int key, bool list);

class PatternsView::Tree : public Window, public FolderTreeControl {
public:
    explicit Tree(PatternsView &view) : view_(view) {}

    std::string itemText(HTREEITEM item) const;

    Item firstChild(Item parent) override;
    Item nextSibling(Item item) override;
    std::string text(Item item) override;
    Item insertAfter(Item parent, Item after, const std::string &text, int image, int selectedImage) override;
    Item append(Item parent, const std::string &text, int image, int selectedImage) override;
    void deleteItem(Item item) override;

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Item insert(Item parent, HTREEITEM after, const std::string &text, int image, int selectedImage);
    bool forwardsKey(int key) const { return !keptByPatternsControl(key, false); }

    PatternsView &view_;
};

class PatternsView::List : public Window {
public:
    explicit List(PatternsView &view) : view_(view) {}

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    PatternsView &view_;
};

} // namespace Quorvane
