// What the panel's controls, keys and commands do to the engine.
#include "plugin/fill/panel/grindelvosket_panel.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/fill_options_dialog.h"
#include "plugin/fill/panel/panel_ids.h"
#include "plugin/fill/panel/patterns_view.h"
#include "plugin/framework/gui/user_answers.h"

#include <cstdio>

namespace Quorvane {

namespace {

// Divisions per bar of the grid combo's entries, and the quantize
// durations of the resolution combo's.
constexpr int kGridDivisions[] = {0, 8, 12, 16, 24, 32, 48};

} // namespace

// The time locators' handles set the punch range.
class GrindelvosketPanel::TimeListener final : public CountedDelegate<TwinSlider::Listener> {
public:
    explicit TimeListener(GrindelvosketPanel &panel) : CountedDelegate(1), panel_(panel) {}
    void changed(TwinSlider &) override { panel_.onTimeLocators(); }

private:
    GrindelvosketPanel &panel_;
};

RefPtr<TwinSlider::Listener> GrindelvosketPanel::newTimeListener()
{
    return RefPtr<TwinSlider::Listener>::adopt(new TimeListener(*this));
}

bool GrindelvosketPanel::command(int id, int code)
{
    if (!engine_)
        return false;
    Grindelvosket &engine = *engine_;
    if (id >= IDC_PADS && id <= IDC_PADS_LAST) {
        choosePad(id - IDC_PADS);
        return false;
    }
    switch (id) {
    case IDC_SWING_DURATION:
    case IDC_SWING_DURATION_NOTIFY:
        if (code != 1)
            return false;
        break;
    case IDC_TRANSPORT_SPACE:
        engine.hostTransport(0);
        break;
    case IDC_TRANSPORT_W:
        engine.hostTransport(1);
        break;
    case IDC_NEXT_BAR:
        // The row below: looper index - 1, from 0 round to 9.
        selectLooperView(row(current_ <= 0 ? kRows - 1 : current_ - 1), -1);
        return true;
    case IDC_PREVIOUS_BAR:
        selectLooperView(row(current_ < 0 || current_ >= kRows - 1 ? 0 : current_ + 1), -1);
        return true;
    case IDC_LOOPER_VIEW:
        selectLooperView(row(current_), -1);
        return true;
    case IDC_XFORM:
        engine.autoTransform(isControlKeyDown());
        break;
    case IDC_OPTIONS: {
        OptionsDlg dialog(engine, handle());
        dialog.doModal();
        restoreLooperFocus();
        break;
    }
    case IDC_HELP_BUTTON:
        restoreLooperFocus();
        engine.openHelp(handle());
        break;
    case IDC_RESET:
        engine.ResetPars();
        restoreLooperFocus();
        break;
    case IDC_COMPARE:
        engine.toggleOriginal();
        break;
    case IDC_EDIT_MODE:
        setEditMode(!edit_.isSelected());
        break;
    case IDC_GRID:
        if (code == 1)
            applyGrid();
        break;
    case IDC_SAVE_FILL:
        if (patternsView_ && patternsView_->handle())
            SendMessageA(patternsView_->handle(), WM_COMMAND, IDC_SAVE_FILL, 0);
        break;
    case IDC_MIXER:
        if (code == 1)
            engine.setMixerMode(mixer_.getSelectedIndex());
        break;
    default:
        break;
    }
    return false;
}

void GrindelvosketPanel::buttonCommand(int id)
{
    if (!engine_)
        return;
    switch (id) {
    case IDC_LOCK:
        lock_.setSelected(!lock_.isSelected());
        engine_->setKeepPunch(!lock_.isSelected());
        break;
    case IDC_QUANTIZE:
        quantize_.setSelected(!quantize_.isSelected());
        engine_->setQuantizeOn(quantize_.isSelected(), true);
        break;
    default:
        SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        break;
    }
}

void GrindelvosketPanel::comboChosen(int id)
{
    if (!engine_)
        return;
    switch (id) {
    case IDC_CONTROL_SELECTION: {
        std::string text;
        controlSelection_.getSelectedText(text);
        for (LooperViewPane *row : rows_)
            if (row)
                row->showParameter(text);
        break;
    }
    case IDC_NOTE_NAMES: {
        std::string name;
        noteNames_.getSelectedText(name);
        if (!name.empty())
            engine_->selectNoteNameSet(name);
        break;
    }
    case IDC_SWING_DURATION:
        engine_->setSwingDurIdx(swingDuration_.getSelectedIndex() + 1, true);
        break;
    case IDC_RESOLUTION: {
        constexpr int kDurations[] = {8, 12, 16, 24, 32, 48, 64};
        const int index = resolution_.getSelectedIndex();
        if (index >= 0 && index < 7)
            engine_->setQuantizeDur(kDurations[index], true);
        break;
    }
    default:
        SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(id, 1), 0);
        break;
    }
}

void GrindelvosketPanel::applyGrid()
{
    const int index = grid_.getSelectedIndex();
    const int divisions = index >= 0 && index < 7 ? kGridDivisions[index] : 0;
    for (LooperViewPane *row : rows_)
        if (row)
            row->setGridDivisions(divisions);
}

