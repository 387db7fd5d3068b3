// A combo-box-like window whose drop-down is a tree of a folder's
// sub-folders and pattern files. The user picks a file in the tree, or
// steps through the files with keys or the wheel without opening it; the
// combo shows the picked file's path (relative to the root, without the
// extension) and tells its parent through the combo-box notifications.
// A watcher thread keeps the tree in step with the disk.
//
// A combo made over a dialog item (createOver: the loop browser's folder
// combo) has an edit field and a drop button of its own, shows the chosen
// item's name and tells its parent as the loop folder combo does: 1 an item
// was chosen, 3 the list lost the focus, 4 it closed, 7 it opens, 9 a choice
// confirmed with Enter, 10 cancelled. FlatTreeCombo is that combo drawn
// flat, its own window showing the text.
#pragma once

#include "plugin/framework/gui/gone_notice.h"
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
    // How the drop-down closed last.
    enum CloseState { Cancelled = 0, OpenOrConfirmed = 1, NeverOpened = 2 };

    explicit CTreeDropList(std::string rootFolder, std::string extension = ".mid");
    // Stops the watcher, waiting until it has ended.
    ~CTreeDropList() override;

    // Creates the hidden popup owned by ownerWindow, fills it and starts
    // the watcher.
    bool create(CTreeCombo &combo, HWND ownerWindow, int width, int height);

    // "ZQVPC_FOLDERCONTENTSCHANGED": the watcher's news that names below
    // the root changed; the list refreshes itself on it.
    static UINT folderContentsChangedMessage();
    bool isWatching() const { return watcher_ != nullptr; }
    int closeState() const { return closeState_; }
    void setCloseState(CloseState state) { closeState_ = state; }

    // ---- The selection as a folder of files to load and save

    // The selected item exists and is a file.
    bool isFileSelected() const;
    // The selected file's name; with no file selected a free name
    // "loop01", "loop02", ... among the children of the selected folder
    // (or of the root).
    std::string selectedName() const;
    // A free name among the files of the selection's folder, whatever is
    // selected in it.
    std::string freeName() const;
    // The root followed by the folder of the selection.
    std::string selectedFolderPath() const;
    // The root, the selection's relative path and, for a file, the
    // extension.
    std::string selectedPath() const;
    // Where a file is saved: the root, the selection's folder, the
    // selected or a free name (or the name given), and the extension.
    std::string savePath() const;
    std::string savePath(const std::string &name) const;
    // Selects the item of a full path below the root (compared without
    // regard to case; the extension's length is cut from the end), or the
    // last item found on its way; null and nothing selected when the path
    // lies elsewhere.
    HTREEITEM selectPath(const std::string &fullPath);

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
    std::string rootWithSeparator() const;
    // The relative folder of the selection ("" at the root), without a
    // trailing separator.
    std::string selectedFolder() const;
    // The selected folder item (null for the root): a selected file's own
    // folder.
    HTREEITEM selectedFolderItem() const;
    // "loop01", "loop02", ...: the first not among folder's children.
    std::string freeNameIn(HTREEITEM folder) const;
    void startWatcher();
    void stopWatcher();
    static DWORD WINAPI watch(void *list);
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
    int closeState_ = NeverOpened;
    // The watcher thread, the manual-reset event that stops it and the
    // change notification it waits on (closed once the thread has ended).
    HANDLE watcher_ = nullptr;
    HANDLE stopWatching_ = nullptr;
    HANDLE changes_ = nullptr;
};

class CTreeCombo : public Window {
public:
    static constexpr int kDefaultDropSize = 200;
    static constexpr UINT kButtonId = 4317;
    static constexpr UINT kEditId = 4318;
    // Posted by the drop button: open or close the list.
    static constexpr UINT kToggleMessage = 1579;
    // What a combo made over a dialog item tells its parent (besides
    // CBN_DROPDOWN and CBN_SELENDOK, CBN_SELENDCANCEL).
    static constexpr WORD kChosen = 1;
    static constexpr WORD kListLostFocus = 3;
    static constexpr WORD kClosed = 4;

    explicit CTreeCombo(std::string rootFolder, std::string extension = ".mid");
    ~CTreeCombo() override;

    // Creates the combo as a child of parent, and its drop list.
    bool create(HWND parent, const RECT &rect, UINT id);
    void setDropSize(int width, int height);

    // ---- The combo made over a dialog item

