// The audio window: binding, samples against ticks, and painting.
#include "gui/windows/audio_window.h"

#include "data/levels.h"
#include "data/song.h"
#include "data/text_widths.h"
#include "data/track_audio.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/left_band.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
constexpr unsigned long kAlignRightMiddle = 6;
constexpr int64_t kMaxPixels = 0x7fffffff;

} // namespace

CAudioWindow::CAudioWindow()
{
    bkgndColour = &colBkgndAudio;
    SetLeftBand(gradients, wAudioLeftBand, &wAudioLeftBand);
    topBand = kRulerBottom;
    bandsStay = 1;
    ShareZoomHorz(ZoomAudioHorz);
    timeRuler = &timeLine;
    zoomMin = 1;
    zoomMax = 400;
}

CAudioWindow::~CAudioWindow()
{
    std::free(beatText);
    drawCtrl.DrawToolStop();
}

int CAudioWindow::InitLocal()
{
    if (!client || !song)
        return 0;
    zoom = std::max(static_cast<long>(static_cast<int64_t>(zoom) * song->GetSPS() / 44100), 1L);
    CTrack *found = BoundTrack(TRACK_AUDIO);
    if (!found)
        return 0;
    track = static_cast<CTrackAudio *>(found);
    dataObject = track;
    if (!timeLine.Init(song, this) || !BuildLeftBand(2))
        return 0;
    firstVisible.Init(track);
    drawCtrl.Init(this, &firstVisible, AUDIO_SYNCHRO);
    client->tool = TOOL_DRAW;
    client->toolFlag = 1;
    SetEdit(edit);
    return 1;
}

const char *CAudioWindow::KindName() const
{
    switch (edit) {
    case 7:
        return "Volume";
    case 10:
        return "Panning";
    case LANE_WHEEL:
        return "Wheel";
    default:
        return "Synchro";
    }
}

void CAudioWindow::SetEdit(long kind)
{
    if (kind != 7 && kind != 10 && kind != LANE_WHEEL)
        kind = AUDIO_SYNCHRO;
    edit = kind;
    if (kind == LANE_WHEEL)
        lane.SetWheel(DataHeight());
    else
        lane.SetByte(DataHeight());
    drawCtrl.Init(this, &firstVisible, kind);
    QUAD below(0, kRulerBottom, width, height);
    Update(&below, 0);
    if (client) {
        char text[32];
        std::snprintf(text, sizeof text, " %s", KindName());
        client->GUICLSetStatusText(2, text);
    }
}

void CAudioWindow::Resize()
{
    const int64_t length = timeLine.GetSampleFromTime(SongLength());
    int64_t pixels = length / std::max(zoom, 1L);
    if (pixels > kMaxPixels) {
        // the scroll range has its limit: the zoom gives way
        zoom = zoomMin = static_cast<long>(length / kMaxPixels) + 1;
        pixels = length / zoom;
    }
    CalcScroll(width, leftBand, static_cast<long>(pixels), scrollMaxX, scrollPageX, scrollPosX);
    scrollMaxY = scrollPageY = scrollPosY = 0;
    halfH = DataHeight() * 0.5f;
    quarterH = halfH * 0.5f;
    if (edit == LANE_WHEEL)
        lane.SetWheel(DataHeight());
    else
        lane.SetByte(DataHeight());
}

// --- samples, ticks and pixels

int64_t CAudioWindow::GetSmplFromX(long x)
{
    return std::max<int64_t>(0, static_cast<int64_t>(x) + scrollPosX - leftBand) * std::max(zoom, 1L);
}

long CAudioWindow::GetXFromSmpl(int64_t sample)
{
    if (sample < 0)
        return 0;
    const int64_t x = sample / std::max(zoom, 1L) - scrollPosX + leftBand;
    return x >= kMaxPixels ? kTimeMax : static_cast<long>(std::max<int64_t>(x, LONG_MIN));
}

long CAudioWindow::GetTimeFromX(long x)
{
    return timeLine.GetTimeFromSample(GetSmplFromX(x));
}

long CAudioWindow::GetXFromTime(long time)
{
    if (time >= kTimeMax)
        return kTimeMax;
    return GetXFromSmpl(timeLine.GetSampleFromTime(time));
}

