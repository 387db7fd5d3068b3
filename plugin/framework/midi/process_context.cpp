#include "plugin/framework/midi/process_context.h"

namespace Quorvane {

int32_t ProcessContext::roundUpToBeat(int32_t ticks, int32_t beatLimit)
{
    int32_t bar = 1;
    int32_t beat = 1;
    int32_t tick = 0;
    toBarBeatTick(ticks, &bar, &beat, &tick);
    if (tick > 0) {
        ++beat;
        tick = 0;
    }
    if (beat > beatLimit) {
        // Past the last beat allowed in a bar: the next bar line.
        ++bar;
        beat = 1;
    }
    return toTime(bar, beat, tick);
}

} // namespace Quorvane
