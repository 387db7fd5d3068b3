// The two forms of an export: every part of a drummer (its loopers or its
// slices) played into one track, or each part into a track of its own. A
// tempo track comes first in both.
#pragma once

#include "plugin/framework/midi/offline_process.h"

#include <vector>

namespace Quorvane {

// What an export plays: the parts of one drummer.
class OfflineParts {
public:
    virtual int offlinePartCount() = 0;
    // Plays part index over [from, thru] (process ticks) into the process,
    // whose event list is the part's track.
    virtual void playOfflinePart(int index, int32_t from, int32_t thru, OfflineProcess &process) = 0;

protected:
    ~OfflineParts() = default;
};

class SingleTrackProcess : public OfflineProcess {
public:
    SingleTrackProcess(OfflineParts &parts, const OfflineTempo &tempo);

    // Lets each part play [from, thru] into the one list.
    void render(int32_t base, int32_t from, int32_t thru) override;
    // Tempo track and one event track without a name.
    bool write(OutputStream &out) override;
    // What the parts played, in time order.
    const OfflineEventList &events() const { return events_; }

private:
    OfflineParts &parts_;
    OfflineEventList events_;
};

class MultiTrackProcess : public OfflineProcess {
public:
    MultiTrackProcess(OfflineParts &parts, const OfflineTempo &tempo);

    void render(int32_t base, int32_t from, int32_t thru) override;
    // Tempo track and one track with an empty name per part, in part order.
    bool write(OutputStream &out) override;

private:
    OfflineParts &parts_;
    std::vector<OfflineEventList> events_;
};

} // namespace Quorvane
