// The fill pattern browser of the editor: the library's folders in a tree on
// top and the patterns of the chosen folder in a list below. Choosing a
// pattern loads it into the engine (after asking whether unsaved edits are to
// be saved); context menus rename, delete and organise patterns and folders;
// MIDI files and MIDI data dropped on it join the library.
#pragma once

#include "plugin/fill/library/folder_tree_control.h"
#include "plugin/fill/library/pattern_listing.h"
#include "plugin/framework/gui/window.h"

#include <commctrl.h>
#include <ole2.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace Quorvane {

class Grindelvosket;
class PatternTree;

class PatternsView : public Window {
public:
    static constexpr int kTreeId = 4003;
    static constexpr int kListId = 4004;
    static constexpr int kColumns = 21;
    // Posted to itself with the chosen pattern (a PatternChoice).
    static constexpr UINT kChoosePatternMessage = WM_USER + 1;
    static constexpr UINT kRescanMessage = WM_USER + 2;

    // Context menu commands.
    enum ListCommand { ListEdit = 1000, ListRename = 1003, ListDelete = 1004 };
    enum TreeCommand { TreeExplore = 1000, TreeRename = 1001, TreeNew = 1002, TreeDelete = 1003 };

    explicit PatternsView(PatternTree *library);
    ~PatternsView() override;

    static SIZE preferredSize() { return {177, 372}; }
    // The title of a list column ("Name" ... "X", "Col %d" beyond).
    static std::string columnTitle(int column);
    // A pattern file's name (before the first "_") and comment (the rest up
    // to the last ".").
    static void splitFileName(const std::string &file, std::string &name, std::string &comment);
    // Whether text can be one component of a file name: no separator, no
    // "..", no character a file name cannot hold.
    static bool isValidName(const std::string &text);

    bool create(HWND parent, const RECT &rect);
    // The tree in line with the library, the engine's folder and pattern
    // selected (an empty list without an engine).
    void refresh();
    void attach(Grindelvosket *engine);
    void detach(Grindelvosket *engine);
    void focus();
    // Selects the deepest tree item the path reaches (the first root item
    // when it reaches none) and lists its patterns.
    void selectFolder(const std::string &relativePath);
    // Selects the first pattern whose Path cell and file name make name.
    void selectFile(const std::string &name);
    // The engine's pattern shown: its folder and its file.
    void showSelection(const std::string &folder, const std::string &file);
    // The tree in line with the library; the list filled again when the
    // patterns of its folder changed.
    void followLibrary();

    // The Save As dialog for the engine's edited fill; true when it was
    // saved.
    bool saveEdits();
    // Asks about unsaved edits and loads the pattern, as choosing it in the
    // list does.
    void choosePattern(const std::string &folder, const std::string &file);

    // ---- What tests read
    HWND treeWindow() const;
    HWND listWindow() const;
    IDropTarget *dropTarget() const;
    std::string userFolder() const { return userFolder_; }
    // The selected tree folder relative to the library ("Rock\"), empty
    // without a selection.
    std::string selectedFolder() const;
    int itemCount() const;
    int columnCount() const;
    std::string cellText(int item, int column) const;
    std::string headerText(int column) const;
    const std::string &filter(int column) const { return filters_[column]; }
    int primarySortKey() const { return primary_; }
    int secondarySortKey() const { return secondary_; }
    // The folder (relative) a drop at a client point lands in; false for
    // none (outside the tree and list, or inside a volume file).
    bool dropFolderAt(POINT client, std::string &folder) const;
    // Adds dropped data to a folder; true when every file arrived.
    bool dropInto(IDataObject *data, const std::string &folder);

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class Tree;
    class List;
    class DropTarget;
    // What a list item carries: its file name and the texts of its cells.
    struct ItemData;
    // The pattern a selection chose, taken up by the posted message.
    struct PendingChoice {
        bool valid = false;
        std::string folder;
        std::string file;
    };

    void onCreate();
    IDropTarget *newDropTarget();
    // Sends a key the tree or list does not use on to the panel.
    void forwardKey(WPARAM key, LPARAM lParam);
    void layout();
    LRESULT onNotify(NMHDR &header);
    void onColumnClick(int column);
    void onItemChanged(const NMLISTVIEW &change);
    void onChoosePattern(const std::string &folder, const std::string &file);
    bool onEndLabelEdit(const NMTVDISPINFOA &info);
    // Opens the pattern file with the shell's "open" verb; says so when
    // nothing opens it.
    void editPattern(const std::string &path);
    // Lists the patterns of the selected tree folder.
    void fillList();
    void addItem(const PatternEntry &entry, const std::string &listedFolder, bool analyse);
    void sortList();
    // One entry of a context menu; a null text is a separator.
    struct MenuEntry {
        int id;
        const char *text;
    };
    // Shows a menu of entries at a screen point (each greyed unless usable)
    // and returns the command chosen, 0 for none.
    int trackMenu(std::initializer_list<MenuEntry> entries, bool usable, POINT screen);
    void treeMenu(POINT screen);
    void listMenu(POINT screen);
    void deleteSelectedPatterns();
    void renameSelectedPatterns();
    void rescan();
    std::string folderOfItem(HTREEITEM item) const;
    std::string absoluteFolder(const std::string &relative) const;
    bool isInVolume(const std::string &relativePath) const;
    std::vector<int> selectedItems() const;
    std::string itemFile(int item) const;
    static void deleteItemData(LPARAM data);
    void proposeUserFolder();

    PatternTree *library_;
    Grindelvosket *engine_ = nullptr;
    std::unique_ptr<Tree> tree_;
    std::unique_ptr<List> list_;
    IDropTarget *dropTarget_ = nullptr;
    bool registeredDrop_ = false;
    std::string userFolder_;
    std::string filters_[kColumns];
    int primary_ = 0;
    int secondary_ = 1;
    // What the list shows: its folder and the patterns it held.
    std::string listedFolder_;
    std::vector<std::string> listedFiles_;
    // Set while the view selects items itself: no pattern is chosen then.
    bool selecting_ = false;
    bool editingLabel_ = false;
    PendingChoice pending_;
};

} // namespace Quorvane
