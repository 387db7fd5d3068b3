#include "plugin/framework/midi/offline_tracks.h"

#include <algorithm>

namespace Quorvane {

SingleTrackProcess::SingleTrackProcess(OfflineParts &parts, const OfflineTempo &tempo)
    : OfflineProcess(tempo), parts_(parts)
{
    setEventList(&events_);
}

void SingleTrackProcess::render(int32_t base, int32_t from, int32_t thru)
{
    setStartTime(base);
    setEventList(&events_);
    for (int i = 0; i < parts_.offlinePartCount(); ++i)
        parts_.playOfflinePart(i, from, thru, *this);
}

bool SingleTrackProcess::write(OutputStream &out)
{
    SmfChunkList list;
    setEventList(&events_);
    if (writeTempoTrack(list, 1) != SmfOk || addNamedTrack(list, nullptr) != SmfOk)
        return false;
    return writeSmfChunks(list, out) == SmfOk;
}

MultiTrackProcess::MultiTrackProcess(OfflineParts &parts, const OfflineTempo &tempo)
    : OfflineProcess(tempo), parts_(parts),
      events_(static_cast<size_t>(std::max(1, parts.offlinePartCount())))
{
    setEventList(&events_[0]);
}

void MultiTrackProcess::render(int32_t base, int32_t from, int32_t thru)
{
    setStartTime(base);
    const int count = std::min<int>(parts_.offlinePartCount(), static_cast<int>(events_.size()));
    for (int i = 0; i < count; ++i) {
        setEventList(&events_[static_cast<size_t>(i)]);
        parts_.playOfflinePart(i, from, thru, *this);
    }
    setEventList(&events_[0]);
}

bool MultiTrackProcess::write(OutputStream &out)
{
    SmfChunkList list;
    if (writeTempoTrack(list, static_cast<int>(events_.size())) != SmfOk)
        return false;
    for (OfflineEventList &events : events_) {
        setEventList(&events);
        if (addNamedTrack(list, "") != SmfOk)
            return false;
    }
    setEventList(&events_[0]);
    return writeSmfChunks(list, out) == SmfOk;
}

} // namespace Quorvane
