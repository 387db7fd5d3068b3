#include "sound/equipment/vst_scan_dialog.h"

#include "sound/equipment/equipment_sources.h"
#include "sound/equipment/vst_plugin_check.h"
#include "sound/equipment/vst_scan_ids.h"
#include "sound/equipment/vst_scan_log.h"
#include "sound/tindrel_module.h"

#include <string>

namespace Quorvane {

namespace {

// Posted when a check box may have been toggled.
constexpr UINT kCheckToggled = WM_APP + 1;
constexpr UINT kUnchecked = 1;
constexpr UINT kChecked = 2;

// " = VSTi" and so on, without the line end.
std::string VerdictLabel(uint32_t verdict)
{
    std::string text = VstVerdictText(verdict);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace

VstScanDialog::VstScanDialog(long kind, VstFolderTree &tree, VstScanCache &cache, PortList &list)
    : kind_(kind), tree_(tree), cache_(cache), list_(list)
{
}

INT_PTR VstScanDialog::Run(HWND owner)
{
    return DialogBoxParamA(TindrelModule(), MAKEINTRESOURCEA(IDD_VST_SCAN), owner, &VstScanDialog::Proc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK VstScanDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        auto *dialog = reinterpret_cast<VstScanDialog *>(lParam);
        dialog->window_ = window;
        dialog->OnInit();
        return TRUE;
    }
    auto *dialog = reinterpret_cast<VstScanDialog *>(GetWindowLongPtrA(window, DWLP_USER));
    return dialog ? dialog->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR VstScanDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_VST_LOG:
            EnableWindow(GetDlgItem(window_, IDC_VST_LOG_PATH),
                         IsDlgButtonChecked(window_, IDC_VST_LOG) == BST_CHECKED);
            return TRUE;
        case IDC_VST_SCAN:
            Scan();
            return TRUE;
        case IDOK:
            Accept();
            return TRUE;
        case IDCANCEL:
            EndDialog(window_, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: {
        const auto *header = reinterpret_cast<const NMHDR *>(lParam);
        if (header->hwndFrom != treeView_)
            return FALSE;
        // The tree toggles the box itself; the rules follow once it has.
        if (header->code == NM_CLICK ||
            (header->code == TVN_KEYDOWN && reinterpret_cast<const NMTVKEYDOWN *>(lParam)->wVKey == VK_SPACE))
            PostMessageA(window_, kCheckToggled, 0, 0);
        return FALSE;
    }
    case kCheckToggled:
        OnCheckToggled();
        return TRUE;
    }
    return FALSE;
}

void VstScanDialog::OnInit()
{
    treeView_ = GetDlgItem(window_, IDC_VST_TREE);
    // The tree makes its check-box images when the style is set after
    // creation and before any item is added.
    SetWindowLongPtrA(treeView_, GWL_STYLE, GetWindowLongPtrA(treeView_, GWL_STYLE) | TVS_CHECKBOXES);
    items_.assign(tree_.Nodes().size(), nullptr);
    for (int root : tree_.Roots())
        Insert(root, TVI_ROOT);
    ShowChecks();
    HWND path = GetDlgItem(window_, IDC_VST_LOG_PATH);
    SendMessageA(path, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SetWindowTextA(path, kDefaultVstScanLog);
    EnableWindow(path, FALSE);
}

void VstScanDialog::Insert(int node, HTREEITEM parent)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char *>("");
    insert.item.lParam = node;
    items_[node] = reinterpret_cast<HTREEITEM>(
        SendMessageA(treeView_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    ShowLabel(node, false);
    for (int child : tree_.Node(node).children)
        Insert(child, items_[node]);
    if (tree_.Node(node).folder)
        TreeView_Expand(treeView_, items_[node], TVE_EXPAND);
}

void VstScanDialog::ShowLabel(int node, bool scanning)
{
    const VstTreeNode &shown = tree_.Node(node);
    std::string label = shown.label;
    if (!shown.folder && cache_.Verdict(shown.cacheIndex) != VST_UNKNOWN)
        label += VerdictLabel(cache_.Verdict(shown.cacheIndex));
    TVITEMA item = {};
    item.mask = TVIF_TEXT | TVIF_STATE;
    item.hItem = items_[node];
    item.pszText = label.data();
    item.state = scanning ? TVIS_BOLD : 0;
    item.stateMask = TVIS_BOLD;
    SendMessageA(treeView_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void VstScanDialog::ShowChecks()
{
    for (size_t node = 0; node < items_.size(); ++node) {
        TVITEMA item = {};
        item.mask = TVIF_STATE;
        item.hItem = items_[node];
        item.state =
            INDEXTOSTATEIMAGEMASK(tree_.Node(static_cast<int>(node)).checked ? kChecked : kUnchecked);
        item.stateMask = TVIS_STATEIMAGEMASK;
        SendMessageA(treeView_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void VstScanDialog::OnCheckToggled()
{
    // The one box whose state differs from the rules' is the one toggled.
    for (size_t node = 0; node < items_.size(); ++node) {
        const UINT state = TreeView_GetItemState(treeView_, items_[node], TVIS_STATEIMAGEMASK) >> 12;
        const bool checked = state == kChecked;
        if (checked != tree_.Node(static_cast<int>(node)).checked) {
            tree_.SetChecked(static_cast<int>(node), checked);
            ShowChecks();
            return;
        }
    }
}

void VstScanDialog::EnableControls(bool enable)
{
    for (int id : {IDC_VST_TREE, IDC_VST_SCAN, IDC_VST_LOG, IDOK, IDCANCEL})
        EnableWindow(GetDlgItem(window_, id), enable);
    EnableWindow(GetDlgItem(window_, IDC_VST_LOG_PATH),
                 enable && IsDlgButtonChecked(window_, IDC_VST_LOG) == BST_CHECKED);
}

bool VstScanDialog::StartLog(VstScanLog &log)
{
    if (IsDlgButtonChecked(window_, IDC_VST_LOG) != BST_CHECKED)
        return false;
    // The path is the user's text: one longer than the buffer is refused.
    HWND field = GetDlgItem(window_, IDC_VST_LOG_PATH);
    char path[MAX_PATH] = {};
    const int length = GetWindowTextLengthA(field);
    if (length > 0 && length < MAX_PATH)
        GetWindowTextA(field, path, sizeof path);
    if (log.Start(path))
        return true;
    // A log that cannot be written switches logging off.
    CheckDlgButton(window_, IDC_VST_LOG, BST_UNCHECKED);
    return false;
}

void VstScanDialog::Scan()
{
    EnableControls(false);
    const HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    VstScanLog log;
    StartLog(log);
    int last = -1;
    for (int node : tree_.CheckedFiles()) {
        // Held Escape stops the scan early.
        if (GetAsyncKeyState(VK_ESCAPE) < 0)
            break;
        const VstTreeNode &file = tree_.Node(node);
        ShowLabel(node, true);
        TreeView_SelectItem(treeView_, items_[node]);
        TreeView_EnsureVisible(treeView_, items_[node]);
        UpdateWindow(treeView_);
        log.Write(file.path.c_str());
        const VstPluginCheck check = CheckVstPlugin(file.path);
        log.Write(VstVerdictText(check.verdict));
        cache_.Record(file.cacheIndex, check.verdict);
        ShowLabel(node, false);
        if (!IsWantedVstPlugin(check, kind_)) {
            tree_.SetChecked(node, false);
            ShowChecks();
        }
        last = node;
    }
    log.Write("\nDone");
    // Keys pressed during the scan (Escape held to stop it) are not meant
    // for the dialog.
    MSG key;
    while (PeekMessageA(&key, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
        ;
    EnableControls(true);
    SetFocus(treeView_);
    SetCursor(previous);
    if (last >= 0) {
        TreeView_SelectItem(treeView_, items_[last]);
        TreeView_EnsureVisible(treeView_, items_[last]);
    }
}

void VstScanDialog::Accept()
{
    for (int node : tree_.CheckedFiles()) {
        const VstTreeNode &file = tree_.Node(node);
        if (!list_.Add(file.label.c_str(), kind_, file.path.c_str())) {
            EndDialog(window_, -1);
            return;
        }
    }
    EndDialog(window_, IDOK);
}

bool RunVstScan(PortList &list, long kind, IOPARAMS *params, CStructArray *known, CStructArray *scan)
{
    VstScanCache cache(scan);
    std::vector<const char *> folders;
    if (params)
        folders.assign(params->strings + IOSTR_VSTDIR1, params->strings + IOSTR_VSTDIR3 + 1);
    VstFolderTree tree;
    if (!tree.Build(folders, cache, known))
        return false;
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    VstScanDialog dialog(kind, tree, cache, list);
    return dialog.Run(GetActiveWindow()) == IDOK;
}

} // namespace Quorvane
