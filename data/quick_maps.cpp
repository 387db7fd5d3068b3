#include "data/quick_maps.h"

#include "data/event_array.h"
#include "data/io_params.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace Quorvane {

namespace {

long clampToLong(long long v)
{
    return static_cast<long>(std::clamp<long long>(v, LONG_MIN, LONG_MAX));
}

// A time signature the maps can count with: 4/4 for a numerator of 0 or a
// beat shorter than one tick.
void meterOf(const EVENT &e, long timeBase, long &numerator, long &power)
{
    numerator = e.getTSignVal1();
    power = e.getTSignVal2();
    if (numerator < 1 || power > 30 || ((4L * timeBase) >> power) < 1) {
        numerator = 4;
        power = 2;
    }
}

template <typename T> int append(CStructArray &array, T &segment)
{
    return array.Insert(array.GetNumb(), 1, &segment);
}

// The last segment starting at or before the tick; -1 before the first.
template <typename Map> long lastStartingAtOrBefore(const Map &map, long tick)
{
    long index = -1;
    for (long i = 0; i < map.GetNumb() && map.GetAt(i)->startTick <= tick; ++i)
        index = i;
    return index;
}

// The same, searched from the cached segment (the first one before them
// all); -1 for an empty map.
template <typename Map> long holdingFromCache(const Map &map, long &cache, long tick)
{
    if (map.GetNumb() == 0)
        return -1;
    long i = std::clamp(cache, 0L, map.GetNumb() - 1);
    while (i > 0 && map.GetAt(i)->startTick > tick)
        --i;
    while (i + 1 < map.GetNumb() && map.GetAt(i + 1)->startTick <= tick)
        ++i;
    cache = i;
    return i;
}

template <typename T> int copyOf(const T *segment, T &out)
{
    if (!segment)
        return 0;
    out = *segment;
    return 1;
}

} // namespace

// --- meter ------------------------------------------------------------------

int CQuickMeter::Update(const CEventArray *events, long timeBase)
{
    Clear();
    cache = 0;
    ++changes;
    timeBase = UsableTimeBase(timeBase);
    QUICKMETER seg;
    seg.ticksPerBar = 4 * timeBase;
    seg.ticksPerBeat = timeBase;
    const QUICKMETER defaults = seg;
    for (long i = 0; events && i < events->GetNumb(); ++i) {
        const EVENT &e = *events->GetEvent(i);
        if (!e.IsTSign())
            continue;
        if (count == 0 && e.time > 0) {
            QUICKMETER first = defaults;
            if (!append(*this, first))
                return 0;
        }
        const long long bars = (static_cast<long long>(e.time) - seg.startTick) / seg.ticksPerBar;
        seg.startBar = clampToLong(seg.startBar + bars);
        seg.startTick = e.time;
        meterOf(e, timeBase, seg.numerator, seg.power);
        seg.ticksPerBar = clampToLong((4LL * timeBase * seg.numerator) >> seg.power);
        seg.ticksPerBeat = (4L * timeBase) >> seg.power;
        QUICKMETER copy = seg;
        if (!append(*this, copy))
            return 0;
    }
    if (count == 0) {
        QUICKMETER first = defaults;
        return append(*this, first);
    }
    return 1;
}

long CQuickMeter::GetIndexAtTime(long tick) const
{
    return lastStartingAtOrBefore(*this, tick);
}

void CQuickMeter::GetMBTFromTime(long tick, long &bar, long &beat, long &tickInBeat)
{
    bar = beat = tickInBeat = 0;
    const QUICKMETER *seg = GetAt(holdingFromCache(*this, cache, tick));
    if (tick <= 0 || !seg)
        return;
    const long long offset = static_cast<long long>(tick) - seg->startTick;
    bar = clampToLong(seg->startBar + offset / seg->ticksPerBar);
    const long rest = static_cast<long>(offset % seg->ticksPerBar);
    beat = rest / seg->ticksPerBeat;
    tickInBeat = rest % seg->ticksPerBeat;
}

long CQuickMeter::GetTimeFromMBT(long bar, long beat, long tickInBeat)
{
    if (count == 0)
        return 0;
    long i = 0;
    while (i + 1 < count && GetAt(i + 1)->startBar <= bar)
        ++i;
    const QUICKMETER *seg = GetAt(i);
    return clampToLong(seg->startTick + static_cast<long long>(bar - seg->startBar) * seg->ticksPerBar +
                       static_cast<long long>(beat) * seg->ticksPerBeat + tickInBeat);
}

QUICKMETER *CQuickMeter::GetPQMFromTime(long tick, long &next)
{
    const long i = holdingFromCache(*this, cache, tick);
    const QUICKMETER *following = GetAt(i + 1);
    next = following ? following->startTick : INT_MAX;
    return GetAt(i);
}

int CQuickMeter::GetByIndex(long index, QUICKMETER &out) const
{
    return copyOf(GetAt(index), out);
}

// --- keys ---------------------------------------------------------------------

int CQuickTonal::Update(const CEventArray *events, CQuickMeter &meter)
{
    Clear();
    cache = 0;
    ++changes;
    const QUICKTONAL defaults;
    for (long i = 0; events && i < events->GetNumb(); ++i) {
        const EVENT &e = *events->GetEvent(i);
        if (!e.IsKSign())
            continue;
        if (count == 0 && e.time > 0) {
            QUICKTONAL first = defaults;
            if (!append(*this, first))
                return 0;
        }
        QUICKTONAL seg;
        long beat, tick;
        seg.startTick = e.time;
        meter.GetMBTFromTime(e.time, seg.bar, beat, tick);
        seg.key = e.getKSignVal();
        if (!append(*this, seg))
            return 0;
    }
    if (count == 0) {
        QUICKTONAL first = defaults;
        return append(*this, first);
    }
    return 1;
}

