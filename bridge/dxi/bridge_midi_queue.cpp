#include "bridge/dxi/bridge_midi_queue.h"

#include <algorithm>

namespace Halvorin {

bool ShortMessageEvent(int32_t tick, int64_t sample, uint32_t message, QueuedEvent &event)
{
    const auto first = static_cast<uint8_t>((message >> 8) & 0x7F);
    const auto second = static_cast<uint8_t>((message >> 16) & 0x7F);
    event = {};
    event.tick = tick;
    event.sample = sample;
    event.dueNow = true;
    switch (message & 0xF0) {
    case 0x80:
    case 0x90:
        event.kind = QueuedEvent::kNote;
        event.number = first;
        event.value = (message & 0xF0) == 0x90 ? second : 0;
        event.duration = kShortNoteDuration;
        return true;
    case 0xB0:
        event.kind = QueuedEvent::kController;
        event.number = first;
        event.value = second;
        return true;
    case 0xE0:
        event.kind = QueuedEvent::kWheel;
        event.wheel = static_cast<int16_t>((second << 7 | first) - 8192);
        return true;
    default:
        return false;
    }
}

void CBridgeMidiQueue::Add(const QueuedEvent &event)
{
    const auto at = std::upper_bound(events_.begin(), events_.end(), event.sample,
                                     [](int64_t sample, const QueuedEvent &e) { return sample < e.sample; });
    events_.insert(at, event);
}

void CBridgeMidiQueue::Flush()
{
    std::erase_if(events_, [](const QueuedEvent &event) { return event.done; });
}

} // namespace Halvorin
