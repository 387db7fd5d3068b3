#include "plugin/fill/panel/rename_dialog.h"

#include "plugin/fill/panel/panel_ids.h"
#include "plugin/framework/plugin/com_object.h"

namespace Quorvane {

RenameDlg::RenameDlg(HWND parent, std::vector<std::string> titles, std::vector<std::string> texts)
    : ModalDialog(IDD_RENAME, parent), titles_(std::move(titles)), texts_(std::move(texts)),
      changed_(titles_.size(), false)
{
    texts_.resize(titles_.size());
}

void RenameDlg::moveDown(int id, int pixels)
{
    HWND control = GetDlgItem(handle(), id);
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT *>(&place), 2);
    SetWindowPos(control, nullptr, place.left, place.top + pixels, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

BOOL RenameDlg::onInitDialog()
{
    RECT client{};
    GetClientRect(handle(), &client);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(handle(), WM_GETFONT, 0, 0));
    const int half = client.right / 2;
    filling_ = true;
    const int rows = static_cast<int>(titles_.size());
    for (int row = 0; row < rows; ++row) {
        const int y = kRowTop + row * kRowStep;
        HWND title = CreateWindowExA(0, "STATIC", titles_[row].c_str(), WS_CHILD | WS_VISIBLE | SS_RIGHT, 4,
                                     y, half - 8, kRowHeight, handle(), nullptr, com::thisModule(), nullptr);
        HWND edit = CreateWindowExA(
            WS_EX_CLIENTEDGE, "EDIT", texts_[row].c_str(),
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, half, y, half - 4, kRowHeight, handle(),
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_RENAME_FIRST_EDIT + row)), com::thisModule(),
            nullptr);
        for (HWND control : {title, edit})
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        // Only the name and the comment make the file name.
        if (row >= kEditableRows) {
            EnableWindow(title, FALSE);
            EnableWindow(edit, FALSE);
        }
    }
    filling_ = false;
    const int taken = rows * kRowStep;
    moveDown(IDOK, taken);
    moveDown(IDCANCEL, taken);
    RECT window{};
    GetWindowRect(handle(), &window);
    SetWindowPos(handle(), nullptr, 0, 0, window.right - window.left, window.bottom - window.top + taken,
                 SWP_NOMOVE | SWP_NOZORDER);
    if (rows > 0)
        SetFocus(GetDlgItem(handle(), IDC_RENAME_FIRST_EDIT));
    return FALSE;
}

INT_PTR RenameDlg::dialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CTLCOLOREDIT: {
        const int row = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) - IDC_RENAME_FIRST_EDIT;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, changed(row) ? 0x000000 : kUnchangedText);
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_COMMAND: {
        const int row = LOWORD(wParam) - IDC_RENAME_FIRST_EDIT;
        if (HIWORD(wParam) == EN_CHANGE && !filling_ && row >= 0 && row < static_cast<int>(changed_.size())) {
            if (!changed_[row]) {
                changed_[row] = true;
                InvalidateRect(reinterpret_cast<HWND>(lParam), nullptr, TRUE);
            }
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    return ModalDialog::dialogProc(message, wParam, lParam);
}

void RenameDlg::onOK()
{
    for (size_t row = 0; row < texts_.size(); ++row) {
        if (!changed_[row])
            continue;
        char text[MAX_PATH] = {};
        GetDlgItemTextA(handle(), IDC_RENAME_FIRST_EDIT + static_cast<int>(row), text, MAX_PATH);
        texts_[row] = text;
    }
    ModalDialog::onOK();
}

} // namespace Quorvane
