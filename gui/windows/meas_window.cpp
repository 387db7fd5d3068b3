#include "gui/windows/meas_window.h"

#include "data/music_text.h"
#include "data/song.h"
#include "data/text_widths.h"
#include "data/track.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "gui/draw/draw_functions.h"
#include "gui/draw/gui_context.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"
#include "gui/windows/song_pointer.h"
#include "gui/windows/tracks_window.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
constexpr long kRowsTop = 48;
constexpr long kRowHeight = 26;
constexpr long kEmptyRows = 23;

enum : long { kGestureNone = 0, kGestureRuler = 1, kGestureRows = 2 };

constexpr long kRowGradient[8] = {0, 1, 2, 3, 4, 5, 5, 5};

long gradientOf(const CTrack *track)
{
    const long kind = track->GetKind();
    return kRowGradient[kind < 0 || kind > 7 ? 0 : kind];
}

} // namespace

CMeasWindow::CMeasWindow()
{
    bkgndColour = &colBkgndTrMeas;
    topBand = kRulerBottom;
    ShareZoomHorz(ZoomMeasHorz);
    zoomMin = 30;
    zoomMax = 240;
    grid = 0;
}

int CMeasWindow::InitLocal()
{
    return timeLine.Init(song, this);
}

void CMeasWindow::Resize()
{
    const long rows = (song ? song->GetNumTracks() : 0) + kEmptyRows;
    CalcScroll(width, 0, SongLength() / std::max(zoom, 1L), scrollMaxX, scrollPageX, scrollPosX);
    CalcScroll(height, kRowsTop, rows * kRowHeight, scrollMaxY, scrollPageY, scrollPosY);
}

void CMeasWindow::ModifyScrollQuad(long axis, QUAD *quad)
{
    if (axis == 1)
        quad->top = kRowsTop;
}

long CMeasWindow::GetYFromVal(long value)
{
    return rowBase + kRowHeight - std::lround((value - 10) * kRowHeight / 240.0);
}

long CMeasWindow::GetRow(long y) const
{
    if (y < 23)
        return -1;
    if (y <= kRowsTop)
        return 0;
    return (scrollPosY + y - 22) / kRowHeight;
}

CTrack *CMeasWindow::GetTrack(long y) const
{
    const long row = GetRow(y);
    return row >= 0 && song ? song->GetTrack(row) : nullptr;
}

void CMeasWindow::UpdateTrack(long row, long from, long to)
{
    long left = from <= 0 ? 0 : GetXFromTime(from) - 1;
    long right = to >= kTimeMax ? width : GetXFromTime(to) + 1;
    left = std::max(left, 0L);
    right = std::min(right, width);
    if (right <= left)
        return;
    QUAD q(left, 0, right, height);
    if (row == -1) {
        q.bottom = kRulerBottom;
    } else if (row == 0) {
        q.top = kRulerBottom;
        q.bottom = kRowsTop + 1;
    } else if (row > 0) {
        q.top = std::max(RowTop(row), kRowsTop + 1);
        q.bottom = RowTop(row) + kRowHeight;
        if (q.bottom <= q.top || q.top >= height)
            return;
    }
    Update(&q, 0);
}

void CMeasWindow::UpdateChords(long time)
{
    if (CTrack *chords = song ? song->GetTrackChords() : nullptr)
        UpdateTrack(static_cast<long>(chords->GetID()), time, kTimeMax);
}

// --- painting

int CMeasWindow::RebuildCaches()
{
    const uint64_t edition = song->GetEdition();
    const long low = static_cast<long>(edition & 0xFFFFFFFFu), high = static_cast<long>(edition >> 32);
    // Every change of the track list advances the song's edition.
    if (songEdition[0] == low && songEdition[1] == high)
        return 1;
    caches.Clear();
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
        FIRSTVISIBLE cache;
        cache.Init(t);
        if (!caches.Insert(caches.GetNumb(), 1, &cache)) {
            caches.Clear();
            songEdition[0] = 0x7fffff;
            songEdition[1] = 0;
            return 0;
        }
    }
    songEdition[0] = low;
    songEdition[1] = high;
    return 1;
}

void CMeasWindow::FillTrackBkgnd(CGUIContext *ctx, CTrack *track, long top)
{
    const long normal = gradientOf(track);
    ctx->DrawHorzGradient(&sharedGradient, normal, 0, top, width);
    if (song->IsTimeSelection() && track->IsSlct()) {
        const long left = std::max(GetXFromTime(song->selectionStart), 0L);
        const long right = std::min(GetXFromTime(song->selectionEnd), width);
        if (right > left)
            ctx->DrawHorzGradient(&sharedGradient, normal + 6, left, top, right - left);
    }
}

