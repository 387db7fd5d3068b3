// The event bar's edits of a slice's notes. Each works on a copy of the
// events, which become the slice's own and mark it modified; the slice then
// plays the copy. Window thread.
#include "plugin/framework/midi/tick_math.h"
#include "plugin/slice/engine/looper.h"

#include <algorithm>
#include <iterator>

namespace Quorvane::LoopSlice {

namespace {

using Events = CMidiTrack::EventList;

Events::iterator eventAt(CMidiTrack &track, int index)
{
    Events &events = track.events();
    if (index < 0 || static_cast<size_t>(index) >= events.size())
        return events.end();
    return std::next(events.begin(), index);
}

int indexOf(CMidiTrack &track, Events::iterator position)
{
    return static_cast<int>(std::distance(track.events().begin(), position));
}

uint8_t velocityByte(int velocity)
{
    return static_cast<uint8_t>(std::clamp(velocity, 1, 127));
}

} // namespace

int32_t Looper::trackLoopTicks(const CMidiTrack &track)
{
    const int64_t measure = 4 * int64_t{usableResolution(track.getResolution())};
    const int64_t end = std::max<int64_t>(track.getLastEnd(), 1);
    return clampToInt32((end + measure - 1) / measure * measure);
}

int Looper::editEvents(const std::function<int(CMidiTrack &)> &change)
{
    std::shared_ptr<SliceContent> next = editableContent();
    auto track = std::make_shared<CMidiTrack>(*next->track);
    const int index = change(*track);
    if (index < 0)
        return index;
    next->track = std::move(track);
    next->ownEvents = true;
    next->modified = true;
    install(std::move(next));
    refreshView();
    return index;
}

int Looper::addNote(int32_t time, int note, int velocity)
{
    return editEvents([&](CMidiTrack &track) {
        const int32_t loop = trackLoopTicks(track);
        CMidiTrack::Event added;
        added.kind = CMidiTrack::Event::Note;
        // The loop's channel, or the drums' channel in an empty loop.
        added.channel = track.events().empty() ? 9 : track.events().front().channel;
        added.time = std::clamp(time, 0, loop - 1);
        added.data1 = static_cast<uint8_t>(std::clamp(note, 0, 127));
        added.data2 = velocityByte(velocity);
        const int32_t sixteenth = std::max(1, usableResolution(track.getResolution()) / 4);
        added.duration = std::min(sixteenth, loop - added.time);
        return indexOf(track, track.insertEvent(added));
    });
}

int Looper::setNoteVelocity(int index, int velocity)
{
    return editEvents([&](CMidiTrack &track) {
        const auto note = eventAt(track, index);
        if (note == track.events().end() || !note->isNote())
            return -1;
        note->data2 = velocityByte(velocity);
        return index;
    });
}

int Looper::moveNote(int index, int32_t time)
{
    return editEvents([&](CMidiTrack &track) {
        const auto note = eventAt(track, index);
        if (note == track.events().end() || !note->isNote())
            return -1;
        const int32_t loop = trackLoopTicks(track);
        CMidiTrack::Event moved = *note;
        moved.time = std::clamp(time, 0, loop - 1);
        moved.duration = std::clamp(moved.duration, 1, loop - moved.time);
        track.events().erase(note);
        const auto at = track.insertEvent(moved);
        track.refreshStatistics();
        return indexOf(track, at);
    });
}

bool Looper::deleteNote(int index)
{
    return editEvents([&](CMidiTrack &track) {
               const auto note = eventAt(track, index);
               if (note == track.events().end() || !note->isNote())
                   return -1;
               track.eraseEvent(note);
               return 0;
           }) >= 0;
}

} // namespace Quorvane::LoopSlice