int CQuickTonal::CheckPlaces(CEventArray *events, CQuickMeter &newMeter)
{
    int moved = 0;
    for (long i = 0; events && i < events->GetNumb(); ++i) {
        EVENT &e = *events->GetEvent(i);
        if (!e.IsKSign())
            continue;
        const QUICKTONAL *seg = nullptr;
        for (long k = 0; k < count && !seg; ++k) {
            if (GetAt(k)->startTick == e.time)
                seg = GetAt(k);
        }
        if (!seg)
            continue; // a new key change: nothing to keep
        long bar, beat, tick;
        newMeter.GetMBTFromTime(e.time, bar, beat, tick);
        if (bar != seg->bar || beat != 0 || tick != 0) {
            e.time = newMeter.GetTimeFromMBT(seg->bar, 0, 0);
            moved = 1;
        }
    }
    return moved;
}

long CQuickTonal::GetIndexAtTime(long tick) const
{
    return lastStartingAtOrBefore(*this, tick);
}

QUICKTONAL *CQuickTonal::GetPQTFromTime(long tick)
{
    return GetAt(holdingFromCache(*this, cache, tick));
}

long CQuickTonal::GetKSign(long tick)
{
    const QUICKTONAL *seg = GetPQTFromTime(tick);
    return seg ? seg->key : 15;
}

int CQuickTonal::GetByIndex(long index, QUICKTONAL &out) const
{
    return copyOf(GetAt(index), out);
}

// --- tempo --------------------------------------------------------------------

int CQuickTimer::Update(const CEventArray *events, long rate, long base)
{
    Clear();
    cache = 0;
    sampleRate = UsableSampleRate(rate);
    timeBase = UsableTimeBase(base);
    // Samples per tick at one quarter per minute.
    const float perQuarterPerMinute = static_cast<float>(sampleRate) * 60.0f / static_cast<float>(timeBase);
    QUICKTIMER seg;
    seg.samplesPerTick = perQuarterPerMinute * 0.01f;
    for (long i = 0; events && i < events->GetNumb(); ++i) {
        const EVENT &e = *events->GetEvent(i);
        if (!e.IsTempo())
            continue;
        seg.endTick = e.time;
        const long double length =
            static_cast<long double>(e.time - static_cast<long double>(seg.startTick)) * seg.samplesPerTick;
        seg.endSample = seg.startSample + static_cast<int64_t>(std::floor(length + 0.5L));
        if (e.time != 0) {
            QUICKTIMER copy = seg;
            if (!append(*this, copy))
                return 0;
        }
        seg.startTick = e.time;
        seg.startSample = seg.endSample;
        seg.samplesPerTick =
            perQuarterPerMinute / static_cast<float>(6e7 / static_cast<double>(e.getTempoMicros()));
    }
    seg.endTick = INT_MAX;
    seg.endSample = INT64_MAX;
    return append(*this, seg);
}

long CQuickTimer::GetIndexAtTime(long tick) const
{
    for (long i = 0; i < count; ++i) {
        const QUICKTIMER *seg = GetAt(i);
        if (seg->startTick <= tick && tick < seg->endTick)
            return i;
    }
    return count - 1;
}

int64_t CQuickTimer::GetSampleFromTime(long tick)
{
    if (tick == INT_MAX)
        return INT64_MAX;
    if (count == 0)
        return 0;
    long i = std::clamp(cache, 0L, count - 1);
    if (tick == 0 && GetAt(i)->startTick > 0)
        return 0;
    while (i > 0 && tick < GetAt(i)->startTick)
        --i;
    while (i + 1 < count && tick >= GetAt(i)->endTick)
        ++i;
    cache = i;
    const QUICKTIMER &seg = *GetAt(i);
    return seg.startSample + static_cast<int64_t>((static_cast<double>(tick) - seg.startTick) *
                                                  static_cast<double>(seg.samplesPerTick));
}

long CQuickTimer::GetTimeFromSample(int64_t sample)
{
    if (sample == INT64_MAX)
        return INT_MAX;
    if (count == 0)
        return 0;
    long i = std::clamp(cache, 0L, count - 1);
    if (sample == 0 && GetAt(i)->startSample > 0)
        return 0;
    while (i > 0 && sample < GetAt(i)->startSample)
        --i;
    while (i + 1 < count && sample >= GetAt(i)->endSample)
        ++i;
    cache = i;
    const QUICKTIMER &seg = *GetAt(i);
    if (!(seg.samplesPerTick > 0))
        return seg.startTick;
    const double ticks = static_cast<double>(sample - seg.startSample) / seg.samplesPerTick;
    return clampToLong(seg.startTick + static_cast<long long>(std::clamp(ticks, -4e18, 4e18)));
}

float CQuickTimer::GetTempoAtTime(long tick)
{
    for (long i = 0; i < count; ++i) {
        const QUICKTIMER *seg = GetAt(i);
        if (seg->startTick <= tick && tick < seg->endTick && seg->samplesPerTick > 0)
            return static_cast<float>(sampleRate) * 60.0f / static_cast<float>(timeBase) /
                   seg->samplesPerTick;
    }
    return 100.0f;
}

int CQuickTimer::GetByIndex(long index, QUICKTIMER &out) const
{
    return copyOf(GetAt(index), out);
}

} // namespace Quorvane
