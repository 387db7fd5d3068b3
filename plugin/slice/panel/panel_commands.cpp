// The panel's commands, the listeners of its controls, the slice focus and
// the question about edited slices.
#include "plugin/slice/panel/vostrapellin_panel.h"

#include "base/message_box.h"
#include "plugin/framework/gui/user_answers.h"
#include "plugin/slice/panel/options_dialog.h"

#include <cstdio>

namespace Quorvane::LoopSlice {

bool VostrapellinPanel::onCommand(int id)
{
    if (!engine_)
        return false;
    if (id >= ID_PAD_FIRST && id <= ID_PAD_LAST) {
        selectPad(id - ID_PAD_FIRST);
        return true;
    }
    if (id >= ID_BROWSER_SAVE && id <= ID_BROWSER_LOAD) {
        if (browser_->handle())
            SendMessageA(browser_->handle(), WM_COMMAND, static_cast<WPARAM>(id), 0);
        return true;
    }
    switch (id) {
    case ID_COMPOSE_ALL:
        engine_->Random(nullptr);
        return true;
    case ID_OPTIONS: {
        OptionsDlg dialog(*engine_, handle());
        GoneNotice::Watch watch(gone_);
        openDialog_ = &dialog;
        dialog.doModal();
        if (watch.gone())
            return true;
        openDialog_ = nullptr;
        focusCurrentSlice();
        return true;
    }
    case ID_RESET:
        engine_->ResetPars();
        focusCurrentSlice();
        return true;
    case ID_HELP:
        focusCurrentSlice();
        engine_->openHelp(handle());
        return true;
    case ID_EDIT:
        editMode_ = !editMode_;
        edit_.setSelected(editMode_);
        for (auto &view : views_)
            view->setEditMode(editMode_);
        return true;
    case ID_FOCUS_CURRENT_SLICE:
        focusCurrentSlice();
        return true;
    case ID_NEXT_SLICE:
        moveFocus(1);
        return true;
    case ID_PREVIOUS_SLICE:
        moveFocus(-1);
        return true;
    case ID_HOST_COMMAND:
        engine_->hostCommand(0);
        return true;
    default:
        return false;
    }
}

LRESULT VostrapellinPanel::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        GoneNotice::Watch watch(gone_);
        const bool done = onCommand(id);
        if (watch.gone())
            return 0;
        // The focus moves are the panel's alone.
        if (done && (id == ID_FOCUS_CURRENT_SLICE || id == ID_NEXT_SLICE || id == ID_PREVIOUS_SLICE))
            return 0;
    } else if (message == WM_HELP) {
        const auto *info = reinterpret_cast<const HELPINFO *>(lParam);
        POINT at = info->MousePos;
        ScreenToClient(handle(), &at);
        const int id = info->iCtrlId > 0 ? info->iCtrlId : helpIdAt(at.x, at.y);
        std::string tooltip;
        helpRequest(id, tooltip);
        return TRUE;
    }
    return DrummerPanel::windowProc(message, wParam, lParam);
}

void VostrapellinPanel::selectPad(int pad)
{
    if (pad == engine_->currentPad())
        return;
    // Ctrl keeps switching back and forth, Shift switches back after a cycle.
    const int32_t mode = isControlKeyDown() ? -1 : GetKeyState(VK_SHIFT) < 0 ? 1 : 0;
    engine_->selectPad(pad, true, mode);
    pads_.setCurrentPad(engine_->currentPad());
}

void VostrapellinPanel::padClicked(int index)
{
    onCommand(ID_PAD_FIRST + index);
}

void VostrapellinPanel::dragOut()
{
    engine_->dragOutLoop();
}

// ---- Choosers and continuous controls

void VostrapellinPanel::modeChosen(int index)
{
    std::string name;
    mode_.getItemText(name, index);
    const std::string before = engine_->collectionName();
    engine_->setVolume(name);
    // The mode's own loop now plays: it comes from no loop file.
    if (engine_->collectionName() != before)
        browser_->forgetLoopFile();
    refreshAll();
}

void VostrapellinPanel::chooseVariation(int level)
{
    engine_->setPatternLevel(level, true);
    refreshAll();
}

void VostrapellinPanel::setGrid(int divisions)
{
    int index = 0;
    for (int i = 0; i < 7; ++i)
        if (kGridDivisions[i] == divisions)
            index = i;
    grid_.setSelectedIndex(index);
    for (auto &view : views_)
        view->setGrid(kGridDivisions[index]);
}

