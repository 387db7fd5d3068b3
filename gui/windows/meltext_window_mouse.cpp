// The melody-text window's gestures and the edits they make.
#include "gui/windows/meltext_window.h"

#include "data/event.h"
#include "data/music_text.h"
#include "data/song.h"
#include "data/track_chords.h"
#include "data/track_meltext.h"
#include "gui/draw/gui_context.h"
#include "gui/windows/chord_edit.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
constexpr long kStripsTop = 48;
constexpr long kLyricStrip = 26;
enum : long { CURSOR_MOVE = 2, CURSOR_PITCH = 3 };

} // namespace

long CMelTextWindow::InMelodyNote(long time, long pitch, EVENT *&event)
{
    event = nullptr;
    const long index = track->GetMelodyAtTime(time, time);
    EVENT *note = index >= 0 ? track->GetEvent(index) : nullptr;
    EVENT *next = nullptr;
    for (long i = index + 1; i < track->GetNumb() && !next; ++i)
        if (track->GetEvent(i)->IsMelody())
            next = track->GetEvent(i);
    const long reach = 3 * std::max(zoom, 1L);
    if (next && next->time > time && next->time - time < reach && next->getMelodyNote() == pitch) {
        event = next;
        return MELTEXT_MOVE;
    }
    event = note;
    if (!note || note->getMelodyNote() != pitch)
        return MELTEXT_NEW_NOTE;
    return time - note->time < reach ? MELTEXT_MOVE : MELTEXT_PITCH;
}

// --- pressing

void CMelTextWindow::EndGesture()
{
    if (DropGesture() == MELTEXT_ERASE)
        EndErase();
    dragged.ResetContent();
}

void CMelTextWindow::OnLButtonDown(long x, long y, int flag1, int)
{
    EndGesture();
    if (!song || !track || !client)
        return;
    dragX = x;
    dragY = y;
    const long lyricsTop = height - kLyricStrip;
    if (x < leftBand) {
        if (x >= leftBand - 3 && (y < kStripsTop || y >= lyricsTop))
            StartBandResize();
        return;
    }
    const long right = width - rightMargin;
    if (x >= right)
        return;
    const long tool = client->tool;
    const bool inRuler = y < kRulerBottom;
    const bool inLyrics = !inRuler && y >= lyricsTop;
    const bool inChords = !inRuler && !inLyrics && y < kStripsTop;
    if (inRuler || (tool == TOOL_SELECT && (inChords || inLyrics))) {
        PressRuler(x, flag1, static_cast<long>(track->GetID()));
        return;
    }
    const QUAD roll(leftBand, kStripsTop, right, std::max(lyricsTop, kStripsTop + 1));
    if (tool == TOOL_SELECT) {
        StartFrame(MELTEXT_BAND, x, y, roll, 1);
    } else if (tool == TOOL_DRAW) {
        if (inChords)
            EditChord(x);
        else if (inLyrics)
            DivideText(x, y, flag1);
        else
            EditNoteStart(x, y);
    } else if (inChords) {
        StartFrame(MELTEXT_ERASE_CHORDS, x, y, QUAD(leftBand, kRulerBottom, right, kStripsTop));
    } else if (inLyrics) {
        GlueText(x);
    } else {
        dragState = MELTEXT_ERASE;
        erase.Begin(song, "Delete Melody Note(s)", static_cast<long>(track->GetID()));
        lastTime = GetTimeFromX(x);
        lastPitch = GetValFromY(y);
        client->GUICLSetCapture(1);
        DeleteNote(x, y);
    }
}

// --- chords and text

void CMelTextWindow::EditChord(long x)
{
    const long time = timeLine.GridTime(GetTimeFromX(x));
    CTrackChords *chords = Chords();
    if (chords && EnterChordAt(song, client, chords, time, KeyAt(time)))
        ChordsChanged(song, liason, chords, time);
}

void CMelTextWindow::DivideText(long x, long y, int flag)
{
    if (!track->CanNewTextNode())
        return;
    long mode = 2;
    const long node = track->GetTextNodeFromX(x - leftBand + scrollPosX, std::max(zoom, 1L), mode, 0);
    long line = 0, index = 0;
    if (node < 0 || !track->GetStrChrInNode(node, mode, line, index))
        return;
    {
        EditStep step(song, client, "Divide Text", static_cast<long>(track->GetID()));
        if (!track->text.AddNodeDivider(line, index, flag))
            return;
        track->UpdateEdition();
        step.Done();
    }
    UpdateDependencies();
    OnMouseMove(x, y, 0, 0);
}

