// The patterns view's window, its folder tree and the choice of a pattern.
#include "plugin/fill/panel/patterns_view.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/library/pattern_path.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/fill/panel/patterns_view_parts.h"
#include "plugin/framework/gui/user_answers.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/framework/plugin/com_object.h"

#include "base/message_box.h"

#include <algorithm>

namespace Quorvane {

namespace {

// The folder images of every tree, built on first use and destroyed when
// the module unloads.
class FolderImages {
public:
    ~FolderImages()
    {
        if (list_)
            ImageList_Destroy(list_);
    }
    HIMAGELIST get()
    {
        if (list_)
            return list_;
        list_ = ImageList_Create(16, 13, ILC_COLOR24, 4, 0);
        if (!list_)
            return nullptr;
        ImageList_SetBkColor(list_, GetSysColor(COLOR_WINDOW));
        for (WORD id : {IDB_FOLDER, IDB_FOLDER_SELECTED, IDB_VOLUME_FOLDER, IDB_VOLUME_FOLDER_SELECTED}) {
            HBITMAP bitmap = LoadBitmapA(com::thisModule(), MAKEINTRESOURCEA(id));
            ImageList_Add(list_, bitmap, nullptr);
            DeleteObject(bitmap);
        }
        return list_;
    }

private:
    HIMAGELIST list_ = nullptr;
};
FolderImages folderImages;

bool sameNames(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

} // namespace

// ---- The folder tree

std::string PatternsView::Tree::itemText(HTREEITEM item) const
{
    char text[MAX_PATH] = {};
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = MAX_PATH;
    TreeView_GetItem(handle(), &info);
    return text;
}

FolderTreeControl::Item PatternsView::Tree::firstChild(Item parent)
{
    return parent ? TreeView_GetChild(handle(), static_cast<HTREEITEM>(parent)) : TreeView_GetRoot(handle());
}

FolderTreeControl::Item PatternsView::Tree::nextSibling(Item item)
{
    return TreeView_GetNextSibling(handle(), static_cast<HTREEITEM>(item));
}

std::string PatternsView::Tree::text(Item item)
{
    return itemText(static_cast<HTREEITEM>(item));
}

FolderTreeControl::Item PatternsView::Tree::insert(Item parent, HTREEITEM after, const std::string &text,
                                                   int image, int selectedImage)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? static_cast<HTREEITEM>(parent) : TVI_ROOT;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char *>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

FolderTreeControl::Item PatternsView::Tree::insertAfter(Item parent, Item after, const std::string &text,
                                                        int image, int selectedImage)
{
    return insert(parent, after ? static_cast<HTREEITEM>(after) : TVI_FIRST, text, image, selectedImage);
}

FolderTreeControl::Item PatternsView::Tree::append(Item parent, const std::string &text, int image,
                                                   int selectedImage)
{
    return insert(parent, TVI_LAST, text, image, selectedImage);
}

void PatternsView::Tree::deleteItem(Item item)
{
    TreeView_DeleteItem(handle(), static_cast<HTREEITEM>(item));
}

LRESULT PatternsView::Tree::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && forwardsKey(static_cast<int>(wParam))) {
        view_.forwardKey(wParam, lParam);
        return 0;
    }
    return Window::windowProc(message, wParam, lParam);
}

// ---- The view

PatternsView::PatternsView(PatternTree *library) : library_(library) {}

PatternsView::~PatternsView()
{
    detach(engine_);
    if (registeredDrop_ && handle())
        RevokeDragDrop(handle());
    if (dropTarget_)
        dropTarget_->Release();
    // The list frees its items' data while this view still stands.
    if (HWND window = handle())
        DestroyWindow(window);
}

HWND PatternsView::treeWindow() const
{
    return tree_ ? tree_->handle() : nullptr;
}

HWND PatternsView::listWindow() const
{
    return list_ ? list_->handle() : nullptr;
}

bool PatternsView::create(HWND parent, const RECT &rect)
{
    return createWindow(0, WS_CHILD | WS_VISIBLE, rect, parent, 0);
}

void PatternsView::onCreate()
{
    RECT client{};
    GetClientRect(handle(), &client);
    const DWORD common = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP;
    HWND tree = CreateWindowExA(
        0, WC_TREEVIEWA, "",
        common | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS, 0, 0,
        client.right, client.bottom / 2 - 20, handle(),
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kTreeId)), com::thisModule(), nullptr);
    HWND list = CreateWindowExA(
        0, WC_LISTVIEWA, "", common | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_ALIGNLEFT, 0,
        client.bottom / 2 - 20, client.right, client.bottom - (client.bottom / 2 - 20), handle(),
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), com::thisModule(), nullptr);
    tree_ = std::make_unique<Tree>(*this);
    tree_->subclassWindow(tree);
    list_ = std::make_unique<List>(*this);
    list_->subclassWindow(list);
    TreeView_SetImageList(tree, folderImages.get(), TVSIL_NORMAL);
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP,
                                        LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    refresh();
    dropTarget_ = newDropTarget();
    registeredDrop_ = dropTarget_ && RegisterDragDrop(handle(), dropTarget_) == S_OK;
}

