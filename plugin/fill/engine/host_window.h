// Turns the host's processing windows into closed tick ranges. Hosts that
// start each window where the previous one ended count that tick once: from
// the first such window on, every window ends one tick before its thru.
#pragma once

#include <cstdint>

namespace Quorvane {

class HostWindow {
public:
    static constexpr int32_t kNone = INT32_MIN;

    struct Range {
        int32_t from;
        int32_t thru;
        bool empty;
    };

    // OnStart and OnLoop: windows begin again at time.
    void restart(int32_t time)
    {
        lastStart_ = time;
        windowEnd_ = kNone;
    }
    // OnStop.
    void stop() { windowEnd_ = kNone; }

    // The closed range to process for a host window. A range of one tick
    // (from == thru) is processed: hosts with tiny blocks would lose every
    // event otherwise.
    Range next(int32_t from, int32_t thru)
    {
        int32_t start = from > lastStart_ ? from : lastStart_;
        if (windowEnd_ != kNone && start == windowEnd_) {
            ++start;
            thruOffset_ = -1;
        }
        const int32_t end = thru == INT32_MIN ? thru : thru + thruOffset_;
        windowEnd_ = end;
        return Range{start, end, start > end};
    }

    int32_t lastStart() const { return lastStart_; }

private:
    int32_t lastStart_ = 0;
    int32_t windowEnd_ = kNone;
    int32_t thruOffset_ = 0;
};

} // namespace Quorvane
