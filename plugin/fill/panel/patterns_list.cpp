// The patterns view's list: the patterns of the chosen folder with their
// columns, filters and sorting, and what its menu does to the files.
#include "plugin/fill/panel/patterns_view.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/library/pattern_path.h"
#include "plugin/fill/library/pattern_tree.h"
#include "plugin/fill/panel/pattern_analysis.h"
#include "plugin/fill/panel/patterns_view_parts.h"
#include "plugin/fill/panel/rename_dialog.h"
#include "plugin/framework/gui/user_answers.h"

#include "base/message_box.h"
#include "plugin/framework/gui/user_steps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

const char *const kColumnTitles[PatternsView::kColumns] = {"Name",
                                                           "Comment",
                                                           "Tempo",
                                                           "Path",
                                                           "Start",
                                                           "End",
                                                           "Notes",
                                                           "Rhythm",
                                                           "Instruments",
                                                           "Original Instruments",
                                                           "Arranged Instruments",
                                                           "Formula",
                                                           "Complexity",
                                                           "K",
                                                           "S",
                                                           "H",
                                                           "O",
                                                           "R",
                                                           "T",
                                                           "C",
                                                           "X"};

constexpr int kNameColumn = 0;
constexpr int kCommentColumn = 1;
constexpr int kTempoColumn = 2;
constexpr int kPathColumn = 3;
constexpr int kBasicColumns = 4;

} // namespace

struct PatternsView::ItemData {
    std::string file;
    std::string cells[kColumns];
};

void PatternsView::deleteItemData(LPARAM data)
{
    delete reinterpret_cast<ItemData *>(data);
}

namespace {

bool controlHeld()
{
    return GetKeyState(VK_CONTROL) < 0;
}

} // namespace

bool keptByPatternsControl(int key, bool list)
{
    if (controlHeld())
        return false;
    switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        return true;
    case VK_DELETE:
        return list;
    default:
        return false;
    }
}

LRESULT PatternsView::List::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN) {
        const int key = static_cast<int>(wParam);
        if (!keptByPatternsControl(key, true)) {
            view_.forwardKey(wParam, lParam);
            return 0;
        }
        if (key == VK_DELETE) {
            view_.deleteSelectedPatterns();
            return 0;
        }
    }
    return Window::windowProc(message, wParam, lParam);
}

// ---- Names

std::string PatternsView::columnTitle(int column)
{
    if (column >= 0 && column < kColumns)
        return kColumnTitles[column];
    char text[16];
    std::snprintf(text, sizeof text, "Col %d", column + 1);
    return text;
}

void PatternsView::splitFileName(const std::string &file, std::string &name, std::string &comment)
{
    const size_t dot = file.rfind('.');
    const std::string stem = file.substr(0, dot);
    const size_t underscore = stem.find('_');
    name = stem.substr(0, underscore);
    comment = underscore == std::string::npos ? std::string() : stem.substr(underscore + 1);
}

bool PatternsView::isValidName(const std::string &text)
{
    if (text.empty() || text.find("..") != std::string::npos)
        return false;
    for (unsigned char c : text)
        if (c < 32 || std::strchr("\\/:*?\"<>|", c))
            return false;
    return true;
}

// ---- Cells

int PatternsView::itemCount() const
{
    return list_ && list_->handle() ? ListView_GetItemCount(list_->handle()) : 0;
}

int PatternsView::columnCount() const
{
    if (!list_ || !list_->handle())
        return 0;
    return Header_GetItemCount(ListView_GetHeader(list_->handle()));
}

std::string PatternsView::cellText(int item, int column) const
{
    char text[256] = {};
    ListView_GetItemText(list_->handle(), item, column, text, sizeof text);
    return text;
}

std::string PatternsView::headerText(int column) const
{
    char text[64] = {};
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    ListView_GetColumn(list_->handle(), column, &info);
    return text;
}

std::string PatternsView::itemFile(int item) const
{
    LVITEMA info{};
    info.mask = LVIF_PARAM;
    info.iItem = item;
    ListView_GetItem(list_->handle(), &info);
    const auto *data = reinterpret_cast<const ItemData *>(info.lParam);
    return data ? data->file : std::string();
}

std::vector<int> PatternsView::selectedItems() const
{
    std::vector<int> items;
    for (int i = ListView_GetNextItem(list_->handle(), -1, LVNI_SELECTED); i != -1;
         i = ListView_GetNextItem(list_->handle(), i, LVNI_SELECTED))
        items.push_back(i);
    return items;
}