void VostrapellinPanel::gridChosen(int index)
{
    setGrid(index >= 0 && index < 7 ? kGridDivisions[index] : 0);
}

void VostrapellinPanel::parameterChosen(int index)
{
    std::string text;
    chooser_.getItemText(text, index);
    for (auto &view : views_)
        view->showParameter(text);
}

void VostrapellinPanel::noteNamesChosen(int index)
{
    std::string name;
    noteNames_.getItemText(name, index);
    engine_->selectNoteNameSet(name);
}

void VostrapellinPanel::quantizeClicked()
{
    engine_->setQuantize(!engine_->quantizeOn());
    quantize_.setSelected(engine_->quantizeOn());
    engine_->somethingChanged("OnQuantize");
}

void VostrapellinPanel::swingMoved(bool going)
{
    sliding_ = going;
    if (!going) {
        engine_->somethingChanged("OnSwing");
        return;
    }
    engine_->setSwingPc(swing_.value(), false);
    char text[64];
    std::snprintf(text, sizeof text, "Swing: %d%%", engine_->swingPercent());
    setStatusText(text);
}

void VostrapellinPanel::humanizeMoved(bool going)
{
    sliding_ = going;
    if (!going) {
        engine_->somethingChanged("OnHumanize");
        return;
    }
    engine_->setHumanizeVelo(humanize_.value(), false);
    char text[64];
    std::snprintf(text, sizeof text, "Humanize Velocity: %d", engine_->humanizeRange());
    setStatusText(text);
}

void VostrapellinPanel::dynamicsMoved(bool going)
{
    sliding_ = going;
    if (!going) {
        engine_->somethingChanged("OnVeloDyn");
        return;
    }
    engine_->setVelocityDynamics(dynamics_.firstValue());
    engine_->setVelocityCentre(dynamics_.secondValue());
    char text[96];
    std::snprintf(text, sizeof text, "Velocity Dinamics: %d%%; Center: %d%%", engine_->velocityDynamics(),
                  engine_->velocityCentre());
    setStatusText(text);
}

// ---- Slice focus

int VostrapellinPanel::rowOf(const LooperView *view) const
{
    for (int row = 0; row < kSlices; ++row)
        if (views_[static_cast<size_t>(row)].get() == view)
            return row;
    return -1;
}

void VostrapellinPanel::sliceFocusChanged(LooperView *view, int controlId)
{
    if (controlId != -1)
        rememberedControl_ = controlId;
    const int row = view ? rowOf(view) : -1;
    if (row == focused_)
        return;
    const int old = focused_;
    focused_ = row;
    if (old >= 0) {
        views_[static_cast<size_t>(old)]->setFocusedSlice(false, -1);
        repaintFrame(old);
    }
    if (row >= 0) {
        lastFocused_ = row;
        views_[static_cast<size_t>(row)]->setFocusedSlice(true, rememberedControl_);
        repaintFrame(row);
    }
    if (handle())
        UpdateWindow(handle());
}

void VostrapellinPanel::focusCurrentSlice()
{
    const int row = currentSlice();
    if (row < 0 || row >= kSlices)
        return;
    views_[static_cast<size_t>(row)]->setFocusedSlice(true, rememberedControl_);
    sliceFocusChanged(views_[static_cast<size_t>(row)].get(), -1);
}

void VostrapellinPanel::moveFocus(int rows)
{
    const int row = currentSlice();
    if (row < 0 || row >= kSlices)
        return;
    const int next = ((row + rows) % kSlices + kSlices) % kSlices;
    views_[static_cast<size_t>(next)]->setFocusedSlice(true, rememberedControl_);
    sliceFocusChanged(views_[static_cast<size_t>(next)].get(), -1);
}

// ---- The question about edited slices

bool VostrapellinPanel::mayChangePatterns()
{
    GoneNotice::Watch watch(gone_);
    const int answer =
        showMessageBox(handle(), "Save edits to loop?", "Vostrapellin", MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    // Gone meanwhile: nothing is saved and the change does not go on.
    if (watch.gone())
        return false;
    switch (answer) {
    case IDYES:
        // Only a save that went through lets the change go on.
        return browser_ && browser_->saveEdits();
    case IDNO:
        return true;
    default:
        return false;
    }
}

} // namespace Quorvane::LoopSlice
