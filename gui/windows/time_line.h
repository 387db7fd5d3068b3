// The time companion every time-based editor window embeds: conversions
// between ticks, bars and beats, samples and meters through the song's
// master track, grid snapping with the window's grid, texts of times,
// durations, meters, keys and notes, and the window's bar ruler (y 0..22)
// and beat grid.
#pragma once

#include "gui/pannikel_api.h"

#include <cstdint>

namespace Quorvane {

class CSong;
class CTrackMaster;
class CAbstWindow;
class CGUIContext;
struct QUICKMETER;

// Mode 1 numbers every fourth bar, any other every bar.
enum : long { TIMELINE_EVERY_BAR = 0, TIMELINE_EVERY_FOURTH_BAR = 1 };

class PANNIKEL_API CTimeLine {
public:
    explicit CTimeLine(long mode = TIMELINE_EVERY_BAR) : mode(mode) {}

    // 1; without a master track the conversions answer from nothing (0).
    int Init(CSong *song, CAbstWindow *window);

    void GetMBTFromTime(long time, long &bar, long &beat, long &tick);
    long GetTimeFromMBT(long bar, long beat, long tick);
    // The meter in force; null without a master track.
    QUICKMETER *GetPQMFromTime(long time);
    int64_t GetSampleFromTime(long time);
    long GetTimeFromSample(int64_t sample);
    // The key signature index in force; next is the tick of the next key
    // change (kTimeMax when none).
    long GetKSign(long time, long &next);

    // With the window's snap and grid.
    long GridTime(long time);
    long GridDur(long duration, long time);

    char *StringTimeT(long time, char *text);
    // For the time under window x.
    char *StringTime(long x, char *text);
    char *StringMeter(long x, char *text);
    char *StringTonal(long x, char *text);
    char *StringDur(long duration, char *text, long time);
    // The note's name in the key at window x.
    char *StringNote(long note, long x, char *text);

    void Draw(CGUIContext *ctx);
    void DrawGrid(CGUIContext *ctx);

    CSong *song = nullptr;
    CTrackMaster *master = nullptr;
    CAbstWindow *window = nullptr;
    long mode;

private:
    void DrawPart(CGUIContext *ctx, long left, long right, int selected);
};

} // namespace Quorvane
