#include "bridge/dxi/bridge_midi_queue.h"

#include <algorithm>

namespace Halvorin {

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
