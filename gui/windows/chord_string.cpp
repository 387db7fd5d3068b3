#include "gui/windows/chord_string.h"

#include "data/song.h"
#include "data/track_master.h"
#include "data/text_widths.h"

#include <algorithm>

namespace Quorvane {

int CChordString::Init(CSong *newSong)
{
    song = newSong;
    master = song ? song->GetTrackMaster() : nullptr;
    return master != nullptr;
}

int CChordString::NeedResize() const
{
    return master && (master->meter.changes != meterStamp || master->tonal.changes != keyStamp);
}

long CChordString::GetSizeH(long noteRowHeight) const
{
    return (HeightL + 12 * noteRowHeight + 30) * count + 6;
}

void CChordString::Resize(long width, long, long zoom, long leftBandWidth)
{
    Clear();
    maxWidth = 0;
    if (!master || !song)
        return;
    meterStamp = master->meter.changes;
    keyStamp = master->tonal.changes;
    zoom = std::max(zoom, 1L);
    const long end = std::max(song->playRangeEnd, song->songEnd);
    long tick = 0, bar = 0;
    long nextMeter;
    const QUICKMETER *meter = master->GetPQMFromTime(tick, nextMeter);
    long keyIndex = master->GetTonalIndexAtTime(tick);
    long key = master->GetKSign(tick);
    while (meter && tick < end) {
        const QUICKTONAL *following = master->tonal.GetAt(keyIndex + 1);
        const long nextKey = following ? following->startTick : 0x7fffffff;
        const long segmentEnd = std::min({nextMeter, nextKey, end});
        const long ticksPerBar = std::max(meter->ticksPerBar, 1L);
        const long barWidth = std::max(ticksPerBar / zoom, 1L);
        const long barsPerRow = std::max((width - 12 - leftBandWidth) / barWidth, 1L);
        maxWidth = std::max(maxWidth, barsPerRow * barWidth);
        for (long left = (segmentEnd - tick) / ticksPerBar; left > 0;) {
            CHORDSTRING row;
            row.time = tick;
            row.bar = bar;
            row.bars = std::min(barsPerRow, left);
            row.ticksPerBar = ticksPerBar;
            row.ticksPerBeat = meter->ticksPerBeat;
            row.kSign = key;
            if (!AddToTail(&row))
                return;
            key |= kKeyContinues;
            tick += row.bars * ticksPerBar;
            bar += row.bars;
            left -= row.bars;
        }
        if (tick >= end)
            break;
        if (tick < segmentEnd) {
            // A bar cut short by a change gets no row of its own.
            tick = segmentEnd;
            long beat, inBeat;
            master->GetMBTFromTime(tick, bar, beat, inBeat);
        }
        if (tick >= nextMeter)
            meter = master->GetPQMFromTime(tick, nextMeter);
        if (tick >= nextKey) {
            keyIndex = master->GetTonalIndexAtTime(tick);
            key = master->GetKSign(tick);
        }
    }
}

int CQuadNotes::AddToTail(const QUAD *quad, EVENT *event)
{
    QUADNOTE note;
    note.quad = *quad;
    note.event = event;
    return Insert(count, 1, &note);
}

EVENT *CQuadNotes::IsPtInNote(long x, long y, long &part) const
{
    for (long i = 0; i < count; ++i) {
        const QUADNOTE *note = GetAt(i);
        const QUAD &q = note->quad;
        if (q.left > x)
            return nullptr;
        if (x > q.right || y < q.top || y > q.bottom)
            continue;
        const long grip = std::clamp((q.right - q.left) / 3, 1L, 8L);
        part = x >= q.right - grip ? NOTE_END : x > q.left + grip ? NOTE_BODY : NOTE_START;
        return note->event;
    }
    return nullptr;
}

} // namespace Quorvane