void PatternsView::layout()
{
    RECT client{};
    GetClientRect(handle(), &client);
    const int split = client.bottom / 2 - 20;
    if (tree_ && tree_->handle())
        MoveWindow(tree_->handle(), 0, 0, client.right, split, TRUE);
    if (list_ && list_->handle())
        MoveWindow(list_->handle(), 0, split, client.right, client.bottom - split, TRUE);
}

LRESULT PatternsView::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        const LRESULT result = Window::windowProc(message, wParam, lParam);
        if (result == 0)
            onCreate();
        return result;
    }
    case WM_SIZE:
        layout();
        return 0;
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<NMHDR *>(lParam));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_SAVE_FILL) {
            saveEdits();
            return 0;
        }
        break;
    case WM_PRINTCLIENT:
        FillRect(reinterpret_cast<HDC>(wParam), nullptr, GetSysColorBrush(COLOR_WINDOW));
        return 0;
    default:
        if (message == kChoosePatternMessage) {
            const PendingChoice choice = std::exchange(pending_, {});
            if (choice.valid)
                onChoosePattern(choice.folder, choice.file);
            return 0;
        }
        if (message == kRescanMessage) {
            rescan();
            return 0;
        }
        break;
    }
    return Window::windowProc(message, wParam, lParam);
}

void PatternsView::forwardKey(WPARAM key, LPARAM lParam)
{
    // The panel's shortcuts keep working while the tree or list has the
    // focus.
    if (HWND panel = GetParent(handle()))
        PostMessageA(panel, WM_KEYDOWN, key, (lParam & 0x00FF0000) | 1);
}

LRESULT PatternsView::onNotify(NMHDR &header)
{
    if (header.idFrom == kTreeId) {
        switch (header.code) {
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
            fillList();
            return 0;
        case TVN_BEGINLABELEDITA: {
            const auto &info = reinterpret_cast<const NMTVDISPINFOA &>(header);
            editingLabel_ = !isInVolume(folderOfItem(info.item.hItem));
            return editingLabel_ ? FALSE : TRUE;
        }
        case TVN_ENDLABELEDITA:
            // The end of an edit is told once, however the edit ends.
            if (!std::exchange(editingLabel_, false))
                return FALSE;
            return onEndLabelEdit(reinterpret_cast<const NMTVDISPINFOA &>(header)) ? TRUE : FALSE;
        case NM_RCLICK: {
            POINT screen{};
            GetCursorPos(&screen);
            treeMenu(screen);
            return TRUE;
        }
        default:
            return 0;
        }
    }
    if (header.idFrom == kListId) {
        switch (header.code) {
        case LVN_ITEMCHANGED:
            onItemChanged(reinterpret_cast<const NMLISTVIEW &>(header));
            return 0;
        case LVN_COLUMNCLICK:
            onColumnClick(reinterpret_cast<const NMLISTVIEW &>(header).iSubItem);
            return 0;
        case LVN_DELETEITEM:
            deleteItemData(reinterpret_cast<const NMLISTVIEW &>(header).lParam);
            return 0;
        case NM_RCLICK: {
            POINT screen{};
            GetCursorPos(&screen);
            listMenu(screen);
            return TRUE;
        }
        default:
            return 0;
        }
    }
    return 0;
}

// ---- Engine

void PatternsView::attach(Grindelvosket *engine)
{
    if (engine == engine_)
        return;
    detach(engine_);
    engine_ = engine;
    refresh();
}

void PatternsView::detach(Grindelvosket *engine)
{
    if (!engine || engine != engine_)
        return;
    engine_ = nullptr;
    refresh();
}

void PatternsView::refresh()
{
    if (!tree_ || !tree_->handle())
        return;
    if (!engine_) {
        ListView_DeleteAllItems(list_->handle());
        listedFiles_.clear();
        return;
    }
    if (library_)
        library_->fillTreeControl(*tree_);
    showSelection(engine_->patternFolder(), engine_->patternFile());
}

