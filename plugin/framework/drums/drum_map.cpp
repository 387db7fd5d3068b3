#include "plugin/framework/drums/drum_map.h"

#include <algorithm>
#include <cstring>

namespace {

uint8_t clampNote(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, DrumMap::kNoteCount - 1));
}

} // namespace

DrumMap::DrumMap()
{
    reset();
}

DrumMap::DrumMap(const DrumMap &other) : name_(other.name_)
{
    std::memcpy(map_, other.map_, sizeof(map_));
}

DrumMap &DrumMap::operator=(const DrumMap &other)
{
    assign(other);
    return *this;
}

DrumMap::~DrumMap() = default;

void DrumMap::reset()
{
    name_.clear();
    for (int note = 0; note < kNoteCount; ++note)
        map_[note] = static_cast<uint8_t>(note);
}

void DrumMap::assign(const DrumMap &other)
{
    if (&other == this)
        return;
    name_ = other.name_;
    std::memcpy(map_, other.map_, sizeof(map_));
}

bool DrumMap::equals(const DrumMap &other) const
{
    return name_ == other.name_ && std::memcmp(map_, other.map_, sizeof(map_)) == 0;
}

void DrumMap::setNote(int note, int value)
{
    if (note >= 0 && note < kNoteCount)
        map_[note] = clampNote(value);
}

int DrumMap::getNote(int note) const
{
    return note >= 0 && note < kNoteCount ? map_[note] : note;
}

bool DrumMap::write(Quorvane::OutputStream &out) const
{
    return out.writeInt32(kFileVersion) && out.writeString(name_) &&
           out.writeBytes(map_, kNoteCount) == kNoteCount;
}

bool DrumMap::read(Quorvane::InputStream &in)
{
    int32_t version = 0;
    std::string name;
    int8_t notes[kNoteCount];
    // The version is not checked: every version so far has this layout.
    if (!in.read(version) || !in.read(name) || in.readBytes(notes, kNoteCount) != kNoteCount)
        return false;
    name_ = std::move(name);
    for (int note = 0; note < kNoteCount; ++note)
        map_[note] = clampNote(notes[note]);
    return true;
}