long CAudioWindow::GetValFromY(long y)
{
    return ValueMode() ? lane.ValFromY(y, kRulerBottom) : 0;
}

long CAudioWindow::GetYFromVal(long value)
{
    return lane.YFromVal(value, kRulerBottom);
}

long CAudioWindow::GetYFromValF(float a, long channel)
{
    switch (channel) {
    case 1:
        return kRulerBottom + static_cast<long>((1.0f - a) * quarterH);
    case 2:
        return height - static_cast<long>((1.0f - a) * quarterH);
    default:
        return kRulerBottom + static_cast<long>((1.0f - a) * halfH + 0.5f);
    }
}

float CAudioWindow::GetValFFromY(long y, long &channel)
{
    if (!track || !track->IsStereo()) {
        channel = 0;
        return halfH > 0 ? 1.0f - (y - kRulerBottom) / halfH : 0.0f;
    }
    const float left = quarterH > 0 ? 1.0f - (y - kRulerBottom) / quarterH : 0.0f;
    const float right = quarterH > 0 ? 1.0f - (height - y) / quarterH : 0.0f;
    // the nearer channel; the right one on a tie
    channel = std::abs(left) < std::abs(right) ? 1 : 2;
    return channel == 1 ? left : right;
}

void CAudioWindow::EnsureVisibleTime(long time, int page)
{
    const long x = GetXFromTime(time);
    const int64_t position = timeLine.GetSampleFromTime(time) / std::max(zoom, 1L);
    const long dataRight = width - rightMargin;
    if (x < leftBand)
        ScrollToPosition(static_cast<long>(std::min<int64_t>(position, kMaxPixels)), scrollPosY);
    else if (x >= dataRight)
        ScrollToPosition(static_cast<long>(std::min<int64_t>(
                             page ? position : position - width + rightMargin + leftBand + 1, kMaxPixels)),
                         scrollPosY);
}

char *CAudioWindow::StringShift(int64_t samples, char *text)
{
    const long rate = track ? std::max(track->wave.sampleRate, 1L) : 44100;
    const int64_t ms = samples * 1000 / rate;
    const int64_t magnitude = ms < 0 ? -ms : ms;
    std::snprintf(text, 32, "%s%i.%02i.%03i", ms < 0 ? "-" : "+", static_cast<int>(magnitude / 60000),
                  static_cast<int>(magnitude / 1000 % 60), static_cast<int>(magnitude % 1000));
    return text;
}

// --- painting

void CAudioWindow::Render(CGUIContext *ctx)
{
    timeLine.Draw(ctx);
    DrawLeftBand(ctx);
    if (!ValueMode()) {
        DrawHoszGrid(ctx);
        timeLine.DrawGrid(ctx);
    }
    left_band::DrawCorner(ctx, gradients, leftBand, kRulerBottom, ResizingBand());
    if (!track)
        return;
    DrawWave(ctx);
    if (!ValueMode())
        return;
    DrawHoszGrid(ctx);
    timeLine.DrawGrid(ctx);
    const QUAD data = DataQuad();
    QUAD visible = data;
    if (!ctx->QuadToViewport(visible) || !ctx->SetDrawingQuad(data))
        return;
    const long from = GetTimeFromX(visible.left - 1);
    const long to = GetTimeFromX(visible.right + 1);
    const long first = firstVisible.GetFirstVisible(from, from, edit);
    drawCtrl.DrawCtrl(ctx, from, to, GetYFromVal(0), 1, first);
    if (dragState == AUDIO_DRAW)
        drawCtrl.DrawTool(ctx);
    ctx->ResetDrawingQuad();
}