void PatternsView::followLibrary()
{
    if (!tree_ || !tree_->handle() || !library_)
        return;
    library_->fillTreeControl(*tree_);
    const std::string folder = selectedFolder();
    if (folder != listedFolder_)
        return;
    std::vector<std::string> files;
    for (const PatternEntry &entry : library_->findNode(folder).entries)
        files.push_back(entry.relativeFile());
    if (files != listedFiles_)
        fillList();
}

void PatternsView::focus()
{
    if (list_ && list_->handle())
        SetFocus(list_->handle());
}

void PatternsView::rescan()
{
    if (library_)
        library_->refresh();
    if (engine_)
        engine_->libraryChanged();
    refresh();
}

// ---- Selection

std::string PatternsView::folderOfItem(HTREEITEM item) const
{
    std::string path;
    for (; item; item = TreeView_GetParent(tree_->handle(), item))
        path = tree_->itemText(item) + "\\" + path;
    return path;
}

std::string PatternsView::selectedFolder() const
{
    if (!tree_ || !tree_->handle())
        return std::string();
    HTREEITEM item = TreeView_GetSelection(tree_->handle());
    return item ? folderOfItem(item) : std::string();
}

void PatternsView::selectFolder(const std::string &relativePath)
{
    if (!tree_ || !tree_->handle())
        return;
    HWND tree = tree_->handle();
    HTREEITEM level = TreeView_GetRoot(tree);
    HTREEITEM deepest = nullptr;
    const std::string path = canonicalPatternFolder(relativePath);
    size_t start = 0;
    while (level && start < path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string component = path.substr(start, end - start);
        HTREEITEM match = nullptr;
        for (HTREEITEM item = level; item && !match; item = TreeView_GetNextSibling(tree, item))
            if (tree_->itemText(item) == component)
                match = item;
        if (!match)
            break;
        deepest = match;
        level = TreeView_GetChild(tree, match);
        start = end + 1;
    }
    if (!deepest)
        deepest = TreeView_GetRoot(tree);
    const bool listed = TreeView_GetSelection(tree) == deepest && listedFolder_ == folderOfItem(deepest);
    selecting_ = true;
    TreeView_SelectItem(tree, deepest);
    TreeView_EnsureVisible(tree, deepest);
    if (!listed)
        fillList();
    selecting_ = false;
}

void PatternsView::selectFile(const std::string &name)
{
    if (!list_ || !list_->handle())
        return;
    HWND list = list_->handle();
    selecting_ = true;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        if (cellText(i, 3) + itemFile(i) == name) {
            ListView_SetItemState(list, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list, i, FALSE);
            break;
        }
    }
    selecting_ = false;
}

void PatternsView::showSelection(const std::string &folder, const std::string &file)
{
    // The engine's folder is the listed folder; its file may lie deeper,
    // with its path in the Path cell.
    selectFolder(canonicalPatternFolder(folder));
    selectFile(file);
}

