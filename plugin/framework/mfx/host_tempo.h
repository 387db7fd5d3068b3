// The tempo and meter a drummer plays to: the host's at the song start when
// its maps answer, else 120 beats per minute, 480 ticks per quarter, 4/4.
#pragma once

#include "plugin/framework/mfx/mfx_host.h"

#include <cstdint>

namespace Quorvane {

struct HostTempoAndMeter {
    int32_t tempo = 12000; // hundredths of a beat per minute
    int32_t ticksPerQuarter = 480;
    int32_t numerator = 4;
    int32_t denominatorPower = 2; // the beat is 2 to this power
};

// Each value the host cannot give (no map, a failed call, a tempo or
// resolution of 0 or less) keeps its default.
HostTempoAndMeter readHostTempoAndMeter(IMfxTempoMap *tempoMap, IMfxMeterMap *meterMap);

} // namespace Quorvane
