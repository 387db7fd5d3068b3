#include "db/dialogs/equipment_tree.h"

#include "data/io_params.h"
#include "data/sound_interfaces.h"
#include "db/dialogs/chooser_owner.h"
#include "db/dialogs/db_messages.h"
#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/port_presets.h"
#include "db/equipment/io_defaults.h"
#include "db/equipment/items.h"
#include "db/equipment/tembri_db.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace Quorvane {

namespace {

// Item data from here up marks a root or a path item: the complement of
// its port kind (kind 0 gives 0xFFFFFFFF, kind 9 0xFFFFFFF6).
constexpr uint32_t kRootMarks = 0xFFFFFFF6;
constexpr int kChordsImage = 0;
constexpr int kPathImage = 21;
constexpr int kPresetImages[10] = {16, 17, 18, 19, 20, 16, 17, 18, 16, 18};
// Descriptor kinds of outputs the tree treats apart.
constexpr long kChordsOutput = 1;
constexpr long kAudioOutput = 2;
constexpr long kMidiPortOutput = 7;

struct Root {
    const char *label;
    int image;
    int kind;
};
struct Mode {
    const char *title;
    std::vector<Root> roots;
};
const Mode kModes[3] = {
    {"Select Out Port", {{"ZQi", 11, 0}, {"VSTi", 12, 1}, {"DXi", 13, 2}, {"DLS", 14, 3}, {"MIDI", 15, 4}}},
    {"Select Audio Effect", {{"ZQ", 11, 5}, {"VST", 12, 6}, {"DX", 13, 7}}},
    {"Select MIDI Effect", {{"ZQX", 11, 8}, {"MFX", 13, 9}}},
};

// What each mode chose last, for the life of the library.
uint32_t g_lastChosen[3] = {0, 0, 0};

struct Tree {
    HINSTANCE resources = nullptr;
    CTembriDB *db = nullptr;
    int mode = 0;
    PORTDESCR *descriptor = nullptr;
    IQuorvaneSongTract *tract = nullptr;
    HWND dialog = nullptr;
    HWND view = nullptr;
    HIMAGELIST images = nullptr;
    HICON icons[4] = {};
};

uint32_t DataOf(HWND view, HTREEITEM item)
{
    TVITEMA read = {};
    read.mask = TVIF_PARAM;
    read.hItem = item;
    SendMessageA(view, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read));
    return uint32_t(read.lParam);
}

std::string LabelOf(HWND view, HTREEITEM item)
{
    char text[MAX_PATH] = {};
    TVITEMA read = {};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = text;
    read.cchTextMax = sizeof text;
    SendMessageA(view, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read));
    return text;
}

