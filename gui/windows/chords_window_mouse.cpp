// The chords window's gestures and the edits they make.
#include "gui/windows/chords_window.h"

#include "data/music_text.h"
#include "data/song.h"
#include "data/track_chords.h"
#include "gui/draw/gui_context.h"
#include "gui/windows/chord_edit.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/lane_edit.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/song_pointer.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Quorvane {

namespace {

enum : long { CURSOR_MOVE = 2, CURSOR_TRANSPOSE = 3 };

long wrapPitchClass(long pc)
{
    return ((pc % 12) + 12) % 12;
}

} // namespace

long CChordsWindow::ShiftedRoot(long value, long shift) const
{
    const long root = (value & 0xFFFF) - 1;
    if (root < 0)
        return value;
    return (value & ~0xFFFFL) | (wrapPitchClass(root + shift) + 1);
}

void CChordsWindow::EndGesture()
{
    if (DropGesture() == CHORDS_ERASE)
        EndErase();
    dragged.ResetContent();
}

void CChordsWindow::OnLButtonDown(long x, long y, int flag1, int)
{
    EndGesture();
    if (!song || !track || !client)
        return;
    dragX = x;
    dragY = y;
    if (x >= leftBand - 3 && x < leftBand) {
        client->GUICLSetStatusText(0, "Resize band");
        StartBandResize();
        return;
    }
    if (x < leftBand || rows.GetNumb() == 0)
        return;
    const long cell = InCell(x, y);
    currentRow = std::clamp(RowOf(y), 0L, rows.GetNumb() - 1);
    pressCell = lastCell = cell;
    pressTime = lastTime = GetTimeFromXY(x, y);
    const long tool = client->tool;
    if (cell == CELL_OUTSIDE && tool != TOOL_SELECT && RowOf(y) < rows.GetNumb()) {
        dragState = CHORDS_PAST_THE_BARS;
        client->GUICLSetCapture(1);
        return;
    }
    if (cell == CELL_NAMES && tool == TOOL_DRAW) {
        OnChordName(x, y);
        return;
    }
    if (cell == CELL_BELOW || cell == CELL_OUTSIDE) {
        StartTimeSelection(x, y, flag1);
        return;
    }
    const QUAD clip(leftBand, 0, width, height);
    if (cell == CELL_NAMES) {
        StartFrame(tool == TOOL_SELECT ? CHORDS_BAND_CHORDS : CHORDS_ERASE_BAND, x, y, clip, 1);
    } else if (tool == TOOL_SELECT) {
        StartFrame(CHORDS_BAND_CELLS, x, y, clip, 1);
    } else if (tool == TOOL_DRAW && edit == LANE_CHORD) {
        EditNoteStart(x, y, cell);
        return;
    } else if (tool == TOOL_DRAW) {
        if (!StartStroke(CHORDS_DRAW_LANE, this->tool, x, y))
            return;
        strokeRow = currentRow;
        ShowCursor(1, nullptr);
    } else if (edit == LANE_CHORD) {
        dragState = CHORDS_ERASE;
        erase.Begin(song, "Delete Chord(s)", static_cast<long>(track->GetID()));
        client->GUICLSetCapture(1);
        DeleteNote(x, y);
        return;
    } else {
        StartFrame(CHORDS_ERASE_LANE, x, y, clip, 1);
    }
}

void CChordsWindow::StartTimeSelection(long x, long y, int flag1)
{
    const long time = GridTime(GetTimeFromXY(x, y));
    if (time != GetSongPtr(song)) {
        JumpSongPtr(song, time);
        if (liason)
            liason->CallUpdateSongPtr(0);
    }
    if (flag1 && song->SetTimeSelection(-1, -1) && liason)
        liason->CallUpdate(1, 0, kAnyKey, kAnyKey);
    pressTime = time;
    dragState = CHORDS_TIME_SELECTION;
    client->GUICLSetCapture(1);
}

// --- chords by name

void CChordsWindow::OnChordName(long x, long y)
{
    const long time = GridTime(GetTimeFromXY(x, y));
    if (EnterChordAt(song, client, track, time, GetKSign(time)))
        ChordsChanged(time);
}

