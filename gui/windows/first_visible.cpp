#include "gui/windows/first_visible.h"

#include "data/music_text.h"
#include "data/strings.h"
#include "data/text_widths.h"
#include "data/track.h"
#include "data/track_meltext.h"

namespace Quorvane {

namespace {

long editionLow(const CTrack *track)
{
    return static_cast<long>(track->GetEdition() & 0xFFFFFFFFu);
}

long editionHigh(const CTrack *track)
{
    return static_cast<long>(track->GetEdition() >> 32);
}

// The width in pixels of a label drawn for a meta event, 0 for others.
long labelWidth(const EVENT *event, const long *widths)
{
    if (!widths)
        return 0;
    char text[64];
    if (event->IsTSign())
        return TextWidth(GetTSignText(event->getTSignVal1(), event->getTSignVal2(), text), -1, widths);
    if (event->IsKSign())
        return TextWidth(GetKSignText(event->getKSignVal(), text, 0), -1, widths);
    if (event->IsText() && event->payload && event->length > 0)
        return TextWidth(reinterpret_cast<const char *>(event->payload), event->length, widths);
    return 0;
}

} // namespace

void FIRSTVISIBLE::Clear()
{
    index = anchorIndex = 0;
    end = anchorEnd = 0;
    anchorTime = 0;
    edition[0] = edition[1] = -1;
    kind = -1;
    monitored = anchorMonitored = kNoValue;
    flag = anchorFlag = 0;
    scale = 0;
    widths = nullptr;
    isMonitored = nullptr;
    monitorValue = nullptr;
}

long FIRSTVISIBLE::GetFirstVisible(long time, long anchor, long newKind)
{
    return FirstVisible(time, anchor, newKind, scale, widths, EVENTS);
}

long FIRSTVISIBLE::GetFirstVisible(long time, long anchor, long newKind, long newScale, long *newWidths)
{
    return FirstVisible(time, anchor, newKind, newScale, newWidths, LABELS);
}

long FIRSTVISIBLE::GetFirstVisible(long time, long anchor, long newScale, long *newWidths)
{
    return FirstVisible(time, anchor, kind, newScale, newWidths, NODES);
}

long FIRSTVISIBLE::FirstVisible(long time, long anchor, long newKind, long newScale, long *newWidths,
                                Walk walk)
{
    if (!track)
        return 0;
    const bool valid = anchor >= anchorEnd && edition[0] == editionLow(track) &&
                       edition[1] == editionHigh(track) && kind == newKind && scale == newScale &&
                       widths == newWidths;
    if (!valid) {
        Clear();
        edition[0] = editionLow(track);
        edition[1] = editionHigh(track);
        kind = newKind;
        scale = newScale;
        widths = newWidths;
        isMonitored = IsMonitorEventFn(kind);
        monitorValue = ValMonitorEventFn(kind);
    }
    if (anchor > anchorTime) {
        index = anchorIndex;
        end = anchorEnd;
        monitored = anchorMonitored;
        flag = anchorFlag;
        WalkTo(anchor, walk);
        anchorIndex = index;
        anchorEnd = end;
        anchorMonitored = monitored;
        anchorFlag = flag;
        anchorTime = anchor;
    }
    if (time < end) {
        index = anchorIndex;
        end = anchorEnd;
        monitored = anchorMonitored;
        flag = anchorFlag;
    }
    if (time > end)
        WalkTo(time, walk);
    return index;
}

void FIRSTVISIBLE::WalkTo(long time, Walk walk)
{
    switch (walk) {
    case EVENTS:
        WalkEvents(time, false);
        break;
    case LABELS:
        WalkEvents(time, true);
        break;
    case NODES:
        GoToTimeMT(time);
        break;
    }
}

void FIRSTVISIBLE::GoToTime(long time)
{
    WalkEvents(time, false);
}

void FIRSTVISIBLE::GoToTimeTW(long time)
{
    WalkEvents(time, true);
}

long FIRSTVISIBLE::EventEnd(const EVENT *event, bool withLabels) const
{
    if (event->IsNote())
        return event->time + event->value;
    if (withLabels)
        return event->time + scale * labelWidth(event, widths);
    return event->time;
}

void FIRSTVISIBLE::WalkEvents(long time, bool withLabels)
{
    if (!track)
        return;
    const long count = track->GetNumb();
    if (count == 0) {
        index = 0;
        end = 0;
        flag = 0;
        monitored = kNoValue;
        return;
    }
    if (index >= count)
        return;
    long candidate = -1;
    long candidateEnd = 0;
    long i = index;
    for (; i < count; ++i) {
        const EVENT *event = track->GetEvent(i);
        if (event->time >= time)
            break;
        const long eventEnd = EventEnd(event, withLabels);
        if (event->IsNote() && eventEnd >= time) {
            // still sounding at the time: drawing starts here
            candidate = i;
            candidateEnd = eventEnd;
            break;
        }
        if (candidate < 0 || eventEnd > candidateEnd) {
            candidate = i;
            candidateEnd = eventEnd;
        }
        if (!event->IsNote() && isMonitored && isMonitored(event, kind)) {
            monitored = monitorValue ? monitorValue(event) : kNoValue;
            flag = event->flags & EVENT_SELECTED;
        }
    }
    if (i == count) {
        index = count;
        end = candidateEnd;
    } else if (candidate >= 0) {
        index = candidate;
        end = candidateEnd;
    } else {
        index = i;
    }
}

void FIRSTVISIBLE::GoToTimeMT(long time)
{
    auto *melText = static_cast<CTrackMelText *>(track);
    if (!melText || melText->GetKind() != TRACK_MELTEXT)
        return;
    const long nodes = melText->text.GetNumNodes();
    if (nodes == 0) {
        index = -1;
        end = 0;
        return;
    }
    if (index < 0)
        index = 0;
    if (index >= nodes || scale <= 0)
        return;
    long mode = widths == ptabWidthL ? 1 : 0;
    const long node = melText->GetTextNodeFromX(time / scale, scale, mode, index);
    if (const TIMENODE *timeNode = melText->timeNodes.GetNode(node)) {
        index = node;
        end = timeNode->tick;
    } else {
        index = nodes - 1;
        end = time;
    }
}

} // namespace Quorvane