    // The edit field; null without one.
    virtual HWND edit() const { return edit_; }
    // Replaces the dialog item by the combo at its place and with its id,
    // the drop size taken from the item's dropped rectangle; then the drop
    // list, the edit field and the button. False (the item stays) when the
    // item is missing or no window could be made.
    virtual bool createOver(int dialogItemId, HWND dialog);
    virtual bool createButton();
    virtual bool createEdit();
    virtual bool mouseOverEdit() const;
    virtual bool mouseOverButton() const;
    virtual bool hasFocus() const;

    bool isFileSelected() const { return dropList_.isFileSelected(); }
    std::string selectedName() const { return dropList_.selectedName(); }
    std::string selectedFolderPath() const { return dropList_.selectedFolderPath(); }
    std::string selectedPath() const { return dropList_.selectedPath(); }
    std::string savePath() const { return dropList_.savePath(); }
    std::string savePath(const std::string &name) const { return dropList_.savePath(name); }
    HTREEITEM selectPath(const std::string &fullPath) { return dropList_.selectPath(fullPath); }

    // WM_COMMAND to the parent: the id and code, the combo as lParam.
    void notifyParent(UINT code);
    // Selects the item and shows its path.
    void selectTreeItem(HTREEITEM item);
    bool isDroppedDown() const { return droppedDown_; }
    // Whether the list closed last with a choice (else cancelled).
    bool lastCloseConfirmed() const { return lastConfirmed_; }
    void dropDown();
    // Closing with the selected item (confirmed; byEnter: with the Enter
    // key) or back to the path that was selected when the list opened.
    void closeWithChoice(bool byEnter = false);
    // A folder was clicked in the list.
    void folderClicked(HTREEITEM folder);
    void closeWithoutChoice();
    // The list lost the focus.
    void dropListLostFocus(HWND newFocus);

    // The shown text: the edit field's when there is one.
    virtual void setText(const std::string &text);
    virtual std::string text() const;
    // Shows the selected item's name (a combo made over a dialog item).
    void showSelectedName();

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
    // The closed combo's face.
    virtual void paintFace(HDC dc);
    bool madeOverItem() const { return madeOverItem_; }

    // Offers a key-down to the parent's keys; true when they took it.
    bool parentTakesKey(WPARAM key, LPARAM lParam);

private:
    void onKeyDown(WPARAM key, LPARAM lParam);
    void drawButton(const DRAWITEMSTRUCT &item);
    bool cursorOver(HWND window) const;
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
    bool madeOverItem_ = false;
    HWND edit_ = nullptr;
    HWND button_ = nullptr;
};

// The combo made over a dialog item, drawn flat: no edit field and no
// button; the combo's own window shows the text, and it is the field in
// which a name is typed. A click on the arrow at its right opens the list;
// a click into the text opens a name (drawn as an edit field, the shown
// name marked so that the first character replaces it). Only while a name
// is open do character keys type (digits too), Backspace erase and Enter
// tell the parent kNameEntered with the name as the text; every other key
// is the combo's and its parent's as ever. Escape, another text shown or
// the focus going elsewhere ends the name; a name the parent does not take
// (it shows no other text) stays open for another try.
class FlatTreeCombo : public CTreeCombo {
public:
    // WM_COMMAND code: a typed name was confirmed with Enter; text() is it
    // while the parent is told, then the selection's name shows again.
    static constexpr WORD kNameEntered = 11;

    using CTreeCombo::CTreeCombo;

    HWND edit() const override { return nullptr; }
    // Shows text, ending a name being typed.
    void setText(const std::string &text) override;
    std::string text() const override;
    bool createButton() override { return true; }
    bool createEdit() override { return true; }
    bool mouseOverEdit() const override;
    bool mouseOverButton() const override;
    bool hasFocus() const override;
    bool isNaming() const { return naming_; }
    // Whether a click at x (client coordinates) lands on the arrow that
    // opens the list, rather than in the text.
    bool onArrow(int x) const;

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintFace(HDC dc) override;

private:
    // A key-down of an open name; false leaves it to the combo's own keys.
    bool takeNameKey(WPARAM key);
    void beginName();
    void showTyped(const std::string &name);
    void enterName();
    // An open name takes text as an edit field does.
    LRESULT dialogCode(WPARAM wParam, LPARAM lParam);
    int textWidth(HDC dc, const std::string &text) const;
    void placeCaret();
    // The caret shows only while a name is open.
    void showCaret(bool shown);

    bool naming_ = false;
    // The shown name is marked: the first character replaces it.
    bool replacing_ = false;
    // The parent is being told of a name: its questions take the focus
    // without ending the name.
    bool entering_ = false;
    bool caretShown_ = false;
    // The character of the last key-down is typed.
    bool typing_ = false;
    // The parent's questions about a name wait in modal loops.
    GoneNotice gone_;
};

} // namespace Quorvane
