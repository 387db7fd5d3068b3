#include "gui/windows/time_line.h"

#include "data/song.h"
#include "data/track_master.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/abst_window.h"

#include <algorithm>

namespace Quorvane {

namespace {

constexpr long kRulerHeight = 22;
// A bar number starting this far left of the drawn part may still show.
constexpr long kNumberReach = 110;
constexpr unsigned long kAlignLeftMiddle = 4;

// Steps of a meter segment, never 0.
long barLength(const QUICKMETER *meter)
{
    return std::max(meter->ticksPerBar, 1L);
}

long beatLength(const QUICKMETER *meter)
{
    return std::max(meter->ticksPerBeat, 1L);
}

} // namespace

int CTimeLine::Init(CSong *newSong, CAbstWindow *owner)
{
    song = newSong;
    master = song ? song->GetTrackMaster() : nullptr;
    window = owner;
    return 1;
}

void CTimeLine::GetMBTFromTime(long time, long &bar, long &beat, long &tick)
{
    bar = beat = tick = 0;
    if (master)
        master->GetMBTFromTime(time, bar, beat, tick);
}

long CTimeLine::GetTimeFromMBT(long bar, long beat, long tick)
{
    return master ? master->GetTimeFromMBT(bar, beat, tick) : 0;
}

QUICKMETER *CTimeLine::GetPQMFromTime(long time)
{
    long next;
    return master ? master->GetPQMFromTime(time, next) : nullptr;
}

int64_t CTimeLine::GetSampleFromTime(long time)
{
    return master ? master->GetSampleFromTime(time) : 0;
}

long CTimeLine::GetTimeFromSample(int64_t sample)
{
    return master ? master->GetTimeFromSample(sample) : 0;
}

long CTimeLine::GetKSign(long time, long &next)
{
    next = kTimeMax;
    if (!master)
        return 15;
    const QUICKTONAL *following = master->tonal.GetAt(master->GetTonalIndexAtTime(time) + 1);
    if (following)
        next = following->startTick;
    return master->GetKSign(time);
}

long CTimeLine::GridTime(long time)
{
    return master && window ? master->GridTime(time, window->snap, window->grid) : time;
}

long CTimeLine::GridDur(long duration, long time)
{
    return master && window ? master->GridDur(duration, window->snap, window->grid, time) : duration;
}

char *CTimeLine::StringTimeT(long time, char *text)
{
    text[0] = 0;
    return master ? master->StringTime(time, text) : text;
}

char *CTimeLine::StringTime(long x, char *text)
{
    return StringTimeT(window ? window->GetTimeFromX(x) : 0, text);
}

char *CTimeLine::StringMeter(long x, char *text)
{
    text[0] = 0;
    return master && window ? master->StringMeter(window->GetTimeFromX(x), text) : text;
}

char *CTimeLine::StringTonal(long x, char *text)
{
    text[0] = 0;
    return master && window ? master->StringTonal(window->GetTimeFromX(x), text, 0) : text;
}

char *CTimeLine::StringDur(long duration, char *text, long time)
{
    text[0] = 0;
    return master ? master->StringDur(duration, text, time) : text;
}

char *CTimeLine::StringNote(long note, long x, char *text)
{
    text[0] = 0;
    return master && window ? master->StringNote(note, text, window->GetTimeFromX(x), NOTE_WITH_OCTAVE)
                            : text;
}

void CTimeLine::Draw(CGUIContext *ctx)
{
    if (!window || !master || !ctx)
        return;
    const QUAD *view = ctx->GetQuadViewPort();
    if (view->top >= kRulerHeight || view->bottom < 0 || view->right <= window->leftBand ||
        view->left >= window->width)
        return;
    const long x0 = std::max(window->leftBand, view->left);
    const long x1 = std::min(window->width, view->right);
    if (song->IsTimeSelection()) {
        const long selLeft = std::clamp(window->GetXFromTime(song->selectionStart), x0, x1);
        const long selRight = std::clamp(window->GetXFromTime(song->selectionEnd), x0, x1);
        if (selLeft > x0)
            DrawPart(ctx, x0, selLeft, 0);
        if (selRight > selLeft)
            DrawPart(ctx, selLeft, selRight, 1);
        if (x1 > selRight)
            DrawPart(ctx, selRight, x1, 0);
    } else {
        DrawPart(ctx, x0, x1, 0);
    }
}

void CTimeLine::DrawPart(CGUIContext *ctx, long left, long right, int selected)
{
    if (!ctx->SetDrawingQuad(QUAD(left, 0, right, kRulerHeight)))
        return;
    ctx->DrawHorzGradient(&sharedGradient, selected ? 18 : 17, left, 0, right - left);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(left, kRulerHeight - 1, right + 1, kRulerHeight - 1);
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(selected ? &colWhite : &colBlack);
    const long endTime = window->GetTimeFromX(right);
    long bar, beat, tick;
    master->GetMBTFromTime(window->GetTimeFromX(left - kNumberReach), bar, beat, tick);
    long time = master->GetTimeFromMBT(bar, 0, 0);
    long next;
    const QUICKMETER *meter = master->GetPQMFromTime(time, next);
    while (meter && time <= endTime) {
        const long x = window->GetXFromTime(time);
        ctx->DrawLine(x, 17, x, kRulerHeight);
        if (mode != TIMELINE_EVERY_FOURTH_BAR || bar % 4 == 0)
            ctx->DrawInt(QUAD(x + 2, 0, window->width, kRulerHeight), kAlignLeftMiddle, 0, bar + 1, "%i");
        time += barLength(meter);
        ++bar;
        if (time >= next)
            meter = master->GetPQMFromTime(time, next);
    }
    ctx->ResetDrawingQuad();
}

void CTimeLine::DrawGrid(CGUIContext *ctx)
{
    if (!window || !master || !ctx)
        return;
    QUAD area(window->leftBand, window->topBand, window->width - window->rightMargin,
              window->height - window->bottomMargin);
    if (!ctx->QuadToViewport(area) || !ctx->SetDrawingQuad(area))
        return;
    const long endTime = window->GetTimeFromX(area.right);
    long bar, beat, tick;
    master->GetMBTFromTime(window->GetTimeFromX(area.left), bar, beat, tick);
    long time = master->GetTimeFromMBT(bar, 0, 0);
    long next;
    const QUICKMETER *meter = master->GetPQMFromTime(time, next);
    const long bottom = window->height - window->bottomMargin + 1;
    while (meter && time <= endTime) {
        const bool barStart = (time - meter->startTick) % barLength(meter) == 0;
        ctx->SelectPen(&sharedPen, barStart ? 1 : 3);
        const long x = window->GetXFromTime(time);
        ctx->DrawLine(x, window->topBand, x, bottom);
        time += beatLength(meter);
        if (time >= next)
            meter = master->GetPQMFromTime(time, next);
    }
    ctx->ResetDrawingQuad();
}

} // namespace Quorvane
