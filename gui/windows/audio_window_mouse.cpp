// The audio window's gestures: beats lined up with the recording, the wave
// shifted, and the controller lanes drawn, selected and erased.
#include "gui/windows/audio_window.h"

#include "data/event.h"
#include "data/levels.h"
#include "data/song.h"
#include "data/strings.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "gui/draw/gui_context.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/lane_edit.h"
#include "gui/windows/liaison.h"
#include "gui/windows/song_pointer.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
constexpr double kFastest = 250.0; // beats per minute
constexpr double kSlowest = 10.0;

} // namespace

// --- beats

long CAudioWindow::IsCursorOnBeat(long x, long &time)
{
    long bar0, beat0, tick0, bar1, beat1, tick1;
    timeLine.GetMBTFromTime(GetTimeFromX(x - 1), bar0, beat0, tick0);
    timeLine.GetMBTFromTime(GetTimeFromX(x + 2), bar1, beat1, tick1);
    if (bar0 != bar1 || beat0 != beat1) {
        time = timeLine.GetTimeFromMBT(bar1, beat1, 0);
        return 1;
    }
    if (!track || (track->synchro[0] == 0 && track->synchro[1] == 0) || IsSongPlayed(song))
        return 0;
    const long start = timeLine.GetTimeFromMBT(bar0, beat0, 0);
    const long next = timeLine.GetTimeFromMBT(bar0, beat0 + 1, 0);
    if (x > GetXFromTime(start) + 4 && x < GetXFromTime(next) - 5) {
        time = GetTimeFromX(x);
        return 2;
    }
    return 0;
}

int CAudioWindow::PrepareSyncro(long beatTime)
{
    long bar, beat, tick;
    timeLine.GetMBTFromTime(beatTime, bar, beat, tick);
    long start;
    if (beat > 0) {
        start = timeLine.GetTimeFromMBT(bar, beat - 1, 0);
    } else {
        if (bar == 0)
            return 0;
        const QUICKMETER *meter = timeLine.GetPQMFromTime(timeLine.GetTimeFromMBT(bar - 1, 0, 0));
        start = timeLine.GetTimeFromMBT(bar - 1, meter ? meter->numerator - 1 : 3, 0);
    }
    const long length = beatTime - start;
    if (length <= 0)
        return 0;
    // samples per tick at one beat a minute
    const double perTick = song->GetSPS() * 60.0 / TicksPerQuarter();
    const int64_t startSample = timeLine.GetSampleFromTime(start);
    const long lower =
        GetXFromSmpl(startSample + static_cast<int64_t>(length * perTick / kFastest)) + scrollPosX;
    const long upper =
        GetXFromSmpl(startSample + static_cast<int64_t>(length * perTick / kSlowest)) + scrollPosX;
    const long pointer = dragX + scrollPosX;
    if (lower >= upper || pointer < lower || pointer > upper)
        return 0;
    beatStart = start;
    beatLength = length;
    lowerX = lower;
    upperX = upper;
    std::free(beatText);
    char text[48];
    beatText = CreateString(timeLine.StringTimeT(beatTime, text));
    return 1;
}

int CAudioWindow::PrepareShift(long)
{
    rulerX = dragX;
    shiftSample = GetSmplFromX(dragX);
    return 1;
}

// --- pressing

void CAudioWindow::EndGesture()
{
    DropGesture();
    std::free(beatText);
    beatText = nullptr;
}

