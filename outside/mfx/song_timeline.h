// The host song of an MFX plug-in hosted in a song: the song's time base,
// tempo and meter maps as the host context hands them out.
#pragma once

#include "plugin/framework/mfx/hosting/host_side.h"

namespace Quorvane {
class ITembriSong;
}

namespace tembri_mfx {

class SongTimeline final : public mfx_hosting::Timeline {
public:
    explicit SongTimeline(Quorvane::ITembriSong *song) : song_(song) {}

    LONG quarterTicks() override;
    LONG ticksToMsecs(LONG ticks) override;
    LONG msecsToTicks(LONG msecs) override;
    LONG tempoCount() override;
    LONG tempoIndexAt(LONG ticks) override;
    bool tempoAt(LONG index, LONG &startTicks, LONG &tempo) override;
    void measureBeatTick(LONG ticks, LONG &measure, LONG &beat, LONG &tick) override;
    LONG ticksAt(LONG measure, LONG beat, LONG tick) override;
    LONG meterCount() override;
    LONG meterIndexAt(LONG ticks) override;
    bool meterAt(LONG index, LONG &startMeasure, LONG &numerator, LONG &denominatorPower) override;

private:
    Quorvane::ITembriSong *song_;
};

} // namespace tembri_mfx
