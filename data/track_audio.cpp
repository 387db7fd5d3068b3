#include "data/track_audio.h"

#include "base/arith.h"
#include "data/io_params.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace Quorvane {

CTrackAudio::CTrackAudio(unsigned long trackId, CSong *owner)
    : CTrack(trackId, TRACK_AUDIO, owner),
      wave(1, owner ? UsableSampleRate(owner->GetSPS()) : kDefaultSampleRate,
           owner ? owner->GetWaveDir() : nullptr)
{
}

int CTrackAudio::SetDefault()
{
    CTrack::SetDefault();
    CStructArray::Clear();
    wave.Clear();
    startOffset = 0;
    synchro[0] = synchro[1] = 0;
    if (!wave.IsStateOk() || !SetName("Audio"))
        return 0;
    // Volume 100 and pan 64 go into controllers at tick 0.
    if (!CheckVolPanChanged(0))
        return 0;
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    PORTDESCR audioOut(kAudioOutputKind);
    output = tract ? tract->AddNewOut(&audioOut) : nullptr;
    return output != nullptr;
}

int CTrackAudio::HaveData()
{
    if (wave.length != 0 || count != 2)
        return 1;
    const auto isDefault = [](const EVENT *e) {
        return e->time == 0 &&
               ((e->IsCtrl(7) && e->getCtrlVal() == 100) || (e->IsCtrl(10) && e->getCtrlVal() == 64));
    };
    const EVENT *first = GetEvent(0), *second = GetEvent(1);
    return !(isDefault(first) && isDefault(second) && first->data1 != second->data1);
}

int CTrackAudio::UpdateLastTime()
{
    long end = count ? GetEvent(count - 1)->time : 0;
    CTrackMaster *master = song ? song->GetTrackMaster() : nullptr;
    if (master && wave.length > 0)
        end = std::max(end, master->GetTimeFromSample(wave.length + startOffset));
    const int changed = end != lastTime;
    lastTime = end;
    return changed;
}

int CTrackAudio::ChangeSPS(long oldRate, long newRate)
{
    if (oldRate <= 0 || newRate <= 0 || !wave.ChangeSampleRate(newRate))
        return 0;
    startOffset = roundToNearest(static_cast<double>(startOffset) * newRate / oldRate);
    UpdateEdition();
    return 1;
}

float *CTrackAudio::Read(int64_t position, unsigned long &frames)
{
    if (frames == 0)
        return nullptr;
    auto *block = static_cast<float *>(std::malloc(size_t(frames) * wave.channels * sizeof(float)));
    if (block && !wave.Read(block, position - startOffset, frames)) {
        std::free(block);
        block = nullptr;
    }
    return block;
}

int64_t CTrackAudio::GraphicsPairs(int64_t from, int64_t to)
{
    return to > from ? (to - from + CWave::kPeakFrames - 1) / CWave::kPeakFrames : 0;
}

float *CTrackAudio::ReadGraphics(int64_t from, int64_t to)
{
    const int64_t pairs = GraphicsPairs(from, to);
    if (pairs <= 0 || pairs > int64_t(UINT32_MAX))
        return nullptr;
    auto *block = static_cast<float *>(std::calloc(size_t(pairs) * 2, sizeof(float)));
    if (!block)
        return nullptr;
    // The wave's pair holding the first sample; samples before the start
    // fall into pairs below 0, which stay (0, 0).
    const int64_t peakFrames = CWave::kPeakFrames;
    const int64_t frame = from - startOffset;
    const int64_t firstPair = frame >= 0 ? frame / peakFrames : -((peakFrames - 1 - frame) / peakFrames);
    const int64_t skipped = std::min<int64_t>(pairs, std::max<int64_t>(0, -firstPair));
    if (skipped < pairs && !wave.ReadGraphics(block + 2 * skipped, firstPair + skipped,
                                              static_cast<unsigned long>(pairs - skipped))) {
        std::free(block);
        return nullptr;
    }
    return block;
}

} // namespace Quorvane
