// Positions of the master track as text, and the editors' grid.
#include "data/track_master.h"

#include "data/music_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

char *barBeatTick(char *text, long bar, long beat, long tick)
{
    if (text)
        std::sprintf(text, "%i:%02i:%03i", static_cast<int>(bar), static_cast<int>(beat),
                     static_cast<int>(tick));
    return text;
}

// Up to three numbers "a:b:c"; 0 when the text holds anything but digits,
// ':' and blanks.
int readNumbers(const char *text, int numbers[3])
{
    if (!text || std::strspn(text, "0123456789: ") != std::strlen(text))
        return 0;
    const int n = std::sscanf(text, "%d:%d:%d", &numbers[0], &numbers[1], &numbers[2]);
    return n > 0 ? n : 0;
}

struct GridStep {
    long numerator, denominator;
};
const GridStep kGrid[12] = {{0, 1}, {4, 1}, {2, 1}, {4, 3}, {1, 1}, {2, 3},
                            {1, 2}, {1, 3}, {1, 4}, {1, 6}, {1, 8}, {1, 12}};

long nearer(long tick, long lower, long upper)
{
    return (upper - tick < tick - lower) ? upper : lower;
}

} // namespace

char *CTrackMaster::StringTime(long tick, char *text)
{
    long bar, beat, inBeat;
    GetMBTFromTime(tick, bar, beat, inBeat);
    return barBeatTick(text, bar + 1, beat + 1, inBeat);
}

char *CTrackMaster::StringDur(long duration, char *text, long atTick)
{
    long next;
    const QUICKMETER *seg = GetPQMFromTime(atTick, next);
    const long bars = duration / seg->ticksPerBar;
    const long rest = duration % seg->ticksPerBar;
    return barBeatTick(text, bars, rest / seg->ticksPerBeat, rest % seg->ticksPerBeat);
}

char *CTrackMaster::StringMeter(long tick, char *text)
{
    long next;
    const QUICKMETER *seg = GetPQMFromTime(tick, next);
    return GetTSignText(seg->numerator, seg->power, text);
}

char *CTrackMaster::StringTonal(long tick, char *text, int withAccidentals)
{
    return GetKSignText(GetKSign(tick), text, withAccidentals);
}

char *CTrackMaster::StringNote(long note, char *text, long atTick, long noteFlags)
{
    return GetNoteText(note, text, (noteFlags & NOTE_WITH_OCTAVE) != 0, (noteFlags & NOTE_WITH_NUMBER) != 0,
                       GetKSign(atTick));
}

long CTrackMaster::TimeFromString(const char *text)
{
    int n[3] = {0, 0, 0};
    long bar = 0, beat = 0, tick = 0;
    switch (readNumbers(text, n)) {
    case 1:
        tick = n[0];
        break;
    case 2:
        beat = n[0] - 1;
        tick = n[1];
        break;
    case 3:
        bar = n[0] - 1;
        beat = n[1] - 1;
        tick = n[2];
        break;
    default:
        return -1;
    }
    if (bar < 0 || beat < 0 || tick < 0)
        return -1;
    const long time = GetTimeFromMBT(bar, beat, tick);
    return time < 0 ? -1 : time;
}

long CTrackMaster::DurFromString(const char *text, long atTick)
{
    int n[3] = {0, 0, 0};
    const int count = readNumbers(text, n);
    if (count == 0)
        return -1;
    long next;
    const QUICKMETER *seg = GetPQMFromTime(atTick, next);
    long bars = 0, beats = 0, ticks = 0;
    if (count == 1) {
        ticks = n[0];
    } else if (count == 2) {
        beats = n[0];
        ticks = n[1];
    } else {
        bars = n[0];
        beats = n[1];
        ticks = n[2];
    }
    const long long duration = static_cast<long long>(bars) * seg->ticksPerBar +
                               static_cast<long long>(beats) * seg->ticksPerBeat + ticks;
    return (duration < 0 || duration > 0x7FFFFFFF) ? -1 : static_cast<long>(duration);
}

long CTrackMaster::GetGrid(long index) const
{
    if (index < 1 || index > 11)
        return 0;
    return timeBase * kGrid[index].numerator / kGrid[index].denominator;
}

long CTrackMaster::GridTime(long tick, int snap, long index)
{
    if (!snap)
        return tick;
    if (index == 0) {
        long bar, beat, inBeat;
        GetMBTFromTime(tick, bar, beat, inBeat);
        return nearer(tick, GetTimeFromMBT(bar, 0, 0), GetTimeFromMBT(bar + 1, 0, 0));
    }
    const long step = GetGrid(index);
    if (step <= 0)
        return tick;
    const long lower = step * (tick / step);
    return nearer(tick, lower, lower + step);
}

long CTrackMaster::GridDur(long duration, int snap, long index, long atTick)
{
    if (!snap)
        return std::max(duration, 1L);
    long step = GetGrid(index);
    if (index == 0) {
        long next;
        step = GetPQMFromTime(atTick, next)->ticksPerBar;
    }
    if (step <= 0)
        return std::max(duration, 1L);
    long steps = duration / step;
    if ((duration % step) * 2 > step)
        ++steps;
    return std::max(steps, 1L) * step;
}

} // namespace Quorvane