void CMeasWindow::Render(CGUIContext *ctx)
{
    if (!RebuildCaches())
        return;
    timeLine.Draw(ctx);
    ctx->SelectFont(&sharedFont, 1);
    ctx->SelectFontColor(&colBlack);
    const QUAD *view = ctx->GetQuadViewPort();
    const long z = std::max(zoom, 1L);
    const long from = std::max(GetTimeFromX(std::max(0L, view->left)) - z, 0L);
    const long to = GetTimeFromX(view->right) + z;
    DrawMasterRow(ctx, from, to);
    if (!ctx->SetDrawingQuad(QUAD(0, kRowsTop + 1, width, height)))
        return;
    long i = 0;
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t), ++i) {
        const long row = static_cast<long>(t->GetID());
        const long top = RowTop(row);
        if (row == 0 || top + kRowHeight <= kRowsTop || top >= height)
            continue;
        DrawTrackRow(ctx, t, caches.GetAt(i), from, to);
        ctx->SetDrawingQuad(QUAD(0, kRowsTop + 1, width, height));
    }
    ctx->ResetDrawingQuad();
}

void CMeasWindow::DrawMasterRow(CGUIContext *ctx, long from, long to)
{
    CTrackMaster *master = song->GetTrackMaster();
    if (!master || !ctx->SetDrawingQuad(QUAD(0, kRulerBottom, width, kRowsTop)))
        return;
    FIRSTVISIBLE *cache = caches.GetAt(0);
    FillTrackBkgnd(ctx, master, kRulerBottom);
    rowBase = kRulerBottom;
    if (cache) {
        const long first = cache->GetFirstVisible(from, from, LANE_TEMPO, zoom, ptabWidthL);
        tempoTool.Init(this, cache, LANE_TEMPO);
        ctx->SelectPen(&sharedPen, 3);
        tempoTool.DrawCtrl(ctx, from, to, GetYFromVal(10), 0, first);
        ctx->SelectFont(&sharedFont, 1);
        ctx->SelectFontColor(&colBlack);
        char text[64];
        for (long k = first; k < master->GetNumb(); ++k) {
            const EVENT *e = master->GetEvent(k);
            if (e->time > to)
                break;
            if (e->IsTSign())
                ctx->DrawTextA(GetXFromTime(e->time) + 1, 35,
                               GetTSignText(e->getTSignVal1(), e->getTSignVal2(), text), -1);
            else if (e->IsKSign())
                ctx->DrawTextA(GetXFromTime(e->time) + 1, kRulerBottom,
                               GetKSignText(e->getKSignVal(), text, 0), -1);
        }
    }
    ctx->ResetDrawingQuad();
    ctx->SelectPen(&sharedPen, 1);
    ctx->DrawLine(0, kRowsTop, width, kRowsTop);
}

void CMeasWindow::DrawTrackRow(CGUIContext *ctx, CTrack *track, FIRSTVISIBLE *cache, long from, long to)
{
    const long top = RowTop(static_cast<long>(track->GetID()));
    if (!ctx->SetDrawingQuad(QUAD(0, std::max(top, kRowsTop + 1), width, top + kRowHeight - 1)))
        return;
    FillTrackBkgnd(ctx, track, top);
    if (!cache)
        return;
    switch (track->GetKind()) {
    case TRACK_CHORDS:
        DrawChordsPreview(ctx, track, cache->GetFirstVisible(from, from, LANE_CHORD), top, to);
        break;
    case TRACK_MELTEXT:
        DrawMelodyPreview(ctx, track, cache->GetFirstVisible(from, from, LANE_MELODY), top, to);
        break;
    case TRACK_MIDI:
        DrawNotesPreview(ctx, track, cache->GetFirstVisible(from, from, LANE_NOTE), top, to);
        break;
    case TRACK_AUDIO:
        DrawAudioPreview(ctx, static_cast<CTrackAudio *>(track), top, from, to);
        break;
    default:
        break;
    }
}

void CMeasWindow::DrawChordsPreview(CGUIContext *ctx, CTrack *track, long first, long top, long to)
{
    CTrackMaster *master = song->GetTrackMaster();
    ctx->SelectFontColor(&colBlack);
    for (long k = std::max(first, 0L); k < track->GetNumb(); ++k) {
        const EVENT *e = track->GetEvent(k);
        if (e->time > to)
            break;
        if (e->IsChord())
            DrawChord(ctx, e->value, GetXFromTime(e->time), top + 6, master ? master->GetKSign(e->time) : 15,
                      0);
    }
}

