#include "plugin/framework/drums/drum_set.h"

#include <algorithm>
#include <cstring>

namespace {

// Kick, snare, closed and open hi-hat, four toms and the crash.
constexpr int kStandardNotes[DrumSet::kInstrumentCount] = {36, 38, 42, 46, 41, 45, 47, 50, 49};

} // namespace

DrumSet::DrumSet()
{
    setDefaults();
}

DrumSet::~DrumSet() = default;

void DrumSet::setDefaults()
{
    std::memset(instruments_, 0, sizeof(instruments_));
    std::memset(flags_, 1, sizeof(flags_));
    name_.clear();
    for (int slot = 1; slot <= kInstrumentCount; ++slot)
        instruments_[kStandardNotes[slot - 1]] = static_cast<uint8_t>(slot);
}

int DrumSet::instrument(int note) const
{
    return isNote(note) ? instruments_[note] : 0;
}

void DrumSet::setInstrument(int note, int slot)
{
    if (isNote(note))
        instruments_[note] = static_cast<uint8_t>(std::clamp(slot, 0, kInstrumentCount));
}

int DrumSet::noteFlag(int note) const
{
    return isNote(note) ? flags_[note] : 0;
}

void DrumSet::setNoteFlag(int note, int flag)
{
    if (isNote(note))
        flags_[note] = static_cast<uint8_t>(flag);
}