void CMelTextWindow::GlueText(long x)
{
    if (!track->CanDelTextNode())
        return;
    long mode = 3;
    const long node = track->GetTextNodeFromX(x - leftBand + scrollPosX, std::max(zoom, 1L), mode, 0);
    if (node <= 0)
        return; // the first node has nothing before it to join
    {
        EditStep step(song, client, "Glue Text", static_cast<long>(track->GetID()));
        if (!track->text.DelNodeDivider(node))
            return;
        track->UpdateEdition();
        step.Done();
    }
    UpdateDependencies();
}

// --- notes

void CMelTextWindow::EditNoteStart(long x, long y)
{
    pressTime = GetTimeFromX(x);
    pressPitch = lastPitch = GetValFromY(y);
    EVENT *note = nullptr;
    const long mode = InMelodyNote(pressTime, pressPitch, note);
    dragged.ResetContent();
    moveDelta = pitchDelta = 0;
    if (mode == MELTEXT_NEW_NOTE) {
        track->PreviewNote(pressPitch);
    } else {
        // the note taken, and with it every selected note when it is one
        for (long i = 0; i < track->GetNumb(); ++i) {
            EVENT *e = track->GetEvent(i);
            if (!e->IsMelody() || e->value <= 0 || !(e == note || (note->IsSlct() && e->IsSlct())))
                continue;
            QUAD q = NoteQuad(e, i);
            if (e == note)
                dragged.counter = dragged.GetNumb();
            dragged.AddToTail(&q, e);
        }
    }
    dragState = mode;
    client->GUICLSetCapture(1);
    ShowCursor(1, nullptr);
    EditNoteMove(x, y);
}

void CMelTextWindow::EditNoteMove(long x, long y)
{
    ShowCursor(0, nullptr);
    char text[96], name[32], when[48];
    const long step = std::max(zoom, 1L);
    const QUADNOTE *clicked = dragged.GetAt(dragged.counter);
    switch (dragState) {
    case MELTEXT_NEW_NOTE: {
        const long pitch = GetValFromY(y);
        if (pitch != lastPitch)
            track->PreviewNote(pitch);
        lastPitch = pitch;
        std::snprintf(text, sizeof text, "[%s] %s", timeLine.StringNote(pitch, x, name),
                      timeLine.StringTimeT(timeLine.GridTime(pressTime), when));
        client->GUICLSetStatusText(0, text);
        break;
    }
    case MELTEXT_MOVE:
        moveDelta = x - dragX;
        // no note moves before the song's start
        for (long i = 0; i < dragged.GetNumb(); ++i)
            moveDelta = std::max(moveDelta, -(dragged.GetAt(i)->event->time / step));
        if (clicked)
            client->GUICLSetStatusText(
                0, timeLine.StringTimeT(timeLine.GridTime(clicked->event->time + moveDelta * step), text));
        break;
    case MELTEXT_PITCH:
        pitchDelta = GetValFromY(y) - pressPitch;
        for (long i = 0; i < dragged.GetNumb(); ++i) {
            const long pitch = dragged.GetAt(i)->event->getMelodyNote();
            pitchDelta = std::clamp(pitchDelta, -pitch, 127 - pitch);
        }
        if (clicked) {
            const long pitch = clicked->event->getMelodyNote() + pitchDelta;
            GetNoteText(pitch, name, 1, 0, KeyAt(clicked->event->time));
            std::snprintf(text, sizeof text, "[%s] %+ld", name, pitchDelta);
            client->GUICLSetStatusText(0, text);
        }
        break;
    default:
        break;
    }
    ShowCursor(1, nullptr);
}

