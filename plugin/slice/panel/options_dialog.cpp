#include "plugin/slice/panel/options_dialog.h"

#include "base/message_box.h"
#include "plugin/framework/gui/gui_resources.h"
#include "plugin/framework/gui/note_name_menus.h"
#include "plugin/slice/engine/slice_module.h"
#include "plugin/slice/panel/panel_ids.h"

#include <commctrl.h>

#include <cstdio>

namespace Quorvane::LoopSlice {

OptionsDlg::OptionsDlg(Vostrapellin &engine, HWND parent)
    : OptionsDlgBase(IDD_SLICE_OPTIONS, parent), engine_(engine), map_(engine.drumMap()),
      folder_(SliceModule::dataFolders().drumMaps), noteNames_(engine.noteNames().getName()),
      noteNamesAtOpen_(noteNames_), channelIndex_(engine.outputChannel() + 1),
      portIndex_(engine.outputPort()), cycleMeasures_(engine.cycleMeasures()),
      renderMode_(engine.multiTrack() ? 1 : 0), triggerLow_(engine.triggerLow()),
      notifyIndex_(engine.notifyHost() ? 0 : 1), triggerEnabled_(engine.triggerEnabled()),
      velocityMax_(engine.outputDynamics().max()), velocityMin_(engine.outputDynamics().min())
{
}

BOOL OptionsDlg::onInitDialog()
{
    saveButton().attachToDialog(IDC_OPTIONS_SAVE, handle());
    deleteButton().attachToDialog(IDC_OPTIONS_DELETE, handle());
    const auto add = [this](int id, const std::string &text) {
        SendMessageA(item(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    };
    add(IDC_CHANNEL, "Keep");
    for (int n = 1; n <= 16; ++n) {
        add(IDC_CHANNEL, std::to_string(n));
        add(IDC_PORT, std::to_string(n));
    }
    add(IDC_RENDER_MODE, "One track");
    add(IDC_RENDER_MODE, "One track per slice");
    add(IDC_NOTIFY_HOST, "On");
    add(IDC_NOTIFY_HOST, "Off");
    SendMessageA(item(IDC_CHANNEL), CB_SETCURSEL, static_cast<WPARAM>(channelIndex_), 0);
    SendMessageA(item(IDC_PORT), CB_SETCURSEL, static_cast<WPARAM>(portIndex_), 0);
    SendMessageA(item(IDC_RENDER_MODE), CB_SETCURSEL, static_cast<WPARAM>(renderMode_), 0);
    SendMessageA(item(IDC_NOTIFY_HOST), CB_SETCURSEL, static_cast<WPARAM>(notifyIndex_), 0);
    SetDlgItemInt(handle(), IDC_CYCLE_MEASURES, static_cast<UINT>(cycleMeasures_), FALSE);
    SetDlgItemInt(handle(), IDC_TRIGGER_LOW, static_cast<UINT>(triggerLow_), FALSE);
    CheckDlgButton(handle(), IDC_TRIGGER_ENABLED, triggerEnabled_ ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(handle(), IDC_VELOCITY_MIN, static_cast<UINT>(velocityMin_), FALSE);
    SetDlgItemInt(handle(), IDC_VELOCITY_MAX, static_cast<UINT>(velocityMax_), FALSE);

    fillList();
    DrumMap::fillFileCombo(folder_, item(IDC_DRUM_MAP_NAME));
    const std::string &name = map_.getName();
    SetDlgItemTextA(handle(), IDC_DRUM_MAP_NAME, name.empty() ? DrumMap::kDefaultName : name.c_str());
    NoteNameMenus::fillSetCombo(item(IDC_NOTE_NAME_SETS), engine_.noteNamesProvider(), noteNames_);
    return TRUE;
}

void OptionsDlg::fillList()
{
    fillDrumMapList(item(IDC_DRUM_MAP_LIST), map_, engine_.noteNames());
}

void OptionsDlg::rewriteRows()
{
    rewriteDrumMapRows(item(IDC_DRUM_MAP_LIST), map_, engine_.noteNames());
}

void OptionsDlg::shiftSelectedRow(int delta)
{
    const int note = shiftSelectedDrumMapRow(item(IDC_DRUM_MAP_LIST), map_, engine_.noteNames(), delta);
    if (note >= 0)
        engine_.previewEvent(drumMapPreview(note));
}

void OptionsDlg::mapChosen()
{
    const std::string name = NoteNameMenus::selectedText(item(IDC_DRUM_MAP_NAME));
    if (!name.empty() && DrumMap::load(folder_, name, map_))
        rewriteRows();
}

void OptionsDlg::noteNamesChosen()
{
    const std::string name = NoteNameMenus::selectedText(item(IDC_NOTE_NAME_SETS));
    if (name.empty())
        return;
    noteNames_ = name;
    engine_.selectNoteNameSet(name);
    rewriteRows();
}

INT_PTR OptionsDlg::dialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (handleDrumMapMessage(message, wParam, lParam, IDC_DRUM_MAP_LIST))
        return TRUE;
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_NOTE_NAME_SETS && code == CBN_SELCHANGE) {
            noteNamesChosen();
            return TRUE;
        }
        if (handleMapFileCommand(id, code, folder_, map_))
            return TRUE;
        if (id == IDHELP) {
            engine_.openHelp(handle());
            return TRUE;
        }
    }
    return OptionsDlgBase::dialogProc(message, wParam, lParam);
}

bool OptionsDlg::readNumber(int id, int minimum, int maximum, int &value)
{
    BOOL read = FALSE;
    const int number = static_cast<int>(GetDlgItemInt(handle(), id, &read, TRUE));
    if (read && number >= minimum && number <= maximum) {
        value = number;
        return true;
    }
    char text[96];
    std::snprintf(text, sizeof text, "Please enter an integer between %d and %d.", minimum, maximum);
    showMessageBox(handle(), text, "Vostrapellin Options", MB_OK | MB_ICONEXCLAMATION);
    SetFocus(item(id));
    SendMessageA(item(id), EM_SETSEL, 0, -1);
    return false;
}

void OptionsDlg::applyMapAndNames()
{
    engine_.selectNoteNameSet(noteNames_);
    engine_.drumMap().assign(map_);
    engine_.drumMapChanged();
}

void OptionsDlg::onOK()
{
    int cycle = 0;
    int trigger = 0;
    int minimum = 0;
    int maximum = 0;
    // The field takes what the engine keeps.
    if (!readNumber(IDC_CYCLE_MEASURES, 1, Vostrapellin::kMaxCycleMeasures, cycle) ||
        !readNumber(IDC_TRIGGER_LOW, 0, 127, trigger) || !readNumber(IDC_VELOCITY_MIN, 1, 127, minimum) ||
        !readNumber(IDC_VELOCITY_MAX, 1, 127, maximum))
        return;
    const auto selected = [this](int id, int current) {
        const LRESULT index = SendMessageA(item(id), CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? current : static_cast<int>(index);
    };
    channelIndex_ = selected(IDC_CHANNEL, channelIndex_);
    portIndex_ = selected(IDC_PORT, portIndex_);
    renderMode_ = selected(IDC_RENDER_MODE, renderMode_);
    notifyIndex_ = selected(IDC_NOTIFY_HOST, notifyIndex_);
    triggerEnabled_ = IsDlgButtonChecked(handle(), IDC_TRIGGER_ENABLED) == BST_CHECKED;
    cycleMeasures_ = cycle;
    triggerLow_ = trigger;
    // The order the engine takes them in.
    engine_.setOutputChannel(channelIndex_ - 1);
    engine_.setOutputPort(portIndex_);
    engine_.setCycleMeasures(cycleMeasures_);
    engine_.setMultiTrack(renderMode_ == 1);
    engine_.setTriggerLow(triggerLow_);
    engine_.setNotifyHost(notifyIndex_ == 0);
    if (minimum > maximum)
        maximum = minimum;
    velocityMax_ = maximum;
    velocityMin_ = minimum;
    engine_.setOutputMaximum(velocityMax_);
    engine_.setOutputMinimum(velocityMin_);
    engine_.setTriggerEnabled(triggerEnabled_);
    applyMapAndNames();
    OptionsDlgBase::onOK();
}

void OptionsDlg::onCancel()
{
    if (noteNamesAtOpen_ != engine_.noteNames().getName())
        engine_.selectNoteNameSet(noteNamesAtOpen_);
    OptionsDlgBase::onCancel();
}

} // namespace Quorvane::LoopSlice
