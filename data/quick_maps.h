// Lookup tables built from the master track's events: bars and beats
// (meter), key signatures (tonal) and sample positions (timer). Each keeps
// the segment found last, so lookups near one position cost nothing.
#pragma once

#include "data/corvadel_api.h"
#include "data/struct_array.h"

#include <cstdint>

namespace Quorvane {

class CEventArray;

struct CORVADEL_API QUICKMETER : public STRUCTELEM {
    long startTick = 0;
    long startBar = 0; // counted from 0
    long numerator = 4;
    long power = 2; // the denominator as a power of two
    long ticksPerBar = 0;
    long ticksPerBeat = 0;
};

struct CORVADEL_API QUICKTONAL : public STRUCTELEM {
    long startTick = 0;
    long bar = 0;
    long key = 15; // key signature index 0..29
};

struct CORVADEL_API QUICKTIMER : public STRUCTELEM {
    long startTick = 0;
    long endTick = 0;
    long microsPerQuarter = 0; // not filled by the builder
    int64_t startSample = 0;
    int64_t endSample = 0;
    float samplesPerTick = 0;
};

class CORVADEL_API CQuickMeter : public CStructArray {
public:
    CQuickMeter() : CStructArray(sizeof(QUICKMETER), 16) {}

    // From the time signatures in array order. A numerator of 0, or a power
    // whose beat would be shorter than a tick, is read as 4/4.
    int Update(const CEventArray *events, long timeBase);
    // Bar and beat counted from 0; all 0 at or before tick 0.
    void GetMBTFromTime(long tick, long &bar, long &beat, long &tickInBeat);
    long GetTimeFromMBT(long bar, long beat, long tickInBeat);
    // The segment holding the tick, and the tick where the next one starts
    // (INT_MAX when none does).
    QUICKMETER *GetPQMFromTime(long tick, long &next);
    // The last segment starting at or before the tick; -1 before the first.
    long GetIndexAtTime(long tick) const;
    QUICKMETER *GetAt(long index) const
    {
        return (index >= 0 && index < count) ? static_cast<QUICKMETER *>(GetElementAt(index)) : nullptr;
    }
    int GetByIndex(long index, QUICKMETER &out) const;

    long cache = 0;
    // Counts the rebuilds, so that a layout made from the map knows when it
    // is out of date.
    long changes = 0;
};

class CORVADEL_API CQuickTonal : public CStructArray {
public:
    CQuickTonal() : CStructArray(sizeof(QUICKTONAL), 16) {}

    // From the key signatures in array order, their bars from the meter map.
    int Update(const CEventArray *events, CQuickMeter &meter);
    // Keeps key changes on the bars they had in this (old) map after the
    // meter map changed: each key signature event is paired with the
    // segment that starts at its tick. 1 when an event moved (the caller
    // sorts the events again).
    int CheckPlaces(CEventArray *events, CQuickMeter &newMeter);
    long GetKSign(long tick);
    QUICKTONAL *GetPQTFromTime(long tick);
    long GetIndexAtTime(long tick) const;
    QUICKTONAL *GetAt(long index) const
    {
        return (index >= 0 && index < count) ? static_cast<QUICKTONAL *>(GetElementAt(index)) : nullptr;
    }
    int GetByIndex(long index, QUICKTONAL &out) const;

    long cache = 0;
    long changes = 0;
};

class CORVADEL_API CQuickTimer : public CStructArray {
public:
    CQuickTimer() : CStructArray(sizeof(QUICKTIMER), 32) {}

    // From the tempo events in array order (100 quarters per minute before
    // the first).
    int Update(const CEventArray *events, long sampleRate, long timeBase);
    int64_t GetSampleFromTime(long tick);
    long GetTimeFromSample(int64_t sample);
    // Quarters per minute at the tick; 100 when no segment holds it.
    float GetTempoAtTime(long tick);
    // The segment with start <= tick < end, else the last one.
    long GetIndexAtTime(long tick) const;
    QUICKTIMER *GetAt(long index) const
    {
        return (index >= 0 && index < count) ? static_cast<QUICKTIMER *>(GetElementAt(index)) : nullptr;
    }
    int GetByIndex(long index, QUICKTIMER &out) const;

    long cache = 0;
    long sampleRate = 0;
    long timeBase = 0;
};

} // namespace Quorvane