void CMelTextWindow::EditNoteStop(int flag1)
{
    const long mode = dragState;
    ShowCursor(0, nullptr);
    dragState = 0;
    const long id = static_cast<long>(track->GetID());
    const long step = std::max(zoom, 1L);
    if (mode == MELTEXT_NEW_NOTE) {
        const long time = timeLine.GridTime(pressTime);
        EditStep edit(song, client, "Add Melody Note", id);
        if (!flag1)
            track->ResetSelection(LANE_MELODY, nullptr);
        // a note starting within this pixel gives way
        track->DeleteByTime(LANE_MELODY, std::max(time - step + 1, 0L), time + step);
        EVENT note;
        note.setMelody(lastPitch);
        note.time = time;
        note.SetSlct(1);
        if (!track->AddToTail(&note, 1))
            return;
        track->Sort();
        edit.Done();
        edit.Unlock();
        MelodyChanged(1);
    } else if (mode == MELTEXT_MOVE && moveDelta != 0) {
        std::vector<EVENT> moved;
        for (long i = 0; i < dragged.GetNumb(); ++i)
            moved.push_back(*dragged.GetAt(i)->event);
        EditStep edit(song, client, "Change Melody Time(s)", id);
        for (long i = 0; i < dragged.GetNumb(); ++i)
            dragged.GetAt(i)->event->SetDelt();
        track->Erase();
        for (EVENT &e : moved) {
            const long time = std::max(timeLine.GridTime(e.time + moveDelta * step), 0L);
            track->DeleteByTime(LANE_MELODY, std::max(time - step + 1, 0L), time + step);
            e.time = time;
            e.flags &= ~EVENT_DELETED;
            if (!track->AddToTail(&e, 1))
                return;
            track->Sort();
        }
        edit.Done();
        edit.Unlock();
        MelodyChanged(1);
    } else if (mode == MELTEXT_PITCH && pitchDelta != 0) {
        EditStep edit(song, client, "Change Melody Note(s)", id);
        for (long i = 0; i < dragged.GetNumb(); ++i) {
            EVENT *e = dragged.GetAt(i)->event;
            e->value = e->getMelodyNote() + pitchDelta + 1;
        }
        edit.Done();
        edit.Unlock();
        MelodyChanged(0);
    }
    dragged.ResetContent();
}

void CMelTextWindow::MelodyChanged(int nodes)
{
    track->UpdateEdition();
    const int extent = track->UpdateLastTime();
    if ((song->Update() || extent) && liason)
        liason->CallUpdate(1, 1, kAnyKey, kAnyKey);
    if (nodes)
        track->UpdateNodes(Chords());
    UpdateDependencies();
}

void CMelTextWindow::DeleteNote(long x, long y)
{
    const long time = GetTimeFromX(x);
    const long pitch = GetValFromY(y);
    const long from = std::min(lastTime, time), to = std::max(lastTime, time);
    int changed;
    {
        CLock lock(song->GetSyncObj());
        changed = track->SetPauseByRange(from, to, std::min(lastPitch, pitch), std::max(lastPitch, pitch));
    }
    if (changed) {
        erase.Erased();
        track->UpdateEdition();
        UpdateTime(from, kTimeMax, 1, 0);
    }
    lastTime = time;
    lastPitch = pitch;
}

void CMelTextWindow::EndErase()
{
    if (erase.End(song, client))
        MelodyChanged(1);
}

void CMelTextWindow::DeleteChords()
{
    CTrackChords *chords = Chords();
    if (!chords)
        return;
    long from, to, low, high;
    FrameRange(from, to, low, high);
    {
        EditStep step(song, client, "Delete Chord(s)", static_cast<long>(chords->GetID()));
        if (!chords->DeleteByTime(LANE_CHORD, from, to)) {
            step.Discard();
            return;
        }
        step.Done();
    }
    ChordsChanged(song, liason, chords, from);
}

// --- the feedback

void CMelTextWindow::ShowCursor(int on, CGUIContext *ctx)
{
    const QUAD roll(leftBand, kStripsTop, width - rightMargin, height - kLyricStrip);
    switch (dragState) {
    case MELTEXT_NEW_NOTE: {
        const long top = GetYFromVal(lastPitch);
        DrawFrame(QUAD(GetXFromTime(timeLine.GridTime(pressTime)), top, width - 1, top + noteHeight - 1),
                  roll, nullptr, 1);
        break;
    }
    case MELTEXT_MOVE:
    case MELTEXT_PITCH: {
        CGUIContext *ctx = nullptr;
        const long count = dragged.GetNumb();
        for (long i = 0; i < count; ++i) {
            QUAD n = dragged.GetAt(i)->quad;
            n.OffsHorz(-scrollPosX + (dragState == MELTEXT_MOVE ? moveDelta : 0));
            n.OffsVert(-scrollPosY - (dragState == MELTEXT_PITCH ? pitchDelta * noteHeight : 0));
            ctx = DrawFrame(n, roll, ctx, i == count - 1);
            if (!ctx && i < count - 1)
                return;
        }
        break;
    }
    default:
        CAbstWindow::ShowCursor(on, ctx);
        break;
    }
}