// A chord edit is done: what depends on chords follows.
void CChordsWindow::ChordsChanged(long from)
{
    Quorvane::ChordsChanged(song, liason, track, from);
    if (!liason)
        Update(nullptr, 0);
}

// --- dragging chords in the grid

void CChordsWindow::EditNoteStart(long x, long y, long cell)
{
    EVENT *chord = nullptr;
    const long mode = InChordNote(pressTime, cell, chord);
    dragged.ResetContent();
    moveDelta = 0;
    // a chord's cell in the row where it starts, in content coordinates
    auto cellQuad = [&](long time, long end, long pc) {
        long x0, x1, rowY, endY;
        GetXYFromTime(time, x0, rowY);
        GetXYFromTime(std::max(end - 1, time), x1, endY);
        if (endY != rowY)
            x1 = width; // on to the row's end
        const long top = rowY + 29 + (11 - pc) * noteRowHeight + scrollPosY;
        return QUAD(x0 + scrollPosX, top, std::max(x1, x0 + 2) + scrollPosX, top + noteRowHeight);
    };
    if (mode == CHORDS_NEW_CHORD) {
        const long time = GridTime(pressTime);
        QUAD q = cellQuad(time, time, cell);
        q.right = q.left + 8;
        dragged.AddToTail(&q, nullptr);
    } else {
        // the chord taken, and with it every selected chord when it is one
        for (long k = 0; k < track->GetNumb(); ++k) {
            EVENT *e = track->GetEvent(k);
            if (!e->IsChord() || e->getChordNote() < 0 || !(e == chord || (chord->IsSlct() && e->IsSlct())))
                continue;
            const long next = track->GetNextChord(k);
            const long end = next >= 0 ? track->GetEvent(next)->time : e->time + std::max(zoom, 1L) * 8;
            QUAD q =
                cellQuad(e->time, std::min(end, e->time + 8 * std::max(zoom, 1L) + 1), e->getChordNote());
            dragged.AddToTail(&q, e);
        }
    }
    dragState = mode;
    dragged.counter = 0;
    client->GUICLSetCapture(1);
    ShowCursor(1, nullptr);
    EditNoteMove(x, y);
}

void CChordsWindow::EditNoteMove(long x, long y)
{
    ShowCursor(0, nullptr);
    char text[96], name[16];
    if (dragState == CHORDS_MOVE) {
        moveDelta = x - dragX;
        QUADNOTE *first = dragged.GetAt(0);
        if (first && first->event) {
            // no start goes before tick 0
            for (long i = 0; i < dragged.GetNumb(); ++i)
                moveDelta = std::max(moveDelta, -dragged.GetAt(i)->event->time / std::max(zoom, 1L));
            const long time = GridTime(first->event->time + moveDelta * zoom);
            client->GUICLSetStatusText(0, StringTime(std::max(time, 0L), text));
        }
    } else if (dragState == CHORDS_TRANSPOSE) {
        moveDelta = (dragY - y) / std::max(noteRowHeight, 1L);
        QUADNOTE *first = dragged.GetAt(0);
        if (first && first->event) {
            const long root = first->event->getChordNote();
            const long shifted = wrapPitchClass(root + moveDelta);
            GetNoteText(shifted, name, 0, 0, GetKSign(first->event->time));
            long shift = shifted - root;
            std::snprintf(text, sizeof text, "[%s] %+ld", name, shift);
            client->GUICLSetStatusText(0, text);
        }
    } else if (dragState == CHORDS_NEW_CHORD) {
        const long time = GridTime(pressTime);
        GetNoteText(pressCell, name, 0, 0, GetKSign(time));
        char when[48];
        std::snprintf(text, sizeof text, "[%s] %s", name, StringTime(time, when));
        client->GUICLSetStatusText(0, text);
    }
    ShowCursor(1, nullptr);
}

