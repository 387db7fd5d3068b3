#include "plugin/framework/gui/tree_combo.h"

#include "plugin/framework/gui/translate_accelerator.h"
#include "plugin/framework/gui/user_answers.h"
#include "plugin/framework/plugin/com_object.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

namespace Quorvane {

namespace {

constexpr LPARAM kFolderItem = 0;
constexpr LPARAM kFileItem = 1;

bool endsWithNoCase(const std::string &text, const std::string &end)
{
    if (text.size() < end.size())
        return false;
    return std::equal(end.begin(), end.end(), text.end() - end.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// Sub-folders and files of the extension in a folder, by name (a file's
// name without the extension); true for folders.
std::map<std::string, bool> listFolder(const std::string &folder, const std::string &extension)
{
    std::map<std::string, bool> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != "." && name != "..")
                entries[name] = true;
        } else if (endsWithNoCase(name, extension) && name.size() > extension.size()) {
            entries.emplace(name.substr(0, name.size() - extension.size()), false);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

int addShellIcon(HIMAGELIST images, const char *name, DWORD attributes, UINT flags)
{
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(name, attributes, &info, sizeof(info),
                        SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON | flags) ||
        !info.hIcon)
        return -1;
    const int index = ImageList_AddIcon(images, info.hIcon);
    DestroyIcon(info.hIcon);
    return index;
}

} // namespace

// ---- CTreeDropList

CTreeDropList::CTreeDropList(std::string rootFolder, std::string extension)
    : root_(std::move(rootFolder)), extension_(std::move(extension))
{
}

CTreeDropList::~CTreeDropList()
{
    if (images_)
        ImageList_Destroy(images_);
    images_ = nullptr;
    stopWatcher();
    if (HWND window = handle())
        DestroyWindow(window);
}

UINT CTreeDropList::folderContentsChangedMessage()
{
    static const UINT message = RegisterWindowMessageA("ZQVPC_FOLDERCONTENTSCHANGED");
    return message;
}

void CTreeDropList::startWatcher()
{
    // Armed here, on the window thread, so that no change goes unseen
    // while the thread starts.
    changes_ = FindFirstChangeNotificationA(root_.c_str(), TRUE,
                                            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
    if (changes_ == INVALID_HANDLE_VALUE) {
        changes_ = nullptr;
        return;
    }
    stopWatching_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stopWatching_)
        watcher_ = CreateThread(nullptr, 0, watch, this, CREATE_SUSPENDED, nullptr);
    if (!watcher_) {
        stopWatcher();
        return;
    }
    SetThreadPriority(watcher_, THREAD_PRIORITY_IDLE);
    ResumeThread(watcher_);
}

void CTreeDropList::stopWatcher()
{
    if (watcher_) {
        SetEvent(stopWatching_);
        WaitForSingleObject(watcher_, INFINITE);
        CloseHandle(watcher_);
        watcher_ = nullptr;
    }
    if (stopWatching_) {
        CloseHandle(stopWatching_);
        stopWatching_ = nullptr;
    }
    if (changes_) {
        FindCloseChangeNotification(changes_);
        changes_ = nullptr;
    }
}

// The watcher only waits and posts: the window thread owns the items.
DWORD WINAPI CTreeDropList::watch(void *data)
{
    auto &list = *static_cast<CTreeDropList *>(data);
    const HANDLE waits[2] = {list.changes_, list.stopWatching_};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        PostMessageA(list.handle(), folderContentsChangedMessage(), 0, 0);
        if (!FindNextChangeNotification(list.changes_))
            break;
    }
    return 0;
}

bool CTreeDropList::create(CTreeCombo &combo, HWND ownerWindow, int width, int height)
{
    combo_ = &combo;
    HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "",
                                WS_POPUP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                    TVS_SHOWSELALWAYS,
                                0, 0, width, height, ownerWindow, nullptr, com::thisModule(), nullptr);
    if (!tree || !subclassWindow(tree))
        return false;
    images_ = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                               ILC_COLOR24 | ILC_MASK, 50, 50);
    if (images_) {
        fileImage_ = addShellIcon(images_, extension_.c_str(), FILE_ATTRIBUTE_NORMAL, 0);
        folderImage_ = addShellIcon(images_, "folder", FILE_ATTRIBUTE_DIRECTORY, 0);
        openFolderImage_ = addShellIcon(images_, "folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_OPENICON);
        TreeView_SetImageList(tree, images_, TVSIL_NORMAL);
    }
    // Watching starts before the fill reads the folders: a change made
    // while they are read is seen, and the system learns the whole subtree.
    startWatcher();
    fillFolder(TVI_ROOT, root_);
    return true;
}

