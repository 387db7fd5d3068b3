// The panel shows the engine: after every change the engine tells it, and
// each control reads the engine's current value.
#include "plugin/fill/panel/grindelvosket_panel.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/panel/patterns_view.h"

#include <algorithm>

namespace Quorvane {

namespace {

constexpr int kQuantizeDurations[] = {8, 12, 16, 24, 32, 48, 64};

} // namespace

void GrindelvosketPanel::engineChanged()
{
    refreshFromEngine();
}

void GrindelvosketPanel::refreshFromEngine()
{
    if (!engine_ || !handle())
        return;
    Grindelvosket &engine = *engine_;
    // Only what changed is set, and each control repaints itself: a drag
    // that changes the engine at every step repaints what it moves.
    const auto select = [](FlatCombo &combo, int index) {
        if (combo.getSelectedIndex() != index)
            combo.setSelectedIndex(index);
    };

    select(swingDuration_, engine.swingDurIdx() - 1);
    if (swing_.value() != engine.swingPc())
        swing_.setValue(engine.swingPc());
    if (dynamics_.firstValue() != engine.veloDyn())
        dynamics_.setFirstValue(engine.veloDyn());
    if (dynamics_.secondValue() != engine.veloCenterPC())
        dynamics_.setSecondValue(engine.veloCenterPC());
    if (dynamics_.isActiveLook() != !engine.velocityEnvelope().isOn())
        dynamics_.setActiveLook(!engine.velocityEnvelope().isOn());
    quantize_.setSelected(engine.quantizeOn());
    // The first duration at least the engine's.
    int resolution = 6;
    for (int i = 6; i >= 0; --i)
        if (kQuantizeDurations[i] >= engine.quantizeDur())
            resolution = i;
    select(resolution_, resolution);

    // Refilled only when the sets changed.
    engine.fillNoteNameCombo(noteNames_);

    if (locators_.minimum() != 0 || locators_.maximum() != engine.fillLength())
        locators_.setRange(0, engine.fillLength());
    if (locators_.low() != std::max<int32_t>(engine.punchIn(), 0))
        locators_.setStart(std::max<int32_t>(engine.punchIn(), 0));
    if (locators_.high() != engine.punchOut())
        locators_.setEnd(engine.punchOut());
    trackView_->update();
    if (measure_.getValue() != engine.fillMeasure())
        measure_.setValue(engine.fillMeasure());
    lock_.setSelected(!engine.keepPunch());
    envelope_.setEnvelope(&engine.velocityEnvelope());
    envelope_.refresh();
    select(mixer_, engine.mixerMode());
    pads_.setCurrentPad(engine.currentPad());

    // Another pattern ends the editing of the last one.
    const std::string pattern = engine.patternFolder() + "\\" + engine.patternFile();
    if (pattern != shownPattern_) {
        shownPattern_ = pattern;
        setEditMode(false);
    }
    for (LooperViewPane *row : rows_)
        if (row)
            row->refresh();
    refreshCompare();
    refreshTitle();
    if (patternsView_)
        patternsView_->followLibrary();
}

void GrindelvosketPanel::refreshCompare()
{
    if (!engine_)
        return;
    bool original = false;
    {
        EngineLockGuard guard(engine_->lock());
        original = engine_->isUntransformed();
    }
    compare_.setSelected(original);
}

void GrindelvosketPanel::refreshTitle()
{
    const std::string name = engine_->patternDisplayName();
    std::string title = name.empty() ? "Fill" : "Fill: " + name;
    if (!name.empty() && engine_->hasUnsavedEdits())
        title += " *";
    if (title != title_.text())
        title_.setText(title, true);
}

} // namespace Quorvane
