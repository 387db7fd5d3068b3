#include "plugin/framework/mfx/host_tempo.h"

namespace Quorvane {

HostTempoAndMeter readHostTempoAndMeter(IMfxTempoMap *tempoMap, IMfxMeterMap *meterMap)
{
    HostTempoAndMeter result;
    if (tempoMap) {
        LONG start = 0;
        LONG value = 0;
        if (SUCCEEDED(tempoMap->GetTempoAt(tempoMap->GetTempoIndexForTime(0), &start, &value)) && value > 0)
            result.tempo = value;
        const LONG ticksPerQuarter = tempoMap->GetTicksPerQuarter();
        if (ticksPerQuarter > 0)
            result.ticksPerQuarter = ticksPerQuarter;
    }
    if (meterMap) {
        LONG first = 0;
        LONG numerator = 0;
        LONG power = 0;
        if (SUCCEEDED(meterMap->GetMeterAt(meterMap->GetMeterIndexForTime(0), &first, &numerator, &power))) {
            result.numerator = numerator;
            result.denominatorPower = power;
        }
    }
    return result;
}

} // namespace Quorvane
