// The host's MIDI events waiting for the blocks they fall in, ordered by
// sample time. Events of the host's window for the coming block are due in
// that block whatever their sample time; the releases that notes with a
// duration bring wait for the block their time falls in.
#pragma once

#include <cstdint>
#include <vector>

namespace Halvorin {

struct QueuedEvent {
    enum Kind : uint8_t { kNote = 0, kController = 2, kWheel = 5 };
    int32_t tick;
    int64_t sample;
    Kind kind;
    uint8_t number; // note or controller
    uint8_t value;  // velocity (0 releases) or controller value
    int16_t wheel;  // -8192 .. 8191
    int32_t duration;
    bool dueNow; // of the coming block's window
    bool done;
};

// The queue entry of a packed short MIDI message (status | first data byte
// << 8 | second data byte << 16, any channel) at a host tick and its
// sample: 0x80 and 0x90 become notes (0x80, and 0x90 with velocity 0,
// release), 0xB0 a controller, 0xE0 a wheel of (second << 7 | first) -
// 8192; false for every other status. The entry is due in the coming block
// and a note lasts kShortNoteDuration ticks.
constexpr int32_t kShortNoteDuration = 1000;
bool ShortMessageEvent(int32_t tick, int64_t sample, uint32_t message, QueuedEvent &event);

class CBridgeMidiQueue {
public:
    CBridgeMidiQueue() { events_.reserve(1024); }

    // Keeps the event after those of the same sample time.
    void Add(const QueuedEvent &event);
    void Clear() { events_.clear(); }
    bool Empty() const { return events_.empty(); }

    // Each event due before end (all events due in this block when last is
    // set), in order; they are marked done.
    template <typename Visit> void Take(int64_t end, bool last, Visit visit)
    {
        for (QueuedEvent &event : events_) {
            if (event.done || !(event.sample < end || (last && event.dueNow)))
                continue;
            event.done = true;
            visit(event);
        }
    }
    // Drops the events done.
    void Flush();

    const std::vector<QueuedEvent> &Events() const { return events_; }

private:
    std::vector<QueuedEvent> events_;
};

} // namespace Halvorin
