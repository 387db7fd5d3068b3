#include "plugin/fill/plugin/fill_export.h"

#include "base/safe_file.h"
#include "plugin/fill/engine/fill_units.h"
#include "plugin/framework/midi/smf_chunks.h"

#include <algorithm>
#include <memory>

namespace Quorvane {

void FillLooperParts::playOfflinePart(int index, int32_t from, int32_t thru, OfflineProcess &process)
{
    if (Looper *looper = engine_.getLooper(index))
        looper->play(from, thru, process);
}

namespace FillExport {

OfflineTempo engineTempo(Grindelvosket &engine)
{
    OfflineTempo tempo{12000, 480, 4, 2};
    engine.tempoAndMeter(&tempo.tempo, &tempo.resolution, &tempo.numerator, &tempo.denominatorPower);
    return tempo;
}

OfflineTempo sourceTempo(const CMidiTrack &source)
{
    OfflineTempo tempo{12000, usableResolution(source.getResolution()), source.getTimeSigNumerator(), -1};
    const int64_t microseconds = source.getTempo();
    if (microseconds > 0)
        tempo.tempo = static_cast<int32_t>((60000000 + microseconds / 2) / microseconds * 100);
    const unsigned denominator = static_cast<unsigned>(source.getTimeSigDenominator());
    for (int bit = 0; bit < 16; ++bit) {
        if (denominator & (1u << bit)) {
            tempo.denominatorPower = bit;
            break;
        }
    }
    return tempo;
}

void fillRange(const Grindelvosket &engine, int32_t resolution, int32_t *from, int32_t *thru)
{
    *from = std::max(0, fillUnitsToTicks(engine.punchIn(), resolution));
    *thru = clampToInt32(static_cast<int64_t>(fillUnitsToTicks(engine.punchOut(), resolution)) - 1);
}

bool renderFill(Grindelvosket &engine, OutputStream &out)
{
    const OfflineTempo tempo = engineTempo(engine);
    FillLooperParts parts(engine);
    std::unique_ptr<OfflineProcess> process;
    if (engine.multiTrackExport())
        process = std::make_unique<MultiTrackProcess>(parts, tempo);
    else
        process = std::make_unique<SingleTrackProcess>(parts, tempo);
    int32_t from = 0;
    int32_t thru = 0;
    fillRange(engine, process->getResolution(), &from, &thru);
    process->render(0, from, thru);
    return process->write(out);
}

bool exportFill(Grindelvosket &engine, const std::string &path)
{
    engine.ensureSource();
    FillLooperParts parts(engine);
    SingleTrackProcess process(parts, sourceTempo(engine.sourceTrack()));
    int32_t from = 0;
    int32_t thru = 0;
    fillRange(engine, process.getResolution(), &from, &thru);
    process.render(0, from, thru);
    SafeFileWriter file(path);
    return process.write(file) && file.commit();
}

} // namespace FillExport
} // namespace Quorvane