void CAudioWindow::OnLButtonDown(long x, long y, int flag1, int)
{
    EndGesture();
    if (!song || !track || !client)
        return;
    dragX = x;
    dragY = y;
    if (x < leftBand) {
        if (x >= leftBand - 3 && y < kRulerBottom)
            StartBandResize();
        return;
    }
    const QUAD data = DataQuad();
    if (x >= data.right)
        return;
    if (y < kRulerBottom) {
        PressRuler(x, flag1, static_cast<long>(track->GetID()));
        return;
    }
    if (!ValueMode()) {
        long time = 0;
        const long on = IsCursorOnBeat(x, time);
        char offset[32], text[40];
        if (on == 1 && PrepareSyncro(time)) {
            client->GUICLSetStatusText(1, beatText);
            StartSpan(AUDIO_BEAT_LINE, x, data);
        } else if (on == 2 && PrepareShift(time)) {
            std::snprintf(text, sizeof text, " %s", StringShift(track->startOffset, offset));
            client->GUICLSetStatusText(1, text);
            StartSpan(AUDIO_WAVE_SHIFT, x, data);
        }
        return;
    }
    switch (client->tool) {
    case TOOL_DRAW:
        StartStroke(AUDIO_DRAW, drawCtrl, x, y);
        break;
    case TOOL_ERASE:
        StartFrame(AUDIO_ERASE, x, y, data);
        break;
    default:
        StartFrame(AUDIO_BAND, x, y, data);
        break;
    }
}

// --- moving

void CAudioWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song || !track || !client)
        return;
    const QUAD data = DataQuad();
    char text[96];
    switch (dragState) {
    case AUDIO_BEAT_LINE:
        ShowCursor(0, nullptr);
        frame.left = frame.right = std::clamp(x + scrollPosX, lowerX, upperX);
        ShowCursor(1, nullptr);
        client->GUICLSetStatusText(1, beatText ? beatText : "");
        return;
    case AUDIO_WAVE_SHIFT: {
        ShowCursor(0, nullptr);
        frame.left = frame.right = std::clamp(x, data.left, data.right - 1) + scrollPosX;
        ShowCursor(1, nullptr);
        const int64_t moved = GetSmplFromX(frame.left - scrollPosX) - shiftSample;
        text[0] = ' ';
        StringShift(track->startOffset + moved, text + 1);
        client->GUICLSetStatusText(1, text);
        return;
    }
    default:
        if (!MoveSharedGesture(x, y))
            SetHoverStatus(x, y);
        return;
    }
}

void CAudioWindow::SetHoverStatus(long x, long y)
{
    if (HoverBandOrRuler(x, y, x >= leftBand - 3 && y < kRulerBottom))
        return;
    char text[96], when[48];
    long cursor = ToolCursor();
    timeLine.StringTime(x, when);
    if (ValueMode()) {
        client->GUICLClearStatusText(0);
        std::snprintf(text, sizeof text, "[%ld] %s", GetValFromY(y), when);
        client->GUICLSetStatusText(1, text);
    } else {
        long time = 0;
        const long on = IsCursorOnBeat(x, time);
        if (on == 1) {
            client->GUICLSetStatusText(0, "Move Beat line");
            client->GUICLSetStatusText(1, timeLine.StringTimeT(time, when));
            cursor = CURSOR_RESIZE;
        } else if (on == 2) {
            client->GUICLSetStatusText(0, "Move Wave");
            client->GUICLSetStatusText(1, when);
            cursor = CURSOR_RESIZE;
        } else {
            long channel = 0;
            client->GUICLClearStatusText(0);
            client->GUICLSetStatusText(1, StringDB(GetValFFromY(y, channel), text));
        }
    }
    SetCursorType(cursor);
}

// --- releasing

void CAudioWindow::OnLButtonUp(long x, long y, int flag1, int)
{
    if (!song || !track || dragState == 0)
        return;
    const long state = dragState;
    if (state == AUDIO_DRAW) {
        dragState = 0;
        DrawWithTool();
    } else if (!ReleaseSharedGesture(flag1)) {
        ShowCursor(0, nullptr);
        dragState = 0;
        switch (state) {
        case AUDIO_BEAT_LINE:
            ChangeTempo();
            break;
        case AUDIO_WAVE_SHIFT:
            ShiftWave(frame.left - scrollPosX);
            break;
        case AUDIO_BAND:
            SelectInFrame(track, edit, flag1);
            break;
        case AUDIO_ERASE:
            DeleteInFrame();
            break;
        default:
            break;
        }
    }
    std::free(beatText);
    beatText = nullptr;
    client->GUICLSetCapture(0);
    client->GUICLClearStatusText(0);
    SetHoverStatus(x, y);
}

