// Edits by hand. Nodes are made and freed outside the lock and moved in and
// out of the pattern by splicing, so the real-time thread waits only for the
// relinking.
#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/looper_internal.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

using namespace looper_detail;

namespace {

using EventList = CMidiTrack::EventList;

// The first event later than time: a new event goes after every event at the
// same or an earlier time.
EventList::iterator insertionPoint(EventList &events, int32_t time, EventList::const_iterator skip)
{
    auto after = events.end();
    while (after != events.begin()) {
        auto previous = std::prev(after);
        if (previous != skip && previous->time <= time)
            break;
        after = previous;
    }
    return after;
}

} // namespace

bool Looper::isCurrent(uint32_t generation) const
{
    return generation == kAnyGeneration || generation == generation_;
}

void Looper::afterEdit()
{
    {
        ScopedLock lock(*this);
        part_.pattern->refreshStatistics();
        part_.computeVelocityStatistics();
        invalidatePosition();
    }
    rebuildVelocityMap();
    host_.markSourceEdited();
    host_.updateInputMask();
    host_.refreshViews();
}

bool Looper::deleteEvent(EventList::const_iterator position, uint32_t generation)
{
    EventList removed;
    {
        ScopedLock lock(*this);
        EventList &events = part_.pattern->events();
        if (!isCurrent(generation) || position == events.cend())
            return false;
        removed.splice(removed.end(), events, position);
        current_ = events.end();
    }
    afterEdit();
    return true;
}

bool Looper::setEventVelocity(EventList::const_iterator position, int velocity, uint32_t generation)
{
    const int v = std::clamp(velocity, 1, 127);
    {
        ScopedLock lock(*this);
        EventList &events = part_.pattern->events();
        if (!isCurrent(generation) || position == events.cend())
            return false;
        events.erase(position, position)->data2 = static_cast<uint8_t>(v);
    }
    char text[32];
    std::snprintf(text, sizeof text, "Velocity: %d", v);
    host_.showStatus(text);
    afterEdit();
    return true;
}

bool Looper::moveEvent(EventList::const_iterator position, int32_t time, uint32_t generation)
{
    const int32_t t = std::max(time, 0);
    int32_t resolution;
    {
        ScopedLock lock(*this);
        EventList &events = part_.pattern->events();
        if (!isCurrent(generation) || position == events.cend())
            return false;
        resolution = usableResolution(part_.pattern->getResolution());
        events.erase(position, position)->time = t;
        events.splice(insertionPoint(events, t, position), events, position);
    }
    const int32_t engine = engineResolution();
    int64_t tick = t % resolution;
    if (engine != resolution)
        tick = tick * engine / resolution;
    char text[48];
    std::snprintf(text, sizeof text, "Position: %d:%d", t / resolution + 1, static_cast<int>(tick));
    host_.showStatus(text);
    afterEdit();
    return true;
}

EventList::const_iterator Looper::insertNote(int32_t time, int note, int velocity, uint32_t *generation)
{
    EventList added(1);
    CMidiTrack::Event &event = added.front();
    event.time = std::max(time, 0);
    event.kind = CMidiTrack::Event::Note;
    event.channel = 9;
    event.data1 = static_cast<uint8_t>(std::clamp(note, 0, 127));
    event.data2 = static_cast<uint8_t>(std::clamp(velocity, 1, 127));
    event.flags2 = 64;
    EventList::const_iterator inserted = added.begin();
    {
        ScopedLock lock(*this);
        EventList &events = part_.pattern->events();
        event.duration = usableResolution(part_.pattern->getResolution()) / 4;
        events.splice(insertionPoint(events, event.time, events.end()), added);
        if (generation)
            *generation = generation_;
    }
    afterEdit();
    return inserted;
}

void Looper::eraseAllEvents()
{
    EventList removed;
    {
        ScopedLock lock(*this);
        removed.splice(removed.end(), part_.pattern->events());
        current_ = part_.pattern->events().end();
        // Positions into the pattern went with its events.
        newGeneration();
    }
    afterEdit();
}

} // namespace Quorvane