HTREEITEM CTreeDropList::insertItem(HTREEITEM parent, const std::string &name, LPARAM kind, int image,
                                    int openImage)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char *>(name.c_str());
    insert.item.lParam = kind;
    insert.item.iImage = image;
    insert.item.iSelectedImage = openImage;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM CTreeDropList::insertFolderItem(HTREEITEM parent, const std::string &name)
{
    return insertItem(parent, name, kFolderItem, folderImage_, openFolderImage_);
}

HTREEITEM CTreeDropList::insertFileItem(HTREEITEM parent, const std::string &name)
{
    return insertItem(parent, name, kFileItem, fileImage_, fileImage_);
}

void CTreeDropList::fillFolder(HTREEITEM parent, const std::string &folder)
{
    for (const auto &[name, isFolder] : listFolder(folder, extension_)) {
        if (isFolder)
            fillFolder(insertFolderItem(parent, name), folder + separator_ + name);
        else
            insertFileItem(parent, name);
    }
}

void CTreeDropList::refresh()
{
    if (handle())
        refreshFolder(TVI_ROOT, root_);
}

void CTreeDropList::refreshFolder(HTREEITEM parent, const std::string &folder)
{
    if (combo_ && combo_->parentSaysUnchanged(folder))
        return;
    std::map<std::string, bool> onDisk = listFolder(folder, extension_);
    HTREEITEM item = parent == TVI_ROOT ? rootItem() : firstChild(parent);
    while (item) {
        HTREEITEM next = TreeView_GetNextSibling(handle(), item);
        const std::string name = itemText(item);
        const auto entry = onDisk.find(name);
        const bool isFolder = !isFileItem(item);
        if (entry != onDisk.end() && entry->second == isFolder) {
            if (isFolder)
                refreshFolder(item, folder + separator_ + name);
            onDisk.erase(entry);
        } else {
            // Gone, or of the other kind now (added again below).
            TreeView_DeleteItem(handle(), item);
        }
        item = next;
    }
    for (const auto &[name, isFolder] : onDisk) {
        if (isFolder)
            fillFolder(insertFolderItem(parent, name), folder + separator_ + name);
        else
            insertFileItem(parent, name);
    }
}

std::string CTreeDropList::rootWithSeparator() const
{
    if (root_.empty() || root_.back() == separator_)
        return root_;
    return root_ + separator_;
}

bool CTreeDropList::isFileSelected() const
{
    HTREEITEM item = selectedItem();
    return item && isFileItem(item);
}

std::string CTreeDropList::selectedFolder() const
{
    HTREEITEM item = selectedItem();
    if (item && isFileItem(item))
        item = parentItem(item);
    return getItemPath(item);
}

std::string CTreeDropList::selectedName() const
{
    HTREEITEM item = selectedItem();
    if (item && isFileItem(item))
        return itemText(item);
    // A free name among the children of the selected folder (or the root).
    for (int n = 1;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "loop%02d", n);
        bool taken = false;
        for (HTREEITEM child = item ? firstChild(item) : rootItem(); child && !taken;
             child = TreeView_GetNextSibling(handle(), child))
            taken = itemText(child) == name;
        if (!taken)
            return name;
    }
}

std::string CTreeDropList::selectedFolderPath() const
{
    return rootWithSeparator() + selectedFolder();
}

std::string CTreeDropList::selectedPath() const
{
    HTREEITEM item = selectedItem();
    return rootWithSeparator() + getItemPath(item) + (item && isFileItem(item) ? extension_ : std::string());
}

std::string CTreeDropList::savePath() const
{
    return savePath(selectedName());
}

std::string CTreeDropList::savePath(const std::string &name) const
{
    const std::string folder = selectedFolder();
    return rootWithSeparator() + folder + (folder.empty() ? "" : std::string(1, separator_)) + name +
           extension_;
}