void CMeasWindow::DrawMelodyPreview(CGUIContext *ctx, CTrack *track, long first, long top, long to)
{
    ctx->SelectPen(&sharedPen, 1);
    long noteY = -1;
    for (long k = std::max(first, 0L); k < track->GetNumb(); ++k) {
        const EVENT *e = track->GetEvent(k);
        if (e->time > to)
            break;
        if (!e->IsMelody())
            continue;
        const long x = GetXFromTime(e->time);
        if (noteY >= 0)
            ctx->ContinueLine(x, noteY);
        const long pitch = e->getMelodyNote();
        if (pitch < 0) {
            noteY = -1;
            continue;
        }
        noteY = pitch > 83 ? top : pitch < 36 ? top + 25 : top + (83 - pitch) * 26 / 48;
        ctx->StartLine(x, noteY);
    }
    if (noteY >= 0)
        ctx->ContinueLine(GetXFromTime(to), noteY);
}

void CMeasWindow::DrawNotesPreview(CGUIContext *ctx, CTrack *track, long first, long top, long to)
{
    ctx->SelectPen(&sharedPen, 1);
    for (long k = std::max(first, 0L); k < track->GetNumb(); ++k) {
        const EVENT *e = track->GetEvent(k);
        if (e->time > to)
            break;
        if (!e->IsNote())
            continue;
        const long y = top + (127 - e->data1) * 26 / 127;
        ctx->DrawLine(GetXFromTime(e->time), y, GetXFromTime(e->time + e->value) + 1, y);
    }
}

// The wave's overview from its stored peaks, a bar at a time: each column
// a line between the lowest and highest peak it covers.
void CMeasWindow::DrawAudioPreview(CGUIContext *ctx, CTrackAudio *track, long top, long from, long to)
{
    CTrackMaster *master = song->GetTrackMaster();
    if (!master || track->wave.length <= 0)
        return;
    ctx->SelectPen(&sharedPen, 1);
    const long middle = top + kRowHeight / 2;
    const float scale = kRowHeight / 2 - 1;
    long bar, beat, tick;
    master->GetMBTFromTime(from, bar, beat, tick);
    for (long start = master->GetTimeFromMBT(bar, 0, 0); start <= to;
         start = master->GetTimeFromMBT(++bar, 0, 0)) {
        const long end = master->GetTimeFromMBT(bar + 1, 0, 0);
        const long x0 = GetXFromTime(start), x1 = GetXFromTime(end);
        const int64_t s0 = master->GetSampleFromTime(start), s1 = master->GetSampleFromTime(end);
        const int64_t pairs = CTrackAudio::GraphicsPairs(s0, s1);
        float *peaks = x1 > x0 ? track->ReadGraphics(s0, s1) : nullptr;
        if (!peaks)
            continue;
        for (long x = x0; x < x1; ++x) {
            const int64_t p0 = (x - x0) * pairs / (x1 - x0);
            const int64_t p1 = std::max(p0 + 1, (x + 1 - x0) * pairs / (x1 - x0));
            float low = 0.0f, high = 0.0f;
            for (int64_t p = p0; p < p1 && p < pairs; ++p) {
                low = std::min(low, peaks[2 * p]);
                high = std::max(high, peaks[2 * p + 1]);
            }
            if (high > low)
                ctx->DrawLine(x, middle - static_cast<long>(high * scale), x,
                              middle - static_cast<long>(low * scale) + 1);
        }
        std::free(peaks);
    }
}

// --- the rubber band

void CMeasWindow::OnLButtonDown(long x, long y, int flag1, int)
{
    DropGesture();
    if (!song)
        return;
    const long time = timeLine.GridTime(GetTimeFromX(x));
    if (time != GetSongPtr(song)) {
        JumpSongPtr(song, time);
        if (liason)
            liason->CallUpdateSongPtr(0);
    }
    if (flag1 && song->SetTimeSelection(-1, -1) && liason)
        liason->CallUpdate(1, 0, kAnyKey, kAnyKey);
    const long row = GetRow(y);
    SelectTrack(row, row, song->IsTimeSelection());
    if (y < kRowsTop)
        StartFrame(kGestureRuler, GetXFromTime(time), y, QUAD(0, 0, width, height));
    else
        StartFrame(kGestureRows, GetXFromTime(time), y, QUAD(0, kRowsTop, width, height), 1);
}