void GrindelvosketPanel::setEditMode(bool on)
{
    edit_.setSelected(on);
    for (LooperViewPane *row : rows_)
        if (row)
            row->setEditMode(on);
}

// ---- Quick pads

void GrindelvosketPanel::padClicked(int pad)
{
    choosePad(pad);
}

void GrindelvosketPanel::choosePad(int pad)
{
    if (engine_ && pad >= 0 && pad < Grindelvosket::kPadCount && pad != engine_->currentPad())
        engine_->selectPad(pad);
}

void GrindelvosketPanel::padSelected(int pad)
{
    pads_.setCurrentPad(pad);
}

void GrindelvosketPanel::setLoopIndex(int index)
{
    // News from another thread: the pad, and whatever else changed.
    padSelected(index);
    engineChanged();
}

// ---- Drum parts

LooperViewPane *GrindelvosketPanel::row(int looperIndex) const
{
    return looperIndex >= 0 && looperIndex < kRows ? rows_[looperIndex] : nullptr;
}

void GrindelvosketPanel::selectLooperView(LooperViewPane *view, int child)
{
    if (child != -1)
        child_ = child;
    int index = -1;
    for (int i = 0; i < kRows; ++i)
        if (view && rows_[i] == view)
            index = i;
    if (index == current_)
        return;
    const auto frame = [](const Rect &r) { return Rect{r.x - 2, r.y - 2, r.width + 4, r.height + 4}; };
    if (LooperViewPane *old = row(current_)) {
        old->setFocusState(false, child_);
        invalidate(frame(old->bounds()));
    }
    current_ = index;
    if (LooperViewPane *now = row(index)) {
        lastValid_ = index;
        now->setFocusState(true, child_);
        invalidate(frame(now->bounds()));
    }
    if (handle())
        UpdateWindow(handle());
}

void GrindelvosketPanel::rowFocused(LooperViewPane &focused, int child)
{
    selectLooperView(&focused, child);
}

void GrindelvosketPanel::rowFocusLeft(LooperViewPane &)
{
    // The focus went to another row (which says so itself) or away from the
    // rows altogether.
    Pane *owner = getFocusOwner();
    for (LooperViewPane *row : rows_)
        if (row && owner && row->isAncestorOf(owner))
            return;
    selectLooperView(nullptr, -1);
}

void GrindelvosketPanel::restoreLooperFocus()
{
    if (current_ == -1 && lastValid_ != -1)
        selectLooperView(row(lastValid_), -1);
}

// ---- Continuous controls

void GrindelvosketPanel::onSwing(bool changing)
{
    if (!engine_)
        return;
    const int value = swing_.value();
    if (changing && hasMouseCapture()) {
        // Dragging: the engine hears of it when the drag ends.
        swingDragging_ = true;
        engine_->setSwingPc(value, false);
        char text[32];
        std::snprintf(text, sizeof text, "Swing: %d%%", engine_->swingPc());
        setStatusText(text);
        return;
    }
    if (!changing && swingDragging_) {
        swingDragging_ = false;
        engine_->setSwingPc(value, false);
        engine_->somethingChanged("setSwingPc");
        return;
    }
    engine_->setSwingPc(value, true);
}

void GrindelvosketPanel::onVeloDyn(bool changing)
{
    if (!engine_)
        return;
    engine_->setVeloDyn(dynamics_.firstValue(), false);
    engine_->setVeloCenterPC(dynamics_.secondValue(), false);
    if (changing) {
        char text[64];
        std::snprintf(text, sizeof text, "Velocity Dinamics: %d%%; Center: %d%%", engine_->veloDyn(),
                      engine_->veloCenterPC());
        setStatusText(text);
    } else {
        engine_->somethingChanged("OnVeloDyn");
    }
}

void GrindelvosketPanel::onEnvelopeChanged(const EnvelopeControl::ChangedArgs &args)
{
    if (!engine_)
        return;
    for (LooperViewPane *row : rows_)
        if (row)
            row->refreshEvents();
    if (args.kind == EnvelopeControl::DragEnded)
        engine_->somethingChanged("GrindelvosketPanel::OnEnvelopeChamged(END_DRAG)");
    if (args.kind == EnvelopeControl::MenuChanged)
        dynamics_.setActiveLook(!engine_->velocityEnvelope().isOn());
    if (args.text)
        setStatusText(args.text);
}

void GrindelvosketPanel::onTimeLocators()
{
    if (!engine_)
        return;
    engine_->setPunchRange(locators_.low(), locators_.high());
    refreshCompare();
    char text[64];
    std::snprintf(text, sizeof text, "StartTime: %d, EndTime: %d", engine_->punchIn(), engine_->punchOut());
    SetWindowTextA(handle(), text);
}

void GrindelvosketPanel::onMeasure()
{
    if (engine_)
        engine_->setFillMeasure(measure_.getValue());
}

// ---- Engine news

void GrindelvosketPanel::onTimer()
{
    if (!engine_ || engine_->currentTime() == -1)
        return;
    engine_->updatePositions();
}

void GrindelvosketPanel::showStatus(const std::string &text)
{
    setStatusText(text.c_str());
}

void GrindelvosketPanel::showPatternSelection(const std::string &folder, const std::string &file)
{
    if (patternsView_)
        patternsView_->showSelection(folder, file);
}

} // namespace Quorvane