// ---- Filling

namespace {

void insertColumn(HWND list, int column, const std::string &filter)
{
    std::string title = PatternsView::columnTitle(column);
    if (!filter.empty())
        title = "*" + title;
    LVCOLUMNA info{};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = 50;
    info.pszText = title.data();
    info.iSubItem = column;
    ListView_InsertColumn(list, column, &info);
}

void setCell(HWND list, int item, int column, const std::string &text)
{
    ListView_SetItemText(list, item, column, const_cast<char *>(text.c_str()));
}

} // namespace

void PatternsView::fillList()
{
    if (!list_ || !list_->handle())
        return;
    HWND list = list_->handle();
    ShowWindow(list, SW_HIDE);
    ListView_DeleteAllItems(list);
    while (ListView_DeleteColumn(list, 0)) {
    }
    for (int column = 0; column < kBasicColumns; ++column)
        insertColumn(list, column, filters_[column]);
    listedFolder_ = selectedFolder();
    listedFiles_.clear();
    if (library_ && engine_ && TreeView_GetSelection(tree_->handle())) {
        const bool analyse = isControlKeyDown();
        const PatternListing listing = library_->findNode(listedFolder_);
        for (const PatternEntry &entry : listing.entries) {
            listedFiles_.push_back(entry.relativeFile());
            addItem(entry, listing.folder, analyse);
        }
    }
    sortList();
    for (int column = 0; column < columnCount(); ++column)
        ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);
    ShowWindow(list, SW_SHOW);
    // The engine's pattern, when it lies here.
    if (engine_ && canonicalPatternFolder(listedFolder_) == engine_->patternFolder())
        selectFile(engine_->patternFile());
}

void PatternsView::addItem(const PatternEntry &entry, const std::string &listedFolder, bool analyse)
{
    if (entry.name.find('.') == std::string::npos)
        return;
    std::string cells[kColumns];
    cells[kPathColumn] = entry.subFolder;
    splitFileName(entry.name, cells[kNameColumn], cells[kCommentColumn]);
    const auto passes = [this, &cells](int column) {
        return filters_[column].empty() || filters_[column] == cells[column];
    };
    if (!passes(kPathColumn) || !passes(kNameColumn) || !passes(kCommentColumn))
        return;
    CMidiTrack track;
    const bool parsed = library_->readPattern(listedFolder, entry.relativeFile(), track);
    if (parsed) {
        const int64_t t = track.getTempo() > 0 ? track.getTempo() : 500000;
        char tempo[16];
        std::snprintf(tempo, sizeof tempo, "%03d", static_cast<int>((t / 2 + 60000000) / t));
        cells[kTempoColumn] = tempo;
    }
    if (!passes(kTempoColumn))
        return;
    if (analyse && parsed && engine_)
        analysePattern(*engine_, track, cells);
    if (analyse)
        for (int column = kBasicColumns; column < kColumns; ++column)
            if (!passes(column))
                return;

    HWND list = list_->handle();
    if (analyse)
        for (int column = columnCount(); column < kColumns; ++column)
            insertColumn(list, column, filters_[column]);
    auto *data = new ItemData{entry.name, {}};
    for (int column = 0; column < kColumns; ++column)
        data->cells[column] = cells[column];
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = cells[kNameColumn].data();
    item.lParam = reinterpret_cast<LPARAM>(data);
    const int index = ListView_InsertItem(list, &item);
    if (index < 0) {
        delete data;
        return;
    }
    for (int column = 1; column < (analyse ? kColumns : kBasicColumns); ++column)
        setCell(list, index, column, cells[column]);
}

// ---- Sorting and filters

void PatternsView::sortList()
{
    // The items compare by the cell texts they carry.
    const int keys[2] = {primary_, secondary_};
    ListView_SortItems(
        list_->handle(),
        [](LPARAM first, LPARAM second, LPARAM sortKeys) -> int {
            const auto *a = reinterpret_cast<const ItemData *>(first);
            const auto *b = reinterpret_cast<const ItemData *>(second);
            for (int i = 0; i < 2; ++i) {
                const int key = reinterpret_cast<const int *>(sortKeys)[i];
                const int column = key >= 0 ? key : ~key;
                if (column >= kColumns)
                    continue;
                const int order = std::strcmp(a->cells[column].c_str(), b->cells[column].c_str());
                if (order != 0)
                    return key >= 0 ? order : -order;
            }
            return 0;
        },
        reinterpret_cast<LPARAM>(keys));
}