void CChordsWindow::EditNoteStop(int flag1)
{
    const long mode = dragState;
    ShowCursor(0, nullptr);
    dragState = 0;
    const long id = static_cast<long>(track->GetID());
    if (mode == CHORDS_NEW_CHORD) {
        const long time = GridTime(pressTime);
        EditStep step(song, client, "Add Chord", id);
        if (!flag1)
            track->ResetSelection(LANE_CHORD, nullptr);
        // A chord starting at that very tick takes the new root rather than
        // a second chord beside it.
        const long index = track->GetChordAtTime(time, time);
        EVENT *here = index >= 0 ? track->GetEvent(index) : nullptr;
        if (here && here->time == time) {
            here->setChord(pressCell, 0);
            here->time = time;
            here->SetSlct(1);
        } else {
            EVENT chord;
            chord.setChord(pressCell, 0);
            chord.time = time;
            chord.SetSlct(1);
            if (!track->AddToTail(&chord, 1))
                return;
            track->Sort();
        }
        step.Done();
        ChordsChanged(time);
    } else if (mode == CHORDS_MOVE && moveDelta != 0) {
        struct Moved {
            EVENT event;
            long from;
        };
        std::vector<Moved> moved;
        for (long i = 0; i < dragged.GetNumb(); ++i) {
            EVENT *e = dragged.GetAt(i)->event;
            if (e)
                moved.push_back({*e, e->time});
        }
        EditStep step(song, client, "Change Chord(s) Time", id);
        long earliest = kTimeMax;
        for (long i = 0; i < dragged.GetNumb(); ++i)
            if (EVENT *e = dragged.GetAt(i)->event)
                e->SetDelt();
        track->Erase();
        for (Moved &m : moved) {
            m.event.time = std::max(GridTime(m.from + moveDelta * zoom), 0L);
            m.event.flags &= ~EVENT_DELETED;
            earliest = std::min({earliest, m.from, static_cast<long>(m.event.time)});
            if (!track->AddToTail(&m.event, 1))
                return;
        }
        track->Sort();
        step.Done();
        ChordsChanged(earliest);
    } else if (mode == CHORDS_TRANSPOSE && moveDelta % 12 != 0) {
        EditStep step(song, client, "Change Chord(s) Note", id);
        long earliest = kTimeMax;
        for (long i = 0; i < dragged.GetNumb(); ++i) {
            if (EVENT *e = dragged.GetAt(i)->event) {
                e->value = ShiftedRoot(e->value, moveDelta);
                earliest = std::min(earliest, static_cast<long>(e->time));
            }
        }
        step.Done();
        ChordsChanged(earliest);
    }
    dragged.ResetContent();
}

// --- erasing chords under the pointer

void CChordsWindow::DeleteNote(long x, long y)
{
    const long time = GetTimeFromXY(x, y);
    const long cell = InCell(x, y);
    if (lastCell >= 0 && lastCell <= 11 && cell >= 0 && cell <= 11) {
        const long from = std::min(lastTime, time), to = std::max(lastTime, time);
        int changed;
        {
            CLock lock(song->GetSyncObj());
            changed = track->SetPauseByRange(from, to, std::min(lastCell, cell), std::max(lastCell, cell));
        }
        if (changed) {
            erase.Erased();
            track->UpdateEdition();
            UpdateTime(from, kTimeMax, 0, 0);
        }
    }
    lastTime = time;
    lastCell = cell;
}

void CChordsWindow::EndErase()
{
    if (erase.End(song, client))
        ChordsChanged(0);
}

// --- bands

void CChordsWindow::SelectInBand(int flag1)
{
    const QUAD q = FrameOnWindow();
    const long t0 = GetTimeFromXY(q.left, q.top);
    const long t1 = GetTimeFromXY(q.right, q.bottom);
    const long from = std::min(t0, t1), to = std::max(t0, t1);
    int changed;
    if (dragState == CHORDS_BAND_CHORDS || edit == LANE_CHORD) {
        long low = -2, high = 12;
        if (dragState == CHORDS_BAND_CELLS) {
            const long c0 = InCell(q.left, q.top);
            const long c1 = InCell(q.right, q.bottom);
            low = std::clamp(std::min(c0, c1), 0L, 11L);
            high = std::clamp(std::max(c0, c1), 0L, 11L);
        }
        changed = track->SelectByRange(LANE_CHORD_ROOT, from, to, low, high, flag1);
    } else {
        long v0 = InCell(q.left, q.top);
        long v1 = InCell(q.right, q.bottom);
        if (edit == LANE_WHEEL) {
            v0 -= 8192;
            v1 -= 8192;
        }
        changed = track->SelectByRange(edit, from, to, std::min(v0, v1), std::max(v0, v1), flag1);
    }
    if (changed && liason)
        liason->CallUpdateTrack(track, UPDATE_TRACK_WINDOWS);
    else if (changed)
        Update(nullptr, 0);
}

