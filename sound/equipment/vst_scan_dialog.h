// The "VSTi Scanning" dialog: the VST folders as a tree with check boxes,
// "Scan" to open the checked files one after the other, an optional log,
// and OK to list the checked files.
#pragma once

#include "sound/equipment/port_list.h"
#include "sound/equipment/vst_folder_tree.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace Quorvane {

class VstScanDialog {
public:
    // kind: ENUM_OUT_VST (instruments) or ENUM_AEFFECT_VST (effects).
    VstScanDialog(long kind, VstFolderTree &tree, VstScanCache &cache, PortList &list);
    VstScanDialog(const VstScanDialog &) = delete;
    VstScanDialog &operator=(const VstScanDialog &) = delete;

    // IDOK when the list got the checked files, IDCANCEL, or -1 when the
    // dialog could not be shown or memory ran out.
    INT_PTR Run(HWND owner);

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    void Insert(int node, HTREEITEM parent);
    void ShowChecks();
    void ShowLabel(int node, bool scanning);
    void OnCheckToggled();
    void EnableControls(bool enable);
    bool StartLog(class VstScanLog &log);
    void Scan();
    void Accept();

    long kind_;
    VstFolderTree &tree_;
    VstScanCache &cache_;
    PortList &list_;
    HWND window_ = nullptr;
    HWND treeView_ = nullptr;
    std::vector<HTREEITEM> items_; // by node
};

} // namespace Quorvane