void PatternsView::onItemChanged(const NMLISTVIEW &change)
{
    const bool selectedNow = (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
    if (!selectedNow || selecting_ || !engine_ || change.iItem < 0)
        return;
    pending_ = {true, canonicalPatternFolder(selectedFolder()),
                cellText(change.iItem, 3) + itemFile(change.iItem)};
    PostMessageA(handle(), kChoosePatternMessage, 0, 0);
}

void PatternsView::choosePattern(const std::string &folder, const std::string &file)
{
    onChoosePattern(folder, file);
}

void PatternsView::onChoosePattern(const std::string &folder, const std::string &file)
{
    if (!engine_)
        return;
    if (sameNames(canonicalPatternFolder(folder), engine_->patternFolder()) &&
        sameNames(file, engine_->patternFile()))
        return;
    if (engine_->hasUnsavedEdits()) {
        int answer =
            showMessageBox(handle(), "Save edits?", "Grindelvosket", MB_YESNOCANCEL | MB_ICONQUESTION);
        // Edits that could not be saved are not to be thrown away.
        if (answer == IDYES && !saveEdits())
            answer = IDCANCEL;
        if (answer != IDYES && answer != IDNO) {
            showSelection(engine_->patternFolder(), engine_->patternFile());
            return;
        }
    }
    engine_->onPatternTreeEvent(6, folder, file);
    showSelection(engine_->patternFolder(), engine_->patternFile());
}

// ---- Saving edits

void PatternsView::proposeUserFolder()
{
    const DWORD attributes =
        userFolder_.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(userFolder_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    userFolder_ = absoluteFolder("User");
    CreateDirectoryA(userFolder_.c_str(), nullptr);
}

bool PatternsView::saveEdits()
{
    if (!engine_)
        return false;
    proposeUserFolder();
    const std::string folder = engine_->patternFolder();
    const std::string path = folder.empty() ? engine_->patternFile() : folder + "\\" + engine_->patternFile();
    const size_t first = path.find('\\');
    const size_t last = path.rfind('\\');
    SaveFileRequest request;
    request.owner = handle();
    request.folder = userFolder_;
    request.name = (first != std::string::npos && first > 0 ? path.substr(0, 1) : std::string()) + "-" +
                   path.substr(last == std::string::npos ? 0 : last + 1);
    request.defaultExtension = "mid";
    request.filter = "MIDI Files (*.mid)|*.mid|All Files (*.*)|*.*";
    std::string chosen;
    if (!chooseSaveFile(request, chosen))
        return false;
    if (!engine_->savePatternAs(chosen)) {
        const std::string text = "The fill could not be saved as\n" + chosen;
        showMessageBox(handle(), text.c_str(), "Grindelvosket", MB_OK | MB_ICONSTOP);
        return false;
    }
    const size_t slash = chosen.rfind('\\');
    if (slash != std::string::npos)
        userFolder_ = chosen.substr(0, slash);
    rescan();
    return true;
}

// ---- Paths

std::string PatternsView::absoluteFolder(const std::string &relative) const
{
    std::string root = library_ ? library_->getRootPath() : std::string();
    if (!root.empty() && root.back() != '\\')
        root += '\\';
    const std::string folder = canonicalPatternFolder(relative);
    return folder.empty() ? root.substr(0, root.empty() ? 0 : root.size() - 1) : root + folder;
}

bool PatternsView::isInVolume(const std::string &relativePath) const
{
    const std::string path = canonicalPatternFolder(relativePath);
    return library_ && !path.empty() && library_->isInVolume(path);
}

// ---- The tree's menu and labels

int PatternsView::trackMenu(std::initializer_list<MenuEntry> entries, bool usable, POINT screen)
{
    const UINT state = usable ? MF_STRING : MF_STRING | MF_GRAYED | MF_DISABLED;
    HMENU menu = CreatePopupMenu();
    for (const MenuEntry &entry : entries) {
        if (entry.text)
            AppendMenuA(menu, state, static_cast<UINT_PTR>(entry.id), entry.text);
        else
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    const int chosen = trackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_VERTICAL,
                                      screen.x, screen.y, handle());
    DestroyMenu(menu);
    return chosen;
}

void PatternsView::treeMenu(POINT screen)
{
    HWND tree = tree_->handle();
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(tree, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree, &hit);
    const std::string folder = item ? folderOfItem(item) : std::string();
    const bool usable = item && !isInVolume(folder);
    const int chosen = trackMenu({{TreeExplore, "Explore"},
                                  {TreeRename, "Rename"},
                                  {TreeDelete, "Delete"},
                                  {0, nullptr},
                                  {TreeNew, "New"}},
                                 usable, screen);
    if (!usable)
        return;
    const std::string path = absoluteFolder(folder);
    switch (chosen) {
    case TreeExplore:
        shellOpen(handle(), path);
        break;
    case TreeRename:
        TreeView_EditLabel(tree, item);
        break;
    case TreeDelete:
        if (shellDelete(handle(), path))
            PostMessageA(handle(), kRescanMessage, 0, 0);
        break;
    case TreeNew:
        CreateDirectoryA((path + "\\New Folder").c_str(), nullptr);
        PostMessageA(handle(), kRescanMessage, 0, 0);
        break;
    default:
        break;
    }
}

bool PatternsView::onEndLabelEdit(const NMTVDISPINFOA &info)
{
    if (!info.item.pszText)
        return false;
    const std::string name = info.item.pszText;
    const std::string folder = folderOfItem(info.item.hItem);
    if (name == tree_->itemText(info.item.hItem))
        return false;
    if (!isValidName(name)) {
        const std::string text = "\"" + name + "\" cannot be the name of a folder.";
        showMessageBox(handle(), text.c_str(), "Rename Style", MB_OK | MB_ICONSTOP);
        return false;
    }
    const std::string from = absoluteFolder(folder);
    const std::string to = from.substr(0, from.rfind('\\') + 1) + name;
    // MoveFile never replaces: a folder of that name stays as it is.
    if (!MoveFileA(from.c_str(), to.c_str())) {
        char text[512] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                       text, sizeof text, nullptr);
        showMessageBox(handle(), text, "Rename Style", MB_OK | MB_ICONSTOP);
        return false;
    }
    // The tree is brought in line after the edit has ended.
    PostMessageA(handle(), kRescanMessage, 0, 0);
    return true;
}

} // namespace Quorvane
