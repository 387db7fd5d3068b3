#include "plugin/framework/midi/midi_track.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace Quorvane {

namespace {

bool isNoteEvent(const CMidiTrack::Event &event)
{
    return event.kind == CMidiTrack::Event::Note;
}

int32_t clampToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The group's notes are ascending: the search stops at the first entry that
// is not below the note.
bool groupHolds(const CMidiTrack::CollisionGroup &group, uint8_t note)
{
    for (uint8_t entry : group.notes) {
        if (entry == 0)
            return false;
        if (entry >= note)
            return entry == note;
    }
    return false;
}

} // namespace

CMidiTrack::CMidiTrack() = default;
CMidiTrack::CMidiTrack(const CMidiTrack &other) = default;
CMidiTrack &CMidiTrack::operator=(const CMidiTrack &other) = default;
CMidiTrack::CMidiTrack(CMidiTrack &&other) noexcept = default;
CMidiTrack &CMidiTrack::operator=(CMidiTrack &&other) noexcept = default;
CMidiTrack::~CMidiTrack() = default;

void CMidiTrack::clear()
{
    events_.clear();
    firstText_.clear();
    secondText_.clear();
    resetStatistics();
}

void CMidiTrack::setTimeSignature(uint16_t numerator, uint16_t denominator)
{
    numerator_ = numerator;
    denominator_ = denominator;
    beatUnit_ = denominator;
}

void CMidiTrack::setTexts(const std::string &first, const std::string &second)
{
    firstText_ = first;
    secondText_ = second;
}

CMidiTrack::Position CMidiTrack::insertEvent(const Event &event)
{
    // Mostly events arrive in time order: look from the end.
    auto after = events_.end();
    while (after != events_.begin()) {
        auto previous = std::prev(after);
        if (previous->time <= event.time)
            break;
        after = previous;
    }
    Position inserted = events_.insert(after, event);
    addToStatistics(event);
    return inserted;
}

void CMidiTrack::eraseEvent(Position position)
{
    events_.erase(position);
    refreshStatistics();
}

void CMidiTrack::resetStatistics()
{
    lowestNote_ = 127;
    highestNote_ = 0;
    lastEnd_ = -1;
    usedNoteCount_ = 0;
    std::memset(used_, 0, sizeof(used_));
}

void CMidiTrack::addToStatistics(const Event &event)
{
    int32_t end = event.time;
    if (isNoteEvent(event) && event.data1 < 128 && used_[event.data1] == 0) {
        used_[event.data1] = 1;
        ++usedNoteCount_;
        lowestNote_ = std::min<uint16_t>(lowestNote_, event.data1);
        highestNote_ = std::max<uint16_t>(highestNote_, event.data1);
        end = clampToInt32(int64_t(event.time) + event.duration);
    }
    lastEnd_ = std::max(lastEnd_, end);
}

void CMidiTrack::refreshStatistics()
{
    resetStatistics();
    for (const Event &event : events_)
        addToStatistics(event);
}

void CMidiTrack::sortByTime()
{
    events_.sort([](const Event &a, const Event &b) { return a.time < b.time; });
}

uint16_t CMidiTrack::getUsedNote(int index) const
{
    if (index < 0 || static_cast<uint32_t>(index) >= usedNoteCount_)
        return NoNote;
    for (int note = 0; note < 128; ++note)
        if (used_[note] != 0 && index-- == 0)
            return static_cast<uint16_t>(note);
    return NoNote;
}

void CMidiTrack::getVelocityStatistics(int &lowest, int &average, int &highest) const
{
    int low = 127, high = 1, count = 0;
    int64_t sum = 0;
    for (const Event &event : events_) {
        if (event.kind != Event::Note)
            continue;
        low = std::min<int>(low, event.data2);
        high = std::max<int>(high, event.data2);
        sum += event.data2;
        ++count;
    }
    if (count == 0) {
        lowest = 1;
        average = 64;
        highest = 127;
        return;
    }
    lowest = low;
    average = static_cast<int>(sum / count);
    highest = high;
}

int32_t CMidiTrack::getFirstNoteTime() const
{
    for (const Event &event : events_)
        if (isNoteEvent(event))
            return event.time;
    return -1;
}