// --- moving and releasing

void CMelTextWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song || !track || !client)
        return;
    const QUAD roll(leftBand, kStripsTop, width - rightMargin,
                    std::max(height - kLyricStrip, kStripsTop + 1));
    switch (dragState) {
    case MELTEXT_NEW_NOTE:
    case MELTEXT_MOVE:
    case MELTEXT_PITCH:
        ShowCursor(0, nullptr);
        ScrollFrame(roll, x, y, dragState == MELTEXT_MOVE, dragState != MELTEXT_MOVE);
        ShowCursor(1, nullptr);
        EditNoteMove(std::clamp(x, roll.left, roll.right - 1), std::clamp(y, roll.top, roll.bottom - 1));
        return;
    case MELTEXT_ERASE:
        ScrollFrame(roll, x, y, 1, 1);
        DeleteNote(std::clamp(x, roll.left, roll.right - 1), std::clamp(y, roll.top, roll.bottom - 1));
        return;
    default:
        if (!MoveSharedGesture(x, y))
            SetHoverStatus(x, y);
        return;
    }
}

void CMelTextWindow::SetHoverStatus(long x, long y)
{
    const long lyricsTop = height - kLyricStrip;
    const long tool = client->tool;
    if (HoverBandOrRuler(x, y, x >= leftBand - 3 && (y < kStripsTop || y >= lyricsTop)))
        return;
    long cursor = ToolCursor();
    char text[96], name[32], when[48];
    timeLine.StringTime(x, when);
    if (y >= lyricsTop) {
        client->GUICLSetStatusText(0, tool == TOOL_DRAW    ? "Divide Text"
                                      : tool == TOOL_ERASE ? "Glue Text"
                                                           : "");
        client->GUICLSetStatusText(1, when);
    } else if (y < kStripsTop) {
        client->GUICLSetStatusText(0, tool == TOOL_DRAW ? "Edit Chords" : "");
        client->GUICLSetStatusText(1, when);
    } else {
        const long pitch = GetValFromY(y);
        client->GUICLClearStatusText(0);
        std::snprintf(text, sizeof text, "[%s] %s", timeLine.StringNote(pitch, x, name), when);
        client->GUICLSetStatusText(1, text);
        if (tool == TOOL_DRAW) {
            EVENT *note = nullptr;
            const long mode = InMelodyNote(GetTimeFromX(x), pitch, note);
            if (mode == MELTEXT_MOVE)
                cursor = CURSOR_MOVE;
            else if (mode == MELTEXT_PITCH)
                cursor = CURSOR_PITCH;
        }
    }
    SetCursorType(cursor);
}

void CMelTextWindow::OnLButtonUp(long x, long y, int flag1, int)
{
    if (!song || !track || dragState == 0)
        return;
    const long state = dragState;
    if (state == MELTEXT_NEW_NOTE || state == MELTEXT_MOVE || state == MELTEXT_PITCH) {
        EditNoteStop(flag1);
    } else if (state == MELTEXT_ERASE) {
        dragState = 0;
        EndErase();
    } else if (!ReleaseSharedGesture(flag1)) {
        ShowCursor(0, nullptr);
        dragState = 0;
        if (state == MELTEXT_BAND)
            SelectInFrame(track, LANE_MELODY, flag1);
        else if (state == MELTEXT_ERASE_CHORDS)
            DeleteChords();
    }
    dragState = 0;
    client->GUICLSetCapture(0);
    client->GUICLClearStatusText(0);
    SetHoverStatus(x, y);
}

void CMelTextWindow::OnMouseWheel(float delta, int vertical)
{
    if (dragState != 0)
        return;
    const long step = vertical ? noteHeight : WheelStepX();
    WheelScroll(static_cast<long>(-delta * static_cast<float>(step)), vertical);
}

} // namespace Quorvane
