// The master track (id 0): the song's time signatures, key signatures and
// tempo events, the maps built from them, and the text and grid operations
// the program and the editors use on positions.
#pragma once

#include "data/corvadel_api.h"
#include "data/quick_maps.h"
#include "data/track.h"

namespace Quorvane {

// Flags of CTrackMaster::StringNote.
enum : long { NOTE_WITH_OCTAVE = 1, NOTE_WITH_NUMBER = 2 };

class CORVADEL_API CTrackMaster : public CTrack {
public:
    explicit CTrackMaster(CSong *song);

    // 4/4, C major and 100 quarters per minute at tick 0, the maps built,
    // and the tract's preview output. 0 without a song tract.
    int SetDefault() override;
    // Rebuilds the maps under the song lock; with checkKeyPlaces key
    // changes keep their bars across a meter change.
    int UpdateParams(int checkKeyPlaces);

    // Playback: the metronome to the master's output, the tempo to the
    // chord track's output. The cursor search also finds the tempo then.
    void GoToTimePlay(long tick, CEventArray *events) override;
    int OnStartPlayback() override;
    void AskPlayback(ASKPLAYBACK *cell) override;
    // Adds 4/4, C major and 100 quarters per minute at tick 0 where no time
    // signature, key signature or tempo lies there, under the song lock.
    int CheckInitial(int adjustChannel) override;

    long GetTimeBase() const { return timeBase; }
    long GetSPS() const { return sampleRate; }
    void GetMBTFromTime(long tick, long &bar, long &beat, long &tickInBeat)
    {
        meter.GetMBTFromTime(tick, bar, beat, tickInBeat);
    }
    long GetTimeFromMBT(long bar, long beat, long tickInBeat)
    {
        return meter.GetTimeFromMBT(bar, beat, tickInBeat);
    }
    int64_t GetSampleFromTime(long tick) { return timer.GetSampleFromTime(tick); }
    long GetTimeFromSample(int64_t sample) { return timer.GetTimeFromSample(sample); }
    QUICKMETER *GetPQMFromTime(long tick, long &next) { return meter.GetPQMFromTime(tick, next); }
    long GetKSign(long tick) { return tonal.GetKSign(tick); }
    QUICKTONAL *GetPQTFromTime(long tick) { return tonal.GetPQTFromTime(tick); }
    long GetNumMeters() const { return meter.GetNumb(); }
    long GetMeterIndexAtTime(long tick) const { return meter.GetIndexAtTime(tick); }
    int GetMeterByIndex(long index, QUICKMETER &out) const { return meter.GetByIndex(index, out); }
    long GetNumTonals() const { return tonal.GetNumb(); }
    long GetTonalIndexAtTime(long tick) const { return tonal.GetIndexAtTime(tick); }
    int GetTonalByIndex(long index, QUICKTONAL &out) const { return tonal.GetByIndex(index, out); }
    long GetNumTempos() const { return timer.GetNumb(); }
    long GetTempoIndexAtTime(long tick) const { return timer.GetIndexAtTime(tick); }
    int GetTempoByIndex(long index, QUICKTIMER &out) const { return timer.GetByIndex(index, out); }
    float GetTempoAtTime(long tick) { return timer.GetTempoAtTime(tick); }

    // Texts: "bar:beat:tick" counted from 1 for times and from 0 for
    // durations (measured with the meter at the given tick).
    char *StringTime(long tick, char *text);
    char *StringDur(long duration, char *text, long atTick);
    char *StringMeter(long tick, char *text);
    char *StringTonal(long tick, char *text, int withAccidentals);
    using CTrack::StringNote;
    char *StringNote(long note, char *text, long atTick, long noteFlags);
    // -1 for text with other characters than digits, ':' and blanks, with no
    // number, or giving a negative result.
    long TimeFromString(const char *text);
    long DurFromString(const char *text, long atTick);

    // Grid step in ticks of index 1..11; 0 for index 0 (bar lines) and for
    // unknown indexes.
    long GetGrid(long index) const;
    // The nearest grid line (the earlier one on a tie) when snap is on.
    long GridTime(long tick, int snap, long index);
    // At least one step with snap, at least 1 without.
    long GridDur(long duration, int snap, long index, long atTick);

    CQuickMeter meter;
    CQuickTonal tonal;
    CQuickTimer timer;
    long timeBase;
    long sampleRate;
    // Quarters per minute, kept by playback.
    float tempoNow = 100.0f;
};

} // namespace Quorvane