void CAudioWindow::ChangeTempo()
{
    const int64_t startSample = timeLine.GetSampleFromTime(beatStart);
    const int64_t samples = GetSmplFromX(frame.left - scrollPosX) - startSample;
    if (frame.left == dragX + scrollPosX || samples <= 0)
        return; // the line did not move
    const double perTick = song->GetSPS() * 60.0 / TicksPerQuarter();
    const double tempo = std::clamp(beatLength * perTick / static_cast<double>(samples), kSlowest, kFastest);
    CTrackMaster *master = song->GetTrackMaster();
    if (!master)
        return;
    {
        EditStep step(song, client, "Change tempo", static_cast<long>(master->GetID()));
        master->DeleteByRange(LANE_TEMPO, beatStart, beatStart + beatLength, 0, 500);
        EVENT e;
        if (e.setTempo(static_cast<float>(tempo))) {
            e.time = beatStart;
            if (!master->AddToTail(&e, 1))
                return;
        }
        master->Sort();
        master->UpdateParams(0);
        master->UpdateEdition();
        step.Done();
    }
    song->Update();
    if (liason)
        liason->CallUpdate(1, 1, kAnyKey, kAnyKey);
    else
        Update(nullptr, 0);
}

void CAudioWindow::ShiftWave(long x)
{
    if (IsSongPlayed(song))
        return;
    const int64_t moved = GetSmplFromX(x) - shiftSample;
    if (moved == 0)
        return;
    {
        EditStep step(song, client, "Shift wave", static_cast<long>(track->GetID()));
        track->startOffset += moved;
        step.Done();
    }
    TrackChanged();
}

void CAudioWindow::TrackChanged()
{
    track->UpdateEdition();
    if ((track->UpdateLastTime() | song->Update()) && liason)
        liason->CallUpdate(1, 1, kAnyKey, kAnyKey);
    if (liason)
        liason->CallUpdateTrack(track, UPDATE_MEASURES_ROW | UPDATE_TRACK_WINDOWS);
    else
        Update(nullptr, 0);
}

void CAudioWindow::DrawWithTool()
{
    long from = 0, to = 0;
    drawCtrl.DrawToolRange(from, to);
    char caption[32];
    std::snprintf(caption, sizeof caption, "Draw %s", KindName());
    int done;
    {
        EditStep step(song, client, caption, static_cast<long>(track->GetID()));
        done = WriteStroke(track, drawCtrl, edit, from, to, edit == LANE_WHEEL ? 32 : 2);
        if (done) {
            SettleLaneFields(track, edit, liason);
            step.Done();
        } else {
            step.Discard();
        }
    }
    drawCtrl.DrawToolStop();
    if (done)
        TrackChanged();
}

void CAudioWindow::DeleteInFrame()
{
    long from, to, low, high;
    FrameRange(from, to, low, high);
    char caption[32];
    std::snprintf(caption, sizeof caption, "Delete %s", KindName());
    {
        EditStep step(song, client, caption, static_cast<long>(track->GetID()));
        if (!track->DeleteByRange(edit, from, to, low, high)) {
            step.Discard();
            return;
        }
        SettleLaneFields(track, edit, liason);
        step.Done();
    }
    TrackChanged();
}

// --- the feedback and the wheel

void CAudioWindow::ShowCursor(int on, CGUIContext *ctx)
{
    // the eraser's band belongs to the value lanes
    if (dragState != AUDIO_ERASE || ValueMode())
        CAbstWindow::ShowCursor(on, ctx);
}

void CAudioWindow::OnMouseWheel(float delta, int vertical)
{
    if (dragState == AUDIO_DRAW || (vertical && !ValueMode()))
        return;
    const long s =
        std::min(TicksPerQuarter() / (2 * std::max(zoom, 1L)), std::max(1L, (width - leftBand) / 10));
    WheelScroll(static_cast<long>(-delta * static_cast<float>(s)), 0);
}

} // namespace Quorvane