void CMeasWindow::OnMouseMove(long x, long y, int, int)
{
    if (dragState == kGestureRuler || dragState == kGestureRows) {
        const long oldY = scrollPosY;
        if (MoveFrame(x, y) & 2)
            if (CTracksWindow *tracks = liason ? liason->GetMainTracks() : nullptr)
                tracks->ScrollToPosition(tracks->scrollPosX, tracks->scrollPosY + scrollPosY - oldY);
    }
    SetStatus(x, y);
}

void CMeasWindow::SetStatus(long x, long y)
{
    if (!client)
        return;
    char text[96];
    char time[48];
    timeLine.StringTime(x, time);
    const long row = GetRow(y);
    if (row >= 0)
        std::snprintf(text, sizeof text, " [%ld] %s", row, time);
    else
        std::snprintf(text, sizeof text, " %s", time);
    client->GUICLSetStatusText(1, text);
}

void CMeasWindow::OnLButtonUp(long, long, int flag1, int)
{
    if (dragState != kGestureRuler && dragState != kGestureRows)
        return;
    const long gesture = dragState;
    QUAD band = frame;
    DropGesture();
    band.Normalize();
    const long from = timeLine.GridTime(GetTimeFromX(band.left - scrollPosX));
    const long to = timeLine.GridTime(GetTimeFromX(band.right - scrollPosX));
    int changed = 0;
    if (flag1)
        changed = song->SetTimeSelection(-1, -1);
    else if (from != to)
        changed = song->SetTimeSelection(from, to);
    if (changed && liason)
        liason->CallUpdate(1, 0, kAnyKey, kAnyKey);
    const int hasSelection = song->IsTimeSelection();
    if (gesture == kGestureRuler) {
        if (band.top < kRulerBottom && band.bottom < kRulerBottom)
            SelectTrack(-1, -1, hasSelection);
        else
            SelectTrack(0, 0, hasSelection);
    } else {
        SelectTrack((band.top - 22) / kRowHeight, (band.bottom - 22) / kRowHeight, hasSelection);
    }
}

void CMeasWindow::SelectTrack(long first, long last, int hasTimeSelection)
{
    if (!song)
        return;
    CTracksWindow *tracks = liason ? liason->GetMainTracks() : nullptr;
    if (first == -1 && last == -1) {
        if (!hasTimeSelection)
            return;
        for (CTrack *t = song->GetNextSelectedTrack(nullptr); t; t = song->GetNextSelectedTrack(t)) {
            song->SelectTrack(t, 1, 1);
            UpdateTrack(static_cast<long>(t->GetID()), 0, kTimeMax);
            if (liason)
                liason->CallUpdateTrack(t, UPDATE_TRACK_WINDOWS);
        }
        UpdateTrack(-1, 0, kTimeMax);
        return;
    }
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
        const long row = static_cast<long>(t->GetID());
        const bool inside = row >= first && row <= last;
        if (inside ? (t->IsSlct() && !hasTimeSelection) : !t->IsSlct())
            continue;
        song->SelectTrack(t, inside, hasTimeSelection);
        UpdateTrack(row, 0, kTimeMax);
        if (tracks)
            tracks->UpdateTrack(row, 0, 0);
        if (liason)
            liason->CallUpdateTrack(t, UPDATE_TRACK_WINDOWS);
    }
    song->Update();
    if (hasTimeSelection)
        UpdateTrack(-1, 0, kTimeMax);
}

void CMeasWindow::OnLButtonDblClk(long, long y, int, int)
{
    DropGesture();
    const long row = GetRow(y);
    if (row >= 1 && song && song->GetTrack(row) && client)
        client->GUICLRequest(1, row, 0);
}

void CMeasWindow::OnMouseWheel(float delta, int vertical)
{
    long pixels;
    if (vertical)
        pixels = static_cast<long>(delta * -26.0f);
    else
        pixels = static_cast<long>(static_cast<float>(TicksPerQuarter()) * delta * -4.0f /
                                   static_cast<float>(std::max(zoom, 1L)));
    if (pixels == 0)
        return;
    if (vertical) {
        ScrollToPosition(scrollPosX, scrollPosY + pixels);
        if (CTracksWindow *tracks = liason ? liason->GetMainTracks() : nullptr)
            tracks->ScrollToPosition(tracks->scrollPosX, tracks->scrollPosY + pixels);
    } else {
        ScrollToPosition(scrollPosX + pixels, scrollPosY);
    }
    if (client)
        client->GUICLWheelScrolled();
}

} // namespace Quorvane