void PatternsView::onColumnClick(int column)
{
    if (isControlKeyDown()) {
        if (column < 0 || column >= kColumns)
            return;
        const std::vector<int> selected = selectedItems();
        if (filters_[column].empty() && !selected.empty())
            filters_[column] = cellText(selected.front(), column);
        else
            filters_[column].clear();
        fillList();
        return;
    }
    const int primaryColumn = primary_ >= 0 ? primary_ : ~primary_;
    if (primaryColumn == column) {
        primary_ = ~primary_;
    } else {
        secondary_ = primary_;
        primary_ = column;
    }
    sortList();
}

// ---- The list's menu

void PatternsView::listMenu(POINT screen)
{
    HWND list = list_->handle();
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(list, &hit.pt);
    const int item = ListView_HitTest(list, &hit);
    const bool usable =
        item >= 0 && !isInVolume(listedFolder_ + cellText(item, kPathColumn) + itemFile(item));
    const int chosen = trackMenu(
        {{ListEdit, "Edit"}, {ListRename, "Rename"}, {0, nullptr}, {ListDelete, "Delete"}}, usable, screen);
    if (!usable)
        return;
    switch (chosen) {
    case ListEdit:
        editPattern(absoluteFolder(listedFolder_) + "\\" + cellText(item, kPathColumn) + itemFile(item));
        break;
    case ListRename:
        renameSelectedPatterns();
        break;
    case ListDelete:
        deleteSelectedPatterns();
        break;
    default:
        break;
    }
}

void PatternsView::editPattern(const std::string &path)
{
    // The program the shell opens MIDI files with edits the pattern.
    if (shellOpen(handle(), path))
        return;
    const std::string text = "No program opens the pattern\n\"" + path + "\".";
    showMessageBox(handle(), text.c_str(), "Grindelvosket", MB_OK | MB_ICONEXCLAMATION);
}

void PatternsView::deleteSelectedPatterns()
{
    const std::vector<int> selected = selectedItems();
    if (selected.empty())
        return;
    if (showMessageBox(handle(), "Are you sure you want to delete selected patterns?", "Grindelvosket",
                       MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    const std::string folder = absoluteFolder(listedFolder_);
    for (int item : selected) {
        const std::string file = folder + "\\" + cellText(item, kPathColumn) + itemFile(item);
        DeleteFileA(file.c_str());
    }
    rescan();
    fillList();
    const int count = itemCount();
    if (count > 0) {
        const int at = std::min(selected.front(), count - 1);
        selecting_ = true;
        ListView_SetItemState(list_->handle(), at, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        selecting_ = false;
    }
}

void PatternsView::renameSelectedPatterns()
{
    const std::vector<int> selected = selectedItems();
    if (selected.empty())
        return;
    const int columns = columnCount();
    std::vector<std::string> titles;
    std::vector<std::string> texts;
    for (int column = 0; column < columns; ++column) {
        titles.push_back(columnTitle(column));
        std::string common = cellText(selected.front(), column);
        for (int item : selected)
            if (cellText(item, column) != common)
                common = "---";
        texts.push_back(common);
    }
    RenameDlg dialog(handle(), titles, texts);
    if (dialog.doModal() != IDOK)
        return;
    const std::string folder = absoluteFolder(listedFolder_);
    bool refused = false;
    for (int item : selected) {
        const std::string name = dialog.changed(kNameColumn) ? dialog.text(kNameColumn) : cellText(item, 0);
        const std::string comment =
            dialog.changed(kCommentColumn) ? dialog.text(kCommentColumn) : cellText(item, kCommentColumn);
        if (!isValidName(name) || (!comment.empty() && !isValidName(comment))) {
            refused = true;
            continue;
        }
        const std::string within = folder + "\\" + cellText(item, kPathColumn);
        const std::string from = within + itemFile(item);
        const std::string to = within + name + "_" + comment + ".mid";
        // MoveFile never replaces an existing pattern.
        if (from != to && !MoveFileA(from.c_str(), to.c_str()))
            MessageBeep(static_cast<UINT>(-1));
    }
    if (refused)
        showMessageBox(
            handle(),
            "A name or comment may not hold a path separator, \"..\" or any of \\ / : * ? \" < > |.",
            "Grindelvosket", MB_OK | MB_ICONSTOP);
    rescan();
    fillList();
}

} // namespace Quorvane
