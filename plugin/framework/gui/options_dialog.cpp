#include "plugin/framework/gui/options_dialog.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/gui_resources.h"

#include <commctrl.h>

namespace Quorvane {

namespace {

struct SharedPicture {
    WORD pictureId;
    volatile LONG users = 0;
    RefPtr<OpaqueBitmap> bitmap; // released at unload at the latest
};

SharedPicture savePicture{IDB_OPTIONS_SAVE, 0, {}};
SharedPicture deletePicture{IDB_OPTIONS_DELETE, 0, {}};

SharedPicture &sharedOf(WORD pictureId)
{
    return pictureId == IDB_OPTIONS_DELETE ? deletePicture : savePicture;
}

uint8_t red(COLORREF c)
{
    return GetRValue(c);
}
uint8_t green(COLORREF c)
{
    return GetGValue(c);
}
uint8_t blue(COLORREF c)
{
    return GetBValue(c);
}

} // namespace

OptionsDlgButton::~OptionsDlgButton()
{
    initPicture(false);
}

Bitmap *OptionsDlgButton::sharedPicture(WORD pictureId)
{
    return sharedOf(pictureId).bitmap.get();
}

void OptionsDlgButton::initPicture(bool acquire)
{
    SharedPicture &shared = sharedOf(pictureId_);
    if (acquire) {
        if (!acquired_) {
            acquired_ = true;
            InterlockedIncrement(&shared.users);
        }
        if (!shared.bitmap) {
            // The picture's face and shadow become the system's.
            const COLORREF face = GetSysColor(COLOR_BTNFACE);
            const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
            const ColourMapEntry map[2] = {{0x7C948C, red(face), green(face), blue(face), 0},
                                           {0x404040, red(shadow), green(shadow), blue(shadow), 0}};
            shared.bitmap =
                RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(pictureId_), map, 2));
        }
        Bitmap *picture = shared.bitmap.get();
        setPicture(picture, picture ? picture->width() / 4 : 0, 0, 0);
    } else if (acquired_) {
        acquired_ = false;
        setPicture(nullptr, 0, 0, 0);
        if (InterlockedDecrement(&shared.users) == 0)
            shared.bitmap.reset();
    }
}

int OptionsDlgButton::attachToDialog(int id, HWND window)
{
    HWND item = window ? GetDlgItem(window, id) : nullptr;
    if (!item || !FlatButton::attachToDialog(id, window))
        return 0;
    if (GetWindowLongPtrA(item, GWLP_USERDATA) == 0)
        SetWindowLongPtrA(item, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(static_cast<SelfDrawnItem *>(this)));
    return 1;
}

int OptionsDlgButton::getVisualState() const
{
    return (itemState_ & ODS_SELECTED) ? 2 : 0;
}

void OptionsDlgButton::draw(GraphicsContext &gc, const Rect &rect, UINT state)
{
    itemState_ = state;
    const Point old = gc.getViewportOrigin();
    gc.setViewportOrigin(old.x + rect.x, old.y + rect.y);
    paintSelf(gc);
    gc.setViewportOrigin(old.x, old.y);
}

void OptionsDlgButton::measure(int &width, int &height)
{
    width = bounds().width;
    height = bounds().height;
}

OptionsDlgBase::SaveButton::SaveButton() : OptionsDlgButton(IDB_OPTIONS_SAVE) {}

OptionsDlgBase::DeleteButton::DeleteButton() : OptionsDlgButton(IDB_OPTIONS_DELETE) {}

void OptionsDlgBase::drawItem(const DRAWITEMSTRUCT &item)
{
    SelfDrawnItem *object = nullptr;
    if (item.CtlType == ODT_BUTTON || item.CtlType == ODT_STATIC) {
        if (item.CtlID == IDC_OPTIONS_SAVE)
            object = &saveButton_;
        else if (item.CtlID == IDC_OPTIONS_DELETE)
            object = &deleteButton_;
    } else {
        object = reinterpret_cast<SelfDrawnItem *>(item.itemData);
    }
    if (object)
        drawSelfDrawnItem(*object, item);
}

