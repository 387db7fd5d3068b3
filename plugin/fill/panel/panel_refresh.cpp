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

    swingDuration_.setSelectedIndex(engine.swingDurIdx() - 1);
    swing_.setValue(engine.swingPc());
    dynamics_.setFirstValue(engine.veloDyn());
    dynamics_.setSecondValue(engine.veloCenterPC());
    dynamics_.setActiveLook(!engine.velocityEnvelope().isOn());
    quantize_.setSelected(engine.quantizeOn());
    // The first duration at least the engine's.
    int resolution = 6;
    for (int i = 6; i >= 0; --i)
        if (kQuantizeDurations[i] >= engine.quantizeDur())
            resolution = i;
    resolution_.setSelectedIndex(resolution);

    engine.fillNoteNameCombo(noteNames_);

    locators_.setRange(0, engine.fillLength());
    locators_.setStart(std::max<int32_t>(engine.punchIn(), 0));
    locators_.setEnd(engine.punchOut());
    trackView_->update();
    measure_.setValue(engine.fillMeasure());
    lock_.setSelected(!engine.keepPunch());
    envelope_.setEnvelope(&engine.velocityEnvelope());
    envelope_.refresh();
    mixer_.setSelectedIndex(engine.mixerMode());
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
    repaint();
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
    title_.setText(title, true);
}

} // namespace Quorvane
