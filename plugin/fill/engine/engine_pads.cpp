// Input mask, trigger notes, quick pads and solo.
#include "plugin/fill/engine/grindelvosket.h"

#include "plugin/fill/engine/instrument_groups.h"

#include <algorithm>

namespace Quorvane {

void Grindelvosket::recomputeInputMask()
{
    uint8_t mask[128];
    std::fill(std::begin(mask), std::end(mask), uint8_t{1});
    const auto clearWithGroup = [&mask](int note) {
        mask[note] = 0;
        const int g = InstrumentGroups::noteGroup(note);
        if (g == 0)
            return;
        const InstrumentGroups::Group &record = InstrumentGroups::group(g);
        for (int i = 0; i < record.noteCount; ++i)
            mask[record.notes[i]] = 0;
    };
    if (maskMode_ != 3) {
        if (maskMode_ == 1) {
            for (int note = 0; note < 128; ++note) {
                const int instrument = drumSet_.instrument(note);
                if (instrument > 0 && instrument < kLooperCount && !loopers_[instrument]->isNotesOff())
                    clearWithGroup(note);
            }
        } else if (maskMode_ == 2) {
            for (int i = 1; i < kLooperCount; ++i) {
                if (loopers_[i]->isMuted())
                    continue;
                for (int note = 0; note < 128; ++note)
                    if (loopers_[i]->usesNote(note))
                        clearWithGroup(note);
            }
        }
        for (int note = 0; note < 128; ++note)
            if (loopers_[0]->usesNote(note))
                mask[note] = 0;
    }
    std::copy(std::begin(mask), std::end(mask), inputMask_);
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
    flushPostedViews();
    return true;
}

void Grindelvosket::selectPad(int pad, bool notify)
{
    if (pad < 0 || pad >= kPadCount)
        return;
    EngineLockGuard guard(lock_);
    pads_.store(currentPad_);
    currentPad_ = pad;
    pads_.recall(pad, notify);
    tellViewsPad();
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