int32_t CMidiTrack::getLastNoteTime() const
{
    for (auto it = events_.rbegin(); it != events_.rend(); ++it)
        if (isNoteEvent(*it))
            return it->time;
    return -1;
}

int CMidiTrack::getNoteEventCount() const
{
    return static_cast<int>(std::count_if(events_.begin(), events_.end(), isNoteEvent));
}

int CMidiTrack::getDistinctNoteCount() const
{
    bool seen[256] = {};
    int count = 0;
    for (const Event &event : events_) {
        if (isNoteEvent(event) && !seen[event.data1]) {
            seen[event.data1] = true;
            ++count;
        }
    }
    return count;
}

uint32_t CMidiTrack::getRhythmMask(int stepsPerWhole, int steps, int *count) const
{
    uint32_t mask = 0;
    if (stepsPerWhole > 0 && steps > 0) {
        const int64_t step = std::max<int64_t>(1, int64_t(resolution_) * 4 / stepsPerWhole);
        for (const Event &event : events_) {
            if (!isNoteEvent(event))
                continue;
            const int64_t s = (event.time + step / 4) / step;
            if (s >= steps)
                break;
            const int64_t bit = steps - s - 1;
            if (s >= 0 && bit < 32)
                mask |= 1u << bit;
        }
    }
    if (count != nullptr) {
        *count = 0;
        for (uint32_t bits = mask & 0xFFFF; bits != 0; bits &= bits - 1)
            ++*count;
    }
    return mask;
}

uint32_t CMidiTrack::getInstrumentMask(const uint8_t map[128]) const
{
    uint32_t mask = 0;
    for (const Event &event : events_)
        if (isNoteEvent(event) && event.data1 < 128)
            mask |= 1u << (map[event.data1] % 32);
    return mask;
}

void CMidiTrack::countNotesPerGroup(const CountingGroup *groups, int n, int *counts) const
{
    std::fill(counts, counts + n + 1, 0);
    for (int note = 1; note < 128; ++note) {
        if (used_[note] == 0)
            continue;
        bool grouped = false;
        for (int g = 0; g < n; ++g) {
            for (uint8_t entry : groups[g].notes) {
                if (entry == 0)
                    break;
                if (entry == note) {
                    ++counts[g];
                    grouped = true;
                    break;
                }
            }
        }
        if (!grouped)
            ++counts[n];
    }
    if (used_[0] != 0)
        ++counts[n]; // note 0 ends a group's list, so it is never in one
}

void CMidiTrack::mapNotes(const uint8_t map[128])
{
    for (Event &event : events_)
        if (isNoteEvent(event) && event.data1 < 128)
            event.data1 = map[event.data1];
    refreshStatistics();
}

void CMidiTrack::replaceNote(uint8_t from, uint8_t to)
{
    for (Event &event : events_)
        if (isNoteEvent(event) && event.data1 == from)
            event.data1 = to;
}

void CMidiTrack::remapNote(uint8_t from, uint8_t to, const CollisionGroup *groups, int32_t window, bool check)
{
    const int64_t reach = std::llabs(int64_t(window));
    auto within = [reach](const Event &a, const Event &b) {
        return std::llabs(int64_t(a.time) - b.time) <= reach;
    };

    // Counts the note events near `at` in one direction that pass `counts`,
    // until `enough` of them are found.
    auto countNear = [&](Position at, bool forward, auto counts, int enough) {
        int found = 0;
        if (forward) {
            for (auto it = std::next(at); it != events_.end() && within(*at, *it); ++it)
                if (isNoteEvent(*it) && counts(it->data1) && ++found >= enough)
                    return found;
        } else {
            for (auto it = at; it != events_.begin();) {
                --it;
                if (!within(*at, *it))
                    break;
                if (isNoteEvent(*it) && counts(it->data1) && ++found >= enough)
                    return found;
            }
        }
        return found;
    };

    for (auto it = events_.begin(); it != events_.end();) {
        auto next = std::next(it);
        if (!isNoteEvent(*it) || it->data1 != from) {
            it = next;
            continue;
        }
        bool collision = false;
        if (check) {
            auto isTarget = [to](uint8_t note) { return note == to; };
            collision = countNear(it, true, isTarget, 1) > 0 || countNear(it, false, isTarget, 1) > 0;
        }
        for (const CollisionGroup *group = groups; !collision && group != nullptr && group->limit != 0;
             ++group) {
            if (!groupHolds(*group, to))
                continue;
            const int enough = std::max(1, group->limit - 1);
            auto inGroup = [&](uint8_t note) { return !(check && note == to) && groupHolds(*group, note); };
            collision = countNear(it, true, inGroup, enough) >= enough ||
                        countNear(it, false, inGroup, enough) >= enough;
        }
        if (collision)
            events_.erase(it);
        else
            it->data1 = to;
        it = next;
    }
    refreshStatistics();
}