void CAudioWindow::DrawWave(CGUIContext *ctx)
{
    const QUAD data = DataQuad();
    QUAD visible = data;
    if (!ctx->QuadToViewport(visible) || track->wave.channels < 1)
        return;
    const long first = std::max(visible.left - 1, data.left);
    const long columns = visible.right - first;
    if (columns <= 0)
        return;
    unsigned long frames =
        static_cast<unsigned long>(columns + 2) * static_cast<unsigned long>(std::max(zoom, 1L));
    float *block = track->Read(GetSmplFromX(first), frames);
    if (!block)
        return;
    if (ctx->SetDrawingQuad(data)) {
        ctx->SelectPen(&sharedPen, ValueMode() ? 2 : 1);
        if (!track->IsStereo()) {
            DrawChannel(ctx, block, columns, first, 0);
        } else {
            if (visible.top < kRulerBottom + static_cast<long>(halfH))
                DrawChannel(ctx, block, columns, first, 1);
            if (visible.bottom > kRulerBottom + static_cast<long>(halfH))
                DrawChannel(ctx, block, columns, first, 2);
        }
        ctx->ResetDrawingQuad();
    }
    std::free(block);
}

void CAudioWindow::DrawChannel(CGUIContext *ctx, const float *block, long columns, long first, long channel)
{
    const long step = std::max(zoom, 1L);
    const long stride = channel == 0 ? 1 : 2;
    for (long c = 0; c <= columns; ++c) {
        float min = 0, max = 0;
        const float *samples = block + static_cast<size_t>(c) * step * stride + (channel == 2 ? 1 : 0);
        if (channel == 0)
            GetMinMax1(samples, step, min, max);
        else
            GetMinMax2(samples, step, min, max);
        const long x = first + c;
        const long yMax = GetYFromValF(max, channel);
        const long yMin = GetYFromValF(min, channel);
        if (c == 0)
            ctx->StartLine(x, yMax);
        else
            ctx->ContinueLine(x, yMax);
        if (yMin != yMax)
            ctx->ContinueLine(x, yMin);
    }
}

void CAudioWindow::DrawLeftBand(CGUIContext *ctx)
{
    const QUAD band(0, kRulerBottom, leftBand, height);
    if (!ctx->IsQuadInViewport(band) || !ctx->SetDrawingQuad(band))
        return;
    ctx->DrawVertGradient(&gradients, 0, 0, kRulerBottom, height - kRulerBottom);
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(leftBand - 1, kRulerBottom, leftBand - 1, height);
    if (ValueMode()) {
        lane.DrawBand(ctx, leftBand, kRulerBottom, height);
        ctx->ResetDrawingQuad();
        return;
    }
    const long font = std::max(HeightD, 1L);
    const bool stereo = track && track->IsStereo();
    const long heights = DataHeight() / font;
    if (heights <= (stereo ? 6 : 3)) {
        ctx->ResetDrawingQuad();
        return;
    }
    ctx->SelectFont(&sharedFont, 0);
    ctx->SelectFontColor(&colBlack);
    auto label = [&](long y, const char *text) {
        const long top = std::clamp(y - font / 2, kRulerBottom, height - font);
        ctx->DrawTextA(QUAD(0, top, leftBand - 6, top + font), kAlignRightMiddle, 0, text, -1);
        ctx->DrawLine(leftBand - 5, y, leftBand, y);
    };
    const float minus6 = ValFromDB(-6.0f);
    const bool sixes = heights >= (stereo ? 14 : 7);
    for (long channel = stereo ? 1 : 0; channel <= (stereo ? 2 : 0); ++channel) {
        label(GetYFromValF(1.0f, channel), "0.0");
        label(GetYFromValF(-1.0f, channel), "0.0");
        label(GetYFromValF(0.0f, channel), "-inf");
        if (sixes) {
            label(GetYFromValF(minus6, channel), "-6.0");
            label(GetYFromValF(-minus6, channel), "-6.0");
        }
    }
    ctx->ResetDrawingQuad();
}

void CAudioWindow::DrawHoszGrid(CGUIContext *ctx)
{
    const QUAD data = DataQuad();
    if (!ctx->IsQuadInViewport(data) || !ctx->SetDrawingQuad(data))
        return;
    if (ValueMode()) {
        lane.DrawGrid(ctx, data.left, data.right, kRulerBottom, height);
    } else {
        ctx->SelectPen(&sharedPen, 1);
        const bool stereo = track && track->IsStereo();
        for (long channel = stereo ? 1 : 0; channel <= (stereo ? 2 : 0); ++channel) {
            const long y = GetYFromValF(0.0f, channel);
            ctx->DrawLine(data.left, y, data.right, y);
        }
    }
    ctx->ResetDrawingQuad();
}

} // namespace Quorvane
