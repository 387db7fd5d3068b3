// Turns the host's processing windows into closed tick ranges, the one rule
// every plug-in and every harness that plays like a host follows.
//
// Hosts differ in whether a window's thru belongs to it: some hand out
// [from, thru] with the next window at thru + 1, others [from, thru) with the
// next window starting at thru. The first window that starts where the last
// one ended shows the second kind; from then on thru is left out. Ranges are
// closed, so a range of one tick ([s, s]) is processed; a range that comes
// out empty (start > end) is skipped and does not count as the last window.
#pragma once

#include <cstdint>

namespace Quorvane {

class HostWindow {
public:
    // The window end before the first window after a start.
    static constexpr int32_t kNone = INT32_MIN;

    struct Range {
        int32_t from;
        int32_t thru;
        bool empty;
    };

    // Start and loop: windows begin again at time.
    void restart(int32_t time);
    // Stop.
    void stop() { windowEnd_ = kNone; }

    // The closed range to process for the host window [from, thru].
    Range next(int32_t from, int32_t thru);

    int32_t lastStart() const { return lastStart_; }
    int32_t windowEnd() const { return windowEnd_; }
    // 0, or -1 once the host showed that thru belongs to the next window.
    int32_t thruOffset() const { return thruOffset_; }

private:
    int32_t lastStart_ = 0;
    int32_t windowEnd_ = kNone;
    int32_t thruOffset_ = 0;
};

} // namespace Quorvane
