// The looper block and the looper extension block of the engine state.
#include "plugin/fill/looper/looper.h"

#include <algorithm>

namespace Quorvane {

namespace {

constexpr int32_t kOldestBlockVersion = 1;

} // namespace

bool Looper::save(OutputStream &out) const
{
    // Copied under the lock and written after it, so a slow stream never
    // holds up the real-time thread.
    CMidiTrack pattern;
    int32_t mute, velocityOffset, keyOffset, fixedOn, timeOffset, dynamics;
    uint8_t fixedNote, notesOff;
    DrumMap map;
    {
        ScopedLock lock(*this);
        pattern = *pattern_;
        mute = mute_;
        velocityOffset = velocityOffset_;
        keyOffset = keyOffset_;
        fixedOn = fixedNoteOn_ ? 1 : 0;
        map = drumMap_;
        timeOffset = timeOffset_;
        dynamics = dynamicsPercent_;
        fixedNote = static_cast<uint8_t>(fixedNote_);
        notesOff = notesOff_;
    }
    return out.write(kBlockVersion) && pattern.saveSmf(out) == 0 && out.write(mute) &&
           out.write(velocityOffset) && out.write(keyOffset) && out.write(int32_t(0)) &&
           out.write(int32_t(0)) && out.write(int32_t(0)) && out.write(fixedOn) && map.write(out) &&
           out.write(timeOffset) && out.write(dynamics) && out.write(fixedNote) && out.write(notesOff);
}

bool Looper::load(InputStream &in)
{
    // Everything is read aside first: a short or damaged block changes nothing.
    int32_t version = 0;
    if (!in.read(version) || version < kOldestBlockVersion || version > kBlockVersion)
        return false;
    auto pattern = std::make_unique<CMidiTrack>();
    if (pattern->loadSmf(in) != 0)
        return false;
    int32_t mute = 0, velocityOffset = 0, keyOffset = 0;
    if (!in.read(mute) || !in.read(velocityOffset) || !in.read(keyOffset))
        return false;
    if (version >= 2) {
        int32_t unused[3];
        for (int32_t &value : unused)
            if (!in.read(value))
                return false;
    }
    int32_t fixedOn = 0;
    DrumMap map;
    if (version >= 3 && (!in.read(fixedOn) || !map.read(in)))
        return false;
    int32_t timeOffset = 0, dynamics = 100;
    if (version >= 4 && (!in.read(timeOffset) || !in.read(dynamics)))
        return false;
    uint8_t fixedNote = kDefaultFixedNote;
    if (version >= 5 && !in.read(fixedNote))
        return false;
    uint8_t notesOff = 0;
    if (version >= 6 && !in.read(notesOff))
        return false;

    {
        ScopedLock lock(*this);
        mute_ = mute != 0 ? 1 : 0;
        velocityOffset_ = std::clamp(velocityOffset, -127, 127);
        keyOffset_ = std::clamp(keyOffset, -127, 127);
        fixedNoteOn_ = fixedOn != 0;
        drumMap_ = map;
        timeOffset_ = timeOffset;
        dynamicsPercent_ = std::clamp(dynamics, 0, 100);
        fixedNote_ = std::min<int>(fixedNote, 127);
        notesOff_ = notesOff != 0 ? 1 : 0;
    }
    replacePattern(pattern);
    refreshView();
    return true;
}

bool Looper::saveExtension(OutputStream &out) const
{
    return out.write(kExtensionVersion) && out.write(exclude_);
}

bool Looper::loadExtension(InputStream &in)
{
    int32_t version = 0;
    uint8_t exclude = 0;
    if (!in.read(version) || version != kExtensionVersion || !in.read(exclude))
        return false;
    exclude_ = exclude != 0 ? 1 : 0;
    return true;
}

} // namespace Quorvane
