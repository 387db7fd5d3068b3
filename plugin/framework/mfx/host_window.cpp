#include "plugin/framework/mfx/host_window.h"

#include <algorithm>

namespace Quorvane {

void HostWindow::restart(int32_t time)
{
    lastStart_ = time;
    windowEnd_ = kNone;
}

HostWindow::Range HostWindow::next(int32_t from, int32_t thru)
{
    int64_t start = std::max(from, lastStart_);
    if (windowEnd_ != kNone && start == windowEnd_) {
        start += 1;
        thruOffset_ = -1;
    }
    const int64_t end = static_cast<int64_t>(thru) + thruOffset_;
    if (start > end)
        return Range{static_cast<int32_t>(std::min<int64_t>(start, INT32_MAX)),
                     static_cast<int32_t>(std::max<int64_t>(end, INT32_MIN)), true};
    windowEnd_ = static_cast<int32_t>(end);
    return Range{static_cast<int32_t>(start), windowEnd_, false};
}

} // namespace Quorvane
