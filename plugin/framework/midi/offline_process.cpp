#include "plugin/framework/midi/offline_process.h"

#include "plugin/framework/midi/event_message.h"
#include "plugin/framework/midi/smf_codec.h"

#include <algorithm>
#include <climits>

namespace Quorvane {

namespace {

constexpr int32_t MaxDivision = 0x7FFF; // bit 15 would mean SMPTE frames

int32_t clampToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

void OfflineEventList::insert(const OfflineEntry &entry)
{
    auto after = std::upper_bound(entries_.begin(), entries_.end(), entry.time,
                                  [](int32_t time, const OfflineEntry &e) { return time < e.time; });
    entries_.insert(after, entry);
}

OfflineProcess::OfflineProcess(const OfflineTempo &tempo)
    : tempo_(tempo.tempo), numerator_(tempo.numerator), denominatorPower_(tempo.denominatorPower)
{
    // Meters without meaning fall back to quarters and four beats.
    if (numerator_ < 1 || numerator_ > 255)
        numerator_ = 4;
    if (denominatorPower_ < 0 || denominatorPower_ > 6)
        denominatorPower_ = 2;
    int32_t r = tempo.resolution > 0 ? std::min(tempo.resolution, MaxDivision) : 240;
    if (denominatorPower_ <= 2) {
        ticksPerBeat_ = r << (2 - denominatorPower_);
    } else {
        // A beat shorter than a quarter needs whole ticks.
        const int32_t unit = 1 << (denominatorPower_ - 2);
        r = (r + unit - 1) / unit * unit;
        if (r > MaxDivision)
            r -= unit;
        ticksPerBeat_ = r / unit;
    }
    resolution_ = r;
}

void OfflineProcess::emitEvent(const CMidiTrack::Event &event)
{
    SmfMessage message;
    if (eventList_ == nullptr || !eventToSmfMessage(event, message))
        return;
    eventList_->insert({event.time, uint8_t(message.status), uint8_t(message.data1), uint8_t(message.data2)});
    if (event.kind == CMidiTrack::Event::Note) {
        // A note without an end stops where it starts.
        const int32_t end = clampToInt32(int64_t(event.time) + std::max(0, event.duration));
        eventList_->insert(
            {end, uint8_t(message.status & ~0x10), uint8_t(message.data1), uint8_t(message.data2)});
    }
}

int32_t OfflineProcess::toTime(int32_t bar, int32_t beat, int32_t tick)
{
    return clampToInt32((int64_t(bar - 1) * numerator_ + beat - 1) * ticksPerBeat_ + tick);
}

int32_t OfflineProcess::toBarBeatTick(int32_t ticks, int32_t *bar, int32_t *beat, int32_t *tick)
{
    int32_t b = 1;
    int32_t bt = 1;
    int32_t tk = ticks;
    if (ticks >= ticksPerBeat_) {
        tk = ticks % ticksPerBeat_;
        const int32_t beats = ticks / ticksPerBeat_;
        if (beats >= numerator_) {
            b = beats / numerator_ + 1;
            bt = beats % numerator_ + 1;
        } else {
            bt = beats + 1;
        }
    }
    if (bar != nullptr)
        *bar = b;
    if (beat != nullptr)
        *beat = bt;
    if (tick != nullptr)
        *tick = tk;
    return b;
}

int OfflineProcess::writeTempoTrack(SmfChunkList &list, int trackCount)
{
    freeSmfChunks(list);
    list.format = 1;
    list.trackCount = static_cast<uint16_t>(trackCount + 1);
    list.division = static_cast<uint16_t>(resolution_);
    SmfChunk *chunk = appendSmfChunk(list);
    if (chunk == nullptr || allocSmfChunkData(*chunk, 16) != SmfOk)
        return SmfOutOfMemory;

    const int64_t hundredths = tempo_ > 0 ? tempo_ : 12000;
    const int64_t microseconds = std::clamp<int64_t>(int64_t(60000) * 100000 / hundredths, 1, 0xFFFFFF);
    const uint8_t signature[4] = {uint8_t(numerator_), uint8_t(denominatorPower_),
                                  clocksPerBeat(denominatorPower_), 8};
    const uint8_t tempoBytes[3] = {uint8_t(microseconds >> 16), uint8_t(microseconds >> 8),
                                   uint8_t(microseconds)};
    writeSmfMeta(*chunk, 0, 0x58, 4, signature);
    writeSmfMeta(*chunk, 0, 0x51, 3, tempoBytes);
    writeSmfEndOfTrack(*chunk, 0);
    return chunk->failed ? SmfOutOfMemory : SmfOk;
}

int OfflineProcess::addNamedTrack(SmfChunkList &list, const char *name)
{
    std::string trackName = name != nullptr ? name : "";
    std::replace(trackName.begin(), trackName.end(), ' ', '_');
    std::replace(trackName.begin(), trackName.end(), '-', '_');
    const size_t count = eventList_ != nullptr ? eventList_->size() : 0;

    SmfChunk *chunk = appendSmfChunk(list);
    const uint64_t size = 3 + (trackName.empty() ? 0 : 6) + 6 * uint64_t(count);
    if (chunk == nullptr ||
        allocSmfChunkData(*chunk, static_cast<uint32_t>(std::min<uint64_t>(size, 1 << 20))) != SmfOk)
        return SmfOutOfMemory;
    if (!trackName.empty())
        writeSmfMeta(*chunk, 0, 0x03, static_cast<uint32_t>(trackName.size()),
                     reinterpret_cast<const uint8_t *>(trackName.data()));
    int64_t previous = startTime_;
    if (eventList_ != nullptr) {
        for (const OfflineEntry &entry : eventList_->entries()) {
            // Entries before the start time are written at it.
            const int64_t delta = std::max<int64_t>(0, entry.time - previous);
            previous = std::max<int64_t>(previous, entry.time);
            writeSmfEvent(*chunk, static_cast<uint32_t>(delta), {entry.status, entry.data1, entry.data2});
        }
    }
    writeSmfEndOfTrack(*chunk, 0);
    return chunk->failed ? SmfOutOfMemory : SmfOk;
}

} // namespace Quorvane
