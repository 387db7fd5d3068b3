#include "app/options/vst_folders_dialog.h"

#include "app/program_messages.h"
#include "app/options/dialog_controls.h"
#include "app/options/option_dialog_ids.h"
#include "data/io_params.h"

#include <mutex>
#include <utility>

namespace Quorvane {

namespace {

constexpr int kFolderFields[] = {IDC_VST_FOLDER1, IDC_VST_FOLDER2, IDC_VST_FOLDER3};
constexpr int kFolderStrings[] = {IOSTR_VSTDIR1, IOSTR_VSTDIR2, IOSTR_VSTDIR3};

std::mutex browserLock;

FolderBrowser &installedBrowser()
{
    static FolderBrowser browser;
    return browser;
}

PIDLIST_ABSOLUTE browse(BROWSEINFOA &info)
{
    FolderBrowser browser;
    {
        std::lock_guard<std::mutex> guard(browserLock);
        browser = installedBrowser();
    }
    return browser ? browser(info) : SHBrowseForFolderA(&info);
}

std::string fieldText(HWND dialog, int id)
{
    HWND field = GetDlgItem(dialog, id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

void browseInto(HWND dialog, int field)
{
    char display[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = dialog;
    info.pszDisplayName = display;
    info.lpszTitle = "Select VST Directory";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = browse(info);
    if (!chosen)
        return;
    char path[MAX_PATH] = {};
    const bool isPath = SHGetPathFromIDListA(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    if (!isPath) {
        ShowProgramMessage(MsgShellError, dialog);
        return;
    }
    SetDlgItemTextA(dialog, field, path);
}

INT_PTR CALLBACK foldersProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *folders = DialogState<VstFolders>(dialog, message, lParam);
    switch (message) {
    case WM_INITDIALOG:
        for (int i = 0; i < 3; ++i)
            SetDlgItemTextA(dialog, kFolderFields[i], (*folders)[i].c_str());
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_VST_BROWSE1:
        case IDC_VST_BROWSE2:
        case IDC_VST_BROWSE3:
            browseInto(dialog, kFolderFields[LOWORD(wParam) - IDC_VST_BROWSE1]);
            return TRUE;
        case IDOK:
            for (int i = 0; i < 3; ++i)
                (*folders)[i] = WithoutTrailingSlash(fieldText(dialog, kFolderFields[i]));
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

std::string WithoutTrailingSlash(std::string folder)
{
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

VstFolders VstFoldersOf(const IOPARAMS &params)
{
    VstFolders folders;
    for (int i = 0; i < 3; ++i) {
        const char *text = params.strings[kFolderStrings[i]];
        folders[i] = text ? text : "";
    }
    return folders;
}

bool SetVstFolders(IOPARAMS &params, const VstFolders &folders)
{
    bool ok = true;
    for (int i = 0; i < 3; ++i)
        ok = params.SetString(kFolderStrings[i], folders[i].c_str()) && ok;
    return ok;
}

FolderBrowser SetFolderBrowser(FolderBrowser browser)
{
    std::lock_guard<std::mutex> guard(browserLock);
    return std::exchange(installedBrowser(), std::move(browser));
}

bool RunVstFoldersDialog(HWND owner, VstFolders &folders)
{
    VstFolders edited = folders;
    if (!RunModalDialog(owner, IDD_VST_FOLDERS, foldersProc, &edited))
        return false;
    folders = edited;
    return true;
}

} // namespace Quorvane
