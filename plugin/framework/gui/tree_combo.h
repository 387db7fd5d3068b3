// A combo-box-like window whose drop-down is a tree of a folder's
// sub-folders and pattern files. The user picks a file in the tree, or
// steps through the files with keys or the wheel without opening it; the
// combo shows the picked file's path (relative to the root, without the
// extension) and tells its parent through the combo-box notifications.
#pragma once

#include "plugin/framework/gui/window.h"

#include <commctrl.h>

#include <string>
#include <utility>

namespace Quorvane {

class CTreeCombo;

// The drop-down: a popup tree view of the root folder. Items carry 0 for a
// folder and 1 for a file, whose text is its name without the extension.
class CTreeDropList : public Window {
public:
    explicit CTreeDropList(std::string rootFolder, std::string extension = ".mid");
    ~CTreeDropList() override;

    // Creates the hidden popup owned by ownerWindow and fills it.
    bool create(CTreeCombo &combo, HWND ownerWindow, int width, int height);

    // Texts of the item and its ancestors joined with the separator.
    std::string getItemPath(HTREEITEM item) const;
    std::string getSelectedPath() const;
    // The first component up to the first separator, and the rest.
    std::pair<std::string, std::string> splitPath(const std::string &path) const;
    HTREEITEM findItemByPath(const std::string &path) const;
    HTREEITEM findChildByPath(HTREEITEM parent, const std::string &path) const;
    HTREEITEM insertFolderItem(HTREEITEM parent, const std::string &name);
    HTREEITEM insertFileItem(HTREEITEM parent, const std::string &name);
    bool isFileItem(HTREEITEM item) const;
    std::string itemText(HTREEITEM item) const;

    HTREEITEM selectedItem() const;
    void selectItem(HTREEITEM item);
    HTREEITEM rootItem() const;
    HTREEITEM parentItem(HTREEITEM item) const;
    HTREEITEM firstChild(HTREEITEM item) const;
    // The first file after item, depth first; null at the end (a null item
    // starts before the first).
    HTREEITEM nextFile(HTREEITEM item) const;
    // The mirror walk backwards.
    HTREEITEM previousFile(HTREEITEM item) const;

    // Brings the items up to date with the disk: gone entries are deleted,
    // entries of the wrong kind replaced, new ones added.
    void refresh();

    const std::string &rootFolder() const { return root_; }
    const std::string &extension() const { return extension_; }
    char separator() const { return separator_; }

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void fillFolder(HTREEITEM parent, const std::string &folder);
    void refreshFolder(HTREEITEM parent, const std::string &folder);
    HTREEITEM nextInOrder(HTREEITEM item) const;
    HTREEITEM previousInOrder(HTREEITEM item) const;
    HTREEITEM insertItem(HTREEITEM parent, const std::string &name, LPARAM kind, int image, int openImage);
    void onClick(LPARAM lParam);

    CTreeCombo *combo_ = nullptr;
    HIMAGELIST images_ = nullptr;
    int fileImage_ = -1;
    int folderImage_ = -1;
    int openFolderImage_ = -1;
    char separator_ = '\\';
    std::string root_;
    std::string extension_;
};

class CTreeCombo : public Window {
public:
    static constexpr int kDefaultDropSize = 200;

    explicit CTreeCombo(std::string rootFolder, std::string extension = ".mid");
    ~CTreeCombo() override;

    // Creates the combo as a child of parent, and its drop list.
    bool create(HWND parent, const RECT &rect, UINT id);
    void setDropSize(int width, int height);

    // WM_COMMAND to the parent: the id and code, the combo as lParam.
    void notifyParent(UINT code);
    // Selects the item and shows its path.
    void selectTreeItem(HTREEITEM item);
    bool isDroppedDown() const { return droppedDown_; }
    // Whether the list closed last with a choice (else cancelled).
    bool lastCloseConfirmed() const { return lastConfirmed_; }
    void dropDown();
    // Closing with the selected item (confirmed) or back to the path that
    // was selected when the list opened.
    void closeWithChoice();
    void closeWithoutChoice();
    // The list lost the focus.
    void dropListLostFocus(HWND newFocus);

    // The shown text.
    virtual void setText(const std::string &text);
    virtual std::string text() const { return text_; }

    // Steps used by keys and the wheel.
    void stepToNextFile();
    void stepToPreviousFile();
    void stepToParent();
    void stepToChild();
    void stepToRoot();

    CTreeDropList &dropList() { return dropList_; }
    // The message through which the combo asks its parent, before
    // refreshing a folder, whether it is unchanged (a non-zero answer
    // skips it): wParam the combo's id, lParam the folder's path.
    static UINT folderUnchangedMessage();
    // Whether the parent says the folder is unchanged.
    bool parentSaysUnchanged(const std::string &folder);

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paint(HDC dc);
    void onKeyDown(WPARAM key, LPARAM lParam);
    void onWheel(int delta);
    void landOn(HTREEITEM item);

    CTreeDropList dropList_;
    int dropWidth_ = kDefaultDropSize;
    int dropHeight_ = kDefaultDropSize;
    std::string text_;
    bool droppedDown_ = false;
    // How the list closed last: confirmed or cancelled.
    bool lastConfirmed_ = false;
    std::string pathAtDrop_;
};

} // namespace Quorvane