HTREEITEM CTreeDropList::selectPath(const std::string &fullPath)
{
    const auto upper = [](std::string text) {
        for (char &c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string root = rootWithSeparator();
    if (fullPath.size() < root.size() + extension_.size() || upper(fullPath).rfind(upper(root), 0) != 0)
        return nullptr;
    std::string rest = fullPath.substr(root.size(), fullPath.size() - root.size() - extension_.size());
    HTREEITEM found = nullptr;
    while (!rest.empty()) {
        const auto [first, remainder] = splitPath(rest);
        HTREEITEM child = found ? firstChild(found) : rootItem();
        while (child && itemText(child) != first)
            child = TreeView_GetNextSibling(handle(), child);
        if (!child)
            break;
        found = child;
        rest = remainder;
    }
    if (found)
        selectItem(found);
    return found;
}

std::string CTreeDropList::itemText(HTREEITEM item) const
{
    char text[MAX_PATH] = {};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof(text);
    SendMessageA(handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

bool CTreeDropList::isFileItem(HTREEITEM item) const
{
    if (!item)
        return false;
    TVITEMA data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    SendMessageA(handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return data.lParam != kFolderItem;
}

std::string CTreeDropList::getItemPath(HTREEITEM item) const
{
    std::string path;
    for (; item; item = parentItem(item))
        path = path.empty() ? itemText(item) : itemText(item) + separator_ + path;
    return path;
}

std::string CTreeDropList::getSelectedPath() const
{
    return getItemPath(selectedItem());
}

std::pair<std::string, std::string> CTreeDropList::splitPath(const std::string &path) const
{
    const size_t at = path.find(separator_);
    if (at == std::string::npos)
        return {path, {}};
    return {path.substr(0, at), path.substr(at + 1)};
}

HTREEITEM CTreeDropList::findChildByPath(HTREEITEM parent, const std::string &path) const
{
    const auto [first, rest] = splitPath(path);
    HTREEITEM item = parent ? firstChild(parent) : rootItem();
    for (; item; item = TreeView_GetNextSibling(handle(), item)) {
        if (itemText(item) == first)
            return rest.empty() ? item : findChildByPath(item, rest);
    }
    return nullptr;
}

HTREEITEM CTreeDropList::findItemByPath(const std::string &path) const
{
    return path.empty() ? nullptr : findChildByPath(nullptr, path);
}

HTREEITEM CTreeDropList::selectedItem() const
{
    return TreeView_GetSelection(handle());
}

void CTreeDropList::selectItem(HTREEITEM item)
{
    TreeView_SelectItem(handle(), item);
}

HTREEITEM CTreeDropList::rootItem() const
{
    return TreeView_GetRoot(handle());
}

HTREEITEM CTreeDropList::parentItem(HTREEITEM item) const
{
    return item ? TreeView_GetParent(handle(), item) : nullptr;
}

HTREEITEM CTreeDropList::firstChild(HTREEITEM item) const
{
    return item ? TreeView_GetChild(handle(), item) : nullptr;
}

HTREEITEM CTreeDropList::nextInOrder(HTREEITEM item) const
{
    if (!item)
        return rootItem();
    if (HTREEITEM child = firstChild(item))
        return child;
    for (; item; item = parentItem(item))
        if (HTREEITEM sibling = TreeView_GetNextSibling(handle(), item))
            return sibling;
    return nullptr;
}

HTREEITEM CTreeDropList::previousInOrder(HTREEITEM item) const
{
    HTREEITEM before = item ? TreeView_GetPrevSibling(handle(), item) : nullptr;
    if (!before)
        return parentItem(item);
    // The last item of the earlier branch.
    for (HTREEITEM child = firstChild(before); child; child = firstChild(before)) {
        before = child;
        while (HTREEITEM sibling = TreeView_GetNextSibling(handle(), before))
            before = sibling;
    }
    return before;
}

HTREEITEM CTreeDropList::nextFile(HTREEITEM item) const
{
    do
        item = nextInOrder(item);
    while (item && !isFileItem(item));
    return item;
}

HTREEITEM CTreeDropList::previousFile(HTREEITEM item) const
{
    if (!item)
        return nullptr;
    do
        item = previousInOrder(item);
    while (item && !isFileItem(item));
    return item;
}

void CTreeDropList::onClick(LPARAM lParam)
{
    TVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    HTREEITEM item = TreeView_HitTest(handle(), &hit);
    if (!item)
        return;
    if (hit.flags & TVHT_ONITEMBUTTON) {
        TreeView_Expand(handle(), item, TVE_TOGGLE);
        return;
    }
    if (!(hit.flags & TVHT_ONITEM))
        return;
    selectItem(item);
    if (isFileItem(item)) {
        combo_->closeWithChoice();
    } else {
        TreeView_Expand(handle(), item, TVE_TOGGLE);
        combo_->folderClicked(item);
    }
}

LRESULT CTreeDropList::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (combo_) {
            onClick(lParam);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (!combo_)
            break;
        if (wParam == VK_RETURN) {
            if (isFileItem(selectedItem()))
                combo_->closeWithChoice(true);
            else if (HTREEITEM folder = selectedItem())
                TreeView_Expand(handle(), folder, TVE_TOGGLE);
            return 0;
        }
        if (wParam == VK_ESCAPE || wParam == VK_TAB) {
            combo_->closeWithoutChoice();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_TAB)
            return 0; // handled with the key
        break;
    case WM_KILLFOCUS: {
        const LRESULT result = defaultProc(message, wParam, lParam);
        if (combo_)
            combo_->dropListLostFocus(reinterpret_cast<HWND>(wParam));
        return result;
    }
    default:
        if (message == folderContentsChangedMessage()) {
            refresh();
            return 0;
        }
        break;
    }
    return defaultProc(message, wParam, lParam);
}

// ---- CTreeCombo

CTreeCombo::CTreeCombo(std::string rootFolder, std::string extension)
    : dropList_(std::move(rootFolder), std::move(extension))
{
    translateAcceleratorMessage();
}

CTreeCombo::~CTreeCombo()
{
    if (HWND window = handle())
        DestroyWindow(window);
}

UINT CTreeCombo::folderUnchangedMessage()
{
    static const UINT message = RegisterWindowMessageA("Quorvane_TreeComboFolderUnchanged");
    return message;
}

bool CTreeCombo::create(HWND parent, const RECT &rect, UINT id)
{
    static const bool initialised = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)initialised;
    if (!createWindow(0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect, parent, id))
        return false;
    HWND owner = GetAncestor(parent, GA_ROOT);
    return dropList_.create(*this, owner ? owner : parent, dropWidth_, dropHeight_);
}

void CTreeCombo::setDropSize(int width, int height)
{
    dropWidth_ = width;
    dropHeight_ = height;
}

void CTreeCombo::notifyParent(UINT code)
{
    if (!handle())
        return;
    SendMessageA(GetParent(handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(handle()), code),
                 reinterpret_cast<LPARAM>(handle()));
}

bool CTreeCombo::parentSaysUnchanged(const std::string &folder)
{
    if (!handle())
        return false;
    return SendMessageA(GetParent(handle()), folderUnchangedMessage(),
                        static_cast<WPARAM>(GetDlgCtrlID(handle())),
                        reinterpret_cast<LPARAM>(folder.c_str())) != 0;
}

void CTreeCombo::setText(const std::string &text)
{
    text_ = text;
    if (edit_)
        SetWindowTextA(edit_, text.c_str());
    if (handle())
        InvalidateRect(handle(), nullptr, TRUE);
}

std::string CTreeCombo::text() const
{
    if (!edit_)
        return text_;
    char text[MAX_PATH] = {};
    GetWindowTextA(edit_, text, MAX_PATH);
    return text;
}

void CTreeCombo::showSelectedName()
{
    setText(dropList_.itemText(dropList_.selectedItem()));
}

bool CTreeCombo::createOver(int dialogItemId, HWND dialog)
{
    HWND item = dialog ? GetDlgItem(dialog, dialogItemId) : nullptr;
    if (!item)
        return false;
    RECT dropped{};
    if (SendMessageA(item, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)) &&
        dropped.right > dropped.left && dropped.bottom > dropped.top)
        setDropSize(dropped.right - dropped.left, dropped.bottom - dropped.top);
    RECT place{};
    GetWindowRect(item, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
    madeOverItem_ = true;
    if (!create(dialog, place, static_cast<UINT>(dialogItemId))) {
        madeOverItem_ = false;
        if (handle())
            DestroyWindow(handle());
        return false;
    }
    SetWindowPos(handle(), item, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(handle());
    DestroyWindow(item);
    return createButton() && createEdit();
}

bool CTreeCombo::createButton()
{
    RECT client{};
    GetClientRect(handle(), &client);
    const int width = GetSystemMetrics(SM_CXHTHUMB);
    button_ = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, client.right - width, 0,
                              width, client.bottom, handle(), reinterpret_cast<HMENU>(UINT_PTR{kButtonId}),
                              com::thisModule(), nullptr);
    return button_ != nullptr;
}

bool CTreeCombo::createEdit()
{
    RECT client{};
    GetClientRect(handle(), &client);
    const int button = button_ ? GetSystemMetrics(SM_CXHTHUMB) : 0;
    edit_ =
        CreateWindowExA(0, "EDIT", text_.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 1, 1,
                        std::max<int>(0, client.right - button - 2), std::max<int>(0, client.bottom - 2),
                        handle(), reinterpret_cast<HMENU>(UINT_PTR{kEditId}), com::thisModule(), nullptr);
    if (!edit_)
        return false;
    SendMessageA(edit_, WM_SETFONT, SendMessageA(GetParent(handle()), WM_GETFONT, 0, 0), FALSE);
    return true;
}

bool CTreeCombo::cursorOver(HWND window) const
{
    if (!window)
        return false;
    POINT cursor{};
    RECT place{};
    return GetCursorPos(&cursor) && GetWindowRect(window, &place) && PtInRect(&place, cursor);
}

bool CTreeCombo::mouseOverEdit() const
{
    return cursorOver(edit_);
}

bool CTreeCombo::mouseOverButton() const
{
    return cursorOver(button_);
}

bool CTreeCombo::hasFocus() const
{
    HWND focus = GetFocus();
    return focus && (focus == handle() || focus == edit_ || focus == button_);
}

void CTreeCombo::drawButton(const DRAWITEMSTRUCT &item)
{
    RECT place = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(item.hDC, &place, DFC_SCROLL, DFCS_SCROLLDOWN | (pushed ? DFCS_PUSHED | DFCS_FLAT : 0));
}

void CTreeCombo::selectTreeItem(HTREEITEM item)
{
    dropList_.selectItem(item);
    setText(madeOverItem_ ? dropList_.itemText(item) : dropList_.getItemPath(item));
}

void CTreeCombo::dropDown()
{
    if (droppedDown_ || !handle() || !dropList_.handle())
        return;
    dropList_.refresh();
    RECT combo{};
    GetWindowRect(handle(), &combo);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int x = combo.left;
    int y = combo.bottom;
    if (y + dropHeight_ > screenHeight)
        y = combo.top - dropHeight_; // no room below: open above
    if (x + dropWidth_ > screenWidth)
        x = screenWidth - dropWidth_;
    SetWindowPos(dropList_.handle(), HWND_NOTOPMOST, x, y, dropWidth_, dropHeight_, SWP_SHOWWINDOW);
    pathAtDrop_ = dropList_.getSelectedPath();
    droppedDown_ = true;
    dropList_.setCloseState(CTreeDropList::OpenOrConfirmed);
    notifyParent(CBN_DROPDOWN);
    SetFocus(dropList_.handle());
}

void CTreeCombo::closeWithChoice(bool byEnter)
{
    if (!droppedDown_)
        return;
    droppedDown_ = false;
    lastConfirmed_ = true;
    dropList_.setCloseState(CTreeDropList::OpenOrConfirmed);
    if (madeOverItem_) {
        showSelectedName();
        ShowWindow(dropList_.handle(), SW_HIDE);
        SetFocus(handle());
        notifyParent(kChosen);
        if (byEnter)
            notifyParent(CBN_SELENDOK);
        notifyParent(kClosed);
        return;
    }
    setText(dropList_.getSelectedPath());
    notifyParent(CBN_SELENDOK);
    ShowWindow(dropList_.handle(), SW_HIDE);
    SetFocus(handle());
}

void CTreeCombo::folderClicked(HTREEITEM folder)
{
    if (!madeOverItem_)
        return;
    setText(dropList_.itemText(folder));
    notifyParent(kChosen);
}

void CTreeCombo::closeWithoutChoice()
{
    if (!droppedDown_)
        return;
    droppedDown_ = false;
    lastConfirmed_ = false;
    dropList_.setCloseState(CTreeDropList::Cancelled);
    dropList_.selectItem(dropList_.findItemByPath(pathAtDrop_));
    if (madeOverItem_)
        showSelectedName();
    notifyParent(CBN_SELENDCANCEL);
    ShowWindow(dropList_.handle(), SW_HIDE);
    SetFocus(handle());
    if (madeOverItem_)
        notifyParent(kClosed);
}

void CTreeCombo::dropListLostFocus(HWND newFocus)
{
    if (!droppedDown_ || newFocus == handle())
        return;
    droppedDown_ = false;
    lastConfirmed_ = false;
    dropList_.setCloseState(CTreeDropList::Cancelled);
    dropList_.selectItem(dropList_.findItemByPath(pathAtDrop_));
    ShowWindow(dropList_.handle(), SW_HIDE);
    if (madeOverItem_)
        notifyParent(kListLostFocus);
    notifyParent(CBN_KILLFOCUS);
    InvalidateRect(handle(), nullptr, TRUE);
}

void CTreeCombo::landOn(HTREEITEM item)
{
    if (item && item != dropList_.selectedItem())
        selectTreeItem(item);
}

void CTreeCombo::stepToNextFile()
{
    landOn(dropList_.nextFile(dropList_.selectedItem()));
}

void CTreeCombo::stepToPreviousFile()
{
    landOn(dropList_.previousFile(dropList_.selectedItem()));
}

void CTreeCombo::stepToParent()
{
    landOn(dropList_.parentItem(dropList_.selectedItem()));
}

void CTreeCombo::stepToChild()
{
    HTREEITEM current = dropList_.selectedItem();
    HTREEITEM child = dropList_.firstChild(current);
    landOn(child ? child : dropList_.nextFile(current));
}

void CTreeCombo::stepToRoot()
{
    landOn(dropList_.rootItem());
}

bool CTreeCombo::parentTakesKey(WPARAM key, LPARAM lParam)
{
    return SendMessageA(GetParent(handle()), translateAcceleratorMessage(), keyForPanel(key), lParam) != 0;
}

void CTreeCombo::onKeyDown(WPARAM key, LPARAM lParam)
{
    // The parent's accelerators come first.
    if (parentTakesKey(key, lParam))
        return;
    const bool control = isControlKeyDown();
    switch (key) {
    case VK_TAB:
        if (HWND next = GetNextDlgTabItem(GetParent(handle()), handle(), GetKeyState(VK_SHIFT) < 0))
            SetFocus(next);
        return;
    case VK_HOME:
        stepToRoot();
        return;
    case VK_LEFT:
        stepToParent();
        return;
    case VK_RIGHT:
        stepToChild();
        return;
    case VK_ADD:
        if (!control) {
            stepToNextFile();
            return;
        }
        break;
    case VK_SUBTRACT:
        if (!control) {
            stepToPreviousFile();
            return;
        }
        break;
    default:
        break;
    }
    PostMessageA(GetParent(handle()), WM_KEYDOWN, key, lParam);
}

void CTreeCombo::onWheel(int delta)
{
    // Away from the user goes back; the last item reached is shown.
    const int steps = delta / WHEEL_DELTA;
    HTREEITEM reached = dropList_.selectedItem();
    for (int i = 0; i < std::abs(steps); ++i) {
        HTREEITEM next = steps < 0 ? dropList_.nextFile(reached) : dropList_.previousFile(reached);
        if (!next)
            break;
        reached = next;
    }
    landOn(reached);
}

void CTreeCombo::paintFace(HDC dc)
{
    RECT client{};
    GetClientRect(handle(), &client);
    FillRect(dc, &client, GetSysColorBrush(IsWindowEnabled(handle()) ? COLOR_WINDOW : COLOR_BTNFACE));
    if (edit_ || button_)
        return; // they draw themselves
    DrawEdge(dc, &client, EDGE_SUNKEN, BF_RECT);
    const int button = GetSystemMetrics(SM_CXVSCROLL);
    RECT arrow{client.right - 2 - button, client.top + 2, client.right - 2, client.bottom - 2};
    DrawFrameControl(dc, &arrow, DFC_SCROLL, DFCS_SCROLLDOWN | (droppedDown_ ? DFCS_PUSHED | DFCS_FLAT : 0));
    RECT textArea{client.left + 4, client.top + 2, arrow.left - 2, client.bottom - 2};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(handle()), WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextA(dc, text_.c_str(), -1, &textArea, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    if (oldFont)
        SelectObject(dc, oldFont);
}

LRESULT CTreeCombo::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(handle(), &ps))
            paintFace(dc);
        EndPaint(handle(), &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paintFace(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (droppedDown_)
            closeWithoutChoice();
        else
            dropDown();
        return 0;
    case WM_KEYDOWN:
        onKeyDown(wParam, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        onWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_SETFOCUS: {
        RECT client{};
        GetClientRect(handle(), &client);
        CreateCaret(handle(), nullptr, 1, std::max<int>(1, client.bottom - 6));
        SetCaretPos(4, 3);
        ShowCaret(handle());
        InvalidateRect(handle(), nullptr, TRUE);
        InvalidateRect(GetParent(handle()), nullptr, FALSE);
        notifyParent(CBN_SETFOCUS);
        return 0;
    }
    case WM_KILLFOCUS:
        HideCaret(handle());
        DestroyCaret();
        InvalidateRect(handle(), nullptr, TRUE);
        if (reinterpret_cast<HWND>(wParam) != dropList_.handle())
            notifyParent(CBN_KILLFOCUS);
        return 0;
    case WM_COMMAND:
        if (button_ && reinterpret_cast<HWND>(lParam) == button_ && HIWORD(wParam) == BN_CLICKED) {
            PostMessageA(handle(), kToggleMessage, 0, 0);
            return 0;
        }
        if (edit_ && reinterpret_cast<HWND>(lParam) == edit_ && HIWORD(wParam) == 7)
            InvalidateRect(edit_, nullptr, TRUE);
        break;
    case WM_DRAWITEM:
        if (button_ && reinterpret_cast<const DRAWITEMSTRUCT *>(lParam)->hwndItem == button_) {
            drawButton(*reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
            return TRUE;
        }
        break;
    case kToggleMessage:
        if (droppedDown_)
            closeWithoutChoice();
        else
            dropDown();
        return 0;
    default:
        break;
    }
    return defaultProc(message, wParam, lParam);
}

} // namespace Quorvane

namespace Quorvane {

// ---- FlatTreeCombo

namespace {

// Keys whose characters make a name: letters, digits and the punctuation
// keys (the numeric pad's operators stay the combo's stepping keys).
bool isNameKey(WPARAM key)
{
    return (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') ||
           (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) || (key >= VK_OEM_1 && key <= VK_OEM_3) ||
           (key >= VK_OEM_4 && key <= VK_OEM_8) || key == VK_OEM_102;
}

// Ctrl without Alt: a command key (Ctrl and Alt together type characters
// on some keyboards).
bool commandModifierHeld()
{
    return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
}

constexpr int kTextLeft = 3;

} // namespace

void FlatTreeCombo::setText(const std::string &text)
{
    naming_ = false;
    if (handle()) {
        SetWindowTextA(handle(), text.c_str());
        InvalidateRect(handle(), nullptr, TRUE);
        placeCaret();
    }
}

void FlatTreeCombo::showTyped(const std::string &name)
{
    naming_ = true;
    SetWindowTextA(handle(), name.c_str());
    InvalidateRect(handle(), nullptr, TRUE);
    placeCaret();
}

void FlatTreeCombo::enterName()
{
    // The parent reads the name as the text, then the selection shows: the
    // new file when the parent made and selected it.
    naming_ = false;
    notifyParent(kNameEntered);
    if (handle())
        showSelectedName();
}

bool FlatTreeCombo::takeNameKey(WPARAM key, LPARAM lParam)
{
    typing_ = false;
    const bool character = !commandModifierHeld() && (isNameKey(key) || (naming_ && key == VK_SPACE));
    if (naming_) {
        switch (key) {
        case VK_RETURN:
            enterName();
            return true;
        case VK_ESCAPE:
            showSelectedName();
            return true;
        case VK_BACK: {
            std::string name = text();
            if (!name.empty())
                name.pop_back();
            showTyped(name);
            return true;
        }
        default:
            // Its character follows as WM_CHAR.
            typing_ = character;
            return character;
        }
    }
    if (!character && key != VK_BACK)
        return false;
    // The parent's keys come first (a digit chooses a quick pad); a key
    // they leave begins a name in place of the shown one.
    if (parentTakesKey(key, lParam))
        return true;
    if (key == VK_BACK)
        showTyped("");
    else
        typing_ = true;
    return true;
}

int FlatTreeCombo::textWidth(HDC dc, const std::string &text) const
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(handle()), WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (oldFont)
        SelectObject(dc, oldFont);
    return size.cx;
}

void FlatTreeCombo::placeCaret()
{
    if (!handle() || GetFocus() != handle())
        return;
    HDC dc = GetDC(handle());
    const int width = textWidth(dc, text());
    ReleaseDC(handle(), dc);
    RECT client{};
    GetClientRect(handle(), &client);
    SetCaretPos(std::min<int>(kTextLeft + width, client.right - 11), 3);
}

LRESULT FlatTreeCombo::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        // While a name is typed the combo takes text, as an edit does.
        if (naming_)
            return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_HASSETSEL;
        break;
    case WM_KEYDOWN:
        if (!isDroppedDown() && takeNameKey(wParam, lParam))
            return 0;
        break;
    case WM_CHAR:
        if (typing_ && wParam >= ' ' && wParam != 0x7F) {
            const std::string name = naming_ ? text() : std::string();
            if (name.size() + 1 < MAX_PATH)
                showTyped(name + static_cast<char>(wParam));
            return 0;
        }
        break;
    case WM_SETFOCUS: {
        const LRESULT result = CTreeCombo::windowProc(message, wParam, lParam);
        placeCaret();
        return result;
    }
    case WM_KILLFOCUS:
        if (naming_)
            showSelectedName();
        break;
    default:
        break;
    }
    return CTreeCombo::windowProc(message, wParam, lParam);
}

std::string FlatTreeCombo::text() const
{
    char text[MAX_PATH] = {};
    if (handle())
        GetWindowTextA(handle(), text, MAX_PATH);
    return text;
}

bool FlatTreeCombo::mouseOverEdit() const
{
    POINT cursor{};
    RECT place{};
    return handle() && GetCursorPos(&cursor) && GetWindowRect(handle(), &place) && PtInRect(&place, cursor);
}

bool FlatTreeCombo::mouseOverButton() const
{
    return mouseOverEdit();
}

bool FlatTreeCombo::hasFocus() const
{
    return handle() && GetFocus() == handle();
}

void FlatTreeCombo::paintFace(HDC dc)
{
    RECT client{};
    GetClientRect(handle(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW));
    // A small triangle at the right says the combo opens.
    const int x = client.right - 9;
    const int y = (client.bottom - 3) / 2;
    for (int row = 0; row < 3; ++row) {
        RECT line{x + row, y + row, x + 5 - row, y + row + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNTEXT));
    }
    RECT textArea{client.left + kTextLeft, client.top + 1, x - 2, client.bottom - 1};
    const std::string shown = text();
    // Focused, the shown name is highlighted: typing replaces it.
    const bool highlighted = !naming_ && !shown.empty() && GetFocus() == handle();
    if (highlighted) {
        RECT marked{textArea.left, textArea.top + 1,
                    std::min<LONG>(textArea.right, textArea.left + textWidth(dc, shown)),
                    textArea.bottom - 1};
        FillRect(dc, &marked, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(handle()), WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextA(dc, shown.c_str(), -1, &textArea, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (oldFont)
        SelectObject(dc, oldFont);
}

} // namespace Quorvane
