#include "plugin/fill/looper/looper_part.h"

#include "plugin/fill/looper/looper_internal.h"

#include <algorithm>
#include <utility>

namespace Quorvane {

using namespace looper_detail;

namespace {

constexpr int32_t kOldestBlockVersion = 1;

} // namespace

LooperPart::LooperPart() : pattern(std::make_unique<CMidiTrack>()) {}

LooperPart::LooperPart(const LooperPart &other)
    : pattern(std::make_unique<CMidiTrack>(*other.pattern)), mute(other.mute), notesOff(other.notesOff),
      exclude(other.exclude), velocityOffset(other.velocityOffset), dynamicsPercent(other.dynamicsPercent),
      timeOffset(other.timeOffset), keyOffset(other.keyOffset), lowestVelocity(other.lowestVelocity),
      averageVelocity(other.averageVelocity), highestVelocity(other.highestVelocity), drumMap(other.drumMap),
      fixedNoteOn(other.fixedNoteOn), fixedNote(other.fixedNote), velocityMap(other.velocityMap)
{
}

LooperPart &LooperPart::operator=(const LooperPart &other)
{
    if (this != &other) {
        LooperPart copy(other);
        swap(copy);
    }
    return *this;
}

LooperPart::~LooperPart() = default;

void LooperPart::swap(LooperPart &other) noexcept
{
    using std::swap;
    swap(pattern, other.pattern);
    swap(mute, other.mute);
    swap(notesOff, other.notesOff);
    swap(exclude, other.exclude);
    swap(velocityOffset, other.velocityOffset);
    swap(dynamicsPercent, other.dynamicsPercent);
    swap(timeOffset, other.timeOffset);
    swap(keyOffset, other.keyOffset);
    swap(lowestVelocity, other.lowestVelocity);
    swap(averageVelocity, other.averageVelocity);
    swap(highestVelocity, other.highestVelocity);
    swap(drumMap, other.drumMap);
    swap(fixedNoteOn, other.fixedNoteOn);
    swap(fixedNote, other.fixedNote);
    swap(velocityMap, other.velocityMap);
}

// ---- Pattern

void LooperPart::takeFrom(const CMidiTrack &source, const uint8_t *instrumentNotes, bool unclaimed)
{
    auto fresh = std::make_unique<CMidiTrack>();
    fresh->copyFiltered(source, instrumentNotes);
    // Key pressure follows its note. Events of no note go to looper 0 only,
    // so that rebuilding the source from the ten parts does not repeat them.
    auto &events = fresh->events();
    for (auto it = events.begin(); it != events.end();) {
        const bool keep =
            it->kind == CMidiTrack::Event::Note ||
            (it->kind == CMidiTrack::Event::KeyPressure ? it->data1 < 128 && instrumentNotes[it->data1] != 0
                                                        : unclaimed);
        it = keep ? std::next(it) : events.erase(it);
    }
    fresh->refreshStatistics();
    pattern = std::move(fresh);
    computeVelocityStatistics();
}

void LooperPart::clearPattern()
{
    pattern->clear();
    computeVelocityStatistics();
}

void LooperPart::computeVelocityStatistics()
{
    pattern->getVelocityStatistics(lowestVelocity, averageVelocity, highestVelocity);
}

void LooperPart::rebuildVelocityMap(const VelocityMapInputs &inputs)
{
    shapeVelocityMap(velocityMap, {lowestVelocity, averageVelocity, highestVelocity}, velocityOffset,
                     dynamicsPercent, inputs);
}

int32_t LooperPart::resolution() const
{
    return usableResolution(pattern->getResolution());
}

int32_t LooperPart::length() const
{
    return pattern->events().empty() ? -1 : pattern->getLastEnd();
}

// ---- Storage

bool LooperPart::writeBlock(OutputStream &out) const
{
    return out.write(kBlockVersion) && pattern->saveSmf(out) == 0 && out.write(int32_t{mute}) &&
           out.write(velocityOffset) && out.write(keyOffset) && out.write(int32_t(0)) &&
           out.write(int32_t(0)) && out.write(int32_t(0)) && out.write(int32_t{fixedNoteOn ? 1 : 0}) &&
           drumMap.write(out) && out.write(timeOffset) && out.write(dynamicsPercent) &&
           out.write(static_cast<uint8_t>(fixedNote)) && out.write(notesOff);
}

bool LooperPart::readBlock(InputStream &in)
{
    // Everything is read aside first: a short or damaged block changes nothing.
    int32_t version = 0;
    if (!in.read(version) || version < kOldestBlockVersion || version > kBlockVersion)
        return false;
    auto read = std::make_unique<CMidiTrack>();
    if (read->loadSmf(in) != 0)
        return false;
    int32_t muted = 0, velocity = 0, key = 0;
    if (!in.read(muted) || !in.read(velocity) || !in.read(key))
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
    int32_t time = 0, dynamics = 100;
    if (version >= 4 && (!in.read(time) || !in.read(dynamics)))
        return false;
    uint8_t fixed = kDefaultFixedNote;
    if (version >= 5 && !in.read(fixed))
        return false;
    uint8_t off = 0;
    if (version >= 6 && !in.read(off))
        return false;

    pattern = std::move(read);
    mute = muted != 0 ? 1 : 0;
    velocityOffset = std::clamp(velocity, -127, 127);
    keyOffset = std::clamp(key, -127, 127);
    fixedNoteOn = fixedOn != 0;
    drumMap = std::move(map);
    timeOffset = time;
    dynamicsPercent = std::clamp(dynamics, 0, 100);
    fixedNote = std::min<int>(fixed, 127);
    notesOff = off != 0 ? 1 : 0;
    computeVelocityStatistics();
    return true;
}

bool LooperPart::writeExtension(OutputStream &out) const
{
    return out.write(kExtensionVersion) && out.write(exclude);
}

bool LooperPart::readExtension(InputStream &in)
{
    int32_t version = 0;
    uint8_t excluded = 0;
    if (!in.read(version) || version != kExtensionVersion || !in.read(excluded))
        return false;
    exclude = excluded != 0 ? 1 : 0;
    return true;
}

} // namespace Quorvane
