// Trigger notes, quick pads and solo.
//
// Every stored pad keeps its fill prepared (read and rebuilt on the window
// thread: when a state loads, when the library or the instruments change),
// so that a switch, which may come from a trigger note on the host's
// thread, only swaps fills: the outgoing one becomes its pad's prepared
// fill, the incoming one goes live. The pad bytes of a pad left that way are
// written when the pads are next stored or read.
#include "plugin/fill/engine/grindelvosket.h"

#include <algorithm>

namespace Quorvane {

void Grindelvosket::recomputeInputMask()
{
    EngineLockGuard guard(lock_);
    computeInputMask(fill_, liveParts());
}

bool Grindelvosket::isTriggerNote(const MfxEvent &event) const
{
    return triggerEnabled_ && event.kind == MfxNote && event.note >= triggerLow_ &&
           event.note <= triggerHigh_;
}

bool Grindelvosket::triggerPad(int32_t note, bool immediate)
{
    (void)immediate;
    if (!triggerEnabled_ || note < triggerLow_ || note > triggerHigh_)
        return false;
    selectPad(note - triggerLow_, false);
    return true;
}

bool Grindelvosket::holdsEngineLocks() const
{
    bool held = lock_.heldByThisThread();
    for (const Looper *looper : loopers_)
        held = held || (looper && looper->lockHeldHere());
    return held;
}

bool Grindelvosket::padStored(int pad) const
{
    return pad >= 0 && pad < kPadCount && (padHeld_[pad] || pads_.has(pad));
}

void Grindelvosket::selectPad(int pad, bool notify)
{
    if (pad < 0 || pad >= kPadCount)
        return;
    PadSwitch change;
    {
        EngineLockGuard guard(lock_);
        change = switchToPad(pad);
    }
    // The host and the requester hear of it with the engine's lock let go:
    // on the host's thread their code never runs under the lock a window
    // may hold.
    if (change.switched) {
        if (change.patternChanged)
            somethingChanged("loadTrack");
        for (int id : {PunchInParam, PunchOutParam, MaskModeParam, PreZoneParam, AfterZoneParam})
            parameterChanged(id);
    }
    if (onWindowThread()) {
        loopersRedraw();
        tellViewsPad();
        tellViews();
    } else {
        postViewNews();
    }
    if (notify && change.recalled)
        somethingChanged("Grindelvosket::LoadLoop");
}

Grindelvosket::PadSwitch Grindelvosket::switchToPad(int pad)
{
    PadSwitch change;
    const int from = currentPad_;
    if (pad == from) {
        change.recalled = padStored(pad);
        return change;
    }
    const bool recalled = padStored(pad);
    change.switched = true;
    change.recalled = recalled;
    ++liveVersion_;
    if (recalled) {
        // The spare takes the outgoing fill and becomes the left pad's;
        // the incoming pad's prepared fill goes live.
        swapLive(*prepared_[pad]);
        std::swap(prepared_[from], prepared_[pad]);
        ++padVersion_[pad];
    } else {
        // A pad never stored clears the fill: the spare, blank, takes what
        // clearing leaves and goes live.
        clearedCopy(*prepared_[from]);
        swapLive(*prepared_[from]);
        resetRemapTables();
    }
    ++padVersion_[from];
    padLeft_[from] = true;
    padHeld_[from] = true;
    // The incoming pad's prepared fill is the spare now, not its state.
    padLeft_[pad] = false;
    currentPad_ = pad;
    // The outgoing fill is the left pad's prepared one now.
    const FillSettings &left = prepared_[from]->settings;
    change.patternChanged =
        fill_.patternFolder != left.patternFolder || fill_.patternFile != left.patternFile;
    return change;
}

const QuickPadStore &Grindelvosket::pads()
{
    storeLeftPads();
    return pads_;
}

void Grindelvosket::repreparePads(bool reread)
{
    for (int pad = 0; pad < kPadCount; ++pad) {
        std::unique_ptr<Fill> next;
        uint32_t version = 0;
        {
            EngineLockGuard guard(lock_);
            if (pad == currentPad_ || !padStored(pad))
                continue;
            next = std::make_unique<Fill>(*prepared_[pad]);
            version = padVersion_[pad];
        }
        // Made aside: a switch meanwhile need not wait for the disk.
        if (reread && !next->settings.embedded && !next->settings.sourceModified)
            next->settings.trackLoaded = false;
        rearrange(*next);
        EngineLockGuard guard(lock_);
        // A switch since took or left this pad: what it holds now is newer.
        if (version == padVersion_[pad] && pad != currentPad_)
            prepared_[pad].swap(next);
    }
}

void Grindelvosket::libraryChanged()
{
    repreparePads(true);
    refreshViews();
}

void Grindelvosket::solo(Looper &looper, bool notesOff)
{
    const auto flag = [notesOff](const Looper *l) { return notesOff ? l->isNotesOff() : l->isMuted(); };
    const auto set = [notesOff](Looper *l, bool value) {
        if (notesOff)
            l->setNotesOff(value);
        else
            l->setMute(value);
    };
    uint8_t *memory = notesOff ? soloNotesOff_ : soloMute_;

    bool alone = !flag(&looper);
    int unflagged = 0;
    for (Looper *l : loopers_) {
        if (!flag(l))
            ++unflagged;
        if (l != &looper && !flag(l))
            alone = false;
    }
    if (alone) {
        for (int i = 0; i < kLooperCount; ++i)
            set(loopers_[i], memory[i] != 0);
    } else {
        if (unflagged > 1)
            for (int i = 0; i < kLooperCount; ++i)
                memory[i] = flag(loopers_[i]) ? 1 : 0;
        for (Looper *l : loopers_)
            set(l, l != &looper);
    }
    somethingChanged(notesOff ? "Grindelvosket::wantNotesOffSolo" : "Grindelvosket::wantPlaySolo");
}

void Grindelvosket::wantPlaySolo(Looper &looper)
{
    solo(looper, false);
}

void Grindelvosket::wantNotesOffSolo(Looper &looper)
{
    solo(looper, true);
}

} // namespace Quorvane