std::string OptionsDlgBase::typedMapName() const
{
    char name[MAX_PATH] = {};
    GetDlgItemTextA(handle(), IDC_OPTIONS_MAP_NAME, name, MAX_PATH);
    return name;
}

void OptionsDlgBase::saveTypedMap(const DrumMapFolder &folder, DrumMap &map)
{
    const std::string name = typedMapName();
    // The first map saved makes the folder.
    if (!DrumMap::save(DrumMap::createFolder(folder.path()), name, map))
        return;
    HWND combo = item(IDC_OPTIONS_MAP_NAME);
    if (SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(name.c_str())) == CB_ERR)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void OptionsDlgBase::deleteTypedMap(const DrumMapFolder &folder)
{
    const std::string name = typedMapName();
    if (!DrumMap::deleteFile(folder, name))
        return;
    HWND combo = item(IDC_OPTIONS_MAP_NAME);
    const LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(name.c_str()));
    if (index != CB_ERR)
        SendMessageA(combo, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

INT_PTR OptionsDlgBase::dialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        drawItem(*reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        SetWindowLongPtrA(handle(), DWLP_MSGRESULT, 1);
        return TRUE;
    }
    return ModalDialog::dialogProc(message, wParam, lParam);
}

bool OptionsDlgBase::handleMapFileCommand(int id, int code, const DrumMapFolder &folder, DrumMap &map)
{
    if (id == IDC_OPTIONS_SAVE && code == BN_CLICKED) {
        saveTypedMap(folder, map);
        return true;
    }
    if (id == IDC_OPTIONS_DELETE && code == BN_CLICKED) {
        deleteTypedMap(folder);
        return true;
    }
    return false;
}

void OptionsDlgBase::fillDrumMapList(HWND list, const DrumMap &map, const NoteNames &names)
{
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const char *titles[] = {"Instrument", "MIDI Note"};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNA info{};
        info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        info.fmt = LVCFMT_LEFT;
        info.cx = 20;
        info.pszText = const_cast<char *>(titles[column]);
        ListView_InsertColumn(list, column, &info);
    }
    map.fillNoteList(list, names);
    ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE);
    RECT client{};
    GetClientRect(list, &client);
    const int rest = client.right - ListView_GetColumnWidth(list, 0) - GetSystemMetrics(SM_CXVSCROLL);
    ListView_SetColumnWidth(list, 1, rest >= 10 ? rest : LVSCW_AUTOSIZE);
}

void OptionsDlgBase::rewriteDrumMapRows(HWND list, const DrumMap &map, const NoteNames &names)
{
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row)
        map.updateRowText(list, row, names);
}

int OptionsDlgBase::shiftSelectedDrumMapRow(HWND list, DrumMap &map, const NoteNames &names, int delta)
{
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0 || !map.shiftRowNote(list, row, delta))
        return -1;
    map.updateRowText(list, row, names);
    return map.getRowNote(list, row);
}

CMidiTrack::Event OptionsDlgBase::drumMapPreview(int note)
{
    CMidiTrack::Event event;
    event.kind = CMidiTrack::Event::Note;
    event.channel = 9;
    event.data1 = static_cast<uint8_t>(note);
    event.data2 = 100;
    event.duration = 960;
    return event;
}

bool OptionsDlgBase::handleDrumMapMessage(UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR listId)
{
    if (message == WM_NOTIFY) {
        const auto &header = *reinterpret_cast<const NMHDR *>(lParam);
        if (header.idFrom != listId || header.code != LVN_KEYDOWN)
            return false;
        const WORD key = reinterpret_cast<const NMLVKEYDOWN &>(header).wVKey;
        if (key == VK_ADD)
            shiftSelectedRow(1);
        else if (key == VK_SUBTRACT)
            shiftSelectedRow(-1);
        return true;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_OPTIONS_MAP_NAME && HIWORD(wParam) == CBN_SELCHANGE) {
        mapChosen();
        return true;
    }
    return false;
}

} // namespace Quorvane