void CChordsWindow::DeleteInBand(long lane, const char *caption)
{
    const QUAD q = FrameOnWindow();
    const long t0 = GetTimeFromXY(q.left, q.top);
    const long t1 = GetTimeFromXY(q.right, q.bottom);
    const long from = std::min(t0, t1), to = std::max(t0, t1);
    long low = LONG_MIN, high = LONG_MAX;
    if (lane != LANE_CHORD) {
        long v0 = InCell(q.left, q.top);
        long v1 = InCell(q.right, q.bottom);
        if (lane == LANE_WHEEL) {
            v0 -= 8192;
            v1 -= 8192;
        }
        low = std::min(v0, v1);
        high = std::max(v0, v1);
    }
    EditStep step(song, client, caption, static_cast<long>(track->GetID()));
    if (!track->DeleteByRange(lane, from, to, low, high)) {
        step.Discard();
        return;
    }
    step.Done();
    if (lane == LANE_CHORD) {
        ChordsChanged(from);
    } else if (liason) {
        liason->CallUpdateTrack(track, UPDATE_MEASURES_ROW | UPDATE_TRACK_WINDOWS);
    }
}

void CChordsWindow::DrawLaneStroke()
{
    long from = 0, to = 0;
    tool.DrawToolRange(from, to);
    char name[96], caption[110];
    std::snprintf(caption, sizeof caption, "Draw %s", LaneName(name));
    {
        EditStep step(song, client, caption, static_cast<long>(track->GetID()));
        WriteStroke(track, tool, edit, from, to, 1);
        track->UpdateEdition();
        step.Done();
        if (liason)
            liason->CallUpdateTrack(track, UPDATE_MEASURES_ROW | UPDATE_TRACK_WINDOWS);
    }
    tool.DrawToolStop();
}

// --- the inverted feedback: bands and dragged chords

void CChordsWindow::ShowCursor(int on, CGUIContext *ctx)
{
    if (dragState == CHORDS_NEW_CHORD || dragState == CHORDS_MOVE || dragState == CHORDS_TRANSPOSE)
        DrawDragged();
    else
        CAbstWindow::ShowCursor(on, ctx);
}

void CChordsWindow::DrawDragged()
{
    const long count = dragged.GetNumb();
    CGUIContext *ctx = nullptr;
    for (long i = 0; i < count; ++i) {
        QUAD q = dragged.GetAt(i)->quad;
        q.OffsHorz(-scrollPosX);
        q.OffsVert(-scrollPosY);
        if (dragState == CHORDS_MOVE) {
            q.OffsHorz(moveDelta);
        } else if (dragState == CHORDS_TRANSPOSE) {
            // whole rows, wrapping inside the row's twelve
            const long gridTop = GridTop(RowOf(q.top));
            const long pc = 11 - (q.top - gridTop) / noteRowHeight;
            q.OffsVert((11 - wrapPitchClass(pc + moveDelta)) * noteRowHeight + gridTop - q.top);
        }
        ctx = DrawFrame(q, QUAD(leftBand, 0, width, height), ctx, i == count - 1);
        if (!ctx && i < count - 1)
            return;
    }
}

// --- the pointer moves

void CChordsWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song || !track || !client)
        return;
    switch (dragState) {
    case CHORDS_TIME_SELECTION:
        ScrollFrame(QUAD(leftBand, 0, width, height), x, y, 1, 1);
        return;
    case CHORDS_NEW_CHORD:
    case CHORDS_MOVE:
    case CHORDS_TRANSPOSE:
        EditNoteMove(x, y);
        return;
    case CHORDS_DRAW_LANE: {
        const long top = GridTop(strokeRow);
        tool.DrawToolMove(x, std::clamp(y, top, top + 12 * noteRowHeight));
        return;
    }
    case CHORDS_ERASE:
        DeleteNote(x, y);
        return;
    case CHORDS_PAST_THE_BARS:
        return;
    default:
        break;
    }
    if (!MoveSharedGesture(x, y))
        SetHoverStatus(x, y);
}

void CChordsWindow::SetHoverStatus(long x, long y)
{
    char text[96], when[48], name[16];
    if (x >= leftBand - 3 && x < leftBand) {
        HoverLeftBand(1);
        return;
    }
    const long cell = x >= leftBand ? InCell(x, y) : CELL_OUTSIDE;
    long cursor = ToolCursor();
    StringTime(GetTimeFromXY(x, y), when);
    if (cell == CELL_BELOW) {
        client->GUICLSetStatusText(0, "Set Song Pointer");
    } else {
        client->GUICLClearStatusText(0);
    }
    if (cell >= 0 && edit == LANE_CHORD) {
        GetNoteText(cell, name, 0, 0, GetKSign(GetTimeFromXY(x, y)));
        std::snprintf(text, sizeof text, "[%s] %s", name, when);
        if (client->tool == TOOL_DRAW) {
            EVENT *chord = nullptr;
            const long mode = InChordNote(GetTimeFromXY(x, y), cell, chord);
            if (mode == CHORDS_MOVE)
                cursor = CURSOR_MOVE;
            else if (mode == CHORDS_TRANSPOSE)
                cursor = CURSOR_TRANSPOSE;
        }
    } else if (cell >= 0) {
        std::snprintf(text, sizeof text, "[%ld] %s", edit == LANE_WHEEL ? cell - 8192 : cell, when);
    } else {
        std::snprintf(text, sizeof text, "%s", when);
    }
    client->GUICLSetStatusText(1, text);
    SetCursorType(cursor);
}

void CChordsWindow::OnLButtonUp(long x, long y, int flag1, int)
{
    if (!song || !track || dragState == 0)
        return;
    const long state = dragState;
    if (state == CHORDS_NEW_CHORD || state == CHORDS_MOVE || state == CHORDS_TRANSPOSE) {
        EditNoteStop(flag1);
    } else if (state == CHORDS_DRAW_LANE) {
        dragState = 0;
        DrawLaneStroke();
    } else {
        EndGesture(); // an erase in the grid ends here
        switch (state) {
        case CHORDS_TIME_SELECTION: {
            const long end = GridTime(GetTimeFromXY(x, y));
            const long from = std::min(pressTime, end), to = std::max(pressTime, end);
            if (from != to && song->SetTimeSelection(from, to) && liason)
                liason->CallUpdate(1, 0, kAnyKey, kAnyKey);
            if (CMeasWindow *measures = liason ? liason->GetMainMeas() : nullptr) {
                const long id = static_cast<long>(track->GetID());
                measures->SelectTrack(id, id, song->IsTimeSelection());
            }
            break;
        }
        case CHORDS_BAND_CHORDS:
        case CHORDS_BAND_CELLS:
            dragState = state; // the band's kind decides what is selected
            SelectInBand(flag1);
            dragState = 0;
            break;
        case CHORDS_ERASE_BAND:
            DeleteInBand(LANE_CHORD, "Delete Chord(s)");
            break;
        case CHORDS_ERASE_LANE: {
            char name[96], caption[110];
            std::snprintf(caption, sizeof caption, "Delete %s", LaneName(name));
            DeleteInBand(edit, caption);
            break;
        }
        default:
            break;
        }
    }
    dragState = 0;
    if (client) {
        client->GUICLSetCapture(0);
        client->GUICLClearStatusText(0);
    }
    SetHoverStatus(x, y);
}

void CChordsWindow::OnMouseWheel(float delta, int)
{
    if (dragState != 0)
        return;
    WheelScroll(static_cast<long>(static_cast<float>(noteRowHeight) * delta * -6.0f), 1);
}

} // namespace Quorvane
