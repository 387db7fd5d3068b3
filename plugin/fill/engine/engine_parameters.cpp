// The engine's setters: each clamps, does nothing when unchanged, and tells
// the loopers and the views.
#include "plugin/fill/engine/grindelvosket.h"

#include "plugin/fill/engine/fill_units.h"

#include <algorithm>

namespace Quorvane {

void Grindelvosket::setSwingPc(int32_t value, bool notify)
{
    value = std::clamp<int32_t>(value, 0, 100);
    {
        EngineLockGuard guard(lock_);
        if (value == fill_.swingPc)
            return;
        fill_.swingPc = value;
    }
    loopersRedraw();
    tellViews();
    if (notify)
        somethingChanged("setSwingPc");
}

void Grindelvosket::setSwingDurIdx(int32_t value, bool notify)
{
    value = std::clamp<int32_t>(value, 0, 4);
    {
        EngineLockGuard guard(lock_);
        if (value == fill_.swingDurIdx)
            return;
        fill_.swingDurIdx = value;
    }
    loopersRedraw();
    tellViews();
    if (notify)
        somethingChanged("setSwingDurIdx");
}

void Grindelvosket::setQuantizeDur(int32_t value, bool notify)
{
    value = std::clamp<int32_t>(value, 1, 1024);
    {
        EngineLockGuard guard(lock_);
        if (value == fill_.quantizeDur)
            return;
        fill_.quantizeDur = value;
    }
    LoadAndRearrange(notify);
    tellViews();
    if (notify)
        somethingChanged("setQuantizeDur");
}

void Grindelvosket::setVeloDyn(int32_t value, bool notify)
{
    value = std::clamp<int32_t>(value, -100, 200);
    {
        EngineLockGuard guard(lock_);
        if (value == fill_.veloDyn)
            return;
        fill_.veloDyn = value;
    }
    loopersRebuildVelocityMaps(false);
    tellViews();
    if (notify)
        somethingChanged("setVeloDyn");
}

void Grindelvosket::setVeloCenterPC(int32_t value, bool notify)
{
    value = std::clamp<int32_t>(value, -100, 100);
    {
        EngineLockGuard guard(lock_);
        if (value == fill_.veloCenterPc)
            return;
        fill_.veloCenterPc = value;
    }
    loopersRebuildVelocityMaps(false);
    tellViews();
    if (notify)
        somethingChanged("setVeloCenterPC");
}

void Grindelvosket::setHumanizeVelo(int32_t value, bool notify)
{
    value = std::clamp<int32_t>(value, 0, 127);
    if (value == humanizeVelo_)
        return;
    humanizeVelo_ = value;
    if (notify)
        somethingChanged("setHumanizeVelo");
}

void Grindelvosket::setQuantizeOn(bool on, bool notify)
{
    {
        EngineLockGuard guard(lock_);
        if (on == fill_.quantizeOn)
            return;
        fill_.quantizeOn = on;
    }
    LoadAndRearrange(notify);
    tellViews();
}

void Grindelvosket::setVelocityMin(int32_t value)
{
    const int32_t min = outputDynamics_.min();
    const int32_t max = outputDynamics_.max();
    outputDynamics_.setMin(value);
    if (min != outputDynamics_.min() || max != outputDynamics_.max()) {
        loopersRebuildVelocityMaps(true);
        repreparePads(false);
    }
}

void Grindelvosket::setVelocityMax(int32_t value)
{
    const int32_t min = outputDynamics_.min();
    const int32_t max = outputDynamics_.max();
    outputDynamics_.setMax(value);
    if (min != outputDynamics_.min() || max != outputDynamics_.max()) {
        loopersRebuildVelocityMaps(true);
        repreparePads(false);
    }
}

void Grindelvosket::setPunchIn(int32_t value)
{
    bool dragged = false;
    {
        EngineLockGuard guard(lock_);
        fill_.punchIn = value;
        dragged = value > fill_.punchOut;
        if (dragged)
            fill_.punchOut = value;
    }
    tellPunch(PunchInParam, dragged ? PunchOutParam : -1);
}

void Grindelvosket::setPunchOut(int32_t value)
{
    bool dragged = false;
    {
        EngineLockGuard guard(lock_);
        fill_.punchOut = value;
        dragged = fill_.punchIn > value;
        if (dragged)
            fill_.punchIn = value;
    }
    tellPunch(PunchOutParam, dragged ? PunchInParam : -1);
}

void Grindelvosket::tellPunch(int set, int dragged)
{
    // With the lock let go: the host's code never runs under it. The point
    // dragged along is reported first.
    tellViews();
    if (dragged >= 0)
        parameterChanged(dragged);
    parameterChanged(set);
}

void Grindelvosket::setPunchRange(int32_t in, int32_t out)
{
    {
        EngineLockGuard guard(lock_);
        fill_.punchIn = std::min(in, out);
        fill_.punchOut = out;
    }
    tellPunchRange();
}

void Grindelvosket::tellPunchRange()
{
    tellViews();
    parameterChanged(PunchInParam);
    parameterChanged(PunchOutParam);
}

int32_t Grindelvosket::punchTicks(int32_t fillUnits) const
{
    return fillUnitsToTicks(fillUnits, resolution_);
}

void Grindelvosket::setFillMeasure(int32_t measure)
{
    {
        EngineLockGuard guard(lock_);
        fillMeasure_ = std::clamp<int32_t>(measure, 1, 1000);
        fill_.envelope.setStartBar(fillMeasure_);
    }
    tellViews();
    parameterChanged(FillMeasureParam);
}

void Grindelvosket::setZones(int32_t pre, int32_t mask, int32_t after, bool notify)
{
    {
        EngineLockGuard guard(lock_);
        if (pre >= 0)
            fill_.preZone = pre != 0 ? 1 : 0;
        if (mask >= 0)
            fill_.maskMode = mask > 3 ? 0 : mask;
        if (after >= 0)
            fill_.afterZone = after != 0 ? 1 : 0;
        computeInputMask(fill_, liveParts());
    }
    tellViews();
    parameterChanged(MaskModeParam);
    parameterChanged(PreZoneParam);
    parameterChanged(AfterZoneParam);
    if (notify)
        somethingChanged("setZones");
}

void Grindelvosket::setMixerMode(int32_t mode)
{
    if (mode == mixerMode_)
        return;
    mixerMode_ = mode;
    tellViews();
}

void Grindelvosket::setKeepPunch(bool keep)
{
    if (keep == keepPunch_)
        return;
    keepPunch_ = keep;
    tellViews();
}

void Grindelvosket::setTriggerEnabled(bool enabled)
{
    triggerEnabled_ = enabled;
}

void Grindelvosket::setTriggerBase(int32_t note)
{
    const int32_t width = triggerHigh_ - triggerLow_;
    triggerLow_ = std::clamp<int32_t>(note, 0, 127 - width);
    triggerHigh_ = triggerLow_ + width;
}

void Grindelvosket::setOutputChannel(int32_t channel)
{
    outputChannel_ = std::clamp<int32_t>(channel, -1, 15);
}

void Grindelvosket::setOutputPort(int32_t port)
{
    // Stored as a signed byte, so what is kept reads back as written.
    outputPort_ = std::clamp<int32_t>(port, -1, 127);
}

NoteNames &Grindelvosket::noteNames()
{
    if (noteNamesDirty_) {
        noteNamesProvider_.findSet(noteNames_.getName(), &noteNames_);
        noteNamesDirty_ = false;
    }
    return noteNames_;
}

} // namespace Quorvane
