// The fill rendered off line: the ten loopers play into an off-line process
// that collects their events, and the result is written as a Standard MIDI
// File with a tempo track. Time 0 of the file is the fill start; the render
// covers punch-in to punch-out with everything the loopers apply, but not
// the real-time output stage (velocity dynamics, port and channel).
#pragma once

#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/midi/offline_tracks.h"

#include <string>

namespace Quorvane {

// The ten loopers as an export plays them, in looper order.
class FillLooperParts : public OfflineParts {
public:
    explicit FillLooperParts(Grindelvosket &engine) : engine_(engine) {}

    int offlinePartCount() override { return Grindelvosket::kLooperCount; }
    void playOfflinePart(int index, int32_t from, int32_t thru, OfflineProcess &process) override;

private:
    Grindelvosket &engine_;
};

namespace FillExport {

// The engine's tempo and meter as an off-line tempo record.
OfflineTempo engineTempo(Grindelvosket &engine);
// The tempo record of the engine's source track: whole beats per minute,
// its resolution and meter.
OfflineTempo sourceTempo(const CMidiTrack &source);

// The process's range of the fill: punch-in (the fill start when there is
// none) to the tick before the punch-out, in process ticks.
void fillRange(const Grindelvosket &engine, int32_t resolution, int32_t *from, int32_t *thru);

// The fill as the engine's tempo, one track or one per looper as the
// engine's multi-track flag says. False when the stream failed.
bool renderFill(Grindelvosket &engine, OutputStream &out);
// The fill in the source track's tempo and resolution, one track, to a
// file (replaced only when complete). False on any failure.
bool exportFill(Grindelvosket &engine, const std::string &path);

} // namespace FillExport
} // namespace Quorvane
