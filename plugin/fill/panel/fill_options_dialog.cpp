#include "plugin/fill/panel/fill_options_dialog.h"

#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/framework/gui/gui_resources.h"

#include "base/message_box.h"

#include <commctrl.h>

#include <cstdio>

namespace Quorvane {

OptionsDlg::OptionsDlg(Grindelvosket &engine, HWND parent)
    : OptionsDlgBase(IDD_OPTIONS, parent), engine_(engine), savedMap_(engine.drumMap()),
      folder_(FillModule::dataFolders().drumMaps), savedNoteNames_(engine.noteNames().getName()),
      portIndex_(engine.outputPort() + 1), channelIndex_(engine.outputChannel()),
      modeIndex_(engine.restartHostOnChange() ? 0 : 1), from_(engine.minOutputVelocity()),
      to_(engine.maxOutputVelocity())
{
}

BOOL OptionsDlg::onInitDialog()
{
    const uint32_t capabilities = engine_.capabilityBits();
    if (!(capabilities & 2)) {
        EnableWindow(item(IDC_PORT), FALSE);
        EnableWindow(item(IDC_CHANNEL), FALSE);
    }
    if (!(capabilities & 1))
        EnableWindow(item(IDC_MODE), FALSE);

    saveButton().attachToDialog(IDC_OPTIONS_SAVE, handle());
    deleteButton().attachToDialog(IDC_OPTIONS_DELETE, handle());
    RECT save{};
    GetWindowRect(item(IDC_OPTIONS_SAVE), &save);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT *>(&save), 2);
    deleteButton().setRect({save.right, save.top, 10, save.bottom - save.top});

    SendMessageA(item(IDC_PORT), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("---"));
    for (int n = 1; n <= 16; ++n) {
        const std::string text = std::to_string(n);
        SendMessageA(item(IDC_PORT), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(item(IDC_CHANNEL), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    for (const char *mode : {"Instant (via Stop/Start)", "Buffered (host default)"})
        SendMessageA(item(IDC_MODE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode));
    // A channel of -1 (each event keeps its own) shows no selection.
    SendMessageA(item(IDC_PORT), CB_SETCURSEL, static_cast<WPARAM>(portIndex_), 0);
    SendMessageA(item(IDC_CHANNEL), CB_SETCURSEL, static_cast<WPARAM>(channelIndex_), 0);
    SendMessageA(item(IDC_MODE), CB_SETCURSEL, static_cast<WPARAM>(modeIndex_), 0);
    SetDlgItemInt(handle(), IDC_VELOCITY_FROM, static_cast<UINT>(from_), FALSE);
    SetDlgItemInt(handle(), IDC_VELOCITY_TO, static_cast<UINT>(to_), FALSE);

    fillList();
    DrumMap::fillFileCombo(folder_, item(IDC_DRUM_MAP_NAME));
    const std::string &name = engine_.drumMap().getName();
    SetDlgItemTextA(handle(), IDC_DRUM_MAP_NAME, name.empty() ? DrumMap::kDefaultName : name.c_str());
    engine_.fillNoteNameCombo(item(IDC_OPTIONS_NOTE_NAMES));
    return TRUE;
}

void OptionsDlg::fillList()
{
    HWND list = item(IDC_DRUM_MAP_LIST);
    fillDrumMapList(list, engine_.drumMap(), engine_.noteNames());
    const int count = ListView_GetItemCount(list);
    if (count > 0)
        ListView_EnsureVisible(list, count - 1, FALSE);
}

void OptionsDlg::rewriteRows()
{
    rewriteDrumMapRows(item(IDC_DRUM_MAP_LIST), engine_.drumMap(), engine_.noteNames());
}

void OptionsDlg::shiftSelectedRow(int delta)
{
    const int note =
        shiftSelectedDrumMapRow(item(IDC_DRUM_MAP_LIST), engine_.drumMap(), engine_.noteNames(), delta);
    if (note < 0)
        return;
    engine_.previewEvent(drumMapPreview(note));
    engine_.drumMapChanged();
}

void OptionsDlg::mapChosen()
{
    HWND combo = item(IDC_DRUM_MAP_NAME);
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return;
    char name[MAX_PATH] = {};
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name));
    if (!DrumMap::load(folder_, name, engine_.drumMap()))
        return;
    rewriteRows();
    engine_.drumMapChanged();
}

INT_PTR OptionsDlg::dialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (handleDrumMapMessage(message, wParam, lParam, IDC_DRUM_MAP_LIST))
        return TRUE;
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_OPTIONS_NOTE_NAMES && code == CBN_SELCHANGE) {
            HWND combo = item(IDC_OPTIONS_NOTE_NAMES);
            const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
            char name[256] = {};
            if (index != CB_ERR && SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                                reinterpret_cast<LPARAM>(name)) > 0) {
                engine_.selectNoteNameSet(name);
                rewriteRows();
            }
            return TRUE;
        }
        if (handleMapFileCommand(id, code, folder_, engine_.drumMap()))
            return TRUE;
        if (id == IDHELP) {
            engine_.openHelp(handle());
            return TRUE;
        }
    }
    return OptionsDlgBase::dialogProc(message, wParam, lParam);
}

bool OptionsDlg::readLimit(int id, int &value)
{
    BOOL read = FALSE;
    const UINT number = GetDlgItemInt(handle(), id, &read, FALSE);
    if (read && number >= 1 && number <= 127) {
        value = static_cast<int>(number);
        return true;
    }
    showMessageBox(handle(), "Please enter an integer between 1 and 127.", "Grindelvosket Options",
                   MB_OK | MB_ICONEXCLAMATION);
    SetFocus(item(id));
    SendMessageA(item(id), EM_SETSEL, 0, -1);
    return false;
}

void OptionsDlg::onOK()
{
    int from = 0;
    int to = 0;
    if (!readLimit(IDC_VELOCITY_FROM, from) || !readLimit(IDC_VELOCITY_TO, to))
        return;
    portIndex_ = static_cast<int>(SendMessageA(item(IDC_PORT), CB_GETCURSEL, 0, 0));
    channelIndex_ = static_cast<int>(SendMessageA(item(IDC_CHANNEL), CB_GETCURSEL, 0, 0));
    modeIndex_ = static_cast<int>(SendMessageA(item(IDC_MODE), CB_GETCURSEL, 0, 0));
    if (portIndex_ >= 0)
        engine_.setOutputPort(portIndex_ - 1);
    // No selection keeps the engine's channel (-1: each event's own).
    if (channelIndex_ >= 0)
        engine_.setOutputChannel(channelIndex_);
    if (modeIndex_ >= 0)
        engine_.setRestartHostOnChange(modeIndex_ != 1);
    if (from > to)
        to = from;
    from_ = from;
    to_ = to;
    engine_.setVelocityMax(to);
    engine_.setVelocityMin(from);
    OptionsDlgBase::onOK();
}

void OptionsDlg::onCancel()
{
    engine_.selectNoteNameSet(savedNoteNames_);
    if (!engine_.drumMap().equals(savedMap_)) {
        engine_.drumMap().assign(savedMap_);
        engine_.drumMapChanged();
    }
    OptionsDlgBase::onCancel();
}

} // namespace Quorvane
