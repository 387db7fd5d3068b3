#include "db/dialogs/chooser_list.h"

#include "db/dialogs/dialog_ids.h"

namespace Quorvane {

ChooserList::ChooserList(HINSTANCE resources, HWND dialog, int storeId, int deleteId)
    : m_resources(resources), m_dialog(dialog), m_storeId(storeId), m_deleteId(deleteId)
{
}

ChooserList::~ChooserList()
{
    for (HICON icon : m_icons)
        if (icon)
            DestroyIcon(icon);
}

void ChooserList::SetIcons()
{
    const int buttons[4] = {IDOK, m_storeId, m_deleteId, IDCANCEL};
    const int icons[4] = {IDI_DB_OK, IDI_DB_STORE, IDI_DB_DELETE, IDI_DB_CANCEL};
    for (int i = 0; i < 4; ++i) {
        m_icons[i] =
            static_cast<HICON>(LoadImageA(m_resources, MAKEINTRESOURCEA(icons[i]), IMAGE_ICON, 16, 16, 0));
        SendDlgItemMessageA(m_dialog, buttons[i], BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(m_icons[i]));
    }
}

void ChooserList::Clear()
{
    SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_RESETCONTENT, 0, 0);
    m_unknown = 0;
}

void ChooserList::Add(const char *name, uint32_t id)
{
    char unknown[32];
    if (!name || !*name) {
        wsprintfA(unknown, "Unknown %i", ++m_unknown);
        name = unknown;
    }
    const LRESULT item =
        SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_SETITEMDATA, WPARAM(item), LPARAM(id));
}

void ChooserList::Select(uint32_t id)
{
    const LRESULT n = SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i)
        if (uint32_t(SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_GETITEMDATA, WPARAM(i), 0)) == id) {
            SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_SETCURSEL, WPARAM(i), 0);
            return;
        }
}

void ChooserList::SelectName(const std::string &name)
{
    const LRESULT item = SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_FINDSTRINGEXACT, WPARAM(-1),
                                             reinterpret_cast<LPARAM>(name.c_str()));
    if (item != CB_ERR)
        SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_SETCURSEL, WPARAM(item), 0);
}

std::string ChooserList::Text() const
{
    char text[512] = {};
    GetDlgItemTextA(m_dialog, IDC_CHOOSER_NAMES, text, sizeof text);
    return text;
}

int ChooserList::Named(uint32_t &id) const
{
    const std::string text = Text();
    if (text.empty())
        return 0;
    const LRESULT n = SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char name[512] = {};
        SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_GETLBTEXT, WPARAM(i),
                            reinterpret_cast<LPARAM>(name));
        if (text == name) {
            id = uint32_t(SendDlgItemMessageA(m_dialog, IDC_CHOOSER_NAMES, CB_GETITEMDATA, WPARAM(i), 0));
            return 1;
        }
    }
    return 0;
}

void ChooserList::UpdateButtons()
{
    uint32_t id;
    const bool empty = Text().empty();
    const bool listed = !empty && Named(id);
    EnableWindow(GetDlgItem(m_dialog, IDOK), listed);
    EnableWindow(GetDlgItem(m_dialog, m_storeId), !empty);
    EnableWindow(GetDlgItem(m_dialog, m_deleteId), listed);
}

void ChooserList::EnableAll()
{
    for (int id : {int(IDOK), m_storeId, m_deleteId})
        EnableWindow(GetDlgItem(m_dialog, id), TRUE);
}

void ChooserList::ShowLoading()
{
    HWND list = GetDlgItem(m_dialog, IDC_CHOOSER_NAMES);
    RECT box;
    GetWindowRect(list, &box);
    MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT *>(&box), 2);
    SetWindowPos(list, nullptr, 0, 0, box.right - box.left, (box.bottom - box.top) / 2,
                 SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(GetDlgItem(m_dialog, IDC_CHOOSER_LOADING), SW_SHOW);
    UpdateWindow(m_dialog);
}

} // namespace Quorvane