void CMidiTrack::removeDoubledNotes(int32_t window)
{
    std::vector<uint8_t> notes;
    for (int note = 0; note < 128; ++note)
        if (used_[note] != 0)
            notes.push_back(static_cast<uint8_t>(note));
    for (uint8_t note : notes)
        remapNote(note, note, nullptr, window, true);
}

void CMidiTrack::removeGroupCollisions(int32_t window, const CollisionGroup *groups, bool check)
{
    std::vector<uint8_t> notes;
    for (int note = 0; note < 128; ++note)
        if (used_[note] != 0)
            notes.push_back(static_cast<uint8_t>(note));
    for (uint8_t note : notes)
        remapNote(note, note, groups, window, check);
    refreshStatistics();
}

void CMidiTrack::moveToFirstPeriod(int32_t period)
{
    const int32_t first = getFirstNoteTime();
    if (period <= 0 || first < period)
        return;
    const int32_t shift = first / period * period;
    // Clamping keeps the order: it only merges events at 0.
    for (Event &event : events_)
        event.time = std::max(0, event.time - shift);
    refreshStatistics();
}

void CMidiTrack::setNoteDurations(int32_t duration)
{
    for (Event &event : events_)
        if (isNoteEvent(event))
            event.duration = duration;
    refreshStatistics();
}

void CMidiTrack::quantizeAndTrim(int32_t grid, int32_t end)
{
    if (grid <= 0)
        return;
    for (auto it = events_.begin(); it != events_.end();) {
        auto next = std::next(it);
        if (isNoteEvent(*it)) {
            const int64_t shifted = int64_t(it->time) + grid / 2;
            // Rounds down, also for times before 0.
            const int64_t quantized = (shifted >= 0 ? shifted / grid : (shifted - grid + 1) / grid) * grid;
            if (quantized >= end) {
                events_.erase(it);
            } else {
                it->time = clampToInt32(quantized);
                if (quantized + it->duration >= end)
                    it->duration = clampToInt32(end - quantized - 1);
            }
        }
        it = next;
    }
    // Notes moved past other events: restore the time order.
    sortByTime();
    refreshStatistics();
}

int CMidiTrack::getDensityScore(uint32_t *packed) const
{
    int counts[5] = {};
    if (resolution_ > 0) {
        int64_t previous = -1;
        bool first = true;
        for (const Event &event : events_) {
            if (!isNoteEvent(event))
                continue;
            if (!first) {
                const int64_t gap = (event.time - previous) * 16 / resolution_;
                const int64_t h = gap + gap / 3;
                int cls = 0;
                for (int64_t bits = h; bits > 1; bits >>= 1)
                    ++cls;
                ++counts[std::min(cls, 4)];
            }
            first = false;
            previous = event.time;
        }
    }
    if (packed != nullptr) {
        // Four bits per class: a count above 15 must not spill into its
        // neighbour.
        *packed = 0;
        for (int c = 0; c < 5; ++c)
            *packed |= uint32_t(std::min(counts[c], 15)) << (16 - 4 * c);
    }
    return 8 * counts[0] + 6 * counts[1] + 4 * counts[2] + 2 * counts[3] + counts[4];
}

void CMidiTrack::copyFiltered(const CMidiTrack &source, const uint8_t *filter)
{
    if (&source == this) {
        const CMidiTrack copy(source);
        copyFiltered(copy, filter);
        return;
    }
    clear();
    tempo_ = source.tempo_;
    resolution_ = source.resolution_;
    std::copy(std::begin(source.headerWords_), std::end(source.headerWords_), headerWords_);
    for (const Event &event : source.events_)
        if (!isNoteEvent(event) || filter == nullptr || (event.data1 < 128 && filter[event.data1] != 0))
            insertEvent(event);
}

} // namespace Quorvane