HTREEITEM Insert(HWND view, HTREEITEM parent, const char *label, int image, uint32_t data)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char *>(label ? label : "");
    insert.item.iImage = insert.item.iSelectedImage = image;
    insert.item.lParam = LPARAM(data);
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(view, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM RootOf(HWND view, HTREEITEM item)
{
    for (HTREEITEM up = item; up; up = TreeView_GetParent(view, up))
        item = up;
    return item;
}

bool IsMark(uint32_t data)
{
    return data >= kRootMarks;
}

// A port's item lies below a root or path item, a preset's below a port's.
bool IsPreset(HWND view, HTREEITEM item)
{
    HTREEITEM parent = TreeView_GetParent(view, item);
    return parent && !IsMark(DataOf(view, parent));
}

// Below the item above, the child with this label and data, made when
// missing.
HTREEITEM PathItem(HWND view, HTREEITEM above, const std::string &label, uint32_t data)
{
    for (HTREEITEM child = TreeView_GetChild(view, above); child;
         child = TreeView_GetNextSibling(view, child))
        if (DataOf(view, child) == data && LabelOf(view, child) == label)
            return child;
    return Insert(view, above, label.c_str(), kPathImage, data);
}

// Where a VST port goes: below the path items that mirror its file's place
// under one of the VST folders, or the root.
HTREEITEM VstParent(HWND view, HTREEITEM root, uint32_t mark, const char *path, const IOPARAMS &params)
{
    if (!path)
        return root;
    for (int i = 0; i < 3; ++i) {
        const char *folder = params.strings[IOSTR_VSTDIR1 + i];
        const size_t length = folder ? std::strlen(folder) : 0;
        if (!length || _strnicmp(path, folder, length) != 0)
            continue;
        std::string rest = path + length;
        if (!rest.empty() && rest[0] == '\\')
            rest.erase(0, 1);
        HTREEITEM above = root;
        for (size_t start = 0; start <= rest.size();) {
            const size_t end = std::min(rest.find('\\', start), rest.size());
            if (end > start)
                above = PathItem(view, above, rest.substr(start, end - start), mark);
            start = end + 1;
        }
        return above;
    }
    return root;
}

// Whether output mode hides a port: an audio output, a second chords
// output, a MIDI port the song already uses.
bool Hidden(const Tree &t, int kind, long descriptorKind, const void *data, uint32_t size, int &image)
{
    if (t.mode != TREE_OUTPUTS || !t.tract)
        return false;
    if (kind == 0 && descriptorKind == kAudioOutput)
        return true;
    if (kind == 0 && descriptorKind == kChordsOutput) {
        if (t.tract->GetOutChords())
            return true;
        image = kChordsImage;
    }
    if (kind == 4) {
        PORTDESCR port(kMidiPortOutput);
        port.data = std::malloc(size ? size : 1);
        if (!port.data)
            return false;
        std::memcpy(port.data, data, size);
        port.dataSize = long(size);
        return t.tract->GetOutByDescr(&port) != nullptr;
    }
    return false;
}

void FillRoot(Tree &t, HTREEITEM root, HTREEITEM &select)
{
    HWND view = t.view;
    while (HTREEITEM child = TreeView_GetChild(view, root))
        TreeView_DeleteItem(view, child);
    const uint32_t mark = DataOf(view, root);
    const int kind = int(~mark);
    IOPARAMS params;
    if (kind == 1 || kind == 6)
        GetIOParamsOrDefaults(t.db, &params);
    ITembriPort *ports = t.db->GetITembriPort(kind, 1);
    if (!ports)
        return;
    const uint32_t remembered = g_lastChosen[t.mode];
    uint32_t id;
    long descriptorKind;
    char *name;
    void *data;
    uint32_t size;
    for (SDBNOTE *n = ports->GetNext(nullptr, id, descriptorKind, name, &data, &size); n;
         n = ports->GetNext(n, id, descriptorKind, name, &data, &size)) {
        int image = kind + 1;
        if (!Hidden(t, kind, descriptorKind, data, size, image)) {
            const char *path =
                (kind == 1 || kind == 6) && data && size ? static_cast<const char *>(data) : nullptr;
            std::string file = path ? std::string(path, strnlen(path, size)) : std::string();
            HTREEITEM parent = VstParent(view, root, mark, path ? file.c_str() : nullptr, params);
            HTREEITEM port = Insert(view, parent, name, image, id);
            if (id == remembered)
                select = port;
            if (ITembriPreset *presets = PresetsOfPort(t.db, id, 0)) {
                uint32_t presetId;
                char *presetName;
                for (SDBNOTE *p = presets->GetNext(nullptr, presetId, presetName); p;
                     p = presets->GetNext(p, presetId, presetName)) {
                    HTREEITEM preset = Insert(view, port, presetName, kPresetImages[kind], presetId);
                    if (presetId == remembered)
                        select = preset;
                    std::free(presetName);
                }
                presets->Release();
            }
        }
        std::free(name);
        std::free(data);
    }
    ports->Release();
}

void UpdateButtons(Tree &t)
{
    HTREEITEM item = TreeView_GetSelection(t.view);
    const bool chosen = item && !IsMark(DataOf(t.view, item));
    EnableWindow(GetDlgItem(t.dialog, IDOK), chosen);
    EnableWindow(GetDlgItem(t.dialog, IDC_TREE_DELETE), chosen);
    EnableWindow(GetDlgItem(t.dialog, IDC_TREE_REFRESH), item != nullptr);
}

void Refill(Tree &t, HTREEITEM root)
{
    HTREEITEM select = nullptr;
    FillRoot(t, root, select);
    if (select) {
        TreeView_EnsureVisible(t.view, select);
        TreeView_SelectItem(t.view, select);
    } else {
        TreeView_SelectItem(t.view, root);
    }
    UpdateButtons(t);
    InvalidateRect(t.view, nullptr, TRUE);
}

void Refresh(Tree &t)
{
    HTREEITEM item = TreeView_GetSelection(t.view);
    if (!item)
        return;
    HTREEITEM root = RootOf(t.view, item);
    const uint32_t kept = g_lastChosen[t.mode];
    if (!IsMark(DataOf(t.view, item)))
        g_lastChosen[t.mode] = DataOf(t.view, item);
    if (ITembriPort *ports = t.db->GetITembriPort(int(~DataOf(t.view, root)), 1)) {
        ports->Refresh();
        ports->Release();
    }
    Refill(t, root);
    g_lastChosen[t.mode] = kept;
}

void Delete(Tree &t)
{
    HTREEITEM item = TreeView_GetSelection(t.view);
    if (!item || IsMark(DataOf(t.view, item)))
        return;
    HTREEITEM root = RootOf(t.view, item);
    const uint32_t id = DataOf(t.view, item);
    int done = 0;
    if (IsPreset(t.view, item)) {
        if (!AskDBQuestion(t.resources, t.dialog, IDS_DB_DELETE_PRESET))
            return;
        if (ITembriPreset *presets =
                PresetsOfPort(t.db, DataOf(t.view, TreeView_GetParent(t.view, item)), 1)) {
            done = presets->Delete(id);
            presets->Release();
        }
    } else {
        if (!AskDBQuestion(t.resources, t.dialog, IDS_DB_DELETE_PORT))
            return;
        if (ITembriPort *ports = t.db->GetITembriPort(int(~DataOf(t.view, root)), 1)) {
            done = ports->Delete(id);
            ports->Release();
        }
    }
    if (done)
        Refill(t, root);
    else
        ShowDBError(t.resources, t.dialog, IDS_DB_CANT_PERFORM);
}

void Choose(Tree &t)
{
    HTREEITEM item = TreeView_GetSelection(t.view);
    if (!item || IsMark(DataOf(t.view, item)))
        return;
    const uint32_t id = DataOf(t.view, item);
    int done = 0;
    if (IsPreset(t.view, item)) {
        if (ITembriPreset *presets =
                PresetsOfPort(t.db, DataOf(t.view, TreeView_GetParent(t.view, item)), 1)) {
            done = presets->GetDescr(id, t.descriptor);
            presets->Release();
        }
    } else if (ITembriPort *ports = t.db->GetITembriPort(int(~DataOf(t.view, RootOf(t.view, item))), 1)) {
        done = ports->GetDescr(id, t.descriptor);
        ports->Release();
    }
    if (!done) {
        ShowDBError(t.resources, t.dialog, IDS_DB_ERROR);
        return;
    }
    g_lastChosen[t.mode] = id;
    EndDialog(t.dialog, IDOK);
}

void Init(Tree &t)
{
    const int buttons[4] = {IDOK, IDC_TREE_REFRESH, IDC_TREE_DELETE, IDCANCEL};
    const int icons[4] = {IDI_DB_OK, IDI_DB_REFRESH, IDI_DB_DELETE, IDI_DB_CANCEL};
    for (int i = 0; i < 4; ++i) {
        t.icons[i] =
            static_cast<HICON>(LoadImageA(t.resources, MAKEINTRESOURCEA(icons[i]), IMAGE_ICON, 16, 16, 0));
        SendDlgItemMessageA(t.dialog, buttons[i], BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(t.icons[i]));
    }
    t.images = ImageList_LoadImageA(t.resources, MAKEINTRESOURCEA(IDB_DB_TREE), 16, 0, RGB(128, 0, 128),
                                    IMAGE_BITMAP, LR_CREATEDIBSECTION);
    TreeView_SetImageList(t.view, t.images, TVSIL_NORMAL);
    const Mode &mode = kModes[t.mode];
    SetWindowTextA(t.dialog, mode.title);
    HTREEITEM select = nullptr;
    for (const Root &root : mode.roots) {
        HTREEITEM item = Insert(t.view, TVI_ROOT, root.label, root.image, ~uint32_t(root.kind));
        FillRoot(t, item, select);
    }
    if (select) {
        TreeView_EnsureVisible(t.view, select);
        TreeView_SelectItem(t.view, select);
    }
    UpdateButtons(t);
}

INT_PTR CALLBACK TreeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto &t = *reinterpret_cast<Tree *>(lParam);
        t.dialog = dialog;
        t.view = GetDlgItem(dialog, IDC_TREE_VIEW);
        Init(t);
        return TRUE;
    }
    auto *t = reinterpret_cast<Tree *>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!t)
        return FALSE;
    switch (message) {
    case WM_NOTIFY: {
        const auto *header = reinterpret_cast<const NMHDR *>(lParam);
        if (header->idFrom != IDC_TREE_VIEW)
            return FALSE;
        if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW)
            UpdateButtons(*t);
        else if (header->code == NM_DBLCLK)
            Choose(*t);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Choose(*t);
            return TRUE;
        case IDC_TREE_REFRESH:
            Refresh(*t);
            return TRUE;
        case IDC_TREE_DELETE:
            Delete(*t);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        for (HICON icon : t->icons)
            if (icon)
                DestroyIcon(icon);
        TreeView_SetImageList(t->view, nullptr, TVSIL_NORMAL);
        if (t->images)
            ImageList_Destroy(t->images);
        return FALSE;
    }
    return FALSE;
}

} // namespace

INT_PTR RunEquipmentTree(HINSTANCE resources, CTembriDB *db, int mode, PORTDESCR *descriptor,
                         IQuorvaneSongTract *tract)
{
    if (!db || !descriptor || mode < TREE_OUTPUTS || mode > TREE_MIDI_EFFECTS)
        return IDCANCEL;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    Tree tree;
    tree.resources = resources;
    tree.db = db;
    tree.mode = mode;
    tree.descriptor = descriptor;
    tree.tract = mode == TREE_OUTPUTS ? tract : nullptr;
    return DialogBoxParamA(resources, MAKEINTRESOURCEA(IDD_DB_TREE), ChooserOwner(nullptr), TreeProc,
                           reinterpret_cast<LPARAM>(&tree));
}

} // namespace Quorvane
